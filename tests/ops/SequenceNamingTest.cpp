#include "ops/SequenceNaming.h"

#include <gtest/gtest.h>

namespace
{
TEST(SequenceNaming, NumberFieldPadsToTheDigitCountAndKeepsTheSign)
{
    EXPECT_EQ(FormatNumberField(7, 3), "007");
    EXPECT_EQ(FormatNumberField(1234, 3), "1234");
    EXPECT_EQ(FormatNumberField(-5, 3), "-05");
    EXPECT_EQ(FormatNumberField(42, 0), "42");
    EXPECT_EQ(FormatNumberField(INT64_MIN, 1), "-9223372036854775808");
}

TEST(SequenceNaming, NamesFollowTheTemplate)
{
    const CSequencePattern pattern = BuildNumberPattern("C:/seq", "frame", TemplateDigits("####"), "bmp");
    EXPECT_EQ(pattern.NameOf(98), "C:/seq/frame0098.bmp");
    EXPECT_EQ(pattern.NameOf(100), "C:/seq/frame0100.bmp");
    EXPECT_EQ(TemplateDisplay("D:/out", "tile", 3, "png"), "D:/out/tile###.png");
    EXPECT_EQ(SequenceRangeName("img", 3, 6, "png"), "img006.png");
    // A template counts its characters, whatever they are.
    EXPECT_EQ(TemplateDigits("abc"), 3);
    EXPECT_EQ(TemplateDigits("\xC3\xA9\xE2\x98\x85#"), 3);
}

TEST(SequenceNaming, UserTextIsCopiedLiterally)
{
    EXPECT_EQ(BuildNumberPattern("/tmp/50%d", "a%sb%%", 2, "p%n").NameOf(3), "/tmp/50%d/a%sb%%03.p%n");
    EXPECT_EQ(TemplateDisplay("%x", "%s", 1, "%d"), "%x/%s#.%d");
    std::string path;
    ASSERT_TRUE(BuildOutputPath(SequenceRecord{"/o%s", "t%n", "", "png", 0}, path));
    EXPECT_EQ(path, "/o%s/t%n.png");
    // A folder ending in the separator gives a doubled one; nothing is trimmed.
    EXPECT_EQ(BuildNumberPattern("/out/", " t ", 1, "bmp").NameOf(1), "/out// t 1.bmp");
}

TEST(SequenceNaming, OutputPathsNeedTheirParts)
{
    std::string path = "untouched";
    EXPECT_FALSE(BuildOutputPath(SequenceRecord{"/out", "pic", "", "", 0}, path));
    EXPECT_FALSE(BuildOutputPath(SequenceRecord{"", "pic", "", "png", 0}, path));
    EXPECT_FALSE(BuildOutputPath(SequenceRecord{"/out", "", "", "png", 0}, path));
    EXPECT_EQ(path, "untouched");
    ASSERT_TRUE(BuildMngOutputPath(SequenceRecord{"/out", "anim", "", "bmp", 0}, path));
    EXPECT_EQ(path, "/out/anim.mng");

    // Numbered output accepts an empty folder: the names then begin with the separator.
    SequenceRecord parts;
    EXPECT_FALSE(ReadOutputParts(SequenceRecord{"/out", "t", "", "", 0}, parts));
    EXPECT_FALSE(ReadOutputParts(SequenceRecord{"/out", "", "", "png", 0}, parts));
    ASSERT_TRUE(ReadOutputParts(SequenceRecord{"", "t", "", "png", 0}, parts));
    EXPECT_EQ(BuildNumberPattern(parts.m_strFolder, parts.m_strTitle, 2, parts.m_strType).NameOf(1), "/t01.png");
}

TEST(SequenceNaming, ItemTitlesAndItemSequences)
{
    EXPECT_EQ(ItemTitle("D:/in/car.png"), "car");
    EXPECT_EQ(ItemTitle("D:/in/photo.jpeg"), "photo.");
    EXPECT_EQ(ItemTitle("D:/ab"), "");
    EXPECT_EQ(ItemTitle("/50%/caf\xC3\xA9.png"), "caf\xC3\xA9");
    EXPECT_EQ(ItemTitle("b\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"), "b");
    EXPECT_EQ(ItemSequencePattern("D:/seq/walk.png", 4).NameOf(1), "D:/seq/walk0001.png");
    EXPECT_EQ(ItemSequencePattern("abc", 2).NameOf(5), "05abc");
}
} // namespace
