// The built mosvane-batch over a batch file of all seven kinds, as a user runs it from a terminal.

#include "batch/BatchFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace
{
using namespace mosvane::test;

std::vector<uint8_t> Solid(uint32_t w, uint32_t h, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255)
{
    std::vector<uint8_t> rgba(size_t(w) * h * 4);
    for (size_t i = 0; i < rgba.size(); i += 4)
        rgba[i] = r, rgba[i + 1] = g, rgba[i + 2] = b, rgba[i + 3] = a;
    return rgba;
}

struct SPicture
{
    uint32_t w = 0, h = 0;
    std::vector<uint8_t> rgba;
    std::vector<uint8_t> At(uint32_t x, uint32_t y) const
    {
        const auto p = rgba.begin() + long((size_t(y) * w + x) * 4);
        return {p, p + 4};
    }
};

SPicture Read(const std::string& path)
{
    SPicture p;
    EXPECT_TRUE(MagickReadRgba(path, p.w, p.h, p.rgba)) << path;
    return p;
}

bool Near(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    for (size_t i = 0; i < a.size(); ++i)
        if (std::abs(int(a[i]) - int(b[i])) > 2)
            return false;
    return a.size() == b.size();
}

TEST(EndToEnd, EverySectionOfABatchFileRunsFromTheTerminal)
{
    CTempDir dir;
    const std::string in = dir.File("in"), out = dir.File("out");
    std::filesystem::create_directories(in);
    std::filesystem::create_directories(out);
    const std::vector<uint8_t> photo = PatternRgba(64, 48, false);
    ASSERT_TRUE(MagickWriteRgba(photo, 64, 48, in + "/photo.png"));
    ASSERT_TRUE(MagickWriteRgba(PatternRgba(9, 5, true), 9, 5, in + "/alpha.png"));
    ASSERT_TRUE(MagickWriteRgba(Solid(64, 48, 90, 90, 90), 64, 48, in + "/grey.png", "-alpha off"));
    ASSERT_TRUE(MagickWriteRgba(Solid(8, 8, 0, 0, 255, 128), 8, 8, in + "/mark.png"));
    std::vector<uint8_t> white = Solid(3, 1, 255, 255, 255);
    white[4] = 200, white[5] = white[6] = 0;
    ASSERT_TRUE(MagickWriteRgba(white, 3, 1, in + "/white.png", "-alpha off"));
    for (int n = 1; n <= 4; ++n)
        ASSERT_TRUE(MagickWriteRgba(Solid(8, 8, uint8_t(n * 60), 0, 0), 8, 8, in + "/t000" + std::to_string(n) + ".png"));
    for (int n = 1; n <= 3; ++n)
        ASSERT_TRUE(MagickWriteRgba(Solid(6, 4, 0, uint8_t(n * 80), 0), 6, 4, in + "/f00" + std::to_string(n) + ".png"));

    BatchFile batch;
    const std::string file = dir.File("batch.xml");
    ASSERT_TRUE(batch.NewBatchFile(file));
    SequenceRecord output{out, "unused", "####", "png", 1};
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

    std::string stdoutText;
    const int status = RunCommand(ShellQuote(BinDir() + "/mosvane-batch") + " " + ShellQuote(file) + " 2>/dev/null", &stdoutText);
    EXPECT_EQ(status, 0);
    const std::string done = "Succeed to execute the batch, check the images in specific output folder.\n";
    EXPECT_EQ(stdoutText, "split: " + done + "combine: " + done + "blend: " + done + "alpha-extract: " + done +
                              "rgb-alpha: " + done + "alpha-image: " + done + "mng: " + done);

    // Split: four quarters, numbered from 1 after the item's title.
    for (int k = 0; k < 4; ++k)
    {
        const SPicture piece = Read(out + "/photo000" + std::to_string(k + 1) + ".png");
        ASSERT_EQ(piece.w, 32u);
        ASSERT_EQ(piece.h, 24u);
        const size_t at = (size_t(k / 2 * 24 + 3) * 64 + size_t(k % 2 * 32 + 5)) * 4;
        EXPECT_EQ(piece.At(5, 3), (std::vector<uint8_t>{photo[at], photo[at + 1], photo[at + 2], 255}));
    }
    // Combine: one sheet of four tiles, in reading order.
    const SPicture sheet = Read(out + "/t.png");
    ASSERT_EQ(sheet.w, 16u);
    EXPECT_EQ(sheet.At(1, 1)[0], 60);
    EXPECT_EQ(sheet.At(9, 1)[0], 120);
    EXPECT_EQ(sheet.At(1, 9)[0], 180);
    EXPECT_EQ(sheet.At(9, 9)[0], 240);
    // Blend: half of the blue mark over the opaque photo.
    const SPicture blended = Read(out + "/photo_Blend.png");
    ASSERT_EQ(blended.w, 64u);
    const std::vector<uint8_t> under(photo.begin() + (10 * 64 + 20) * 4, photo.begin() + (10 * 64 + 20) * 4 + 3);
    const std::vector<uint8_t> pixel = blended.At(20, 10);
    EXPECT_TRUE(Near({pixel[0], pixel[1], pixel[2]}, {uint8_t(under[0] / 2), uint8_t(under[1] / 2), uint8_t((under[2] + 255) / 2)}));
    // The alpha kinds.
    const std::vector<uint8_t> pattern = PatternRgba(9, 5, true);
    EXPECT_EQ(Read(out + "/alpha_Alpha.png").At(4, 2)[0], pattern[(2 * 9 + 4) * 4 + 3]);
    EXPECT_EQ(Read(out + "/white_AlphaRGB.png").At(0, 0), (std::vector<uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(Read(out + "/white_AlphaRGB.png").At(1, 0), (std::vector<uint8_t>{200, 0, 0, 255}));
    EXPECT_EQ(Read(out + "/photo_ImageAlpha.png").At(7, 7)[3], 90);
    // MNG: three frames.
    std::vector<uint8_t> mng;
    ASSERT_TRUE(ReadFileBytes(out + "/f.mng", mng));
    const std::string bytes(mng.begin(), mng.end());
    size_t frames = 0;
    for (size_t at = bytes.find("IHDR"); at != std::string::npos; at = bytes.find("IHDR", at + 4))
        ++frames;
    EXPECT_EQ(frames, 3u);
    size_t outputs = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(out))
        ++outputs;
    EXPECT_EQ(outputs, 4u + 1 + 1 + 1 + 1 + 1 + 1);

    // The file the runner read, saved and loaded again, is the same file.
    std::vector<uint8_t> first, second;
    ASSERT_TRUE(ReadFileBytes(file, first));
    BatchFile again;
    ASSERT_TRUE(again.LoadBatchFile(file));
    ASSERT_TRUE(again.SaveBatchFile());
    ASSERT_TRUE(ReadFileBytes(file, second));
    EXPECT_EQ(first, second);
    EXPECT_EQ(again.TemplateDigitsOf(EBatchKind::Combine), 4);
}
} // namespace
