#include "engine/codecs/Codecs.h"
#include "engine/gx.h"
#include "RasterFileTesting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <iterator>

using namespace rastertest;
using mosvane::test::CTempDir;
using mosvane::test::HaveImageMagick;
using mosvane::test::MagickWriteRgba;
using mosvane::test::PatternRgba;

namespace
{
uint32_t Le32At(const Bytes& b, size_t at)
{
    return uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) | (uint32_t(b[at + 3]) << 24);
}

// A picture of flat stripes three pixels wide, so that run-length writers make runs; more than
// sixteen colours from 8 x 6 on, so that palette writers choose 8 bits.
Bytes StripesRgba(uint32_t width, uint32_t height)
{
    Bytes rgba(size_t(width) * height * 4);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
        {
            uint8_t* p = &rgba[(size_t(y) * width + x) * 4];
            const uint32_t k = x / 3 + 4 * y;
            p[0] = uint8_t(k * 60);
            p[1] = uint8_t(255 - k * 35);
            p[2] = uint8_t((k & 1) * 200);
            p[3] = 255;
        }
    return rgba;
}

// A BMP with a Windows header of 40 bytes or more, built field by field. Masks go into the
// header when it has room for them, else after a 40-byte header.
struct SBmp
{
    uint32_t headerSize = 40;
    int32_t width = 1, height = 1;
    uint16_t bits = 24;
    uint32_t compression = 0;
    uint32_t colorsUsed = 0;
    std::vector<uint32_t> masks;
    Bytes palette; // 4 bytes an entry: B, G, R, 0
    Bytes pixels;
    bool zeroPixelOffset = false;
};

Bytes BuildBmp(const SBmp& s)
{
    CFileBuilder b;
    b.Text("BM", 2).U32(0 /* file size, patched */).U32(0 /* reserved */).U32(0 /* pixel offset, patched */);
    b.U32(s.headerSize).U32(uint32_t(s.width)).U32(uint32_t(s.height)).U16(1 /* planes */).U16(s.bits);
    b.U32(s.compression).U32(uint32_t(s.pixels.size())).U32(2835).U32(2835).U32(s.colorsUsed).U32(0);
    if (s.headerSize > 40)
    {
        for (size_t i = 0; i < 4 && 40 + i * 4 < s.headerSize; ++i)
            b.U32(i < s.masks.size() ? s.masks[i] : 0);
        b.Zeros(14 + s.headerSize - b.Size());
    }
    else
    {
        for (uint32_t m : s.masks)
            b.U32(m);
    }
    b.Raw(s.palette);
    const size_t offset = b.Size();
    b.Raw(s.pixels);
    b.Patch32(2, uint32_t(b.Size()));
    b.Patch32(10, s.zeroPixelOffset ? 0 : uint32_t(offset));
    return b.Get();
}

// Four palette entries: black, red, green, blue; then yellow.
const Bytes kPalette = {0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 0, 255, 255, 0};

Bytes PaletteRgba(std::initializer_list<int> indices)
{
    static const uint8_t rgb[5][3] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
    Bytes rgba;
    for (int i : indices)
        rgba.insert(rgba.end(), {rgb[i][0], rgb[i][1], rgb[i][2], 255});
    return rgba;
}

// This ImageMagick widens 4-bit fields and 1-bit alpha by shifting alone (0xF reads as 0xF0, an
// opaque 1-bit alpha as 0x80); its decode is brought to full range before comparing.
enum class EMagickQuirk
{
    None,
    NibbleFields,
    OneBitAlpha,
};

struct SMagickBmp
{
    const char* options;
    bool alphaSource;
    uint32_t headerSize;
    uint16_t bits;
    uint32_t compression; // not stored in 12-byte headers
    uint32_t format;
    EMagickQuirk quirk = EMagickQuirk::None;
};

// What this ImageMagick writes for each set of options, checked so that each case stays the
// variant it is meant to be.
const SMagickBmp kMagickVariants[] = {
    {"-alpha off -define bmp:format=bmp3", false, 40, 24, 0, GL_BGR},
    {"-alpha off", false, 124, 24, 0, GL_BGR},
    {"-alpha off -type Grayscale", false, 108, 24, 0, GL_BGR},
    {"", true, 124, 32, 3, GL_BGRA},
    {"-alpha off -define bmp:format=bmp2", false, 12, 24, 0, GL_BGR},
    {"-alpha off -type Palette -define bmp:format=bmp2", false, 12, 8, 0, GL_BGR},
    {"-alpha off -colors 16 -define bmp:format=bmp2", false, 12, 4, 0, GL_BGR},
    {"-alpha off -colors 2 -define bmp:format=bmp2", false, 12, 1, 0, GL_BGR},
    {"-alpha off -colors 2", false, 124, 1, 0, GL_BGR},
    {"-alpha off -colors 16 -define bmp:format=bmp3", false, 40, 4, 0, GL_BGR},
    {"-alpha off -type Palette -compress None", false, 124, 8, 0, GL_BGR},
    {"-alpha off -type Palette -define bmp:format=bmp3", false, 40, 8, 1, GL_BGR},
    {"-alpha off -type Palette", false, 124, 8, 1, GL_BGR},
    {"-alpha off -define bmp:subtype=RGB565", false, 124, 16, 3, GL_BGR},
    {"-alpha off -define bmp:subtype=RGB555", false, 124, 16, 3, GL_BGR},
    {"-define bmp:subtype=ARGB4444", true, 124, 16, 3, GL_BGRA, EMagickQuirk::NibbleFields},
    {"-define bmp:subtype=ARGB1555", true, 124, 16, 3, GL_BGRA, EMagickQuirk::OneBitAlpha},
};

struct BmpMagick : ::testing::Test
{
    void SetUp() override
    {
        if (!HaveImageMagick())
            GTEST_SKIP() << "ImageMagick is not installed";
    }
    CTempDir m_dir;

    // Writes the variant and checks its header; empty on failure.
    Bytes WriteVariant(const SMagickBmp& v, const Bytes& rgba, uint32_t w, uint32_t h, const std::string& path)
    {
        Bytes file;
        EXPECT_TRUE(MagickWriteRgba(rgba, w, h, path, v.options));
        EXPECT_TRUE(mosvane::test::ReadFileBytes(path, file));
        if (file.size() < 30)
            return {};
        const uint32_t headerSize = Le32At(file, 14);
        EXPECT_EQ(headerSize, v.headerSize);
        const size_t bitsAt = headerSize == 12 ? 24 : 28;
        EXPECT_EQ(file[bitsAt] | (file[bitsAt + 1] << 8), v.bits);
        if (headerSize != 12)
        {
            EXPECT_EQ(Le32At(file, 30), v.compression);
        }
        return file;
    }
};

TEST_F(BmpMagick, ReadsEveryVariantImageMagickWritesAsItDoes)
{
    const uint32_t w = 13, h = 7; // odd width: every row needs padding
    int n = 0;
    for (const SMagickBmp& v : kMagickVariants)
        for (const Bytes& picture : {PatternRgba(w, h, v.alphaSource), StripesRgba(w, h)})
        {
            SCOPED_TRACE(v.options);
            const std::string path = m_dir.File("v" + std::to_string(n++) + ".bmp");
            if (WriteVariant(v, picture, w, h, path).empty())
                continue;
            const SDecoded ours = DecodeFile(gx::DecodeBmp, path);
            ASSERT_TRUE(ours.ok);
            EXPECT_EQ(ours.format, v.format);
            uint32_t mw = 0, mh = 0;
            Bytes theirs;
            ASSERT_TRUE(MagickRgba(path, mw, mh, theirs));
            ASSERT_EQ(ours.width, mw);
            ASSERT_EQ(ours.height, mh);
            for (size_t i = 0; i < theirs.size(); ++i)
            {
                if (v.quirk == EMagickQuirk::NibbleFields)
                    theirs[i] = uint8_t((theirs[i] & 0xF0) | (theirs[i] >> 4));
                else if (v.quirk == EMagickQuirk::OneBitAlpha && i % 4 == 3)
                    theirs[i] = theirs[i] ? 255 : 0;
            }
            EXPECT_EQ(ours.rgba, theirs);
        }
}

TEST_F(BmpMagick, TopDownRowsReadLikeBottomUp)
{
    const uint32_t w = 5, h = 4;
    for (const char* options : {"-alpha off -define bmp:format=bmp3", ""})
    {
        const std::string path = m_dir.File("up.bmp");
        ASSERT_TRUE(MagickWriteRgba(PatternRgba(w, h, true), w, h, path, options));
        Bytes file;
        ASSERT_TRUE(mosvane::test::ReadFileBytes(path, file));
        const SDecoded bottomUp = Decode(gx::DecodeBmp, file);
        ASSERT_TRUE(bottomUp.ok);
        // Reverse the stored rows and negate the height.
        const uint32_t offset = Le32At(file, 10);
        const size_t stride = (file.size() - offset) / h;
        Bytes topDown(file.begin(), file.begin() + offset);
        for (uint32_t r = h; r-- > 0;)
            topDown.insert(topDown.end(), file.begin() + offset + r * stride, file.begin() + offset + (r + 1) * stride);
        const uint32_t negative = uint32_t(-int32_t(h));
        for (int i = 0; i < 4; ++i)
            topDown[22 + i] = uint8_t(negative >> (8 * i));
        const SDecoded d = Decode(gx::DecodeBmp, topDown);
        ASSERT_TRUE(d.ok);
        EXPECT_EQ(d.rgba, bottomUp.rgba) << options;
    }
}

TEST_F(BmpMagick, ThirtyTwoBitRgbIsAlphaOnlyWhenSomeFourthByteIsSet)
{
    // 40-byte header, BI_RGB, 2 x 1 pixels of B, G, R, X.
    for (const Bytes& fourth : {Bytes{0x80, 0xFF}, Bytes{0, 0}, Bytes{0, 0x40}})
    {
        SBmp s;
        s.width = 2;
        s.bits = 32;
        s.pixels = {10, 20, 30, fourth[0], 40, 50, 60, fourth[1]};
        const Bytes file = BuildBmp(s);
        const std::string path = m_dir.File("rgb32.bmp");
        WriteFile(path, file);
        ExpectMatchesMagick(gx::DecodeBmp, path);
        const bool opaque = fourth == Bytes{0, 0};
        EXPECT_EQ(Decode(gx::DecodeBmp, file).format, opaque ? GL_BGR : GL_BGRA);
    }
}

TEST_F(BmpMagick, BitFieldEdgeCasesReadAsImageMagickReadsThem)
{
    const std::string path = m_dir.File("fields.bmp");
    // Masks after a 40-byte header, here red in the low byte and blue in the third.
    SBmp f;
    f.width = 2;
    f.bits = 32;
    f.compression = 3;
    f.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
    f.pixels = {10, 20, 30, 0, 40, 50, 60, 0};
    WriteFile(path, BuildBmp(f));
    ExpectMatchesMagick(gx::DecodeBmp, path);
    EXPECT_EQ(DecodeFile(gx::DecodeBmp, path).rgba, (Bytes{10, 20, 30, 255, 40, 50, 60, 255}));

    // An alpha mask that finds only zeros: the writer said alpha, so the pixels are transparent.
    SBmp z;
    z.headerSize = 124;
    z.width = 2;
    z.bits = 32;
    z.compression = 3;
    z.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    z.pixels = {10, 20, 30, 0, 40, 50, 60, 0};
    WriteFile(path, BuildBmp(z));
    ExpectMatchesMagick(gx::DecodeBmp, path);
}

TEST(BmpRead, RunLengthFourBitsHonoursRunsLiteralsDeltaAndEnds)
{
    SBmp s;
    s.width = 6;
    s.height = 4; // bottom-up: the first stored row is the bottom one
    s.bits = 4;
    s.compression = 2;
    s.palette = kPalette;
    s.colorsUsed = 5;
    s.pixels = {
        0x05, 0x12,             // bottom row: run of five alternating 1, 2
        0x00, 0x00,             // end of line; the sixth pixel keeps entry 0
        0x00, 0x03, 0x31, 0x20, // literal of three: 3, 1, 2 (two bytes, already even)
        0x04, 0x33,             // run of four 3s from column 3: the fourth is cut at the row end
        0x00, 0x00,             // end of line
        0x00, 0x02, 0x02, 0x01, // delta: two right, one up, so the third row stays entry 0
        0x02, 0x11,             // run of two 1s at columns 2 and 3 of the top row
        0x00, 0x01,             // end of bitmap
    };
    const SDecoded d = Decode(gx::DecodeBmp, BuildBmp(s));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.format, GL_BGR);
    Bytes expected = PaletteRgba({0, 0, 1, 1, 0, 0});
    for (const Bytes& row : {PaletteRgba({0, 0, 0, 0, 0, 0}), PaletteRgba({3, 1, 2, 3, 3, 3}), PaletteRgba({1, 2, 1, 2, 1, 0})})
        expected.insert(expected.end(), row.begin(), row.end());
    EXPECT_EQ(d.rgba, expected);
}

TEST(BmpRead, RunLengthEightBitsKeepsWhatAnUnfinishedStreamDecoded)
{
    SBmp s;
    s.width = 5;
    s.height = -3; // top-down
    s.bits = 8;
    s.compression = 1;
    s.palette = kPalette;
    s.pixels = {
        0x00, 0x03, 0x01, 0x02, 0x03, 0x00, // literal of three, padded to an even length
        0x03, 0x04,                         // run of three 4s from column 3: cut to two
        0x00, 0x00,                         // end of line
        0x00, 0x06, 1, 1, 2, 2, 3, 3,       // literal of six: the sixth passes the row end
        // the stream stops here, without end of line or end of bitmap
    };
    const SDecoded d = Decode(gx::DecodeBmp, BuildBmp(s));
    ASSERT_TRUE(d.ok);
    Bytes expected = PaletteRgba({1, 2, 3, 4, 4});
    for (const Bytes& row : {PaletteRgba({1, 1, 2, 2, 3}), PaletteRgba({0, 0, 0, 0, 0})})
        expected.insert(expected.end(), row.begin(), row.end());
    EXPECT_EQ(d.rgba, expected);

    // A delta that leaves the image ends decoding: nothing is written anywhere else.
    s.height = 2;
    s.pixels = {0x02, 0x01, 0x00, 0x02, 0x00, 0x05, 0x02, 0x02};
    const SDecoded e = Decode(gx::DecodeBmp, BuildBmp(s));
    ASSERT_TRUE(e.ok);
    Bytes bottomRun = PaletteRgba({0, 0, 0, 0, 0, 1, 1, 0, 0, 0});
    EXPECT_EQ(e.rgba, bottomRun);
}

TEST(BmpRead, OlderHeadersAndRareDepths)
{
    // OS/2 1.x core header: 16-bit sizes, 3-byte palette entries.
    CFileBuilder core;
    core.Text("BM", 2).U32(0).U32(0).U32(14 + 12 + 6);
    core.U32(12).U16(3 /* width */).U16(1 /* height */).U16(1 /* planes */).U16(1 /* bits */);
    core.Raw({0, 0, 255, /* red */ 255, 0, 0 /* blue */});
    core.Raw({0b01000000, 0, 0, 0}); // indices 0, 1, 0 and padding
    SDecoded d = Decode(gx::DecodeBmp, core.Get());
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.rgba, (Bytes{255, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0, 255}));

    // OS/2 2.x 64-byte header with a 2-bit palette image; 2-bit indices pack four to a byte.
    SBmp os2;
    os2.headerSize = 64;
    os2.width = 5;
    os2.bits = 2;
    os2.palette.assign(kPalette.begin(), kPalette.begin() + 16);
    os2.pixels = {0b00011011, 0b01000000, 0, 0};
    d = Decode(gx::DecodeBmp, BuildBmp(os2));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.rgba, PaletteRgba({0, 1, 2, 3, 1}));
    // OS/2 2.x compression 3 is Huffman 1D, not bit fields.
    os2.bits = 1;
    os2.compression = 3;
    EXPECT_FALSE(Decode(gx::DecodeBmp, BuildBmp(os2)).ok);

    // BI_ALPHABITFIELDS after a 40-byte header, with 2:10:10:10 masks: red 1023, green 512, blue 0,
    // alpha 2 of 3.
    SBmp wide;
    wide.width = 1;
    wide.bits = 32;
    wide.compression = 6;
    wide.masks = {0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000};
    const uint32_t v = (2u << 30) | (1023u << 20) | (512u << 10);
    wide.pixels = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    d = Decode(gx::DecodeBmp, BuildBmp(wide));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.format, GL_BGRA);
    EXPECT_EQ(d.rgba, (Bytes{255, 128, 0, 170}));

    // 32-bit BI_RGB in a V5 header: the fourth byte still counts as alpha once any is non-zero.
    SBmp v5;
    v5.headerSize = 124;
    v5.width = 2;
    v5.bits = 32;
    v5.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    v5.pixels = {10, 20, 30, 0x80, 40, 50, 60, 0};
    d = Decode(gx::DecodeBmp, BuildBmp(v5));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.rgba, (Bytes{30, 20, 10, 0x80, 60, 50, 40, 0}));

    // Index 9 lies beyond the four stored entries and takes entry 0, as ImageMagick does too
    // (with a warning).
    SBmp range;
    range.width = 4;
    range.bits = 8;
    range.colorsUsed = 4;
    range.palette.assign(kPalette.begin(), kPalette.begin() + 16);
    range.pixels = {1, 9, 3, 2};
    d = Decode(gx::DecodeBmp, BuildBmp(range));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.rgba, PaletteRgba({1, 0, 3, 2}));

    // A pixel offset of 0 means "after the palette".
    SBmp zero;
    zero.width = 2;
    zero.bits = 8;
    zero.colorsUsed = 4;
    zero.palette.assign(kPalette.begin(), kPalette.begin() + 16);
    zero.pixels = {3, 2, 0, 0};
    zero.zeroPixelOffset = true;
    d = Decode(gx::DecodeBmp, BuildBmp(zero));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.rgba, PaletteRgba({3, 2}));
}

TEST(BmpRead, SizesOutsideTheLimitsFailFromTheHeader)
{
    auto header = [](int32_t w, int32_t h, uint16_t bits, uint32_t compression) {
        SBmp s;
        s.width = w;
        s.height = h;
        s.bits = bits;
        s.compression = compression;
        s.pixels.assign(64, 0x11);
        return BuildBmp(s);
    };
    EXPECT_FALSE(Decode(gx::DecodeBmp, header(65536, 1, 24, 0)).ok);
    EXPECT_FALSE(Decode(gx::DecodeBmp, header(1, 65536, 24, 0)).ok);
    EXPECT_FALSE(Decode(gx::DecodeBmp, header(1, -65536, 24, 0)).ok);
    EXPECT_FALSE(Decode(gx::DecodeBmp, header(60000, 60000, 24, 0)).ok);
    EXPECT_FALSE(Decode(gx::DecodeBmp, header(60000, 60000, 8, 1)).ok); // RLE: no data check helps
    EXPECT_FALSE(Decode(gx::DecodeBmp, header(65535, 5462, 24, 0)).ok); // just past 1 GiB
    EXPECT_FALSE(Decode(gx::DecodeBmp, header(0, 5, 24, 0)).ok);
    EXPECT_FALSE(Decode(gx::DecodeBmp, header(5, 0, 24, 0)).ok);
    EXPECT_FALSE(Decode(gx::DecodeBmp, header(-5, 5, 24, 0)).ok);
    EXPECT_FALSE(Decode(gx::DecodeBmp, header(5, INT32_MIN, 24, 0)).ok);
    // A size within the limits whose pixels the file does not hold fails before allocating.
    EXPECT_FALSE(Decode(gx::DecodeBmp, header(16384, 16384, 32, 0)).ok);
    // Unknown depths and compressions.
    EXPECT_FALSE(Decode(gx::DecodeBmp, header(2, 2, 7, 0)).ok);
    EXPECT_FALSE(Decode(gx::DecodeBmp, header(2, 2, 24, 1)).ok);
    EXPECT_FALSE(Decode(gx::DecodeBmp, header(2, 2, 8, 4)).ok);
    EXPECT_TRUE(Decode(gx::DecodeBmp, header(4, 4, 24, 0)).ok);
}

TEST(BmpRead, OnlyTheLastRowMayLackItsPadding)
{
    SBmp s;
    s.width = 1;
    s.height = 2;
    s.pixels = {1, 2, 3, 0, 4, 5, 6}; // two 3-byte rows padded to 4; the last padding missing
    EXPECT_TRUE(Decode(gx::DecodeBmp, BuildBmp(s)).ok);
    s.pixels.pop_back();
    EXPECT_FALSE(Decode(gx::DecodeBmp, BuildBmp(s)).ok);
}

// Writing.

gx::CBitmap BitmapFrom(const Bytes& rgba, uint32_t w, uint32_t h, uint32_t format)
{
    gx::CBitmap bitmap;
    EXPECT_TRUE(bitmap.Allocate(w, h, format));
    gx::ConvertPixels(rgba.data(), GL_RGBA, bitmap.m_pixels.data(), format, size_t(w) * h);
    return bitmap;
}

TEST(BmpWrite, EveryPixelFormatRoundTripsAndImageMagickAgrees)
{
    CTempDir dir;
    const uint32_t w = 11, h = 5;
    for (const uint32_t format : {GL_RGB, GL_RGBA, GL_BGR, GL_BGRA})
    {
        SCOPED_TRACE(format);
        const bool alpha = gx::BytesPerPixel(format) == 4;
        const Bytes source = PatternRgba(w, h, alpha);
        Bytes file;
        ASSERT_TRUE(gx::EncodeBmp(BitmapFrom(source, w, h, format), file));
        EXPECT_EQ(Le32At(file, 14), alpha ? 124u : 40u);
        EXPECT_EQ(file[28], alpha ? 32 : 24);
        EXPECT_EQ(Le32At(file, 30), alpha ? 3u : 0u);
        if (alpha)
        {
            EXPECT_EQ(Le32At(file, 14 + 52), 0xFF000000u);
        }

        const SDecoded d = Decode(gx::DecodeBmp, file);
        ASSERT_TRUE(d.ok);
        EXPECT_EQ(d.format, alpha ? GL_BGRA : GL_BGR);
        EXPECT_EQ(d.rgba, source);

        if (HaveImageMagick())
        {
            const std::string path = dir.File("ours.bmp");
            WriteFile(path, file);
            uint32_t mw = 0, mh = 0;
            Bytes theirs;
            ASSERT_TRUE(mosvane::test::MagickReadRgba(path, mw, mh, theirs));
            EXPECT_EQ(theirs, source);
        }
    }
}

TEST(BmpWrite, FullyTransparentPixelsStayTransparent)
{
    // The reason for bit fields over a 32-bit BI_RGB file: readers take an all-zero fourth byte
    // of BI_RGB for "no alpha".
    const Bytes clear = {10, 20, 30, 0, 40, 50, 60, 0};
    Bytes file;
    ASSERT_TRUE(gx::EncodeBmp(BitmapFrom(clear, 2, 1, GL_RGBA), file));
    EXPECT_EQ(Decode(gx::DecodeBmp, file).rgba, clear);
    if (HaveImageMagick())
    {
        CTempDir dir;
        WriteFile(dir.File("clear.bmp"), file);
        uint32_t w = 0, h = 0;
        Bytes theirs;
        ASSERT_TRUE(mosvane::test::MagickReadRgba(dir.File("clear.bmp"), w, h, theirs));
        EXPECT_EQ(theirs[3], 0);
        EXPECT_EQ(theirs[7], 0);
    }
}

TEST(BmpWrite, EngineSavesAndLoadsByExtension)
{
    CTempDir dir;
    ASSERT_TRUE(gxInitialize());
    uint32_t id = 0;
    gxGenImages(1, &id);
    gxBindImage(id);
    ASSERT_TRUE(gxTexImage(3, 2, GL_RGBA));
    const Bytes rgba = PatternRgba(3, 2, true);
    ASSERT_TRUE(gxSetPixels(0, 0, 3, 2, GL_RGBA, rgba.data()));
    const std::string path = dir.File("saved.BMP");
    ASSERT_TRUE(gxSaveImage(path.c_str(), true));
    const GX_IMAGE loaded = gxLoadImage(path.c_str());
    ASSERT_NE(loaded.id, 0u);
    EXPECT_EQ(loaded.format, uint32_t(GL_BGRA));
    EXPECT_EQ(loaded.bytesPerPixel, 4);
    EXPECT_EQ(loaded.width, 3);
    EXPECT_EQ(loaded.height, 2);
    // Saved flipped: the loaded top row is the source's bottom row.
    const uint8_t* p = gxGetImageBuffer(loaded.id);
    EXPECT_EQ(p[0], rgba[12 + 2]);
    EXPECT_EQ(p[3], rgba[12 + 3]);
    gxDestroy();
}

// The corpus: the PngSuite converted to 32-bit BMP by another program, against the expected
// pixels of the PNG files. The converter keeps 8-bit pixels exactly; for 16-bit files without a
// reduced copy of the expected pixels it reduced colours by its own rounding (within one level),
// and it does not keep the colour of fully transparent pixels.

Bytes ReadJsonNumbers(const std::string& path)
{
    std::ifstream in(path);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<uint32_t> values;
    uint32_t value = 0;
    bool inNumber = false;
    for (char c : text)
    {
        if (c >= '0' && c <= '9')
        {
            value = value * 10 + uint32_t(c - '0');
            inNumber = true;
        }
        else if (inNumber)
        {
            values.push_back(value);
            value = 0;
            inNumber = false;
        }
    }
    const bool wide = std::any_of(values.begin(), values.end(), [](uint32_t v) { return v > 255; });
    Bytes bytes;
    for (uint32_t v : values)
        bytes.push_back(uint8_t(wide ? (v * 255 + 32767) / 65535 : v));
    return bytes;
}

TEST(BmpCorpus, PngSuiteConversionsMatchTheExpectedPixels)
{
    const std::string root = mosvane::test::CorpusDir() + "/pngsuite";
    DIR* dir = ::opendir((root + "/bmp").c_str());
    if (!dir)
        GTEST_SKIP() << "no corpus at " << root;
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(dir))
    {
        const std::string name = e->d_name;
        if (name.size() > 4 && name.substr(name.size() - 4) == ".bmp")
            names.push_back(name.substr(0, name.size() - 4));
    }
    ::closedir(dir);
    ASSERT_GT(names.size(), 100u);
    for (const std::string& name : names)
    {
        SCOPED_TRACE(name);
        const SDecoded d = DecodeFile(gx::DecodeBmp, root + "/bmp/" + name + ".bmp");
        ASSERT_TRUE(d.ok);
        const bool reduced = mosvane::test::FileExists(root + "/json/" + name + "_to8.json");
        const std::string json = root + "/json/" + name + (reduced ? "_to8.json" : ".json");
        if (!mosvane::test::FileExists(json))
            continue;
        const Bytes expected = ReadJsonNumbers(json);
        ASSERT_EQ(expected.size(), d.rgba.size());
        const bool sixteen = name.substr(name.size() - 2) == "16" && !reduced;
        int worst = 0;
        for (size_t i = 0; i < expected.size(); i += 4)
        {
            if (expected[i + 3] == 0 && d.rgba[i + 3] == 0)
                continue;
            for (size_t c = 0; c < 4; ++c)
                worst = std::max(worst, std::abs(int(expected[i + c]) - int(d.rgba[i + c])));
        }
        EXPECT_LE(worst, sixteen ? 1 : 0);
    }
}

// Damage.

TEST_F(BmpMagick, DamagedFilesFailOrDecodeCleanly)
{
    std::vector<Bytes> fixtures;
    int n = 0;
    for (const SMagickBmp& v : kMagickVariants)
    {
        const std::string path = m_dir.File("d" + std::to_string(n++) + ".bmp");
        fixtures.push_back(WriteVariant(v, StripesRgba(8, 6), 8, 6, path));
    }
    SBmp rle4;
    rle4.width = 6;
    rle4.height = 2;
    rle4.bits = 4;
    rle4.compression = 2;
    rle4.palette = kPalette;
    rle4.pixels = {0x05, 0x12, 0x00, 0x00, 0x00, 0x03, 0x31, 0x20, 0x00, 0x02, 0x01, 0x00, 0x02, 0x11, 0x00, 0x01};
    fixtures.push_back(BuildBmp(rle4));
    for (size_t i = 0; i < fixtures.size(); ++i)
    {
        SCOPED_TRACE("fixture " + std::to_string(i));
        ASSERT_TRUE(Decode(gx::DecodeBmp, fixtures[i]).ok);
        ExpectCleanCuts(gx::DecodeBmp, fixtures[i]);
        ExpectCleanMutations(gx::DecodeBmp, fixtures[i], 300, 1234 + uint32_t(i));
    }
}
} // namespace
