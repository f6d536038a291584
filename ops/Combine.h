#pragma once
// Sequence combine: a numbered sequence of pictures from a folder becomes one grid picture of
// rows x columns, each cell the size of the first picture, written without alpha.

#include "ops/EngineImage.h"
#include "ops/OperationInputs.h"

#include <cstdint>
#include <functional>
#include <string>

struct PrepareResult
{
    bool m_bReady = false; // the combine button may be enabled
    std::string m_strHint; // the text for the combiner's hint line
};

// "Prepare": checks the inputs and describes what would be combined.
PrepareResult PrepareCombine(const CombineInputs& inputs);

// Where making a grid picture stopped.
enum class EGridResult
{
    Made,
    FirstMissing, // the first picture does not load: nothing made
    NoCells,      // rows or columns below 1
    TooLarge,     // the grid picture would pass the engine's size limits
};

// Makes result the grid picture of rows x cols cells of the sequence named by pattern from
// fromNumber on, in GL_BGR, and leaves it bound: every cell the size of the first picture, each
// picture at its own size at the top-left corner of its cell, in order, so that a larger picture
// reaches into the cells after it and past the edge nothing is written. Cells whose picture does
// not load stay as new storage (black); the numbering goes on. tried(number, placed) is called for
// each number tried, the first included. Shared by the combine command and the batch.
EGridResult ComposeGrid(int32_t rows, int32_t cols, int32_t fromNumber, const CSequencePattern& pattern,
                        CEngineImage& result, const std::function<void(int64_t number, bool placed)>& tried);

enum class ECombineResult
{
    Written,
    FirstMissing, // the first picture does not load: nothing written
    NoCells,
    TooLarge,
    WriteFailed,
};

// Makes the grid picture and writes it to outPath.
ECombineResult CombineSequence(int32_t rows, int32_t cols, int32_t fromNumber, const CSequencePattern& pattern,
                               const std::string& outPath);

// "Combine it!": checks the inputs and the output settings, combines and reports.
void CombineCommand(const CombineInputs& inputs);
