#include "ops/SequenceNaming.h"

#include <gtest/gtest.h>

namespace mosvane::test
{
namespace
{
TEST(SequenceNaming, OnlyTheNumberFieldIsFormatted)
{
    std::string single, mng;
    SequenceRecord parts; // an empty folder is accepted for numbered output: the current folder
    ASSERT_TRUE(ReadOutputParts(SequenceRecord{"", "t", "", "png", 0}, parts));
    ASSERT_TRUE(BuildOutputPath(SequenceRecord{"/o%s", "t%n", "", "png", 0}, single));
    ASSERT_TRUE(BuildMngOutputPath(SequenceRecord{"/out", "anim", "", "bmp", 0}, mng));
    const std::pair<std::string, std::string> cases[] = {
        {FormatNumberField(7, 3), "007"},
        {FormatNumberField(1234, 3), "1234"},
        {FormatNumberField(-5, 3), "-05"},
        {FormatNumberField(INT64_MIN, 1), "-9223372036854775808"},
        {BuildNumberPattern("C:/seq", "frame", TemplateDigits("####"), "bmp").NameOf(98), "C:/seq/frame0098.bmp"},
        {BuildSourcePattern({"/s", "f", "\xC3\xA9\xE2\x98\x85#", "png", 0}).NameOf(5), "/s/f005.png"}, // characters
        {BuildNumberPattern("/tmp/50%d", "a%sb%%", 2, "p%n").NameOf(3), "/tmp/50%d/a%sb%%03.p%n"},
        {BuildNumberPattern("/out/", " t ", 1, "bmp").NameOf(1), "/out// t 1.bmp"}, // nothing trimmed
        {BuildNumberPattern(parts.m_strFolder, parts.m_strTitle, 2, parts.m_strType).NameOf(1), "t01.png"},
        {TemplateDisplay("", "t", 2, "png"), "t##.png"},
        {single, "/o%s/t%n.png"},
        {mng, "/out/anim.mng"},
        {TemplateDisplay("D:/out", "tile", 3, "png"), "D:/out/tile###.png"},
        {ItemTitle("/50%/caf\xC3\xA9.png"), "caf\xC3\xA9"},
        {ItemTitle("b\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"), "b"},
        {ItemSequencePattern("D:/seq/walk.png", 4).NameOf(1), "D:/seq/walk0001.png"},
        {ItemSequencePattern("abc", 2).NameOf(5), "05abc"},
        {ItemOutputName("/o%d", ItemTitle("/in/car.png"), "_Blend", "p%s"), "/o%d/car_Blend.p%s"},
        {ItemOutputName("/o", ItemTitleOrRandom("/in/walk.png", 3), "", "mng"), "/o/walk.mng"}};
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(name, expected);
    // An empty title is replaced by a number from 0 to 32767, the same for the same position.
    const std::string random = ItemTitleOrRandom("/in/ab", 7);
    EXPECT_EQ(ItemTitleOrRandom("/in/cd", 7), random);
    EXPECT_TRUE(!random.empty() && random.size() <= 5 && random.find_first_not_of("0123456789") == std::string::npos &&
                std::stoi(random) <= 32767)
        << random;
}
} // namespace
} // namespace mosvane::test
