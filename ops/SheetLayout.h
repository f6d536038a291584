#pragma once
// The geometry of sprite sheets, one implementation for the interactive split and combine and for
// their batch executors:
// - a split sheet's cells along one side: a margin before the first cell and after the last, a
//   gutter between neighbours, the cells sharing the rest;
// - a split piece cut out of its picture, trimmed to the pixels that are not fully transparent or
//   left out when it has none;
// - a combined sheet's cells: a margin around the sheet, padding between cells, and each frame's
//   border repeated outward ("extruded") into a band of its own around the frame.
// With every setting 0 the geometry is the plain grid the operations have always cut and joined.

#include "ops/EngineImage.h"
#include "ops/OperationInputs.h"
#include "ops/SheetData.h"
#include "ops/SplitGrid.h"

#include <cstdint>
#include <string>
#include <vector>

// One side of a split sheet: where a cell starts and how long it is, in pixels of the picture.
struct SSheetSpan
{
    int64_t m_nStart = 0;
    int64_t m_nLength = 0;
};

// The length the count cells of a side share: length less twice the margin and count - 1 gutters.
// Negative when margin and gutters alone do not fit.
int64_t SheetCellRoom(int64_t length, size_t count, int64_t margin, int64_t spacing);

// The interactive split: sizes are the grid's cells along a side (the view's lines, dragged or
// not), adding up to the picture's length. Each boundary keeps its place as a fraction of the
// room, rounded down, so that without margin and gutters the cells are the grid's own. False when
// a cell would get no pixel.
bool SheetSpansOfSizes(const std::vector<int32_t>& sizes, int64_t margin, int64_t spacing,
                       std::vector<SSheetSpan>& spans);

// The batch split: each cell is its ratio of the room, truncated toward zero, and cut back where
// the cells would pass the room; a cell may get no pixel. False when the room is negative.
bool SheetSpansOfRatios(const std::vector<float>& ratios, int64_t length, int64_t margin, int64_t spacing,
                        std::vector<SSheetSpan>& spans);

// The cells of rows x columns spans in row order: rows top to bottom, each row left to right.
std::vector<SGridCell> SheetCells(const std::vector<SSheetSpan>& rows, const std::vector<SSheetSpan>& cols);

// The bounding box of the pixels whose alpha is not 0 in a w x h block of 4-byte pixels, alpha
// last. False when every pixel is fully transparent.
bool OpaqueBounds(const uint8_t* pixels, int64_t width, int64_t height, SSheetRect& box);

enum class ESheetCut
{
    Cut,    // scratch holds the piece, bound
    Empty,  // skip empty: every pixel fully transparent, nothing to write
    Failed, // the engine refused the piece
};

// Cuts a cell of the source image into scratch (left bound), in the source's pixel format. With
// m_bTrim the piece is cut to the bounding box of its pixels that are not fully transparent
// (a piece without any stays whole, untrimmed); with m_bSkipEmpty such a piece is not cut at all.
// Pictures without alpha are never trimmed or empty. frame receives the piece's rectangle in the
// source picture and where it lies in its cell; its name is left to the caller.
ESheetCut CutSheetPiece(const GX_IMAGE& source, const SGridCell& cell, const SSplitSheet& sheet,
                        CEngineImage& scratch, SSheetFrame& frame);

// Where the cells of a combined sheet go: tiles of the first picture's size, each with a band of
// `extrude` pixels around it, `padding` pixels between the bands and `margin` pixels around all.
struct SCombineLayout
{
    int64_t m_nTileWidth = 0, m_nTileHeight = 0;
    int64_t m_nRows = 0, m_nCols = 0;
    int64_t m_nPadding = 0, m_nMargin = 0, m_nExtrude = 0;

    SCombineLayout(int64_t tileWidth, int64_t tileHeight, int32_t rows, int32_t cols, const SCombineSheet& sheet);
    // Any of padding, margin and extrusion set: pictures are then kept within their tiles.
    bool Spaced() const { return m_nPadding != 0 || m_nMargin != 0 || m_nExtrude != 0; }
    int64_t Width() const;
    int64_t Height() const;
    // The first pixel of the tile of column c, row r.
    int64_t TileX(int64_t c) const;
    int64_t TileY(int64_t r) const;
};

// Repeats the border pixels of frame outward by `extrude` pixels on every side (corners take the
// corner pixel), within a width x height picture of bytesPerPixel bytes per pixel.
void ExtrudeFrame(uint8_t* pixels, int64_t width, int64_t height, uint32_t bytesPerPixel, const SSheetRect& frame,
                  int64_t extrude);

// The meta "format" of a sheet picture: alpha when its pixels have it and the file type keeps it.
bool SheetPictureKeepsAlpha(const GX_IMAGE& picture, const std::string& path);
