#pragma once
// Shared by the operation tests: a main frame double recording what the operations show, pictures
// written and read back through ImageMagick, and a fixture with the engine and a working image.

#include "support/TestSupport.h"

#include "engine/HeadlessGl.h"
#include "engine/gx.h"
#include "image/WorkingImage.h"
#include "ops/FrameHooks.h"
#include "ops/MainFrame.h"
#include "ops/MessageBox.h"
#include "ops/SplitGrid.h"
#include "ops/WaitCursor.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

// A message as the frame double records it: "<caption> <icon>: <text>".
inline std::string Said(const std::string& text, const std::string& caption, EMessageIcon icon)
{
    return caption + " " + std::array{"information", "exclamation", "stop"}[int(icon)] + ": " + text;
}
using Messages = std::vector<std::string>;
inline Messages Succeeded(const std::string& text) { return {Said(text, "Succeed", EMessageIcon::Information)}; }

// Installs itself, the message handler and the wait-cursor hooks while it lives, and puts back
// what was there before. A message not owned by the frame window is marked so.
class CFrameDouble : public CPanelFreeFrame
{
public:
    CFrameDouble()
        : m_hooks({this,
                   [this](const std::string& text, const std::string& caption, EMessageIcon icon, void* owner) {
                       m_messages.push_back(Said(text, caption, icon) + (owner == &m_window ? "" : " (no owner)"));
                   },
                   [this] { ++m_nCursorDepth, ++m_nCursorShown; }, [this] { --m_nCursorDepth; }})
    {
    }

    // The operations take their settings as arguments; no panel is read here.
    void* GetFrameWindow() override { return &m_window; }
    void BeginProgress(int32_t count) override { m_strProgress += "[" + std::to_string(count); }
    void StepProgress() override { m_strProgress += "."; }
    void EndProgress() override { m_strProgress += "]"; }

    int m_window = 0; // its address is the frame window handle
    Messages m_messages;
    std::string m_strProgress; // "[count", a "." a step, "]"
    int m_nCursorDepth = 0, m_nCursorShown = 0;

private:
    CFrameHooks m_hooks;
};

using Pixel = std::vector<uint8_t>;
using Size = std::pair<uint32_t, uint32_t>;

// An RGBA picture, top row first.
struct SPicture
{
    uint32_t m_nWidth = 0, m_nHeight = 0;
    std::vector<uint8_t> m_rgba;

    Size Dims() const { return {m_nWidth, m_nHeight}; }
    Pixel At(uint32_t x, uint32_t y) const
    {
        const auto at = m_rgba.begin() + long((size_t(y) * m_nWidth + x) * 4);
        return Pixel(at, at + 4);
    }
};

inline SPicture Solid(uint32_t w, uint32_t h, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255)
{
    SPicture picture{w, h, std::vector<uint8_t>(size_t(w) * h * 4, a)};
    for (size_t i = 0; i < picture.m_rgba.size(); i += 4)
        picture.m_rgba[i] = r, picture.m_rgba[i + 1] = g, picture.m_rgba[i + 2] = b;
    return picture;
}
inline SPicture Pattern(uint32_t w, uint32_t h, bool alpha) { return {w, h, mosvane::test::PatternRgba(w, h, alpha)}; }

// Written by ImageMagick; options pick the layout ("-type TrueColor").
inline void Write(const SPicture& picture, const std::string& path, const std::string& options = "")
{
    EXPECT_TRUE(mosvane::test::MagickWriteRgba(picture.m_rgba, picture.m_nWidth, picture.m_nHeight, path, options))
        << path;
}
inline SPicture ReadBack(const std::string& path)
{
    SPicture picture;
    EXPECT_TRUE(mosvane::test::MagickReadRgba(path, picture.m_nWidth, picture.m_nHeight, picture.m_rgba)) << path;
    return picture;
}

// stem, the number zero-padded to digits, ".", type: composed without the code under test.
inline std::string Numbered(const std::string& stem, int number, int digits, const std::string& type)
{
    char field[32];
    std::snprintf(field, sizeof field, "%0*d", digits, number);
    return stem + field + "." + type;
}
// Writes the pictures as a numbered sequence from `from` on; an empty picture leaves its number out.
inline void WriteSequence(const std::string& stem, int from, int digits, const std::string& type,
                          const std::vector<SPicture>& pictures)
{
    for (size_t k = 0; k < pictures.size(); ++k)
        if (!pictures[k].m_rgba.empty())
            Write(pictures[k], Numbered(stem, from + int(k), digits, type));
}

struct OpsFixture : ::testing::Test
{
    void SetUp() override
    {
        ASSERT_TRUE(mosvane::test::HaveImageMagick());
        ASSERT_TRUE(m_gl.Ok());
        ASSERT_TRUE(gxInitialize());
        m_image.SetRedrawCallback([this] { ++m_nRedraws; });
        m_output = Output("png");
    }
    void TearDown() override
    {
        m_image.ReleaseImage();
        gxDestroy();
    }

    const std::string& Dir() const { return m_dir.Path(); }
    std::string File(const std::string& name) const { return m_dir.File(name); }
    // Output settings naming out.<type> in the temp folder, or in a folder that does not exist.
    SequenceRecord Output(const std::string& type) const { return {Dir(), "out", "", type, 0}; }
    SequenceRecord Gone(const std::string& type) const { return {File("gone"), "out", "", type, 0}; }

    // Writes the picture and makes it the working image.
    CWorkingImage& Open(const SPicture& picture, const std::string& name, const std::string& options = "")
    {
        Write(picture, File(name), options);
        EXPECT_TRUE(m_image.LoadImageFile(File(name).c_str())) << name;
        return m_image;
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
    CSplitGrid m_grid;
    SequenceRecord m_output;
    int m_nRedraws = 0;
};
