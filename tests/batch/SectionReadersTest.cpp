// The read side of the batch sections: what the writers record reads back as it was given, a
// missing value reads by the file's rules and is appended where and in the order batch files have
// always gained it, a read for looking only changes nothing, and nothing outside the readers reads
// an attribute by name.

#include "BatchTesting.h"

#include "batch/BatchSections.h"

#include <climits>
#include <cmath>
#include <fstream>
#include <set>

namespace mosvane::test
{
namespace
{
namespace fs = std::filesystem;

// Every attribute of the element and of the elements below it, as name="value" lines indented by
// depth, comments as <!-->.
std::string Outline(XmlNode node, const std::string& indent = "")
{
    std::string text;
    for (uint32_t i = 0; i < node.ChildCount(); ++i)
    {
        const XmlNode child = node.Child(i);
        text += indent + (child.Kind() == XmlKindComment ? "<!-->" : child.Name() ? child.Name() : "?");
        for (uint32_t k = 0; k < child.AttributeCount(); ++k)
            text += std::string(" ") + child.AttributeAt(k).Name() + "=" + child.AttributeAt(k).Value();
        text += "\n" + Outline(child, indent + " ");
    }
    return text;
}

BatchSection SectionOf(const BatchFile& batch, EBatchKind kind)
{
    BatchSection section;
    EXPECT_TRUE(batch.GetSection(kind, section)) << SectionName(kind);
    return section;
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
        SplitInputs splitRead;
        ReadSplitSection(SectionOf(loaded, EBatchKind::Split), splitRead, absent);
        EXPECT_EQ(splitRead, (SplitInputs{{"/o", "tile", "##", "bmp", -2}, split.m_rowFractions, split.m_colFractions,
                                          split.m_sheet}));
        CombineInputs combineRead;
        ReadCombineSection(SectionOf(loaded, EBatchKind::Combine), combineRead, absent);
        EXPECT_EQ(combineRead, (CombineInputs{{"/out dir", "", "", "tga", 0}, {"", "", "####", "", INT32_MAX}, 2, INT32_MIN,
                                              combine.m_sheet}));
        BlendInputs blendRead;
        ReadBlendSection(SectionOf(loaded, EBatchKind::Blend), blendRead, absent);
        EXPECT_EQ(blendRead, (BlendInputs{{"/out dir", "", "", "tga", 0}, "/bk.png", ""}));
        SequenceRecord outRead;
        ReadAlphaExtractSection(SectionOf(loaded, EBatchKind::AlphaExtract), outRead, absent);
        EXPECT_EQ(outRead, (SequenceRecord{"/out dir", "", "", "tga", 0}));
        AlphaRgbInputs rgbRead;
        ReadRgbAlphaSection(SectionOf(loaded, EBatchKind::RgbAlpha), rgbRead, absent);
        EXPECT_EQ(rgbRead, (AlphaRgbInputs{{"/out dir", "", "", "tga", 0}, 300, -1, 0, 256}));
        AlphaImageInputs imageRead;
        ReadAlphaImageCombineSection(SectionOf(loaded, EBatchKind::AlphaImageCombine), imageRead, absent);
        EXPECT_EQ(imageRead, (AlphaImageInputs{{"/out dir", "", "", "tga", 0}, "/a b.png"}));
        MngInputs mngRead;
        ReadMngSection(SectionOf(loaded, EBatchKind::Mng), mngRead, absent);
        EXPECT_EQ(mngRead, (MngInputs{{"/out dir", "", "", "", 0}, {"", "", "abc", "png", 5}, 3, 12}));
    }
    // Everything was there: reading added nothing.
    ASSERT_TRUE(loaded.SaveBatchFile());
    EXPECT_EQ(ReadTextFile(dir.File("b.xml")), saved);
    // Sheet settings set back to their defaults are recorded as such, never left as they were.
    ASSERT_TRUE(loaded.WriteSplitSection(SplitInputs{split.m_output}) && loaded.WriteCombineSection(CombineInputs{out}));
    SplitInputs splitRead;
    ReadSplitSection(SectionOf(loaded, EBatchKind::Split), splitRead, EAbsentValue::Leave);
    CombineInputs combineRead;
    ReadCombineSection(SectionOf(loaded, EBatchKind::Combine), combineRead, EAbsentValue::Leave);
    EXPECT_EQ(splitRead.m_sheet, SSplitSheet{});
    EXPECT_EQ(combineRead.m_sheet, SCombineSheet{});
}

TEST_F(BatchTest, ValuesReadByTheFileRules)
{
    WriteBatch(dir.File("b.xml"),
               {Section("CombineBatch", "Folder=\"/o\"",
                        "Template=\"\xC3\xA9#\" FromNumber=\" 12abc\" Rows=\"99999999999\" Cols=\"-99999999999\"", {}),
                Section("SplitBatch", "", "", {}, "<Rows><Row Ratio=\"0.333333\"/><Row Ratio=\"x\"/><!-- -->"
                                                  "<Row Ratio=\"1e999\"/></Rows>")});
    ASSERT_TRUE(batch.LoadBatchFile(dir.File("b.xml")));
    CombineInputs combine;
    ReadCombineSection(SectionOf(batch, EBatchKind::Combine), combine);
    // Text as it stands, integers saturating, " 12abc" as 12, a missing type empty.
    EXPECT_EQ(std::tuple(combine.m_output.m_strFolder, combine.m_source.m_strTemplate, combine.m_source.m_nFromNumber,
                         combine.m_nRows, combine.m_nCols, combine.m_output.m_strType),
              std::tuple("/o", "\xC3\xA9#", 12, INT32_MAX, INT32_MIN, ""));
    // One ratio per child node, in single precision; a comment or a text that is no number gives
    // 0.0, a number beyond a double's range NaN, which the split refuses.
    SplitInputs split;
    ReadSplitSection(SectionOf(batch, EBatchKind::Split), split);
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
    const std::string untouched = Outline(batch.Root());
    std::ostringstream listing;
    ListBatch(batch, {}, listing);
    for (EBatchKind kind : {EBatchKind::Split, EBatchKind::Combine, EBatchKind::Mng})
        EXPECT_EQ(batch.TemplateDigitsOf(kind), 0);
    EXPECT_EQ(Outline(batch.Root()), untouched);

    for (EBatchKind kind : kBatchKinds)
        ExecuteBatch(kind, batch);
    // The kinds that refuse their values (no template, no layer, no frame count) read no item.
    const std::string item = " ApplyToItems\n  Item PathName=\n  <!-->\n";
    const std::string unread = " ApplyToItems\n  Item\n  <!-->\n";
    EXPECT_EQ(Outline(batch.Root()),
              "SplitBatch\n Output Folder= ImageType= Template= FromNumber=\n Input\n"
              "  Rows\n   Row Ratio=\n  Cols\n   Col Ratio=\n" + unread +
              "CombineBatch\n Output ImageType= Folder=\n Input Template= FromNumber= Rows= Cols=\n" + item +
              "BlendBatch\n Output Folder= ImageType=\n Input BkImg= OverlayImg=\n" + unread +
              "AlphaExtractBatch\n Output ImageType= Folder=\n Input\n" + item +
              "RGBAlphaMakingBatch\n Output Folder= ImageType=\n Input R= G= B= A=\n" + item +
              "AlphaImageCombineBatch\n Output Folder= ImageType=\n Input SourceAlphaImage=\n" + item +
              "MNGMakingBatch\n Output ImageType= Folder=\n Input Template= FromNumber= FrameCount= FPS=\n" + unread);
}

TEST_F(BatchTest, TheTemplateOfAnIncompleteSectionIsReadWithoutChangingIt)
{
    WriteBatch(dir.File("b.xml"), {"<MNGMakingBatch><Input Template=\"###\"/></MNGMakingBatch>",
                                   "<SplitBatch><Output Template=\"\xC3\xA9#\"/></SplitBatch>"});
    ASSERT_TRUE(batch.LoadBatchFile(dir.File("b.xml")));
    const std::string before = Outline(batch.Root());
    EXPECT_EQ(batch.TemplateDigitsOf(EBatchKind::Mng), 3);
    EXPECT_EQ(batch.TemplateDigitsOf(EBatchKind::Split), 2);
    EXPECT_EQ(batch.TemplateDigitsOf(EBatchKind::Combine), 0);
    EXPECT_EQ(Outline(batch.Root()), before);
}

// Every attribute name a batch file holds: those the writers record and the items' path.
std::set<std::string> AttributeNames()
{
    CTempDir dir;
    BatchFile batch;
    EXPECT_TRUE(batch.NewBatchFile(dir.File("b.xml")));
    const SequenceRecord out{"/o", "t", "#", "png", 1};
    batch.WriteSplitSection({out, {1.0f}, {1.0f}});
    batch.WriteCombineSection({out, out, 1, 1});
    batch.WriteBlendSection({out, "/b.png", "/o.png"});
    batch.WriteAlphaExtractSection(out);
    batch.WriteRgbAlphaSection({out, 1, 2, 3, 4});
    batch.WriteAlphaImageCombineSection({out, "/a.png"});
    batch.WriteMngSection({out, out, 1, 1});
    for (EBatchKind kind : kBatchKinds)
        batch.AddItem(kind, "/i.png");
    std::set<std::string> names;
    std::function<void(XmlNode)> collect = [&](XmlNode node) {
        for (uint32_t i = 0; i < node.AttributeCount(); ++i)
            names.insert(node.AttributeAt(i).Name());
        for (uint32_t i = 0; i < node.ChildCount(); ++i)
            collect(node.Child(i));
    };
    collect(batch.Root());
    return names;
}

// "file:line: ..." for each string literal equal to an attribute name, and each call of an
// attribute lookup, in the batch folder's sources outside the readers and the writers. Comments
// are passed over.
std::vector<std::string> ReadsOutsideTheReaders(const fs::path& root, const std::set<std::string>& names)
{
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(root / "batch"))
    {
        const std::string file = entry.path().filename().string();
        const std::string ext = entry.path().extension().string();
        if ((ext != ".cpp" && ext != ".h") || file == "BatchSections.cpp" || file == "BatchFile.cpp")
            continue;
        std::ifstream in(entry.path());
        std::string line;
        for (int n = 1; std::getline(in, line); ++n)
        {
            std::string code; // the line without its comment, each literal's text replaced by its index
            std::vector<std::string> literals;
            for (size_t i = 0; i < line.size(); ++i)
            {
                const char c = line[i];
                if (c == '/' && i + 1 < line.size() && line[i + 1] == '/')
                    break;
                if (c != '"' && c != '\'')
                {
                    code += c;
                    continue;
                }
                std::string literal;
                for (++i; i < line.size() && line[i] != c; ++i)
                    literal += line[i] == '\\' && i + 1 < line.size() ? line[++i] : line[i];
                if (c == '"')
                    literals.push_back(literal);
                code += "#";
            }
            const std::string where = "batch/" + file + ":" + std::to_string(n) + ": ";
            for (const std::string& literal : literals)
                if (names.count(literal))
                    found.push_back(where + "\"" + literal + "\"");
            for (const char* call : {"Attribute(", "Attribute (", "FindAttribute("})
                if (code.find(std::string(".") + call) != std::string::npos ||
                    code.find(std::string("->") + call) != std::string::npos)
                    found.push_back(where + call);
        }
    }
    return found;
}

TEST(SectionReaders, TheCheckFindsAttributeReadsOutsideTheReaders)
{
    CTempDir dir;
    fs::create_directories(dir.File("batch"));
    std::ofstream(dir.File("batch/BatchSections.cpp")) << "read(\"Folder\");\n";          // the readers
    std::ofstream(dir.File("batch/BatchFile.cpp")) << "node.Attribute(\"Folder\");\n";     // the writers
    std::ofstream(dir.File("batch/Kind.cpp")) << "// \"Folder\" in a comment\n"
                                                 "Note(\"the \\\"Folder\\\" is empty\"); char q = '\"';\n"
                                                 "f(\"Folder\"); // again \"Folder\"\n"
                                                 "node.FindAttribute(x);\n";
    std::ofstream(dir.File("batch/Kind.h")) << "inline const char* p = \"PathName\";\n";
    std::ofstream(dir.File("batch/Notes.txt")) << "\"Folder\"\n";
    std::vector<std::string> found = ReadsOutsideTheReaders(dir.Path(), {"Folder", "PathName"});
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{"batch/Kind.cpp:3: \"Folder\"", "batch/Kind.cpp:4: FindAttribute(",
                                               "batch/Kind.h:1: \"PathName\""}));
}

TEST(SectionReaders, NoAttributeOfABatchFileIsReadOutsideTheReaders)
{
    const std::set<std::string> names = AttributeNames();
    ASSERT_TRUE(names.count("NameFormat") && names.count("Ratio") && names.count("PathName") && names.count("FPS"));
    EXPECT_EQ(ReadsOutsideTheReaders(MOSVANE_SOURCE_DIR, names), std::vector<std::string>{});
}
} // namespace
} // namespace mosvane::test
