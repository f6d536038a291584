#include "BatchTesting.h"

namespace mosvane::test
{
namespace
{
using Alpha = BatchTest;

TEST_F(Alpha, ExtractWritesTheAlphaOfPicturesThatHaveOne)
{
    Put(dir.File("with.png"), Pattern(9, 5, true));
    Put(dir.File("without.jpg"), Solid(4, 4, 1, 2, 3));
    Put(dir.File("small.tga"), Solid(2, 2, 1, 2, 3, 77));
    ASSERT_TRUE(batch.WriteAlphaExtractSection(Output(dir.Path())));
    for (const char* name : {"with.png", "without.jpg", "small.tga"})
        batch.AddItem(EBatchKind::AlphaExtract, dir.File(name));
    ASSERT_TRUE(ExecuteAlphaExtractBatch(batch));

    EXPECT_TRUE(FileExists(dir.File("with_Alpha.png")));
    EXPECT_FALSE(FileExists(dir.File("without_Alpha.png")));
    // A smaller picture after a larger one: the shared buffers give it only its own pixels.
    const SPicture small = Read(dir.File("small_Alpha.png"));
    EXPECT_EQ(small.m_nWidth, 2u);
    EXPECT_EQ(small.At(1, 1), (Pixel{77, 77, 77, 255}));
    // The skipped picture makes no step: the bar does not reach its end.
    EXPECT_EQ(frame.m_strProgress, "[3..]");
}

TEST_F(Alpha, TheSectionsColourReachesThePixelsAndValuesOutsideAByteAreRefusedByName)
{
    // Which pixels turn is the operation's rule; the batch hands it R, G, B and A as recorded
    // (blue and alpha 9 over a GL_BGRA picture: red stays), refuses values outside a byte by
    // name, and writes nothing then.
    Put(dir.File("w.tga"), {2, 1, {0, 0, 255, 200, 255, 0, 0, 254}});
    batch.WriteRgbAlphaSection({Output(dir.Path()), 0, 0, 255, 9});
    ASSERT_TRUE(batch.AddItem(EBatchKind::RgbAlpha, dir.File("w.tga")));
    ASSERT_TRUE(ExecuteRgbAlphaBatch(batch));
    EXPECT_EQ(Read(dir.File("w_AlphaRGB.png")).m_rgba, (std::vector<uint8_t>{0, 0, 0, 9, 255, 0, 0, 254}));
    std::filesystem::remove(dir.File("w_AlphaRGB.png"));
    for (const auto& [r, g, a, note] : {std::tuple{511, 0, 0, "the \"R\" value 511 is outside 0 to 255"},
                                        {0, 0, 265, "the \"A\" value 265 is outside 0 to 255"},
                                        {0, -1, 0, "the \"G\" value -1 is outside 0 to 255"}})
    {
        batch.WriteRgbAlphaSection({Output(dir.Path()), r, g, 255, a});
        CBatchReport report;
        EXPECT_FALSE(ExecuteRgbAlphaBatch(batch, &report)) << note;
        EXPECT_EQ(report.m_notes, std::vector<std::string>{note});
        EXPECT_FALSE(std::filesystem::exists(dir.File("w_AlphaRGB.png"))) << note;
    }
}

TEST_F(Alpha, TheAlphaPictureGivesItemsOfItsSizeItsGreyLevels)
{
    SPicture alpha = Solid(3, 2, 200, 200, 200);
    alpha.m_rgba[0] = 30, alpha.m_rgba[1] = 60, alpha.m_rgba[2] = 90;
    Put(dir.File("alpha.png"), alpha, "-alpha off");
    Put(dir.File("item.png"), Solid(3, 2, 7, 8, 9, 5));
    Put(dir.File("other.png"), Solid(3, 3, 7, 8, 9));
    batch.WriteAlphaImageCombineSection({Output(dir.Path()), dir.File("alpha.png")});
    batch.AddItem(EBatchKind::AlphaImageCombine, dir.File("other.png"));
    batch.AddItem(EBatchKind::AlphaImageCombine, dir.File("item.png"));
    ASSERT_TRUE(ExecuteAlphaImageCombineBatch(batch));
    EXPECT_EQ(Read(dir.File("item_ImageAlpha.png")).At(0, 0)[3], 60);
    EXPECT_FALSE(FileExists(dir.File("other_ImageAlpha.png")));

    // An alpha picture that does not load fits no item.
    batch.WriteAlphaImageCombineSection({Output(dir.Path()), dir.File("none.png")});
    CBatchReport report;
    ASSERT_TRUE(ExecuteAlphaImageCombineBatch(batch, &report));
    EXPECT_EQ(report.m_nSkipped, 2);
}
} // namespace
} // namespace mosvane::test
