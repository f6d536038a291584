// The built mosvane-batch over a batch file of all seven kinds, as a user runs it from a terminal.

#include "batch/BatchTesting.h"

namespace
{
using namespace batchtest;

TEST(EndToEnd, EverySectionOfABatchFileRunsFromTheTerminal)
{
    CTempDir dir;
    const std::string in = dir.File("in"), out = dir.File("out");
    std::filesystem::create_directories(in);
    std::filesystem::create_directories(out);
    const std::vector<uint8_t> photo = PatternRgba(64, 48, false), alpha = PatternRgba(9, 5, true);
    WRITE_PICTURE(photo, 64, 48, in + "/photo.png");
    WRITE_PICTURE(alpha, 9, 5, in + "/alpha.png");
    WRITE_PICTURE(Solid(64, 48, 90, 90, 90), 64, 48, in + "/grey.png", "-alpha off");
    WRITE_PICTURE(Solid(8, 8, 0, 0, 255, 128), 8, 8, in + "/mark.png");
    std::vector<uint8_t> white = Solid(3, 1, 255, 255, 255);
    white[4] = 200, white[5] = white[6] = 0;
    WRITE_PICTURE(white, 3, 1, in + "/white.png", "-alpha off");
    for (int n = 1; n <= 4; ++n)
        WRITE_PICTURE(Solid(8, 8, uint8_t(n * 60), 0, 0), 8, 8, in + "/t000" + std::to_string(n) + ".png");
    for (int n = 1; n <= 3; ++n)
        WRITE_PICTURE(Solid(6, 4, 0, uint8_t(n * 80), 0), 6, 4, in + "/f00" + std::to_string(n) + ".png");

    BatchFile batch;
    const std::string file = dir.File("batch.xml");
    ASSERT_TRUE(batch.NewBatchFile(file));
    const SequenceRecord output{out, "unused", "####", "png", 1};
    ASSERT_TRUE(batch.WriteSplitSection(output, {0.5f, 0.5f}, {0.5f, 0.5f}));
    batch.AddItem(EBatchKind::Split, in + "/photo.png");
    ASSERT_TRUE(batch.WriteCombineSection(output, 2, 2, SequenceRecord{in, "t", "####", "png", 1}));
    for (const std::string& item : SequenceItemPaths({in + "/t0001.png", in + "/t0003.png"}, 4))
        batch.AddItem(EBatchKind::Combine, item);
    ASSERT_TRUE(batch.WriteBlendSection(output, "", in + "/mark.png"));
    batch.AddItem(EBatchKind::Blend, in + "/photo.png");
    ASSERT_TRUE(batch.WriteAlphaExtractSection(output));
    batch.AddItem(EBatchKind::AlphaExtract, in + "/alpha.png");
    ASSERT_TRUE(batch.WriteRgbAlphaSection(output, 255, 255, 255, 0));
    batch.AddItem(EBatchKind::RgbAlpha, in + "/white.png");
    ASSERT_TRUE(batch.WriteAlphaImageCombineSection(output, in + "/grey.png"));
    batch.AddItem(EBatchKind::AlphaImageCombine, in + "/photo.png");
    ASSERT_TRUE(batch.WriteMngSection(SequenceRecord{out, "", "###", "png", 1}, 3, 12));
    for (const std::string& item : SequenceItemPaths({in + "/f002.png"}, 3))
        batch.AddItem(EBatchKind::Mng, item);
    ASSERT_TRUE(batch.SaveBatchFile());
    std::vector<uint8_t> saved;
    ASSERT_TRUE(ReadFileBytes(file, saved));

    std::string printed;
    EXPECT_EQ(RunCommand(ShellQuote(BinDir() + "/mosvane-batch") + " " + ShellQuote(file) + " 2>/dev/null", &printed), 0);
    const std::string done = "Succeed to execute the batch, check the images in specific output folder.\n";
    EXPECT_EQ(printed, "split: " + done + "combine: " + done + "blend: " + done + "alpha-extract: " + done +
                           "rgb-alpha: " + done + "alpha-image: " + done + "mng: " + done);

    // Split: four quarters, numbered from 1 after the item's title.
    for (uint32_t k = 0; k < 4; ++k)
    {
        const SPicture piece = Read(out + "/photo000" + std::to_string(k + 1) + ".png");
        ASSERT_EQ(piece.m_nWidth, 32u);
        ASSERT_EQ(piece.m_nHeight, 24u);
        EXPECT_EQ(piece.At(31, 3), PixelOf(photo, 64, k % 2 * 32 + 31, k / 2 * 24 + 3));
    }
    // Combine: one sheet of four tiles in reading order.
    const SPicture sheet = Read(out + "/t.png");
    ASSERT_EQ(sheet.m_nWidth, 16u);
    EXPECT_EQ(sheet.At(9, 1), (Pixel{120, 0, 0, 255}));
    EXPECT_EQ(sheet.At(1, 9), (Pixel{180, 0, 0, 255}));
    // Blend: half of the blue mark over the opaque photo.
    const Pixel under = PixelOf(photo, 64, 20, 10), blended = Read(out + "/photo_Blend.png").At(20, 10);
    EXPECT_TRUE(Near({blended[0], blended[1], blended[2]},
                     {uint8_t(under[0] / 2), uint8_t(under[1] / 2), uint8_t((under[2] + 255) / 2)}));
    // The alpha kinds.
    EXPECT_EQ(Read(out + "/alpha_Alpha.png").At(4, 2)[0], PixelOf(alpha, 9, 4, 2)[3]);
    EXPECT_EQ(Read(out + "/white_AlphaRGB.png").At(0, 0), (Pixel{0, 0, 0, 0}));
    EXPECT_EQ(Read(out + "/photo_ImageAlpha.png").At(7, 7)[3], 90);
    // MNG: three frames.
    std::vector<uint8_t> mng;
    ASSERT_TRUE(ReadFileBytes(out + "/f.mng", mng));
    const std::string bytes(mng.begin(), mng.end());
    size_t frames = 0;
    for (size_t at = bytes.find("IHDR"); at != std::string::npos; at = bytes.find("IHDR", at + 4))
        ++frames;
    EXPECT_EQ(frames, 3u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out), std::filesystem::directory_iterator()), 10);

    // The runner left the file as it was; saved again after loading, it is the same file.
    std::vector<uint8_t> after, again;
    ASSERT_TRUE(ReadFileBytes(file, after));
    EXPECT_EQ(saved, after);
    BatchFile reloaded;
    ASSERT_TRUE(reloaded.LoadBatchFile(file));
    ASSERT_TRUE(reloaded.SaveBatchFile());
    ASSERT_TRUE(ReadFileBytes(file, again));
    EXPECT_EQ(saved, again);
}
} // namespace
