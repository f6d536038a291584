#include "CodecTestSupport.h"
#include "engine/gx.h"

#include <tuple>

using namespace mosvane::test;

namespace
{
constexpr uint32_t kW = 7, kH = 5;

// Every frame of an animation as ImageMagick reads the whole file, in RGBA.
std::vector<Bytes> MagickFrames(const std::string& path, const CTempDir& dir)
{
    std::vector<Bytes> frames;
    if (RunCommand("convert " + ShellQuote(path) + " -depth 8 " + ShellQuote("rgba:" + dir.File("frame-%d.rgba"))) != 0)
        return frames;
    for (Bytes frame; ReadFileBytes(dir.File("frame-" + std::to_string(frames.size()) + ".rgba"), frame);)
        frames.push_back(std::move(frame));
    return frames;
}

// count w x h frames of the kind, frame k with its reds raised by k * step.
std::vector<Bytes> Frames(EPicture kind, uint32_t w, uint32_t h, int count, int step)
{
    std::vector<Bytes> frames;
    for (int k = 0; k < count; ++k)
    {
        Bytes& rgba = frames.emplace_back(Picture(kind, w, h));
        for (size_t i = 0; i < rgba.size(); i += 4)
            rgba[i] = uint8_t(rgba[i] + step * k);
    }
    return frames;
}

// A frame whose left half is transparent after one whose left half is opaque: a reader that laid
// the second over the first would show the first frame's left half through it.
TEST(MngWrite, EachFrameReplacesThePreviousOneInImageMagick)
{
    if (!HaveImageMagick())
        GTEST_SKIP() << "ImageMagick is not installed";
    CTempDir dir;
    const std::string path = dir.File("anim.mng");
    std::vector<Bytes> frames(3, Bytes(size_t(kW) * kH * 4, 0));
    for (uint32_t i = 0; i < kW * kH; ++i)
    {
        const bool left = i % kW < kW / 2;
        const uint8_t opaque[2][4] = {{200, 30, 30, 255}, {30, 30, 200, 255}};
        std::copy_n(opaque[0], left ? 4 : 0, &frames[0][i * 4]);
        std::copy_n(opaque[1], left ? 0 : 4, &frames[1][i * 4]);
        frames[2][i * 4 + 3] = uint8_t(i % 3 == 0 ? 0 : 128); // transparent and half-transparent
    }
    ASSERT_TRUE(gxMakeMngAnimFile(path.c_str(), kW, kH, 3, PointersTo(frames).data(), 8));
    EXPECT_EQ(MagickFrames(path, dir), frames);
}

// Every byte but the header's profile (and so its CRC) is what the writer wrote before frames
// were made to replace each other: the digests were recorded from that build. The profile is the
// very-low-complexity one, with transparency only where the frames have alpha.
TEST(MngWrite, BytesBesideTheProfileAreThoseOfEarlierBuilds)
{
    CTempDir dir;
    const std::string path = dir.File("anim.mng");
    const std::tuple<EPicture, uint32_t, uint32_t, int, const char*> cases[] = {
        {EPicture::Opaque, 7, 5, 10, "56ef3973c179c4a8"}, {EPicture::Alpha, 7, 5, 12, "c5b65c93e2d4c812"},
        {EPicture::Noisy, 33, 19, 25, "bcbb798cbdc9325d"}};
    for (const auto& [kind, w, h, fps, digest] : cases)
    {
        const std::vector<Bytes> frames = Frames(kind, w, h, 4, 50);
        ASSERT_TRUE(gxMakeMngAnimFile(path.c_str(), int(w), int(h), 4, PointersTo(frames).data(), fps));
        Bytes file;
        ASSERT_TRUE(ReadFileBytes(path, file));
        ASSERT_GT(file.size(), 48u);
        EXPECT_EQ(Be32At(file, 40), kind == EPicture::Opaque ? 0x1u : 0x9u);
        std::fill(file.begin() + 40, file.begin() + 48, 0); // the profile and the header's CRC
        EXPECT_EQ(Digest(file), digest) << w << " x " << h;
    }
}
} // namespace
