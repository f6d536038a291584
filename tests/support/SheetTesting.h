#pragma once
// Sprite sheet tests of the operations and the batch: pictures written by the engine itself (so
// that byte-exact outputs do not depend on another program's encoder), the digests of what a run
// wrote, and frames cut out of a picture. Header only, for the executables that link the engine.

#include "engine/gx.h"
#include "support/PixiSheets.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace mosvane::test
{
// Writes the RGBA picture through the engine, as GL_RGB when bAlpha is false.
inline void WriteWithEngine(const std::string& path, const SPicture& picture, bool bAlpha = true)
{
    uint32_t id = 0;
    gxGenImages(1, &id);
    gxBindImage(id);
    ASSERT_TRUE(gxTexImage(int(picture.m_nWidth), int(picture.m_nHeight), GL_RGBA));
    ASSERT_TRUE(gxSetPixels(0, 0, int(picture.m_nWidth), int(picture.m_nHeight), GL_RGBA, picture.m_rgba.data()));
    if (!bAlpha)
    {
        ASSERT_TRUE(gxConvertImage(GL_RGB));
    }
    EXPECT_TRUE(gxSaveImage(path.c_str(), false)) << path;
    gxDeleteImages(1, &id);
}

// The pixels of a file as the engine reads them, in RGBA; an empty picture when it does not load.
inline SPicture ReadWithEngine(const std::string& path)
{
    GX_IMAGE info = gxLoadImage(path.c_str());
    if (info.id == 0)
        return {};
    SPicture picture{info.width, info.height, std::vector<uint8_t>(size_t(info.width) * info.height * 4)};
    const t_RECT all{0, int32_t(info.height), int32_t(info.width), 0};
    EXPECT_TRUE(gxCopyImageBuffer(info.id, all, GL_RGBA, picture.m_rgba.data()));
    gxDeleteImages(1, &info.id);
    return picture;
}

// The w x h block of a picture whose first pixel is (x, y).
inline SPicture Cut(const SPicture& picture, uint32_t x, uint32_t y, uint32_t w, uint32_t h)
{
    SPicture block{w, h, {}};
    for (uint32_t row = y; row < y + h; ++row)
    {
        const auto first = picture.m_rgba.begin() + long((size_t(row) * picture.m_nWidth + x) * 4);
        block.m_rgba.insert(block.m_rgba.end(), first, first + long(w) * 4);
    }
    return block;
}

// Picture n of a test sequence: the pattern, shifted in colour per number.
inline SPicture Frame(uint32_t w, uint32_t h, bool alpha, int n)
{
    SPicture picture = Pattern(w, h, alpha);
    for (size_t i = 0; i < picture.m_rgba.size(); i += 4)
        picture.m_rgba[i] = uint8_t(picture.m_rgba[i] + n * 37);
    return picture;
}

// The split source: 96 x 64, cells of 32 x 32 in 2 rows of 3. Cell 0 is opaque; cell 1 has a
// sprite at 8, 5 (12 x 20) in transparency; cells 2 and 5 are fully transparent (with colour);
// cell 3 has one opaque pixel at 3, 30; cell 4 a barely visible block (alpha 1) at 0, 20.
inline SPicture SplitSource()
{
    SPicture picture = Pattern(96, 64, true);
    for (uint32_t y = 0; y < 64; ++y)
        for (uint32_t x = 0; x < 96; ++x)
        {
            const uint32_t cell = y / 32 * 3 + x / 32, cx = x % 32, cy = y % 32;
            const bool visible = cell == 0 || (cell == 1 && cx >= 8 && cx < 20 && cy >= 5 && cy < 25) ||
                                 (cell == 3 && cx == 3 && cy == 30) || (cell == 4 && cx < 10 && cy >= 20);
            uint8_t& alpha = picture.m_rgba[(size_t(y) * 96 + x) * 4 + 3];
            alpha = !visible ? 0 : cell == 4 ? 1 : 255;
        }
    return picture;
}

// The combine sources: six pictures of 16 x 12, the second fully transparent, the fourth opaque,
// the others with alpha; number 5 is missing.
inline SPicture CombineSource(int n)
{
    SPicture picture = Frame(16, 12, n != 4, n);
    if (n == 2)
        for (size_t i = 3; i < picture.m_rgba.size(); i += 4)
            picture.m_rgba[i] = 0;
    return picture;
}

// Adds "<name> <digest of the file>" for each file of folder named in names.
inline void AddDigests(const std::string& prefix, const std::string& folder, const std::vector<std::string>& names,
                       std::vector<std::pair<std::string, std::string>>& digests)
{
    for (const std::string& name : names)
    {
        std::vector<uint8_t> bytes;
        EXPECT_TRUE(ReadFileBytes(folder + "/" + name, bytes)) << name;
        digests.emplace_back(prefix + "/" + name, Digest(bytes));
    }
}
// The block of a picture that a data file's rectangle names.
inline SPicture CutRect(const SPicture& picture, const SJson& rect)
{
    return Cut(picture, uint32_t(rect["x"].Integer()), uint32_t(rect["y"].Integer()), uint32_t(rect["w"].Integer()),
               uint32_t(rect["h"].Integer()));
}

// The file's text equals tests/data/sheets/<golden>. With MOSVANE_RECORD_GOLDEN naming a folder
// the file is copied there instead, to be looked over and kept.
inline void ExpectGolden(const std::string& path, const std::string& golden)
{
    const std::string text = ReadTextFile(path);
    if (const char* folder = std::getenv("MOSVANE_RECORD_GOLDEN"); folder && *folder)
        return WriteTextFile(std::string(folder) + "/" + golden, text);
    EXPECT_EQ(text, ReadTextFile(TestDataDir() + "/sheets/" + golden)) << golden;
}
} // namespace mosvane::test
