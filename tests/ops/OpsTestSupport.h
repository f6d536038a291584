#pragma once
// Pictures, files and the working-image fixture of the operation tests.

#include "FrameDouble.h"
#include "support/TestSupport.h"

#include "engine/HeadlessGl.h"
#include "engine/gx.h"
#include "image/WorkingImage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace opstest
{
inline std::vector<uint8_t> Rgba(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255)
{
    return {r, g, b, a};
}

// A w x h RGBA picture of one colour.
inline std::vector<uint8_t> Solid(uint32_t w, uint32_t h, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255)
{
    std::vector<uint8_t> rgba;
    for (size_t i = 0; i < size_t(w) * h; ++i)
        rgba.insert(rgba.end(), {r, g, b, a});
    return rgba;
}

inline std::vector<uint8_t> PixelAt(const std::vector<uint8_t>& rgba, uint32_t width, uint32_t x, uint32_t y)
{
    const auto at = rgba.begin() + long((size_t(y) * width + x) * 4);
    return std::vector<uint8_t>(at, at + 4);
}
} // namespace opstest

// A picture file written by ImageMagick (options pick the layout); the test stops on failure.
#define WRITE_PICTURE(rgba, w, h, path, ...)                                                                     \
    ASSERT_TRUE(mosvane::test::MagickWriteRgba(rgba, w, h, path __VA_OPT__(, ) __VA_ARGS__)) << (path)
// Decoded by ImageMagick into RGBA; the test stops on failure.
#define READ_PICTURE(path, w, h, rgba) ASSERT_TRUE(mosvane::test::MagickReadRgba(path, w, h, rgba)) << (path)

// The engine, a temp folder, the frame double, and (with a headless GL context) a working image.
struct OpsFixture : ::testing::Test
{
    void SetUp() override
    {
        ASSERT_TRUE(mosvane::test::HaveImageMagick());
        ASSERT_TRUE(m_gl.Ok());
        ASSERT_TRUE(gxInitialize());
        m_image.SetRedrawCallback([this] { ++m_nRedraws; });
        m_output = SequenceRecord{m_dir.Path(), "out", "", "png", 0};
    }
    void TearDown() override
    {
        m_image.ReleaseImage();
        gxDestroy();
    }

    // Writes the picture with ImageMagick and makes it the working image.
    void Open(const std::vector<uint8_t>& rgba, uint32_t w, uint32_t h, const std::string& name,
              const std::string& options = "")
    {
        WRITE_PICTURE(rgba, w, h, m_dir.File(name), options);
        ASSERT_TRUE(m_image.LoadImageFile(m_dir.File(name).c_str())) << name;
    }
    std::vector<uint8_t> Pixels() const
    {
        const auto& img = m_image.m_gxImg;
        return std::vector<uint8_t>(img.data, img.data + size_t(img.width) * img.height * img.bytesPerPixel);
    }

    CHeadlessGl m_gl;
    mosvane::test::CTempDir m_dir;
    CFrameDouble m_frame;
    CWorkingImage m_image;
    SequenceRecord m_output;
    int m_nRedraws = 0;
};
