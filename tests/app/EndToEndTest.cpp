// The built mosvane-batch over a batch file of all seven kinds, as a user runs it from a terminal.

#include "batch/BatchTesting.h"

#include <map>

namespace mosvane::test
{
namespace
{

TEST(EndToEnd, EverySectionOfABatchFileRunsFromTheTerminal)
{
    CTempDir dir;
    const std::string in = dir.File("in"), out = dir.File("out");
    std::filesystem::create_directories(in), std::filesystem::create_directories(out);
    const SPicture photo = Put(in + "/photo.png", Pattern(64, 48));
    Put(in + "/alpha.png", Pattern(9, 5, true));
    Put(in + "/grey.png", Solid(64, 48, 90, 90, 90), "-alpha off");
    Put(in + "/mark.png", Solid(8, 8, 0, 0, 255, 128));
    Put(in + "/clear.png", Solid(8, 8, 0, 0, 0, 0));
    Put(in + "/white.png", Solid(3, 1, 255, 255, 255), "-alpha off");
    for (int n = 1; n <= 4; ++n)
        Put(in + "/t000" + std::to_string(n) + ".png", Solid(8, 8, uint8_t(n * 60), 0, 0));
    for (int n = 1; n <= 3; ++n)
        Put(in + "/f00" + std::to_string(n) + ".png", Solid(6, 4, 0, uint8_t(n * 80), 0));

    BatchFile batch;
    const std::string file = dir.File("batch.xml");
    ASSERT_TRUE(batch.NewBatchFile(file));
    const SequenceRecord output{out, "unused", "####", "png", 1};
    ASSERT_TRUE(batch.WriteSplitSection({output, {0.5f, 0.5f}, {0.5f, 0.5f}}));
    batch.AddItem(EBatchKind::Split, in + "/photo.png");
    ASSERT_TRUE(batch.WriteCombineSection({output, {in, "t", "####", "png", 1}, 2, 2}));
    for (const std::string& item : SequenceItemPaths({in + "/t0001.png", in + "/t0003.png"}, 4))
        batch.AddItem(EBatchKind::Combine, item);
    ASSERT_TRUE(batch.WriteBlendSection({output, in + "/grey.png", in + "/mark.png"}));
    batch.AddItem(EBatchKind::Blend, in + "/photo.png");
    batch.AddItem(EBatchKind::Blend, in + "/clear.png");
    ASSERT_TRUE(batch.WriteAlphaExtractSection(output));
    batch.AddItem(EBatchKind::AlphaExtract, in + "/alpha.png");
    ASSERT_TRUE(batch.WriteRgbAlphaSection({output, 255, 255, 255, 0}));
    batch.AddItem(EBatchKind::RgbAlpha, in + "/white.png");
    ASSERT_TRUE(batch.WriteAlphaImageCombineSection({output, in + "/grey.png"}));
    batch.AddItem(EBatchKind::AlphaImageCombine, in + "/photo.png");
    ASSERT_TRUE(batch.WriteMngSection({{out, "", "", "png", 0}, {out, "", "###", "png", 1}, 3, 12}));
    for (const std::string& item : SequenceItemPaths({in + "/f002.png"}, 3))
        batch.AddItem(EBatchKind::Mng, item);
    ASSERT_TRUE(batch.SaveBatchFile());
    const std::string saved = ReadTextFile(file);

    const SRun run = RunProgram(ShellQuote(file));
    EXPECT_EQ(run.m_nStatus, 0) << run.m_strErr;
    const std::string done = "Succeed to execute the batch, check the images in specific output folder.\n";
    EXPECT_EQ(run.m_strOut, "split: " + done + "combine: " + done + "blend: " + done + "alpha-extract: " + done +
                           "rgb-alpha: " + done + "alpha-image: " + done + "mng: " + done);

    // Every file of the run and its size; split gives four quarters numbered from 1 after the title.
    const std::vector<std::tuple<std::string, uint32_t, uint32_t>> files = {
        {"photo0001", 32, 24}, {"photo0002", 32, 24}, {"photo0003", 32, 24}, {"photo0004", 32, 24}, {"t", 16, 16},
        {"photo_Blend", 64, 48}, {"clear_Blend", 8, 8},      {"alpha_Alpha", 9, 5},
        {"white_AlphaRGB", 3, 1}, {"photo_ImageAlpha", 64, 48}};
    std::map<std::string, SPicture> made;
    for (const auto& [name, w, h] : files)
    {
        made[name] = Read(out + "/" + name + ".png");
        EXPECT_EQ(Size(made[name].m_nWidth, made[name].m_nHeight), Size(w, h)) << name;
    }
    EXPECT_EQ(MngSizes(out + "/f.mng"), std::vector<Size>(4, {6, 4})); // the header and three frames
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out), std::filesystem::directory_iterator()), 11);

    // The other kinds' pixels are checked in the batch tests. Blend: half of the blue mark over the
    // opaque photo, the top row on top; over the clear picture, over the grey background shrunk
    // under it.
    const Pixel under = photo.At(20, 10);
    EXPECT_TRUE(Near(made["photo_Blend"].At(20, 10),
                     {uint8_t(under[0] / 2), uint8_t(under[1] / 2), uint8_t((under[2] + 255) / 2)}));
    EXPECT_TRUE(Near(made["clear_Blend"].At(5, 2), {45, 45, 173, 255})); // opaque, as its background is

    // The runner left the file as it was; saved again after loading, it is the same file.
    EXPECT_EQ(ReadTextFile(file), saved);
    BatchFile reloaded;
    ASSERT_TRUE(reloaded.LoadBatchFile(file) && reloaded.SaveBatchFile());
    EXPECT_EQ(ReadTextFile(file), saved);
}
} // namespace
} // namespace mosvane::test
