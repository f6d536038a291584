#include "FrameDouble.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace
{
using mosvane::test::CTempDir;

// Runs the body with the current directory in a fresh folder, where the log files land.
class CInTempDir
{
public:
    CInTempDir() : m_previous(std::filesystem::current_path()) { std::filesystem::current_path(m_dir.Path()); }
    ~CInTempDir() { std::filesystem::current_path(m_previous); }
    std::string ReadAllLogs() const
    {
        std::string text;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path()))
        {
            std::ifstream in(entry.path());
            std::stringstream content;
            content << in.rdbuf();
            text += content.str();
        }
        return text;
    }

private:
    CTempDir m_dir;
    std::filesystem::path m_previous;
};

size_t CountOf(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

TEST(MainFrame, MissingFrameIsLoggedAsAFailedCheck)
{
    CInTempDir dir;
    ASSERT_EQ(CMainFrame::s_pSingletonMainFrame, nullptr);
    EXPECT_EQ(GetMainFrame(), nullptr);
    const std::string log = dir.ReadAllLogs();
    EXPECT_EQ(CountOf(log, "IF_OK(CMainFrame::s_pSingletonMainFrame)\xE2\x98\x85 in MainFrm, "), 1u) << log;
    EXPECT_EQ(FrameWindowOrNull(), nullptr);
}

TEST(MainFrame, RegistrationInstallsAndRestoresTheFrame)
{
    CInTempDir dir;
    {
        CFrameDouble outer;
        EXPECT_EQ(GetMainFrame(), &outer);
        {
            CFrameDouble inner;
            EXPECT_EQ(GetMainFrame(), &inner);
            EXPECT_EQ(FrameWindowOrNull(), &inner.m_window);
        }
        EXPECT_EQ(GetMainFrame(), &outer);
        ShowFrameMessage("text", "caption", EMessageIcon::Information);
        const SRecordedMessage message = outer.OnlyMessage();
        EXPECT_EQ(message.m_pOwner, &outer.m_window);
    }
    EXPECT_EQ(CMainFrame::s_pSingletonMainFrame, nullptr);
    EXPECT_EQ(dir.ReadAllLogs(), "");
}

TEST(MainFrame, ProgressEndsOnEveryWayOut)
{
    CFrameDouble frame;
    auto work = [](bool leaveEarly) {
        CProgress progress(3);
        progress.Step();
        if (leaveEarly)
            return;
        progress.Step();
    };
    work(true);
    work(false);
    EXPECT_EQ(frame.m_progress,
              (std::vector<std::string>{"begin 3", "step", "end", "begin 3", "step", "step", "end"}));
    CProgress huge(int64_t(INT32_MAX) * 4);
    EXPECT_EQ(frame.m_progress.back(), "begin 2147483647");
}

TEST(MainFrame, WaitCursorHooksNestAndDefaultToNothing)
{
    {
        CWaitCursor withoutHooks;
    }
    CFrameDouble frame;
    {
        CWaitCursor outer;
        CWaitCursor inner;
        EXPECT_EQ(frame.m_nCursorDepth, 2);
    }
    EXPECT_EQ(frame.m_nCursorDepth, 0);
    EXPECT_EQ(frame.m_nCursorShown, 2);
}
} // namespace
