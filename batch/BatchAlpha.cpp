// The alpha executors: extract every item's alpha as a grey picture, give one colour of every item
// a chosen alpha, take every item's alpha from one grey picture.

#include "batch/BatchCommon.h"

#include <vector>

namespace
{
using namespace batch;

// Brings a loaded image to four bytes per pixel with alpha last; GL_BGRA stays GL_BGRA. Null when
// it has that form, otherwise why it could not be given it.
const char* EnsureAlpha(CEngineImage& image)
{
    if (HasAlpha(image.Info().format))
        return nullptr;
    image.Bind();
    if (!gxConvertImage(GL_RGBA))
        return "could not be given an alpha layer";
    image.Refresh();
    return nullptr;
}
} // namespace

bool ExecuteAlphaExtractBatch(BatchFile& batch, CBatchReport* report)
{
    BatchSection s;
    if (!batch.GetSection(EBatchKind::AlphaExtract, s))
        return false;
    const std::string type = ReadBatchString(s.m_output, "ImageType");
    const std::string folder = ReadBatchString(s.m_output, "Folder");
    CEngineImage result = CEngineImage::Generate();
    // Shared by every item; it grows to the largest item and never shrinks.
    std::vector<uint8_t> alpha;

    ForEachItemPicture(s, {folder, type, "_Alpha"}, report,
                       [&](CEngineImage& item, const std::string&) -> const char* {
        if (!HasAlpha(item.Info().format))
            return "has no alpha layer";
        const GX_IMAGE info = item.Info();
        const size_t count = size_t(info.width) * info.height;
        if (alpha.size() < count)
            alpha.resize(count);
        gxCopyImageAlpha(item.Id(), alpha.data());
        item.Reset();

        result.Bind();
        gxTexImage(info.width, info.height, GL_BGR);
        result.Refresh();
        uint8_t* grey = result.Buffer();
        if (!grey)
            return "the grey picture could not be made";
        for (size_t i = 0; i < count; ++i, grey += 3)
            grey[0] = grey[1] = grey[2] = alpha[i];
        return nullptr;
    });
    return true;
}

bool ExecuteRgbAlphaBatch(BatchFile& batch, CBatchReport* report)
{
    BatchSection s;
    if (!batch.GetSection(EBatchKind::RgbAlpha, s))
        return false;
    const std::string folder = ReadBatchString(s.m_output, "Folder");
    const std::string type = ReadBatchString(s.m_output, "ImageType");
    const int32_t red = ReadBatchInteger(s.m_input, "R");
    const int32_t green = ReadBatchInteger(s.m_input, "G");
    const int32_t blue = ReadBatchInteger(s.m_input, "B");
    const uint8_t newAlpha = uint8_t(ReadBatchInteger(s.m_input, "A") & 0xFF);

    ForEachItemPicture(s, {folder, type, "_AlphaRGB"}, report,
                       [&](CEngineImage& item, const std::string&) -> const char* {
        if (const char* refused = EnsureAlpha(item))
            return refused;
        const GX_IMAGE info = item.Info();
        // Red is the first byte of GL_RGBA and the third of GL_BGRA.
        const int redAt = info.format == GL_BGRA ? 2 : 0, blueAt = 2 - redAt;
        uint8_t* p = item.Buffer();
        const size_t count = size_t(info.width) * info.height;
        for (size_t i = 0; i < count; ++i, p += 4)
            if (p[redAt] == red && p[1] == green && p[blueAt] == blue)
            {
                p[0] = p[1] = p[2] = 0;
                p[3] = newAlpha;
            }
        item.Bind();
        return nullptr;
    });
    return true;
}

bool ExecuteAlphaImageCombineBatch(BatchFile& batch, CBatchReport* report)
{
    BatchSection s;
    if (!batch.GetSection(EBatchKind::AlphaImageCombine, s))
        return false;
    const std::string folder = ReadBatchString(s.m_output, "Folder");
    const std::string type = ReadBatchString(s.m_output, "ImageType");
    const std::string alphaPath = ReadBatchString(s.m_input, "SourceAlphaImage");
    // Loaded once; a picture that does not load has no pixels and fits no item.
    const CEngineImage alphaImage = CEngineImage::Load(alphaPath.c_str());
    if (alphaImage.Empty())
        Note(report, alphaPath + ": the alpha picture could not be loaded");
    const GX_IMAGE alphaInfo = alphaImage.Info();

    ForEachItemPicture(s, {folder, type, "_ImageAlpha"}, report,
                       [&](CEngineImage& item, const std::string&) -> const char* {
        if (const char* refused = EnsureAlpha(item))
            return refused;
        const GX_IMAGE info = item.Info();
        if (alphaImage.Empty() || info.width != alphaInfo.width || info.height != alphaInfo.height)
            return "its size differs from the alpha picture's";
        const uint8_t* a = alphaImage.Buffer();
        const size_t alphaStep = alphaInfo.bytesPerPixel;
        uint8_t* p = item.Buffer();
        const size_t count = size_t(info.width) * info.height;
        for (size_t i = 0; i < count; ++i, p += 4, a += alphaStep)
        {
            // Pictures of fewer than three bytes a pixel are grey: their first byte is the level.
            const unsigned sum = alphaStep >= 3 ? unsigned(a[0]) + a[1] + a[2] : 3u * a[0];
            p[3] = uint8_t(sum / 3);
        }
        item.Bind();
        return nullptr;
    });
    return true;
}
