#include "config/ProgramFolder.h"
#include "config/StringTable.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace
{
// The strings of a filter list: description, patterns, description, patterns...
std::vector<std::string> FilterList(const char* p)
{
    std::vector<std::string> out;
    while (*p)
    {
        out.emplace_back(p);
        p += out.back().size() + 1;
    }
    return out;
}

class TableFolder
{
public:
    TableFolder() { std::filesystem::create_directories(m_dir.File("Cnfg")); }
    void Write(const std::string& bytes) const
    {
        EXPECT_TRUE(mosvane::test::WriteFileBytes(m_dir.File("Cnfg/StringTable.stb"),
                                                  std::vector<uint8_t>(bytes.begin(), bytes.end())));
    }
    std::string Folder() const { return m_dir.Path(); }
    std::string File(const std::string& name) const { return m_dir.File(name); }

private:
    mosvane::test::CTempDir m_dir;
};

TEST(StringTable, BuiltFileHoldsEveryTextAtItsOffset)
{
    CStringTable table;
    ASSERT_TRUE(table.LoadStringTable()); // beside the test executable
    ASSERT_GT(table.Size(), uint32_t(StbSaveFilters));
    const char* caption = table.GetStringAt(StbImageOpenCaption);
    EXPECT_GT(std::strlen(caption), 0u);
    EXPECT_LE(std::strlen(caption), 7u);
    const char* text = table.GetStringAt(StbImageOpenText);
    EXPECT_GT(std::strlen(text), 0u);
    EXPECT_LE(std::strlen(text), 60u);

    const std::vector<std::string> open = FilterList(table.GetStringAt(StbOpenFilters));
    ASSERT_EQ(open.size() % 2, 0u);
    ASSERT_GE(open.size(), 2u);
    for (const char* ext : {"*.bmp", "*.jpg", "*.tga", "*.png", "*.gif", "*.dds"})
        EXPECT_NE(open[1].find(ext), std::string::npos) << ext;
    size_t used = 1;
    for (const std::string& s : open)
        used += s.size() + 1;
    EXPECT_LE(StbOpenFilters + used, uint32_t(StbSaveFilters));

    const std::vector<std::string> save = FilterList(table.GetStringAt(StbSaveFilters));
    std::string patterns;
    for (size_t i = 1; i < save.size(); i += 2)
        patterns += save[i] + ";";
    EXPECT_EQ(patterns, "*.bmp;*.jpg;*.tga;*.png;");
}

TEST(StringTable, EmptyAndShortFilesLoadAndReadAsEmpty)
{
    TableFolder folder;
    folder.Write("");
    CStringTable table;
    ASSERT_TRUE(table.LoadStringTable(folder.Folder()));
    EXPECT_EQ(table.Size(), 0u);
    EXPECT_STREQ(table.GetStringAt(StbImageOpenCaption), "");
    EXPECT_EQ(FilterList(table.GetStringAt(StbOpenFilters)).size(), 0u);
    // A last text without its NUL still ends.
    folder.Write(std::string("\0Oops", 5));
    ASSERT_TRUE(table.LoadStringTable(folder.Folder()));
    EXPECT_STREQ(table.GetStringAt(1), "Oops");
    EXPECT_STREQ(table.GetStringAt(4), "s");
    EXPECT_STREQ(table.GetStringAt(5), "");
}

TEST(StringTable, ChangedTextsAtOneOffsetChangeOnlyThatText)
{
    std::string bytes(400, '\0');
    auto put = [&](std::string& b, size_t at, const std::string& s) { b.replace(at, s.size(), s); };
    put(bytes, 1, "Oops");
    put(bytes, 9, "Cannot open that.");
    put(bytes, 70, std::string("Pictures\0*.png;*.bmp\0All\0*\0", 27));
    std::string other = bytes;
    put(other, 1, "Hoppla\0");
    put(other, 9, std::string("Nicht lesbar.\0\0\0\0", 17));

    TableFolder a, b;
    a.Write(bytes);
    b.Write(other);
    CStringTable ta, tb;
    ASSERT_TRUE(ta.LoadStringTable(a.Folder()));
    ASSERT_TRUE(tb.LoadStringTable(b.Folder()));
    EXPECT_STREQ(ta.GetStringAt(StbImageOpenCaption), "Oops");
    EXPECT_STREQ(tb.GetStringAt(StbImageOpenCaption), "Hoppla");
    EXPECT_STREQ(tb.GetStringAt(StbImageOpenText), "Nicht lesbar.");
    EXPECT_EQ(FilterList(ta.GetStringAt(StbOpenFilters)), FilterList(tb.GetStringAt(StbOpenFilters)));
    EXPECT_EQ(FilterList(tb.GetStringAt(StbOpenFilters)),
              (std::vector<std::string>{"Pictures", "*.png;*.bmp", "All", "*"}));
}

TEST(StringTable, MissingFileKeepsWhatWasLoaded)
{
    TableFolder folder;
    folder.Write(std::string("\0Kept\0", 6));
    CStringTable table;
    ASSERT_TRUE(table.LoadStringTable(folder.Folder()));
    TableFolder empty;
    EXPECT_FALSE(table.LoadStringTable(empty.Folder()));
    EXPECT_STREQ(table.GetStringAt(1), "Kept");
    EXPECT_EQ(&GetStringTable(), &GetStringTable());
}

// The generator of the shipped file refuses sources whose texts do not fit.
int RunGenerator(const TableFolder& folder, const std::string& source)
{
    const std::string src = folder.File("source.txt");
    EXPECT_TRUE(mosvane::test::WriteFileBytes(src, std::vector<uint8_t>(source.begin(), source.end())));
    return mosvane::test::RunCommand(mosvane::test::ShellQuote(mosvane::test::BinDir() + "/mosvane_make_stringtable") +
                                     " " + mosvane::test::ShellQuote(src) + " " +
                                     mosvane::test::ShellQuote(folder.File("out.stb")) + " 2>/dev/null");
}

TEST(StringTableGenerator, PlacesTextsAndRefusesWhatDoesNotFit)
{
    TableFolder folder;
    ASSERT_EQ(RunGenerator(folder, "# c\r\n@1 text\r\nWarning\r\n\r\n@9 filters\r\nA\r\n*.a\r\n@20 text\r\nend\r\n"), 0);
    std::vector<uint8_t> out;
    ASSERT_TRUE(mosvane::test::ReadFileBytes(folder.File("out.stb"), out));
    const std::string expected = std::string("\0Warning\0", 9) + std::string("A\0*.a\0\0", 7) + std::string(4, '\0') +
                                 std::string("end\0", 4);
    EXPECT_EQ(std::string(out.begin(), out.end()), expected);

    EXPECT_NE(RunGenerator(folder, "@1 text\nEightBytes\n@9 text\nx\n"), 0);
    EXPECT_FALSE(mosvane::test::FileExists(folder.File("out.stb")));
    EXPECT_NE(RunGenerator(folder, "@1 text\none\ntwo\n"), 0);
    EXPECT_NE(RunGenerator(folder, "@1 filters\nodd\n"), 0);
    EXPECT_NE(RunGenerator(folder, "@9 text\na\n@1 text\nb\n"), 0);
    EXPECT_NE(RunGenerator(folder, "loose\n"), 0);
    EXPECT_NE(RunGenerator(folder, "@x text\na\n"), 0);
}
} // namespace
