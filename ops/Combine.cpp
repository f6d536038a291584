#include "ops/Combine.h"

#include "engine/Limits.h"
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

EGridResult ComposeGrid(int32_t rows, int32_t cols, int32_t fromNumber, const CSequencePattern& pattern,
                        CEngineImage& result, const std::function<void(int64_t number, bool placed)>& tried,
                        const SCombineSheet& sheet, std::vector<SSheetFrame>* frames)
{
    CEngineImage first = CEngineImage::Load(pattern.NameOf(fromNumber).c_str());
    if (first.Empty())
        return EGridResult::FirstMissing;
    if (rows <= 0 || cols <= 0)
        return EGridResult::NoCells;
    const int64_t tileWidth = first.Info().width, tileHeight = first.Info().height;
    const SCombineLayout layout(tileWidth, tileHeight, rows, cols, sheet);
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

    std::vector<SSheetFrame> placed;
    std::vector<uint8_t> clipped;
    bool anyAlpha = false;
    // Only numbers whose file may exist are tried, so that a grid of many cells over a short
    // sequence costs no more than the sequence.
    ForEachSequenceNumber(pattern, fromNumber, int64_t(rows) * cols, [&](int64_t number) {
        const int64_t cell = number - fromNumber;
        CEngineImage picture = cell == 0 ? std::move(first) : CEngineImage::Load(pattern.NameOf(number).c_str());
        if (picture.Empty())
        {
            tried(number, false);
            return true;
        }
        const GX_IMAGE& info = picture.Info();
        anyAlpha = anyAlpha || info.bytesPerPixel == 4;
        const int64_t x = layout.TileX(cell % cols), y = layout.TileY(cell / cols);
        // What of the picture lies within its cell; a spaced sheet keeps every picture there, so
        // that no picture covers the padding or the extrusion of another.
        const int32_t w = int32_t(std::min<int64_t>(info.width, tileWidth));
        const int32_t h = int32_t(std::min<int64_t>(info.height, tileHeight));
        const void* pixels = picture.Buffer();
        int32_t rowWidth = info.width, rowCount = info.height;
        if (layout.Spaced() && (w < info.width || h < info.height))
        {
            clipped.resize(size_t(w) * size_t(h) * info.bytesPerPixel);
            gxCopyImageBuffer(picture.Id(), t_RECT{0, h, w, 0}, info.format, clipped.data());
            pixels = clipped.data();
            rowWidth = w, rowCount = h;
        }
        result.Bind();
        gxSetPixels(int(x), int(y), rowWidth, rowCount, info.format, pixels);
        placed.push_back(WholeFrame(FileNameOf(pattern.NameOf(number)), SSheetRect{x, y, w, h}));
        tried(number, true);
        return true;
    });
    for (const SSheetFrame& frame : placed)
        ExtrudeFrame(result.Buffer(), width, height, result.Info().bytesPerPixel, frame.m_frame, layout.m_nExtrude);
    result.Bind();
    // An alpha channel that no picture brought would be opaque everywhere a picture is: the sheet
    // is the opaque one then. When memory for the conversion runs short it keeps its alpha.
    if (sheet.m_bKeepAlpha && !anyAlpha && gxConvertImage(GL_BGR))
        result.Refresh();
    if (frames)
        *frames = std::move(placed);
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
                               const std::string& title, std::string* pstrDataReason)
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
        sheet, &frames))
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

void CombineCommand(const CombineInputs& in)
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
                            in.m_output.m_strTitle, &dataReason))
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
