// Sprite sheets from the split and combine executors: with the sheet settings at their defaults
// they write the pictures and the batch files they always wrote, byte for byte.

#include "BatchTesting.h"
#include "support/SheetTesting.h"

namespace mosvane::test
{
namespace
{
using Digests = std::vector<std::pair<std::string, std::string>>;

struct SheetBatch : BatchTest
{
    void SetUp() override
    {
        BatchTest::SetUp();
        std::filesystem::create_directory(dir.File("out"));
    }
    std::string Out(const std::string& name = "") const { return dir.File("out") + (name.empty() ? "" : "/" + name); }
};

TEST_F(SheetBatch, DefaultsWriteThePicturesTheyAlwaysWrote)
{
    WriteWithEngine(dir.File("car.png"), Pattern(300, 200, false), false);
    WriteWithEngine(dir.File("ghost.png"), Pattern(90, 40, true));
    for (int n = 1; n <= 4; ++n)
        WriteWithEngine(dir.File("walk0" + std::to_string(n) + ".png"), Pattern(10 + uint32_t(n), 8, n % 2 == 0));
    ASSERT_TRUE(batch.WriteSplitSection({{Out(), "", "##", "png", 1}, {0.5f, 0.5f}, {1.0f / 3, 1.0f / 3, 1.0f / 3}}));
    ASSERT_TRUE(batch.WriteCombineSection({{Out(), "", "", "png", 0}, {"", "", "##", "", 1}, 2, 2}));
    batch.AddItem(EBatchKind::Split, dir.File("car.png"));
    batch.AddItem(EBatchKind::Split, dir.File("ghost.png"));
    batch.AddItem(EBatchKind::Combine, dir.File("walk.png"));
    for (const char* type : {"png", "tga"})
    {
        ASSERT_TRUE(batch.WriteSplitSection({{Out(), "", "##", type, 1}, {0.5f, 0.5f}, {1.0f / 3, 1.0f / 3, 1.0f / 3}}));
        ASSERT_TRUE(batch.WriteCombineSection({{Out(), "", "", type, 0}, {"", "", "##", "", 1}, 2, 2}));
        ASSERT_TRUE(ExecuteSplitBatch(batch) && ExecuteCombineBatch(batch));
    }
    const std::vector<std::string> names = FolderNames(Out());
    ASSERT_EQ(names.size(), 26u);
    Digests digests;
    AddDigests("batch", Out(), names, digests);
    ExpectRecordedDigests("sheet-digests-batch.txt", digests);
}

TEST_F(SheetBatch, SectionsSavedAndExecutedWithoutSheetSettingsKeepTheirBytes)
{
    Put(dir.File("car.png"), Pattern(30, 20));
    ASSERT_TRUE(batch.WriteSplitSection({{Out(), "car", "###", "png", 1}, {0.5f, 0.5f}, {1.0f}}));
    ASSERT_TRUE(batch.WriteCombineSection({{Out(), "t", "", "png", 0}, {"/in", "img", "##", "png", 3}, 2, 2}));
    batch.AddItem(EBatchKind::Split, dir.File("car.png"));
    batch.AddItem(EBatchKind::Combine, dir.File("walk.png"));
    ASSERT_TRUE(batch.SaveBatchFile());
    const std::string saved = ReadTextFile(dir.File("b.xml"));
    // Tabs for depth, CR LF after every line.
    std::string lines = "<MosvaneBatch>|\t<SplitBatch>|\t\t<Output ImageType=\"png\" NameFormat=\"car\" FromNumber=\"1\" Folder=\"" +
                        Out() + "\" Template=\"###\"/>|\t\t<Input>|\t\t\t<Rows>|\t\t\t\t<Row Ratio=\"0.500000\"/>|"
                        "\t\t\t\t<Row Ratio=\"0.500000\"/>|\t\t\t</Rows>|\t\t\t<Cols>|\t\t\t\t<Col Ratio=\"1.000000\"/>|"
                        "\t\t\t</Cols>|\t\t</Input>|\t\t<ApplyToItems>|\t\t\t<Item PathName=\"" + dir.File("car.png") +
                        "\"/>|\t\t</ApplyToItems>|\t</SplitBatch>|\t<CombineBatch>|\t\t<Output ImageType=\"png\" Folder=\"" +
                        Out() + "\"/>|\t\t<Input FromNumber=\"3\" Template=\"##\" Rows=\"2\" Cols=\"2\"/>|\t\t<ApplyToItems>|"
                        "\t\t\t<Item PathName=\"" + dir.File("walk.png") + "\"/>|\t\t</ApplyToItems>|\t</CombineBatch>|"
                        "</MosvaneBatch>|";
    for (size_t at = 0; (at = lines.find('|', at)) != std::string::npos;)
        lines.replace(at, 1, "\r\n");
    EXPECT_EQ(saved, lines);

    // Executing reads the sheet settings without adding them to the file.
    BatchFile loaded;
    ASSERT_TRUE(loaded.LoadBatchFile(dir.File("b.xml")));
    ASSERT_TRUE(ExecuteSplitBatch(loaded) && ExecuteCombineBatch(loaded));
    ASSERT_TRUE(loaded.SaveBatchFile());
    EXPECT_EQ(ReadTextFile(dir.File("b.xml")), saved);
    EXPECT_TRUE(FileExists(Out("car001.png")));
}
// What the batch cuts and joins, with the sheet settings of its sections; "dragged" ratios as a
// person's dragged lines record them. Each setting's geometry is the window's sheet code, checked
// case by case in the operation tests; here the executors' own path through it.
struct SSheetBatchCase
{
    const char* m_pName;
    EBatchKind m_eKind;
    std::vector<float> m_rows, m_cols;
    SSplitSheet m_split;
    SCombineSheet m_combine;
};
const float kThird = 1.0f / 3;
const SSheetBatchCase kSheetCases[] = {
    {"split-dragged", EBatchKind::Split, {0.625f, 0.375f}, {0.25f, 0.5f, 0.25f}, {}, {}},
    {"split-skip", EBatchKind::Split, {0.5f, 0.5f}, {kThird, kThird, kThird}, {ESheetData::None, 0, 0, true, true}, {}},
    {"combine-extrude", EBatchKind::Combine, {}, {}, {}, {ESheetData::None, true, 1, 1, 2}},
};

TEST_F(SheetBatch, DataFilesDescribeWhatTheExecutorsWroteAndPixiReadsThem)
{
    const SPicture source = SplitSource();
    WriteWithEngine(dir.File("hero.png"), source);
    for (int n : {1, 2, 3, 4, 6})
        WriteWithEngine(Numbered(dir.File("run"), n, 3, "png"), CombineSource(n), n != 4);
    std::vector<std::string> files;
    for (const SSheetBatchCase& c : kSheetCases)
        for (ESheetData format : {ESheetData::JsonHash, ESheetData::JsonArray})
        {
            const std::string name = std::string(c.m_pName) + "-" + SheetDataName(format);
            const std::string folder = Out(name);
            std::filesystem::create_directory(folder);
            BatchFile one;
            ASSERT_TRUE(one.NewBatchFile(dir.File(name + ".xml")));
            const bool split = c.m_eKind == EBatchKind::Split;
            SplitInputs splitIn{{folder, "", "##", "png", 1}, c.m_rows, c.m_cols, c.m_split};
            CombineInputs combineIn{{folder, "", "", "png", 0}, {"", "", "###", "", 1}, 2, 3, c.m_combine};
            splitIn.m_sheet.m_eData = combineIn.m_sheet.m_eData = format;
            ASSERT_TRUE(split ? one.WriteSplitSection(splitIn) : one.WriteCombineSection(combineIn));
            one.AddItem(c.m_eKind, dir.File(split ? "hero.png" : "run.png"));
            CBatchReport report;
            ASSERT_TRUE(split ? ExecuteSplitBatch(one, &report) : ExecuteCombineBatch(one, &report)) << name;
            EXPECT_EQ(report.m_nFailedWrites, 0) << name;

            const std::string data = folder + (split ? "/hero.json" : "/run.json");
            ExpectGolden(data, "batch-" + name + ".json");
            files.push_back(data);
            const auto frames = SheetFrames(ReadSheetData(data));
            // Every picture the data names is on disk, and the rectangle gives the source frame back.
            const SPicture sheet = split ? source : ReadWithEngine(folder + "/run.png");
            EXPECT_EQ(frames.size() + 1, split ? FolderNames(folder).size() : 5 + 1) << name;
            for (const auto& [frameName, frame] : frames)
            {
                SPicture expected = split ? ReadWithEngine(folder + "/" + frameName)
                                          : CombineSource(std::stoi(frameName.substr(3, 3)));
                if (!split && !c.m_combine.m_bKeepAlpha)
                    for (size_t i = 3; i < expected.m_rgba.size(); i += 4)
                        expected.m_rgba[i] = 255;
                EXPECT_EQ(CutRect(sheet, frame["frame"]).m_rgba, expected.m_rgba) << name << " " << frameName;
            }
        }
    std::string whyNot, reading;
    if (!PixiReady(whyNot))
        GTEST_SKIP() << "PixiJS cannot be installed, the data files were not read by it: " << whyNot;
    ASSERT_TRUE(PixiReading(files, reading)) << reading;
    EXPECT_EQ(reading, WrittenReading(files));
}

TEST_F(SheetBatch, SheetSettingsThatCannotApplyAreRefusedWithTheirReason)
{
    Put(dir.File("car.png"), Pattern(30, 20));
    ASSERT_TRUE(batch.WriteSplitSection({{Out(), "", "##", "png", 1}, {1.0f}, {1.0f}}));
    ASSERT_TRUE(batch.AddItem(EBatchKind::Split, dir.File("car.png")));
    struct SRefusal
    {
        const char* m_pDataFormat;
        SSplitSheet m_sheet;
        std::string m_strNote;
    };
    const SRefusal refusals[] = {
        {"json_hash", {}, "the \"DataFormat\" 'json_hash' is none of none, json-hash and json-array"},
        {nullptr, {ESheetData::None, -1, 0, false, false}, "the sheet's margin, spacing, padding and extrusion cannot be below 0"},
        {nullptr, {ESheetData::JsonHash, 11, 0, false, false}, dir.File("car.png") + ": the margin and spacing leave no room for its pieces"},
    };
    for (const SRefusal& r : refusals)
    {
        ASSERT_TRUE(batch.WriteSplitSection({{Out(), "", "##", "png", 1}, {1.0f}, {1.0f}, r.m_sheet}));
        BatchSection section;
        ASSERT_TRUE(batch.GetSection(EBatchKind::Split, section));
        if (r.m_pDataFormat)
            section.m_output.Attribute("DataFormat").SetValue(r.m_pDataFormat);
        CBatchReport report;
        const bool ran = ExecuteSplitBatch(batch, &report);
        EXPECT_EQ(ran, r.m_pDataFormat == nullptr && r.m_sheet.m_nMargin >= 0) << r.m_strNote;
        EXPECT_EQ(report.m_notes, std::vector<std::string>{r.m_strNote});
        EXPECT_TRUE(FolderNames(Out()).empty());
        if (r.m_pDataFormat)
            section.m_output.Attribute("DataFormat").SetValue("none");
    }
}
} // namespace
} // namespace mosvane::test
