// Start-up and shutdown of the window program, and the frame's placement between two starts.

#include "GuiTesting.h"

#include "config/ProgramSettings.h"
#include "ui/Application.h"
#include "ui/MainFrm.h"
#include "ui/WindowPlacement.h"

#include <QDockWidget>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace mosvane::test;

namespace
{
std::string ReadText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

class StartupTest : public ::testing::Test
{
protected:
    void SetUp() override { QSettings().clear(); }
    void TearDown() override { QSettings().clear(); }

    // Puts the shipped files named into the program folder's Cnfg/.
    void Ship(std::initializer_list<const char*> names)
    {
        std::filesystem::create_directories(m_dir.File("Cnfg"));
        for (const char* name : names)
            std::filesystem::copy_file(BinDir() + "/Cnfg/" + name, m_dir.File("Cnfg/") + name);
    }
    // One start: `check` runs on the shown frame, then the frame is closed as a person would.
    int Start(const std::function<void(CMainFrameWindow&)>& check = {})
    {
        SApplicationOptions options;
        options.m_strProgramFolder = m_dir.Path();
        options.m_fnRunning = [&](CMainFrameWindow& frame) {
            Settle();
            if (check)
                check(frame);
            QTimer::singleShot(0, &frame, &QWidget::close);
        };
        return RunApplication(options);
    }

    CTempDir m_dir;
};

QRect WorkArea()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}
} // namespace

TEST_F(StartupTest, MissingConfigurationEndsWithOneMessage)
{
    {
        CMessageRecorder messages;
        EXPECT_EQ(Start(), 0);
        ASSERT_EQ(messages.m_messages.size(), 1u);
        EXPECT_EQ(messages.m_messages[0].m_strText, "Error to open program string table files!");
        EXPECT_EQ(messages.m_messages[0].m_strCaption, "Error");
    }
    Ship({"StringTable.stb"});
    CMessageRecorder messages;
    EXPECT_EQ(Start(), 0);
    ASSERT_EQ(messages.m_messages.size(), 1u);
    EXPECT_EQ(messages.m_messages[0].m_strText, "Error to open program setting files!");
    EXPECT_FALSE(FileExists(m_dir.File("Cnfg/Mosvane.xml")));
}

TEST_F(StartupTest, NormalExitRewritesHandEditedSettings)
{
    Ship({"StringTable.stb"});
    const std::string path = m_dir.File("Cnfg/Mosvane.xml");
    std::ofstream(path) << "<Mosvane>\n  <Output Folder=\"/pictures\"   FileName=\"shot\" ImageType=\"png\"/>\n"
                           "  <Unknown keep=\"1\"/>\n</Mosvane>\n";
    bool seen = false;
    EXPECT_EQ(Start([&](CMainFrameWindow& frame) {
                  seen = true;
                  SequenceRecord output;
                  EXPECT_TRUE(frame.GetOutputSettings(output));
                  EXPECT_EQ(output.m_strFolder + "|" + output.m_strTitle + "|" + output.m_strType,
                            "/pictures|shot|png");
              }),
              0);
    EXPECT_TRUE(seen);
    const std::string text = ReadText(path);
    EXPECT_NE(text.find("\r\n\t<Output Folder=\"/pictures\" FileName=\"shot\" ImageType=\"png\""), std::string::npos)
        << text;
    EXPECT_NE(text.find("<Unknown keep=\"1\""), std::string::npos);
    EXPECT_NE(text.find("<MNG "), std::string::npos);
}

TEST_F(StartupTest, PlacementAndPaneWidthRoundTripAndDefaults)
{
    Ship({"StringTable.stb", "Mosvane.xml"});
    const QRect area = WorkArea();
    // First start: centred on the work area, panes 250 wide, the output pane 80 high.
    Start([&](CMainFrameWindow& frame) {
        EXPECT_EQ(frame.geometry(), area.adjusted(100, 100, -100, -100));
        EXPECT_EQ(frame.ToolkitDock()->width(), 250);
        EXPECT_EQ(frame.OutputDock()->height(), 80);
        frame.setGeometry(120, 90, 900, 700);
        frame.resizeDocks({frame.ToolkitDock()}, {320}, Qt::Horizontal);
        Settle();
    });
    EXPECT_EQ(QSettings().value(kPaneWidthValueName).toInt(), 320);
    EXPECT_EQ(QSettings().value(kPlacementValueName).toByteArray().size(), 44);
    Start([&](CMainFrameWindow& frame) {
        EXPECT_EQ(frame.geometry(), QRect(120, 90, 900, 700));
        EXPECT_EQ(frame.ToolkitDock()->width(), 320);
        EXPECT_EQ(frame.OutputDock()->height(), 200);
    });
}

TEST_F(StartupTest, StoredValuesRefusedOrCorrected)
{
    Ship({"StringTable.stb", "Mosvane.xml"});
    SWindowPlacement minimized = PresetPlacement(QRect(0, 0, 800, 600));
    minimized.m_nShowCommand = ShowMinimized;
    SWindowPlacement badLength = minimized;
    badLength.m_nLength = 40;
    struct Row
    {
        const char* name;
        QVariant width;
        QByteArray placement;
        bool widthKept;
        QRect geometry; // empty: centred default
    };
    const Row rows[] = {
        {"width 0", 0, {}, false, {}},
        {"width as bytes", QByteArray("\x2c\x01\0\0", 4), {}, false, {}},
        {"width as words", QStringLiteral("wide"), {}, false, {}},
        {"minimized opens normal", 300, PlacementBytes(minimized), true, QRect(100, 100, 600, 400)},
        {"wrong length", 300, PlacementBytes(badLength), true, {}},
        {"off every screen", 300, PlacementBytes(PresetPlacement(QRect(9000, 9000, 800, 600))), true, {}},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        QSettings settings;
        settings.clear();
        settings.setValue(kPaneWidthValueName, row.width);
        if (!row.placement.isEmpty())
            settings.setValue(kPlacementValueName, row.placement);
        settings.sync();
        Start([&](CMainFrameWindow& frame) {
            EXPECT_FALSE(frame.isMinimized());
            EXPECT_TRUE(frame.isVisible());
            EXPECT_EQ(frame.geometry(), row.geometry.isEmpty() ? WorkArea().adjusted(100, 100, -100, -100)
                                                                : row.geometry);
            EXPECT_EQ(frame.ToolkitDock()->width(), row.widthKept ? 300 : 250);
        });
    }
    int32_t width = 0;
    EXPECT_TRUE(ReadPaneWidth(QVariant(QStringLiteral("275")), width));
    EXPECT_EQ(width, 275);
    EXPECT_FALSE(ReadPaneWidth(QVariant(QStringLiteral("-5")), width));
}
