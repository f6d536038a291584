#include "BatchTesting.h"

namespace mosvane::test
{
namespace
{
// What a file on disk holds, read back through a fresh batch.
std::string SavedOutline(const std::string& path)
{
    BatchFile reloaded;
    EXPECT_TRUE(reloaded.LoadBatchFile(path)) << path;
    return Outlined(reloaded.Root().Parent());
}

TEST(BatchFile, SaveConfigWritesEveryKindInTheFileOrderAndRewritesInPlace)
{
    CTempDir dir;
    BatchFile batch;
    ASSERT_TRUE(batch.NewBatchFile(dir.File("b.xml")));
    const SequenceRecord out{"/o", "title", "", "png", 0};
    // Sections in the order first saved; attributes in the file format's order whatever the
    // order of the values in the inputs.
    ASSERT_TRUE(batch.WriteMngSection({out, {"/s", "f", "abc", "tga", 5}, 3, 12}));
    ASSERT_TRUE(batch.WriteSplitSection({{"/o", "tile", "\xC3\xA9#", "bmp", -2}, {0.5f, 0.5f}, {1.0f / 3, 1.0f / 3, 1.0f / 3}}));
    ASSERT_TRUE(batch.WriteCombineSection({out, {"/in", "img", "####", "jpg", 7}, 2, 3}));
    ASSERT_TRUE(batch.WriteBlendSection({out, "/bk.png", ""}));
    ASSERT_TRUE(batch.WriteAlphaExtractSection(out));
    ASSERT_TRUE(batch.WriteRgbAlphaSection({out, 300, -1, 0, 256}));
    ASSERT_TRUE(batch.WriteAlphaImageCombineSection({out, "/a b.png"}));
    batch.AddItem(EBatchKind::Split, "/p/one.png");
    batch.AddItem(EBatchKind::Combine, "/seq/walk.png");
    ASSERT_TRUE(batch.SaveBatchFile());
    const std::string png = "    Output ImageType=png Folder=/o\n", items = "    ApplyToItems\n";
    const std::string mng = "  MNGMakingBatch\n    Output ImageType=tga Folder=/o\n"
                            "    Input Template=abc FPS=12 FrameCount=3 FromNumber=5\n" + items;
    const std::string rest = "  BlendBatch\n" + png + "    Input BkImg=/bk.png OverlayImg=\n" + items +
                             "  AlphaExtractBatch\n" + png + "    Input\n" + items + "  RGBAlphaMakingBatch\n" + png +
                             "    Input R=300 G=-1 B=0 A=256\n" + items + "  AlphaImageCombineBatch\n" + png +
                             "    Input SourceAlphaImage=/a b.png\n" + items;
    const std::string third = "        Col Ratio=0.333333\n";
    EXPECT_EQ(SavedOutline(dir.File("b.xml")),
              "MosvaneBatch\n" + mng + "  SplitBatch\n    Output ImageType=bmp NameFormat=tile FromNumber=-2 Folder=/o Template=##\n"
              "    Input\n      Rows\n        Row Ratio=0.500000\n        Row Ratio=0.500000\n      Cols\n" + third + third +
              third + items + "      Item PathName=/p/one.png\n  CombineBatch\n" + png +
              "    Input FromNumber=7 Template=#### Rows=2 Cols=3\n" + items + "      Item PathName=/seq/walk.png\n" + rest);

    // Saved again: the values change in place, one Rows and one Cols hold the new grid, items stay.
    ASSERT_TRUE(batch.WriteSplitSection({{"/o2", "t2", "#", "png", 1}, {1.0f}, {0.25f, 0.75f}}));
    ASSERT_TRUE(batch.WriteCombineSection({out, {"/in", "img", "#", "jpg", 1}, 4, 1}));
    ASSERT_TRUE(batch.SaveBatchFile());
    EXPECT_EQ(SavedOutline(dir.File("b.xml")),
              "MosvaneBatch\n" + mng + "  SplitBatch\n    Output ImageType=png NameFormat=t2 FromNumber=1 Folder=/o2 Template=#\n"
              "    Input\n      Rows\n        Row Ratio=1.000000\n      Cols\n        Col Ratio=0.250000\n"
              "        Col Ratio=0.750000\n" + items + "      Item PathName=/p/one.png\n  CombineBatch\n" + png +
              "    Input FromNumber=1 Template=# Rows=4 Cols=1\n" + items + "      Item PathName=/seq/walk.png\n" + rest);
}

TEST(BatchFile, OnlyTheFirstSectionOfAKindIsReadAndWritten)
{
    CTempDir dir;
    Put(dir.File("s0001.png"), Solid(2, 2, 9, 9, 9));
    const std::string grid = "Template=\"####\" FromNumber=\"1\" Rows=\"1\" Cols=\"2\"";
    WriteBatch(dir.File("b.xml"), {Section("CombineBatch", "Folder=\"" + dir.Path() + "\" ImageType=\"bmp\"", grid, {dir.File("s.png")}),
                                   Section("CombineBatch", "", "", {"/x.png", "/y.png"})});
    ASSERT_TRUE(gxInitialize());
    BatchFile batch;
    ASSERT_TRUE(batch.LoadBatchFile(dir.File("b.xml")));
    CBatchReport report;
    ASSERT_TRUE(ExecuteCombineBatch(batch, &report));
    EXPECT_EQ(report.m_nItems, 1);
    EXPECT_EQ(Read(dir.File("s.bmp")).Dims(), Size(4, 2));
    gxDestroy();

    ASSERT_TRUE(batch.WriteCombineSection({{"/o", "", "", "png", 0}, {"", "", "##", "", 3}, 2, 2}));
    ASSERT_TRUE(batch.SaveBatchFile());
    EXPECT_EQ(SavedOutline(dir.File("b.xml")),
              "MosvaneBatch\n  CombineBatch\n    Output Folder=/o ImageType=png\n"
              "    Input Template=## FromNumber=3 Rows=2 Cols=2\n    ApplyToItems\n      Item PathName=" + dir.File("s.png") +
              "\n  CombineBatch\n    Output\n    Input\n    ApplyToItems\n      Item PathName=/x.png\n"
              "      Item PathName=/y.png\n");
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
            WriteTextFile(dir.File("x.xml"), text);
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
    WriteTextFile(dir.File("part.xml"), "<MosvaneBatch><BlendBatch><Output/><Input/></BlendBatch></MosvaneBatch>");
    ASSERT_TRUE(batch.LoadBatchFile(dir.File("part.xml")));
    EXPECT_TRUE(batch.HasSection(EBatchKind::Blend));
    EXPECT_FALSE(ExecuteBlendBatch(batch));
    // A blend with neither layer named has nothing to do.
    ASSERT_TRUE(batch.NewBatchFile(dir.File("b.xml")));
    batch.WriteBlendSection({Output("/o"), "", ""});
    EXPECT_FALSE(ExecuteBlendBatch(batch));
}

TEST(BatchValues, ChosenFilesBecomeSequenceItems)
{
    // "" for a file that is no member of a sequence with that many digits.
    for (const auto& [chosen, digits, expected] : std::vector<std::tuple<const char*, int, std::string>>{
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
} // namespace mosvane::test
