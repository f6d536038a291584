#pragma once
// Pictures, batch files and a progress recorder for the batch tests.

#include "batch/BatchExecute.h"
#include "batch/ConsoleFrame.h"
#include "engine/gx.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace batchtest
{
using mosvane::test::CTempDir;
using mosvane::test::FileExists;

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

// A w x h RGBA picture whose pixel (x, y) is (x, y, x + y, alpha).
inline std::vector<uint8_t> Ramp(uint32_t w, uint32_t h, uint8_t alpha = 255)
{
    std::vector<uint8_t> rgba(size_t(w) * h * 4);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
        {
            uint8_t* p = &rgba[(size_t(y) * w + x) * 4];
            p[0] = uint8_t(x), p[1] = uint8_t(y), p[2] = uint8_t(x + y), p[3] = alpha;
        }
    return rgba;
}

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

    std::vector<uint8_t> At(uint32_t x, uint32_t y) const
    {
        const auto p = m_rgba.begin() + long((size_t(y) * m_nWidth + x) * 4);
        return std::vector<uint8_t>(p, p + 4);
    }
};

inline SPicture Read(const std::string& path)
{
    SPicture picture;
    EXPECT_TRUE(mosvane::test::MagickReadRgba(path, picture.m_nWidth, picture.m_nHeight, picture.m_rgba)) << path;
    return picture;
}

#define WRITE_PICTURE(rgba, w, h, path, ...)                                                                     \
    ASSERT_TRUE(mosvane::test::MagickWriteRgba(rgba, w, h, path __VA_OPT__(, ) __VA_ARGS__)) << (path)

// An engine for each test, freed afterwards.
struct EngineTest : ::testing::Test
{
    void SetUp() override { ASSERT_TRUE(gxInitialize()); }
    void TearDown() override { gxDestroy(); }
};

inline SequenceRecord Output(const std::string& folder, const std::string& type = "png")
{
    SequenceRecord output;
    output.m_strFolder = folder;
    output.m_strType = type;
    output.m_strTitle = "ignored";
    return output;
}
} // namespace batchtest
