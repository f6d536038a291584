#include "ops/SplitGrid.h"

#include <gtest/gtest.h>

namespace
{
using Sizes = std::vector<int32_t>;

TEST(SplitGrid, EvenGridGivesTheRemainderToTheLastCell)
{
    CSplitGrid grid;
    ASSERT_TRUE(grid.DrawSplitLines(2, 3, 100, 60));
    EXPECT_EQ(grid.m_colWidths, (Sizes{33, 33, 34}));
    EXPECT_EQ(grid.m_rowHeights, (Sizes{30, 30}));
    ASSERT_TRUE(grid.DrawSplitLines(1, 4, 65, 64)); // powers of two round up
    EXPECT_EQ(grid.m_colWidths, (Sizes{17, 17, 17, 14}));
    EXPECT_EQ(grid.m_rowHeights, (Sizes{64}));
    ASSERT_TRUE(grid.DrawSplitLines(6, 1, 7, 100));
    EXPECT_EQ(grid.m_rowHeights, (Sizes{17, 17, 17, 17, 17, 15}));

    const std::vector<SGridCell> cells = grid.Cells(); // row order
    ASSERT_EQ(cells.size(), 6u);
    EXPECT_EQ(cells[5].m_nY, 85);
    EXPECT_EQ(cells[5].m_nHeight, 15);
}

TEST(SplitGrid, RefusesCountsThatMakeNoProperGrid)
{
    CSplitGrid grid;
    ASSERT_TRUE(grid.DrawSplitLines(1, 2, 100, 60));
    // Width 10 in 7 columns leaves nothing for the last; absurd counts allocate nothing.
    const struct { int32_t rows, cols; uint32_t width, height; } refused[] = {
        {1, 1, 100, 60}, {0, 3, 100, 60}, {2, 0, 100, 60}, {-2, 3, 100, 60}, {2, -3, 100, 60},
        {1, 7, 10, 60}, {61, 1, 100, 60}, {INT32_MAX, INT32_MAX, 100, 60}, {2, 2, 0, 0}};
    for (const auto& c : refused)
        EXPECT_FALSE(grid.DrawSplitLines(c.rows, c.cols, c.width, c.height)) << c.rows << " x " << c.cols;
    EXPECT_EQ(grid.m_colWidths, (Sizes{50, 50}));
    EXPECT_TRUE(grid.DrawSplitLines(1, 10, 10, 1));
}

TEST(SplitGrid, HitTestReachesThreePixelsAndPrefersColumns)
{
    CSplitGrid grid;
    ASSERT_TRUE(grid.DrawSplitLines(2, 3, 100, 60)); // column lines at 33 and 66, row line at 30
    EXPECT_TRUE(grid.HitTest(30, 5).m_bHit);
    EXPECT_FALSE(grid.HitTest(29, 5).m_bHit);
    EXPECT_EQ(grid.HitTest(67, 5).m_nLine, 1);
    const SGridLineHit crossing = grid.HitTest(33, 30);
    EXPECT_TRUE(crossing.m_bColumn);
    EXPECT_EQ(crossing.m_nLine, 0);
    EXPECT_FALSE(grid.HitTest(50, 32).m_bColumn);
    EXPECT_TRUE(grid.HitTest(50, 32).m_bHit);
    EXPECT_FALSE(grid.HitTest(100, 60).m_bHit); // the image edge carries no line
}

TEST(SplitGrid, DraggingKeepsEightPixelsOnEachSide)
{
    CSplitGrid grid;
    ASSERT_TRUE(grid.DrawSplitLines(2, 3, 100, 60));
    ASSERT_TRUE(grid.BeginDrag(65, 10));
    EXPECT_FALSE(grid.DragTo(40, 10)); // 7 pixels from the line before
    EXPECT_TRUE(grid.DragTo(41, 10));
    EXPECT_EQ(grid.m_colWidths, (Sizes{33, 8, 59}));
    EXPECT_FALSE(grid.DragTo(93, 0));
    EXPECT_TRUE(grid.DragTo(92, 0));
    EXPECT_EQ(grid.m_colWidths, (Sizes{33, 59, 8}));
    grid.EndDrag();
    EXPECT_FALSE(grid.DragTo(50, 0));
    EXPECT_FALSE(grid.BeginDrag(50, 50));
    EXPECT_FALSE(grid.MoveLine(true, 2, 95)); // the last boundary is the image edge
    EXPECT_TRUE(grid.MoveLine(false, 0, 52));
    EXPECT_EQ(grid.m_rowHeights, (Sizes{52, 8}));
}
} // namespace
