#pragma once
// The toolbar's pictures, drawn here at the sizes its image lists, panel and cursors take: the
// button pictures on the button face (the toolbar's transparent colour), so that only the
// pictures show; the disabled ones, the panel's frame, the marking menu's item pictures and the
// three annotation cursors.

#include <QColor>
#include <QCursor>
#include <QImage>

#include "ImageList.h"

namespace kel {

// The system's button face, the colour the toolbar shows as transparent.
inline constexpr QRgb kButtonFace = qRgb(212, 208, 200);

// imgTools: 18 pictures of 32 × 32 on the button face, by image index (0 Previous, 1 Next,
// 2 board lowered, 3–6 control, pen, circle, rubber, 7 clear, 8 marks put away, 9 exit, 10–13
// the four modes active, 14 board raised, 15 marks shown, 16 help, 17 About).
TImageList ToolImages();
// imgTools2: the disabled look of images 0, 1 and 2, transparent around the picture.
TImageList DisabledToolImages();
// The panel's picture, 40 × 418: a grey bevelled frame around a flat button-face interior.
QImage PanelPicture();
// imglstColor: 20 pictures of 42 × 14: swatches 0–15 of the given colours, 16 empty, line
// samples 2, 4 and 6 pixels wide at 17–19.
TImageList MarkItemImages(const QRgb (&colors)[16]);
// The 32 × 32 monochrome cursor pictures "PEN1" (hot spot 1, 3), "RUBBER" (15, 15) and
// "CIRCLE" (16, 16); any other name is an error.
QCursor CursorResource(const QString& name);

}  // namespace kel
