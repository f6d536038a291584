// The animation writers against independent readers (Pillow, ffmpeg, giflib's own decoder), and the
// changed-block and delay rules they share.

#include "CodecTestSupport.h"
#include "engine/AnimationFrames.h"
#include "engine/gx.h"
#include "support/AnimationReaders.h"

#include <algorithm>
#include <filesystem>
#include <gif_lib.h>
#include <tuple>

using namespace mosvane::test;

namespace
{
constexpr uint32_t kW = 24, kH = 16;

// A walk cycle as pixel art: six colours, a still background and a sprite, with the cases the
// changed blocks must get right: a frame equal to the last, one pixel changed, the sprite moved
// twice, a wholly transparent frame after an opaque one, a half transparent one after that, and an
// opaque one again. Alpha is 0 or 255, and 200 where a pixel is nearly opaque.
std::vector<Bytes> WalkCycle()
{
    const uint8_t palette[6][3] = {{20, 40, 90}, {30, 60, 120}, {200, 180, 40}, {240, 240, 240}, {180, 30, 30}, {10, 10, 10}};
    auto frame = [&](uint32_t spriteX, bool redPixel) {
        Bytes f(size_t(kW) * kH * 4);
        for (uint32_t y = 0; y < kH; ++y)
            for (uint32_t x = 0; x < kW; ++x)
            {
                uint8_t* p = &f[(size_t(y) * kW + x) * 4];
                const bool sprite = x >= spriteX && x < spriteX + 5 && y >= 6 && y < 14;
                const uint8_t* c = sprite ? palette[2 + (x + y) % 4] : palette[(y / 4 + x / 6) % 2];
                p[0] = c[0], p[1] = c[1], p[2] = c[2];
                p[3] = sprite && (x + y) % 7 == 0 ? 200 : 255;
            }
        if (redPixel)
            f[(5 * kW + 20) * 4] = 180;
        return f;
    };
    std::vector<Bytes> frames{frame(2, false), frame(2, false), frame(2, true), frame(6, true),
                              frame(9, true),  Bytes(size_t(kW) * kH * 4, 0), frame(9, true), frame(9, true)};
    for (size_t i = 0; i < size_t(kW) * kH; ++i) // the left half of the seventh frame clear
        if (i % kW < kW / 2)
            frames[6][i * 4 + 3] = 0;
    return frames;
}

// What a GIF shows of an RGBA frame: alpha below 128 clear, the rest opaque.
Bytes AsGifShows(Bytes rgba)
{
    for (size_t i = 0; i < rgba.size(); i += 4)
        rgba[i + 3] = rgba[i + 3] < 128 ? 0 : 255;
    return Shown(rgba);
}

std::vector<Bytes> ShownFrames(const std::vector<Bytes>& frames, Bytes (*show)(Bytes))
{
    std::vector<Bytes> shown;
    for (const Bytes& f : frames)
        shown.push_back(show(f));
    return shown;
}

// Every frame's block and disposal as giflib reads them back.
struct SGifFrame
{
    gx::SFrameRect m_rect;
    int m_nDisposal, m_nDelay, m_nTransparent;
};

std::vector<SGifFrame> GifFrames(const std::string& path, int* loop = nullptr)
{
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    std::vector<SGifFrame> frames;
    if (!gif)
        return frames;
    if (DGifSlurp(gif) == GIF_OK)
        for (int k = 0; k < gif->ImageCount; ++k)
        {
            const GifImageDesc& d = gif->SavedImages[k].ImageDesc;
            GraphicsControlBlock control{};
            DGifSavedExtensionToGCB(gif, k, &control);
            frames.push_back({{uint32_t(d.Left), uint32_t(d.Top), uint32_t(d.Width), uint32_t(d.Height)},
                              control.DisposalMode, control.DelayTime, control.TransparentColor});
            for (int e = 0; loop && k == 0 && e < gif->SavedImages[0].ExtensionBlockCount; ++e)
            {
                const ExtensionBlock& b = gif->SavedImages[0].ExtensionBlocks[e];
                if (b.Function == CONTINUE_EXT_FUNC_CODE && b.ByteCount == 3 && b.Bytes[0] == 1)
                    *loop = b.Bytes[1] | b.Bytes[2] << 8;
            }
        }
    DGifCloseFile(gif, &error);
    return frames;
}

// Pillow and ffmpeg, where installed, show the frames exactly; Pillow names the file's format,
// loops it for ever and gives each frame its time in milliseconds.
void ExpectReadersShow(const std::string& path, const CTempDir& dir, const std::vector<Bytes>& shown, uint32_t w,
                       uint32_t h, const char* format, const std::vector<double>& durations)
{
    if (!PillowPython().empty())
    {
        SAnimationRead read;
        ASSERT_TRUE(ReadWithPillow(path, dir, read));
        EXPECT_EQ(read.m_strFormat, format);
        EXPECT_EQ(read.m_strLoop, "0");
        ASSERT_EQ(read.m_durations.size(), durations.size());
        for (size_t k = 0; k < durations.size(); ++k)
            EXPECT_NEAR(std::stod(read.m_durations[k]), durations[k], 1e-6) << "frame " << k;
        EXPECT_EQ(ShownFrames(read.m_frames, Shown), shown);
    }
    else
        std::printf("Pillow (python3-pil) is not installed: its reading is not checked\n");
    std::vector<Bytes> decoded;
    if (HaveFfmpeg())
    {
        ASSERT_TRUE(ReadWithFfmpeg(path, w, h, decoded));
        EXPECT_EQ(ShownFrames(decoded, Shown), shown);
    }
    else
        std::printf("ffmpeg is not installed: its decoding is not checked\n");
}

const std::vector<double> kGifWalkTimes = {80, 80, 90, 80, 80, 90, 80, 80}; // 12 frames a second, in hundredths

TEST(AnimationTiming, DelaysFollowTheExactTimesInTheirUnit)
{
    std::vector<uint32_t> twelve;
    for (uint64_t k = 0; k < 6; ++k)
        twelve.push_back(gx::FrameDuration(k, 12, 100));
    EXPECT_EQ(twelve, (std::vector<uint32_t>{8, 8, 9, 8, 8, 9}));
    // Over a long run the sum never drifts from the exact time by a whole unit.
    for (const uint32_t fps : {1u, 7u, 24u, 30u, 60u, 99u, 1000u})
        for (const uint32_t units : {100u, 1000u})
        {
            uint64_t sum = 0;
            for (uint64_t k = 0; k < 5000; ++k)
            {
                sum += gx::FrameDuration(k, fps, units);
                ASSERT_EQ(sum, (k + 1) * units / fps) << fps << " fps, frame " << k;
            }
        }
    EXPECT_EQ(gx::FrameDuration(0x7FFFFFFE, 7, 100), 14u); // the last frame number there may be
}

struct GifWrite : ::testing::Test
{
    CTempDir m_dir;
    std::string m_strPath;
    void SetUp() override { m_strPath = m_dir.File("walk.gif"); }
};

TEST_F(GifWrite, BlocksDisposalsDelaysAndLoopAreWhatTheFramesNeedAndReadersShowThem)
{
    const std::vector<Bytes> frames = WalkCycle();
    ASSERT_TRUE(gxMakeGifAnimFile(m_strPath.c_str(), kW, kH, int(frames.size()), PointersTo(frames).data(), 12));
    int loop = -1;
    const std::vector<SGifFrame> stored = GifFrames(m_strPath, &loop);
    ASSERT_EQ(stored.size(), frames.size());
    EXPECT_EQ(loop, 0);
    const gx::SFrameRect expected[] = {
        {0, 0, kW, kH},       // the first frame whole
        {0, 0, 1, 1},         // equal to the last: one pixel, transparent, for its time
        {20, 5, 1, 1},        // the one changed pixel
        {2, 6, 9, 8},         // the sprite's old and new place
        {0, 0, kW, kH},       // the sprite moved, and all of it disposed for the clear frame next
        {0, 0, 1, 1},         // clear: the previous frame's disposal did it
        {kW / 2, 0, kW / 2, kH}, // the right half visible again
        {0, 0, kW / 2, kH},   // and the left half
    };
    std::vector<int> delays, disposals;
    for (size_t k = 0; k < stored.size(); ++k)
    {
        EXPECT_EQ(stored[k].m_rect, expected[k]) << "frame " << k;
        delays.push_back(stored[k].m_nDelay);
        disposals.push_back(stored[k].m_nDisposal);
    }
    EXPECT_EQ(delays, (std::vector<int>{8, 8, 9, 8, 8, 9, 8, 8}));
    // Only the frame before the clear one is disposed to the background.
    std::vector<int> expectedDisposals(8, DISPOSE_DO_NOT);
    expectedDisposals[4] = DISPOSE_BACKGROUND;
    EXPECT_EQ(disposals, expectedDisposals);
    ExpectReadersShow(m_strPath, m_dir, ShownFrames(frames, AsGifShows), kW, kH, "GIF", kGifWalkTimes);
}

// A photograph-like sequence of thousands of colours gets a palette of its own: every frame stays
// close to its source, transparency stays exact, and a block holds only what moved.
TEST_F(GifWrite, ManyColoursAreDiffusedOverAPaletteOfTheirOwn)
{
    std::vector<Bytes> frames;
    for (int k = 0; k < 4; ++k)
    {
        Bytes f = Picture(EPicture::Smooth, 64, 48);
        for (size_t i = 0; i < f.size(); i += 4)
            f[i] = uint8_t(f[i] + (i / 4 % 64)), f[i + 3] = i / 4 % 64 < 3 ? 0 : 255;
        frames.push_back(f);
    }
    frames[2][(20 * 64 + 30) * 4 + 1] ^= 0x80;
    ASSERT_TRUE(gxMakeGifAnimFile(m_strPath.c_str(), 64, 48, 4, PointersTo(frames).data(), 25));
    const std::vector<SGifFrame> stored = GifFrames(m_strPath);
    ASSERT_EQ(stored.size(), 4u);
    EXPECT_EQ(stored[1].m_rect, (gx::SFrameRect{0, 0, 1, 1}));
    EXPECT_EQ(stored[2].m_rect, (gx::SFrameRect{30, 20, 1, 1})); // the diffusion moves no other pixel
    uint32_t w = 0, h = 0;
    Bytes magick;
    if (HaveImageMagick() && MagickReadRgba(m_strPath, w, h, magick)) // the first frame
    {
        ASSERT_EQ(magick.size(), frames[0].size());
        uint64_t error = 0;
        for (size_t i = 0; i < magick.size(); i += 4)
        {
            ASSERT_EQ(magick[i + 3], frames[0][i + 3]) << "pixel " << i / 4;
            for (int c = 0; c < 3 && frames[0][i + 3]; ++c)
                error += uint64_t(std::abs(int(magick[i + c]) - int(frames[0][i + c])));
        }
        EXPECT_LT(double(error) / (64 * 48 * 3), 4.0); // the mean error of a channel, in levels
    }
    if (!PillowPython().empty())
    {
        SAnimationRead read;
        ASSERT_TRUE(ReadWithPillow(m_strPath, m_dir, read));
        ASSERT_EQ(read.m_frames.size(), 4u);
        for (size_t k = 0; k < 4; ++k)
            for (size_t i = 3; i < frames[k].size(); i += 4)
                ASSERT_EQ(read.m_frames[k][i], frames[k][i]) << "frame " << k << " pixel " << i / 4;
    }
}

// A sprite of four colours walking over a still background of eight: each later block is stored
// the smaller way (its unchanged pixels transparent, or as they are), with an index and a code
// size of its own; every reader still shows every frame exactly.
TEST_F(GifWrite, SmallerBlocksOfTheirOwnIndicesShowExactly)
{
    constexpr uint32_t w = 48, h = 24;
    const uint8_t colours[8][3] = {{92, 148, 252}, {250, 250, 250}, {200, 76, 12}, {252, 188, 176},
                                   {252, 216, 168}, {228, 0, 88},   {0, 0, 168},   {20, 20, 20}};
    std::vector<Bytes> frames;
    for (uint32_t k = 0; k < 6; ++k)
    {
        Bytes f(size_t(w) * h * 4, 255);
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x)
            {
                const bool sprite = x >= 2 + 5 * k && x < 10 + 5 * k && y >= 8 && y < 20;
                const size_t back = y >= 20 ? 2 + (x / 4 + y) % 2 : y < 4 && x % 12 < 6 ? 1 : x == 47 ? 7 : 0;
                std::copy_n(colours[sprite ? 4 + (y / 3 + k) % 3 : back], 3, &f[(size_t(y) * w + x) * 4]);
            }
        frames.push_back(f);
    }
    ASSERT_TRUE(gxMakeGifAnimFile(m_strPath.c_str(), int(w), int(h), 6, PointersTo(frames).data(), 12));
    const std::vector<SGifFrame> stored = GifFrames(m_strPath);
    ASSERT_EQ(stored.size(), 6u);
    EXPECT_TRUE(std::any_of(stored.begin() + 1, stored.end(), [](const SGifFrame& f) { return f.m_nTransparent < 0; }))
        << "some later block stored as it is";
    ExpectReadersShow(m_strPath, m_dir, ShownFrames(frames, AsGifShows), w, h, "GIF",
                      {kGifWalkTimes.begin(), kGifWalkTimes.begin() + 6});
}

// Every chunk of an APNG after the signature: its type and data.
std::vector<std::pair<std::string, Bytes>> PngChunks(const Bytes& file)
{
    std::vector<std::pair<std::string, Bytes>> chunks;
    for (size_t at = 8, n; at + 12 <= file.size() && at + 12 + (n = Be32At(file, at)) <= file.size(); at += 12 + n)
    {
        EXPECT_EQ(Be32At(file, at + 8 + n), uint32_t(crc32(0, &file[at + 4], uInt(4 + n))));
        chunks.emplace_back(std::string(file.begin() + long(at) + 4, file.begin() + long(at) + 8),
                            Bytes(file.begin() + long(at) + 8, file.begin() + long(at + 8 + n)));
    }
    return chunks;
}

struct SApngFrame
{
    gx::SFrameRect m_rect;
    uint32_t m_nDelayNum, m_nDelayDen;
    int m_nDispose, m_nBlend;
    bool operator==(const SApngFrame&) const = default;
};

struct ApngWrite : ::testing::Test
{
    CTempDir m_dir;
    std::string m_strPath = m_dir.File("walk.png");

    // The file's frame controls, checking the chunk order and sequence numbers on the way.
    std::vector<SApngFrame> Controls(uint32_t* plays = nullptr, std::string* colourType = nullptr)
    {
        Bytes file;
        EXPECT_TRUE(ReadFileBytes(m_strPath, file));
        EXPECT_EQ(Bytes(file.begin(), file.begin() + 8), kPngSignature);
        std::vector<SApngFrame> frames;
        uint32_t sequence = 0;
        std::string order;
        for (const auto& [type, data] : PngChunks(file))
        {
            order += type == "fdAT" && order.ends_with("fdAT ") ? "" : type + " ";
            if (type == "IHDR" && colourType)
                *colourType = std::to_string(data[9]);
            if (type == "acTL" && plays)
                *plays = Be32At(data, 4);
            if (type == "fcTL" || type == "fdAT")
            {
                EXPECT_EQ(Be32At(data, 0), sequence++) << type;
            }
            if (type == "fcTL")
                frames.push_back({{Be32At(data, 12), Be32At(data, 16), Be32At(data, 4), Be32At(data, 8)},
                                  uint32_t(data[20] << 8 | data[21]), uint32_t(data[22] << 8 | data[23]), data[24], data[25]});
        }
        EXPECT_TRUE(order.starts_with("IHDR ")) << order;
        EXPECT_NE(order.find("acTL fcTL IDAT "), std::string::npos) << order;
        EXPECT_TRUE(order.ends_with("IEND ")) << order;
        return frames;
    }
};

TEST_F(ApngWrite, PixelArtGoesAsAPaletteWithTheChangedBlocksOnly)
{
    const std::vector<Bytes> frames = WalkCycle();
    ASSERT_TRUE(gxMakeApngAnimFile(m_strPath.c_str(), kW, kH, int(frames.size()), PointersTo(frames).data(), 12));
    uint32_t plays = 1;
    std::string colourType;
    const std::vector<SApngFrame> controls = Controls(&plays, &colourType);
    EXPECT_EQ(plays, 0u);
    EXPECT_EQ(colourType, "3");
    const SApngFrame expected[] = {
        {{0, 0, kW, kH}, 1, 12, 0, 0},           // the default image, whole
        {{0, 0, 1, 1}, 1, 12, 0, 0},             // equal to the last: one pixel, as it is
        {{20, 5, 1, 1}, 1, 12, 0, 0},            // the one changed pixel
        {{2, 6, 9, 8}, 1, 12, 0, 0},             // the sprite's old and new place; its half-clear
        {{6, 6, 8, 8}, 1, 12, 0, 0},             // pixels cannot be laid over, they replace
        {{0, 0, kW, kH}, 1, 12, 0, 0},           // wholly transparent after opaque: replaced
        {{kW / 2, 0, kW / 2, kH}, 1, 12, 0, 0},  // the right half again (hidden colours ignored)
        {{0, 0, kW / 2, kH}, 1, 12, 0, 0},       // and the left
    };
    EXPECT_EQ(controls, std::vector<SApngFrame>(std::begin(expected), std::end(expected)));
    ExpectReadersShow(m_strPath, m_dir, ShownFrames(frames, Shown), kW, kH, "PNG",
                      std::vector<double>(frames.size(), 1000.0 / 12));
}

// Thousands of colours: RGB when every frame is opaque, RGBA with semi-transparency otherwise;
// a block that makes pixels less opaque replaces what was there.
TEST_F(ApngWrite, ManyColoursGoAsTruecolourAndStayExact)
{
    for (const bool opaque : {true, false})
    {
        std::vector<Bytes> frames;
        for (int k = 0; k < 4; ++k)
        {
            Bytes f = Picture(opaque ? EPicture::Opaque : EPicture::Alpha, 40, 30);
            for (size_t i = 0; i < f.size(); i += 4)
                f[i] = uint8_t(f[i] + (i / 4 % 40) * 3);
            frames.push_back(f);
        }
        frames[2][(10 * 40 + 5) * 4 + 1] ^= 0x40;
        frames[3][(29 * 40 + 39) * 4 + 3] = opaque ? 255 : 7;
        ASSERT_TRUE(gxMakeApngAnimFile(m_strPath.c_str(), 40, 30, 4, PointersTo(frames).data(), 60));
        std::string colourType;
        const std::vector<SApngFrame> controls = Controls(nullptr, &colourType);
        EXPECT_EQ(colourType, opaque ? "2" : "6");
        ASSERT_EQ(controls.size(), 4u);
        EXPECT_EQ(controls[1].m_rect, (gx::SFrameRect{0, 0, 1, 1}));
        EXPECT_EQ(controls[2].m_rect, (gx::SFrameRect{5, 10, 1, 1}));
        EXPECT_EQ(controls[3].m_rect, opaque ? (gx::SFrameRect{5, 10, 1, 1}) : (gx::SFrameRect{5, 10, 35, 20}));
        EXPECT_EQ(controls[3].m_nBlend, 0); // the less opaque pixel forbids laying over
        ExpectReadersShow(m_strPath, m_dir, ShownFrames(frames, Shown), 40, 30, "PNG",
                          std::vector<double>(frames.size(), 1000.0 / 60));
    }
}

// Opaque frames of thousands of colours in which a square moves over a still noisy picture: the
// unchanged pixels of each changed block pay for an alpha channel, and the blocks are laid over
// the last frame with those pixels clear, exactly.
TEST_F(ApngWrite, OpaqueFramesWithStillPartsAreLaidOverWithAlpha)
{
    const Bytes back = Picture(EPicture::Noisy, 48, 32);
    std::vector<Bytes> frames;
    for (uint32_t k = 0; k < 4; ++k)
    {
        Bytes f = back;
        for (size_t i = 0; i < f.size(); i += 4)
        {
            const uint32_t x = uint32_t(i / 4 % 48), y = uint32_t(i / 4 / 48);
            f[i + 3] = 255;
            if (x - 8 * k < 10 && y - 6 * k < 10)
                f[i] = 250, f[i + 1] = uint8_t(20 * k), f[i + 2] = 9;
        }
        frames.push_back(f);
    }
    ASSERT_TRUE(gxMakeApngAnimFile(m_strPath.c_str(), 48, 32, 4, PointersTo(frames).data(), 12));
    std::string colourType;
    const std::vector<SApngFrame> controls = Controls(nullptr, &colourType);
    EXPECT_EQ(colourType, "6");
    ASSERT_EQ(controls.size(), 4u);
    EXPECT_EQ(controls[3].m_rect, (gx::SFrameRect{16, 12, 18, 16}));
    EXPECT_EQ(controls[3].m_nBlend, 1);
    ExpectReadersShow(m_strPath, m_dir, ShownFrames(frames, Shown), 48, 32, "PNG",
                      std::vector<double>(frames.size(), 1000.0 / 12));
}

TEST(AnimationWrite, EveryWriterRefusesBadArgumentsWithoutWriting)
{
    CTempDir dir;
    const std::string path = dir.File("anim");
    const Bytes frame = Picture(EPicture::Opaque, 4, 4);
    const uint8_t* pointers[2] = {frame.data(), frame.data()};
    const uint8_t* withNull[2] = {frame.data(), nullptr};
    using Writer = bool (*)(const char*, int, int, int, const uint8_t* const*, int);
    for (const Writer write : {gxMakeMngAnimFile, gxMakeGifAnimFile, gxMakeApngAnimFile})
    {
        // No frame rate, no frames, too wide, a missing frame, a folder that cannot be made; each
        // refusal says why: the system's reason for the folder, the writer's for the rest.
        const std::tuple<std::string, int, int, int, const uint8_t* const*, int> cases[] = {
            {path, 4, 4, 2, pointers, 0},     {path, 4, 4, 0, pointers, 10}, {path, 65536, 1, 2, pointers, 10},
            {path, 4, 4, 2, withNull, 10}, {dir.File("file/folder/anim"), 4, 4, 2, pointers, 10}};
        WriteTextFile(dir.File("file"), "");
        for (const auto& [to, w, h, count, pixels, fps] : cases)
        {
            EXPECT_FALSE(write(to.c_str(), w, h, count, pixels, fps)) << w << " " << count << " " << fps;
            EXPECT_STREQ(gxGetLastErrorText(), to == path ? "no picture to write" : "Not a directory");
        }
        EXPECT_FALSE(FileExists(path));
        EXPECT_TRUE(write(path.c_str(), 4, 4, 2, pointers, 10));
        EXPECT_STREQ(gxGetLastErrorText(), "");
        std::filesystem::remove(path);
    }
}
} // namespace
