#pragma once
// A screen cut into square panes, numbered row by row from the top left; the panes of the last
// column and row are narrower where the screen's size is no whole number of panes.

#include <QRect>
#include <span>
#include <utility>
#include <vector>

namespace kel::platform {

class PaneGrid {
  public:
    // A screen of `screen`'s size, with its origin at the grid's origin.
    PaneGrid(QSize screen, int paneSize);

    const QRect& Screen() const { return FScreen; }
    size_t Count() const { return size_t(FColumns) * size_t(FRows); }
    // The pane's place on the screen.
    QRect Pane(size_t index) const;
    // The panes that `area` touches.
    std::vector<size_t> PanesIn(const QRect& area) const;
    // The rectangles, which lie within `area`, cut along the panes' edges: for each pane that
    // `area` touches, in order, its parts in the pane's own coordinates (none for a pane that
    // `area` touches but no rectangle does).
    std::vector<std::pair<size_t, std::vector<QRect>>> Split(const QRect& area,
                                                             std::span<const QRect> rects) const;

  private:
    // A block of panes.
    struct Block {
        int Left = 0, Top = 0, Columns = 0, Rows = 0;
    };
    Block BlockOf(const QRect& area) const;
    size_t Index(int column, int row) const {
        return size_t(row) * size_t(FColumns) + size_t(column);
    }

    QRect FScreen;
    int FSize;
    int FColumns;
    int FRows;
};

}  // namespace kel::platform
