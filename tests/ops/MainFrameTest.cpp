#include "OpsTestSupport.h"

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
    size_t found = 0;
    for (size_t at = log.find(check); at != std::string::npos; at = log.find(check, at + 1))
        ++found;
    EXPECT_EQ(found, 2u) << log;
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
    std::vector<std::string> expected = ProgressOf(3, 1);
    for (const std::string& call : ProgressOf(3, 2))
        expected.push_back(call);
    EXPECT_EQ(frame.m_progress, expected);
    EXPECT_EQ(frame.m_nCursorShown, 3);
    EXPECT_EQ(frame.m_nCursorDepth, 0);
    CProgress huge(int64_t(INT32_MAX) * 4);
    EXPECT_EQ(frame.m_progress.back(), "begin 2147483647");
}
} // namespace
