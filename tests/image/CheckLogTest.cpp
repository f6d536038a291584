// The failed checks of the working image and the render target reach the log under the source
// names and lines their readers know them by.

#include "config/Log.h"
#include "image/OglRenderToTexture.h"
#include "image/WorkingImage.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>


namespace
{
using namespace mosvane::test;

TEST(ImageChecks, LogTheConditionFileAndLine)
{
    const std::vector<std::pair<void (*)(), std::string>> cases = {
        {&LogMissingImageData, "\u2605CHECKF(m_gxImg.data)\u2605 in MosvaneView, 582 -- "},
        {&LogNoPbufferFormat, "\u2605CHECKF(nFormats)\u2605 in OglRenderToTexture, 48 -- "},
    };
    for (const auto& [log, line] : cases)
    {
        CTempDir dir;
        SetLogFolder(dir.Path());
        log();
        SetLogFolder("");
        const std::vector<std::string> files = FolderNames(dir.Path());
        ASSERT_EQ(files.size(), 1u);
        const std::string text = ReadTextFile(dir.File(files[0]));
        EXPECT_EQ(text.rfind(line, 0), 0u) << text;
    }
}
} // namespace
