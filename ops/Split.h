#pragma once
// Image split: the working image is cut along the split grid and every cell is written as a
// numbered picture in the working image's pixel format.

#include "ops/CellWorkers.h"
#include "ops/OperationInputs.h"
#include "ops/SheetData.h"
#include "ops/SplitGrid.h"

#include <cstdint>
#include <string>

class CWorkingImage;

struct SplitResult
{
    bool m_bNoRoom = false; // the margin and gutters leave a cell no pixel: nothing written
    int64_t m_nWritten = 0;
    int64_t m_nFailed = 0;
    int64_t m_nEmpty = 0;         // cells left out as fully transparent (their numbers are used)
    std::string m_strFirstFailed; // the name of the first cell that was not written
    SSheetDescription m_sheet;    // every piece written, and the picture it was cut from
};

// "Draw Split Line": checks the counts and lays an even grid over the working image. Shows the
// invalid-grid message when the counts make no grid of cells at least one pixel wide and high.
// Returns true when the grid changed (the view redraws then).
bool DrawSplitLineCommand(int32_t rows, int32_t cols, const CWorkingImage& image, CSplitGrid& grid);

// Writes every cell of the grid, in row order, as the names of fromNumber, fromNumber + 1, ...
// Without a working image nothing is written. The sheet settings place the cells within the
// grid's margin and gutters and trim or leave out transparent pieces (SheetLayout.h). A cell that
// fails does not stop the others. The cells are cut here and encoded on `workers` threads
// (kEveryCore: one per core); files, notes, progress and result are those of one worker.
SplitResult SplitImage(int32_t fromNumber, const CSequencePattern& pattern, const CWorkingImage& image,
                       const CSplitGrid& grid, const SSplitSheet& sheet = {}, int32_t workers = kEveryCore);

// Save Config of the split: the grid laid on the view, when it has the inputs' counts, replaces
// their even fractions with its cells' shares of the room the sheet's margin and gutters leave, so
// that a batch cuts the very pixels "Split it!" cuts from a picture of this size (and the same
// shares from others). False, with the inputs as they were, for an empty grid, other counts or no
// room.
bool RecordSplitGrid(const CSplitGrid& grid, SplitInputs& inputs);

// "Split it!": output folder, title and type from the Output Settings panel with the splitter's
// template and from number, all in inputs.m_output; the cells are those of the view's grid (the
// fractions of the inputs are not used). With a data format the data file <title>.json goes
// beside the pieces, describing them as frames of the picture they were cut from. The cells are
// encoded on `workers` threads, as SplitImage says.
void SplitCommand(const SplitInputs& inputs, const CWorkingImage& image, const CSplitGrid& grid,
                  int32_t workers = kEveryCore);
