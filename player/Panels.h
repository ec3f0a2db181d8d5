#pragma once
// The plain surfaces of the player window: a coloured panel with an optional centred caption,
// and the picture view that fits its picture into itself.

#include <QImage>
#include <QWidget>
#include <functional>

namespace kel {

class TPanel : public QWidget {
  public:
    TPanel(const QColor& color, QWidget* parent);
    void SetCaption(const QString& caption);
    const QString& Caption() const { return FCaption; }

    // A click of the left button on the bare panel: pressed and released inside it, neither
    // time on one of its child controls.
    std::function<void()> OnClick;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    bool OnBarePanel(const QMouseEvent& event) const;

    QString FCaption;
    bool FPressed = false;
};

// Shows its picture scaled to fit, proportions kept, centred. The picture stays loaded while
// the view is hidden.
class TImageView : public QWidget {
  public:
    explicit TImageView(QWidget* parent);
    void SetPicture(const QImage& picture);
    const QImage& Picture() const { return FPicture; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QImage FPicture;
};

}  // namespace kel
