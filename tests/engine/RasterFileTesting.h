#pragma once
// Helpers of the BMP, TGA and DDS tests: files built field by field, decodes as RGBA, ImageMagick
// as the independent decoder, and damage (every cut, random edits) of small files.

#include "engine/Bitmap.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <span>
#include <sstream>

namespace rastertest
{
using Bytes = std::vector<uint8_t>;
using Decoder = bool (*)(std::span<const uint8_t>, gx::CBitmap&);

// Little-endian fields, appended in order.
struct CFileBuilder
{
    Bytes m_bytes;
    CFileBuilder& U8(uint32_t v) { return Raw({uint8_t(v)}); }
    CFileBuilder& U16(uint32_t v) { return U8(v).U8(v >> 8); }
    CFileBuilder& U32(uint32_t v) { return U16(v).U16(v >> 16); }
    CFileBuilder& Raw(const Bytes& b)
    {
        m_bytes.insert(m_bytes.end(), b.begin(), b.end());
        return *this;
    }
    CFileBuilder& Text(const char* s, size_t n) { return Raw(Bytes(s, s + n)); }
    CFileBuilder& Zeros(size_t n) { return Raw(Bytes(n, 0)); }
    void Patch32(size_t at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            m_bytes[at + i] = uint8_t(v >> (8 * i));
    }
};

inline uint32_t Le32At(const Bytes& b, size_t at)
{
    return uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) | (uint32_t(b[at + 3]) << 24);
}

struct SDecoded
{
    bool ok = false;
    uint32_t width = 0, height = 0, format = 0;
    Bytes rgba;
};

inline SDecoded Decode(Decoder decoder, std::span<const uint8_t> file)
{
    SDecoded d;
    gx::CBitmap bitmap;
    d.ok = decoder(file, bitmap);
    if (d.ok)
    {
        d = {true, bitmap.m_nWidth, bitmap.m_nHeight, bitmap.m_nFormat, Bytes(size_t(bitmap.m_nWidth) * bitmap.m_nHeight * 4)};
        gx::ConvertPixels(bitmap.m_pixels.data(), bitmap.m_nFormat, d.rgba.data(), GL_RGBA, d.rgba.size() / 4);
    }
    return d;
}

inline SDecoded DecodeFile(Decoder decoder, const std::string& path)
{
    Bytes file;
    return mosvane::test::ReadFileBytes(path, file) ? Decode(decoder, file) : SDecoded{};
}

// ImageMagick's decode; autoOrient applies the file's orientation, as this ImageMagick records
// a TGA's bottom-left origin instead of turning the rows.
inline bool MagickRgba(const std::string& path, uint32_t& width, uint32_t& height, Bytes& rgba, bool autoOrient = false)
{
    if (!autoOrient)
        return mosvane::test::MagickReadRgba(path, width, height, rgba);
    std::string size, pixels;
    const std::string in = "convert " + mosvane::test::ShellQuote(path + "[0]") + " -auto-orient ";
    if (mosvane::test::RunCommand(in + "-format '%w %h' info:- 2>/dev/null", &size) != 0 ||
        mosvane::test::RunCommand(in + "-depth 8 rgba:- 2>/dev/null", &pixels) != 0)
        return false;
    std::istringstream sizes(size);
    if (!(sizes >> width >> height) || pixels.size() != size_t(width) * height * 4)
        return false;
    rgba.assign(pixels.begin(), pixels.end());
    return true;
}

// Our decode of the file against ImageMagick's, within `tolerance` levels; gives ours.
inline SDecoded ExpectMatchesMagick(Decoder decoder, const std::string& path, int tolerance = 0, bool autoOrient = false)
{
    SCOPED_TRACE(path);
    const SDecoded ours = DecodeFile(decoder, path);
    uint32_t w = 0, h = 0;
    Bytes theirs;
    EXPECT_TRUE(ours.ok);
    EXPECT_TRUE(MagickRgba(path, w, h, theirs, autoOrient));
    EXPECT_EQ(ours.width, w);
    EXPECT_EQ(ours.height, h);
    EXPECT_LE(mosvane::test::MaxDifference(ours.rgba, theirs), tolerance);
    return ours;
}

// Tests that need ImageMagick, with a temporary folder for its files.
struct MagickTest : ::testing::Test
{
    void SetUp() override
    {
        if (!mosvane::test::HaveImageMagick())
            GTEST_SKIP() << "ImageMagick is not installed";
    }
    mosvane::test::CTempDir m_dir;
};

// A decode of damaged data either fails and leaves the bitmap empty, or gives a whole bitmap.
inline bool CleanResult(Decoder decoder, const Bytes& file)
{
    gx::CBitmap bitmap;
    if (!decoder(file, bitmap))
        return bitmap.Empty();
    return bitmap.m_nWidth > 0 && bitmap.m_nHeight > 0 && bitmap.BytesPerPixel() >= 3 &&
           bitmap.m_pixels.size() == size_t(bitmap.m_nWidth) * bitmap.m_nHeight * bitmap.BytesPerPixel();
}

// Every cut of the file, then deterministic random edits: bytes changed, set to 0 or 255, or
// the file cut short. Each damaged copy is its own allocation, so the sanitizers see any read
// past its end.
inline void ExpectSurvivesDamage(Decoder decoder, const Bytes& file, uint32_t seed, int rounds = 300)
{
    for (size_t n = 0; n < file.size(); ++n)
        ASSERT_TRUE(CleanResult(decoder, Bytes(file.begin(), file.begin() + ptrdiff_t(n)))) << "cut at " << n;
    std::mt19937 random(seed);
    for (int round = 0; round < rounds; ++round)
    {
        Bytes damaged = file;
        for (uint32_t e = 1 + random() % 4; e > 0 && !damaged.empty(); --e)
        {
            const size_t at = random() % damaged.size();
            switch (random() % 4)
            {
            case 0: damaged[at] = uint8_t(random()); break;
            case 1: damaged[at] ^= uint8_t(1u << (random() % 8)); break;
            case 2: damaged[at] = (random() & 1) ? 0xFF : 0x00; break;
            default: damaged.resize(at); break;
            }
        }
        ASSERT_TRUE(CleanResult(decoder, damaged)) << "mutation round " << round;
    }
}
} // namespace rastertest
