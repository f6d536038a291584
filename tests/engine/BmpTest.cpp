#include "CodecTestSupport.h"

using namespace mosvane::test;

namespace
{
// Bits per pixel, and the compression of headers that have one.
std::string Describe(const Bytes& f)
{
    if (f.size() < 34)
        return "short";
    return Le32At(f, 14) == 12 ? std::to_string(f[24]) : std::to_string(f[28]) + " " + std::to_string(f[30]);
}

// This ImageMagick widens 4-bit fields by shifting alone (0xF reads as 0xF0).
void WidenNibbles(Bytes& rgba)
{
    for (uint8_t& v : rgba)
        v = uint8_t((v & 0xF0) | (v >> 4));
}

using BmpMagick = MagickTest;

TEST_F(BmpMagick, EveryVariantImageMagickWritesReadsAsItReadsIt)
{
    constexpr EPicture kFlat = EPicture::Stripes, kVaried = EPicture::Opaque;
    const SMagickCase cases[] = {
        {"-alpha off -define bmp:format=bmp3", kVaried, "24 0", GL_BGR, 0, true},
        {"", EPicture::Alpha, "32 3", GL_BGRA, 0, true},
        {"-alpha off -type Palette -define bmp:format=bmp2", kVaried, "8", GL_BGR},
        {"-alpha off -colors 2", kVaried, "1 0", GL_BGR},
        {"-alpha off -colors 16 -define bmp:format=bmp3", kVaried, "4 0", GL_BGR},
        {"-alpha off -type Palette -compress None", kFlat, "8 0", GL_BGR},
        {"-alpha off -type Palette -define bmp:format=bmp3", kFlat, "8 1", GL_BGR},
        {"-alpha off -type Palette", kVaried, "8 1", GL_BGR},
        {"-alpha off -define bmp:subtype=RGB565", kVaried, "16 3", GL_BGR},
        {"-define bmp:subtype=ARGB4444", EPicture::Alpha, "16 3", GL_BGRA, 0, false, WidenNibbles},
    };
    ExpectMagickCases(gx::DecodeBmp, "bmp", Describe, cases, 13, 7, m_dir); // odd width: every row is padded
}

// A BMP with a Windows header of 40 bytes or more, its masks after it.
struct SBmp
{
    int32_t width = 1, height = 1;
    uint16_t bits = 24;
    uint32_t compression = 0;
    Bytes pixels;
    Bytes palette = {}; // B, G, R, 0 an entry
    std::vector<uint32_t> masks = {};
    uint32_t headerSize = 40;
};

Bytes BuildBmp(const SBmp& s)
{
    CFileBuilder b;
    b.Text("BM", 2).U32(0 /* file size */).U32(0).U32(0 /* pixel offset */);
    b.U32(s.headerSize).U32(uint32_t(s.width)).U32(uint32_t(s.height)).U16(1 /* planes */).U16(s.bits);
    b.U32(s.compression).U32(uint32_t(s.pixels.size())).U32(2835).U32(2835).U32(0).U32(0);
    b.Zeros(s.headerSize - 40);
    for (uint32_t mask : s.masks)
        b.U32(mask);
    b.Raw(s.palette);
    b.Patch32(10, uint32_t(b.m_bytes.size()));
    b.Raw(s.pixels);
    b.Patch32(2, uint32_t(b.m_bytes.size()));
    return b.m_bytes;
}

// Entries 0 to 4: black, red, green, blue, yellow.
const Bytes kPalette = {0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 0, 255, 255, 0};
const Bytes kPalette4(kPalette.begin(), kPalette.begin() + 16);

Bytes Indexed(std::initializer_list<int> indices)
{
    static const uint8_t rgb[5][3] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
    Bytes rgba;
    for (int i : indices)
        rgba.insert(rgba.end(), {rgb[i][0], rgb[i][1], rgb[i][2], 255});
    return rgba;
}

// What this ImageMagick does not write: 2 bits, RLE4, damaged run-length streams, 2:10:10:10
// masks and top-down rows.
TEST(BmpRead, HandBuiltVariantsAndImpossibleSizes)
{
    const uint32_t wide = (2u << 30) | (1023u << 20) | (512u << 10); // 2:10:10:10
    const SHandBuilt cases[] = {
        {"os2 2.x, 2 bits", BuildBmp({5, 1, 2, 0, {0b00011011, 0b01000000, 0, 0}, kPalette4, {}, 64}),
         Indexed({0, 1, 2, 3, 1})},
        {"rle4, bottom-up 6 x 4", BuildBmp({6, 4, 4, 2, {
                                               0x05, 0x12,             // bottom row: five of 1, 2 alternating
                                               0x00, 0x00,             // end of line; the sixth keeps entry 0
                                               0x00, 0x03, 0x31, 0x20, // literal 3, 1, 2 (two bytes, even)
                                               0x04, 0x33,             // four 3s from column 3: cut at the end
                                               0x00, 0x00,             // end of line
                                               0x00, 0x02, 0x02, 0x01, // delta two right, one up: a row of 0
                                               0x02, 0x11,             // two 1s at columns 2 and 3 of the top
                                               0x00, 0x01,             // end of bitmap
                                           }, kPalette}),
         Indexed({0, 0, 1, 1, 0, 0, /**/ 0, 0, 0, 0, 0, 0, /**/ 3, 1, 2, 3, 3, 3, /**/ 1, 2, 1, 2, 1, 0})},
        // The stream fills the last row and ends without end of line or of bitmap.
        {"rle8, top-down 5 x 2", BuildBmp({5, -2, 8, 1, {
                                              0x00, 0x03, 1, 2, 3, 0x00,   // literal of three, padded to even
                                              0x03, 0x04,                  // three 4s from column 3: cut to two
                                              0x00, 0x00,                  // end of line
                                              0x00, 0x06, 1, 1, 2, 2, 3, 3 // literal of six: past the row end
                                          }, kPalette}),
         Indexed({1, 2, 3, 4, 4, /**/ 1, 1, 2, 2, 3})},
        // The same stream runs out before the third row: nothing is made of it.
        {"rle8 running out", BuildBmp({5, -3, 8, 1, {0x00, 0x03, 1, 2, 3, 0x00, 0x00, 0x00, 0x05, 0x01}, kPalette}), {}},
        {"rle8 delta out of the image",
         BuildBmp({5, 2, 8, 1, {0x02, 0x01, 0x00, 0x02, 0x00, 0x05, 0x02, 0x02}, kPalette}),
         Indexed({0, 0, 0, 0, 0, /**/ 1, 1, 0, 0, 0})},
        {"alpha bit fields, 2:10:10:10",
         BuildBmp({1, 1, 32, 6, {uint8_t(wide), uint8_t(wide >> 8), uint8_t(wide >> 16), uint8_t(wide >> 24)}, {},
                   {0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000}}),
         {255, 128, 0, 170}, GL_BGRA},
        {"top-down", BuildBmp({1, -2, 24, 0, {1, 2, 3, 0, 4, 5, 6, 0}}), {3, 2, 1, 255, 6, 5, 4, 255}},
        {"last row short", BuildBmp({1, 2, 24, 0, {1, 2, 3, 0, 4, 5}}), {}},
    };
    ExpectHandBuilt(gx::DecodeBmp, cases);
    auto make = [](uint32_t w, uint32_t h) { return BuildBmp({int32_t(w), int32_t(h), 24, 0, Bytes(64, 0x11)}); };
    ExpectImpossibleSizesFail(gx::DecodeBmp, make, 16384);
    // Run-length data has no size to check against, so the header alone must stop it.
    EXPECT_FALSE(Decode(gx::DecodeBmp, BuildBmp({60000, 60000, 8, 1, Bytes(64, 0x11)})).ok);
}

TEST(BmpWrite, RoundTripsExactlyWithAlphaAsBitFields)
{
    // 32 bits go out as bit fields with an alpha mask: readers take an all-zero fourth byte of
    // 32-bit BI_RGB for "no alpha".
    ExpectWriterRoundTrips({"BMP", gx::DecodeBmp, Describe, {"24 0", "32 3"}});
}
} // namespace
