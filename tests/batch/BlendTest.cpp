#include "BatchTesting.h"

namespace
{
using namespace batchtest;

struct Blend : BatchTest
{
    const std::vector<uint8_t> m_item = PatternRgba(64, 48, false);
    void SetUp() override
    {
        BatchTest::SetUp();
        WRITE_PICTURE(m_item, 64, 48, dir.File("item.png"));
    }
};

TEST_F(Blend, TheOverlayIsDrawnOverTheItemUpright)
{
    WRITE_PICTURE(Solid(10, 10, 0, 200, 0, 128), 10, 10, dir.File("mark.png"));
    batch.WriteBlendSection(Output(dir.Path()), "", dir.File("mark.png"));
    batch.AddItem(EBatchKind::Blend, dir.File("item.png"));
    ASSERT_TRUE(ExecuteBlendBatch(batch));
    const SPicture out = Read(dir.File("item_Blend.png"));
    ASSERT_EQ(out.m_nWidth, 64u);
    ASSERT_EQ(out.m_nHeight, 48u);
    // Half the item, half the green, the top row on top.
    for (auto [x, y] : {std::pair{3u, 1u}, std::pair{60u, 40u}})
    {
        const Pixel under = PixelOf(m_item, 64, x, y), pixel = out.At(x, y);
        EXPECT_TRUE(Near({pixel[0], pixel[1], pixel[2]},
                         {uint8_t(under[0] / 2), uint8_t((under[1] + 200) / 2), uint8_t(under[2] / 2)}))
            << x << "," << y;
    }
    EXPECT_EQ(frame.m_calls, (std::vector<std::string>{"begin 1", "step", "end"}));
}

TEST_F(Blend, TheBackgroundIsStretchedToEachItem)
{
    std::vector<uint8_t> halves = Solid(100, 100, 255, 0, 0);
    for (size_t i = 0; i < halves.size(); i += 4)
        if ((i / 4) % 100 >= 50)
            halves[i] = 0, halves[i + 2] = 255;
    WRITE_PICTURE(halves, 100, 100, dir.File("bk.png"));
    WRITE_PICTURE(Solid(640, 480, 0, 0, 0, 0), 640, 480, dir.File("clear.png"));
    batch.WriteBlendSection(Output(dir.Path()), dir.File("bk.png"), "");
    batch.AddItem(EBatchKind::Blend, dir.File("clear.png"));
    ASSERT_TRUE(ExecuteBlendBatch(batch));
    const SPicture out = Read(dir.File("clear_Blend.png"));
    ASSERT_EQ(out.m_nWidth, 640u);
    EXPECT_TRUE(Near(out.At(0, 0), {255, 0, 0, 255}));
    EXPECT_TRUE(Near(out.At(310, 479), {255, 0, 0, 255}));
    EXPECT_TRUE(Near(out.At(330, 0), {0, 0, 255, 255}));
}

TEST_F(Blend, WithoutALayerTheBatchIsRefused)
{
    batch.WriteBlendSection(Output(dir.Path()), "", "");
    batch.AddItem(EBatchKind::Blend, dir.File("item.png"));
    EXPECT_FALSE(ExecuteBlendBatch(batch));
    // Layers that name no loadable picture leave nothing to blend with either.
    batch.WriteBlendSection(Output(dir.Path()), dir.File("none.png"), dir.File("b.xml"));
    CBatchReport report;
    EXPECT_FALSE(ExecuteBlendBatch(batch, &report));
    EXPECT_EQ(report.m_notes.size(), 2u);
    EXPECT_TRUE(frame.m_calls.empty());
    EXPECT_FALSE(FileExists(dir.File("item_Blend.png")));
}
} // namespace
