#include "BatchTesting.h"

#include <climits>
#include <cmath>

namespace
{
using namespace batchtest;

std::string Attributes(XmlNode node)
{
    std::string text;
    for (uint32_t i = 0; i < node.AttributeCount(); ++i)
        text += std::string(i ? " " : "") + node.AttributeAt(i).Name() + "=" + node.AttributeAt(i).Value();
    return text;
}

void WriteText(const std::string& path, const std::string& text)
{
    ASSERT_TRUE(WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end())));
}

TEST(BatchFile, RefusesFilesThatAreNotBatchFilesAndStaysClosed)
{
    CTempDir dir;
    BatchFile batch;
    ASSERT_TRUE(batch.NewBatchFile(dir.File("new.xml")));
    ASSERT_TRUE(batch.LoadBatchFile(dir.File("new.xml")));
    EXPECT_EQ(batch.Root().ChildCount(), 0u);
    // Letter case, a declaration or a comment first, another root, no XML, no file.
    for (const char* text : {"<mosvanebatch/>", "<?xml version=\"1.0\"?>\n<MosvaneBatch/>",
                             "<!-- note --><MosvaneBatch/>", "<Other/>", "plain text"})
    {
        WriteText(dir.File("x.xml"), text);
        EXPECT_FALSE(batch.LoadBatchFile(dir.File("x.xml"))) << text;
        // Nothing can open a batch behind the caller's back.
        EXPECT_FALSE(batch.WriteAlphaExtractSection(Output("/o")));
        EXPECT_FALSE(batch.AddItem(EBatchKind::AlphaExtract, "/a.png"));
        EXPECT_FALSE(batch.SaveBatchFile());
        EXPECT_FALSE(batch.IsOpen());
    }
    EXPECT_FALSE(batch.LoadBatchFile(dir.File("missing.xml")));
    // A file that cannot be written is reported by Save; the new batch is open in memory.
    EXPECT_FALSE(batch.NewBatchFile(dir.File("no/such/folder/b.xml")));
    EXPECT_TRUE(batch.IsOpen());
    EXPECT_FALSE(batch.SaveBatchFile());
}

TEST_F(BatchTest, SectionsKeepTheirAttributeOrderAndAreRewrittenInPlace)
{
    SequenceRecord out{"/out", "tile", "abc", "png", -3}; // only the template's length is kept
    ASSERT_TRUE(batch.WriteSplitSection(out, {0.5f, 0.5f}, {1.0f / 3, 1.0f / 3, 1.0f / 3}));
    ASSERT_TRUE(batch.AddItem(EBatchKind::Split, "/in/a.png"));
    ASSERT_TRUE(batch.AddItem(EBatchKind::Split, "/in/a.png"));
    BatchSection s;
    ASSERT_TRUE(batch.GetSection(EBatchKind::Split, s));
    EXPECT_EQ(Attributes(s.m_input.ChildByName("Cols").Child(2)), "Ratio=0.333333");
    out.m_strType = "bmp";
    ASSERT_TRUE(batch.WriteSplitSection(out, {0.25f}, {1.0f}));

    ASSERT_TRUE(batch.GetSection(EBatchKind::Split, s));
    EXPECT_EQ(Attributes(s.m_output), "ImageType=bmp NameFormat=tile FromNumber=-3 Folder=/out Template=###");
    // One list of each, with the second ratios; both items stay.
    ASSERT_EQ(s.m_input.ChildCount(), 2u);
    EXPECT_EQ(Attributes(s.m_input.ChildByName("Rows").Child(0)), "Ratio=0.250000");
    EXPECT_EQ(s.m_input.ChildByName("Rows").ChildCount(), 1u);
    EXPECT_EQ(s.m_items.ChildCount(), 2u);

    batch.WriteCombineSection(Output("/c"), 2, 3, SequenceRecord{"", "", "####", "", 7});
    batch.WriteBlendSection(Output("/b"), "/bk.png", "");
    batch.WriteRgbAlphaSection(Output("/r"), 1, 2, 3, 4);
    batch.WriteAlphaImageCombineSection(Output("/i"), "/alpha.png");
    batch.WriteMngSection(SequenceRecord{"/m", "", "##", "tga", 5}, 3, 10);
    ASSERT_TRUE(batch.SaveBatchFile());

    BatchFile loaded;
    ASSERT_TRUE(loaded.LoadBatchFile(dir.File("b.xml")));
    const std::vector<std::pair<EBatchKind, std::string>> inputs = {
        {EBatchKind::Combine, "FromNumber=7 Template=#### Rows=2 Cols=3"},
        {EBatchKind::Blend, "BkImg=/bk.png OverlayImg="},
        {EBatchKind::RgbAlpha, "R=1 G=2 B=3 A=4"},
        {EBatchKind::AlphaImageCombine, "SourceAlphaImage=/alpha.png"},
        {EBatchKind::Mng, "Template=## FPS=10 FrameCount=3 FromNumber=5"},
    };
    for (const auto& [kind, text] : inputs)
    {
        ASSERT_TRUE(loaded.GetSection(kind, s));
        EXPECT_EQ(Attributes(s.m_input), text);
    }
    EXPECT_EQ(Attributes(s.m_output), "ImageType=tga Folder=/m");
    EXPECT_FALSE(loaded.HasSection(EBatchKind::AlphaExtract));
    EXPECT_EQ(loaded.TemplateDigitsOf(EBatchKind::Split), 3);
    EXPECT_EQ(std::string(loaded.Root().Child(1).Name()), "CombineBatch"); // in the order first saved
}

TEST_F(BatchTest, OnlyTheFirstNamesakeSectionIsReadAndWritten)
{
    WriteText(dir.File("two.xml"), "<MosvaneBatch><CombineBatch><Output/><Input Rows=\"1\"/><ApplyToItems/></CombineBatch>"
                                   "<CombineBatch><Output/><Input Rows=\"9\"/><ApplyToItems/></CombineBatch></MosvaneBatch>");
    ASSERT_TRUE(batch.LoadBatchFile(dir.File("two.xml")));
    batch.WriteCombineSection(Output("/c"), 4, 4, SequenceRecord{});
    EXPECT_EQ(Attributes(batch.Root().Child(0).ChildByName("Input")), "Rows=4 FromNumber=0 Template= Cols=4");
    EXPECT_EQ(Attributes(batch.Root().Child(1).ChildByName("Input")), "Rows=9");
    // A section without all three children is present but cannot be executed.
    WriteText(dir.File("part.xml"), "<MosvaneBatch><BlendBatch><Output/><Input/></BlendBatch></MosvaneBatch>");
    ASSERT_TRUE(batch.LoadBatchFile(dir.File("part.xml")));
    BatchSection s;
    EXPECT_TRUE(batch.HasSection(EBatchKind::Blend));
    EXPECT_FALSE(batch.GetSection(EBatchKind::Blend, s));
    EXPECT_FALSE(ExecuteBlendBatch(batch));
}

TEST(BatchValues, NumbersReadAsTheFileGivesThem)
{
    const std::vector<std::pair<const char*, int32_t>> integers = {
        {"12abc", 12}, {"abc", 0}, {"", 0}, {nullptr, 0}, {"  -5", -5}, {"+7", 7}, {"0x10", 0},
        {"99999999999999999999", INT32_MAX}, {"-99999999999999999999", INT32_MIN}};
    for (const auto& [text, value] : integers)
        EXPECT_EQ(ParseBatchInteger(text), value) << (text ? text : "null");
    EXPECT_FLOAT_EQ(float(ParseBatchRatio("0.333333")), 0.333333f);
    EXPECT_EQ(ParseBatchRatio(" 0.5x"), 0.5);
    EXPECT_EQ(ParseBatchRatio("+.25"), 0.25);
    EXPECT_EQ(ParseBatchRatio("half"), 0.0);
    EXPECT_EQ(ParseBatchRatio("1e30"), 1e30);
    EXPECT_TRUE(std::isnan(ParseBatchRatio("nan")));
    EXPECT_TRUE(std::isinf(ParseBatchRatio("-inf")));
    EXPECT_TRUE(std::isnan(ParseBatchRatio("1e999")));
}

TEST(BatchValues, ChosenFilesBecomeTheirSequenceItems)
{
    const std::vector<std::tuple<const char*, int, const char*>> cases = {
        {"/shots/walk0007.png", 4, "/shots/walk.png"},
        {"/shots/2024/run-005.png", 4, "/shots/2024/run.png"}, // a negative number
        {"/s/a12345.png", 4, "/s/a1.png"},                     // the template's width, not the run's
        {"/s/f%d007.bmp", 0, "/s/f%d00.bmp"},                  // unpadded: no needless zero
        {"/s/walk007.png", 4, nullptr},                        // too few digits
        {"/s/walk0001.jpeg", 4, nullptr},                      // the number must precede the last four
        {"/s/walk-0.png", 2, nullptr},                         // "-0" is no number field
        {"1.png", 4, nullptr},
    };
    for (const auto& [chosen, digits, expected] : cases)
    {
        std::string item;
        EXPECT_EQ(SequenceItemPath(chosen, digits, item), expected != nullptr) << chosen;
        if (expected)
        {
            EXPECT_EQ(item, expected);
        }
    }
    // Several files of one sequence give one item, in the order of first appearance.
    EXPECT_EQ(SequenceItemPaths({"/a/x0002.png", "/b/y0001.png", "/a/x0001.png", "/a/notes.txt"}, 4),
              (std::vector<std::string>{"/a/x.png", "/b/y.png"}));
}
} // namespace
