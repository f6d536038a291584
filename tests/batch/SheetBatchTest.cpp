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
    EXPECT_EQ(saved, "<MosvaneBatch>\r\n"
                     "\t<SplitBatch>\r\n"
                     "\t\t<Output ImageType=\"png\" NameFormat=\"car\" FromNumber=\"1\" Folder=\"" + Out() +
                         "\" Template=\"###\"/>\r\n"
                     "\t\t<Input>\r\n"
                     "\t\t\t<Rows>\r\n"
                     "\t\t\t\t<Row Ratio=\"0.500000\"/>\r\n"
                     "\t\t\t\t<Row Ratio=\"0.500000\"/>\r\n"
                     "\t\t\t</Rows>\r\n"
                     "\t\t\t<Cols>\r\n"
                     "\t\t\t\t<Col Ratio=\"1.000000\"/>\r\n"
                     "\t\t\t</Cols>\r\n"
                     "\t\t</Input>\r\n"
                     "\t\t<ApplyToItems>\r\n"
                     "\t\t\t<Item PathName=\"" + dir.File("car.png") + "\"/>\r\n"
                     "\t\t</ApplyToItems>\r\n"
                     "\t</SplitBatch>\r\n"
                     "\t<CombineBatch>\r\n"
                     "\t\t<Output ImageType=\"png\" Folder=\"" + Out() + "\"/>\r\n"
                     "\t\t<Input FromNumber=\"3\" Template=\"##\" Rows=\"2\" Cols=\"2\"/>\r\n"
                     "\t\t<ApplyToItems>\r\n"
                     "\t\t\t<Item PathName=\"" + dir.File("walk.png") + "\"/>\r\n"
                     "\t\t</ApplyToItems>\r\n"
                     "\t</CombineBatch>\r\n"
                     "</MosvaneBatch>\r\n");

    // Executing reads the sheet settings without adding them to the file.
    BatchFile loaded;
    ASSERT_TRUE(loaded.LoadBatchFile(dir.File("b.xml")));
    ASSERT_TRUE(ExecuteSplitBatch(loaded) && ExecuteCombineBatch(loaded));
    ASSERT_TRUE(loaded.SaveBatchFile());
    EXPECT_EQ(ReadTextFile(dir.File("b.xml")), saved);
    EXPECT_TRUE(FileExists(Out("car001.png")));
}
} // namespace
} // namespace mosvane::test
