#include "ops/Alpha.h"

#include "image/WorkingImage.h"
#include "ops/EngineImage.h"
#include "ops/MessageBox.h"
#include "ops/WaitCursor.h"

#include <algorithm>
#include <vector>

namespace
{
bool HasAlpha(uint32_t format)
{
    return format == GL_RGBA || format == GL_BGRA;
}

const char* const kSaveWithAlpha = "\nYou need to save it as a alpha supported image format, such as tga/png.";

// The working image's pixels, brought to four bytes per pixel first; null without a working image
// or when it cannot be converted.
uint8_t* RgbaPixels(CWorkingImage& image)
{
    if (image.m_gxImg.id == 0 || !image.ConvertToRgba())
        return nullptr;
    return image.m_gxImg.bytesPerPixel == 4 ? image.m_gxImg.data : nullptr;
}
} // namespace

EExtractResult ExtractAlpha(const std::string& path, const CWorkingImage& image)
{
    const auto& working = image.m_gxImg;
    if (working.id == 0 || !HasAlpha(working.format))
        return EExtractResult::NoAlpha;
    const size_t count = size_t(working.width) * working.height;
    std::vector<uint8_t> alpha(count);
    if (!gxCopyImageAlpha(working.id, alpha.data()))
        return EExtractResult::NoAlpha;
    CEngineImage grey = CEngineImage::Generate();
    grey.Bind();
    if (!gxTexImage(working.width, working.height, GL_BGR))
        return EExtractResult::WriteFailed;
    uint8_t* out = grey.Buffer();
    for (size_t i = 0; i < count; ++i, out += 3)
        out[0] = out[1] = out[2] = alpha[i];
    return gxSaveImage(path.c_str(), false) ? EExtractResult::Written : EExtractResult::WriteFailed;
}

bool MakeAlphaByRgb(int32_t r, int32_t g, int32_t b, int32_t a, CWorkingImage& image)
{
    uint8_t* p = RgbaPixels(image);
    if (!p)
        return false;
    const auto& working = image.m_gxImg;
    // Red is the first byte in GL_RGBA and the third in GL_BGRA.
    const bool bgra = working.format == GL_BGRA;
    const uint8_t first = uint8_t(bgra ? b : r), third = uint8_t(bgra ? r : b);
    const uint8_t green = uint8_t(g), alpha = uint8_t(a);
    const size_t count = size_t(working.width) * working.height;
    for (size_t i = 0; i < count; ++i, p += 4)
    {
        if (p[0] == first && p[1] == green && p[2] == third)
        {
            p[0] = p[1] = p[2] = 0;
            p[3] = alpha;
        }
    }
    image.RefreshTexture();
    return true;
}

bool CombineAlphaImage(const std::string& alphaPath, CWorkingImage& image)
{
    uint8_t* p = RgbaPixels(image);
    if (!p)
        return false;
    const auto& working = image.m_gxImg;
    const CEngineImage source = CEngineImage::Load(alphaPath.c_str());
    const GX_IMAGE& info = source.Info();
    const uint8_t* s = source.Buffer();
    if (!s || info.width != working.width || info.height != working.height)
        return false;
    // Pictures of fewer than three bytes per pixel average the bytes they have.
    const size_t sourceStep = info.bytesPerPixel, used = std::min<size_t>(sourceStep, 3);
    if (used == 0)
        return false;
    const size_t count = size_t(working.width) * working.height;
    for (size_t i = 0; i < count; ++i, p += 4, s += sourceStep)
    {
        unsigned sum = 0;
        for (size_t k = 0; k < used; ++k)
            sum += s[k];
        p[3] = uint8_t(sum / used);
    }
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
