#include "ConfigTestFolder.h"
#include "config/Log.h"

#include <algorithm>
#include <ctime>
#include <regex>

namespace
{
namespace fs = std::filesystem;
using mosvane::test::FolderNames;
using mosvane::test::ReadTextFile;

struct Log : ::testing::Test
{
    mosvane::test::CTempDir m_dir;
    void SetUp() override { SetLogFolder(m_dir.Path()); }
    void TearDown() override { SetLogFolder(""); }
    std::vector<std::string> Files() const { return FolderNames(m_dir.Path()); }
};

// The error log's name for the day of `t`; a rolled file adds the time of day.
std::string LogName(std::time_t t, bool rolled = false)
{
    std::tm l{};
    localtime_r(&t, &l);
    const std::string day = std::to_string(l.tm_year + 1900) + "-" + std::to_string(l.tm_mon + 1) + "-" + std::to_string(l.tm_mday);
    return "error " + day + (rolled ? "." + std::to_string((l.tm_hour * 100 + l.tm_min) * 100 + l.tm_sec) : "") + ".log";
}

const std::string kWhen = R"( -- (Sun|Mon|Tue|Wed|Thu|Fri|Sat) [A-Z][a-z]{2} [ 1-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9] [0-9]{4}\r\n\r\n)";

TEST_F(Log, EntriesOfOneDayShareAFileChecksKeepTheirFormsAndLongMessagesAreCut)
{
    testing::internal::CaptureStderr();
    WriteLog("error", "first %d", 1);
    WriteLog("error", "second %s", "entry");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "first 1\nsecond entry\n");

    testing::internal::CaptureStderr();
    WriteLog("error", "%s", std::string(3000, 'x').c_str());
    LogCheckFailure(kLogIfOkFormat, "CMainFrame::s_pSingletonMainFrame", "MainFrm", 12);
    LogCheckFailure(kLogCheckfFormat, "100% %s %n", "MosvaneView", 582); // never a format again
    const int value = 3, line = __LINE__ + 1;
    EXPECT_FALSE(MOSVANE_CHECKF(value == 2));
    EXPECT_TRUE(MOSVANE_IF_OK(value == 3));
    WriteLog(nullptr, "x");
    WriteLog("error", nullptr);
    testing::internal::GetCapturedStderr();

    ASSERT_EQ(Files(), std::vector<std::string>{LogName(std::time(nullptr))});
    const std::string text = ReadTextFile(m_dir.File(Files()[0]));
    const std::string expected = "first 1" + kWhen + "second entry" + kWhen + "x{" +
                                 std::to_string(kLogMessageBuffer - 1) + "}" + kWhen +
                                 "IF_OK\\(CMainFrame::s_pSingletonMainFrame\\)\u2605 in MainFrm, 12" + kWhen +
                                 "\u2605CHECKF\\(100% %s %n\\)\u2605 in MosvaneView, 582" + kWhen +
                                 "\u2605CHECKF\\(value == 2\\)\u2605 in LogTest, " + std::to_string(line) + kWhen;
    EXPECT_TRUE(std::regex_match(text, std::regex(expected))) << text;
}

TEST_F(Log, AFileReachingTheThresholdIsRolledAsideNeverOverAnotherAndTheNextEntryStartsAFreshOne)
{
    const std::string plain = LogName(std::time(nullptr));
    ASSERT_TRUE(mosvane::test::WriteFileBytes(m_dir.File(plain), {}));
    fs::resize_file(m_dir.File(plain), kLogRollThreshold - 10); // sparse
    testing::internal::CaptureStderr();
    WriteLog("error", "tips it over");
    std::vector<std::string> files = Files();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_TRUE(std::regex_match(files[0], std::regex("error [0-9]{4}-[0-9]{1,2}-[0-9]{1,2}\\.[0-9]{1,6}\\.log"))) << files[0];
    EXPECT_GE(fs::file_size(m_dir.File(files[0])), kLogRollThreshold);

    WriteLog("error", "fresh");
    files = Files();
    ASSERT_EQ(files.size(), 2u);
    ASSERT_TRUE(std::count(files.begin(), files.end(), plain));
    EXPECT_TRUE(std::regex_match(ReadTextFile(m_dir.File(plain)), std::regex("fresh" + kWhen)));

    // A rolled file of the same second is never replaced: the roll waits for the next entry.
    fs::resize_file(m_dir.File(plain), kLogRollThreshold);
    std::vector<std::string> taken;
    for (std::time_t t = std::time(nullptr), end = t + 3; t < end; ++t)
        ASSERT_TRUE(mosvane::test::WriteFileBytes(m_dir.File(taken.emplace_back(LogName(t, true))), {'k'}));
    WriteLog("error", "no room");
    testing::internal::GetCapturedStderr();
    EXPECT_GT(fs::file_size(m_dir.File(plain)), kLogRollThreshold);
    for (const std::string& name : taken)
        EXPECT_EQ(fs::file_size(m_dir.File(name)), 1u) << name;
}

TEST_F(Log, UnwritableFolderStillEchoesTheEntry)
{
    SetLogFolder(m_dir.File("no/such/folder"));
    testing::internal::CaptureStderr();
    WriteLog("error", "still %s", "here");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "still here\n");
    EXPECT_TRUE(Files().empty());
}
} // namespace
