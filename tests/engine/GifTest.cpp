#include "CodecTestSupport.h"

using namespace mosvane::test;

namespace
{
// RGBA of palette indices, `transparent` with alpha 0; -1 is uncovered screen (transparent black).
Bytes Pixels(std::initializer_list<int> indices, int transparent = -1)
{
    Bytes rgba;
    for (int i : indices)
        if (i < 0)
            rgba.insert(rgba.end(), {0, 0, 0, 0});
        else
            rgba.insert(rgba.end(), {kGifPalette[i][0], kGifPalette[i][1], kGifPalette[i][2], uint8_t(i == transparent ? 0 : 255)});
    return rgba;
}

using GifMagick = MagickTest;

TEST_F(GifMagick, OpaqueTransparentAndInterlacedReadAsImageMagickReadsThem)
{
    const SMagickCase cases[] = {
        {"", EPicture::Opaque, "GIF89a", GL_RGB},
        {"", EPicture::BinaryAlpha, "GIF89a", GL_RGBA},
        {"-interlace GIF", EPicture::BinaryAlpha, "GIF89a", GL_RGBA},
    };
    auto describe = [](const Bytes& f) { return std::string(f.begin(), f.begin() + 6); };
    ExpectMagickCases(gx::DecodeGif, "gif", describe, cases, 16, 12, m_dir);
}

TEST(GifRead, HandBuiltFramesArePlacedOnTheScreenAndImpossibleSizesFail)
{
    const SHandBuilt cases[] = {
        // A 3 x 2 frame at (2, 1) of a 6 x 4 screen, index 1 transparent.
        {"frame on a larger screen", CraftedGif({6, 4, 2, 1, 3, 2, {0, 1, 2, 3, 2, 1}, 1}),
         Pixels({-1, -1, -1, -1, -1, -1, -1, -1, 0, 1, 2, -1, -1, -1, 3, 2, 1, -1, -1, -1, -1, -1, -1, -1}, 1), GL_RGBA},
        {"indices ending early", CraftedGif({4, 2, 0, 0, 4, 2, {0, 1, 2, 3, 3}}), {}},
    };
    ExpectHandBuilt(gx::DecodeGif, cases);
    auto make = [](uint32_t w, uint32_t h) {
        const SGif gif = {uint16_t(w), uint16_t(h), 0, 0, uint16_t(w), uint16_t(h), std::vector<uint8_t>(w * h <= 16 ? w * h : 8, 1)};
        return w > 65535 || h > 65535 ? Bytes{} : CraftedGif(gif);
    };
    ExpectImpossibleSizesFail(gx::DecodeGif, make, 16384); // far more pixels than its codes can give
}
} // namespace
