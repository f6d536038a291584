#pragma once
// Sequence combine: a numbered sequence of pictures from a folder becomes one grid picture of
// rows x columns, each cell the size of the first picture, written without alpha.

#include "ops/CellWorkers.h"
#include "ops/EngineImage.h"
#include "ops/OperationInputs.h"
#include "ops/SheetData.h"

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
//
// The sheet settings: with keep alpha the picture is GL_BGRA when any picture placed has alpha
// (what no picture covers is then transparent); with padding, margin or extrusion the cells are
// laid as SCombineLayout says, each picture kept within its cell, and every frame's border is
// extruded. frames, when given, receives a frame per picture placed, named after its file: its
// rectangle in the grid picture, within its cell.
//
// The pictures after the first are read and decoded on `workers` threads (kEveryCore: one per
// core) and placed here in number order, so that the picture, tried and the record of the last
// failure are those of one worker. The batch, which spreads its items over processes, keeps one.
EGridResult ComposeGrid(int32_t rows, int32_t cols, int32_t fromNumber, const CSequencePattern& pattern,
                        CEngineImage& result, const std::function<void(int64_t number, bool placed)>& tried,
                        const SCombineSheet& sheet = {}, std::vector<SSheetFrame>* frames = nullptr,
                        int32_t workers = 1);

enum class ECombineResult
{
    Written,
    FirstMissing, // the first picture does not load: nothing written
    NoCells,
    TooLarge,
    WriteFailed,
    DataFailed, // the picture was written, its data file not
};

// Makes the grid picture and writes it to outPath; with a data format, its data file goes to
// dataPath, describing the frames and naming the picture after outPath's file name, the animation
// after `title`; when it is not written, pstrDataReason gets why. The pictures are decoded on
// `workers` threads, as ComposeGrid says.
ECombineResult CombineSequence(int32_t rows, int32_t cols, int32_t fromNumber, const CSequencePattern& pattern,
                               const std::string& outPath, const SCombineSheet& sheet = {},
                               const std::string& dataPath = "", const std::string& title = "",
                               std::string* pstrDataReason = nullptr, int32_t workers = kEveryCore);

// The data of a grid picture that ComposeGrid left bound, about to be written to outPath.
SSheetDescription CombinedSheet(const CEngineImage& result, std::vector<SSheetFrame> frames, const std::string& outPath,
                                const std::string& title);

// "Combine it!": checks the inputs and the output settings, combines and reports.
void CombineCommand(const CombineInputs& inputs, int32_t workers = kEveryCore);
