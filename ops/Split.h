#pragma once
// Image split: the working image is cut along the split grid and every cell is written as a
// numbered picture in the working image's pixel format.

#include "ops/OperationInputs.h"
#include "ops/SplitGrid.h"

#include <cstdint>
#include <string>

class CWorkingImage;

struct SplitResult
{
    int64_t m_nWritten = 0;
    int64_t m_nFailed = 0;
    std::string m_strFirstFailed; // the name of the first cell that was not written
};

// "Draw Split Line": checks the counts and lays an even grid over the working image. Shows the
// invalid-grid message when the counts make no grid of cells at least one pixel wide and high.
// Returns true when the grid changed (the view redraws then).
bool DrawSplitLineCommand(int32_t rows, int32_t cols, const CWorkingImage& image, CSplitGrid& grid);

// Writes every cell of the grid, in row order, as the names of fromNumber, fromNumber + 1, ...
// Without a working image nothing is written.
SplitResult SplitImage(int32_t fromNumber, const CSequencePattern& pattern, const CWorkingImage& image,
                       const CSplitGrid& grid);

// "Split it!": output folder, title and type from the Output Settings panel with the splitter's
// template and from number, all in inputs.m_output; the cells are those of the view's grid (the
// fractions of the inputs are not used).
void SplitCommand(const SplitInputs& inputs, const CWorkingImage& image, const CSplitGrid& grid);
