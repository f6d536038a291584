#include "OpsTestSupport.h"

#include <filesystem>

namespace mosvane::test
{
namespace
{
struct CPanelFreeFrameDouble : CPanelFreeFrame
{
    void* GetFrameWindow() override { return this; }
    void BeginProgress(int32_t) override {}
    void StepProgress() override {}
    void EndProgress() override {}
};

TEST(MainFrame, MissingFrameIsLoggedAsAFailedCheck)
{
    CTempDir dir;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path()); // the log goes to the current directory
    EXPECT_EQ(GetMainFrame(), nullptr);
    { CProgress progress(3); } // reaches the frame through the same check, and does nothing
    std::filesystem::current_path(previous);

    std::string log;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
    {
        std::vector<uint8_t> bytes;
        EXPECT_TRUE(ReadFileBytes(entry.path().string(), bytes));
        log.append(bytes.begin(), bytes.end());
    }
    const std::string check = "IF_OK(CMainFrame::s_pSingletonMainFrame)\xE2\x98\x85 in MainFrm, 730";
    size_t found = 0;
    for (size_t at = log.find(check); at != std::string::npos; at = log.find(check, at + 1), ++found) {}
    EXPECT_EQ(found, 2u) << log;
}

TEST(MainFrame, NestedHooksPutBackWhatWasInstalled)
{
    CPanelFreeFrameDouble outer, inner;
    std::string said;
    const auto record = [&](const char* who) {
        return [&said, who](const std::string& text, const std::string&, EMessageIcon, void*) { said += who + text; };
    };
    {
        CFrameHooks first({&outer, record("outer:")});
        {
            CFrameHooks second({&inner, record("inner:")});
            EXPECT_EQ(GetMainFrame(), &inner);
            ShowFailed("a ");
        }
        EXPECT_EQ(GetMainFrame(), &outer);
        EXPECT_FALSE(InstalledFrameHooks().m_fnBeginWait);
        ShowFailed("b ");
    }
    EXPECT_EQ(CMainFrame::s_pSingletonMainFrame, nullptr);
    EXPECT_FALSE(InstalledFrameHooks().m_fnMessage);
    EXPECT_EQ(said, "inner:a outer:b ");
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
