#pragma once
// A fixture for the operations on the working image: a headless GL context, the engine, a temp
// folder, the frame double and a working image loaded from a picture that ImageMagick wrote.

#include "FrameDouble.h"
#include "OpsTestSupport.h"

#include "engine/HeadlessGl.h"
#include "engine/gx.h"
#include "image/WorkingImage.h"

#include <gtest/gtest.h>

struct WorkingImageOps : ::testing::Test
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

    // Writes the picture with ImageMagick (options pick the layout) and makes it the working image.
    void Open(const std::vector<uint8_t>& rgba, uint32_t w, uint32_t h, const std::string& name,
              const std::string& options = "")
    {
        const std::string path = m_dir.File(name);
        WRITE_PICTURE(rgba, w, h, path, options);
        ASSERT_TRUE(m_image.LoadImageFile(path.c_str())) << path;
    }

    // The working image's pixels as they are now.
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

// Expects exactly one message with this text, caption and icon.
#define EXPECT_ONLY_MESSAGE(frame, text, caption, icon)                                                           \
    do                                                                                                             \
    {                                                                                                              \
        const SRecordedMessage only = (frame).OnlyMessage();                                                       \
        EXPECT_EQ(only.m_strText, text);                                                                           \
        EXPECT_EQ(only.m_strCaption, caption);                                                                     \
        EXPECT_EQ(only.m_eIcon, icon);                                                                             \
    } while (0)
