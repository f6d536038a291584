#pragma once
// Shared by the operation tests: a main frame double recording what the operations show, pictures
// written and read back through ImageMagick, and a fixture with the engine and a working image.

#include "support/FrameDouble.h"
#include "support/TestSupport.h"

#include "engine/HeadlessGl.h"
#include "engine/gx.h"
#include "image/WorkingImage.h"
#include "ops/SplitGrid.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace mosvane::test
{
// Writes the pictures as a numbered sequence from `from` on; an empty picture leaves its number out.
inline void WriteSequence(const std::string& stem, int from, int digits, const std::string& type,
                          const std::vector<SPicture>& pictures)
{
    for (size_t k = 0; k < pictures.size(); ++k)
        if (!pictures[k].m_rgba.empty())
            Put(Numbered(stem, from + int(k), digits, type), pictures[k]);
}

struct OpsFixture : ::testing::Test
{
    void SetUp() override
    {
        ASSERT_TRUE(HaveImageMagick());
        ASSERT_TRUE(m_gl.Ok());
        ASSERT_TRUE(gxInitialize());
        m_image.SetRedrawCallback([this] { ++m_nRedraws; });
        m_output = Output("png");
        WriteTextFile(File("gone"), "");
    }
    void TearDown() override
    {
        m_image.ReleaseImage();
        gxDestroy();
    }

    const std::string& Dir() const { return m_dir.Path(); }
    std::string File(const std::string& name) const { return m_dir.File(name); }
    // Output settings naming out.<type> in the temp folder, or in a folder that cannot be made (a
    // regular file "gone" stands where it would be).
    SequenceRecord Output(const std::string& type) const { return {Dir(), "out", "", type, 0}; }
    SequenceRecord Gone(const std::string& type) const { return {File("gone"), "out", "", type, 0}; }

    // Writes the picture and makes it the working image.
    CWorkingImage& Open(const SPicture& picture, const std::string& name, const std::string& options = "")
    {
        Put(File(name), picture, options);
        EXPECT_TRUE(m_image.LoadImageFile(File(name).c_str())) << name;
        return m_image;
    }
    std::vector<uint8_t> Pixels() const
    {
        const auto& img = m_image.m_gxImg;
        return std::vector<uint8_t>(img.data, img.data + size_t(img.width) * img.height * img.bytesPerPixel);
    }

    CHeadlessGl m_gl;
    CTempDir m_dir;
    CFrameDouble m_frame;
    CWorkingImage m_image;
    CSplitGrid m_grid;
    SequenceRecord m_output;
    int m_nRedraws = 0;
};
} // namespace mosvane::test
