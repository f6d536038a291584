#include "ops/SheetLayout.h"

#include <algorithm>
#include <cstring>

namespace
{
// Spans of the given extents from the margin on, a gutter between neighbours.
std::vector<SSheetSpan> LaySpans(const std::vector<int64_t>& extents, int64_t margin, int64_t spacing)
{
    std::vector<SSheetSpan> spans;
    spans.reserve(extents.size());
    int64_t start = margin;
    for (int64_t extent : extents)
    {
        spans.push_back(SSheetSpan{start, extent});
        start += extent + spacing;
    }
    return spans;
}

// The pixel (x, y) of a picture w pixels wide.
uint8_t* PixelAt(uint8_t* pixels, int64_t width, uint32_t bytesPerPixel, int64_t x, int64_t y)
{
    return pixels + (size_t(y) * size_t(width) + size_t(x)) * bytesPerPixel;
}
} // namespace

int64_t SheetCellRoom(int64_t length, size_t count, int64_t margin, int64_t spacing)
{
    const int64_t gutters = count > 0 ? int64_t(count) - 1 : 0;
    return length - 2 * margin - gutters * spacing;
}

bool SheetSpansOfSizes(const std::vector<int32_t>& sizes, int64_t margin, int64_t spacing,
                       std::vector<SSheetSpan>& spans)
{
    spans.clear();
    if (sizes.empty())
        return true;
    if (margin < 0 || spacing < 0)
        return false;
    int64_t length = 0;
    for (int32_t size : sizes)
        length += size;
    const int64_t room = SheetCellRoom(length, sizes.size(), margin, spacing);
    if (length <= 0 || room < int64_t(sizes.size()))
        return false;
    std::vector<int64_t> extents;
    extents.reserve(sizes.size());
    int64_t before = 0, boundary = 0; // the grid's running sum and the room's boundary at it
    for (int32_t size : sizes)
    {
        before += size;
        // Both factors are at most a picture's side (16 bits), so the product cannot overflow.
        const int64_t next = before * room / length;
        if (next <= boundary)
            return false;
        extents.push_back(next - boundary);
        boundary = next;
    }
    spans = LaySpans(extents, margin, spacing);
    return true;
}

bool SheetSpansOfRatios(const std::vector<float>& ratios, int64_t length, int64_t margin, int64_t spacing,
                        std::vector<SSheetSpan>& spans)
{
    spans.clear();
    const int64_t room = SheetCellRoom(length, ratios.size(), margin, spacing);
    if (margin < 0 || spacing < 0 || room < 0)
        return false;
    std::vector<int64_t> extents;
    extents.reserve(ratios.size());
    int64_t used = 0;
    for (float ratio : ratios)
    {
        // In single precision as the ratios are held, so that plain grids cut where they always did.
        const int64_t extent = std::min(int64_t(float(room) * ratio), room - used);
        extents.push_back(extent);
        used += extent;
    }
    spans = LaySpans(extents, margin, spacing);
    return true;
}

std::vector<SGridCell> SheetCells(const std::vector<SSheetSpan>& rows, const std::vector<SSheetSpan>& cols)
{
    std::vector<SGridCell> cells;
    cells.reserve(rows.size() * cols.size());
    for (const SSheetSpan& row : rows)
        for (const SSheetSpan& col : cols)
            cells.push_back(SGridCell{col.m_nStart, row.m_nStart, int32_t(col.m_nLength), int32_t(row.m_nLength)});
    return cells;
}

bool OpaqueBounds(const uint8_t* pixels, int64_t width, int64_t height, SSheetRect& box)
{
    int64_t left = width, right = -1, top = height, bottom = -1;
    for (int64_t y = 0; y < height; ++y)
    {
        const uint8_t* alpha = pixels + size_t(y) * size_t(width) * 4 + 3;
        for (int64_t x = 0; x < width; ++x, alpha += 4)
            if (*alpha != 0)
            {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = y;
            }
    }
    if (right < 0)
        return false;
    box = SSheetRect{left, top, right - left + 1, bottom - top + 1};
    return true;
}

ESheetCut CutSheetPiece(const GX_IMAGE& source, const SGridCell& cell, const SSplitSheet& sheet,
                        CEngineImage& scratch, SSheetFrame& frame)
{
    const int32_t x = int32_t(cell.m_nX), y = int32_t(cell.m_nY);
    const auto cut = [&](int32_t left, int32_t top, int32_t w, int32_t h) {
        scratch.Bind();
        if (!gxTexImage(w, h, source.format))
            return false;
        scratch.Refresh();
        return gxCopyImageBuffer(source.id, t_RECT{left, top + h, left + w, top}, source.format, scratch.Buffer());
    };
    if (!cut(x, y, cell.m_nWidth, cell.m_nHeight))
        return ESheetCut::Failed;
    const std::string name = std::move(frame.m_strName);
    frame = WholeFrame(name, SSheetRect{x, y, cell.m_nWidth, cell.m_nHeight});
    if ((!sheet.m_bTrim && !sheet.m_bSkipEmpty) || source.bytesPerPixel != 4)
        return ESheetCut::Cut;

    SSheetRect box;
    if (!OpaqueBounds(scratch.Buffer(), cell.m_nWidth, cell.m_nHeight, box))
        return sheet.m_bSkipEmpty ? ESheetCut::Empty : ESheetCut::Cut;
    if (!sheet.m_bTrim || (box.m_nWidth == cell.m_nWidth && box.m_nHeight == cell.m_nHeight))
        return ESheetCut::Cut;
    if (!cut(x + int32_t(box.m_nX), y + int32_t(box.m_nY), int32_t(box.m_nWidth), int32_t(box.m_nHeight)))
        return ESheetCut::Failed;
    frame.m_frame = SSheetRect{x + box.m_nX, y + box.m_nY, box.m_nWidth, box.m_nHeight};
    frame.m_bTrimmed = true;
    frame.m_source = box;
    return ESheetCut::Cut;
}

SCombineLayout::SCombineLayout(int64_t tileWidth, int64_t tileHeight, int32_t rows, int32_t cols,
                               const SCombineSheet& sheet)
    : m_nTileWidth(tileWidth), m_nTileHeight(tileHeight), m_nRows(rows), m_nCols(cols), m_nPadding(sheet.m_nPadding),
      m_nMargin(sheet.m_nMargin), m_nExtrude(sheet.m_nExtrude)
{
}

int64_t SCombineLayout::Width() const
{
    return 2 * m_nMargin + m_nCols * (m_nTileWidth + 2 * m_nExtrude) + std::max<int64_t>(m_nCols - 1, 0) * m_nPadding;
}

int64_t SCombineLayout::Height() const
{
    return 2 * m_nMargin + m_nRows * (m_nTileHeight + 2 * m_nExtrude) + std::max<int64_t>(m_nRows - 1, 0) * m_nPadding;
}

int64_t SCombineLayout::TileX(int64_t c) const
{
    return m_nMargin + m_nExtrude + c * (m_nTileWidth + 2 * m_nExtrude + m_nPadding);
}

int64_t SCombineLayout::TileY(int64_t r) const
{
    return m_nMargin + m_nExtrude + r * (m_nTileHeight + 2 * m_nExtrude + m_nPadding);
}

void ExtrudeFrame(uint8_t* pixels, int64_t width, int64_t height, uint32_t bytesPerPixel, const SSheetRect& frame,
                  int64_t extrude)
{
    const int64_t x0 = frame.m_nX, y0 = frame.m_nY;
    const int64_t x1 = x0 + frame.m_nWidth - 1, y1 = y0 + frame.m_nHeight - 1;
    if (extrude <= 0 || frame.m_nWidth <= 0 || frame.m_nHeight <= 0 || x0 < 0 || y0 < 0 || x1 >= width ||
        y1 >= height)
        return;
    // Left and right of every row of the frame, then whole extended rows above and below.
    const int64_t left = std::max<int64_t>(x0 - extrude, 0), right = std::min<int64_t>(x1 + extrude, width - 1);
    for (int64_t y = y0; y <= y1; ++y)
    {
        for (int64_t x = left; x < x0; ++x)
            std::memcpy(PixelAt(pixels, width, bytesPerPixel, x, y), PixelAt(pixels, width, bytesPerPixel, x0, y),
                        bytesPerPixel);
        for (int64_t x = x1 + 1; x <= right; ++x)
            std::memcpy(PixelAt(pixels, width, bytesPerPixel, x, y), PixelAt(pixels, width, bytesPerPixel, x1, y),
                        bytesPerPixel);
    }
    const size_t rowBytes = size_t(right - left + 1) * bytesPerPixel;
    for (int64_t y = std::max<int64_t>(y0 - extrude, 0); y < y0; ++y)
        std::memcpy(PixelAt(pixels, width, bytesPerPixel, left, y), PixelAt(pixels, width, bytesPerPixel, left, y0),
                    rowBytes);
    for (int64_t y = y1 + 1; y <= std::min<int64_t>(y1 + extrude, height - 1); ++y)
        std::memcpy(PixelAt(pixels, width, bytesPerPixel, left, y), PixelAt(pixels, width, bytesPerPixel, left, y1),
                    rowBytes);
}

bool SheetPictureKeepsAlpha(const GX_IMAGE& picture, const std::string& path)
{
    return picture.bytesPerPixel == 4 && gxTypeKeepsAlpha(path.c_str());
}
