#include "MarkPen.h"

#include <QPointF>
#include <algorithm>
#include <cmath>
#include <limits>

namespace kel {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// An interval of x on one row; empty when Lo > Hi.
struct TSpan {
    double Lo = kInfinity;
    double Hi = -kInfinity;

    bool Empty() const { return Lo > Hi; }
    void Join(double lo, double hi) {
        Lo = std::min(Lo, lo);
        Hi = std::max(Hi, hi);
    }
    // Keeps the x with lo <= k * x <= hi.
    void Limit(double k, double lo, double hi) {
        if (k == 0) {
            if (lo > 0 || hi < 0)
                *this = TSpan();
            return;
        }
        const double a = lo / k;
        const double b = hi / k;
        Lo = std::max(Lo, std::min(a, b));
        Hi = std::min(Hi, std::max(a, b));
    }
};

// The pixels of row `y` whose centres lie from `lo` to `hi`, both included.
void FillRow(QImage& image, int y, double lo, double hi, QRgb color) {
    const double first = std::ceil(std::max(lo, 0.0));
    const double last = std::floor(std::min(hi, double(image.width() - 1)));
    if (first > last)
        return;
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    std::fill(line + int(first), line + int(last) + 1, color);
}

QPointF PenCenter(QPoint point, int width) {
    const double shift = width % 2 == 0 ? 0.5 : 0.0;
    return {point.x() - shift, point.y() - shift};
}

int FirstRow(double top) {
    return int(std::ceil(std::max(top, 0.0)));
}

int LastRow(const QImage& image, double bottom) {
    return int(std::floor(std::min(bottom, double(image.height() - 1))));
}

}  // namespace

void DrawPenLine(QImage& image, QPoint from, QPoint to, int width, QRgb color) {
    width = std::max(width, 1);
    const double radius = width / 2.0;
    const QPointF a = PenCenter(from, width);
    const QPointF b = PenCenter(to, width);
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    const double length2 = dx * dx + dy * dy;
    const double reach = radius * std::sqrt(length2);
    const int last = LastRow(image, std::max(a.y(), b.y()) + radius);
    for (int y = FirstRow(std::min(a.y(), b.y()) - radius); y <= last; ++y) {
        // The round ends: discs around both end points.
        TSpan row;
        for (const QPointF& end : {a, b}) {
            const double h = radius * radius - (y - end.y()) * (y - end.y());
            if (h >= 0)
                row.Join(end.x() - std::sqrt(h), end.x() + std::sqrt(h));
        }
        // The band between them: projection onto the line within the segment, distance from
        // it within the radius. The whole is convex, so the row is one interval.
        if (length2 > 0) {
            TSpan band{-kInfinity, kInfinity};
            const double along = (y - a.y()) * dy;
            band.Limit(dx, a.x() * dx - along, a.x() * dx - along + length2);
            const double across = (y - a.y()) * dx;
            band.Limit(dy, a.x() * dy + across - reach, a.x() * dy + across + reach);
            if (!band.Empty())
                row.Join(band.Lo, band.Hi);
        }
        if (!row.Empty())
            FillRow(image, y, row.Lo, row.Hi, color);
    }
}

void DrawPenCircle(QImage& image, QPoint center, int radius, int width, QRgb color) {
    width = std::max(width, 1);
    const QPointF c = PenCenter(center, width);
    const double outer = radius + width / 2.0;
    const double inner = radius - width / 2.0;
    const int last = LastRow(image, c.y() + outer);
    for (int y = FirstRow(c.y() - outer); y <= last; ++y) {
        const double dy2 = (y - c.y()) * (y - c.y());
        if (outer * outer < dy2)
            continue;
        const double outerHalf = std::sqrt(outer * outer - dy2);
        if (inner > 0 && inner * inner > dy2) {
            const double innerHalf = std::sqrt(inner * inner - dy2);
            FillRow(image, y, c.x() - outerHalf, c.x() - innerHalf, color);
            FillRow(image, y, c.x() + innerHalf, c.x() + outerHalf, color);
        } else {
            FillRow(image, y, c.x() - outerHalf, c.x() + outerHalf, color);
        }
    }
}

}  // namespace kel
