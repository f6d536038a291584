// The split and the combine on several workers against one: the same files byte for byte, the same
// messages, progress and results, a failing cell reported as one worker reports it; and the
// workers joined when the caller's part fails.

#include "OpsTestSupport.h"
#include "support/SheetTesting.h"

#include "ops/CellWorkers.h"
#include "ops/Combine.h"
#include "ops/Split.h"

#include <filesystem>
#include <stdexcept>

namespace mosvane::test
{
namespace
{
struct CellWorkersTest : OpsFixture
{
    // Everything in the folder by name, each file with its bytes.
    std::vector<std::pair<std::string, std::vector<uint8_t>>> Files(const std::string& folder)
    {
        std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
        for (const std::string& name : FolderNames(folder))
        {
            files.push_back({name, {}});
            if (std::filesystem::is_regular_file(folder + "/" + name))
                ReadFileBytes(folder + "/" + name, files.back().second);
        }
        return files;
    }
    std::string Folder(int32_t workers) { return File("w" + std::to_string(workers)); }
};

constexpr int32_t kSeveral = 3; // more than this machine may have cores: threads all the same

TEST_F(CellWorkersTest, SeveralWorkersWriteWhatOneWrites)
{
    struct SCase
    {
        SPicture m_picture;
        int32_t m_nRows, m_nCols;
        SSplitSheet m_sheet;
    };
    const SCase cases[] = {
        {Pattern(203, 151, true), 7, 9, {ESheetData::JsonHash, 0, 0, true, false}}, // more cells than jobs
        {SplitSource(), 2, 3, {ESheetData::JsonArray, 0, 0, true, true}},           // trimmed and empty cells
    };
    for (const SCase& c : cases)
    {
        ASSERT_TRUE(DrawSplitLineCommand(c.m_nRows, c.m_nCols, Open(c.m_picture, "source.png"), m_grid));
        // Both runs write into the same folder, so that their messages name the same files.
        const std::string folder = File("out");
        Messages said[2];
        std::string progress[2];
        for (int32_t workers : {1, kSeveral})
        {
            std::filesystem::remove_all(folder);
            m_frame.m_messages.clear(), m_frame.m_strProgress.clear();
            SplitCommand({{folder, "cell", "##", "png", 1}, {}, {}, c.m_sheet}, m_image, m_grid, workers);
            CombineCommand({{folder, "sheet", "", "tga", 0}, {folder, "cell", "##", "png", 1}, c.m_nRows, c.m_nCols,
                            {ESheetData::JsonHash, true, 1, 2, 1}},
                           workers);
            said[workers > 1] = m_frame.m_messages;
            progress[workers > 1] = m_frame.m_strProgress;
            std::filesystem::rename(folder, Folder(workers));
        }
        ASSERT_EQ(said[0].size(), 2u);
        EXPECT_EQ(said[1], said[0]);
        EXPECT_EQ(progress[1], progress[0]);
        const auto one = Files(Folder(1));
        EXPECT_GT(one.size(), 6u);
        EXPECT_TRUE(Files(Folder(kSeveral)) == one) << c.m_nRows << " x " << c.m_nCols;
        std::filesystem::remove_all(Folder(1)), std::filesystem::remove_all(Folder(kSeveral));
    }
}

// Cells that cannot be written (a folder stands at their names) fail alone; the cells after them
// are written. A member that does not decode leaves its cell empty, the numbering going on.
TEST_F(CellWorkersTest, FailuresReadAsWithOneWorker)
{
    Open(Pattern(120, 90, false), "source.png");
    ASSERT_TRUE(m_grid.DrawSplitLines(3, 4, 120, 90));
    std::string outcome[2];
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files[2];
    for (int32_t workers : {1, kSeveral})
    {
        const std::string folder = Folder(workers);
        for (int n : {5, 12})
            std::filesystem::create_directories(Numbered(folder + "/c", n, 2, "png"));
        const SplitResult split = SplitImage(1, BuildNumberPattern(folder, "c", 2, "png"), m_image, m_grid, {}, workers);
        std::string& said = outcome[workers > 1];
        said = std::to_string(split.m_nWritten) + " " + std::to_string(split.m_nFailed) + " " +
               FileNameOf(split.m_strFirstFailed) + " " + gxGetLastErrorText() + "\n";
        ASSERT_TRUE(WriteFileBytes(Numbered(folder + "/c", 8, 2, "png"), {0x89, 'P', 'N', 'G'}));
        CEngineImage sheet;
        ComposeGrid(
            3, 4, 1, BuildNumberPattern(folder, "c", 2, "png"), sheet,
            [&](int64_t number, bool placed) {
                said += std::to_string(number) + (placed ? "" : std::string(" ") + gxGetLastErrorText()) + ",";
            },
            {}, nullptr, workers);
        EXPECT_TRUE(gxSaveImage((folder + "/sheet.bmp").c_str(), false));
        files[workers > 1] = Files(folder);
    }
    EXPECT_EQ(outcome[0], "10 2 c05.png Is a directory\n"
                          "1,2,3,4,5 Is a directory,6,7,8 not a PNG file,9,10,11,12 Is a directory,");
    EXPECT_EQ(outcome[1], outcome[0]);
    EXPECT_TRUE(files[1] == files[0]);
}

// The caller's part failing half way: the workers are joined and the failure reaches the caller.
TEST(CellWorkers, JoinedWhenTheCallerFails)
{
    std::vector<int64_t> taken;
    EXPECT_THROW(RunCellJobs<int64_t>(
                     40, kSeveral,
                     [](int64_t cell, int64_t& job) {
                         if (cell == 17)
                             throw std::runtime_error("make");
                         job = cell;
                     },
                     [](int64_t& job) { job *= 2; }, [&](int64_t, int64_t& job) { taken.push_back(job); }),
                 std::runtime_error);
    ASSERT_FALSE(taken.empty());
    for (size_t k = 0; k < taken.size(); ++k)
        EXPECT_EQ(taken[k], int64_t(2 * k));
}
} // namespace
} // namespace mosvane::test
