// The alpha executors: extract every item's alpha as a grey picture, give one colour of every item
// a chosen alpha, take every item's alpha from one grey picture. The pixel work is the interactive
// operations' (ops/AlphaPixels).

#include "batch/BatchCommon.h"
#include "batch/BatchSections.h"
#include "ops/AlphaPixels.h"

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

size_t PixelCount(const CEngineImage& image)
{
    return size_t(image.Info().width) * image.Info().height;
}
} // namespace

bool ExecuteAlphaExtractBatch(BatchFile& batch, CBatchReport* report, IItemSchedule* schedule)
{
    BatchSection s;
    if (!batch.GetSection(EBatchKind::AlphaExtract, s))
        return false;
    SequenceRecord output;
    ReadAlphaExtractSection(s, output);
    // Shared by every item: the grey picture and the alpha bytes.
    CEngineImage grey;
    std::vector<uint8_t> alpha;

    ForEachItemPicture(s, {output.m_strFolder, output.m_strType, "_Alpha"}, {report, schedule},
                       [&](CEngineImage& item, const std::string&) -> const char* {
        if (!HasAlpha(item.Info().format))
            return "has no alpha layer";
        return MakeGreyOfAlpha(item.Info(), grey, alpha) ? nullptr : "the grey picture could not be made";
    });
    return true;
}

bool ExecuteRgbAlphaBatch(BatchFile& batch, CBatchReport* report, IItemSchedule* schedule)
{
    BatchSection s;
    if (!batch.GetSection(EBatchKind::RgbAlpha, s))
        return false;
    AlphaRgbInputs in;
    ReadRgbAlphaSection(s, in);
    // A hand-edited value outside a byte would match no pixel (R, G, B) or give another alpha
    // than the one written (A keeps its low 8 bits): refused with its reason, nothing written.
    if (const std::string refused = ColourOutsideByte(in); !refused.empty())
    {
        Note(report, refused);
        return false;
    }
    const uint8_t newAlpha = uint8_t(in.m_nAlpha);

    ForEachItemPicture(s, {in.m_output.m_strFolder, in.m_output.m_strType, "_AlphaRGB"}, {report, schedule},
                       [&](CEngineImage& item, const std::string&) -> const char* {
        if (const char* refused = EnsureAlpha(item))
            return refused;
        ColourToAlpha(item.Buffer(), PixelCount(item), item.Info().format, in.m_nRed, in.m_nGreen, in.m_nBlue, newAlpha,
                      EColourMatch::Whole);
        item.Bind();
        return nullptr;
    });
    return true;
}

bool ExecuteAlphaImageCombineBatch(BatchFile& batch, CBatchReport* report, IItemSchedule* schedule)
{
    BatchSection s;
    if (!batch.GetSection(EBatchKind::AlphaImageCombine, s))
        return false;
    AlphaImageInputs in;
    ReadAlphaImageCombineSection(s, in);
    const std::string& alphaPath = in.m_strAlphaImagePath;
    // Loaded once; a picture that does not load has no pixels and fits no item.
    const CEngineImage alphaImage = CEngineImage::Load(alphaPath.c_str());
    if (alphaImage.Empty())
        Note(report, alphaPath + ": the alpha picture could not be loaded");
    const GX_IMAGE alphaInfo = alphaImage.Info();

    ForEachItemPicture(s, {in.m_output.m_strFolder, in.m_output.m_strType, "_ImageAlpha"}, {report, schedule},
                       [&](CEngineImage& item, const std::string&) -> const char* {
        if (const char* refused = EnsureAlpha(item))
            return refused;
        const GX_IMAGE info = item.Info();
        if (alphaImage.Empty() || info.width != alphaInfo.width || info.height != alphaInfo.height)
            return "its size differs from the alpha picture's";
        AlphaFromPicture(item.Buffer(), PixelCount(item), alphaImage.Buffer(), alphaInfo.bytesPerPixel);
        item.Bind();
        return nullptr;
    });
    return true;
}
