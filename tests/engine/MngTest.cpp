#include "CodecTestSupport.h"
#include "engine/gx.h"

#include <tuple>

using namespace mosvane::test;

namespace
{
constexpr uint32_t kW = 7, kH = 5;

// Three frames, each with its own reds; the pointers are into `frames`.
std::vector<const uint8_t*> Frames(std::vector<Bytes>& frames, bool opaque)
{
    std::vector<const uint8_t*> pointers;
    for (int k = 0; k < 3; ++k)
    {
        Bytes& rgba = frames.emplace_back(PatternRgba(kW, kH, !opaque));
        for (size_t i = 0; i < rgba.size(); i += 4)
            rgba[i] = uint8_t(rgba[i] + 60 * k);
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
        ASSERT_TRUE(gxMakeMngAnimFile(path.c_str(), kW, kH, 3, Frames(frames, opaque).data(), 10));
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
        // A valid profile, transparency only with alpha; no complex features, JNG or deltas.
        EXPECT_EQ(Be32At(mhdr, 24) & 0x3D, opaque ? 0x1u : 0x9u);
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

        if (!opaque || !HaveImageMagick()) // this ImageMagick flattens frames with alpha onto white
            continue;
        std::string listing;
        ASSERT_EQ(RunCommand("identify -format '%T %w %h\\n' " + ShellQuote(path), &listing), 0);
        EXPECT_EQ(listing, "10 7 5\n10 7 5\n10 7 5\n"); // delays in hundredths of a second
        for (int k = 0; k < 3; ++k)
        {
            std::string rgba;
            const std::string frame = ShellQuote(path + "[" + std::to_string(k) + "]");
            ASSERT_EQ(RunCommand("convert " + frame + " -depth 8 rgba:-", &rgba), 0);
            EXPECT_EQ(Bytes(rgba.begin(), rgba.end()), frames[size_t(k)]) << "frame " << k;
        }
    }
}

TEST(MngWrite, RefusesBadArgumentsWithoutWriting)
{
    CTempDir dir;
    const std::string path = dir.File("anim.mng");
    std::vector<Bytes> frames;
    const std::vector<const uint8_t*> pointers = Frames(frames, true);
    const uint8_t* withNull[2] = {pointers[0], nullptr};
    // No frame rate, no frames, too wide, a missing frame, a folder that does not exist.
    const std::tuple<std::string, int, int, int, const uint8_t* const*, int> cases[] = {
        {path, kW, kH, 2, pointers.data(), 0}, {path, kW, kH, 0, pointers.data(), 10}, {path, 65536, 1, 2, pointers.data(), 10},
        {path, kW, kH, 2, withNull, 10}, {dir.File("no/such/folder/anim.mng"), kW, kH, 2, pointers.data(), 10}};
    for (const auto& [to, w, h, count, pixels, fps] : cases)
    {
        EXPECT_FALSE(gxMakeMngAnimFile(to.c_str(), w, h, count, pixels, fps)) << w << " " << count << " " << fps;
        // Each refusal says why: the system's reason for the folder, the writer's for the rest.
        EXPECT_STREQ(gxGetLastErrorText(), to == path ? "no picture to write" : "No such file or directory");
    }
    EXPECT_FALSE(FileExists(path));
    EXPECT_TRUE(gxMakeMngAnimFile(path.c_str(), kW, kH, 2, pointers.data(), 10));
    EXPECT_STREQ(gxGetLastErrorText(), "");
}
} // namespace
