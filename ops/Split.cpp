#include "ops/Split.h"

#include "image/WorkingImage.h"
#include "ops/EngineImage.h"
#include "ops/MainFrame.h"
#include "ops/MessageBox.h"
#include "ops/WaitCursor.h"

namespace
{
void ShowInvalidGrid()
{
    ShowFrameMessage("Invalid split row or column value found!\nPlease correct it first to continue!", "OK",
                     EMessageIcon::Exclamation);
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

SplitResult SplitImage(int32_t fromNumber, const CSequencePattern& pattern, const CWorkingImage& image,
                       const CSplitGrid& grid)
{
    SplitResult result;
    const auto& working = image.m_gxImg;
    if (working.id == 0)
        return result;
    const std::vector<SGridCell> cells = grid.Cells();
    CEngineImage cell = CEngineImage::Generate();
    CProgress progress(int64_t(cells.size()));
    int64_t number = fromNumber;
    for (const SGridCell& c : cells)
    {
        const std::string name = pattern.NameOf(number++);
        const t_RECT rect{int32_t(c.m_nX), int32_t(c.m_nY + c.m_nHeight), int32_t(c.m_nX + c.m_nWidth),
                          int32_t(c.m_nY)};
        cell.Bind();
        const bool written = gxTexImage(c.m_nWidth, c.m_nHeight, working.format) &&
                             gxCopyImageBuffer(working.id, rect, working.format, cell.Buffer()) &&
                             gxSaveImage(name.c_str(), false);
        if (written)
            ++result.m_nWritten;
        else if (result.m_nFailed++ == 0)
            result.m_strFirstFailed = name;
        progress.Step();
    }
    return result;
}

void SplitCommand(const SplitInputs& inputs, const CWorkingImage& image, const CSplitGrid& grid)
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
    const int digits = TemplateDigits(inputs.m_output.m_strTemplate);
    const SplitResult result =
        SplitImage(inputs.m_output.m_nFromNumber, BuildNumberPattern(parts.m_strFolder, parts.m_strTitle, digits, parts.m_strType), image,
                   grid);
    if (result.m_nFailed == 0)
        ShowSucceeded("Succeed to split the image and save as:\n\n " +
                      TemplateDisplay(parts.m_strFolder, parts.m_strTitle, digits, parts.m_strType));
    else
        ShowFailed("Failed to save " + std::to_string(result.m_nFailed) + " of the " +
                   std::to_string(result.m_nFailed + result.m_nWritten) + " split images, the first as:\n\n " +
                   result.m_strFirstFailed);
}
