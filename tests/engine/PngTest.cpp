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

// Alpha: 0 none, 1 smooth, 2 only 0 and 255 (what a palette with a transparency chunk holds).
std::vector<uint8_t> Picture(int alpha)
{
    std::vector<uint8_t> rgba = PatternRgba(kW, kH, alpha != 0);
    for (size_t i = 3; alpha == 2 && i < rgba.size(); i += 4)
        rgba[i] = rgba[i] < 200 ? 0 : 255;
    return rgba;
}

std::vector<int> ReadJsonNumbers(const std::string& path)
{
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::replace_if(text.begin(), text.end(), [](char c) { return c == '[' || c == ']' || c == ','; }, ' ');
    std::istringstream numbers(text);
    std::vector<int> values;
    for (int v; numbers >> v;)
        values.push_back(v);
    return values;
}

// A PNG with the given header; small ones get valid rows of zeros, big ones an empty zlib stream
// (they must fail on the header alone).
std::vector<uint8_t> CraftedPng(uint32_t width, uint32_t height, uint8_t depth, uint8_t colorType)
{
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, ihdr, rows;
    PutBe32(ihdr, width);
    PutBe32(ihdr, height);
    ihdr.insert(ihdr.end(), {depth, colorType, 0 /* deflate */, 0 /* filters */, 0 /* no interlace */});
    PutChunk(png, "IHDR", ihdr);
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

TEST(PngDecode, MatchesImageMagickForEveryKindAndFailsWhenCut)
{
    if (!HaveImageMagick())
        GTEST_SKIP() << "ImageMagick is not installed";
    struct SCase
    {
        int alpha;
        const char* options;
        int depth, colorType, interlace; // what ImageMagick must have written
        uint32_t format;
    };
    const SCase cases[] = {
        {0, "-colorspace gray -define png:color-type=0 -define png:bit-depth=1", 1, 0, 0, GL_RGB},
        {0, "-colorspace gray -define png:color-type=0 -define png:bit-depth=2", 2, 0, 0, GL_RGB},
        {0, "-colorspace gray -define png:color-type=0 -define png:bit-depth=4", 4, 0, 0, GL_RGB},
        {0, "-colorspace gray -define png:color-type=0 -define png:bit-depth=8", 8, 0, 0, GL_RGB},
        {0, "-colorspace gray -define png:color-type=0 -define png:bit-depth=16", 16, 0, 0, GL_RGB},
        {1, "-colorspace gray -define png:color-type=4 -define png:bit-depth=8", 8, 4, 0, GL_RGBA},
        {1, "-colorspace gray -define png:color-type=4 -define png:bit-depth=16", 16, 4, 0, GL_RGBA},
        {0, "-define png:color-type=2 -define png:bit-depth=8", 8, 2, 0, GL_RGB},
        {0, "-define png:color-type=2 -define png:bit-depth=16", 16, 2, 0, GL_RGB},
        {1, "-define png:color-type=6 -define png:bit-depth=8", 8, 6, 0, GL_RGBA},
        {1, "-define png:color-type=6 -define png:bit-depth=16", 16, 6, 0, GL_RGBA},
        {0, "-colors 16 -define png:color-type=3", 4, 3, 0, GL_RGB},
        {0, "-colors 2 -define png:format=png8 -define png:bit-depth=1", 1, 3, 0, GL_RGB},
        {2, "-colors 16 -define png:format=png8", 8, 3, 0, GL_RGBA}, // with tRNS
        {1, "-interlace PNG -define png:color-type=6 -define png:bit-depth=16", 16, 6, 1, GL_RGBA},
        {0, "-interlace PNG -colorspace gray -define png:color-type=0 -define png:bit-depth=2", 2, 0, 1, GL_RGB},
    };
    CTempDir dir;
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.options);
        const std::string path = dir.File("fixture.png");
        const std::vector<uint8_t> file = MagickFixture(Picture(c.alpha), kW, kH, path, c.options);
        ASSERT_GE(file.size(), 29u);
        EXPECT_EQ(file[24], c.depth);
        EXPECT_EQ(file[25], c.colorType);
        EXPECT_EQ(file[28], c.interlace);
        ExpectSameAsMagick(path, gx::DecodePng, c.format);
        EXPECT_EQ(DecodeEveryPrefix(file, gx::DecodePng), 0);
    }
}

TEST(PngDecode, PngSuiteGivesItsReferencePixelsAndRejectsItsCorruptFiles)
{
    const std::filesystem::path suite = std::filesystem::path(CorpusDir()) / "pngsuite";
    if (!std::filesystem::is_directory(suite / "png"))
        GTEST_SKIP() << "corpus not present";
    int good = 0, corrupt = 0;
    for (const auto& entry : std::filesystem::directory_iterator(suite / "png"))
    {
        const std::string name = entry.path().stem().string();
        if (entry.path().extension() != ".png")
            continue;
        SCOPED_TRACE(name);
        std::vector<uint8_t> file;
        gx::CBitmap ours;
        ASSERT_TRUE(ReadFileBytes(entry.path().string(), file));
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
        for (int& v : expected)
            v = deep ? v >> 8 : v;
        const std::vector<uint8_t> got = ToRgba(ours);
        ASSERT_EQ(got.size(), expected.size());
        EXPECT_TRUE(std::equal(got.begin(), got.end(), expected.begin()));
        const std::filesystem::path reduced = suite / "json" / (name + "_to8.json");
        const std::vector<int> to8 = deep ? ReadJsonNumbers(reduced.string()) : std::vector<int>{};
        for (size_t i = 0; i < to8.size(); ++i)
            ASSERT_LE(std::abs(got[i] - to8[i]), 1) << "at " << i;
    }
    EXPECT_GT(good, 150);
    EXPECT_EQ(corrupt, 14);
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
    // Pattern plus noise on every third row band, so that every row filter gets chosen somewhere.
    std::vector<uint8_t> rgba = PatternRgba(37, 23, true);
    uint32_t seed = 12345;
    for (size_t i = 0; i < rgba.size(); ++i)
        if (seed = seed * 1103515245 + 12345; (i / 4 / 37) % 3 == 1)
            rgba[i] = uint8_t(rgba[i] + (seed >> 28));
    for (const uint32_t format : {GL_RGB, GL_RGBA, GL_BGR, GL_BGRA})
    {
        SCOPED_TRACE(format);
        const gx::CBitmap source = BitmapFromRgba(rgba, 37, 23, format);
        const bool alpha = gx::BytesPerPixel(format) == 4;
        std::vector<uint8_t> file;
        ASSERT_TRUE(gx::EncodePng(source, file));
        const std::vector<SChunk> chunks = WalkChunks(file);
        ASSERT_EQ(chunks.size(), 3u);
        EXPECT_EQ(chunks[0].type + chunks[1].type + chunks[2].type, "IHDRIDATIEND");
        EXPECT_EQ(chunks[0].data[9], alpha ? 6 : 2); // colour type

        gx::CBitmap back;
        ASSERT_TRUE(gx::DecodePng(file, back));
        EXPECT_EQ(back.m_nFormat, alpha ? GL_RGBA : GL_RGB);
        EXPECT_EQ(ToRgba(back), ToRgba(source));
        if (HaveImageMagick())
        {
            ASSERT_TRUE(WriteFileBytes(dir.File("out.png"), file));
            ExpectSameAsMagick(dir.File("out.png"), gx::DecodePng, back.m_nFormat);
        }
    }
}
