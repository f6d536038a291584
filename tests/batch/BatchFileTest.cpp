#include "BatchTesting.h"

#include <climits>

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

TEST(BatchFile, RefusesFilesThatAreNotBatchFilesAndStaysClosed)
{
    CTempDir dir;
    BatchFile batch;
    // Letter case, a declaration or a comment first, another root, no XML, no file.
    for (const char* text : {"<mosvanebatch/>", "<?xml version=\"1.0\"?>\n<MosvaneBatch/>",
                             "<!-- note --><MosvaneBatch/>", "<Other/>", "plain text", static_cast<const char*>(nullptr)})
    {
        if (text)
            WriteText(dir.File("x.xml"), text);
        EXPECT_FALSE(batch.LoadBatchFile(dir.File(text ? "x.xml" : "missing.xml"))) << (text ? text : "no file");
        // Nothing can open a batch behind the caller's back.
        EXPECT_FALSE(batch.WriteAlphaExtractSection(Output("/o")));
        EXPECT_FALSE(batch.AddItem(EBatchKind::AlphaExtract, "/a.png"));
        EXPECT_FALSE(batch.SaveBatchFile());
        EXPECT_FALSE(batch.IsOpen());
    }
    // A file that cannot be written is reported by Save; the new batch is open in memory.
    EXPECT_FALSE(batch.NewBatchFile(dir.File("no/such/folder/b.xml")));
    EXPECT_TRUE(batch.IsOpen());
    EXPECT_FALSE(batch.SaveBatchFile());
    // A section without all three children is present but cannot be executed.
    WriteText(dir.File("part.xml"), "<MosvaneBatch><BlendBatch><Output/><Input/></BlendBatch></MosvaneBatch>");
    ASSERT_TRUE(batch.LoadBatchFile(dir.File("part.xml")));
    EXPECT_TRUE(batch.HasSection(EBatchKind::Blend));
    EXPECT_FALSE(ExecuteBlendBatch(batch));
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
    // One list of each, with the second ratios; both items stay.
    EXPECT_EQ(Attributes(s.m_output), "ImageType=bmp NameFormat=tile FromNumber=-3 Folder=/out Template=###");
    ASSERT_EQ(s.m_input.ChildCount(), 2u);
    EXPECT_EQ(Attributes(s.m_input.ChildByName("Rows").Child(0)), "Ratio=0.250000");
    EXPECT_EQ(s.m_input.ChildByName("Rows").ChildCount(), 1u);
    EXPECT_EQ(s.m_items.ChildCount(), 2u);

    batch.WriteCombineSection(Output("/c"), 2, 3, SequenceRecord{"", "", "####", "", 7});
    batch.WriteBlendSection(Output("/b"), "/bk.png", "");
    batch.WriteRgbAlphaSection(Output("/r"), 1, 2, 3, 4);
    batch.WriteAlphaImageCombineSection(Output("/i"), "/alpha.png");
    batch.WriteMngSection(SequenceRecord{"/m", "", "##", "tga", 5}, 3, 10);
    const std::vector<std::pair<EBatchKind, std::string>> inputs = {
        {EBatchKind::Combine, "FromNumber=7 Template=#### Rows=2 Cols=3"},
        {EBatchKind::Blend, "BkImg=/bk.png OverlayImg="},
        {EBatchKind::RgbAlpha, "R=1 G=2 B=3 A=4"},
        {EBatchKind::AlphaImageCombine, "SourceAlphaImage=/alpha.png"},
        {EBatchKind::Mng, "Template=## FPS=10 FrameCount=3 FromNumber=5"},
    };
    for (const auto& [kind, text] : inputs)
    {
        ASSERT_TRUE(batch.GetSection(kind, s));
        EXPECT_EQ(Attributes(s.m_input), text);
    }
    EXPECT_EQ(Attributes(s.m_output), "ImageType=tga Folder=/m");
    EXPECT_FALSE(batch.HasSection(EBatchKind::AlphaExtract));
    EXPECT_EQ(batch.TemplateDigitsOf(EBatchKind::Split), 3);
}

TEST(BatchValues, NumbersAndSequenceItemsReadAsTheFileGivesThem)
{
    for (const auto& [text, value] : std::vector<std::pair<const char*, int32_t>>{
             {"12abc", 12}, {"abc", 0}, {nullptr, 0}, {"  -5", -5}, {"+7", 7}, {"0x10", 0},
             {"99999999999999999999", INT32_MAX}, {"-99999999999999999999", INT32_MIN}})
        EXPECT_EQ(ParseBatchInteger(text), value) << (text ? text : "null");
    EXPECT_EQ(ParseBatchRatio(" 0.5x") + ParseBatchRatio("+.25") + ParseBatchRatio("half"), 0.75);

    // "" for a file that is no member of a sequence with that many digits.
    for (const auto& [chosen, digits, expected] : std::vector<std::tuple<const char*, int, std::string>>{
             {"/shots/walk0007.png", 4, "/shots/walk.png"},
             {"/shots/2024/run-005.png", 4, "/shots/2024/run.png"}, // a negative number
             {"/s/a12345.png", 4, "/s/a1.png"},                     // the template's width, not the run's
             {"/s/f%d007.bmp", 0, "/s/f%d00.bmp"},                  // unpadded: no needless zero
             {"/s/walk007.png", 4, ""}, {"/s/walk0001.jpeg", 4, ""}, {"/s/walk-0.png", 2, ""}, {"1.png", 4, ""}})
    {
        std::string item;
        EXPECT_EQ(SequenceItemPath(chosen, digits, item) ? item : "", expected) << chosen;
    }
    // Several files of one sequence give one item, in the order of first appearance.
    EXPECT_EQ(SequenceItemPaths({"/a/x0002.png", "/b/y0001.png", "/a/x0001.png", "/a/notes.txt"}, 4),
              (std::vector<std::string>{"/a/x.png", "/b/y.png"}));
}
} // namespace
