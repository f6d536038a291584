#pragma once
// Pictures, batch files and a progress recorder for the batch and runner tests.

#include "batch/BatchExecute.h"
#include "batch/ConsoleFrame.h"
#include "engine/gx.h"
#include "ops/FrameHooks.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace batchtest
{
using namespace mosvane::test;
using Pixel = std::vector<uint8_t>;
using Calls = std::vector<std::string>;
using Size = std::pair<uint32_t, uint32_t>;

// A frame that records the progress calls as "begin N", "step", "end".
class CProgressRecorder : public CConsoleFrame
{
public:
    CProgressRecorder() : CConsoleFrame(m_sink, false), m_hooks({this}) {}
    void BeginProgress(int32_t count) override { m_calls.push_back("begin " + std::to_string(count)); }
    void StepProgress() override { m_calls.push_back("step"); }
    void EndProgress() override { m_calls.push_back("end"); }

    Calls m_calls;

private:
    std::ostringstream m_sink;
    CFrameHooks m_hooks;
};

// RGBA pixels, top row first.
struct SPicture
{
    uint32_t m_nWidth = 0, m_nHeight = 0;
    std::vector<uint8_t> m_rgba;

    Pixel At(uint32_t x, uint32_t y) const
    {
        const auto p = m_rgba.begin() + long((size_t(y) * m_nWidth + x) * 4);
        return Pixel(p, p + 4);
    }
};

inline SPicture Solid(uint32_t w, uint32_t h, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255)
{
    SPicture picture{w, h, std::vector<uint8_t>(size_t(w) * h * 4)};
    for (size_t i = 0; i < picture.m_rgba.size(); i += 4)
    {
        picture.m_rgba[i] = r;
        picture.m_rgba[i + 1] = g;
        picture.m_rgba[i + 2] = b;
        picture.m_rgba[i + 3] = a;
    }
    return picture;
}

inline SPicture Pattern(uint32_t w, uint32_t h, bool withAlpha = false) { return {w, h, PatternRgba(w, h, withAlpha)}; }

// Writes the picture with ImageMagick (options such as "-alpha off" go before the name) and returns it.
inline SPicture Put(const std::string& path, const SPicture& picture, const std::string& options = "")
{
    EXPECT_TRUE(MagickWriteRgba(picture.m_rgba, picture.m_nWidth, picture.m_nHeight, path, options)) << path;
    return picture;
}

// A file decoded by ImageMagick, the independent reader.
inline SPicture Read(const std::string& path)
{
    SPicture picture;
    EXPECT_TRUE(MagickReadRgba(path, picture.m_nWidth, picture.m_nHeight, picture.m_rgba)) << path;
    return picture;
}

// The channels of `expected` equal within a rounding step of GL's blending.
inline bool Near(const Pixel& actual, const Pixel& expected)
{
    return actual.size() >= expected.size() &&
           MaxDifference(Pixel(actual.begin(), actual.begin() + long(expected.size())), expected) <= 2;
}

inline void WriteText(const std::string& path, const std::string& text)
{
    ASSERT_TRUE(WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end())));
}

// The sizes in an MNG file's header and in each embedded PNG header, in file order; *ticks gets the
// header's ticks per second.
inline std::vector<Size> MngSizes(const std::string& path, uint32_t* ticks = nullptr)
{
    std::vector<uint8_t> d;
    EXPECT_TRUE(ReadFileBytes(path, d)) << path;
    auto be32 = [&](size_t at) {
        return uint32_t(d[at]) << 24 | uint32_t(d[at + 1]) << 16 | uint32_t(d[at + 2]) << 8 | d[at + 3];
    };
    std::vector<Size> sizes;
    for (size_t at = 8; at + 12 <= d.size(); at += 12 + be32(at))
    {
        const std::string type(d.begin() + long(at) + 4, d.begin() + long(at) + 8);
        if (type == "MHDR" && ticks)
            *ticks = be32(at + 16);
        if (type == "MHDR" || type == "IHDR")
            sizes.emplace_back(be32(at + 8), be32(at + 12));
    }
    return sizes;
}

inline SequenceRecord Output(const std::string& folder) { return {folder, "ignored", "", "png", 0}; }

// An engine, a fresh batch file in a temporary folder and a progress recorder for each test.
struct BatchTest : ::testing::Test
{
    CTempDir dir;
    BatchFile batch;
    CProgressRecorder frame;

    void SetUp() override
    {
        ASSERT_TRUE(gxInitialize());
        ASSERT_TRUE(batch.NewBatchFile(dir.File("b.xml")));
    }
    void TearDown() override { gxDestroy(); }
};
} // namespace batchtest
