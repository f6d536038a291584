#pragma once
// Sequence combine: a numbered sequence of pictures from a folder becomes one grid picture of
// rows x columns, each cell the size of the first picture, written without alpha.

#include "ops/OperationInputs.h"

#include <cstdint>
#include <string>

struct PrepareResult
{
    bool m_bReady = false; // the combine button may be enabled
    std::string m_strHint; // the text for the combiner's hint line
};

// "Prepare": checks the inputs and describes what would be combined.
PrepareResult PrepareCombine(const CombineInputs& inputs);

enum class ECombineResult
{
    Written,
    FirstMissing, // the first picture does not load: nothing written
    TooLarge,     // the grid picture would pass the engine's size limits
    WriteFailed,
};

// Loads the pictures named by pattern from fromNumber on and writes the grid picture to outPath.
// Cells whose picture does not load stay as new storage (black); the numbering goes on.
ECombineResult CombineSequence(int32_t rows, int32_t cols, int32_t fromNumber, const CSequencePattern& pattern,
                               const std::string& outPath);

// "Combine it!": checks the inputs and the output settings, combines and reports.
void CombineCommand(const CombineInputs& inputs);
