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
        {"-orient TopLeft -alpha off", kOpaque, "2 24 0x20", GL_BGR, 0, true},
        {"-flip", kAlpha, "2 32 0x08", GL_BGRA, 0, true},
        {"-flip -alpha off -compress RLE", kOpaque, "10 24 0x00", GL_BGR, 0, true},
        {"-orient TopLeft -compress RLE", kAlpha, "10 32 0x28", GL_BGRA, 0, true},
        {"-orient TopLeft -depth 5", kAlpha, "2 16 0x21", GL_BGRA, 1},
        {"-flip -depth 5 -alpha off", kOpaque, "2 16 0x00", GL_BGR, 1},
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
    std::string id = {};
    uint8_t attributeType = 0xFF; // else a TGA 2.0 extension area with this attribute type
};

Bytes BuildTga(const STga& t)
{
    CFileBuilder b;
    b.U8(uint8_t(t.id.size())).U8(t.mapBits ? 1 : 0).U8(t.type);
    b.U16(t.mapFirst).U16(t.mapBits ? uint16_t(t.map.size() / ((t.mapBits + 7) / 8)) : 0).U8(t.mapBits);
    b.U16(0).U16(0 /* origin position, not read */).U16(t.width).U16(t.height).U8(t.bits).U8(t.descriptor);
    b.Text(t.id.data(), t.id.size()).Raw(t.map).Raw(t.data);
    if (t.attributeType != 0xFF)
    {
        const size_t extension = b.m_bytes.size();
        b.U16(495).Zeros(492).U8(t.attributeType);
        b.U32(uint32_t(extension)).U32(0 /* developer area */).Text("TRUEVISION-XFILE.", 18);
    }
    return b.m_bytes;
}

// RGBA of indices into the map {1, 2, 3, 4, 5, 6, 7, 8} of 32 bits (B, G, R, A).
Bytes MapPixels(std::initializer_list<int> indices)
{
    Bytes rgba;
    for (int i : indices)
        rgba.insert(rgba.end(), {uint8_t(3 + 4 * i), uint8_t(2 + 4 * i), uint8_t(1 + 4 * i), uint8_t(4 + 4 * i)});
    return rgba;
}

TEST(TgaRead, HandBuiltVariantsAndImpossibleSizes)
{
    // Little-endian A RRRRR GGGGG BBBBB: white with the top bit clear, blue with it set, and green
    // 16 of 31 (widened to 132, where this ImageMagick gives 128).
    const Bytes p16 = {0xFF, 0x7F, 0x1F, 0x80, 0x00, 0x02};
    const Bytes p32 = {10, 20, 30, 0x80, 40, 50, 60, 0};
    const Bytes p32zero = {10, 20, 30, 0, 40, 50, 60, 0};
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
        // 32 bits without attribute bits: older writers; the data decides.
        {"32 bits, data", BuildTga({2, 2, 1, 32, 0x20, p32}), {30, 20, 10, 0x80, 60, 50, 40, 0}, GL_BGRA},
        {"32 bits, zeros", BuildTga({2, 2, 1, 32, 0x20, p32zero}), {30, 20, 10, 255, 60, 50, 40, 255}},
        {"32 bits, zeros meant", BuildTga({2, 2, 1, 32, 0x28, p32zero}), {30, 20, 10, 0, 60, 50, 40, 0}, GL_BGRA},
        // The extension area's attribute type overrides the descriptor.
        {"attribute kept, not used", BuildTga({2, 2, 1, 32, 0x28, p32, 0, {}, 0, {}, 2}),
         {30, 20, 10, 255, 60, 50, 40, 255}},
        {"attribute useful", BuildTga({2, 2, 1, 32, 0x20, p32zero, 0, {}, 0, {}, 3}), {30, 20, 10, 0, 60, 50, 40, 0},
         GL_BGRA},
        {"premultiplied", BuildTga({2, 1, 1, 32, 0x28, {64, 32, 0, 128}, 0, {}, 0, {}, 4}), {0, 64, 128, 128}, GL_BGRA},
        // Colour maps starting at index 2, after an image ID; 7 is outside and takes entry 2.
        {"map of 24 bits", BuildTga({1, 4, 1, 8, 0x20, {2, 3, 4, 7}, 24, map24, 2, "id, skipped"}),
         {0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255, 0, 0, 255, 255}},
        {"map of 32 bits", BuildTga({1, 3, 1, 8, 0x20, {2, 3, 4}, 32, {255, 0, 0, 10, 0, 255, 0, 20, 0, 0, 255, 255}, 2}),
         {0, 0, 255, 10, 0, 255, 0, 20, 255, 0, 0, 255}, GL_BGRA},
        {"map of 16 bits", BuildTga({1, 3, 1, 8, 0x21, {0, 1, 2}, 16, rgb565}),
         {0, 0, 255, 255, 0, 255, 0, 0, 255, 0, 0, 255}, GL_BGRA},
        {"map of 15 bits", BuildTga({1, 3, 1, 8, 0x21, {0, 1, 2}, 15, rgb565}),
         {0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255}},
        {"16-bit indices", BuildTga({1, 3, 1, 16, 0x20, {3, 0, 4, 0, 0, 1}, 24, map24, 2}),
         {0, 255, 0, 255, 255, 0, 0, 255, 0, 0, 255, 255}},
        // Run-length 16-bit indices into a 32-bit map, with an extension area: runs of 3 and 4,
        // raw packets of 3 and 2.
        {"run-length map",
         BuildTga({9, 4, 3, 16, 0x20, {0x82, 0, 0, 0x02, 1, 0, 0, 0, 1, 0, 0x83, 1, 0, 0x01, 0, 0, 1, 0}, 32,
                   {1, 2, 3, 4, 5, 6, 7, 8}, 0, {}, 3}),
         MapPixels({0, 0, 0, 1, 0, 1, 1, 1, 1, 1, 0, 1}), GL_BGRA},
        // 2 x 2 grey with attribute in the four origins: the stored pixels in the order shown.
        {"top left", BuildTga({3, 2, 2, 16, 0x28, grey16}), greys({0, 1, 2, 3}), GL_BGRA},
        {"top right", BuildTga({3, 2, 2, 16, 0x38, grey16}), greys({1, 0, 3, 2}), GL_BGRA},
        {"bottom left", BuildTga({3, 2, 2, 16, 0x08, grey16}), greys({2, 3, 0, 1}), GL_BGRA},
        {"bottom right", BuildTga({3, 2, 2, 16, 0x18, grey16}), greys({3, 2, 1, 0}), GL_BGRA},
        {"grey without attribute bits", BuildTga({3, 2, 1, 16, 0x20, {10, 255, 20, 0}}), {10, 10, 10, 255, 20, 20, 20, 255}},
        // Run length, 3 x 2: a run across the row end, a raw packet, a run longer than what is left.
        {"run length", BuildTga({11, 3, 2, 8, 0x20, {0x83, 50, 0x00, 60, 0x85, 70}}),
         {50, 50, 50, 255, 50, 50, 50, 255, 50, 50, 50, 255, 50, 50, 50, 255, 60, 60, 60, 255, 70, 70, 70, 255}},
        {"run length ending early", BuildTga({11, 3, 2, 8, 0x20, {0x83, 50, 0x00}}), {}},
        {"raw data ending early", BuildTga({2, 2, 1, 24, 0x20, {1, 2, 3, 4, 5}}), {}},
        {"colour-mapped without a map", BuildTga({1, 2, 2, 8, 0x20, Bytes(12, 7)}), {}},
        // An unused map of a kind that is not read is skipped.
        {"unused map of 8 bits", BuildTga({2, 1, 1, 24, 0x20, {1, 2, 3}, 8, {4, 5, 6}}), {3, 2, 1, 255}},
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
