// Start-up and shutdown of the window program, the frame's placement between two starts, the
// values the panels keep between runs, and the screenshots of the window (make screenshots).

#include "GuiTesting.h"

#include "batch/BatchKindTable.h"
#include "ui/Application.h"
#include "ui/BatchPanel.h"
#include "ui/WindowPlacement.h"
#include "view/MosvaneView.h"

#include <QAbstractButton>
#include <QDir>
#include <QDockWidget>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>

#include <vector>

using namespace mosvane::test;

namespace
{
using StartupTest = ProgramTest;

QRect WorkArea()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}
} // namespace

TEST_F(StartupTest, MissingConfigurationIsSaidOnce)
{
    for (const char* said : {"Error to open program string table files!", "Error to open program setting files!"})
    {
        CMessageRecorder messages;
        EXPECT_EQ(Run(), 0);
        ASSERT_EQ(messages.m_messages.size(), 1u);
        EXPECT_EQ(messages.m_messages[0].m_strCaption + ": " + messages.m_messages[0].m_strText,
                  std::string("Error: ") + said);
        Ship({"StringTable.stb"}); // then only the settings file is missing
    }
    EXPECT_FALSE(FileExists(m_dir.File("Cnfg/Mosvane.xml")));
}

// Random bytes where the settings file should be: the shipped values come up in the controls, and
// the keeping aside of the bytes is said once, not again at the next start.
TEST_F(StartupTest, GarbageSettingsKeptAsideAndTheShippedValuesUsed)
{
    Ship({"StringTable.stb"});
    const std::string path = m_dir.File("Cnfg/Mosvane.xml");
    std::string garbage(2048, '\0');
    for (size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = char((i * 2654435761u) >> 13);
    WriteTextFile(path, garbage);
    for (int start = 0; start < 2; ++start)
    {
        CMessageRecorder messages;
        EXPECT_EQ(Run([&](CMainFrameWindow& frame) {
                      EXPECT_EQ(ValueOf(FindById<QWidget>(frame.ToolTabs()->widget(0), IdSplitRows)), "2");
                      EXPECT_EQ(ValueOf(FindById<QWidget>(frame.ToolTabs()->widget(1), IdKeyRed)), "255");
                  }),
                  0);
        ASSERT_EQ(messages.m_messages.size(), start == 0 ? 1u : 0u);
        EXPECT_TRUE(start > 0 || messages.m_messages[0].m_strText.find(" is not readable XML. It was kept as " + path +
                                                                        ".bad") != std::string::npos);
        GetProgramSettings() = CProgramSettings{};
    }
}

TEST_F(StartupTest, PlacementAndPaneWidthRoundTripAndDefaults)
{
    Ship({"StringTable.stb", "Mosvane.xml"});
    const QRect area = WorkArea();
    // First start: centred on the work area, panes 250 wide, the output pane 80 high.
    Run([&](CMainFrameWindow& frame) {
        EXPECT_EQ(frame.geometry(), area.adjusted(100, 100, -100, -100));
        EXPECT_EQ(frame.ToolkitDock()->width(), 250);
        // The output pane is as high as its rows need at this font: none of them scrolls away.
        auto* scroller = qobject_cast<QScrollArea*>(frame.OutputDock()->widget());
        ASSERT_NE(scroller, nullptr);
        EXPECT_EQ(scroller->verticalScrollBar()->maximum(), 0);
        frame.setGeometry(120, 90, 900, 700);
        frame.resizeDocks({frame.ToolkitDock()}, {320}, Qt::Horizontal);
        Settle();
    });
    EXPECT_EQ(QSettings().value(kPaneWidthValueName).toInt(), 320);
    EXPECT_EQ(QSettings().value(kPlacementValueName).toByteArray().size(), 44);
    Run([&](CMainFrameWindow& frame) {
        EXPECT_EQ(frame.geometry(), QRect(120, 90, 900, 700));
        EXPECT_EQ(frame.ToolkitDock()->width(), 320);
        EXPECT_EQ(frame.OutputDock()->height(), 200);
    });
}

// The picture named on the command line is open when the window comes up, as if opened (named by
// its full path, whatever the folder the program was started from); one that does not load is said
// as for Open and leaves an empty window.
TEST_F(StartupTest, PictureNamedOnTheCommandLineIsOpen)
{
    const std::string here = QDir::currentPath().toStdString() + "/";
    EXPECT_EQ(PictureArgument({"--verbose", "walk.png", "run.png"}), here + "walk.png");
    EXPECT_EQ(PictureArgument({"--", "-odd.png"}), here + "-odd.png");
    EXPECT_EQ(PictureArgument({"--reverse"}), "");
    Ship({"StringTable.stb", "Mosvane.xml"});
    const std::string picture = WritePicture(m_dir, "walk.png", PatternImage(30, 20));
    Run([&](CMainFrameWindow& frame) {
        ASSERT_TRUE(frame.View()->HasImage());
        EXPECT_EQ(frame.View()->WorkingImage().m_gxImg.width, 30);
        EXPECT_EQ(frame.windowTitle().toStdString(), "Mosvane - " + picture);
    }, picture);
    EXPECT_TRUE(m_shown.empty());
    for (const std::string& unreadable : {m_dir.File("none.png"), m_dir.Path()})
    {
        Run([&](CMainFrameWindow& frame) { EXPECT_FALSE(frame.View()->HasImage()); }, unreadable);
        ASSERT_EQ(m_shown.size(), 1u) << unreadable;
        // The table's text, then the reason on a second line.
        const std::string& text = m_shown[0].m_strText;
        EXPECT_EQ(text.substr(0, text.find('\n')), "This file could not be opened as a picture.");
        ASSERT_NE(text.find('\n'), std::string::npos) << text;
        EXPECT_LT(text.find('\n') + 1, text.size()) << text;
    }
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
        int paneWidth;
        QRect geometry; // empty: centred default
    };
    const Row rows[] = {
        {"width as bytes", QByteArray("\x2c\x01\0\0", 4), {}, 250, {}},
        {"negative width", QStringLiteral("-5"), {}, 250, {}},
        {"width as digits", QStringLiteral("275"), {}, 275, {}},
        {"minimized opens normal", 300, PlacementBytes(minimized), 300, QRect(100, 100, 600, 400)},
        {"wrong length", 300, PlacementBytes(badLength), 300, {}},
        {"off every screen", 300, PlacementBytes(PresetPlacement(QRect(9000, 9000, 800, 600))), 300, {}},
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
        Run([&](CMainFrameWindow& frame) {
            EXPECT_FALSE(frame.isMinimized());
            EXPECT_TRUE(frame.isVisible());
            // A stored or centred placement below the window's least size grows to it.
            const QRect placed = row.geometry.isEmpty() ? WorkArea().adjusted(100, 100, -100, -100) : row.geometry;
            EXPECT_EQ(frame.geometry(), QRect(placed.topLeft(), placed.size().expandedTo(frame.minimumSize())));
            EXPECT_EQ(frame.ToolkitDock()->width(), row.paneWidth);
        });
    }
}

namespace
{
// A control of a tab and the value a person sets in it; each is written back at exit.
struct SKept
{
    int m_nTab, m_nId;
    const char* m_pValue;
};
const SKept kKept[] = {
    {0, IdSplitRows, "3"}, {0, IdSplitCols, "4"}, {0, IdSplitFrom, "5"}, {0, IdSplitTemplate, "###"}, {0, IdCombineRows, "2"}, {0, IdCombineCols, "6"},
    {0, IdCombineFrom, "7"}, {0, IdCombineType, "gif"}, {0, IdSequenceTemplate, "##"}, {0, IdSequenceTitle, "sheet"}, {1, IdKeyRed, "1"}, {1, IdKeyGreen, "2"},
    {1, IdKeyBlue, "3"}, {1, IdKeyAlpha, "4"}, {1, IdBlendBackground, "/bk.png"}, {1, IdBlendOverlay, "/over.png"}, {1, IdMngFrom, "8"},
    {1, IdMngFrameCount, "9"}, {1, IdMngFolder, "/frames"}, {1, IdSequenceTitle, "anim"}, {1, IdMngFps, "12"}, {1, IdSequenceTemplate, "f##"},
    {1, IdMngType, "dds"}, {1, IdMngFormat, "apng"}, {1, IdAlphaImageFile, "/alpha.png"}, {0, IdSheetData, "json-array"},
    {0, IdSheetSplitMargin, "2"}, {0, IdSheetSpacing, "3"}, {0, IdSheetTrim, "true"}, {0, IdSheetSkipEmpty, "true"},
    {0, IdSheetCombineMargin, "4"}, {0, IdSheetPadding, "5"}, {0, IdSheetExtrude, "65535"}, {0, IdSheetKeepAlpha, "false"},
};

QWidget* ControlOf(CMainFrameWindow& frame, int tab, int id)
{
    return FindById<QWidget>(frame.ToolTabs()->widget(tab), id);
}

void Shoot(QWidget& frame, const char* name)
{
    ASSERT_TRUE(QDir().mkpath(QStringLiteral(MOSVANE_SCREENSHOT_DIR)));
    EXPECT_TRUE(frame.grab().save(QStringLiteral(MOSVANE_SCREENSHOT_DIR "/%1.png").arg(name))) << name;
}
} // namespace

// The second start also takes the screenshots: the window with a dragged split grid, and each
// tab filled in.
TEST_F(StartupTest, RestartKeepsEveryValueThePanelsWriteBackScreenshots)
{
    Ship({"StringTable.stb", "Mosvane.xml", "BatchMosvane.xml"});
    Run([&](CMainFrameWindow& frame) {
        EXPECT_EQ(ValueOf(ControlOf(frame, 0, IdSheetKeepAlpha)), "true"); // on for new settings
        for (const SKept& kept : kKept)
            SetValue(ControlOf(frame, kept.m_nTab, kept.m_nId), QString::fromUtf8(kept.m_pValue));
        // The source folder is kept only when chosen with "...".
        m_dialogs.m_folders = {"/chosen/"};
        qobject_cast<QAbstractButton*>(ControlOf(frame, 0, IdCombineBrowse))->click();
        SetValue(ControlOf(frame, 0, IdCombineFolder), "/typed");
    });
    GetProgramSettings() = CProgramSettings{}; // the next start reads the file written at exit
    const std::string picture = WritePicture(m_dir, "scene.png", PatternImage(640, 420));
    Run([&](CMainFrameWindow& frame) {
        for (const SKept& kept : kKept)
            EXPECT_EQ(ValueOf(ControlOf(frame, kept.m_nTab, kept.m_nId)).toStdString(), kept.m_pValue)
                << kept.m_nId;
        EXPECT_EQ(ValueOf(ControlOf(frame, 0, IdCombineFolder)), "/chosen");
        // What the Sheet group holds is what a split, a combine and their batch sections get.
        SplitInputs split;
        CombineInputs combine;
        frame.GetSplitSettings(split), frame.GetCombineSettings(combine);
        EXPECT_EQ(split.m_sheet, (SSplitSheet{ESheetData::JsonArray, 2, 3, true, true}));
        EXPECT_EQ(combine.m_sheet, (SCombineSheet{ESheetData::JsonArray, false, 5, 4, 65535}));

        CMessageRecorder messages;
        m_dialogs.m_openPaths = {picture};
        frame.OnCommand(IdFileOpen);
        ASSERT_TRUE(frame.View()->DrawSplitLines(3, 4));
        const int x = int(frame.View()->SplitGrid().ColumnLines()[1]);
        Drag(frame.View()->Canvas(), QPoint(x, 50), QPoint(x + 30, 50));
        EXPECT_EQ(frame.View()->SplitGrid().ColumnLines()[1], x + 30);
        frame.ToolTabs()->setCurrentIndex(0);
        Settle();
        Shoot(frame, "main-window");
        m_dialogs.m_savePaths = {m_dir.File("jobs.xml")};
        qobject_cast<QAbstractButton*>(ControlOf(frame, 2, IdBatchNew))->click();
        qobject_cast<QAbstractButton*>(ControlOf(frame, 2, BatchKindInfo(EBatchKind::AlphaExtract).m_panel.m_nSaveConfigId))->click();
        const char* const names[] = {"panel-split-combine", "panel-specialties", "panel-batch-all"};
        for (int tab = 0; tab < 3; ++tab)
        {
            frame.ToolTabs()->setCurrentIndex(tab);
            Settle();
            Shoot(frame, names[tab]);
        }
        EXPECT_EQ(messages.m_messages.size(), 1u); // the batch's "Succeed"
    });
}
