#include "PaneGrid.h"

#include <algorithm>

namespace kel::platform {

PaneGrid::PaneGrid(QSize screen, int paneSize)
    : FScreen(QPoint(0, 0), screen),
      FSize(std::max(paneSize, 1)),
      FColumns((screen.width() + FSize - 1) / FSize),
      FRows((screen.height() + FSize - 1) / FSize) {}

QRect PaneGrid::Pane(size_t index) const {
    const int column = int(index % size_t(FColumns));
    const int row = int(index / size_t(FColumns));
    return QRect(column * FSize, row * FSize, FSize, FSize) & FScreen;
}

PaneGrid::Block PaneGrid::BlockOf(const QRect& area) const {
    const QRect box = area & FScreen;
    if (box.isEmpty())
        return {};
    const int left = box.left() / FSize;
    const int top = box.top() / FSize;
    return {left, top, box.right() / FSize - left + 1, box.bottom() / FSize - top + 1};
}

std::vector<size_t> PaneGrid::PanesIn(const QRect& area) const {
    const Block block = BlockOf(area);
    std::vector<size_t> indices;
    for (int row = block.Top; row < block.Top + block.Rows; ++row)
        for (int column = block.Left; column < block.Left + block.Columns; ++column)
            indices.push_back(Index(column, row));
    return indices;
}

std::vector<std::pair<size_t, std::vector<QRect>>> PaneGrid::Split(
    const QRect& area, std::span<const QRect> rects) const {
    const Block block = BlockOf(area);
    std::vector<std::vector<QRect>> parts(size_t(block.Columns) * size_t(block.Rows));
    // Each rectangle visits only the panes it touches.
    for (const QRect& rect : rects) {
        const Block touched = BlockOf(rect & area);
        for (int row = touched.Top; row < touched.Top + touched.Rows; ++row)
            for (int column = touched.Left; column < touched.Left + touched.Columns; ++column) {
                const QRect pane = Pane(Index(column, row));
                parts[size_t(row - block.Top) * size_t(block.Columns) + size_t(column - block.Left)]
                    .push_back((rect & pane).translated(-pane.topLeft()));
            }
    }
    std::vector<std::pair<size_t, std::vector<QRect>>> byPane;
    size_t next = 0;
    for (int row = block.Top; row < block.Top + block.Rows; ++row)
        for (int column = block.Left; column < block.Left + block.Columns; ++column)
            byPane.emplace_back(Index(column, row), std::move(parts[next++]));
    return byPane;
}

}  // namespace kel::platform
