#include "ops/Alpha.h"

#include "image/WorkingImage.h"
#include "ops/AlphaPixels.h"
#include "ops/MessageBox.h"
#include "ops/WaitCursor.h"
#include "ops/WriteGuard.h"

#include <vector>

namespace
{
const char* const kSaveWithAlpha = "\nYou need to save it as a alpha supported image format, such as tga/png.";

// The working image's pixels, brought to four bytes per pixel first; null without a working image
// or when it cannot be converted.
uint8_t* RgbaPixels(CWorkingImage& image)
{
    if (image.m_gxImg.id == 0 || !image.ConvertToRgba())
        return nullptr;
    return image.m_gxImg.bytesPerPixel == 4 ? image.m_gxImg.data : nullptr;
}

size_t PixelCount(const CWorkingImage& image)
{
    return size_t(image.m_gxImg.width) * image.m_gxImg.height;
}
} // namespace

EExtractResult ExtractAlpha(const std::string& path, const CWorkingImage& image)
{
    const auto& w = image.m_gxImg;
    if (w.id == 0 || !HasAlpha(w.format))
        return EExtractResult::NoAlpha;
    const GX_IMAGE working{w.id, w.format, w.bytesPerPixel, w.width, w.height, 0};
    CEngineImage grey;
    std::vector<uint8_t> alpha;
    if (!MakeGreyOfAlpha(working, grey, alpha))
        return EExtractResult::WriteFailed;
    return SaveOutputImage(path) ? EExtractResult::Written : EExtractResult::WriteFailed;
}

bool MakeAlphaByRgb(int32_t r, int32_t g, int32_t b, int32_t a, CWorkingImage& image)
{
    uint8_t* p = RgbaPixels(image);
    if (!p)
        return false;
    ColourToAlpha(p, PixelCount(image), image.m_gxImg.format, r, g, b, uint8_t(a), EColourMatch::LowBits);
    image.RefreshTexture();
    return true;
}

bool CombineAlphaImage(const std::string& alphaPath, CWorkingImage& image)
{
    uint8_t* p = RgbaPixels(image);
    if (!p)
        return false;
    const CEngineImage source = CEngineImage::Load(alphaPath.c_str());
    const GX_IMAGE& info = source.Info();
    const uint8_t* s = source.Buffer();
    if (!s || info.width != image.m_gxImg.width || info.height != image.m_gxImg.height)
        return false;
    AlphaFromPicture(p, PixelCount(image), s, info.bytesPerPixel);
    image.RefreshTexture();
    return true;
}

void ExtractAlphaCommand(const SequenceRecord& output, const CWorkingImage& image)
{
    CWaitCursor wait;
    std::string path;
    if (!BuildOutputPath(output, path))
    {
        ShowFrameMessage("Please input the Output Settings first!", "Wrong Parameters", EMessageIcon::Exclamation);
        return;
    }
    if (image.m_gxImg.id != 0 && HasAlpha(image.m_gxImg.format) && !MayWriteOver({path}))
        return;
    switch (ExtractAlpha(path, image))
    {
    case EExtractResult::Written:
        ShowSucceeded("Succeed to extract and save the alpha layer image as\n\n" + path);
        break;
    case EExtractResult::NoAlpha:
        ShowFailed("Sorry but the opened image file does not have a alpha layer data!");
        break;
    case EExtractResult::WriteFailed:
        ShowFailed("Failed to save the alpha layer image as\n\n" + path);
        break;
    }
}

void MakeAlphaCommand(const AlphaRgbInputs& in, CWorkingImage& image)
{
    CWaitCursor wait;
    std::string path;
    if (!BuildOutputPath(in.m_output, path) || !MakeAlphaByRgb(in.m_nRed, in.m_nGreen, in.m_nBlue, in.m_nAlpha, image))
        return;
    ShowSucceeded("Succeed to make the alpha layer at pixles which color value is RGB(" + std::to_string(in.m_nRed) +
                  ", " + std::to_string(in.m_nGreen) + ", " + std::to_string(in.m_nBlue) + ")!" + kSaveWithAlpha);
}

void CombineAlphaCommand(const AlphaImageInputs& in, CWorkingImage& image)
{
    CWaitCursor wait;
    std::string path;
    if (in.m_strAlphaImagePath.empty() || !BuildOutputPath(in.m_output, path) ||
        !CombineAlphaImage(in.m_strAlphaImagePath, image))
        return;
    ShowSucceeded(std::string("Succeed to combine the alpha layer into current image!") + kSaveWithAlpha);
}
