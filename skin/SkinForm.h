#pragma once
// The skinned form: a borderless top-level window of which only the pixels that are not its
// transparent colour are seen and take the mouse. Its shape (an X11 shape, bounding and input,
// on xcb) follows what it paints, so it needs no compositor.

#include <QColor>
#include <QRegion>
#include <QWidget>

namespace kel {

class TSkinForm : public QWidget {
  public:
    TSkinForm(const QColor& transparentColor, Qt::WindowFlags flags);

    const QColor& TransparentColor() const { return FTransparentColor; }

    // The region of the form's current pixels that are not the transparent colour.
    QRegion PaintedRegion();

  protected:
    bool event(QEvent* event) override;

  private:
    void UpdateShape();

    QColor FTransparentColor;
};

// The region of an image's pixels that are not the given colour.
QRegion RegionWithout(const QImage& image, const QColor& color);

}  // namespace kel
