#include "ops/Split.h"

#include "engine/ImageFiles.h"
#include "image/WorkingImage.h"
#include "ops/CellWorkers.h"
#include "ops/EngineImage.h"
#include "ops/MainFrame.h"
#include "ops/MessageBox.h"
#include "ops/SheetLayout.h"
#include "ops/WaitCursor.h"
#include "ops/WriteGuard.h"

#include <algorithm>
#include <cmath>

namespace
{
void ShowInvalidGrid()
{
    ShowFrameMessage("Invalid split row or column value found!\nPlease correct it first to continue!", "OK",
                     EMessageIcon::Exclamation);
}
// Every file a split may write: a piece per cell, and the data file when one is asked for.
std::vector<std::string> SplitTargets(const SplitInputs& inputs, const CSplitGrid& grid, const CSequencePattern& pattern,
                                      const std::string& dataPath)
{
    std::vector<std::string> targets;
    const int64_t cells = int64_t(grid.m_rowHeights.size()) * int64_t(grid.m_colWidths.size());
    for (int64_t i = 0; i < cells; ++i)
        targets.push_back(pattern.NameOf(inputs.m_output.m_nFromNumber + i));
    if (inputs.m_sheet.m_eData != ESheetData::None)
        targets.push_back(dataPath);
    return targets;
}
} // namespace

bool DrawSplitLineCommand(int32_t rows, int32_t cols, const CWorkingImage& image, CSplitGrid& grid)
{
    if (!CSplitGrid::CountsAllowed(rows, cols))
    {
        ShowInvalidGrid();
        return false;
    }
    if (image.m_gxImg.id == 0)
        return false;
    if (!grid.DrawSplitLines(rows, cols, image.m_gxImg.width, image.m_gxImg.height))
    {
        ShowInvalidGrid();
        return false;
    }
    return true;
}

namespace
{
// A batch stores each ratio with six decimals and cuts the whole pixels below side * ratio, in
// single precision. The exact share would come back a pixel short whenever its decimals round
// down, so each share is stored one to two millionths above it: more than the float rounding
// takes away, and less than a pixel on any side up to 65535 pixels (2e-6 * 65535 < 0.14).
std::vector<float> RecordedShares(const std::vector<SSheetSpan>& spans)
{
    constexpr double kLastDecimal = 1e-6;
    int64_t room = 0;
    for (const SSheetSpan& span : spans)
        room += span.m_nLength;
    std::vector<float> shares;
    shares.reserve(spans.size());
    for (const SSheetSpan& span : spans)
        shares.push_back(float((std::floor(double(span.m_nLength) / double(room) / kLastDecimal) + 2) * kLastDecimal));
    return shares;
}
} // namespace

bool RecordSplitGrid(const CSplitGrid& grid, SplitInputs& inputs)
{
    std::vector<SSheetSpan> rows, cols;
    if (grid.Empty() || grid.m_rowHeights.size() != inputs.m_rowFractions.size() ||
        grid.m_colWidths.size() != inputs.m_colFractions.size() ||
        !SheetSpansOfSizes(grid.m_rowHeights, inputs.m_sheet.m_nMargin, inputs.m_sheet.m_nSpacing, rows) ||
        !SheetSpansOfSizes(grid.m_colWidths, inputs.m_sheet.m_nMargin, inputs.m_sheet.m_nSpacing, cols))
        return false;
    inputs.m_rowFractions = RecordedShares(rows);
    inputs.m_colFractions = RecordedShares(cols);
    return true;
}

namespace
{
// One cell on its way: cut on the engine's thread, encoded and written by a worker, reported on the
// engine's thread again.
struct SSplitJob
{
    std::string m_strName;
    SSheetFrame m_frame;
    ESheetCut m_eCut = ESheetCut::Failed;
    gx::CBitmap m_piece;
    gx::ECodecError m_eWritten = gx::ECodecError::OutOfMemory; // until the worker says otherwise
    std::string m_strReason;
};

void MakeSplitJob(const GX_IMAGE& source, const SGridCell& cell, const SSplitSheet& sheet, CEngineImage& scratch,
                  SSplitJob& job)
{
    job.m_frame = SSheetFrame{FileNameOf(job.m_strName)};
    job.m_eWritten = gx::ECodecError::OutOfMemory;
    job.m_strReason.clear();
    job.m_eCut = CutSheetPiece(source, cell, sheet, scratch, job.m_frame);
    // The piece's pixels go with the job; the scratch image gets the last job's emptied storage.
    if (job.m_eCut == ESheetCut::Cut && !gx::SwapImagePixels(scratch.Id(), job.m_piece))
        job.m_eCut = ESheetCut::Failed;
}

void WriteSplitJob(SSplitJob& job)
{
    if (job.m_eCut != ESheetCut::Cut)
        return;
    job.m_eWritten = gx::WriteImageFile(job.m_piece, job.m_strName.c_str(), job.m_strReason);
    job.m_piece.Clear();
}

// Counts the cell in the result, in cell order; the record of the last failure and the written
// files' notes are those of saving the cells one after another.
void TakeSplitJob(SSplitJob& job, SplitResult& result)
{
    if (job.m_eCut == ESheetCut::Empty)
        ++result.m_nEmpty;
    else if (job.m_eCut == ESheetCut::Cut &&
             gx::RecordImageWritten(job.m_eWritten, job.m_strName.c_str(), job.m_strReason))
    {
        NoteWritten(job.m_strName);
        ++result.m_nWritten;
        result.m_sheet.m_frames.push_back(std::move(job.m_frame));
    }
    else if (result.m_nFailed++ == 0)
        result.m_strFirstFailed = job.m_strName;
}
} // namespace

SplitResult SplitImage(int32_t fromNumber, const CSequencePattern& pattern, const CWorkingImage& image,
                       const CSplitGrid& grid, const SSplitSheet& sheet, int32_t workers)
{
    SplitResult result;
    const auto& working = image.m_gxImg;
    if (working.id == 0)
        return result;
    const GX_IMAGE source{working.id, working.format, working.bytesPerPixel, working.width, working.height, 0};
    std::vector<SSheetSpan> rows, cols;
    if (!SheetSpansOfSizes(grid.m_rowHeights, sheet.m_nMargin, sheet.m_nSpacing, rows) ||
        !SheetSpansOfSizes(grid.m_colWidths, sheet.m_nMargin, sheet.m_nSpacing, cols))
    {
        result.m_bNoRoom = true;
        return result;
    }
    result.m_sheet = SSheetDescription{{}, "", FileNameOf(image.m_strPath), SheetPictureKeepsAlpha(source, image.m_strPath),
                                       working.width, working.height};
    const std::vector<SGridCell> cells = SheetCells(rows, cols);
    CEngineImage scratch = CEngineImage::Generate();
    CProgress progress(int64_t(cells.size()));
    // A job holds its piece and, while it is encoded, about twice as much again.
    const auto longest = [](const std::vector<SSheetSpan>& spans) {
        int64_t most = 0;
        for (const SSheetSpan& span : spans)
            most = std::max<int64_t>(most, span.m_nLength);
        return uint64_t(most);
    };
    const uint64_t jobBytes = 3 * longest(rows) * longest(cols) * working.bytesPerPixel;
    RunCellJobs<SSplitJob>(
        int64_t(cells.size()), CellWorkersWithin(workers, jobBytes),
        [&](int64_t k, SSplitJob& job) {
            job.m_strName = pattern.NameOf(fromNumber + k);
            MakeSplitJob(source, cells[size_t(k)], sheet, scratch, job);
        },
        WriteSplitJob,
        [&](int64_t, SSplitJob& job) {
            TakeSplitJob(job, result);
            progress.Step();
        });
    return result;
}

void SplitCommand(const SplitInputs& inputs, const CWorkingImage& image, const CSplitGrid& grid, int32_t workers)
{
    CWaitCursor wait;
    SequenceRecord parts;
    if (!ReadOutputParts(inputs.m_output, parts))
    {
        ShowFrameMessage("Invalid output settings!\nPlease input or correct the output settings!", "Wrong Settings",
                         EMessageIcon::Exclamation);
        return;
    }
    if (inputs.m_output.m_strTemplate.empty())
        return;
    // Without a grid laid over a picture there is nothing to write, which is no success.
    if (image.m_gxImg.id == 0 || grid.Empty())
    {
        ShowInvalidGrid();
        return;
    }
    const int digits = TemplateDigits(inputs.m_output.m_strTemplate);
    const CSequencePattern pattern = BuildNumberPattern(parts.m_strFolder, parts.m_strTitle, digits, parts.m_strType);
    const std::string dataPath = SheetDataPath(parts.m_strFolder, parts.m_strTitle);
    if (!MayWriteOver(SplitTargets(inputs, grid, pattern, dataPath)))
        return;
    SplitResult result = SplitImage(inputs.m_output.m_nFromNumber, pattern, image, grid, inputs.m_sheet, workers);
    if (result.m_bNoRoom)
    {
        ShowFrameMessage("The margin and spacing leave no room for the split cells!\nPlease make them smaller.",
                         "Wrong Settings", EMessageIcon::Exclamation);
        return;
    }
    result.m_sheet.m_strAnimation = parts.m_strTitle;
    std::string reason;
    const std::string dataFailure = WriteSheetData(dataPath, result.m_sheet, inputs.m_sheet.m_eData, &reason)
                                        ? ""
                                        : DataFileFailure(dataPath, reason);
    const std::string written = TemplateDisplay(parts.m_strFolder, parts.m_strTitle, digits, parts.m_strType);
    if (result.m_nFailed != 0)
        ShowFailed("Failed to save " + std::to_string(result.m_nFailed) + " of the " +
                   std::to_string(result.m_nFailed + result.m_nWritten) + " split images, the first as:\n\n " +
                   result.m_strFirstFailed);
    else if (!dataFailure.empty())
        ShowFailed(dataFailure);
    else if (inputs.m_sheet.m_eData != ESheetData::None)
        ShowSucceeded("Succeed to split the image and save as:\n\n " + written + "\n\nwith the data file:\n\n " +
                      dataPath);
    else
        ShowSucceeded("Succeed to split the image and save as:\n\n " + written);
}
