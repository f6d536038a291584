#include "ops/Combine.h"

#include "engine/Limits.h"
#include "ops/EngineImage.h"
#include "ops/MainFrame.h"
#include "ops/MessageBox.h"
#include "ops/SequenceFiles.h"
#include "ops/SplitGrid.h"
#include "ops/WaitCursor.h"

namespace
{
bool CombineInputsValid(const CombineInputs& in)
{
    return CSplitGrid::CountsAllowed(in.m_nRows, in.m_nCols) && !in.m_source.m_strFolder.empty() &&
           !in.m_source.m_strTemplate.empty();
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
                        CEngineImage& result, const std::function<void(int64_t number, bool placed)>& tried)
{
    CEngineImage first = CEngineImage::Load(pattern.NameOf(fromNumber).c_str());
    if (first.Empty())
        return EGridResult::FirstMissing;
    if (rows <= 0 || cols <= 0)
        return EGridResult::NoCells;
    const int64_t tileWidth = first.Info().width, tileHeight = first.Info().height;
    const int64_t width = tileWidth * cols, height = tileHeight * rows;
    if (!gx::SizeAllowed(uint64_t(width), uint64_t(height), 3))
        return EGridResult::TooLarge;
    if (result.Empty())
        result = CEngineImage::Generate();
    result.Bind();
    if (!gxTexImage(int(width), int(height), GL_BGR))
        return EGridResult::TooLarge;
    result.Refresh();

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
        result.Bind();
        gxSetPixels(int(tileWidth * (cell % cols)), int(tileHeight * (cell / cols)), info.width, info.height,
                    info.format, picture.Buffer());
        tried(number, true);
        return true;
    });
    result.Bind();
    return EGridResult::Made;
}

ECombineResult CombineSequence(int32_t rows, int32_t cols, int32_t fromNumber, const CSequencePattern& pattern,
                               const std::string& outPath)
{
    CProgress progress(int64_t(rows) * cols);
    CEngineImage result;
    switch (ComposeGrid(rows, cols, fromNumber, pattern, result, [&](int64_t, bool placed) {
                if (placed)
                    progress.Step();
            }))
    {
    case EGridResult::Made:
        return gxSaveImage(outPath.c_str(), false) ? ECombineResult::Written : ECombineResult::WriteFailed;
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
    switch (CombineSequence(in.m_nRows, in.m_nCols, src.m_nFromNumber, pattern, outPath))
    {
    case ECombineResult::Written:
        ShowSucceeded("Succeed to combine the image and save as:\n\n " + outPath);
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
