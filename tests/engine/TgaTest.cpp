#include "CodecTestSupport.h"

#include <cstdio>

using namespace mosvane::test;

namespace
{
// Image type, bits per pixel and descriptor (origin and attribute bits) of the header.
std::string Describe(const Bytes& f)
{
    char text[16] = "short";
    if (f.size() >= 18)
        std::snprintf(text, sizeof text, "%d %d 0x%02X", f[2], f[16], f[17]);
    return text;
}

using TgaMagick = MagickTest;

TEST_F(TgaMagick, EveryTypeDepthAndOriginReadsAsImageMagickReadsIt)
{
    // This ImageMagick writes rows in memory order and sets the origin bit from the orientation, so
    // "-flip" makes a correct bottom-left file; it widens 5-bit fields by truncation (4 reads as
    // 32, not 33). True colour holds the picture itself, in either origin.
    constexpr EPicture kOpaque = EPicture::Opaque, kAlpha = EPicture::Alpha;
    const SMagickCase cases[] = {
        {"-orient TopLeft", kAlpha, "2 32 0x28", GL_BGRA, 0, true},
        {"-flip", kAlpha, "2 32 0x08", GL_BGRA, 0, true},
        {"-flip -alpha off -compress RLE", kOpaque, "10 24 0x00", GL_BGR, 0, true},
        {"-orient TopLeft -depth 5", kAlpha, "2 16 0x21", GL_BGRA, 1},
        {"-orient TopLeft -alpha off -type Palette", kOpaque, "1 8 0x20", GL_BGR},
        {"-flip -alpha off -type Palette -compress RLE", kOpaque, "9 8 0x00", GL_BGR},
        {"-orient TopLeft -alpha off -type Grayscale", kOpaque, "3 8 0x20", GL_BGR},
        {"-flip -alpha off -type Grayscale -compress RLE", kOpaque, "11 8 0x00", GL_BGR},
    };
    ExpectMagickCases(gx::DecodeTga, "tga", Describe, cases, 13, 7, m_dir);
}

struct STga
{
    uint8_t type = 2;
    uint16_t width = 1, height = 1;
    uint8_t bits = 24;
    uint8_t descriptor = 0x20; // top-left origin, no attribute bits
    Bytes data;
    uint8_t mapBits = 0; // 0: no colour map
    Bytes map = {};
    uint16_t mapFirst = 0;
    uint8_t attributeType = 0xFF; // else a TGA 2.0 extension area with this attribute type
};

Bytes BuildTga(const STga& t)
{
    CFileBuilder b;
    b.U8(0 /* no image ID */).U8(t.mapBits ? 1 : 0).U8(t.type);
    b.U16(t.mapFirst).U16(t.mapBits ? uint16_t(t.map.size() / ((t.mapBits + 7) / 8)) : 0).U8(t.mapBits);
    b.U16(0).U16(0 /* origin position, not read */).U16(t.width).U16(t.height).U8(t.bits).U8(t.descriptor);
    b.Raw(t.map).Raw(t.data);
    if (t.attributeType != 0xFF)
    {
        const size_t extension = b.m_bytes.size();
        b.U16(495).Zeros(492).U8(t.attributeType);
        b.U32(uint32_t(extension)).U32(0 /* developer area */).Text("TRUEVISION-XFILE.", 18);
    }
    return b.m_bytes;
}

// What this ImageMagick does not write: 15 bits, alpha from the extension area, colour maps of 15,
// 16 and 32 bits, 16-bit indices, and the right-hand origins.
TEST(TgaRead, HandBuiltVariantsAndImpossibleSizes)
{
    // Little-endian A RRRRR GGGGG BBBBB: white with the top bit clear, blue with it set, and green
    // 16 of 31 (widened to 132, where this ImageMagick gives 128).
    const Bytes p16 = {0xFF, 0x7F, 0x1F, 0x80, 0x00, 0x02};
    const Bytes map24 = {255, 0, 0, /**/ 0, 255, 0, /**/ 0, 0, 255};
    const Bytes grey16 = {10, 255, 20, 128, 30, 0, 40, 255}; // grey, attribute
    auto greys = [&](std::initializer_list<int> order) {
        Bytes rgba;
        for (int i : order)
            rgba.insert(rgba.end(), {grey16[2 * i], grey16[2 * i], grey16[2 * i], grey16[2 * i + 1]});
        return rgba;
    };
    const Bytes rgb565 = {0x1F, 0x80, 0xE0, 0x03, 0x00, 0xFC};
    const SHandBuilt cases[] = {
        {"15 bits: the attribute bit is not alpha", BuildTga({2, 3, 1, 15, 0x21, p16}),
         {255, 255, 255, 255, 0, 0, 255, 255, 0, 132, 0, 255}},
        // The extension area's attribute type overrides the descriptor's lack of attribute bits.
        {"attribute useful", BuildTga({2, 2, 1, 32, 0x20, {10, 20, 30, 0, 40, 50, 60, 0}, 0, {}, 0, 3}),
         {30, 20, 10, 0, 60, 50, 40, 0}, GL_BGRA},
        {"premultiplied", BuildTga({2, 1, 1, 32, 0x28, {64, 32, 0, 128}, 0, {}, 0, 4}), {0, 64, 128, 128}, GL_BGRA},
        // Colour maps starting at index 2.
        {"map of 32 bits", BuildTga({1, 3, 1, 8, 0x20, {2, 3, 4}, 32, {255, 0, 0, 10, 0, 255, 0, 20, 0, 0, 255, 255}, 2}),
         {0, 0, 255, 10, 0, 255, 0, 20, 255, 0, 0, 255}, GL_BGRA},
        {"map of 16 bits", BuildTga({1, 3, 1, 8, 0x21, {0, 1, 2}, 16, rgb565}),
         {0, 0, 255, 255, 0, 255, 0, 0, 255, 0, 0, 255}, GL_BGRA},
        {"map of 15 bits", BuildTga({1, 3, 1, 8, 0x21, {0, 1, 2}, 15, rgb565}),
         {0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255}},
        {"16-bit indices", BuildTga({1, 3, 1, 16, 0x20, {3, 0, 4, 0, 0, 1}, 24, map24, 2}),
         {0, 255, 0, 255, 255, 0, 0, 255, 0, 0, 255, 255}},
        // 2 x 2 grey with attribute in the four origins: the stored pixels in the order shown.
        {"top right", BuildTga({3, 2, 2, 16, 0x38, grey16}), greys({1, 0, 3, 2}), GL_BGRA},
        {"bottom left", BuildTga({3, 2, 2, 16, 0x08, grey16}), greys({2, 3, 0, 1}), GL_BGRA},
        {"bottom right", BuildTga({3, 2, 2, 16, 0x18, grey16}), greys({3, 2, 1, 0}), GL_BGRA},
        {"raw data ending early", BuildTga({2, 2, 1, 24, 0x20, {1, 2, 3, 4, 5}}), {}},
    };
    ExpectHandBuilt(gx::DecodeTga, cases);
    auto make = [](uint32_t w, uint32_t h) {
        return w > 65535 || h > 65535 ? Bytes{} : BuildTga({10, uint16_t(w), uint16_t(h), 24, 0x20, Bytes(64, 7)});
    };
    ExpectImpossibleSizesFail(gx::DecodeTga, make, 16384);
}

TEST(TgaWrite, RoundTripsExactlyTopLeft)
{
    ExpectWriterRoundTrips({"tga", gx::DecodeTga, Describe, {"2 24 0x20", "2 32 0x28"}});
}
} // namespace
