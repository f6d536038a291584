#include "ConfigTestFolder.h"
#include "base/FileIo.h"
#include "config/DecimalNumber.h"
#include "config/ProgramSettings.h"

#include <cmath>
#include <sys/resource.h>
#include <tuple>

namespace
{
using namespace mosvane::test;

// A program folder whose settings file holds the given text (none when it is empty).
class SettingsFolder : public CProgramFolder
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
    const std::string shipped = ReadTextFile(std::string(MOSVANE_SOURCE_DIR) + "/data/Cnfg/Mosvane.xml");
    SettingsFolder folder(shipped);
    CProgramSettings s;
    ASSERT_TRUE(s.LoadSettings(folder.Path()));
    EXPECT_EQ(std::tie(s.m_strLastBatchFile, s.m_strOutputFolder), std::make_tuple(folder.Path() + "Cnfg/BatchMosvane.xml", folder.Path() + "Output"));
    // New settings keep the sheets' alpha; no data file, no margins.
    EXPECT_EQ(std::tie(s.m_strOutputImageType, s.m_nSplitRows, s.m_strCombineNameFormat, s.m_nAlphaR, s.m_strMngFileName,
                       s.m_strSheetData, s.m_nCombineKeepAlpha, s.m_nSplitMargin),
              std::make_tuple("png", 2, "frame", 255, "frame", "none", 1, 0));
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
    EXPECT_EQ(std::tie(s.m_strOutputFileName, s.m_strOutputImageType, s.m_nMngFrames, s.m_strMngTemplate),
              std::make_tuple("Mosvane", "bmp", 0, ""));
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
              "FileName=\"\" Format=\"\"/>\r\n"
              "\t<Sheet DataFormat=\"\" SplitMargin=\"0\" Spacing=\"0\" Trim=\"0\" SkipEmpty=\"0\" KeepAlpha=\"0\" "
              "Padding=\"0\" CombineMargin=\"0\" Extrude=\"0\"/>\r\n"
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
    EXPECT_EQ(std::tie(s.m_nSplitRows, s.m_nSplitCols, s.m_nSplitSeqFrom), std::make_tuple(3, 0, -5));
    folder.Write("Mosvane.xml", "<S><Output Folder=\"/\"/></S>");
    ASSERT_TRUE(s.LoadSettings(folder.Path()));
    EXPECT_EQ(s.m_strOutputFolder, "/"); // the root folder stays

    const std::pair<const char*, int32_t> numbers[] = {
        {"12abc", 12}, {"abc", 0}, {"", 0}, {nullptr, 0}, {"-7", -7}, {" \t+3", 3}, {"- 3", 0}, {"0x10", 0},
        {"99999999999", INT32_MAX}, {"-99999999999", INT32_MIN}, {"-99999999999999999999", INT32_MIN},
    };
    for (const auto& [text, value] : numbers)
        EXPECT_EQ(ReadDecimalNumber(text), value) << (text ? text : "null");
    // Batch ratios: the same whitespace and sign, locale-free; beyond a double is not a number.
    EXPECT_EQ(ReadDecimalFraction(" 0.5x") + ReadDecimalFraction("+.25") + ReadDecimalFraction("half"), 0.75);
    EXPECT_TRUE(std::isnan(ReadDecimalFraction("1e999")));
}

TEST(ProgramSettings, MissingOrEmptyFileChangesNothingAndWritesNothing)
{
    SettingsFolder folder("");
    CProgramSettings s;
    s.m_nSplitRows = 4;
    EXPECT_FALSE(s.LoadSettings(folder.Path()));
    EXPECT_EQ(s.m_nSplitRows, 4); // unchanged
    EXPECT_FALSE(s.SaveSettings(folder.Path()) || FileExists(folder.File("Mosvane.xml")));
    folder.Write("Mosvane.xml", "");
    EXPECT_FALSE(s.LoadSettings(folder.Path()));
}

TEST(ProgramSettings, ADeclarationFirstHidesEverySection)
{
    const std::string declared = "<?xml version=\"1.0\"?>\r\n<S>\r\n\t<Output FileName=\"mine\"/>\r\n</S>\r\n";
    SettingsFolder folder(declared);
    CProgramSettings s;
    ASSERT_TRUE(s.LoadSettings(folder.Path()));
    EXPECT_EQ(s.m_strOutputFileName, "Mosvane");
    s.m_nSplitRows = 5;
    ASSERT_TRUE(s.SaveSettings(folder.Path()));
    EXPECT_EQ(folder.Text(), declared);
}

TEST(ProgramSettings, WhatIsNoXmlIsKeptAsideAndTheShippedSettingsTakeItsPlace)
{
    const std::string shipped = ReadTextFile(std::string(MOSVANE_SOURCE_DIR) + "/data/Cnfg/Mosvane.xml");
    std::string noise(3000, '\0');
    uint32_t state = 7;
    for (char& c : noise)
        c = char((state = state * 1664525u + 1013904223u) >> 24);
    for (const std::string& bad : {noise, std::string("  stray text, no markup\r\n"), std::string("<S>\x01</S>")})
    {
        SettingsFolder folder(bad);
        folder.Write("Mosvane.xml.bad", "an older one");
        CProgramSettings s;
        std::string notice;
        ASSERT_TRUE(s.LoadSettings(folder.Path(), &notice));
        // The shipped values, not zeros; the file beside it keeps the bytes, an older one stays.
        EXPECT_EQ(std::tie(s.m_nSplitRows, s.m_nAlphaR, s.m_strOutputImageType), std::make_tuple(2, 255, "png"));
        EXPECT_EQ(folder.Read("Mosvane.xml.bad2"), bad);
        EXPECT_EQ(folder.Read("Mosvane.xml.bad"), "an older one");
        EXPECT_EQ(folder.Text(), shipped);
        EXPECT_NE(notice.find(folder.File("Mosvane.xml.bad2")), std::string::npos) << notice;
        // Said once: the next start reads the shipped file without a word.
        notice.clear();
        ASSERT_TRUE(s.LoadSettings(folder.Path(), &notice));
        EXPECT_TRUE(notice.empty());
    }
}

TEST(ProgramSettings, WhatCannotBeKeptAsideOrSavedIsNotWrittenOverAndSaysWhy)
{
    // Every name beside it taken: the file stays, this run uses the shipped values, and no save
    // writes over it.
    const std::string png("\x89PNG\r\n\x1a\n", 8);
    SettingsFolder folder(png);
    for (int n = 1; n <= 100; ++n)
        folder.Write("Mosvane.xml.bad" + (n == 1 ? std::string() : std::to_string(n)), "taken");
    CProgramSettings s;
    std::string notice, why;
    ASSERT_TRUE(s.LoadSettings(folder.Path(), &notice));
    EXPECT_EQ(s.m_nSplitRows, 2);
    EXPECT_NE(notice.find("could not be kept aside (File exists)"), std::string::npos) << notice;
    EXPECT_FALSE(s.SaveSettings(folder.Path(), &why));
    EXPECT_EQ(why, "it is not readable XML");
    EXPECT_EQ(folder.Text(), png);

    // A save the system refuses gives the system's reason; the old file stays.
    folder.Write("Mosvane.xml", "<S/>");
    ASSERT_TRUE(s.LoadSettings(folder.Path()));
    EXPECT_TRUE(TrueInChild([&] {
        IgnoreFileSizeSignal();
        const rlimit limit{64, 64};
        std::string reason;
        return ::setrlimit(RLIMIT_FSIZE, &limit) == 0 && !s.SaveSettings(folder.Path(), &reason) && reason == "File too large";
    }, 5000));
    EXPECT_EQ(folder.Text(), "<S/>");
}

TEST(ProgramSettings, UnknownContentSurvivesAndQuotesAreKept)
{
    SettingsFolder folder("<S>\r\n\t<!--mine-->\r\n\t<Extra Keep=\"yes\"/>\r\n"
                          "\t<Output Folder=\"/o\" Other=\"1\"/>\r\n</S>\r\n");
    CProgramSettings s;
    ASSERT_TRUE(s.LoadSettings(folder.Path()));
    s.m_strOutputFileName = "say \"cheese\" & <smile>";
    ASSERT_TRUE(s.SaveSettings(folder.Path()));
    const std::string text = folder.Text();
    EXPECT_NE(text.find("\t<!--mine-->\r\n\t<Extra Keep=\"yes\"/>\r\n"), std::string::npos);
    EXPECT_NE(text.find("<Output Folder=\"/o\" Other=\"1\" FileName=\"say &quot;cheese&quot; &amp; &lt;smile&gt;\" ImageType=\"bmp\"/>"),
              std::string::npos);
    CProgramSettings back;
    EXPECT_TRUE(back.LoadSettings(folder.Path()) && back.m_strOutputFileName == s.m_strOutputFileName);
}
} // namespace
