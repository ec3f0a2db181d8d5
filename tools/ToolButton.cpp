#include "ToolButton.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include "ToolbarPictures.h"

namespace kel {

namespace {

const QColor kLight(255, 255, 255);
const QColor kShadow(96, 100, 110);

// A one-pixel edge around the button, lit from the upper left (raised) or from the lower
// right (sunken).
void DrawEdge(QPainter& painter, const QRect& rect, bool sunken) {
    const QColor& topLeft = sunken ? kShadow : kLight;
    const QColor& bottomRight = sunken ? kLight : kShadow;
    painter.setPen(topLeft);
    painter.drawLine(rect.topLeft(), rect.topRight());
    painter.drawLine(rect.topLeft(), rect.bottomLeft());
    painter.setPen(bottomRight);
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.drawLine(rect.topRight(), rect.bottomRight());
}

}  // namespace

TToolButton::TToolButton(TAction& action, const QString& hint, const TImageList& images,
                         const TImageList& disabledImages, QWidget* parent)
    : QWidget(parent),
      FAction(action),
      FHint(hint),
      FImages(images),
      FDisabledImages(disabledImages) {
    setFixedSize(kWidth, kHeight);
    connect(&FAction, &QAction::changed, this, &TToolButton::ActionChanged);
    ActionChanged();
}

void TToolButton::ActionChanged() {
    setEnabled(FAction.isEnabled());
    setToolTip(FHint.isEmpty() ? FAction.toolTip() : FHint);
    update();
}

void TToolButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(kButtonFace));
    const bool enabled = isEnabled();
    const bool down = FPressed && FHot;
    if (enabled && (down || FAction.isChecked()))
        DrawEdge(painter, rect(), true);
    else if (enabled && FHot)
        DrawEdge(painter, rect(), false);
    const QPixmap image = (enabled ? FImages : FDisabledImages).Image(FAction.ImageIndex);
    const QPoint offset = down ? QPoint(1, 1) : QPoint();
    painter.drawPixmap((width() - image.width()) / 2 + offset.x(),
                       (height() - image.height()) / 2 + offset.y(), image);
}

void TToolButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    FPressed = true;
    update();
}

void TToolButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !FPressed) {
        event->ignore();
        return;
    }
    FPressed = false;
    update();
    if (rect().contains(event->position().toPoint()))
        FAction.Execute();
}

void TToolButton::enterEvent(QEnterEvent*) {
    FHot = true;
    update();
}

void TToolButton::leaveEvent(QEvent*) {
    FHot = false;
    update();
}

void TToolButton::contextMenuEvent(QContextMenuEvent* event) {
    if (!PopupMenu) {
        event->ignore();
        return;
    }
    PopupMenu->popup(event->globalPos());
}

}  // namespace kel
