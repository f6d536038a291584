#include "BatchTesting.h"

#include "batch/BatchFile.h"

#include <climits>
#include <cmath>
#include <cstring>

namespace
{
using namespace batchtest;

std::string Attributes(XmlNode node)
{
    std::string text;
    for (uint32_t i = 0; i < node.AttributeCount(); ++i)
        text += std::string(text.empty() ? "" : " ") + node.AttributeAt(i).Name() + "=" + node.AttributeAt(i).Value();
    return text;
}

TEST(BatchFile, NewFileHoldsOnlyTheRootAndLoadsBack)
{
    CTempDir dir;
    BatchFile batch;
    ASSERT_TRUE(batch.NewBatchFile(dir.File("b.xml")));
    for (EBatchKind kind : kBatchKinds)
        EXPECT_FALSE(batch.HasSection(kind));
    BatchFile loaded;
    ASSERT_TRUE(loaded.LoadBatchFile(dir.File("b.xml")));
    EXPECT_EQ(loaded.Root().ChildCount(), 0u);
    EXPECT_EQ(loaded.Path(), dir.File("b.xml"));
}

TEST(BatchFile, RefusesFilesThatAreNotBatchFilesAndStaysClosed)
{
    CTempDir dir;
    const std::vector<std::string> refused = {
        "<mosvanebatch/>",                                   // letter case differs
        "<?xml version=\"1.0\"?>\n<MosvaneBatch/>",          // the declaration is the first node
        "<!-- note --><MosvaneBatch/>",                      // so is a comment
        "<Other/>",
        "plain text",
    };
    for (const std::string& text : refused)
    {
        ASSERT_TRUE(mosvane::test::WriteFileBytes(dir.File("x.xml"), std::vector<uint8_t>(text.begin(), text.end())));
        BatchFile batch;
        ASSERT_TRUE(batch.NewBatchFile(dir.File("open.xml")));
        EXPECT_FALSE(batch.LoadBatchFile(dir.File("x.xml"))) << text;
        // A failed load leaves no batch open, and nothing can create one behind the caller's back.
        EXPECT_FALSE(batch.IsOpen());
        EXPECT_FALSE(batch.WriteAlphaExtractSection(Output("/o")));
        EXPECT_FALSE(batch.AddItem(EBatchKind::AlphaExtract, "/a.png"));
        EXPECT_FALSE(batch.SaveBatchFile());
        EXPECT_FALSE(batch.IsOpen());
    }
    BatchFile batch;
    EXPECT_FALSE(batch.LoadBatchFile(dir.File("missing.xml")));
}

TEST(BatchFile, SectionsKeepTheirAttributeOrderAndAreRewrittenInPlace)
{
    CTempDir dir;
    BatchFile batch;
    batch.NewBatchFile(dir.File("b.xml"));
    SequenceRecord out = Output("/out");
    out.m_strTitle = "tile";
    out.m_strTemplate = "abc"; // only its length is recorded
    out.m_nFromNumber = -3;
    ASSERT_TRUE(batch.WriteSplitSection(out, {0.5f, 0.5f}, {1.0f / 3, 1.0f / 3, 1.0f / 3}));
    ASSERT_TRUE(batch.AddItem(EBatchKind::Split, "/in/a.png"));
    ASSERT_TRUE(batch.AddItem(EBatchKind::Split, "/in/a.png"));
    out.m_strType = "bmp";
    ASSERT_TRUE(batch.WriteSplitSection(out, {0.25f}, {1.0f}));

    BatchSection s;
    ASSERT_TRUE(batch.GetSection(EBatchKind::Split, s));
    EXPECT_EQ(std::string(s.m_section.Child(0).Name()), "Output");
    EXPECT_EQ(std::string(s.m_section.Child(1).Name()), "Input");
    EXPECT_EQ(std::string(s.m_section.Child(2).Name()), "ApplyToItems");
    EXPECT_EQ(Attributes(s.m_output), "ImageType=bmp NameFormat=tile FromNumber=-3 Folder=/out Template=###");
    // One list of each, holding the second ratios; the items stay, twice.
    ASSERT_EQ(s.m_input.ChildCount(), 2u);
    EXPECT_EQ(Attributes(s.m_input.ChildByName("Rows").Child(0)), "Ratio=0.250000");
    EXPECT_EQ(s.m_input.ChildByName("Rows").ChildCount(), 1u);
    EXPECT_EQ(s.m_items.ChildCount(), 2u);

    SequenceRecord source;
    source.m_strTemplate = "####";
    source.m_nFromNumber = 7;
    batch.WriteCombineSection(Output("/c"), 2, 3, source);
    batch.WriteBlendSection(Output("/b"), "/bk.png", "");
    batch.WriteRgbAlphaSection(Output("/r"), 1, 2, 3, 4);
    batch.WriteAlphaImageCombineSection(Output("/i"), "/alpha.png");
    SequenceRecord mng = Output("/m", "tga");
    mng.m_strTemplate = "##";
    mng.m_nFromNumber = 5;
    batch.WriteMngSection(mng, 3, 10);
    ASSERT_TRUE(batch.SaveBatchFile());

    BatchFile loaded;
    ASSERT_TRUE(loaded.LoadBatchFile(dir.File("b.xml")));
    ASSERT_TRUE(loaded.GetSection(EBatchKind::Combine, s));
    EXPECT_EQ(Attributes(s.m_output), "ImageType=png Folder=/c");
    EXPECT_EQ(Attributes(s.m_input), "FromNumber=7 Template=#### Rows=2 Cols=3");
    ASSERT_TRUE(loaded.GetSection(EBatchKind::Blend, s));
    EXPECT_EQ(Attributes(s.m_input), "BkImg=/bk.png OverlayImg=");
    ASSERT_TRUE(loaded.GetSection(EBatchKind::RgbAlpha, s));
    EXPECT_EQ(Attributes(s.m_input), "R=1 G=2 B=3 A=4");
    ASSERT_TRUE(loaded.GetSection(EBatchKind::AlphaImageCombine, s));
    EXPECT_EQ(Attributes(s.m_input), "SourceAlphaImage=/alpha.png");
    ASSERT_TRUE(loaded.GetSection(EBatchKind::Mng, s));
    EXPECT_EQ(Attributes(s.m_output), "ImageType=tga Folder=/m");
    EXPECT_EQ(Attributes(s.m_input), "Template=## FPS=10 FrameCount=3 FromNumber=5");
    EXPECT_FALSE(loaded.HasSection(EBatchKind::AlphaExtract));
    EXPECT_EQ(loaded.TemplateDigitsOf(EBatchKind::Split), 3);
    EXPECT_EQ(loaded.TemplateDigitsOf(EBatchKind::Mng), 2);
    // Sections stand in the order they were first saved.
    EXPECT_EQ(std::string(loaded.Root().Child(0).Name()), "SplitBatch");
    EXPECT_EQ(std::string(loaded.Root().Child(1).Name()), "CombineBatch");
}

TEST(BatchFile, OnlyTheFirstNamesakeSectionIsReadAndWritten)
{
    CTempDir dir;
    const std::string text = "<MosvaneBatch><CombineBatch><Output/><Input Rows=\"1\"/><ApplyToItems/></CombineBatch>"
                             "<CombineBatch><Output/><Input Rows=\"9\"/><ApplyToItems/></CombineBatch></MosvaneBatch>";
    ASSERT_TRUE(mosvane::test::WriteFileBytes(dir.File("b.xml"), std::vector<uint8_t>(text.begin(), text.end())));
    BatchFile batch;
    ASSERT_TRUE(batch.LoadBatchFile(dir.File("b.xml")));
    batch.WriteCombineSection(Output("/c"), 4, 4, SequenceRecord{});
    EXPECT_EQ(Attributes(batch.Root().Child(0).ChildByName("Input")), "Rows=4 FromNumber=0 Template= Cols=4");
    EXPECT_EQ(Attributes(batch.Root().Child(1).ChildByName("Input")), "Rows=9");
    // A section without all three children is present but cannot be executed.
    const std::string partial = "<MosvaneBatch><BlendBatch><Output/><Input/></BlendBatch></MosvaneBatch>";
    ASSERT_TRUE(mosvane::test::WriteFileBytes(dir.File("p.xml"), std::vector<uint8_t>(partial.begin(), partial.end())));
    ASSERT_TRUE(batch.LoadBatchFile(dir.File("p.xml")));
    BatchSection s;
    EXPECT_TRUE(batch.HasSection(EBatchKind::Blend));
    EXPECT_FALSE(batch.GetSection(EBatchKind::Blend, s));
    EXPECT_FALSE(ExecuteBlendBatch(batch));
}

TEST(BatchFile, SaveReportsAFailedWrite)
{
    CTempDir dir;
    BatchFile batch;
    // The folder does not exist: the batch is open in memory, but the file was not written.
    EXPECT_FALSE(batch.NewBatchFile(dir.File("no/such/folder/b.xml")));
    EXPECT_TRUE(batch.IsOpen());
    EXPECT_FALSE(batch.SaveBatchFile());
}

TEST(BatchValues, NumbersReadAsTheFileGivesThem)
{
    EXPECT_EQ(ParseBatchInteger("12abc"), 12);
    EXPECT_EQ(ParseBatchInteger("abc"), 0);
    EXPECT_EQ(ParseBatchInteger(""), 0);
    EXPECT_EQ(ParseBatchInteger(nullptr), 0);
    EXPECT_EQ(ParseBatchInteger("  -5"), -5);
    EXPECT_EQ(ParseBatchInteger("+7"), 7);
    EXPECT_EQ(ParseBatchInteger("0x10"), 0);
    EXPECT_EQ(ParseBatchInteger("99999999999999999999"), INT32_MAX);
    EXPECT_EQ(ParseBatchInteger("-99999999999999999999"), INT32_MIN);

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
    std::string item;
    EXPECT_TRUE(SequenceItemPath("/shots/walk0007.png", 4, item));
    EXPECT_EQ(item, "/shots/walk.png");
    EXPECT_TRUE(SequenceItemPath("/shots/2024/run-005.png", 4, item)); // a negative number
    EXPECT_EQ(item, "/shots/2024/run.png");
    EXPECT_TRUE(SequenceItemPath("/s/a12345.png", 4, item)); // the template's width, not the run's
    EXPECT_EQ(item, "/s/a1.png");
    EXPECT_TRUE(SequenceItemPath("/s/f%d007.bmp", 0, item)); // unpadded: no needless zero
    EXPECT_EQ(item, "/s/f%d00.bmp");
    EXPECT_FALSE(SequenceItemPath("/s/walk007.png", 4, item)); // too few digits
    EXPECT_FALSE(SequenceItemPath("/s/walk.png", 2, item));
    EXPECT_FALSE(SequenceItemPath("/s/walk0001.jpeg", 4, item)); // the number must precede the last four
    EXPECT_FALSE(SequenceItemPath("/s/walk-0.png", 2, item));    // "-0" is no number field
    EXPECT_FALSE(SequenceItemPath("1.png", 4, item));

    // Several files of one sequence give one item; the order of first appearance is kept.
    EXPECT_EQ(SequenceItemPaths({"/a/x0002.png", "/b/y0001.png", "/a/x0001.png", "/a/notes.txt"}, 4),
              (std::vector<std::string>{"/a/x.png", "/b/y.png"}));
}
} // namespace
