#include "UnitWriting.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QVBoxLayout>
#include <functional>

#include "GeneralErrorReport.h"
#include "UnitPlay.h"

namespace kel {

namespace {

// The banner's light blue-grey shading, row by row from the top.
const QColor kBannerRows[TfrmWriting::kBannerHeight] = {
    {163, 185, 204}, {163, 185, 204}, {166, 188, 206},
    {171, 191, 208}, {176, 195, 211}, {181, 198, 214},
};

// Single-line border, then a 2-pixel lowered bevel, then a 2-pixel margin of the panel's white.
constexpr int kPanelLine = 1;
constexpr int kPanelBevel = 2;
constexpr int kPanelInset = kPanelLine + kPanelBevel + 2;

QSize PrimaryScreenSize() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize();
}

class TBanner : public QWidget {
  public:
    TBanner(std::function<void()> onClick, QWidget* parent)
        : QWidget(parent), FOnClick(std::move(onClick)) {
        setFixedHeight(TfrmWriting::kBannerHeight);
        setCursor(Qt::PointingHandCursor);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        for (int row = 0; row < TfrmWriting::kBannerHeight; ++row)
            painter.fillRect(0, row, width(), 1, kBannerRows[row]);
    }
    // A click is a press and a release of the left button over the banner.
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            FOnClick();
    }

  private:
    std::function<void()> FOnClick;
};

class TBoardPanel : public QWidget {
  public:
    explicit TBoardPanel(QWidget* parent) : QWidget(parent) {
        QPalette white = palette();
        white.setColor(QPalette::Window, Qt::white);
        setPalette(white);
        setAutoFillBackground(true);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QRect outer = rect();
        painter.setPen(Qt::black);
        painter.drawRect(outer.adjusted(0, 0, -1, -1));
        // Lowered: shadow along the top and left, highlight along the bottom and right.
        for (int i = kPanelLine; i < kPanelLine + kPanelBevel; ++i) {
            const QRect r = outer.adjusted(i, i, -i - 1, -i - 1);
            painter.setPen(QColor(128, 128, 128));
            painter.drawLine(r.topLeft(), r.topRight());
            painter.drawLine(r.topLeft(), r.bottomLeft());
            painter.setPen(Qt::white);
            painter.drawLine(r.bottomLeft() + QPoint(1, 0), r.bottomRight());
            painter.drawLine(r.topRight() + QPoint(0, 1), r.bottomRight());
        }
    }
};

}  // namespace

TfrmWriting::TfrmWriting(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint |
                         Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint) {
    // Frameless, so the title is never seen; it names the window for tools that list windows.
    setWindowTitle(QString::fromUtf8("电子板书"));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    resize(width(), kBoardHeight);

    imgBanner = new TBanner([this] { imgBannerClick(); }, this);
    Panel1 = new TBoardPanel(this);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(imgBanner);
    column->addWidget(Panel1, 1);

    reWriting = new QPlainTextEdit(Panel1);
    reWriting->setReadOnly(true);
    reWriting->setFrameShape(QFrame::NoFrame);
    QPalette paper = white;
    paper.setColor(QPalette::Base, Qt::white);
    reWriting->setPalette(paper);
    QFont font(QString::fromUtf8("宋体"));
    font.setPixelSize(16);
    reWriting->setFont(font);
    reWriting->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    reWriting->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* fill = new QVBoxLayout(Panel1);
    fill->setContentsMargins(kPanelInset, kPanelInset, kPanelInset, kPanelInset);
    fill->addWidget(reWriting);
}

void TfrmWriting::SetWritingText(const std::string& text) {
    FWritingText = text;
    if (FBoardOpen)
        reWriting->setPlainText(QString::fromStdString(FWritingText));
}

bool TfrmWriting::ToggleBoard() {
    FBoardOpen = !FBoardOpen;
    if (FBoardOpen) {
        PlaceAtBottom(kBoardHeight);
        reWriting->setPlainText(QString::fromStdString(FWritingText));
    } else {
        PlaceAtBottom(kBannerHeight);
    }
    return FBoardOpen;
}

QString TfrmWriting::ShownText() const {
    return reWriting->toPlainText();
}

void TfrmWriting::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (FPlaced)
        return;
    FPlaced = true;
    PlaceAtBottom(kBannerHeight);
}

void TfrmWriting::PlaceAtBottom(int visible) {
    const QSize screen = PrimaryScreenSize();
    setGeometry(0, screen.height() - visible, screen.width(), kBoardHeight);
}

void TfrmWriting::imgBannerClick() {
    if (Player)
        RunGuarded([this] { Player->ToggleWriting(nullptr); });
}

}  // namespace kel
