#include "CodecTestSupport.h"
#include "engine/codecs/Codecs.h"
#include "engine/gx.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace mosvane::test;

namespace
{
constexpr uint32_t kW = 7, kH = 5;

std::vector<std::vector<uint8_t>> Frames(int count, bool opaque)
{
    std::vector<std::vector<uint8_t>> frames;
    for (int k = 0; k < count; ++k)
    {
        std::vector<uint8_t> rgba = PatternRgba(kW, kH, !opaque);
        for (size_t i = 0; i < rgba.size(); i += 4)
            rgba[i] = uint8_t(rgba[i] + 60 * k); // each frame its own reds
        frames.push_back(std::move(rgba));
    }
    return frames;
}

std::vector<const uint8_t*> Pointers(const std::vector<std::vector<uint8_t>>& frames)
{
    std::vector<const uint8_t*> pointers;
    for (const auto& f : frames)
        pointers.push_back(f.data());
    return pointers;
}
} // namespace

TEST(MngWrite, ChunksHeaderAndFramesAreWhatTheyClaim)
{
    CTempDir dir;
    const std::string path = dir.File("anim.mng");
    const auto frames = Frames(3, false);
    ASSERT_TRUE(gxMakeMngAnimFile(path.c_str(), kW, kH, 3, Pointers(frames).data(), 10));
    std::vector<uint8_t> file;
    ASSERT_TRUE(ReadFileBytes(path, file));
    ASSERT_GE(file.size(), 8u);
    EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.begin() + 8),
              (std::vector<uint8_t>{0x8A, 'M', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}));
    const std::vector<SChunk> chunks = WalkChunks(file); // checks every length and CRC
    std::string order;
    for (const SChunk& c : chunks)
        order += c.type + " ";
    EXPECT_EQ(order, "MHDR TERM IHDR IDAT IEND IHDR IDAT IEND IHDR IDAT IEND MEND ");
    if (chunks.size() != 12)
        return;

    const std::vector<uint8_t>& mhdr = chunks[0].data;
    ASSERT_EQ(mhdr.size(), 28u);
    EXPECT_EQ(GetBe32(&mhdr[0]), kW);
    EXPECT_EQ(GetBe32(&mhdr[4]), kH);
    EXPECT_EQ(GetBe32(&mhdr[8]), 10u); // ticks per second: one frame a tick
    EXPECT_EQ(GetBe32(&mhdr[16]), 3u); // frames
    EXPECT_EQ(GetBe32(&mhdr[20]), 3u); // play time in ticks
    const uint32_t profile = GetBe32(&mhdr[24]);
    EXPECT_EQ(profile & 0x1, 0x1u);     // the profile is valid
    EXPECT_EQ(profile & 0x4, 0u);       // no complex features
    EXPECT_EQ(profile & 0x8, 0x8u);     // transparency: these frames have alpha
    EXPECT_EQ(profile & 0x30, 0u);      // no JNG, no delta images

    const std::vector<uint8_t>& term = chunks[1].data;
    ASSERT_EQ(term.size(), 10u);
    EXPECT_EQ(term[0], 3);                      // repeat
    EXPECT_EQ(GetBe32(&term[6]), 0x7FFFFFFFu); // for ever

    // Each frame is a PNG datastream of RGBA pixels: with a signature in front it decodes exactly.
    for (int k = 0; k < 3; ++k)
    {
        std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        for (int c = 0; c < 3; ++c)
            PutChunk(png, chunks[size_t(2 + 3 * k + c)].type.c_str(), chunks[size_t(2 + 3 * k + c)].data);
        EXPECT_EQ(png[25], 6); // colour type: RGBA
        gx::CBitmap frame;
        ASSERT_TRUE(gx::DecodePng(png, frame));
        EXPECT_EQ(frame.m_pixels, frames[size_t(k)]) << "frame " << k;
    }
}

TEST(MngWrite, ImageMagickSeesTheFramesAndTheirDelay)
{
    if (!HaveImageMagick())
        GTEST_SKIP() << "ImageMagick is not installed";
    CTempDir dir;
    const std::string path = dir.File("anim.mng");
    const auto frames = Frames(3, true);
    ASSERT_TRUE(gxMakeMngAnimFile(path.c_str(), kW, kH, 3, Pointers(frames).data(), 10));
    std::string listing;
    ASSERT_EQ(RunCommand("identify -format '%T %w %h\\n' " + ShellQuote(path), &listing), 0);
    EXPECT_EQ(listing, "10 7 5\n10 7 5\n10 7 5\n"); // delays in hundredths of a second
    std::vector<uint8_t> file;
    ASSERT_TRUE(ReadFileBytes(path, file));
    EXPECT_EQ(GetBe32(&file[8 + 8 + 24]) & 0x8, 0u); // opaque frames claim no transparency
    for (int k = 0; k < 3; ++k)
    {
        std::string rgba;
        ASSERT_EQ(RunCommand("convert " + ShellQuote(path + "[" + std::to_string(k) + "]") + " -depth 8 rgba:-", &rgba), 0);
        EXPECT_EQ(std::vector<uint8_t>(rgba.begin(), rgba.end()), frames[size_t(k)]) << "frame " << k;
    }
}

TEST(MngWrite, RefusesBadArgumentsWithoutWriting)
{
    CTempDir dir;
    const std::string path = dir.File("anim.mng");
    const auto frames = Frames(2, true);
    const auto pointers = Pointers(frames);
    const uint8_t* withNull[2] = {pointers[0], nullptr};
    EXPECT_FALSE(gxMakeMngAnimFile(path.c_str(), kW, kH, 2, pointers.data(), 0));
    EXPECT_FALSE(gxMakeMngAnimFile(path.c_str(), kW, kH, 2, pointers.data(), -5));
    EXPECT_FALSE(gxMakeMngAnimFile(path.c_str(), kW, kH, 0, pointers.data(), 10));
    EXPECT_FALSE(gxMakeMngAnimFile(path.c_str(), kW, kH, -1, pointers.data(), 10));
    EXPECT_FALSE(gxMakeMngAnimFile(path.c_str(), 0, kH, 2, pointers.data(), 10));
    EXPECT_FALSE(gxMakeMngAnimFile(path.c_str(), 65536, 1, 2, pointers.data(), 10));
    EXPECT_FALSE(gxMakeMngAnimFile(path.c_str(), kW, kH, 2, nullptr, 10));
    EXPECT_FALSE(gxMakeMngAnimFile(path.c_str(), kW, kH, 2, withNull, 10));
    EXPECT_FALSE(gxMakeMngAnimFile(nullptr, kW, kH, 2, pointers.data(), 10));
    EXPECT_FALSE(FileExists(path));
    EXPECT_FALSE(gxMakeMngAnimFile(dir.File("no/such/folder/anim.mng").c_str(), kW, kH, 2, pointers.data(), 10));
}
