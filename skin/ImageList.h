#pragma once
// A list of pictures of one size, picked by index, as buttons and menu items show them.

#include <QList>
#include <QPixmap>
#include <QSize>

namespace kel {

class TImageList {
  public:
    explicit TImageList(QSize size) : FSize(size) {}

    QSize Size() const { return FSize; }
    int Count() const { return static_cast<int>(FImages.size()); }
    // Appends a picture, which must have the list's size.
    void Add(const QPixmap& image);
    // The picture at the index; a null pixmap (which draws nothing) outside the list.
    QPixmap Image(int index) const;

  private:
    QSize FSize;
    QList<QPixmap> FImages;
};

}  // namespace kel
