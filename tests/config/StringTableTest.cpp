#include "ConfigTestFolder.h"
#include "config/StringTable.h"

#include <cstring>
#include <tuple>

namespace
{
using namespace mosvane::test;

// The strings of a filter list: description, patterns, description, patterns...
std::vector<std::string> FilterList(const char* p)
{
    std::vector<std::string> out;
    for (; *p; p += out.back().size() + 1)
        out.emplace_back(p);
    return out;
}

// The Open dialog offers every type the engine reads.
TEST(StringTable, ShippedOpenFiltersNameEveryReadableType)
{
    CStringTable table;
    ASSERT_TRUE(table.LoadStringTable()); // beside the test executable
    const std::vector<std::string> open = FilterList(table.GetStringAt(StbOpenFilters));
    ASSERT_GE(open.size(), 2u);
    for (const char* ext : {"*.bmp", "*.jpg", "*.tga", "*.png", "*.gif", "*.dds"})
        EXPECT_NE(open[1].find(ext), std::string::npos) << ext;
}

TEST(StringTable, EmptyShortAndReplacedFiles)
{
    CProgramFolder folder, missing;
    CStringTable table;
    // An empty table gives the shipped English texts, never a message without words or a dialog
    // without file types.
    CStringTable shipped;
    ASSERT_TRUE(shipped.LoadStringTable());
    folder.Write("StringTable.stb", "");
    ASSERT_TRUE(table.LoadStringTable(folder.Path()));
    EXPECT_EQ(table.Size(), 0u);
    for (StringTableOffset at : {StbImageOpenCaption, StbImageOpenText, StbOpenFilters, StbSaveFilters})
    {
        EXPECT_STREQ(table.GetStringAt(at), shipped.GetStringAt(at)) << at;
        EXPECT_EQ(FilterList(table.GetStringAt(at)), FilterList(shipped.GetStringAt(at))) << at;
    }
    // A last text without its NUL still ends; a short table falls back for the texts it lacks,
    // and an offset the program does not read, past the end, reads as empty.
    folder.Write("StringTable.stb", std::string("\0Oops\0\0\0\0", 9));
    ASSERT_TRUE(table.LoadStringTable(folder.Path()));
    EXPECT_EQ(std::make_tuple(std::string(table.GetStringAt(1)), std::string(table.GetStringAt(4)),
                              std::string(table.GetStringAt(StbImageOpenText)), std::string(table.GetStringAt(50))),
              std::make_tuple("Oops", "s", std::string(shipped.GetStringAt(StbImageOpenText)), ""));
    folder.Write("StringTable.stb", std::string("\0Oops", 5));
    ASSERT_TRUE(table.LoadStringTable(folder.Path()));
    EXPECT_STREQ(table.GetStringAt(1), "Oops");
    // A missing file or a device in its place fails, keeping what was loaded.
    EXPECT_FALSE(table.LoadStringTable(missing.Path()));
    std::filesystem::create_symlink("/dev/zero", missing.File("StringTable.stb"));
    EXPECT_FALSE(table.LoadStringTable(missing.Path()));
    EXPECT_STREQ(table.GetStringAt(1), "Oops");
}


// The generator of the shipped file; it refuses sources whose texts do not fit.
int RunGenerator(const CProgramFolder& folder, const std::string& source)
{
    folder.Write("source.txt", source);
    return RunCommand(ShellQuote(BinDir() + "/mosvane_make_stringtable") + " " + ShellQuote(folder.File("source.txt")) +
                      " " + ShellQuote(folder.File("out.stb")) + " 2>/dev/null");
}

TEST(StringTableGenerator, PlacesTextsAndRefusesWhatDoesNotFit)
{
    CProgramFolder folder;
    ASSERT_EQ(RunGenerator(folder, "# c\r\n@1 text\r\nWarning\r\n\r\n@9 filters\r\nA\r\n*.a\r\n@20 text\r\nend\r\n"),
              0);
    EXPECT_EQ(folder.Read("out.stb"), std::string("\0Warning\0A\0*.a\0\0\0\0\0\0end\0", 24));
    for (const char* bad : {"@1 text\nEightBytes\n@9 text\nx\n", "@1 text\none\ntwo\n", "@1 filters\nodd\n",
                            "@9 text\na\n@1 text\nb\n", "loose\n", "@x text\na\n"})
    {
        EXPECT_NE(RunGenerator(folder, bad), 0) << bad;
        EXPECT_FALSE(FileExists(folder.File("out.stb")));
    }
}
} // namespace
