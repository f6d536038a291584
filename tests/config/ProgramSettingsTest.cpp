#include "config/ProgramFolder.h"
#include "config/ProgramSettings.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace
{
// A program folder of its own with Cnfg/Mosvane.xml holding the given text.
class SettingsFolder
{
public:
    explicit SettingsFolder(const std::string& text)
    {
        std::filesystem::create_directories(m_dir.File("Cnfg"));
        if (!text.empty())
            Write(text);
    }
    void Write(const std::string& text) const
    {
        EXPECT_TRUE(mosvane::test::WriteFileBytes(File(), std::vector<uint8_t>(text.begin(), text.end())));
    }
    std::string Read() const
    {
        std::vector<uint8_t> bytes;
        EXPECT_TRUE(mosvane::test::ReadFileBytes(File(), bytes));
        return std::string(bytes.begin(), bytes.end());
    }
    std::string Folder() const { return m_dir.Path() + "/"; }
    std::string File() const { return m_dir.File("Cnfg/Mosvane.xml"); }

private:
    mosvane::test::CTempDir m_dir;
};

std::string ShippedSettings()
{
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(mosvane::test::ReadFileBytes(std::string(MOSVANE_SOURCE_DIR) + "/data/Cnfg/Mosvane.xml", bytes));
    return std::string(bytes.begin(), bytes.end());
}

TEST(ProgramSettings, ShippedFileLoadsEveryValue)
{
    SettingsFolder folder(ShippedSettings());
    CProgramSettings s;
    ASSERT_TRUE(s.LoadSettings(folder.Folder()));
    EXPECT_EQ(s.m_strLastBatchFile, folder.Folder() + "Cnfg/BatchMosvane.xml");
    EXPECT_EQ(s.m_strOutputFolder, folder.Folder() + "Output");
    EXPECT_EQ(s.m_strOutputFileName, "Mosvane");
    EXPECT_EQ(s.m_strOutputImageType, "png");
    EXPECT_EQ(s.m_nSplitRows, 2);
    EXPECT_EQ(s.m_strSplitTemplate, "###");
    EXPECT_EQ(s.m_nCombineCols, 2);
    EXPECT_EQ(s.m_strCombineNameFormat, "frame");
    EXPECT_EQ(s.m_nAlphaR, 255);
    EXPECT_EQ(s.m_nAlphaG, 0);
    EXPECT_EQ(s.m_nMngFPS, 10);
    EXPECT_EQ(s.m_strMngFileName, "frame");
    // Saving unchanged values leaves the file byte for byte as it was.
    s.m_strLastBatchFile.clear();
    s.m_strOutputFolder.clear();
    ASSERT_TRUE(s.SaveSettings(folder.Folder()));
    EXPECT_EQ(folder.Read(), ShippedSettings());
}

TEST(ProgramSettings, EmptyRootGetsDefaultsAndEverySectionOnSave)
{
    SettingsFolder folder("<Settings/>");
    CProgramSettings s;
    ASSERT_TRUE(s.LoadSettings(folder.Folder()));
    EXPECT_EQ(s.m_strOutputFileName, "Mosvane");
    EXPECT_EQ(s.m_strOutputImageType, "bmp");
    EXPECT_EQ(s.m_nSplitRows, 0);
    EXPECT_EQ(s.m_nMngFrames, 0);
    EXPECT_EQ(s.m_strMngTemplate, "");
    s.m_strLastBatchFile = "/home/ana/b.xml";
    s.m_strOutputFolder = "/out";
    s.m_nMngFrames = -3;
    ASSERT_TRUE(s.SaveSettings(folder.Folder()));
    // Options is created like every other missing section, so the last batch file is kept.
    EXPECT_EQ(folder.Read(),
              "<Settings>\r\n"
              "\t<Options LastBatchFile=\"/home/ana/b.xml\"/>\r\n"
              "\t<Output Folder=\"/out\" FileName=\"Mosvane\" ImageType=\"bmp\"/>\r\n"
              "\t<Split Rows=\"0\" Cols=\"0\" SeqFrom=\"0\" Template=\"\"/>\r\n"
              "\t<Combination SourceFolder=\"\" Rows=\"0\" Cols=\"0\" SeqFrom=\"0\" Template=\"\" ImgType=\"\" "
              "NameFormat=\"\"/>\r\n"
              "\t<Alpha AlphaA=\"0\" AlphaR=\"0\" AlphaG=\"0\" AlphaB=\"0\" AlphaImage=\"\"/>\r\n"
              "\t<Blend BkImg=\"\" OverlayImg=\"\"/>\r\n"
              "\t<MNG SourceFolder=\"\" SeqFrom=\"0\" Frames=\"-3\" FPS=\"0\" Template=\"\" ImageType=\"\" "
              "FileName=\"\"/>\r\n"
              "</Settings>\r\n");
    CProgramSettings back;
    ASSERT_TRUE(back.LoadSettings(folder.Folder()));
    EXPECT_EQ(back.m_strLastBatchFile, "/home/ana/b.xml");
    EXPECT_EQ(back.m_nMngFrames, -3);
}

TEST(ProgramSettings, OutputFolderLosesTrailingSeparators)
{
    SettingsFolder folder("<S><Output Folder=\"/home/ana/out///\" FileName=\"\"/></S>");
    CProgramSettings s;
    ASSERT_TRUE(s.LoadSettings(folder.Folder()));
    EXPECT_EQ(s.m_strOutputFolder, "/home/ana/out");
    EXPECT_EQ(s.m_strOutputFileName, "Mosvane"); // present but empty
    folder.Write("<S><Output Folder=\"/\"/></S>");
    ASSERT_TRUE(s.LoadSettings(folder.Folder()));
    EXPECT_EQ(s.m_strOutputFolder, "/");
}

TEST(ProgramSettings, NumbersAreReadAsBase10)
{
    EXPECT_EQ(ReadSettingNumber("12abc"), 12);
    EXPECT_EQ(ReadSettingNumber("abc"), 0);
    EXPECT_EQ(ReadSettingNumber(""), 0);
    EXPECT_EQ(ReadSettingNumber(nullptr), 0);
    EXPECT_EQ(ReadSettingNumber("-7"), -7);
    EXPECT_EQ(ReadSettingNumber(" \t+3"), 3);
    EXPECT_EQ(ReadSettingNumber("- 3"), 0);
    EXPECT_EQ(ReadSettingNumber("0x10"), 0);
    EXPECT_EQ(ReadSettingNumber("99999999999"), INT32_MAX);
    EXPECT_EQ(ReadSettingNumber("-99999999999"), INT32_MIN);

    SettingsFolder folder("<S><Split Rows=\"3rows\" Cols=\"many\" SeqFrom=\"-5\"/></S>");
    CProgramSettings s;
    ASSERT_TRUE(s.LoadSettings(folder.Folder()));
    EXPECT_EQ(s.m_nSplitRows, 3);
    EXPECT_EQ(s.m_nSplitCols, 0);
    EXPECT_EQ(s.m_nSplitSeqFrom, -5);
}

TEST(ProgramSettings, MissingFileChangesNothingAndWritesNothing)
{
    SettingsFolder folder("");
    CProgramSettings s;
    s.m_strOutputFileName = "kept";
    s.m_nSplitRows = 4;
    EXPECT_FALSE(s.LoadSettings(folder.Folder()));
    EXPECT_EQ(s.m_strOutputFileName, "kept");
    EXPECT_EQ(s.m_nSplitRows, 4);
    EXPECT_FALSE(s.SaveSettings(folder.Folder()));
    EXPECT_FALSE(mosvane::test::FileExists(folder.File()));
    folder.Write("");
    EXPECT_FALSE(s.LoadSettings(folder.Folder()));
}

TEST(ProgramSettings, FileWithoutAnyNodeGetsARootElement)
{
    SettingsFolder folder("  stray text, no markup\r\n");
    CProgramSettings s;
    ASSERT_TRUE(s.LoadSettings(folder.Folder()));
    s.m_nSplitRows = 5;
    ASSERT_TRUE(s.SaveSettings(folder.Folder()));
    CProgramSettings back;
    ASSERT_TRUE(back.LoadSettings(folder.Folder()));
    EXPECT_EQ(back.m_nSplitRows, 5);
    EXPECT_EQ(folder.Read().rfind("<Mosvane>\r\n\t<Options ", 0), 0u);
}

TEST(ProgramSettings, DeclarationFirstFindsNoSectionAndSaveChangesNothing)
{
    const std::string text = "<?xml version=\"1.0\"?>\r\n<S>\r\n\t<Output FileName=\"mine\"/>\r\n</S>\r\n";
    SettingsFolder folder(text);
    CProgramSettings s;
    ASSERT_TRUE(s.LoadSettings(folder.Folder()));
    EXPECT_EQ(s.m_strOutputFileName, "Mosvane");
    s.m_nSplitRows = 8;
    ASSERT_TRUE(s.SaveSettings(folder.Folder()));
    EXPECT_EQ(folder.Read(), text);
}

TEST(ProgramSettings, UnknownContentSurvivesAndQuotesRoundTrip)
{
    SettingsFolder folder("<S>\r\n\t<!--mine-->\r\n\t<Extra Keep=\"yes\"/>\r\n\t<Output Folder=\"/o\" Other=\"1\"/>\r\n</S>\r\n");
    CProgramSettings s;
    ASSERT_TRUE(s.LoadSettings(folder.Folder()));
    s.m_strOutputFileName = "say \"cheese\"";
    ASSERT_TRUE(s.SaveSettings(folder.Folder()));
    const std::string text = folder.Read();
    EXPECT_NE(text.find("\t<!--mine-->\r\n\t<Extra Keep=\"yes\"/>\r\n"), std::string::npos);
    EXPECT_NE(text.find("<Output Folder=\"/o\" Other=\"1\" FileName='say \"cheese\"' ImageType=\"bmp\"/>"),
              std::string::npos);
    CProgramSettings back;
    ASSERT_TRUE(back.LoadSettings(folder.Folder()));
    EXPECT_EQ(back.m_strOutputFileName, "say \"cheese\"");
}

TEST(ProgramSettings, ProgramFolderAndTheSingleInstance)
{
    const std::string folder = GetProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(mosvane::test::FileExists(folder + "mosvane_tests_config"));
    EXPECT_EQ(GetConfigFolder(), folder + "Cnfg/");
    EXPECT_EQ(&GetProgramSettings(), &GetProgramSettings());
    // Beside the test executable lies the shipped Cnfg folder.
    CProgramSettings s;
    ASSERT_TRUE(s.LoadSettings());
    EXPECT_EQ(s.m_strLastBatchFile, folder + "Cnfg/BatchMosvane.xml");
    EXPECT_EQ(WithTrailingSeparator("/a"), "/a/");
    EXPECT_EQ(WithTrailingSeparator("/a/"), "/a/");
    EXPECT_EQ(WithTrailingSeparator(""), "");
}
} // namespace
