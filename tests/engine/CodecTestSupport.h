#pragma once
// Helpers of the codec tests: bitmaps as RGBA for comparing with ImageMagick, files built byte by
// byte, and truncation sweeps.

#include "engine/Bitmap.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>
#include <zlib.h>

namespace mosvane::test
{
inline std::vector<uint8_t> ToRgba(const gx::CBitmap& bitmap)
{
    std::vector<uint8_t> rgba(size_t(bitmap.m_nWidth) * bitmap.m_nHeight * 4);
    gx::ConvertPixels(bitmap.m_pixels.data(), bitmap.m_nFormat, rgba.data(), GL_RGBA, rgba.size() / 4);
    return rgba;
}

inline gx::CBitmap BitmapFromRgba(const std::vector<uint8_t>& rgba, uint32_t width, uint32_t height, uint32_t format)
{
    gx::CBitmap bitmap;
    bitmap.Allocate(width, height, format);
    gx::ConvertPixels(rgba.data(), GL_RGBA, bitmap.m_pixels.data(), format, size_t(width) * height);
    return bitmap;
}

inline void PutBe32(std::vector<uint8_t>& out, uint32_t v)
{
    out.insert(out.end(), {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
}

inline uint32_t GetBe32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// A PNG or MNG chunk with its CRC, computed here with zlib rather than the library under test.
inline void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data)
{
    PutBe32(out, uint32_t(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBe32(out, uint32_t(crc32(0, out.data() + start, uInt(out.size() - start))));
}

struct SChunk
{
    std::string type;
    std::vector<uint8_t> data;
};

// The chunks after an 8-byte signature; fails the test on a bad length or CRC, or bytes left over.
inline std::vector<SChunk> WalkChunks(const std::vector<uint8_t>& file)
{
    std::vector<SChunk> chunks;
    size_t pos = 8;
    while (pos + 12 <= file.size())
    {
        const uint32_t length = GetBe32(&file[pos]);
        EXPECT_LE(pos + 12 + length, file.size());
        if (pos + 12 + length > file.size())
            break;
        const uint32_t crc = uint32_t(crc32(0, &file[pos + 4], uInt(4 + length)));
        EXPECT_EQ(GetBe32(&file[pos + 8 + length]), crc) << "chunk " << chunks.size();
        chunks.push_back({std::string(reinterpret_cast<const char*>(&file[pos + 4]), 4),
                          std::vector<uint8_t>(file.begin() + long(pos) + 8, file.begin() + long(pos + 8 + length))});
        pos += 12 + length;
    }
    EXPECT_EQ(pos, file.size());
    return chunks;
}

// Writes a fixture with ImageMagick and returns its bytes (empty on failure).
inline std::vector<uint8_t> MagickFixture(const std::vector<uint8_t>& rgba, uint32_t width, uint32_t height,
                                          const std::string& path, const std::string& options)
{
    std::vector<uint8_t> file;
    if (!MagickWriteRgba(rgba, width, height, path, options) || !ReadFileBytes(path, file))
        file.clear();
    return file;
}

// Our decoder against ImageMagick's on the file at path: same size, RGBA within tolerance.
template <class Decode>
void ExpectSameAsMagick(const std::string& path, Decode decode, uint32_t format, int tolerance = 0)
{
    std::vector<uint8_t> file, magick;
    gx::CBitmap ours;
    uint32_t w = 0, h = 0;
    ASSERT_TRUE(ReadFileBytes(path, file));
    ASSERT_TRUE(decode(file, ours));
    EXPECT_EQ(ours.m_nFormat, format);
    ASSERT_TRUE(MagickReadRgba(path, w, h, magick));
    ASSERT_EQ(ours.m_nWidth, w);
    ASSERT_EQ(ours.m_nHeight, h);
    EXPECT_LE(MaxDifference(ToRgba(ours), magick), tolerance);
}

// Every prefix of the file decodes to a failure or a well-formed bitmap, never a crash; returns
// how many prefixes decoded.
template <class Decode>
int DecodeEveryPrefix(const std::vector<uint8_t>& file, Decode decode)
{
    int decoded = 0;
    for (size_t n = 0; n < file.size(); ++n)
    {
        gx::CBitmap out;
        if (decode(std::span<const uint8_t>(file.data(), n), out))
        {
            ++decoded;
            EXPECT_EQ(out.m_pixels.size(), size_t(out.m_nWidth) * out.m_nHeight * out.BytesPerPixel());
        }
        else
        {
            EXPECT_TRUE(out.Empty()) << "failed decode left pixels at length " << n;
        }
    }
    return decoded;
}
} // namespace mosvane::test
