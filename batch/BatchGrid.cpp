// The grid executors: split every item along recorded ratios, combine every numbered sequence into
// one grid picture.

#include "batch/BatchCommon.h"
#include "batch/BatchSections.h"
#include "batch/ItemSchedule.h"
#include "engine/Limits.h"
#include "ops/Combine.h"
#include "ops/SheetLayout.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{
using namespace batch;

// False for a ratio list that cannot be applied: a ratio that is negative or not finite, or a sum
// beyond 1.0 by more than the rounding of stored ratios explains.
bool RatiosFit(const std::vector<float>& ratios)
{
    float sum = 0.0f;
    // Only a ratio that adds something can carry a rounding; no picture has more non-empty pieces
    // along a side than it has pixels, so no more roundings are allowed for than that.
    uint32_t rounded = 0;
    for (float ratio : ratios)
    {
        if (!std::isfinite(ratio) || ratio < 0.0f)
            return false;
        sum += ratio;
        rounded += ratio > 0.0f && rounded < gx::kMaxDimension ? 1 : 0;
    }
    return sum <= 1.0f + kSplitRatioRounding * float(rounded + 1);
}

// False, with the reason noted, for sheet settings no item can be made with: a data format that is
// none the program writes, or a spacing below 0.
bool SheetSettingsFit(const BatchSection& section, int32_t a, int32_t b, int32_t c, CBatchReport* report)
{
    if (const std::string format = UnknownSheetData(section); !format.empty())
    {
        Note(report, "the \"DataFormat\" '" + format + "' is none of none, json-hash and json-array");
        return false;
    }
    if (a < 0 || b < 0 || c < 0)
    {
        Note(report, "the sheet's margin, spacing, padding and extrusion cannot be below 0");
        return false;
    }
    return true;
}

std::string PieceFailure()
{
    const char* why = gxGetLastErrorText();
    return *why ? std::string("its piece could not be made: ") + why : std::string("its piece could not be made");
}

// The data file of an item's pictures, when the section asks for one, reported as one more file.
void WriteItemData(const std::string& dataPath, const SSheetDescription& sheet, ESheetData format,
                   CBatchReport* report)
{
    if (format == ESheetData::None)
        return;
    std::string reason;
    const bool written = WriteSheetData(dataPath, sheet, format, &reason);
    if (report)
        report->Saved(dataPath, written, reason);
}

// The pieces of one item along the section's ratios, within its margin and gutters, trimmed or
// left out as the sheet settings say; then their data file, <title>.json beside them. Null when
// done, otherwise why the item is skipped.
const char* SplitItem(const CEngineImage& item, const std::string& path, const SplitInputs& in, CBatchReport* report)
{
    const GX_IMAGE info = item.Info();
    const SSplitSheet& settings = in.m_sheet;
    std::vector<SSheetSpan> rows, cols;
    if (!SheetSpansOfRatios(in.m_rowFractions, info.height, settings.m_nMargin, settings.m_nSpacing, rows) ||
        !SheetSpansOfRatios(in.m_colFractions, info.width, settings.m_nMargin, settings.m_nSpacing, cols))
        return "the margin and spacing leave no room for its pieces";
    const SequenceRecord& pieces = in.m_output;
    const std::string title = ItemTitle(path);
    const CSequencePattern pattern =
        BuildNumberPattern(pieces.m_strFolder, title, TemplateDigits(pieces.m_strTemplate), pieces.m_strType);
    SSheetDescription sheet{{}, title, FileNameOf(path), SheetPictureKeepsAlpha(info, path), info.width, info.height};

    CEngineImage scratch = CEngineImage::Generate();
    int64_t number = pieces.m_nFromNumber;
    for (const SSheetSpan& row : rows)
    {
        // A row without pixels has pieces without pixels: no file can hold them, but they keep
        // their numbers.
        if (row.m_nLength == 0)
        {
            number += int64_t(cols.size());
            continue;
        }
        for (const SSheetSpan& col : cols)
        {
            const std::string name = pattern.NameOf(number++);
            if (col.m_nLength == 0)
                continue;
            const SGridCell cell{col.m_nStart, row.m_nStart, int32_t(col.m_nLength), int32_t(row.m_nLength)};
            SSheetFrame frame{FileNameOf(name)};
            // A piece whose storage cannot be made or filled is a file not written, with the
            // engine's reason, never an empty or stale picture saved under its name.
            const ESheetCut cut = CutSheetPiece(info, cell, settings, scratch, frame);
            if (cut == ESheetCut::Cut && SaveBound(name, false, report))
                sheet.m_frames.push_back(std::move(frame));
            else if (cut == ESheetCut::Failed && report)
                report->Saved(name, false, PieceFailure());
        }
    }
    WriteItemData(SheetDataPath(pieces.m_strFolder, title), sheet, settings.m_eData, report);
    return nullptr;
}

void CombineItem(const std::string& path, uint32_t position, const CSequencePattern& sequence, const CombineInputs& in,
                 CEngineImage& result, CProgress& progress, CBatchReport* report)
{
    const int32_t fromNumber = in.m_source.m_nFromNumber, rows = in.m_nRows, cols = in.m_nCols;
    if (!SequenceNamesFit(sequence))
        return Skip(report, path, kNamesTooLong);
    CMemberFailures failures(report, path);
    const int64_t end = int64_t(fromNumber) + std::max<int64_t>(int64_t(rows) * cols, 0);
    int64_t expected = fromNumber; // the next number not yet tried
    std::vector<SSheetFrame> frames;
    const EGridResult made = ComposeGrid(
        rows, cols, fromNumber, sequence, result,
        [&](int64_t number, bool placed) {
            failures.Missing(sequence, expected, number);
            expected = number + 1;
            if (!placed)
                failures.Failed(sequence.NameOf(number));
        },
        in.m_sheet, &frames);
    if (made == EGridResult::Made)
        failures.Missing(sequence, expected, end);
    switch (made)
    {
    case EGridResult::Made:
    {
        const std::string title = ItemTitleOrRandom(path, position), folder = in.m_output.m_strFolder;
        const std::string name = ItemOutputName(folder, title, "", in.m_output.m_strType);
        // The data file describes the picture: without it, there is nothing to describe.
        if (SaveBound(name, false, report))
            WriteItemData(SheetDataPath(folder, title), CombinedSheet(result, std::move(frames), name, title),
                          in.m_sheet.m_eData, report);
        if (report)
            report->Done();
        break;
    }
    case EGridResult::FirstMissing:
        // Not even begun: no progress step.
        return Skip(report, path, "the first member " + sequence.NameOf(fromNumber) + " " +
                                      LoadFailure(sequence.NameOf(fromNumber)));
    case EGridResult::NoCells:
        // A grid without cells makes a picture of no pixels, which no file can hold.
        Skip(report, path, "the grid has no cells");
        break;
    case EGridResult::TooLarge:
        Skip(report, path, "the combined picture would be too large");
        break;
    }
    progress.Step();
}
} // namespace

bool ExecuteSplitBatch(BatchFile& batch, CBatchReport* report, IItemSchedule* schedule)
{
    BatchSection s;
    if (!batch.GetSection(EBatchKind::Split, s))
        return false;
    SplitInputs in;
    ReadSplitSection(s, in);
    if (in.m_output.m_strTemplate.empty())
    {
        Note(report, "the number \"Template\" is empty");
        return false;
    }
    for (auto [ratios, list] :
         {std::pair{&in.m_rowFractions, "the \"Rows\""}, std::pair{&in.m_colFractions, "the \"Cols\""}})
        if (!RatiosFit(*ratios))
        {
            Note(report, std::string(list) + " ratios cannot be applied: one is negative or not a number, or they add "
                                             "up to more than 1.0");
            return false;
        }

    if (!SheetSettingsFit(s, in.m_sheet.m_nMargin, in.m_sheet.m_nSpacing, 0, report))
        return false;

    // Pieces are named after each item; the recorded title is not used.
    const SequenceRecord& pieces = in.m_output;
    ForEachLoadedItem(s, {report, schedule}, [&](CEngineImage& item, const std::string& path) -> const char* {
        if (!SequenceNamesFit(BuildNumberPattern(pieces.m_strFolder, ItemTitle(path),
                                                 TemplateDigits(pieces.m_strTemplate), pieces.m_strType)))
            return kNamesTooLong;
        return SplitItem(item, path, in, report);
    });
    return true;
}

bool ExecuteCombineBatch(BatchFile& batch, CBatchReport* report, IItemSchedule* schedule)
{
    BatchSection s;
    if (!batch.GetSection(EBatchKind::Combine, s))
        return false;
    CombineInputs in;
    ReadCombineSection(s, in);
    if (!SheetSettingsFit(s, in.m_sheet.m_nPadding, in.m_sheet.m_nMargin, in.m_sheet.m_nExtrude, report))
        return false;
    CEngineImage result = CEngineImage::Generate();
    const int digits = TemplateDigits(in.m_source.m_strTemplate);

    ForEachItem(s, {report, schedule}, [&](const std::string& path, uint32_t position, CProgress& progress) {
        CombineItem(path, position, ItemSequencePattern(path, digits), in, result, progress, report);
    });
    return true;
}
