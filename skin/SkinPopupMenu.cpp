#include "SkinPopupMenu.h"

#include <QActionEvent>
#include <QPainter>
#include <QPainterPath>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>

namespace kel {

namespace {

const QColor kPanel(252, 252, 253);
const QColor kGutter(234, 238, 245);
const QColor kBorder(132, 142, 160);
const QColor kHighlight(206, 226, 250);
const QColor kHighlightEdge(110, 156, 222);
const QColor kText(24, 24, 28);
const QColor kDisabledText(150, 150, 155);
const QColor kSeparator(204, 209, 220);
constexpr int kCheckWidth = 20;  // the column of the radio dot
constexpr int kGap = 8;          // between the picture column and the caption
constexpr int kArrowWidth = 20;  // the column of a submenu's arrow
constexpr int kItemHeight = 26;
constexpr int kSeparatorHeight = 9;

// The skin's look of a menu: a light panel with a tinted column for the checks and pictures,
// pictures at the size of the image list rather than squeezed into a small icon.
class TSkinMenuStyle : public QProxyStyle {
  public:
    TSkinMenuStyle(QSize imageSize, QObject* owner)
        : QProxyStyle(QStyleFactory::create("Fusion")), FImageSize(imageSize) {
        setParent(owner);
    }

    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        switch (metric) {
            case PM_MenuPanelWidth:
                return 1;
            case PM_MenuHMargin:
            case PM_MenuVMargin:
                return 0;
            case PM_SubMenuOverlap:
                return 0;
            default:
                return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (type != CT_MenuItem || !item)
            return QProxyStyle::sizeFromContents(type, option, size, widget);
        if (item->menuItemType == QStyleOptionMenuItem::Separator)
            return {TextLeft(*item) + kArrowWidth, kSeparatorHeight};
        const int text = item->fontMetrics.horizontalAdvance(item->text);
        return {TextLeft(*item) + text + kArrowWidth,
                std::max(kItemHeight, item->fontMetrics.height() + 8)};
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (element == PE_PanelMenu || element == PE_FrameMenu) {
            painter->save();
            painter->fillRect(option->rect, kPanel);
            painter->setPen(kBorder);
            painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
            painter->restore();
            return;
        }
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (element == CE_MenuEmptyArea)
            return;
        if (element != CE_MenuItem || !item) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        painter->save();
        DrawItem(*item, *painter);
        painter->restore();
    }

  private:
    // Where captions start: after the check column and, in a menu with pictures, the picture
    // column.
    int TextLeft(const QStyleOptionMenuItem& item) const {
        return kCheckWidth + (item.maxIconWidth > 0 ? FImageSize.width() : 0) + kGap;
    }

    void DrawItem(const QStyleOptionMenuItem& item, QPainter& painter) const {
        const QRect rect = item.rect;
        const int textLeft = TextLeft(item);
        painter.fillRect(rect, kPanel);
        painter.fillRect(QRect(rect.left(), rect.top(), textLeft - kGap / 2, rect.height()),
                         kGutter);
        if (item.menuItemType == QStyleOptionMenuItem::Separator) {
            painter.setPen(kSeparator);
            const int y = rect.center().y();
            painter.drawLine(rect.left() + textLeft, y, rect.right() - 4, y);
            return;
        }
        const bool enabled = item.state & State_Enabled;
        painter.setRenderHint(QPainter::Antialiasing);
        if (enabled && (item.state & State_Selected)) {
            painter.setPen(kHighlightEdge);
            painter.setBrush(kHighlight);
            painter.drawRoundedRect(QRectF(rect).adjusted(2.5, 1.5, -2.5, -1.5), 3, 3);
        }
        const int middle = rect.center().y();
        if (item.checked) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(enabled ? kText : kDisabledText);
            painter.drawEllipse(QPointF(rect.left() + kCheckWidth / 2.0 + 1, middle + 0.5), 3.5,
                                3.5);
        }
        if (!item.icon.isNull()) {
            const QPixmap image = item.icon.pixmap(FImageSize);
            painter.drawPixmap(rect.left() + kCheckWidth, middle - FImageSize.height() / 2 + 1,
                               image);
        }
        painter.setPen(enabled ? kText : kDisabledText);
        painter.setFont(item.font);
        painter.drawText(
            QRect(rect.left() + textLeft, rect.top(), rect.width() - textLeft, rect.height()),
            Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, item.text);
        if (item.menuItemType == QStyleOptionMenuItem::SubMenu) {
            const double x = rect.right() - kArrowWidth / 2.0;
            QPainterPath arrow;
            arrow.moveTo(x - 2, middle - 4);
            arrow.lineTo(x + 2.5, middle + 0.5);
            arrow.lineTo(x - 2, middle + 5);
            arrow.closeSubpath();
            painter.setPen(Qt::NoPen);
            painter.setBrush(enabled ? kText : kDisabledText);
            painter.drawPath(arrow);
        }
    }

    QSize FImageSize;
};

QFont MenuFont() {
    QFont font(QString::fromUtf8("宋体"));
    font.setPixelSize(14);
    return font;
}

}  // namespace

TSkinPopupMenu::TSkinPopupMenu(const TImageList& images, QWidget* parent)
    : QMenu(parent),
      FImages(images),
      FStyle(new TSkinMenuStyle(images.Size(), this)),
      FParentMenu(nullptr) {
    setStyle(FStyle);
    setFont(MenuFont());
    connect(this, &QMenu::aboutToShow, this, [this] {
        if (OnPopup)
            OnPopup();
    });
    connect(this, &QMenu::aboutToHide, this, [this] {
        if (OnClose)
            OnClose();
    });
}

TSkinPopupMenu::TSkinPopupMenu(const TImageList& images, QProxyStyle* style,
                               TSkinPopupMenu* parentMenu)
    : QMenu(parentMenu), FImages(images), FStyle(style), FParentMenu(parentMenu) {
    setStyle(FStyle);
    setFont(MenuFont());
}

TSkinPopupMenu* TSkinPopupMenu::AddSubmenu(const QString& caption) {
    auto* submenu = new TSkinPopupMenu(FImages, FStyle, this);
    submenu->setTitle(caption);
    addMenu(submenu);
    return submenu;
}

void TSkinPopupMenu::SetItemImage(QAction* item, int imageIndex) {
    item->setIcon(QIcon(FImages.Image(imageIndex)));
}

void TSkinPopupMenu::actionEvent(QActionEvent* event) {
    QMenu::actionEvent(event);
    if (event->type() == QEvent::ActionAdded)
        connect(event->action(), &QAction::changed, this, &TSkinPopupMenu::ReportChange,
                Qt::UniqueConnection);
    else if (event->type() == QEvent::ActionRemoved)
        disconnect(event->action(), &QAction::changed, this, &TSkinPopupMenu::ReportChange);
}

void TSkinPopupMenu::ReportChange() {
    if (FParentMenu)
        FParentMenu->ReportChange();
    else if (OnChange)
        OnChange();
}

}  // namespace kel
