#include "OpsTestSupport.h"

#include <filesystem>

namespace mosvane::test
{
namespace
{
TEST(MainFrame, MissingFrameIsLoggedAsAFailedCheck)
{
    CTempDir dir;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path()); // the log goes to the current directory
    EXPECT_EQ(GetMainFrame(), nullptr);
    { CProgress progress(3); } // reaches the frame through the same check, and does nothing
    std::filesystem::current_path(previous);

    std::string log;
    for (const std::string& name : FolderNames(dir.Path()))
        log += ReadTextFile(dir.File(name));
    const std::string check = "IF_OK(CMainFrame::s_pSingletonMainFrame)\xE2\x98\x85 in MainFrm, 730";
    size_t found = 0;
    for (size_t at = log.find(check); at != std::string::npos; at = log.find(check, at + 1), ++found) {}
    EXPECT_EQ(found, 2u) << log;
}

TEST(MainFrame, NestedHooksPutBackWhatWasInstalled)
{
    {
        CFrameDouble outer;
        {
            CFrameDouble inner;
            EXPECT_EQ(GetMainFrame(), &inner);
            ShowFailed("a");
            EXPECT_EQ(inner.m_messages, Messages{"Fail exclamation: a"});
        }
        EXPECT_EQ(GetMainFrame(), &outer);
        CWaitCursor wait;
        ShowFailed("b");
        // The cursor is down while the message shows and up again afterwards.
        EXPECT_EQ(outer.m_messages, Messages{"Fail exclamation: b"});
        EXPECT_EQ(outer.m_nCursorDepth, 1);
    }
    EXPECT_EQ(CMainFrame::s_pSingletonMainFrame, nullptr);
    EXPECT_FALSE(InstalledFrameHooks().m_fnMessage || InstalledFrameHooks().m_fnBeginWait);
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
} // namespace mosvane::test
