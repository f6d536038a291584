#include "CodecTestSupport.h"

using namespace mosvane::test;

namespace
{
const uint8_t kPalette[4][3] = {{10, 20, 30}, {200, 0, 0}, {0, 200, 0}, {0, 0, 200}};

struct SGif
{
    uint16_t screenWidth, screenHeight, left, top, width, height;
    std::vector<uint8_t> indices; // 2-bit
    int transparent = -1;         // palette index, or none
};

// A GIF built byte by byte. Its LZW data is uncompressed: a clear code before every pair of
// literals keeps the dictionary below 8 entries, so every code is 3 bits wide.
Bytes CraftedGif(const SGif& s)
{
    CFileBuilder gif;
    gif.Text("GIF89a", 6).U16(s.screenWidth).U16(s.screenHeight);
    gif.Raw({0x81, 0, 0}); // a global table of 4, background 0, no aspect
    for (int i = 0; i < 4; ++i)
        gif.Raw({kPalette[i][0], kPalette[i][1], kPalette[i][2]});
    if (s.transparent >= 0) // graphic control: 4 bytes, transparency flag, no delay, index, end
        gif.Raw({0x21, 0xF9, 0x04, 0x01, 0x00, 0x00, uint8_t(s.transparent), 0x00});
    gif.U8(0x2C).U16(s.left).U16(s.top).U16(s.width).U16(s.height); // image descriptor
    gif.Raw({0x00, 2}); // not interlaced, no local table; LZW code size 2
    Bytes lzw;
    uint32_t bits = 0, count = 0;
    auto code = [&](uint32_t c) {
        for (bits |= c << count, count += 3; count >= 8; count -= 8, bits >>= 8)
            lzw.push_back(uint8_t(bits));
    };
    for (size_t i = 0; i < s.indices.size(); ++i)
    {
        if (i % 2 == 0)
            code(4); // clear
        code(s.indices[i]);
    }
    code(5); // end of information
    if (count > 0)
        lzw.push_back(uint8_t(bits));
    gif.U8(uint32_t(lzw.size())).Raw(lzw).Raw({0x00, 0x3B}); // one sub-block, end of image data, trailer
    return gif.m_bytes;
}

// RGBA of palette indices, `transparent` with alpha 0; -1 is uncovered screen (transparent black).
Bytes Pixels(std::initializer_list<int> indices, int transparent = -1)
{
    Bytes rgba;
    for (int i : indices)
        if (i < 0)
            rgba.insert(rgba.end(), {0, 0, 0, 0});
        else
            rgba.insert(rgba.end(), {kPalette[i][0], kPalette[i][1], kPalette[i][2], uint8_t(i == transparent ? 0 : 255)});
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
