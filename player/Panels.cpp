#include "Panels.h"

#include <QMouseEvent>
#include <QPainter>

namespace kel {

TPanel::TPanel(const QColor& color, QWidget* parent) : QWidget(parent) {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, color);
    setPalette(palette);
    setAutoFillBackground(true);
}

void TPanel::SetCaption(const QString& caption) {
    FCaption = caption;
    update();
}

void TPanel::paintEvent(QPaintEvent*) {
    if (FCaption.isEmpty())
        return;
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect(), Qt::AlignCenter, FCaption);
}

// A press that a child control leaves unhandled comes on to the panel; it is not the panel's.
bool TPanel::OnBarePanel(const QMouseEvent& event) const {
    const QPoint point = event.position().toPoint();
    return rect().contains(point) && !childAt(point);
}

void TPanel::mousePressEvent(QMouseEvent* event) {
    FPressed = OnClick && event->button() == Qt::LeftButton && OnBarePanel(*event);
    if (!FPressed)
        QWidget::mousePressEvent(event);
}

void TPanel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !FPressed) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    FPressed = false;
    if (OnBarePanel(*event) && OnClick)
        OnClick();
}

TImageView::TImageView(QWidget* parent) : QWidget(parent) {}

void TImageView::SetPicture(const QImage& picture) {
    FPicture = picture;
    update();
}

void TImageView::paintEvent(QPaintEvent*) {
    if (FPicture.isNull())
        return;
    QSize fitted = FPicture.size().scaled(size(), Qt::KeepAspectRatio);
    QRect target(QPoint(0, 0), fitted);
    target.moveCenter(rect().center());
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, FPicture);
}

}  // namespace kel
