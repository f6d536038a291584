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

std::string PieceFailure()
{
    const char* why = gxGetLastErrorText();
    return *why ? std::string("its piece could not be made: ") + why : std::string("its piece could not be made");
}

void SplitItem(const CEngineImage& item, const std::string& path, const std::vector<float>& rowRatios,
               const std::vector<float>& colRatios, const SequenceRecord& pieces,
               CBatchReport* report)
{
    const GX_IMAGE info = item.Info();
    // The plain grid of the sheet geometry: no margin, no gutters.
    std::vector<SSheetSpan> rows, cols;
    SheetSpansOfRatios(rowRatios, info.height, 0, 0, rows);
    SheetSpansOfRatios(colRatios, info.width, 0, 0, cols);
    const CSequencePattern pattern =
        BuildNumberPattern(pieces.m_strFolder, ItemTitle(path), TemplateDigits(pieces.m_strTemplate), pieces.m_strType);

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
        const int y = int(row.m_nStart), h = int(row.m_nLength);
        for (const SSheetSpan& col : cols)
        {
            if (col.m_nLength > 0)
            {
                const int x = int(col.m_nStart), w = int(col.m_nLength);
                scratch.Bind();
                // A piece whose storage cannot be made or filled is a file not written, with the
                // engine's reason, never an empty or stale picture saved under its name.
                bool made = gxTexImage(w, h, info.format);
                scratch.Refresh();
                made = made && gxCopyImageBuffer(item.Id(), t_RECT{x, y + h, x + w, y}, info.format, scratch.Buffer());
                if (made)
                    SaveBound(pattern.NameOf(number), false, report);
                else if (report)
                    report->Saved(pattern.NameOf(number), false, PieceFailure());
            }
            ++number;
        }
    }
}

void CombineItem(const std::string& path, uint32_t position, const CSequencePattern& sequence, int32_t fromNumber, int32_t rows,
                 int32_t cols, CEngineImage& result, const std::string& folder, const std::string& type,
                 CProgress& progress, CBatchReport* report)
{
    if (!SequenceNamesFit(sequence))
        return Skip(report, path, kNamesTooLong);
    CMemberFailures failures(report, path);
    const int64_t end = int64_t(fromNumber) + std::max<int64_t>(int64_t(rows) * cols, 0);
    int64_t expected = fromNumber; // the next number not yet tried
    const EGridResult made = ComposeGrid(rows, cols, fromNumber, sequence, result, [&](int64_t number, bool placed) {
        failures.Missing(sequence, expected, number);
        expected = number + 1;
        if (!placed)
            failures.Failed(sequence.NameOf(number));
    });
    if (made == EGridResult::Made)
        failures.Missing(sequence, expected, end);
    switch (made)
    {
    case EGridResult::Made:
        SaveBound(ItemOutputName(folder, ItemTitleOrRandom(path, position), "", type), false, report);
        if (report)
            report->Done();
        break;
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

    // Pieces are named after each item; the recorded title is not used.
    const SequenceRecord& pieces = in.m_output;
    ForEachLoadedItem(s, {report, schedule}, [&](CEngineImage& item, const std::string& path) -> const char* {
        if (!SequenceNamesFit(BuildNumberPattern(pieces.m_strFolder, ItemTitle(path),
                                                 TemplateDigits(pieces.m_strTemplate), pieces.m_strType)))
            return kNamesTooLong;
        SplitItem(item, path, in.m_rowFractions, in.m_colFractions, pieces, report);
        return nullptr;
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
    CEngineImage result = CEngineImage::Generate();
    const int digits = TemplateDigits(in.m_source.m_strTemplate);

    ForEachItem(s, {report, schedule}, [&](const std::string& path, uint32_t position, CProgress& progress) {
        CombineItem(path, position, ItemSequencePattern(path, digits), in.m_source.m_nFromNumber, in.m_nRows, in.m_nCols, result,
                    in.m_output.m_strFolder, in.m_output.m_strType, progress, report);
    });
    return true;
}
