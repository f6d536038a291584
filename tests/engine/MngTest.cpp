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

// count w x h frames of the kind, frame k with its reds raised by k * step; the pointers are into
// `frames`.
std::vector<const uint8_t*> Frames(std::vector<Bytes>& frames, EPicture kind, uint32_t w, uint32_t h, int count, int step)
{
    std::vector<const uint8_t*> pointers;
    for (int k = 0; k < count; ++k)
    {
        Bytes& rgba = frames.emplace_back(Picture(kind, w, h));
        for (size_t i = 0; i < rgba.size(); i += 4)
            rgba[i] = uint8_t(rgba[i] + step * k);
    }
    for (const Bytes& f : frames)
        pointers.push_back(f.data());
    return pointers;
}

TEST(MngWrite, ChunksHeaderAndFramesAreWhatTheyClaim)
{
    CTempDir dir;
    const std::string path = dir.File("anim.mng");
    for (const bool opaque : {false, true})
    {
        std::vector<Bytes> frames;
        ASSERT_TRUE(gxMakeMngAnimFile(path.c_str(), kW, kH, 3,
                                      Frames(frames, opaque ? EPicture::Opaque : EPicture::Alpha, kW, kH, 3, 60).data(), 10));
        Bytes file;
        ASSERT_TRUE(ReadFileBytes(path, file));
        ASSERT_GE(file.size(), 8u);
        EXPECT_EQ(Bytes(file.begin(), file.begin() + 8), (Bytes{0x8A, 'M', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}));
        // Every chunk's length and CRC, and their order.
        std::string order;
        std::vector<Bytes> chunks;
        size_t pos = 8;
        for (uint32_t n; pos + 12 <= file.size() && pos + 12 + (n = Be32At(file, pos)) <= file.size(); pos += 12 + n)
        {
            EXPECT_EQ(Be32At(file, pos + 8 + n), uint32_t(crc32(0, &file[pos + 4], uInt(4 + n))));
            order += std::string(file.begin() + long(pos) + 4, file.begin() + long(pos) + 8) + " ";
            chunks.emplace_back(file.begin() + long(pos) + 8, file.begin() + long(pos + 8 + n));
        }
        EXPECT_EQ(pos, file.size());
        ASSERT_EQ(order, "MHDR TERM IHDR IDAT IEND IHDR IDAT IEND IHDR IDAT IEND MEND ");

        const Bytes& mhdr = chunks[0];
        ASSERT_EQ(mhdr.size(), 28u);
        // Width, height, ticks per second (one frame a tick), frames, play time in ticks.
        EXPECT_EQ((std::vector<uint32_t>{Be32At(mhdr, 0), Be32At(mhdr, 4), Be32At(mhdr, 8), Be32At(mhdr, 16), Be32At(mhdr, 20)}),
                  (std::vector<uint32_t>{kW, kH, 10, 3, 3}));
        // The very-low-complexity profile, transparency only with alpha; no framing chunks.
        EXPECT_EQ(Be32At(mhdr, 24), opaque ? 0x1u : 0x9u);
        ASSERT_EQ(chunks[1].size(), 10u);
        EXPECT_EQ(chunks[1][0], 3);                       // repeat
        EXPECT_EQ(Be32At(chunks[1], 6), 0x7FFFFFFFu); // for ever

        // Each frame is a PNG datastream of RGBA pixels: with a signature in front it decodes exactly.
        for (size_t k = 0; k < 3; ++k)
        {
            CFileBuilder png;
            png.Raw(kPngSignature);
            png.Chunk("IHDR", chunks[2 + 3 * k]).Chunk("IDAT", chunks[3 + 3 * k]).Chunk("IEND", {});
            EXPECT_EQ(chunks[2 + 3 * k][9], 6); // colour type: RGBA
            EXPECT_EQ(Decode(gx::DecodePng, png.m_bytes).rgba, frames[k]) << "frame " << k;
        }

        if (!HaveImageMagick())
            continue;
        std::string listing;
        ASSERT_EQ(RunCommand("identify -format '%T %w %h\\n' " + ShellQuote(path), &listing), 0);
        EXPECT_EQ(listing, "10 7 5\n10 7 5\n10 7 5\n"); // delays in hundredths of a second
        EXPECT_EQ(MagickFrames(path, dir), frames);
    }
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
    const std::vector<const uint8_t*> pointers = {frames[0].data(), frames[1].data(), frames[2].data()};
    ASSERT_TRUE(gxMakeMngAnimFile(path.c_str(), kW, kH, 3, pointers.data(), 8));
    EXPECT_EQ(MagickFrames(path, dir), frames);
}

// Every byte but the header's profile (and so its CRC) is what the writer wrote before frames
// were made to replace each other: the digests were recorded from that build.
TEST(MngWrite, BytesBesideTheProfileAreThoseOfEarlierBuilds)
{
    CTempDir dir;
    const std::string path = dir.File("anim.mng");
    const std::tuple<EPicture, uint32_t, uint32_t, int, const char*> cases[] = {
        {EPicture::Opaque, 7, 5, 10, "56ef3973c179c4a8"}, {EPicture::Alpha, 7, 5, 12, "c5b65c93e2d4c812"},
        {EPicture::Noisy, 33, 19, 25, "bcbb798cbdc9325d"}};
    for (const auto& [kind, w, h, fps, digest] : cases)
    {
        std::vector<Bytes> frames;
        ASSERT_TRUE(gxMakeMngAnimFile(path.c_str(), int(w), int(h), 4, Frames(frames, kind, w, h, 4, 50).data(), fps));
        Bytes file;
        ASSERT_TRUE(ReadFileBytes(path, file));
        ASSERT_GT(file.size(), 48u);
        std::fill(file.begin() + 40, file.begin() + 48, 0); // the profile and the header's CRC
        EXPECT_EQ(Digest(file), digest) << w << " x " << h;
    }
}
} // namespace
