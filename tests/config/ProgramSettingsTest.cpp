#include "ConfigTestFolder.h"
#include "config/ProgramSettings.h"

namespace
{
// A program folder whose settings file holds the given text (none when it is empty).
class SettingsFolder : public mosvane::test::CProgramFolder
{
public:
    explicit SettingsFolder(const std::string& text)
    {
        if (!text.empty())
            Write("Mosvane.xml", text);
    }
    std::string Text() const { return Read("Mosvane.xml"); }
};

TEST(ProgramSettings, ShippedFileLoadsEveryValueAndSavesUnchanged)
{
    const std::string shipped = mosvane::test::ReadText(std::string(MOSVANE_SOURCE_DIR) + "/data/Cnfg/Mosvane.xml");
    SettingsFolder folder(shipped);
    CProgramSettings s;
    ASSERT_TRUE(s.LoadSettings(folder.Path()));
    EXPECT_EQ(s.m_strLastBatchFile, folder.Path() + "Cnfg/BatchMosvane.xml");
    EXPECT_EQ(s.m_strOutputFolder, folder.Path() + "Output");
    EXPECT_EQ(s.m_strOutputImageType, "png");
    EXPECT_EQ(s.m_nSplitRows, 2);
    EXPECT_EQ(s.m_strCombineNameFormat, "frame");
    EXPECT_EQ(s.m_nAlphaR, 255);
    EXPECT_EQ(s.m_strMngFileName, "frame");
    // Saving unchanged values leaves the file byte for byte as it was.
    s.m_strLastBatchFile.clear();
    s.m_strOutputFolder.clear();
    ASSERT_TRUE(s.SaveSettings(folder.Path()));
    EXPECT_EQ(folder.Text(), shipped);
}

TEST(ProgramSettings, EmptyRootGetsDefaultsAndEverySectionOnSave)
{
    SettingsFolder folder("<Settings/>");
    CProgramSettings s;
    ASSERT_TRUE(s.LoadSettings(folder.Path()));
    EXPECT_EQ(s.m_strOutputFileName, "Mosvane");
    EXPECT_EQ(s.m_strOutputImageType, "bmp");
    EXPECT_EQ(s.m_nMngFrames, 0);
    EXPECT_EQ(s.m_strMngTemplate, "");
    s.m_strLastBatchFile = "/home/ana/b.xml";
    s.m_strOutputFolder = "/out";
    s.m_nMngFrames = -3;
    ASSERT_TRUE(s.SaveSettings(folder.Path()));
    // Options is created like every other missing section, so the last batch file is kept.
    EXPECT_EQ(folder.Text(),
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
}

TEST(ProgramSettings, ValuesAreReadAsTheyStandWithDefaultsAndNumbers)
{
    SettingsFolder folder("<S><Output Folder=\"/home/ana/out///\" FileName=\"\"/>"
                          "<Split Rows=\"3rows\" Cols=\"many\" SeqFrom=\"-5\"/></S>");
    CProgramSettings s;
    ASSERT_TRUE(s.LoadSettings(folder.Path()));
    EXPECT_EQ(s.m_strOutputFolder, "/home/ana/out");
    EXPECT_EQ(s.m_strOutputFileName, "Mosvane"); // present but empty
    EXPECT_EQ(s.m_nSplitRows, 3);
    EXPECT_EQ(s.m_nSplitCols, 0);
    EXPECT_EQ(s.m_nSplitSeqFrom, -5);
    folder.Write("Mosvane.xml", "<S><Output Folder=\"/\"/></S>");
    ASSERT_TRUE(s.LoadSettings(folder.Path()));
    EXPECT_EQ(s.m_strOutputFolder, "/"); // the root folder stays

    const std::pair<const char*, int32_t> numbers[] = {
        {"12abc", 12}, {"abc", 0}, {"", 0}, {nullptr, 0}, {"-7", -7}, {" \t+3", 3}, {"- 3", 0}, {"0x10", 0},
        {"99999999999", INT32_MAX}, {"-99999999999", INT32_MIN},
    };
    for (const auto& [text, value] : numbers)
        EXPECT_EQ(ReadSettingNumber(text), value) << (text ? text : "null");
}

TEST(ProgramSettings, MissingOrEmptyFileChangesNothingAndWritesNothing)
{
    SettingsFolder folder("");
    CProgramSettings s;
    s.m_strOutputFileName = "kept";
    s.m_nSplitRows = 4;
    EXPECT_FALSE(s.LoadSettings(folder.Path()));
    EXPECT_EQ(s.m_strOutputFileName, "kept");
    EXPECT_EQ(s.m_nSplitRows, 4);
    EXPECT_FALSE(s.SaveSettings(folder.Path()));
    EXPECT_FALSE(mosvane::test::FileExists(folder.File("Mosvane.xml")));
    folder.Write("Mosvane.xml", "");
    EXPECT_FALSE(s.LoadSettings(folder.Path()));
}

TEST(ProgramSettings, FileWithoutAnyNodeGetsARootElement)
{
    SettingsFolder folder("  stray text, no markup\r\n");
    CProgramSettings s, back;
    ASSERT_TRUE(s.LoadSettings(folder.Path()));
    s.m_nSplitRows = 5;
    ASSERT_TRUE(s.SaveSettings(folder.Path()));
    ASSERT_TRUE(back.LoadSettings(folder.Path()));
    EXPECT_EQ(back.m_nSplitRows, 5);
    EXPECT_EQ(folder.Text().rfind("<Mosvane>\r\n\t<Options ", 0), 0u);
}

TEST(ProgramSettings, DeclarationFirstFindsNoSectionAndSaveChangesNothing)
{
    const std::string text = "<?xml version=\"1.0\"?>\r\n<S>\r\n\t<Output FileName=\"mine\"/>\r\n</S>\r\n";
    SettingsFolder folder(text);
    CProgramSettings s;
    ASSERT_TRUE(s.LoadSettings(folder.Path()));
    EXPECT_EQ(s.m_strOutputFileName, "Mosvane");
    s.m_nSplitRows = 8;
    ASSERT_TRUE(s.SaveSettings(folder.Path()));
    EXPECT_EQ(folder.Text(), text);
}

TEST(ProgramSettings, UnknownContentSurvivesAndQuotesAreKept)
{
    SettingsFolder folder("<S>\r\n\t<!--mine-->\r\n\t<Extra Keep=\"yes\"/>\r\n"
                          "\t<Output Folder=\"/o\" Other=\"1\"/>\r\n</S>\r\n");
    CProgramSettings s;
    ASSERT_TRUE(s.LoadSettings(folder.Path()));
    s.m_strOutputFileName = "say \"cheese\""; // written in apostrophes, so that it reads back whole
    ASSERT_TRUE(s.SaveSettings(folder.Path()));
    const std::string text = folder.Text();
    EXPECT_NE(text.find("\t<!--mine-->\r\n\t<Extra Keep=\"yes\"/>\r\n"), std::string::npos);
    EXPECT_NE(text.find("<Output Folder=\"/o\" Other=\"1\" FileName='say \"cheese\"' ImageType=\"bmp\"/>"),
              std::string::npos);
}
} // namespace
