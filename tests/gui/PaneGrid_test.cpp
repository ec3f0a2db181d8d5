// The grid of panes that shows the screen annotation's marks: which panes an area touches and
// how rectangles are cut along the panes' edges.

#include "PaneGrid.h"

#include <gtest/gtest.h>

#include <QRegion>

namespace kel::test {
namespace {

using platform::PaneGrid;

// A 600 x 300 screen in panes of 256: three columns and two rows, the last column 88 pixels
// wide and the last row 44 high.
const PaneGrid kGrid(QSize(600, 300), 256);

TEST(PaneGrid, PanesCoverTheScreenExactlyOnce) {
    ASSERT_EQ(kGrid.Count(), 6u);
    EXPECT_EQ(kGrid.Pane(0), QRect(0, 0, 256, 256));
    EXPECT_EQ(kGrid.Pane(2), QRect(512, 0, 88, 256));
    EXPECT_EQ(kGrid.Pane(5), QRect(512, 256, 88, 44));
    QRegion covered;
    int area = 0;
    for (size_t i = 0; i < kGrid.Count(); ++i) {
        covered += kGrid.Pane(i);
        area += kGrid.Pane(i).width() * kGrid.Pane(i).height();
    }
    EXPECT_EQ(covered, QRegion(0, 0, 600, 300));
    EXPECT_EQ(area, 600 * 300) << "panes overlap";
}

TEST(PaneGrid, AnAreaTouchesThePanesUnderIt) {
    const struct {
        QRect Area;
        std::vector<size_t> Panes;
    } cases[] = {
        {{10, 10, 20, 20}, {0}},
        {{250, 250, 10, 10}, {0, 1, 3, 4}},
        {{255, 0, 1, 1}, {0}},
        {{256, 0, 1, 1}, {1}},
        {{500, 100, 500, 500}, {1, 2, 4, 5}},  // beyond the screen: cut off
        {{700, 400, 10, 10}, {}},
        {{}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Area.x() << "," << c.Area.y() << " " << c.Area.width()
                                        << "x" << c.Area.height());
        EXPECT_EQ(kGrid.PanesIn(c.Area), c.Panes);
    }
}

TEST(PaneGrid, SplitCutsRectanglesAlongThePanesInTheirOwnCoordinates) {
    // A row of a stroke across the first two columns, and a square on the corner of four panes.
    const QRect rects[] = {{200, 100, 100, 1}, {250, 250, 10, 10}};
    const auto split = kGrid.Split(QRect(0, 0, 600, 300), rects);
    ASSERT_EQ(split.size(), 6u);
    std::vector<std::vector<QRect>> parts(6);
    for (const auto& [pane, inPane] : split)
        parts[pane] = inPane;
    EXPECT_EQ(parts[0], (std::vector<QRect>{{200, 100, 56, 1}, {250, 250, 6, 6}}));
    EXPECT_EQ(parts[1], (std::vector<QRect>{{0, 100, 44, 1}, {0, 250, 4, 6}}));
    EXPECT_EQ(parts[3], (std::vector<QRect>{{250, 0, 6, 4}}));
    EXPECT_EQ(parts[4], (std::vector<QRect>{{0, 0, 4, 4}}));
    EXPECT_TRUE(parts[2].empty());
    EXPECT_TRUE(parts[5].empty());

    // Only the panes the area touches are listed, each once, even with nothing in it.
    const QRect none[] = {QRect()};
    const auto touched = kGrid.Split(QRect(250, 10, 10, 10), none);
    ASSERT_EQ(touched.size(), 2u);
    EXPECT_EQ(touched[0].first, 0u);
    EXPECT_EQ(touched[1].first, 1u);
    EXPECT_TRUE(touched[0].second.empty() && touched[1].second.empty());
}

}  // namespace
}  // namespace kel::test
