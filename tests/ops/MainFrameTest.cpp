#include "OpsTestSupport.h"

#include <filesystem>

namespace
{
TEST(MainFrame, MissingFrameIsLoggedAsAFailedCheck)
{
    mosvane::test::CTempDir dir;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path()); // the log goes to the current directory
    EXPECT_EQ(GetMainFrame(), nullptr);
    { CProgress progress(3); } // reaches the frame through the same check, and does nothing
    std::filesystem::current_path(previous);

    std::string log;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
    {
        std::vector<uint8_t> bytes;
        EXPECT_TRUE(mosvane::test::ReadFileBytes(entry.path().string(), bytes));
        log.append(bytes.begin(), bytes.end());
    }
    const std::string check = "IF_OK(CMainFrame::s_pSingletonMainFrame)\xE2\x98\x85 in MainFrm, ";
    size_t found = 0;
    for (size_t at = log.find(check); at != std::string::npos; at = log.find(check, at + 1), ++found) {}
    EXPECT_EQ(found, 2u) << log;
}

TEST(MainFrame, ProgressAndWaitCursorsNestAndEnd)
{
    CFrameDouble frame;
    {
        CWaitCursor wait, nested;
        CProgress progress(int64_t(INT32_MAX) * 4); // clamped to what the bar takes
        progress.Step();
        EXPECT_EQ(frame.m_nCursorDepth, 2);
    }
    EXPECT_EQ(frame.m_strProgress, "[2147483647.]");
    EXPECT_EQ(frame.m_nCursorDepth, 0);
    EXPECT_EQ(frame.m_nCursorShown, 2);
}
} // namespace
