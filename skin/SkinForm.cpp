#include "SkinForm.h"

#include <QBitmap>
#include <QEvent>
#include <QImage>

namespace kel {

TSkinForm::TSkinForm(const QColor& transparentColor, Qt::WindowFlags flags)
    : QWidget(nullptr, flags | Qt::FramelessWindowHint), FTransparentColor(transparentColor) {}

QRegion TSkinForm::PaintedRegion() {
    QImage image(size(), QImage::Format_RGB32);
    render(&image, QPoint(), QRegion(),
           QWidget::DrawWindowBackground | QWidget::DrawChildren | QWidget::IgnoreMask);
    return RegionWithout(image, FTransparentColor);
}

// The shape is set before the window is first mapped and again after every repaint, since a
// change of look (a pressed button, a new picture) changes which pixels are transparent.
bool TSkinForm::event(QEvent* event) {
    const QEvent::Type type = event->type();
    const bool handled = QWidget::event(event);
    if (type == QEvent::Show || type == QEvent::UpdateRequest)
        UpdateShape();
    return handled;
}

void TSkinForm::UpdateShape() {
    QRegion shape = PaintedRegion();
    if (shape != mask())
        setMask(shape);
}

QRegion RegionWithout(const QImage& image, const QColor& color) {
    QImage mask = image.convertToFormat(QImage::Format_RGB32)
                      .createMaskFromColor(color.rgb(), Qt::MaskInColor);
    return QRegion(QBitmap::fromImage(mask));
}

}  // namespace kel
