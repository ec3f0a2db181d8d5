#include "ToolbarPictures.h"

#include <QBitmap>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <stdexcept>

namespace kel {

namespace {

constexpr int kToolSize = 32;

struct TTileColors {
    QColor Top;
    QColor Bottom;
    QColor Edge;
};

const TTileColors kNavigation{{78, 146, 228}, {31, 95, 175}, {22, 70, 132}};
const TTileColors kBoard{{58, 180, 160}, {28, 124, 108}, {20, 92, 80}};
const TTileColors kTool{{112, 124, 146}, {68, 82, 106}, {48, 58, 76}};
const TTileColors kActive{{255, 190, 88}, {226, 128, 10}, {170, 92, 6}};
const TTileColors kClear{{160, 110, 216}, {104, 62, 166}, {78, 44, 126}};
const TTileColors kShown{{86, 186, 106}, {44, 132, 66}, {32, 98, 48}};
const TTileColors kPutAway{{164, 168, 176}, {110, 115, 124}, {84, 88, 96}};
const TTileColors kExit{{234, 92, 92}, {174, 40, 40}, {130, 28, 28}};
const TTileColors kHelp{{64, 178, 218}, {26, 126, 166}, {18, 94, 126}};
const TTileColors kAbout{{110, 128, 218}, {66, 82, 168}, {48, 60, 126}};
const TTileColors kDisabled{{204, 205, 208}, {172, 174, 178}, {150, 152, 156}};

enum class TGlyph {
    Up,
    Down,
    Board,
    Pointer,
    Pen,
    Circle,
    Rubber,
    Clear,
    EyeShut,
    Cross,
    Eye,
    Question,
    Info
};

QPen Stroke(const QColor& color, double width) {
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QPolygonF Arrow(bool up) {
    QPolygonF arrow{{16, 6}, {26, 16}, {20, 16}, {20, 26}, {12, 26}, {12, 16}, {6, 16}};
    if (!up)
        for (QPointF& point : arrow)
            point.setY(32 - point.y());
    return arrow;
}

QPainterPath EyeOutline() {
    QPainterPath eye;
    eye.moveTo(5, 16);
    eye.quadTo(16, 5, 27, 16);
    eye.quadTo(16, 27, 5, 16);
    return eye;
}

// Draws a glyph in one ink; back is the tile's colour, for the parts cut out of a glyph.
void DrawGlyph(QPainter& painter, TGlyph glyph, const QColor& ink, const QColor& back) {
    painter.save();
    painter.setPen(Stroke(ink, 2.2));
    painter.setBrush(Qt::NoBrush);
    switch (glyph) {
        case TGlyph::Up:
        case TGlyph::Down:
            painter.setPen(Stroke(ink, 1));
            painter.setBrush(ink);
            painter.drawPolygon(Arrow(glyph == TGlyph::Up));
            break;
        case TGlyph::Board:
            painter.drawRect(QRectF(6.5, 7.5, 19, 13));
            painter.setPen(Stroke(ink, 1.6));
            painter.drawLine(QPointF(10, 12), QPointF(22, 12));
            painter.drawLine(QPointF(10, 16), QPointF(18, 16));
            painter.setPen(Stroke(ink, 2.2));
            painter.drawLine(QPointF(11, 21), QPointF(9, 26));
            painter.drawLine(QPointF(21, 21), QPointF(23, 26));
            break;
        case TGlyph::Pointer:
            painter.setPen(Stroke(ink, 1.2));
            painter.setBrush(ink);
            painter.drawPolygon(QPolygonF{{10, 5},
                                          {10, 24},
                                          {14.5, 19.5},
                                          {18, 27},
                                          {21.2, 25.6},
                                          {17.8, 18.2},
                                          {23.5, 18.2}});
            break;
        case TGlyph::Pen:
            painter.translate(16, 16);
            painter.rotate(-45);
            painter.setPen(Stroke(ink, 1.2));
            painter.setBrush(ink);
            painter.drawRect(QRectF(-7, -3.5, 16, 7));
            painter.drawPolygon(QPolygonF{{-8.5, -3.5}, {-14, 0}, {-8.5, 3.5}});
            painter.setBrush(back);
            painter.setPen(Qt::NoPen);
            painter.drawRect(QRectF(-8.6, -3.6, 1.4, 7.2));
            painter.drawRect(QRectF(5.5, -3.6, 1.4, 7.2));
            break;
        case TGlyph::Circle:
            painter.setPen(Stroke(ink, 3));
            painter.drawEllipse(QPointF(15, 15), 8.5, 8.5);
            painter.setPen(Qt::NoPen);
            painter.setBrush(ink);
            painter.drawEllipse(QPointF(15, 15), 2, 2);
            break;
        case TGlyph::Rubber:
            painter.translate(16, 17);
            painter.rotate(-35);
            painter.setPen(Stroke(ink, 1.6));
            painter.setBrush(ink);
            painter.drawRoundedRect(QRectF(-11, -5.5, 10, 11), 2, 2);
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(QRectF(-11, -5.5, 22, 11), 2, 2);
            break;
        case TGlyph::Clear:
            painter.drawLine(QPointF(8.5, 9.5), QPointF(23.5, 9.5));
            painter.drawRect(QRectF(13.5, 6, 5, 3.5));
            painter.drawPolygon(QPolygonF{{10.5, 12}, {21.5, 12}, {20.5, 26}, {11.5, 26}});
            painter.setPen(Stroke(ink, 1.6));
            painter.drawLine(QPointF(14, 15), QPointF(14.3, 23));
            painter.drawLine(QPointF(18, 15), QPointF(17.7, 23));
            break;
        case TGlyph::Eye:
        case TGlyph::EyeShut:
            painter.drawPath(EyeOutline());
            painter.setPen(Qt::NoPen);
            painter.setBrush(ink);
            painter.drawEllipse(QPointF(16, 16), 4.5, 4.5);
            painter.setBrush(back);
            painter.drawEllipse(QPointF(16, 16), 1.8, 1.8);
            if (glyph == TGlyph::EyeShut) {
                painter.setPen(Stroke(back, 5));
                painter.drawLine(QPointF(7, 25), QPointF(25, 7));
                painter.setPen(Stroke(ink, 2.4));
                painter.drawLine(QPointF(7, 25), QPointF(25, 7));
            }
            break;
        case TGlyph::Cross:
            painter.setPen(Stroke(ink, 4));
            painter.drawLine(QPointF(10, 10), QPointF(22, 22));
            painter.drawLine(QPointF(22, 10), QPointF(10, 22));
            break;
        case TGlyph::Question: {
            painter.setPen(Stroke(ink, 3.2));
            QPainterPath hook;
            hook.moveTo(10.5, 12);
            hook.arcTo(QRectF(10.5, 6, 11, 11), 180, -240);
            hook.quadTo(16, 17.5, 16, 20);
            painter.drawPath(hook);
            painter.setPen(Qt::NoPen);
            painter.setBrush(ink);
            painter.drawEllipse(QPointF(16, 25), 2, 2);
            break;
        }
        case TGlyph::Info:
            painter.drawEllipse(QPointF(16, 16), 10.5, 10.5);
            painter.setPen(Qt::NoPen);
            painter.setBrush(ink);
            painter.drawEllipse(QPointF(16, 10.5), 1.9, 1.9);
            painter.setPen(Stroke(ink, 3));
            painter.drawLine(QPointF(16, 15), QPointF(16, 22));
            break;
    }
    painter.restore();
}

// The small corner mark of the buttons that have the marking menu.
void DrawMenuMark(QPainter& painter, const QColor& ink) {
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    painter.drawPolygon(QPolygonF{{27.5, 22.5}, {27.5, 27.5}, {22.5, 27.5}});
    painter.restore();
}

// A rounded tile with a glyph, on the button face or on transparency.
QPixmap Tile(const TTileColors& colors, TGlyph glyph, bool menuMark, const QColor& background,
             const QColor& ink = Qt::white) {
    QImage image(kToolSize, kToolSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(background);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 2, 0, 30);
    fill.setColorAt(0, colors.Top);
    fill.setColorAt(1, colors.Bottom);
    painter.setPen(QPen(colors.Edge, 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(1.5, 1.5, 29, 29), 6, 6);
    const QColor back = colors.Bottom;
    painter.save();
    painter.translate(0.7, 0.9);
    DrawGlyph(painter, glyph, QColor(0, 0, 0, 70), back);
    painter.restore();
    DrawGlyph(painter, glyph, ink, back);
    if (menuMark)
        DrawMenuMark(painter, ink);
    painter.end();
    return QPixmap::fromImage(image);
}

QPixmap ToolTile(const TTileColors& colors, TGlyph glyph, bool menuMark = false) {
    return Tile(colors, glyph, menuMark, QColor(kButtonFace));
}

QImage Cursor(void (*draw)(QPainter&)) {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    draw(painter);
    return image;
}

// A pencil lying from its tip at (1, 3) down to the right.
void DrawPenCursor(QPainter& painter) {
    painter.translate(1, 3);
    painter.rotate(45);
    const QPolygonF pencil{{0, 0}, {7, -3.5}, {25, -3.5}, {25, 3.5}, {7, 3.5}};
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    painter.drawPolygon(pencil);
    painter.drawLine(QPointF(7, -3.5), QPointF(7, 3.5));
    painter.drawLine(QPointF(21, -3.5), QPointF(21, 3.5));
    painter.setBrush(Qt::black);
    painter.drawPolygon(QPolygonF{{0, 0}, {2.5, -1.3}, {2.5, 1.3}});
}

// The 16 × 16 square the rubber erases, its centre on the hot spot (15, 15).
void DrawRubberCursor(QPainter& painter) {
    painter.setPen(Qt::black);
    painter.drawRect(7, 7, 15, 15);
    painter.setPen(Qt::white);
    painter.drawRect(8, 8, 13, 13);
    painter.drawRect(6, 6, 17, 17);
    painter.fillRect(14, 14, 3, 3, Qt::white);
    painter.fillRect(15, 15, 1, 1, Qt::black);
}

// A ring with a centre dot around the hot spot (16, 16), black edged with white so that it
// shows on any lesson.
void DrawCircleCursor(QPainter& painter) {
    painter.setPen(QPen(Qt::white, 3));
    painter.drawEllipse(QPoint(16, 16), 10, 10);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawEllipse(QPoint(16, 16), 10, 10);
    painter.fillRect(14, 14, 5, 5, Qt::white);
    painter.fillRect(15, 15, 3, 3, Qt::black);
}

}  // namespace

TImageList ToolImages() {
    TImageList images(QSize(kToolSize, kToolSize));
    const QPixmap pictures[] = {
        ToolTile(kNavigation, TGlyph::Up),        // 0 Previous
        ToolTile(kNavigation, TGlyph::Down),      // 1 Next
        ToolTile(kBoard, TGlyph::Board),          // 2 board lowered
        ToolTile(kTool, TGlyph::Pointer),         // 3 control
        ToolTile(kTool, TGlyph::Pen, true),       // 4 pen
        ToolTile(kTool, TGlyph::Circle, true),    // 5 circle
        ToolTile(kTool, TGlyph::Rubber),          // 6 rubber
        ToolTile(kClear, TGlyph::Clear),          // 7 clear
        ToolTile(kPutAway, TGlyph::EyeShut),      // 8 marks put away
        ToolTile(kExit, TGlyph::Cross),           // 9 exit
        ToolTile(kActive, TGlyph::Pointer),       // 10 control, active
        ToolTile(kActive, TGlyph::Pen, true),     // 11 pen, active
        ToolTile(kActive, TGlyph::Circle, true),  // 12 circle, active
        ToolTile(kActive, TGlyph::Rubber),        // 13 rubber, active
        ToolTile(kActive, TGlyph::Board),         // 14 board raised
        ToolTile(kShown, TGlyph::Eye),            // 15 marks shown
        ToolTile(kHelp, TGlyph::Question),        // 16 help
        ToolTile(kAbout, TGlyph::Info),           // 17 About
    };
    for (const QPixmap& picture : pictures)
        images.Add(picture);
    return images;
}

TImageList DisabledToolImages() {
    TImageList images(QSize(kToolSize, kToolSize));
    const QColor ink(242, 242, 244);
    for (TGlyph glyph : {TGlyph::Up, TGlyph::Down, TGlyph::Board})
        images.Add(Tile(kDisabled, glyph, false, Qt::transparent, ink));
    return images;
}

QImage PanelPicture() {
    QImage picture(40, 418, QImage::Format_RGB32);
    picture.fill(kButtonFace);
    QPainter painter(&picture);
    const QRect outer = picture.rect();
    // Outside in: a dark outline, a bevel lit from the upper left, a mid-grey band.
    painter.setPen(QColor(64, 70, 82));
    painter.drawRect(outer.adjusted(0, 0, -1, -1));
    const QRect bevel = outer.adjusted(1, 1, -1, -1);
    painter.setPen(QColor(238, 240, 244));
    painter.drawLine(bevel.topLeft(), bevel.topRight());
    painter.drawLine(bevel.topLeft(), bevel.bottomLeft());
    painter.setPen(QColor(112, 118, 130));
    painter.drawLine(bevel.bottomLeft(), bevel.bottomRight());
    painter.drawLine(bevel.topRight(), bevel.bottomRight());
    painter.setPen(QColor(168, 174, 186));
    painter.drawRect(outer.adjusted(2, 2, -3, -3));
    painter.drawRect(outer.adjusted(3, 3, -4, -4));
    return picture;
}

TImageList MarkItemImages(const QRgb (&colors)[16]) {
    TImageList images(QSize(42, 14));
    auto blank = [] {
        QImage image(42, 14, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        return image;
    };
    for (QRgb color : colors) {
        QImage swatch = blank();
        QPainter painter(&swatch);
        painter.setPen(QColor(96, 96, 100));
        painter.setBrush(QColor(color));
        painter.drawRect(1, 1, 39, 11);
        painter.end();
        images.Add(QPixmap::fromImage(swatch));
    }
    images.Add(QPixmap::fromImage(blank()));
    for (int width : {2, 4, 6}) {
        QImage sample = blank();
        QPainter painter(&sample);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Stroke(Qt::black, width));
        painter.drawLine(QPointF(4 + width / 2.0, 7), QPointF(38 - width / 2.0, 7));
        painter.end();
        images.Add(QPixmap::fromImage(sample));
    }
    return images;
}

QCursor CursorResource(const QString& name) {
    struct TResource {
        const char* Name;
        void (*Draw)(QPainter&);
        QPoint HotSpot;
    };
    static const TResource resources[] = {
        {"PEN1", DrawPenCursor, {1, 3}},
        {"RUBBER", DrawRubberCursor, {15, 15}},
        {"CIRCLE", DrawCircleCursor, {16, 16}},
    };
    for (const TResource& resource : resources)
        if (name == QLatin1String(resource.Name))
            return QCursor(QPixmap::fromImage(Cursor(resource.Draw)), resource.HotSpot.x(),
                           resource.HotSpot.y());
    throw std::invalid_argument("No cursor resource " + name.toStdString());
}

}  // namespace kel
