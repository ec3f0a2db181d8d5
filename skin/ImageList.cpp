#include "ImageList.h"

#include <stdexcept>

namespace kel {

void TImageList::Add(const QPixmap& image) {
    if (image.size() != FSize)
        throw std::invalid_argument("A picture of the wrong size for its image list");
    FImages.append(image);
}

QPixmap TImageList::Image(int index) const {
    return index >= 0 && index < Count() ? FImages[index] : QPixmap();
}

}  // namespace kel
