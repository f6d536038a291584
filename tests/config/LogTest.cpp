#include "config/Log.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

namespace
{
namespace fs = std::filesystem;
using mosvane::test::CTempDir;

struct Log : ::testing::Test
{
    CTempDir m_dir;
    void SetUp() override { SetLogFolder(m_dir.Path()); }
    void TearDown() override { SetLogFolder(""); }

    std::vector<std::string> Files() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir.Path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string Read(const std::string& name) const
    {
        std::vector<uint8_t> bytes;
        EXPECT_TRUE(mosvane::test::ReadFileBytes(m_dir.File(name), bytes));
        return std::string(bytes.begin(), bytes.end());
    }
};

std::string TodayName(const char* prefix)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return std::string(prefix) + " " + std::to_string(local.tm_year + 1900) + "-" + std::to_string(local.tm_mon + 1) +
           "-" + std::to_string(local.tm_mday) + ".log";
}

const std::string kWhen = R"( -- (Sun|Mon|Tue|Wed|Thu|Fri|Sat) [A-Z][a-z]{2} [ 1-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9] [0-9]{4}\r\n\r\n)";

TEST_F(Log, EntriesOfOneDayShareAFileEachFollowedByAnEmptyCrLfLine)
{
    testing::internal::CaptureStderr();
    WriteLog("error", "first %d", 1);
    WriteLog("error", "second %s", "entry");
    const std::string echoed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(echoed, "first 1\nsecond entry\n");

    const std::vector<std::string> files = Files();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0], TodayName("error"));
    EXPECT_TRUE(std::regex_match(Read(files[0]), std::regex("first 1" + kWhen + "second entry" + kWhen)));

    WriteLog(nullptr, "x");
    WriteLog("error", nullptr);
    EXPECT_EQ(Files().size(), 1u);
}

TEST_F(Log, ChecksAreWrittenInTheirFormsAndMessagesAreNeverFormatsAgain)
{
    testing::internal::CaptureStderr();
    LogCheckFailure(kLogIfOkFormat, "CMainFrame::s_pSingletonMainFrame", "MainFrm", 12);
    LogCheckFailure(kLogCheckfFormat, "100% %s %n", "MosvaneView", 582);
    const int value = 3;
    const int line = __LINE__ + 1;
    const bool held = MOSVANE_CHECKF(value == 2);
    EXPECT_TRUE(MOSVANE_IF_OK(value == 3));
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(held);

    const std::string text = Read(Files().at(0));
    const std::string expected = "IF_OK\\(CMainFrame::s_pSingletonMainFrame\\)\u2605 in MainFrm, 12" + kWhen +
                                 "\u2605CHECKF\\(100% %s %n\\)\u2605 in MosvaneView, 582" + kWhen +
                                 "\u2605CHECKF\\(value == 2\\)\u2605 in LogTest, " + std::to_string(line) + kWhen;
    EXPECT_TRUE(std::regex_match(text, std::regex(expected))) << text;
}

TEST_F(Log, LongMessagesAreCutToTheBuffer)
{
    const std::string longText(3000, 'x');
    testing::internal::CaptureStderr();
    WriteLog("error", "%s", longText.c_str());
    testing::internal::GetCapturedStderr();
    const std::string text = Read(Files().at(0));
    EXPECT_EQ(text.find(" -- "), kLogMessageBuffer - 1);
}

TEST_F(Log, AFileReachingTheThresholdIsRolledAsideAndTheNextEntryStartsAFreshOne)
{
    const std::string plain = TodayName("error");
    ASSERT_TRUE(mosvane::test::WriteFileBytes(m_dir.File(plain), {}));
    fs::resize_file(m_dir.File(plain), kLogRollThreshold - 10); // sparse
    testing::internal::CaptureStderr();
    WriteLog("error", "tips it over");
    std::vector<std::string> files = Files();
    ASSERT_EQ(files.size(), 1u);
    const std::string rolled = files[0];
    EXPECT_TRUE(std::regex_match(rolled, std::regex("error [0-9]{4}-[0-9]{1,2}-[0-9]{1,2}\\.[0-9]{1,6}\\.log"))) << rolled;
    EXPECT_GE(fs::file_size(m_dir.File(rolled)), kLogRollThreshold);

    WriteLog("error", "fresh");
    files = Files();
    ASSERT_EQ(files.size(), 2u);
    ASSERT_TRUE(std::count(files.begin(), files.end(), plain));
    EXPECT_TRUE(std::regex_match(Read(plain), std::regex("fresh" + kWhen)));

    // A rolled file of the same second is never replaced: the roll waits for the next entry.
    fs::resize_file(m_dir.File(plain), kLogRollThreshold);
    const std::time_t now = std::time(nullptr);
    std::vector<std::string> taken;
    for (std::time_t t = now; t < now + 3; ++t)
    {
        std::tm local{};
        localtime_r(&t, &local);
        const std::string name = "error " + std::to_string(local.tm_year + 1900) + "-" + std::to_string(local.tm_mon + 1) +
                                 "-" + std::to_string(local.tm_mday) + "." +
                                 std::to_string((local.tm_hour * 100 + local.tm_min) * 100 + local.tm_sec) + ".log";
        ASSERT_TRUE(mosvane::test::WriteFileBytes(m_dir.File(name), {'k'}));
        taken.push_back(name);
    }
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
