// Sprite sheets from the interactive split and combine: what they write with the sheet settings at
// their defaults is what they always wrote, byte for byte.

#include "OpsTestSupport.h"
#include "support/SheetTesting.h"

#include "ops/Combine.h"
#include "ops/Split.h"

namespace mosvane::test
{
namespace
{
using Digests = std::vector<std::pair<std::string, std::string>>;

// Picture n of a test sequence: the pattern, shifted in colour per number.
SPicture Frame(uint32_t w, uint32_t h, bool alpha, int n)
{
    SPicture picture = Pattern(w, h, alpha);
    for (size_t i = 0; i < picture.m_rgba.size(); i += 4)
        picture.m_rgba[i] = uint8_t(picture.m_rgba[i] + n * 37);
    return picture;
}

std::vector<std::string> NumberedNames(const std::string& title, int from, int count, int digits,
                                       const std::string& type)
{
    std::vector<std::string> names;
    for (int n = from; n < from + count; ++n)
        names.push_back(Numbered(title, n, digits, type));
    return names;
}

struct SheetOps : OpsFixture
{
    void OpenWithEngine(const SPicture& picture, bool alpha)
    {
        WriteWithEngine(File("source.png"), picture, alpha);
        ASSERT_TRUE(m_image.LoadImageFile(File("source.png").c_str()));
    }
    void SplitAs(const std::string& title, const std::string& type)
    {
        const SplitResult result = SplitImage(1, BuildNumberPattern(Dir(), title, 2, type), m_image, m_grid);
        EXPECT_EQ(result.m_nFailed, 0) << title;
    }
};

TEST_F(SheetOps, DefaultsWriteTheBytesTheyAlwaysWrote)
{
    Digests digests;
    OpenWithEngine(Pattern(100, 60, false), false);
    ASSERT_TRUE(m_grid.DrawSplitLines(2, 3, 100, 60));
    for (const char* type : {"png", "tga", "bmp"})
    {
        SplitAs("even", type);
        AddDigests("split-rgb", Dir(), NumberedNames("even", 1, 6, 2, type), digests);
    }
    ASSERT_TRUE(m_grid.MoveLine(true, 0, 20) && m_grid.MoveLine(false, 0, 41));
    SplitAs("dragged", "png");
    AddDigests("split-dragged", Dir(), NumberedNames("dragged", 1, 6, 2, "png"), digests);

    OpenWithEngine(Pattern(96, 64, true), true);
    ASSERT_TRUE(m_grid.DrawSplitLines(3, 2, 96, 64));
    for (const char* type : {"png", "tga"})
    {
        SplitAs("alpha", type);
        AddDigests("split-rgba", Dir(), NumberedNames("alpha", 1, 6, 2, type), digests);
    }

    for (bool alpha : {false, true})
    {
        const std::string stem = alpha ? "a" : "o";
        for (int n = 1; n <= 6; ++n)
            WriteWithEngine(Numbered(File(stem), n, 3, "png"), Frame(16, 12, alpha, n), alpha);
        for (const char* type : {"png", "tga", "bmp"})
        {
            const std::string name = stem + "-sheet." + type;
            ASSERT_EQ(CombineSequence(2, 3, 1, BuildNumberPattern(Dir(), stem, 3, "png"), File(name)),
                      ECombineResult::Written);
            AddDigests(alpha ? "combine-rgba" : "combine-rgb", Dir(), {name}, digests);
        }
    }
    // Sizes that differ from the first picture's, and a number missing.
    for (auto [n, w, h] : {std::tuple{1, 8, 6}, std::tuple{2, 11, 7}, std::tuple{4, 5, 3}, std::tuple{5, 8, 6}})
        WriteWithEngine(Numbered(File("m"), n, 1, "png"), Frame(uint32_t(w), uint32_t(h), true, n));
    ASSERT_EQ(CombineSequence(2, 3, 1, BuildNumberPattern(Dir(), "m", 1, "png"), File("m-sheet.png")),
              ECombineResult::Written);
    AddDigests("combine-mixed", Dir(), {"m-sheet.png"}, digests);

    ExpectRecordedDigests("sheet-digests-ops.txt", digests);
}
} // namespace
} // namespace mosvane::test
