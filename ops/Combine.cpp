#include "ops/Combine.h"

#include "engine/ImageFiles.h"
#include "engine/Limits.h"
#include "ops/CellWorkers.h"
#include "ops/EngineImage.h"
#include "ops/MainFrame.h"
#include "ops/MessageBox.h"
#include "ops/SequenceFiles.h"
#include "ops/SheetLayout.h"
#include "ops/SplitGrid.h"
#include "ops/WaitCursor.h"
#include "ops/WriteGuard.h"

#include <algorithm>

namespace
{
bool CombineInputsValid(const CombineInputs& in)
{
    const SCombineSheet& sheet = in.m_sheet;
    return CSplitGrid::CountsAllowed(in.m_nRows, in.m_nCols) && !in.m_source.m_strFolder.empty() &&
           !in.m_source.m_strTemplate.empty() && sheet.m_nPadding >= 0 && sheet.m_nMargin >= 0 &&
           sheet.m_nExtrude >= 0;
}
} // namespace

PrepareResult PrepareCombine(const CombineInputs& in)
{
    const SequenceRecord& src = in.m_source;
    if (src.m_strFolder.empty())
        return PrepareResult{false, "Bad Combination Image Source Folder!"};
    if (src.m_strTemplate.empty())
        return PrepareResult{false, "Bad Number Template Inputted!"};
    // Negative counts would name a last picture before the first; they are as bad as 0.
    if (in.m_nRows <= 0 || in.m_nCols <= 0)
        return PrepareResult{false, "Bad Combination Rows or Cols!"};
    const int digits = TemplateDigits(src.m_strTemplate);
    const int64_t last = int64_t(src.m_nFromNumber) + int64_t(in.m_nRows) * in.m_nCols - 1;
    const std::string first = SequenceRangeName(src.m_strTitle, digits, src.m_nFromNumber, src.m_strType);
    const std::string final = SequenceRangeName(src.m_strTitle, digits, last, src.m_strType);
    return PrepareResult{true, "Combine out a " + std::to_string(in.m_nRows) + " x " + std::to_string(in.m_nCols) +
                                   " picture using images from " + first + " to " + final +
                                   " from the source folder " + src.m_strFolder + "."};
}

namespace
{
// One numbered picture on its way: read and decoded by a worker, taken into the engine on its own
// thread.
struct SLoadJob
{
    int64_t m_nNumber = 0;
    std::string m_strPath;
    gx::CBitmap m_picture;
    gx::EFileType m_eType = gx::EFileType::Unknown;
    gx::ECodecError m_eRead = gx::ECodecError::OutOfMemory; // until the worker says otherwise
    std::string m_strReason;
};

// The pictures of `numbers` in their order, read and decoded on `workers` threads: loaded gets
// each as an engine image (empty when it does not load) with the record of the last failure as
// gxLoadImage leaves it.
void LoadInOrder(const std::vector<int64_t>& numbers, const CSequencePattern& pattern, int32_t workers,
                 const std::function<void(int64_t number, CEngineImage picture)>& loaded)
{
    RunCellJobs<SLoadJob>(
        int64_t(numbers.size()), workers,
        [&](int64_t k, SLoadJob& job) {
            job.m_nNumber = numbers[size_t(k)];
            job.m_strPath = pattern.NameOf(job.m_nNumber);
            job.m_eRead = gx::ECodecError::OutOfMemory;
            job.m_strReason.clear();
        },
        [](SLoadJob& job) {
            job.m_eRead = gx::ReadImageFile(job.m_strPath.c_str(), job.m_picture, job.m_eType, job.m_strReason);
        },
        [&](int64_t, SLoadJob& job) {
            CEngineImage picture;
            if (gx::RecordImageRead(job.m_eRead, job.m_eType, job.m_strReason))
                picture = CEngineImage(gx::AdoptImage(std::move(job.m_picture)));
            job.m_picture.Clear();
            loaded(job.m_nNumber, std::move(picture));
        });
}

// Places the pictures into the grid picture, each at the top-left corner of its cell.
class CGridPlacement
{
public:
    CGridPlacement(CEngineImage& result, const SCombineLayout& layout, int32_t cols, int32_t fromNumber,
                   const CSequencePattern& pattern)
        : m_result(result), m_layout(layout), m_nCols(cols), m_nFromNumber(fromNumber), m_pattern(pattern)
    {
    }

    // False when the picture did not load: its cell stays as it is.
    bool Place(int64_t number, const CEngineImage& picture)
    {
        if (picture.Empty())
            return false;
        const GX_IMAGE& info = picture.Info();
        m_bAnyAlpha = m_bAnyAlpha || info.bytesPerPixel == 4;
        const int64_t cell = number - m_nFromNumber;
        const int64_t x = m_layout.TileX(cell % m_nCols), y = m_layout.TileY(cell / m_nCols);
        // What of the picture lies within its cell; a spaced sheet keeps every picture there, so
        // that no picture covers the padding or the extrusion of another.
        const int32_t w = int32_t(std::min<int64_t>(info.width, m_layout.m_nTileWidth));
        const int32_t h = int32_t(std::min<int64_t>(info.height, m_layout.m_nTileHeight));
        const void* pixels = picture.Buffer();
        int32_t rowWidth = info.width, rowCount = info.height;
        if (m_layout.Spaced() && (w < info.width || h < info.height))
        {
            m_clipped.resize(size_t(w) * size_t(h) * info.bytesPerPixel);
            gxCopyImageBuffer(picture.Id(), t_RECT{0, h, w, 0}, info.format, m_clipped.data());
            pixels = m_clipped.data();
            rowWidth = w, rowCount = h;
        }
        m_result.Bind();
        gxSetPixels(int(x), int(y), rowWidth, rowCount, info.format, pixels);
        m_placed.push_back(WholeFrame(FileNameOf(m_pattern.NameOf(number)), SSheetRect{x, y, w, h}));
        return true;
    }

    bool AnyAlpha() const { return m_bAnyAlpha; }
    std::vector<SSheetFrame>& Placed() { return m_placed; }

private:
    CEngineImage& m_result;
    const SCombineLayout& m_layout;
    int32_t m_nCols;
    int32_t m_nFromNumber;
    const CSequencePattern& m_pattern;
    std::vector<SSheetFrame> m_placed;
    std::vector<uint8_t> m_clipped;
    bool m_bAnyAlpha = false;
};
} // namespace

EGridResult ComposeGrid(int32_t rows, int32_t cols, int32_t fromNumber, const CSequencePattern& pattern,
                        CEngineImage& result, const std::function<void(int64_t number, bool placed)>& tried,
                        const SCombineSheet& sheet, std::vector<SSheetFrame>* frames, int32_t workers)
{
    CEngineImage first = CEngineImage::Load(pattern.NameOf(fromNumber).c_str());
    if (first.Empty())
        return EGridResult::FirstMissing;
    if (rows <= 0 || cols <= 0)
        return EGridResult::NoCells;
    const SCombineLayout layout(first.Info().width, first.Info().height, rows, cols, sheet);
    const int64_t width = layout.Width(), height = layout.Height();
    const uint32_t format = sheet.m_bKeepAlpha ? GL_BGRA : GL_BGR;
    if (sheet.m_nPadding < 0 || sheet.m_nMargin < 0 || sheet.m_nExtrude < 0 ||
        !gx::SizeAllowed(uint64_t(width), uint64_t(height), sheet.m_bKeepAlpha ? 4 : 3))
        return EGridResult::TooLarge;
    if (result.Empty())
        result = CEngineImage::Generate();
    result.Bind();
    if (!gxTexImage(int(width), int(height), format))
        return EGridResult::TooLarge;
    result.Refresh();

    // Only numbers whose file may exist are tried, so that a grid of many cells over a short
    // sequence costs no more than the sequence. The first, the lowest, is loaded already.
    std::vector<int64_t> numbers;
    bool firstTried = false;
    ForEachSequenceNumber(pattern, fromNumber, int64_t(rows) * cols, [&](int64_t number) {
        if (number == fromNumber)
            firstTried = true;
        else
            numbers.push_back(number);
        return true;
    });
    CGridPlacement placement(result, layout, cols, fromNumber, pattern);
    if (firstTried)
        tried(fromNumber, placement.Place(fromNumber, first));
    // A job holds a file's bytes and its picture, about twice the first picture's pixels.
    const uint64_t jobBytes = 2 * uint64_t(first.Info().width) * first.Info().height * first.Info().bytesPerPixel;
    first.Reset();
    LoadInOrder(numbers, pattern, CellWorkersWithin(workers, jobBytes),
                [&](int64_t number, CEngineImage picture) { tried(number, placement.Place(number, picture)); });
    for (const SSheetFrame& frame : placement.Placed())
        ExtrudeFrame(result.Buffer(), width, height, result.Info().bytesPerPixel, frame.m_frame, layout.m_nExtrude);
    result.Bind();
    // An alpha channel that no picture brought would be opaque everywhere a picture is: the sheet
    // is the opaque one then. When memory for the conversion runs short it keeps its alpha.
    if (sheet.m_bKeepAlpha && !placement.AnyAlpha() && gxConvertImage(GL_BGR))
        result.Refresh();
    if (frames)
        *frames = std::move(placement.Placed());
    return EGridResult::Made;
}

SSheetDescription CombinedSheet(const CEngineImage& result, std::vector<SSheetFrame> frames, const std::string& outPath,
                                const std::string& title)
{
    const GX_IMAGE& info = result.Info();
    return SSheetDescription{std::move(frames), title, FileNameOf(outPath), SheetPictureKeepsAlpha(info, outPath),
                             info.width, info.height};
}

ECombineResult CombineSequence(int32_t rows, int32_t cols, int32_t fromNumber, const CSequencePattern& pattern,
                               const std::string& outPath, const SCombineSheet& sheet, const std::string& dataPath,
                               const std::string& title, std::string* pstrDataReason, int32_t workers)
{
    CProgress progress(int64_t(rows) * cols);
    CEngineImage result;
    std::vector<SSheetFrame> frames;
    switch (ComposeGrid(
        rows, cols, fromNumber, pattern, result,
        [&](int64_t, bool placed) {
            if (placed)
                progress.Step();
        },
        sheet, &frames, workers))
    {
    case EGridResult::Made:
        if (!SaveOutputImage(outPath))
            return ECombineResult::WriteFailed;
        return WriteSheetData(dataPath, CombinedSheet(result, std::move(frames), outPath, title), sheet.m_eData,
                              pstrDataReason)
                   ? ECombineResult::Written
                   : ECombineResult::DataFailed;
    case EGridResult::FirstMissing:
        return ECombineResult::FirstMissing;
    case EGridResult::NoCells:
        return ECombineResult::NoCells;
    case EGridResult::TooLarge:
        break;
    }
    return ECombineResult::TooLarge;
}

namespace
{
void ShowInvalidCombination()
{
    ShowFrameMessage("Invalid combination data found!\nPlease input or correct the combination infors!",
                     "Wrong Parameters", EMessageIcon::Exclamation);
}
} // namespace

void CombineCommand(const CombineInputs& in, int32_t workers)
{
    CWaitCursor wait;
    if (!CombineInputsValid(in))
        return ShowInvalidCombination();
    const SequenceRecord& src = in.m_source;
    const CSequencePattern pattern = BuildSourcePattern(src);
    std::string outPath;
    if (!BuildOutputPath(in.m_output, outPath))
    {
        ShowFrameMessage("Please input the output image file infor in the Output Settings panel first!",
                         "Wrong Parameters", EMessageIcon::Exclamation);
        return;
    }
    const std::string dataPath = SheetDataPath(in.m_output.m_strFolder, in.m_output.m_strTitle);
    std::vector<std::string> targets{outPath};
    if (in.m_sheet.m_eData != ESheetData::None)
        targets.push_back(dataPath);
    if (!MayWriteOver(targets))
        return;
    std::string dataReason;
    switch (CombineSequence(in.m_nRows, in.m_nCols, src.m_nFromNumber, pattern, outPath, in.m_sheet, dataPath,
                            in.m_output.m_strTitle, &dataReason, workers))
    {
    case ECombineResult::Written:
        if (in.m_sheet.m_eData == ESheetData::None)
            ShowSucceeded("Succeed to combine the image and save as:\n\n " + outPath);
        else
            ShowSucceeded("Succeed to combine the image and save as:\n\n " + outPath + "\n\nwith the data file:\n\n " +
                          dataPath);
        break;
    case ECombineResult::DataFailed:
        ShowFailed(DataFileFailure(dataPath, dataReason));
        break;
    case ECombineResult::FirstMissing:
        ShowFailed("Cannot load the first image of the sequence:\n\n " + pattern.NameOf(src.m_nFromNumber) +
                   "\n\nNothing was combined.");
        break;
    case ECombineResult::NoCells:
        ShowInvalidCombination();
        break;
    case ECombineResult::TooLarge:
        ShowFailed("The combined image would be too large to make:\n\n " + outPath);
        break;
    case ECombineResult::WriteFailed:
        ShowFailed("Failed to save the combined image as:\n\n " + outPath);
        break;
    }
}
