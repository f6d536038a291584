// Files made by other programs, against the pixels their makers give.

#include "CodecTestSupport.h"
#include "engine/codecs/PngDecode.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

using namespace mosvane::test;

namespace
{
// The numbers of a JSON array of arrays, as the PngSuite's expected pixels are stored.
std::vector<int> ReadJsonNumbers(const std::string& path)
{
    std::ifstream in(path);
    std::vector<int> values;
    for (char c; in.get(c);)
        if (c >= '0' && c <= '9')
        {
            in.unget();
            in >> values.emplace_back();
        }
    return values;
}

// The PngSuite's pictures as PNG, with its corrupt files, and converted to 32-bit BMP by another
// program. 16-bit PNGs read as their high bytes: exactly the 16-bit reference shifted, and within a
// level of the 8-bit one (made by another program, which rounds one grey ramp differently). The
// converter kept 8-bit pixels exactly, reduced 16-bit files without an 8-bit reference by its own
// rounding (within one level), and did not keep the colour of fully transparent pixels. The PNG
// reader's own path, tried before libpng's, takes every basic 8-bit non-interlaced file and many
// more, so that these pixels are its pixels there.
TEST(Corpus, PngSuiteAsPngAndAsBmp)
{
    const std::string suite = CorpusDir() + "/pngsuite/";
    if (!std::filesystem::is_directory(suite + "png"))
        GTEST_SKIP() << "corpus not present";
    int good = 0, corrupt = 0, bmps = 0, owned = 0;
    for (const auto& entry : std::filesystem::directory_iterator(suite + "png"))
    {
        const std::string name = entry.path().stem().string();
        SCOPED_TRACE(name);
        Bytes file;
        ASSERT_TRUE(ReadFileBytes(entry.path().string(), file));
        const SDecoded png = Decode(gx::DecodePng, file);
        EXPECT_EQ(png.ok, name[0] != 'x');
        corrupt += name[0] == 'x';
        if (!png.ok)
            continue;
        ++good;
        gx::CBitmap own;
        const bool basic = name.rfind("basn", 0) == 0 && name.substr(6, 2) == "08";
        owned += gx::png::DecodePngOwnOnly(file, own);
        EXPECT_TRUE(!basic || !own.Empty());
        const std::vector<int> exact = ReadJsonNumbers(suite + "json/" + name + ".json");
        const bool deep = *std::max_element(exact.begin(), exact.end()) > 255;
        const bool reduced = deep && FileExists(suite + "json/" + name + "_to8.json");
        std::vector<int> to8 = reduced ? ReadJsonNumbers(suite + "json/" + name + "_to8.json") : exact;
        ASSERT_EQ(png.rgba.size(), exact.size());
        ASSERT_EQ(to8.size(), exact.size());
        for (size_t i = 0; i < exact.size(); ++i)
        {
            to8[i] = reduced || !deep ? to8[i] : (exact[i] * 255 + 32767) / 65535;
            ASSERT_EQ(png.rgba[i], deep ? exact[i] >> 8 : exact[i]) << "at " << i;
            ASSERT_LE(std::abs(png.rgba[i] - to8[i]), 1) << "at " << i;
        }
        if (!FileExists(suite + "bmp/" + name + ".bmp"))
            continue;
        const SDecoded bmp = DecodeFile(gx::DecodeBmp, suite + "bmp/" + name + ".bmp");
        ASSERT_EQ(bmp.rgba.size(), exact.size());
        ++bmps;
        int worst = 0;
        for (size_t i = 0; i < exact.size(); ++i)
            worst = std::max(worst, exact[i | 3] || bmp.rgba[i | 3] ? std::abs(to8[i] - bmp.rgba[i]) : 0);
        EXPECT_LE(worst, deep && !reduced ? 1 : 0);
    }
    EXPECT_GT(good, 150);
    EXPECT_EQ(corrupt, 14);
    EXPECT_GT(bmps, 100);
    EXPECT_GT(owned, 30);
}

TEST(Corpus, TgaSamplesReadAsTheirMakersShowThem)
{
    const std::string root = CorpusDir() + "/tga/";
    if (!FileExists(root) || !HaveImageMagick())
        GTEST_SKIP() << "no corpus at " << root << " or no ImageMagick";
    // The originator's samples mark their attribute data "keep but do not use" or have none, so
    // all read opaque; ImageMagick ignores the extension area and gives utc16 and utc32 alpha 0.
    for (const char* name : {"cbw8", "ccm8", "ctc24", "ubw8", "ucm8", "utc16", "utc24", "utc32"})
    {
        SCOPED_TRACE(name);
        auto opaque = [](Bytes& theirs) {
            for (size_t i = 3; i < theirs.size(); i += 4)
                theirs[i] = 255;
        };
        EXPECT_EQ(ExpectMatchesMagick(gx::DecodeTga, root + "conformance/" + name + ".tga", 0, opaque).format, GL_BGR);
    }
    // Small files of every kind, each with a PNG of how it should look. Fully transparent pixels
    // may differ in colour.
    for (const char* name :
         {"monochrome16_top_left", "monochrome16_top_left_rle", "monochrome8_bottom_left", "monochrome8_bottom_left_rle",
          "rgb24_bottom_left_rle", "rgb24_top_left", "rgb24_top_left_colormap", "rgb32_bottom_left", "rgb32_top_left_rle",
          "rgb32_top_left_rle_colormap"})
    {
        SCOPED_TRACE(name);
        const SDecoded d = DecodeFile(gx::DecodeTga, root + "ftrvxmtrx/" + name + ".tga");
        uint32_t w = 0, h = 0;
        Bytes expected;
        ASSERT_TRUE(MagickReadRgba(root + "ftrvxmtrx/" + name + ".png", w, h, expected));
        ASSERT_EQ(d.rgba.size(), expected.size());
        for (size_t i = 0; i < expected.size(); i += 4)
            ASSERT_TRUE((!expected[i + 3] && !d.rgba[i + 3]) || std::memcmp(&expected[i], &d.rgba[i], 4) == 0) << i / 4;
    }
}
} // namespace
