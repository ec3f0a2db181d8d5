#include "Panels.h"

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
