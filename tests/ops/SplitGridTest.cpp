#include "ops/SplitGrid.h"

#include <gtest/gtest.h>

#include <numeric>

namespace
{
using Sizes = std::vector<int32_t>;

TEST(SplitGrid, EvenGridGivesTheRemainderToTheLastCell)
{
    CSplitGrid grid;
    ASSERT_TRUE(grid.DrawSplitLines(2, 3, 100, 60));
    EXPECT_EQ(grid.m_colWidths, (Sizes{33, 33, 34}));
    EXPECT_EQ(grid.m_rowHeights, (Sizes{30, 30}));

    ASSERT_TRUE(grid.DrawSplitLines(1, 4, 64, 64));
    EXPECT_EQ(grid.m_colWidths, (Sizes{16, 16, 16, 16}));
    EXPECT_EQ(grid.m_rowHeights, (Sizes{64}));

    // The width formula rounds up for powers of two and lies between floor and ceiling otherwise.
    ASSERT_TRUE(grid.DrawSplitLines(1, 4, 65, 3));
    EXPECT_EQ(grid.m_colWidths, (Sizes{17, 17, 17, 14}));
    ASSERT_TRUE(grid.DrawSplitLines(6, 1, 7, 100));
    EXPECT_EQ(grid.m_rowHeights, (Sizes{17, 17, 17, 17, 17, 15}));
}

TEST(SplitGrid, RefusesCountsThatMakeNoProperGrid)
{
    CSplitGrid grid;
    ASSERT_TRUE(grid.DrawSplitLines(1, 2, 100, 60));
    const Sizes widths = grid.m_colWidths, heights = grid.m_rowHeights;

    EXPECT_FALSE(grid.DrawSplitLines(1, 1, 100, 60));
    EXPECT_FALSE(grid.DrawSplitLines(0, 3, 100, 60));
    EXPECT_FALSE(grid.DrawSplitLines(2, 0, 100, 60));
    EXPECT_FALSE(grid.DrawSplitLines(-2, 3, 100, 60));
    EXPECT_FALSE(grid.DrawSplitLines(2, -3, 100, 60));
    // Width 10 in 7 columns: six columns of 2 leave nothing for the seventh.
    EXPECT_FALSE(grid.DrawSplitLines(1, 7, 10, 60));
    EXPECT_FALSE(grid.DrawSplitLines(61, 1, 100, 60));
    // Absurd counts are refused before any list is made.
    EXPECT_FALSE(grid.DrawSplitLines(INT32_MAX, INT32_MAX, 100, 60));
    EXPECT_FALSE(grid.DrawSplitLines(2, 2, 0, 0));
    EXPECT_EQ(grid.m_colWidths, widths);
    EXPECT_EQ(grid.m_rowHeights, heights);

    EXPECT_TRUE(grid.DrawSplitLines(1, 10, 10, 1));
    EXPECT_EQ(grid.m_colWidths, Sizes(10, 1));
    EXPECT_TRUE(CSplitGrid::CountsAllowed(1, 2));
    EXPECT_FALSE(CSplitGrid::CountsAllowed(1, 1));
}

TEST(SplitGrid, CellsComeInRowOrder)
{
    CSplitGrid grid;
    ASSERT_TRUE(grid.DrawSplitLines(2, 3, 100, 60));
    const std::vector<SGridCell> cells = grid.Cells();
    ASSERT_EQ(cells.size(), 6u);
    EXPECT_EQ(cells[2].m_nX, 66);
    EXPECT_EQ(cells[2].m_nY, 0);
    EXPECT_EQ(cells[2].m_nWidth, 34);
    EXPECT_EQ(cells[3].m_nX, 0);
    EXPECT_EQ(cells[3].m_nY, 30);
    EXPECT_EQ(grid.ColumnLines(), (std::vector<int64_t>{33, 66}));
    EXPECT_EQ(grid.RowLines(), (std::vector<int64_t>{30}));
    grid.Clear();
    EXPECT_TRUE(grid.Cells().empty());
    EXPECT_TRUE(grid.Empty());
}

TEST(SplitGrid, HitTestReachesThreePixelsAndPrefersColumns)
{
    CSplitGrid grid;
    ASSERT_TRUE(grid.DrawSplitLines(2, 3, 100, 60)); // column lines at 33 and 66, row line at 30
    EXPECT_TRUE(grid.HitTest(30, 5).m_bHit);
    EXPECT_FALSE(grid.HitTest(29, 5).m_bHit);
    EXPECT_TRUE(grid.HitTest(36, 5).m_bHit);
    EXPECT_FALSE(grid.HitTest(37, 5).m_bHit);
    const SGridLineHit second = grid.HitTest(67, 5);
    EXPECT_TRUE(second.m_bHit && second.m_bColumn);
    EXPECT_EQ(second.m_nLine, 1);

    const SGridLineHit crossing = grid.HitTest(33, 30);
    EXPECT_TRUE(crossing.m_bColumn);
    EXPECT_EQ(crossing.m_nLine, 0);
    const SGridLineHit row = grid.HitTest(50, 32);
    EXPECT_TRUE(row.m_bHit);
    EXPECT_FALSE(row.m_bColumn);
    // The image edge (the last running sum) carries no line.
    EXPECT_FALSE(grid.HitTest(100, 59).m_bHit);
}

TEST(SplitGrid, DraggingKeepsEightPixelsOnEachSide)
{
    CSplitGrid grid;
    ASSERT_TRUE(grid.DrawSplitLines(2, 3, 100, 60));
    ASSERT_TRUE(grid.BeginDrag(65, 10)); // second column line
    EXPECT_TRUE(grid.m_bDragColumn);
    EXPECT_EQ(grid.m_nDragLine, 1);

    EXPECT_FALSE(grid.DragTo(40, 10)); // 7 pixels from the line before
    EXPECT_EQ(grid.m_colWidths, (Sizes{33, 33, 34}));
    EXPECT_TRUE(grid.DragTo(41, 10));
    EXPECT_EQ(grid.m_colWidths, (Sizes{33, 8, 59}));
    EXPECT_FALSE(grid.DragTo(93, 0));
    EXPECT_TRUE(grid.DragTo(92, 0));
    EXPECT_EQ(grid.m_colWidths, (Sizes{33, 59, 8}));
    EXPECT_EQ(std::accumulate(grid.m_colWidths.begin(), grid.m_colWidths.end(), 0), 100);
    grid.EndDrag();
    EXPECT_FALSE(grid.DragTo(50, 0));

    EXPECT_FALSE(grid.BeginDrag(50, 50));
    EXPECT_FALSE(grid.MoveLine(true, 2, 95)); // the last boundary is the image edge
    EXPECT_FALSE(grid.MoveLine(false, -1, 10));
    EXPECT_TRUE(grid.MoveLine(false, 0, 52));
    EXPECT_EQ(grid.m_rowHeights, (Sizes{52, 8}));
}
} // namespace
