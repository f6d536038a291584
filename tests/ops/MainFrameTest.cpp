#include "FrameDouble.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace
{
TEST(MainFrame, MissingFrameIsLoggedAsAFailedCheck)
{
    mosvane::test::CTempDir dir;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path()); // the log goes to the current directory
    ASSERT_EQ(CMainFrame::s_pSingletonMainFrame, nullptr);
    EXPECT_EQ(GetMainFrame(), nullptr);
    { CProgress progress(3); } // reaches the frame through the same check, and does nothing
    std::filesystem::current_path(previous);

    std::string log;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
    {
        std::ifstream in(entry.path());
        log.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const std::string check = "IF_OK(CMainFrame::s_pSingletonMainFrame)\xE2\x98\x85 in MainFrm, ";
    const size_t first = log.find(check);
    EXPECT_NE(first, std::string::npos) << log;
    EXPECT_NE(log.find(check, first + 1), std::string::npos) << log;
    EXPECT_EQ(log.find(check, log.find(check, first + 1) + 1), std::string::npos) << log;
}

TEST(MainFrame, ProgressAndWaitCursorEndOnEveryWayOut)
{
    CFrameDouble frame;
    auto work = [](bool leaveEarly) {
        CWaitCursor wait;
        CProgress progress(3);
        progress.Step();
        if (leaveEarly)
            return;
        CWaitCursor nested;
        progress.Step();
    };
    work(true);
    work(false);
    EXPECT_EQ(frame.m_progress, (std::vector<std::string>{"begin 3", "step", "end", "begin 3", "step", "step", "end"}));
    EXPECT_EQ(frame.m_nCursorShown, 3);
    EXPECT_EQ(frame.m_nCursorDepth, 0);
    CProgress huge(int64_t(INT32_MAX) * 4);
    EXPECT_EQ(frame.m_progress.back(), "begin 2147483647");
}
} // namespace
