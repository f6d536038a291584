#pragma once
// Helpers of the BMP, TGA and DDS reader tests: files built byte by byte, our decodes brought to
// RGBA, ImageMagick's decodes for comparison, and damage (cuts and mutations) of small files.

#include "engine/Bitmap.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <span>
#include <sstream>
#include <string>
#include <vector>

namespace rastertest
{
using Decoder = bool (*)(std::span<const uint8_t>, gx::CBitmap&);
using Bytes = std::vector<uint8_t>;

// Little-endian file building; each call appends one field.
class CFileBuilder
{
public:
    CFileBuilder& U8(uint32_t v)
    {
        m_bytes.push_back(uint8_t(v));
        return *this;
    }
    CFileBuilder& U16(uint32_t v) { return U8(v).U8(v >> 8); }
    CFileBuilder& U32(uint32_t v) { return U16(v).U16(v >> 16); }
    CFileBuilder& Raw(std::initializer_list<uint8_t> bytes)
    {
        m_bytes.insert(m_bytes.end(), bytes);
        return *this;
    }
    CFileBuilder& Raw(const Bytes& bytes)
    {
        m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
        return *this;
    }
    CFileBuilder& Text(const char* s, size_t n)
    {
        m_bytes.insert(m_bytes.end(), s, s + n);
        return *this;
    }
    CFileBuilder& Zeros(size_t n)
    {
        m_bytes.insert(m_bytes.end(), n, 0);
        return *this;
    }
    size_t Size() const { return m_bytes.size(); }
    // Overwrites a 32-bit field written earlier (sizes and offsets known only at the end).
    void Patch32(size_t at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            m_bytes[at + i] = uint8_t(v >> (8 * i));
    }
    const Bytes& Get() const { return m_bytes; }

private:
    Bytes m_bytes;
};

inline Bytes ToRgba(const gx::CBitmap& bitmap)
{
    Bytes rgba(size_t(bitmap.m_nWidth) * bitmap.m_nHeight * 4);
    gx::ConvertPixels(bitmap.m_pixels.data(), bitmap.m_nFormat, rgba.data(), GL_RGBA,
                      size_t(bitmap.m_nWidth) * bitmap.m_nHeight);
    return rgba;
}

// The decoded picture as RGBA, with its size and format; `ok` false when decoding failed.
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
        d.width = bitmap.m_nWidth;
        d.height = bitmap.m_nHeight;
        d.format = bitmap.m_nFormat;
        d.rgba = ToRgba(bitmap);
    }
    return d;
}

inline SDecoded DecodeFile(Decoder decoder, const std::string& path)
{
    Bytes file;
    if (!mosvane::test::ReadFileBytes(path, file))
        return {};
    return Decode(decoder, file);
}

// ImageMagick's decode; with autoOrient it applies the file's orientation (its TGA reader
// records a bottom-left origin instead of turning the rows).
inline bool MagickRgba(const std::string& path, uint32_t& width, uint32_t& height, Bytes& rgba, bool autoOrient = false)
{
    if (!autoOrient)
        return mosvane::test::MagickReadRgba(path, width, height, rgba);
    std::string size, pixels;
    const std::string quoted = mosvane::test::ShellQuote(path + "[0]");
    if (mosvane::test::RunCommand("convert " + quoted + " -auto-orient -format '%w %h' info:- 2>/dev/null", &size) != 0 ||
        mosvane::test::RunCommand("convert " + quoted + " -auto-orient -depth 8 rgba:- 2>/dev/null", &pixels) != 0)
        return false;
    std::istringstream in(size);
    if (!(in >> width >> height) || pixels.size() != size_t(width) * height * 4)
        return false;
    rgba.assign(pixels.begin(), pixels.end());
    return true;
}

// Our decode of the file at path against ImageMagick's, exactly or within `tolerance` levels.
inline void ExpectMatchesMagick(Decoder decoder, const std::string& path, int tolerance = 0, bool autoOrient = false)
{
    SCOPED_TRACE(path);
    const SDecoded ours = DecodeFile(decoder, path);
    ASSERT_TRUE(ours.ok);
    uint32_t w = 0, h = 0;
    Bytes theirs;
    ASSERT_TRUE(MagickRgba(path, w, h, theirs, autoOrient));
    ASSERT_EQ(ours.width, w);
    ASSERT_EQ(ours.height, h);
    EXPECT_LE(mosvane::test::MaxDifference(ours.rgba, theirs), tolerance);
}

inline void WriteFile(const std::string& path, const Bytes& bytes)
{
    ASSERT_TRUE(mosvane::test::WriteFileBytes(path, bytes));
}

// A decode of damaged data must either fail and leave the bitmap empty, or give a whole bitmap.
inline void ExpectCleanResult(Decoder decoder, std::span<const uint8_t> file)
{
    gx::CBitmap bitmap;
    if (decoder(file, bitmap))
    {
        ASSERT_GT(bitmap.m_nWidth, 0u);
        ASSERT_GT(bitmap.m_nHeight, 0u);
        ASSERT_GT(bitmap.BytesPerPixel(), 2u);
        ASSERT_EQ(bitmap.m_pixels.size(), size_t(bitmap.m_nWidth) * bitmap.m_nHeight * bitmap.BytesPerPixel());
    }
    else
    {
        ASSERT_TRUE(bitmap.Empty());
    }
}

// Every cut of the file, from nothing to one byte short, gives a clean result. The cut data is
// copied so that the sanitizers see any read past its end.
inline void ExpectCleanCuts(Decoder decoder, const Bytes& file)
{
    for (size_t n = 0; n < file.size(); ++n)
    {
        SCOPED_TRACE("cut at " + std::to_string(n));
        const Bytes cut(file.begin(), file.begin() + ptrdiff_t(n));
        ExpectCleanResult(decoder, cut);
        if (::testing::Test::HasFatalFailure())
            return;
    }
}

// Deterministic random damage: a few bytes changed, set to extremes, or the file cut short.
inline void ExpectCleanMutations(Decoder decoder, const Bytes& file, int rounds, uint32_t seed)
{
    std::mt19937 random(seed);
    for (int round = 0; round < rounds; ++round)
    {
        Bytes damaged = file;
        const uint32_t edits = 1 + random() % 4;
        for (uint32_t e = 0; e < edits && !damaged.empty(); ++e)
        {
            const size_t at = random() % damaged.size();
            switch (random() % 4)
            {
            case 0: damaged[at] = uint8_t(random()); break;
            case 1: damaged[at] ^= uint8_t(1u << (random() % 8)); break;
            case 2: damaged[at] = (random() & 1) ? 0xFF : 0x00; break;
            case 3: damaged.resize(at); break;
            }
        }
        SCOPED_TRACE("mutation round " + std::to_string(round));
        ExpectCleanResult(decoder, damaged);
        if (::testing::Test::HasFatalFailure())
            return;
    }
}
} // namespace rastertest
