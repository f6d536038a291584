#include "ops/SplitGrid.h"

#include <algorithm>
#include <cmath>

namespace
{
// The even division of length into count parts; false when a part would be below one pixel.
// Checked before anything is allocated, so huge counts cost nothing.
bool EvenParts(uint32_t length, uint32_t count, std::vector<int32_t>& parts)
{
    if (count == 0)
        return false;
    const uint32_t part = (((length - 1u) & ~(count - 1u)) + count) / count;
    const uint64_t before = uint64_t(count - 1u) * part;
    if (part == 0 || before >= length)
        return false;
    parts.assign(count, int32_t(part));
    parts.back() = int32_t(length - before);
    return true;
}

std::vector<int64_t> Boundaries(const std::vector<int32_t>& sizes)
{
    std::vector<int64_t> lines;
    int64_t sum = 0;
    for (size_t k = 0; k + 1 < sizes.size(); ++k)
        lines.push_back(sum += sizes[k]);
    return lines;
}

// The first of the lines within reach of pos, or -1.
int32_t LineWithinReach(const std::vector<int64_t>& lines, double pos, double reach)
{
    for (size_t k = 0; k < lines.size(); ++k)
        if (std::fabs(pos - double(lines[k])) < reach)
            return int32_t(k);
    return -1;
}
} // namespace

bool CSplitGrid::CountsAllowed(int32_t rows, int32_t cols)
{
    return rows > 0 && cols > 0 && !(rows == 1 && cols == 1);
}

bool CSplitGrid::DrawSplitLines(int32_t rows, int32_t cols, uint32_t width, uint32_t height)
{
    std::vector<int32_t> widths, heights;
    if (!CountsAllowed(rows, cols) || !EvenParts(width, uint32_t(cols), widths) ||
        !EvenParts(height, uint32_t(rows), heights))
        return false;
    m_colWidths = std::move(widths);
    m_rowHeights = std::move(heights);
    m_bDragging = false;
    return true;
}

void CSplitGrid::Clear()
{
    m_colWidths.clear();
    m_rowHeights.clear();
    m_bDragging = false;
}

std::vector<int64_t> CSplitGrid::ColumnLines() const
{
    return Boundaries(m_colWidths);
}

std::vector<int64_t> CSplitGrid::RowLines() const
{
    return Boundaries(m_rowHeights);
}

std::vector<SGridCell> CSplitGrid::Cells() const
{
    std::vector<SGridCell> cells;
    cells.reserve(m_rowHeights.size() * m_colWidths.size());
    int64_t y = 0;
    for (int32_t h : m_rowHeights)
    {
        int64_t x = 0;
        for (int32_t w : m_colWidths)
        {
            cells.push_back(SGridCell{x, y, w, h});
            x += w;
        }
        y += h;
    }
    return cells;
}

SGridLineHit CSplitGrid::HitTest(double x, double y, double reach) const
{
    if (const int32_t k = LineWithinReach(ColumnLines(), x, reach); k >= 0)
        return SGridLineHit{true, k, true};
    if (const int32_t k = LineWithinReach(RowLines(), y, reach); k >= 0)
        return SGridLineHit{true, k, false};
    return SGridLineHit{};
}

int64_t CSplitGrid::LinePosition(bool bColumn, int32_t k) const
{
    const std::vector<int32_t>& sizes = bColumn ? m_colWidths : m_rowHeights;
    if (k < 0 || size_t(k) + 1 >= sizes.size())
        return -1;
    int64_t position = 0;
    for (int32_t i = 0; i <= k; ++i)
        position += sizes[size_t(i)];
    return position;
}

bool CSplitGrid::MoveLine(bool bColumn, int32_t k, int64_t p)
{
    std::vector<int32_t>& sizes = bColumn ? m_colWidths : m_rowHeights;
    if (k < 0 || size_t(k) + 1 >= sizes.size())
        return false;
    int64_t start = 0;
    for (int32_t i = 0; i < k; ++i)
        start += sizes[size_t(i)];
    const int64_t end = start + sizes[size_t(k)] + sizes[size_t(k) + 1];
    if (p - start < kMinCell || end - p < kMinCell)
        return false;
    sizes[size_t(k)] = int32_t(p - start);
    sizes[size_t(k) + 1] = int32_t(end - p);
    return true;
}

bool CSplitGrid::NudgeLine(bool bColumn, int32_t k, int64_t delta)
{
    const int64_t at = LinePosition(bColumn, k);
    if (at < 0 || delta == 0)
        return false;
    const std::vector<int32_t>& sizes = bColumn ? m_colWidths : m_rowHeights;
    // The line may go from kMinCell past its left neighbour's start to kMinCell before its right
    // neighbour's end.
    const int64_t lowest = at - sizes[size_t(k)] + kMinCell;
    const int64_t highest = at + sizes[size_t(k) + 1] - kMinCell;
    const int64_t target = std::clamp(at + delta, std::min(lowest, at), std::max(highest, at));
    return target != at && MoveLine(bColumn, k, target);
}

bool CSplitGrid::BeginDrag(double x, double y, double reach)
{
    const SGridLineHit hit = HitTest(x, y, reach);
    if (!hit.m_bHit)
        return false;
    m_bDragging = true;
    m_nDragLine = hit.m_nLine;
    m_bDragColumn = hit.m_bColumn;
    return true;
}

bool CSplitGrid::DragTo(int64_t x, int64_t y)
{
    return m_bDragging && MoveLine(m_bDragColumn, m_nDragLine, m_bDragColumn ? x : y);
}
