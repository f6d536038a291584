#include "CodecTestSupport.h"
#include "engine/codecs/Codecs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace mosvane::test;

namespace
{
constexpr uint32_t kW = 16, kH = 12;

enum class EAlpha
{
    Opaque,
    Smooth,
    Binary, // only 0 and 255, so a palette with a transparency chunk can hold it
};

std::vector<uint8_t> Picture(EAlpha alpha)
{
    std::vector<uint8_t> rgba = PatternRgba(kW, kH, alpha != EAlpha::Opaque);
    if (alpha == EAlpha::Binary)
        for (size_t i = 3; i < rgba.size(); i += 4)
            rgba[i] = rgba[i] < 200 ? 0 : 255;
    return rgba;
}

struct SIhdr
{
    uint32_t width, height;
    int depth, colorType, interlace;
};

SIhdr ReadIhdr(const std::vector<uint8_t>& file)
{
    if (file.size() < 29)
        return {};
    return {GetBe32(&file[16]), GetBe32(&file[20]), file[24], file[25], file[28]};
}

// Decodes with our reader and with ImageMagick; both as RGBA.
void ExpectSameAsMagick(const std::string& path, uint32_t expectedFormat)
{
    std::vector<uint8_t> file;
    ASSERT_TRUE(ReadFileBytes(path, file));
    gx::CBitmap ours;
    ASSERT_TRUE(gx::DecodePng(file, ours));
    EXPECT_EQ(ours.m_nFormat, expectedFormat);
    uint32_t w = 0, h = 0;
    std::vector<uint8_t> magick;
    ASSERT_TRUE(MagickReadRgba(path, w, h, magick));
    ASSERT_EQ(ours.m_nWidth, w);
    ASSERT_EQ(ours.m_nHeight, h);
    EXPECT_EQ(MaxDifference(ToRgba(ours), magick), 0);
}

// The numbers of a JSON array of integers.
std::vector<int> ReadJsonNumbers(const std::string& path)
{
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (char& c : text)
        if (c == '[' || c == ']' || c == ',')
            c = ' ';
    std::istringstream numbers(text);
    std::vector<int> values;
    for (int v; numbers >> v;)
        values.push_back(v);
    return values;
}

// A PNG of the given header with a valid (tiny) zlib stream as its data.
std::vector<uint8_t> CraftedPng(uint32_t width, uint32_t height, uint8_t depth, uint8_t colorType)
{
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> ihdr;
    PutBe32(ihdr, width);
    PutBe32(ihdr, height);
    ihdr.insert(ihdr.end(), {depth, colorType, 0 /* deflate */, 0 /* filters */, 0 /* no interlace */});
    PutChunk(png, "IHDR", ihdr);
    // Small pictures get their rows of zeros; big ones an empty zlib stream, since they must fail
    // on their header alone.
    std::vector<uint8_t> rows;
    if (uint64_t(width) * height <= 4096)
        rows.resize(height * (1 + (size_t(width) * depth * (colorType == 2 ? 3 : colorType == 6 ? 4 : 1) + 7) / 8));
    std::vector<uint8_t> idat(compressBound(uLong(rows.size())));
    uLongf idatSize = uLongf(idat.size());
    compress(idat.data(), &idatSize, rows.data(), uLong(rows.size()));
    idat.resize(idatSize);
    PutChunk(png, "IDAT", idat);
    PutChunk(png, "IEND", {});
    return png;
}
} // namespace

TEST(PngDecode, MatchesImageMagickForEveryColourTypeAndDepth)
{
    if (!HaveImageMagick())
        GTEST_SKIP() << "ImageMagick is not installed";
    struct SCase
    {
        const char* name;
        EAlpha alpha;
        const char* options;
        SIhdr ihdr; // width and height left 0: not checked
        uint32_t format;
    };
    const SCase cases[] = {
        {"grey1", EAlpha::Opaque, "-colorspace gray -define png:color-type=0 -define png:bit-depth=1", {0, 0, 1, 0, 0}, GL_RGB},
        {"grey2", EAlpha::Opaque, "-colorspace gray -define png:color-type=0 -define png:bit-depth=2", {0, 0, 2, 0, 0}, GL_RGB},
        {"grey4", EAlpha::Opaque, "-colorspace gray -define png:color-type=0 -define png:bit-depth=4", {0, 0, 4, 0, 0}, GL_RGB},
        {"grey8", EAlpha::Opaque, "-colorspace gray -define png:color-type=0 -define png:bit-depth=8", {0, 0, 8, 0, 0}, GL_RGB},
        {"grey16", EAlpha::Opaque, "-colorspace gray -define png:color-type=0 -define png:bit-depth=16", {0, 0, 16, 0, 0}, GL_RGB},
        {"greyalpha8", EAlpha::Smooth, "-colorspace gray -define png:color-type=4 -define png:bit-depth=8", {0, 0, 8, 4, 0}, GL_RGBA},
        {"greyalpha16", EAlpha::Smooth, "-colorspace gray -define png:color-type=4 -define png:bit-depth=16", {0, 0, 16, 4, 0}, GL_RGBA},
        {"rgb8", EAlpha::Opaque, "-define png:color-type=2 -define png:bit-depth=8", {0, 0, 8, 2, 0}, GL_RGB},
        {"rgb16", EAlpha::Opaque, "-define png:color-type=2 -define png:bit-depth=16", {0, 0, 16, 2, 0}, GL_RGB},
        {"rgba8", EAlpha::Smooth, "-define png:color-type=6 -define png:bit-depth=8", {0, 0, 8, 6, 0}, GL_RGBA},
        {"rgba16", EAlpha::Smooth, "-define png:color-type=6 -define png:bit-depth=16", {0, 0, 16, 6, 0}, GL_RGBA},
        {"palette", EAlpha::Opaque, "-colors 16 -define png:color-type=3", {0, 0, 4, 3, 0}, GL_RGB},
        {"palette1", EAlpha::Opaque, "-colors 2 -define png:format=png8 -define png:bit-depth=1", {0, 0, 1, 3, 0}, GL_RGB},
        {"palettetrns", EAlpha::Binary, "-colors 16 -define png:format=png8", {0, 0, 8, 3, 0}, GL_RGBA},
        {"interlaced", EAlpha::Smooth, "-interlace PNG -define png:color-type=6 -define png:bit-depth=8", {0, 0, 8, 6, 1}, GL_RGBA},
        {"interlacedgrey2", EAlpha::Opaque, "-interlace PNG -colorspace gray -define png:color-type=0 -define png:bit-depth=2", {0, 0, 2, 0, 1}, GL_RGB},
    };
    CTempDir dir;
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File(std::string(c.name) + ".png");
        ASSERT_TRUE(MagickWriteRgba(Picture(c.alpha), kW, kH, path, c.options));
        std::vector<uint8_t> file;
        ASSERT_TRUE(ReadFileBytes(path, file));
        const SIhdr ihdr = ReadIhdr(file);
        // ImageMagick must have written the kind of file this case is about.
        EXPECT_EQ(ihdr.depth, c.ihdr.depth);
        EXPECT_EQ(ihdr.colorType, c.ihdr.colorType);
        EXPECT_EQ(ihdr.interlace, c.ihdr.interlace);
        ExpectSameAsMagick(path, c.format);
    }
}

TEST(PngDecode, TransparentColourOfTruecolourBecomesAlpha)
{
    if (!HaveImageMagick())
        GTEST_SKIP() << "ImageMagick is not installed";
    CTempDir dir;
    const std::string path = dir.File("rgb.png");
    std::vector<uint8_t> rgba = Picture(EAlpha::Opaque);
    ASSERT_TRUE(MagickWriteRgba(rgba, kW, kH, path, "-define png:color-type=2 -define png:bit-depth=8"));
    std::vector<uint8_t> file;
    ASSERT_TRUE(ReadFileBytes(path, file));
    // tRNS right after IHDR (signature 8 + IHDR 25 bytes): the colour of pixel (1, 0), as 16-bit samples.
    std::vector<uint8_t> trns = {0, rgba[4], 0, rgba[5], 0, rgba[6]};
    std::vector<uint8_t> chunk;
    PutChunk(chunk, "tRNS", trns);
    file.insert(file.begin() + 33, chunk.begin(), chunk.end());
    ASSERT_TRUE(WriteFileBytes(path, file));
    ExpectSameAsMagick(path, GL_RGBA);
    gx::CBitmap ours;
    ASSERT_TRUE(gx::DecodePng(file, ours));
    EXPECT_EQ(ours.m_pixels[4 + 3], 0);
    EXPECT_EQ(ours.m_pixels[3], 255);
}

TEST(PngDecode, PngSuiteGivesItsReferencePixelsAndRejectsItsCorruptFiles)
{
    const std::filesystem::path suite = std::filesystem::path(CorpusDir()) / "pngsuite";
    if (!std::filesystem::is_directory(suite / "png"))
        GTEST_SKIP() << "corpus not present";
    int good = 0, corrupt = 0;
    for (const auto& entry : std::filesystem::directory_iterator(suite / "png"))
    {
        if (entry.path().extension() != ".png")
            continue;
        const std::string name = entry.path().stem().string();
        SCOPED_TRACE(name);
        std::vector<uint8_t> file;
        ASSERT_TRUE(ReadFileBytes(entry.path().string(), file));
        gx::CBitmap ours;
        const bool ok = gx::DecodePng(file, ours);
        if (name[0] == 'x')
        {
            EXPECT_FALSE(ok);
            ++corrupt;
            continue;
        }
        ASSERT_TRUE(ok);
        ++good;
        // 16-bit files read as their high bytes: exactly the 16-bit reference shifted, and within a
        // level of the 8-bit one (made by another program, which rounds one grey ramp differently).
        std::vector<int> expected = ReadJsonNumbers((suite / "json" / (name + ".json")).string());
        const bool deep = *std::max_element(expected.begin(), expected.end()) > 255;
        if (deep)
            for (int& v : expected)
                v >>= 8;
        const std::vector<uint8_t> got = ToRgba(ours);
        ASSERT_EQ(got.size(), expected.size());
        EXPECT_TRUE(std::equal(got.begin(), got.end(), expected.begin()));
        const std::filesystem::path reduced = suite / "json" / (name + "_to8.json");
        if (deep && std::filesystem::exists(reduced))
        {
            const std::vector<int> to8 = ReadJsonNumbers(reduced.string());
            ASSERT_EQ(got.size(), to8.size());
            for (size_t i = 0; i < got.size(); ++i)
                ASSERT_LE(std::abs(got[i] - to8[i]), 1) << "at " << i;
        }
    }
    EXPECT_GT(good, 150);
    EXPECT_EQ(corrupt, 14);
}

TEST(PngDecode, EveryTruncationFailsCleanly)
{
    if (!HaveImageMagick())
        GTEST_SKIP() << "ImageMagick is not installed";
    CTempDir dir;
    const std::pair<EAlpha, const char*> kinds[] = {
        {EAlpha::Binary, "-colors 16 -define png:format=png8"},
        {EAlpha::Smooth, "-interlace PNG -define png:color-type=6 -define png:bit-depth=16"},
        {EAlpha::Opaque, "-colorspace gray -define png:color-type=0 -define png:bit-depth=2"},
    };
    for (const auto& [alpha, options] : kinds)
    {
        SCOPED_TRACE(options);
        const std::string path = dir.File("cut.png");
        ASSERT_TRUE(MagickWriteRgba(Picture(alpha), kW, kH, path, options));
        std::vector<uint8_t> file;
        ASSERT_TRUE(ReadFileBytes(path, file));
        EXPECT_EQ(DecodeEveryPrefix(file, gx::DecodePng), 0);
    }
}

TEST(PngDecode, ImpossibleSizesFailBeforeDecoding)
{
    gx::CBitmap out;
    ASSERT_TRUE(gx::DecodePng(CraftedPng(4, 3, 8, 2), out)); // the crafted file is sound
    EXPECT_FALSE(gx::DecodePng(CraftedPng(65536, 1, 8, 2), out));
    EXPECT_FALSE(gx::DecodePng(CraftedPng(1, 65536, 8, 0), out));
    EXPECT_FALSE(gx::DecodePng(CraftedPng(60000, 60000, 8, 6), out));
    EXPECT_FALSE(gx::DecodePng(CraftedPng(0, 5, 8, 2), out));
    // Within the limits, but no 100-byte file can inflate to 16000 x 16000 pixels.
    EXPECT_FALSE(gx::DecodePng(CraftedPng(16000, 16000, 8, 2), out));
    EXPECT_TRUE(out.Empty());
}

TEST(PngEncode, RoundTripsEveryFormatExactly)
{
    CTempDir dir;
    // Pattern plus noise and hard edges, so that every row filter gets chosen somewhere.
    std::vector<uint8_t> rgba = PatternRgba(37, 23, true);
    uint32_t seed = 12345;
    for (size_t i = 0; i < rgba.size(); ++i)
    {
        seed = seed * 1103515245 + 12345;
        if ((i / 4 / 37) % 3 == 1)
            rgba[i] = uint8_t(rgba[i] + (seed >> 28));
    }
    for (const uint32_t format : {GL_RGB, GL_RGBA, GL_BGR, GL_BGRA})
    {
        SCOPED_TRACE(format);
        const gx::CBitmap source = BitmapFromRgba(rgba, 37, 23, format);
        std::vector<uint8_t> file;
        ASSERT_TRUE(gx::EncodePng(source, file));
        const std::vector<SChunk> chunks = WalkChunks(file);
        ASSERT_EQ(chunks.size(), 3u);
        EXPECT_EQ(chunks[0].type + chunks[1].type + chunks[2].type, "IHDRIDATIEND");
        const bool alpha = gx::BytesPerPixel(format) == 4;
        EXPECT_EQ(ReadIhdr(file).colorType, alpha ? 6 : 2);

        gx::CBitmap back;
        ASSERT_TRUE(gx::DecodePng(file, back));
        EXPECT_EQ(back.m_nFormat, alpha ? GL_RGBA : GL_RGB);
        EXPECT_EQ(ToRgba(back), ToRgba(source));

        if (HaveImageMagick())
        {
            const std::string path = dir.File("out.png");
            ASSERT_TRUE(WriteFileBytes(path, file));
            uint32_t w = 0, h = 0;
            std::vector<uint8_t> magick;
            ASSERT_TRUE(MagickReadRgba(path, w, h, magick));
            EXPECT_EQ(magick, ToRgba(source));
        }
    }
}
