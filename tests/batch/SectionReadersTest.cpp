// The read side of the batch sections: what the writers record reads back as it was given, a
// missing value reads by the file's rules and is appended where and in the order batch files have
// always gained it, and a read for looking only changes nothing.

#include "BatchTesting.h"

#include "batch/BatchSections.h"

#include <climits>
#include <cmath>

namespace mosvane::test
{
namespace
{
BatchSection SectionOf(const BatchFile& batch, EBatchKind kind)
{
    BatchSection section;
    EXPECT_TRUE(batch.GetSection(kind, section)) << SectionName(kind);
    return section;
}

// The section of the kind as its reader gives it.
template <class T>
T ReadOf(const BatchFile& batch, EBatchKind kind, void (*read)(const BatchSection&, T&, EAbsentValue),
         EAbsentValue absent = EAbsentValue::Leave)
{
    T value;
    read(SectionOf(batch, kind), value, absent);
    return value;
}

TEST_F(BatchTest, WhatEachWriterRecordsReadsBackAsItWasGiven)
{
    // Only what a section records comes back: the split's template as its length in '#', the
    // combine's source as template and first number, the MNG frames without their title.
    const SequenceRecord out{"/out dir", "title", "tmpl", "tga", -3};
    const SplitInputs split{{"/o", "tile", "\xC3\xA9#", "bmp", -2}, {0.5f, 0.25f, 0.25f}, {1.0f},
                            {ESheetData::JsonArray, 3, INT32_MAX, true, true}};
    const CombineInputs combine{out, {"/in", "img", "####", "jpg", INT32_MAX}, 2, INT32_MIN,
                                {ESheetData::JsonHash, true, -1, 0, 7}};
    const BlendInputs blend{out, "/bk.png", ""};
    const AlphaRgbInputs rgb{out, 300, -1, 0, 256};
    const AlphaImageInputs image{out, "/a b.png"};
    const MngInputs mng{out, {"/frames", "f", "abc", "png", 5}, 3, 12};
    ASSERT_TRUE(batch.WriteSplitSection(split) && batch.WriteCombineSection(combine) && batch.WriteBlendSection(blend) &&
                batch.WriteAlphaExtractSection(out) && batch.WriteRgbAlphaSection(rgb) &&
                batch.WriteAlphaImageCombineSection(image) && batch.WriteMngSection(mng));
    ASSERT_TRUE(batch.SaveBatchFile());
    const std::string saved = ReadTextFile(dir.File("b.xml"));

    BatchFile loaded;
    ASSERT_TRUE(loaded.LoadBatchFile(dir.File("b.xml")));
    for (EAbsentValue absent : {EAbsentValue::Leave, EAbsentValue::Append})
    {
        EXPECT_EQ(ReadOf(loaded, EBatchKind::Split, ReadSplitSection, absent),
                  (SplitInputs{{"/o", "tile", "##", "bmp", -2}, split.m_rowFractions, split.m_colFractions, split.m_sheet}));
        EXPECT_EQ(ReadOf(loaded, EBatchKind::Combine, ReadCombineSection, absent),
                  (CombineInputs{{"/out dir", "", "", "tga", 0}, {"", "", "####", "", INT32_MAX}, 2, INT32_MIN,
                                 combine.m_sheet}));
        EXPECT_EQ(ReadOf(loaded, EBatchKind::Blend, ReadBlendSection, absent),
                  (BlendInputs{{"/out dir", "", "", "tga", 0}, "/bk.png", ""}));
        EXPECT_EQ(ReadOf(loaded, EBatchKind::AlphaExtract, ReadAlphaExtractSection, absent),
                  (SequenceRecord{"/out dir", "", "", "tga", 0}));
        EXPECT_EQ(ReadOf(loaded, EBatchKind::RgbAlpha, ReadRgbAlphaSection, absent),
                  (AlphaRgbInputs{{"/out dir", "", "", "tga", 0}, 300, -1, 0, 256}));
        EXPECT_EQ(ReadOf(loaded, EBatchKind::AlphaImageCombine, ReadAlphaImageCombineSection, absent),
                  (AlphaImageInputs{{"/out dir", "", "", "tga", 0}, "/a b.png"}));
        EXPECT_EQ(ReadOf(loaded, EBatchKind::Mng, ReadMngSection, absent),
                  (MngInputs{{"/out dir", "", "", "", 0}, {"", "", "abc", "png", 5}, 3, 12}));
    }
    // Everything was there: reading added nothing.
    ASSERT_TRUE(loaded.SaveBatchFile());
    EXPECT_EQ(ReadTextFile(dir.File("b.xml")), saved);
    // Sheet settings set back to their defaults are recorded as such, never left as they were.
    ASSERT_TRUE(loaded.WriteSplitSection(SplitInputs{split.m_output}) && loaded.WriteCombineSection(CombineInputs{out}));
    EXPECT_EQ(ReadOf(loaded, EBatchKind::Split, ReadSplitSection).m_sheet, SSplitSheet{});
    EXPECT_EQ(ReadOf(loaded, EBatchKind::Combine, ReadCombineSection).m_sheet, SCombineSheet{});
}

TEST_F(BatchTest, ValuesReadByTheFileRules)
{
    WriteBatch(dir.File("b.xml"),
               {Section("CombineBatch", "Folder=\"/o\"",
                        "Template=\"\xC3\xA9#\" FromNumber=\" 12abc\" Rows=\"99999999999\" Cols=\"-99999999999\"", {}),
                Section("SplitBatch", "Template=\"\xC3\xA9#\"", "", {}, "<Rows><Row Ratio=\"0.333333\"/><Row Ratio=\"x\"/>"
                                                                     "<!-- --><Row Ratio=\"1e999\"/></Rows>"),
                "<MNGMakingBatch><Input Template=\"###\"/></MNGMakingBatch>"});
    ASSERT_TRUE(batch.LoadBatchFile(dir.File("b.xml")));
    // A template's length in bytes, read even from a section without all its parts, changing nothing.
    const std::string before = Outlined(batch.Root());
    EXPECT_EQ(std::tuple(batch.TemplateDigitsOf(EBatchKind::Mng), batch.TemplateDigitsOf(EBatchKind::Split),
                         batch.TemplateDigitsOf(EBatchKind::Combine)),
              std::tuple(3, 2, 2));
    EXPECT_EQ(Outlined(batch.Root()), before);
    const CombineInputs combine = ReadOf(batch, EBatchKind::Combine, ReadCombineSection, EAbsentValue::Append);
    // Text as it stands, integers saturating, " 12abc" as 12, a missing type empty.
    EXPECT_EQ(std::tuple(combine.m_output.m_strFolder, combine.m_source.m_strTemplate, combine.m_source.m_nFromNumber,
                         combine.m_nRows, combine.m_nCols, combine.m_output.m_strType),
              std::tuple("/o", "\xC3\xA9#", 12, INT32_MAX, INT32_MIN, ""));
    // One ratio per child node, in single precision; a comment or a text that is no number gives
    // 0.0, a number beyond a double's range NaN, which the split refuses.
    const SplitInputs split = ReadOf(batch, EBatchKind::Split, ReadSplitSection, EAbsentValue::Append);
    ASSERT_EQ(split.m_rowFractions.size(), 4u);
    EXPECT_EQ(split.m_rowFractions[0], float(0.333333));
    EXPECT_EQ(split.m_rowFractions[1] + split.m_rowFractions[2], 0.0f);
    EXPECT_TRUE(std::isnan(split.m_rowFractions[3]));
    EXPECT_TRUE(split.m_colFractions.empty());
}

// A hand-made file without values: executing each kind appends the attributes it reads, empty, in
// the order batch files have always gained them, whether or not the kind then refuses its values;
// the recorded title of the split and comments among the items are never touched. A listing and
// Add Items change nothing.
TEST_F(BatchTest, MissingValuesAreAppendedWhereAndInTheOrderTheyAlwaysWere)
{
    const std::string items = "<ApplyToItems><Item/><!--note--></ApplyToItems>";
    std::string text = "<MosvaneBatch>";
    for (EBatchKind kind : kBatchKinds)
        text += std::string("<") + SectionName(kind) + "><Output/><Input>" +
                (kind == EBatchKind::Split ? "<Rows><Row/></Rows><Cols><Col/></Cols>" : "") + "</Input>" + items +
                "</" + SectionName(kind) + ">";
    WriteTextFile(dir.File("b.xml"), text + "</MosvaneBatch>");
    ASSERT_TRUE(batch.LoadBatchFile(dir.File("b.xml")));
    const std::string untouched = Outlined(batch.Root());
    std::ostringstream listing;
    ListBatch(batch, {}, listing);
    for (EBatchKind kind : {EBatchKind::Split, EBatchKind::Combine, EBatchKind::Mng})
        EXPECT_EQ(batch.TemplateDigitsOf(kind), 0);
    EXPECT_EQ(Outlined(batch.Root()), untouched);

    for (EBatchKind kind : kBatchKinds)
        ExecuteBatch(kind, batch);
    // The kinds that refuse their values (no template, no layer, no frame count) read no item.
    const std::string item = "  ApplyToItems\n    Item PathName=\n    <!--note-->\n";
    const std::string unread = "  ApplyToItems\n    Item\n    <!--note-->\n";
    EXPECT_EQ(Outlined(batch.Root()),
              "SplitBatch\n  Output Folder= ImageType= Template= FromNumber=\n  Input\n"
              "    Rows\n      Row Ratio=\n    Cols\n      Col Ratio=\n" + unread +
              "CombineBatch\n  Output ImageType= Folder=\n  Input Template= FromNumber= Rows= Cols=\n" + item +
              "BlendBatch\n  Output Folder= ImageType=\n  Input BkImg= OverlayImg=\n" + unread +
              "AlphaExtractBatch\n  Output ImageType= Folder=\n  Input\n" + item +
              "RGBAlphaMakingBatch\n  Output Folder= ImageType=\n  Input R= G= B= A=\n" + item +
              "AlphaImageCombineBatch\n  Output Folder= ImageType=\n  Input SourceAlphaImage=\n" + item +
              "MNGMakingBatch\n  Output ImageType= Folder=\n  Input Template= FromNumber= FrameCount= FPS=\n" + unread);
}
} // namespace
} // namespace mosvane::test
