#include "ops/SplitGrid.h"

#include <gtest/gtest.h>

namespace mosvane::test
{
namespace
{
using Sizes = std::vector<int32_t>;

TEST(SplitGrid, EvenGridGivesTheRemainderToTheLastCell)
{
    const struct { int32_t rows, cols; uint32_t width, height; Sizes widths, heights; } cases[] = {
        {2, 3, 100, 60, {33, 33, 34}, {30, 30}},
        {1, 4, 65, 64, {17, 17, 17, 14}, {64}}, // powers of two round up
        {6, 1, 7, 100, {7}, {17, 17, 17, 17, 17, 15}},
        {1, 10, 10, 1, Sizes(10, 1), {1}}};
    CSplitGrid grid;
    for (const auto& c : cases)
    {
        ASSERT_TRUE(grid.DrawSplitLines(c.rows, c.cols, c.width, c.height)) << c.rows << " x " << c.cols;
        EXPECT_EQ(grid.m_colWidths, c.widths);
        EXPECT_EQ(grid.m_rowHeights, c.heights);
    }
    // Refused: width 10 leaves nothing for a seventh column; absurd counts allocate nothing.
    const struct { int32_t rows, cols; uint32_t width, height; } refused[] = {
        {1, 1, 100, 60}, {0, 3, 100, 60}, {2, 0, 100, 60}, {-2, 3, 100, 60}, {2, -3, 100, 60},
        {1, 7, 10, 60}, {61, 1, 100, 60}, {INT32_MAX, INT32_MAX, 100, 60}, {2, 2, 0, 0}};
    for (const auto& c : refused)
        EXPECT_FALSE(grid.DrawSplitLines(c.rows, c.cols, c.width, c.height)) << c.rows << " x " << c.cols;
    EXPECT_EQ(grid.m_colWidths, Sizes(10, 1)); // the grid stays as it was
}

TEST(SplitGrid, LinesAreGrabbedWithinThreePixelsAndKeepEightOnEachSide)
{
    CSplitGrid grid;
    ASSERT_TRUE(grid.DrawSplitLines(2, 3, 100, 60)); // column lines at 33 and 66, row line at 30
    EXPECT_FALSE(grid.HitTest(29, 5).m_bHit);
    ASSERT_TRUE(grid.BeginDrag(50, 33)); // three pixels below the row line
    EXPECT_FALSE(grid.DragTo(0, 53));    // 7 pixels from the edge
    EXPECT_TRUE(grid.DragTo(0, 52));
    EXPECT_EQ(grid.m_rowHeights, (Sizes{52, 8}));
}
} // namespace
} // namespace mosvane::test
