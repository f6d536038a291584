#pragma once
// The split grid laid over the working image: column widths and row heights in image pixels,
// with a split line at every running sum but the last. The view owns one, draws its lines, and
// feeds it pointer positions in image pixels (scroll and zoom already applied; fractions where the
// pointer lies inside a magnified pixel) to drag single lines.

#include <cstdint>
#include <vector>

struct SGridCell
{
    int64_t m_nX;
    int64_t m_nY;
    int32_t m_nWidth;
    int32_t m_nHeight;
};

struct SGridLineHit
{
    bool m_bHit = false;
    int32_t m_nLine = 0;     // boundary between cell m_nLine and cell m_nLine + 1
    bool m_bColumn = false;  // a vertical line (column boundary)
};

class CSplitGrid
{
public:
    // A split line is grabbed within this distance (exclusive) of the pointer, in pointer pixels:
    // at 100% on a screen of one device pixel per pointer pixel, the image pixels 3 either side.
    static constexpr int64_t kLineReach = 4;
    // Dragging keeps both neighbouring cells at least this size.
    static constexpr int64_t kMinCell = 8;

    // Counts a grid may be asked for: both positive and not both 1.
    static bool CountsAllowed(int32_t rows, int32_t cols);

    // Lays an even grid over a width x height image: every column but the last is
    // (((width - 1) AND NOT (cols - 1)) + cols) / cols wide (unsigned 32-bit), the last takes the
    // remainder; rows likewise. Fails, leaving the grid as it was, when the counts are not allowed
    // or a cell would be narrower or lower than one pixel.
    bool DrawSplitLines(int32_t rows, int32_t cols, uint32_t width, uint32_t height);
    void Clear();
    bool Empty() const { return m_colWidths.empty() || m_rowHeights.empty(); }

    // Positions of the split lines (running sums without the last).
    std::vector<int64_t> ColumnLines() const;
    std::vector<int64_t> RowLines() const;
    // Every cell in row order: rows top to bottom, each row left to right.
    std::vector<SGridCell> Cells() const;

    // The line within reach (exclusive, in image pixels) of an image point: column lines first,
    // the first in order wins.
    SGridLineHit HitTest(double x, double y, double reach = double(kLineReach)) const;
    // Where line k lies (the sum of the sizes before it); -1 when there is no such line.
    int64_t LinePosition(bool bColumn, int32_t k) const;
    // Moves line k to position p when both neighbouring cells keep kMinCell pixels.
    bool MoveLine(bool bColumn, int32_t k, int64_t p);
    // Moves line k by delta pixels, or as far towards that as both neighbours keep kMinCell
    // pixels; false when it cannot move at all that way.
    bool NudgeLine(bool bColumn, int32_t k, int64_t delta);

    // Mouse dragging: press over a line, move, release.
    bool BeginDrag(double x, double y, double reach = double(kLineReach));
    bool DragTo(int64_t x, int64_t y);
    void EndDrag() { m_bDragging = false; }

    std::vector<int32_t> m_colWidths;
    std::vector<int32_t> m_rowHeights;
    bool m_bDragging = false;
    int32_t m_nDragLine = 0;
    bool m_bDragColumn = false;
};
