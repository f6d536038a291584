#pragma once
// Pictures, batch files and a progress recorder for the batch and runner tests.

#include "batch/BatchExecute.h"
#include "batch/ConsoleFrame.h"
#include "engine/gx.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace batchtest
{
using namespace mosvane::test;
using Pixel = std::vector<uint8_t>;

// A frame that records the progress calls as "begin N", "step", "end".
class CProgressRecorder : public CConsoleFrame
{
public:
    CProgressRecorder() : CConsoleFrame(m_sink, false), m_registration(*this) {}
    void BeginProgress(int32_t count) override { m_calls.push_back("begin " + std::to_string(count)); }
    void StepProgress() override { m_calls.push_back("step"); }
    void EndProgress() override { m_calls.push_back("end"); }

    std::vector<std::string> m_calls;

private:
    std::ostringstream m_sink;
    CMainFrameRegistration m_registration;
};

inline std::vector<uint8_t> Solid(uint32_t w, uint32_t h, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255)
{
    std::vector<uint8_t> rgba(size_t(w) * h * 4);
    for (size_t i = 0; i < rgba.size(); i += 4)
        rgba[i] = r, rgba[i + 1] = g, rgba[i + 2] = b, rgba[i + 3] = a;
    return rgba;
}

// A decoded picture (by ImageMagick, the independent reader), RGBA top row first.
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

inline SPicture Read(const std::string& path)
{
    SPicture picture;
    EXPECT_TRUE(MagickReadRgba(path, picture.m_nWidth, picture.m_nHeight, picture.m_rgba)) << path;
    return picture;
}

inline Pixel PixelOf(const std::vector<uint8_t>& rgba, uint32_t width, uint32_t x, uint32_t y)
{
    const auto p = rgba.begin() + long((size_t(y) * width + x) * 4);
    return Pixel(p, p + 4);
}

// Equal within a rounding step of GL's blending, channel by channel.
inline bool Near(const Pixel& a, const Pixel& b, int tolerance = 2)
{
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (std::abs(int(a[i]) - int(b[i])) > tolerance)
            return false;
    return a.size() == b.size();
}

#define WRITE_PICTURE(rgba, w, h, path, ...)                                                                     \
    ASSERT_TRUE(mosvane::test::MagickWriteRgba(rgba, w, h, path __VA_OPT__(, ) __VA_ARGS__)) << (path)

inline SequenceRecord Output(const std::string& folder, const std::string& type = "png")
{
    return SequenceRecord{folder, "ignored", "", type, 0};
}

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
