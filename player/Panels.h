#pragma once
// The plain surfaces of the player window: a coloured panel with an optional centred caption,
// and the picture view that fits its picture into itself.

#include <QImage>
#include <QWidget>

namespace kel {

class TPanel : public QWidget {
  public:
    TPanel(const QColor& color, QWidget* parent);
    void SetCaption(const QString& caption);
    const QString& Caption() const { return FCaption; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString FCaption;
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
