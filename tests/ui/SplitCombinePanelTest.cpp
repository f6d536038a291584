// The "Split && Combine" tab: the split steps with their hints, a dragged grid written as files (and
// the same files from the runner once recorded),
// template refusals, "Prepare" and a combine from a prepared folder.

#include "GuiTesting.h"
#include "support/PixiSheets.h"

#include "batch/BatchKindTable.h"
#include "ui/BatchPanel.h"
#include "ui/SplitCombinePanel.h"
#include "view/MosvaneView.h"

#include <QComboBox>
#include <QLabel>

#include <filesystem>

using namespace mosvane::test;

namespace
{
constexpr int kSplitTab = 0;
const std::string kInvalidGrid = "Invalid split row or column value found!\nPlease correct it first to continue!";

class SplitCombinePanelTest : public FrameTest
{
protected:
    QString Hint(int id) { return Control<QLabel>(kSplitTab, id)->text(); }
};
} // namespace

TEST_F(SplitCombinePanelTest, SplitStepsAndDraggedGridWrittenAsFiles)
{
    Settings().m_strSplitTemplate = "##", Settings().m_nSplitSeqFrom = 1;
    Start();
    EXPECT_EQ(Hint(IdSplitHint), CSplitCombinePanel::kHint1);
    EXPECT_FALSE(Enabled(kSplitTab, IdSplitRows) || Enabled(kSplitTab, IdDrawSplitLine) || Enabled(kSplitTab, IdSplit));

    const QImage picture = PatternImage(60, 40);
    Open(WritePicture(m_dir, "in.png", picture));
    EXPECT_EQ(Hint(IdSplitHint), CSplitCombinePanel::kHint2);
    EXPECT_TRUE(Enabled(kSplitTab, IdSplitRows) && Enabled(kSplitTab, IdDrawSplitLine));
    EXPECT_FALSE(Enabled(kSplitTab, IdSplit));

    Type(kSplitTab, IdSplitRows, "2");
    Type(kSplitTab, IdSplitCols, "3");
    Click(kSplitTab, IdDrawSplitLine);
    EXPECT_EQ(Hint(IdSplitHint), CSplitCombinePanel::kHint3);
    ASSERT_EQ(m_pFrame->View()->SplitGrid().ColumnLines(), (std::vector<int64_t>{20, 40}));
    Drag(m_pFrame->View()->Canvas(), QPoint(20, 10), QPoint(26, 10));
    SetValue(Control<QWidget>(kSplitTab, IdSheetData), "json-hash");
    Click(kSplitTab, IdSplit);
    EXPECT_EQ(TakeMessages(), Said{"Succeed: Succeed to split the image and save as:\n\n " + m_dir.Path() +
                                   "/in##.png\n\nwith the data file:\n\n " + m_dir.File("in.json")}); // the title follows the picture
    // The data file names the dragged cells' rectangles in the picture, which stays whole.
    const SJson data = ReadSheetData(m_dir.File("in.json"));
    EXPECT_EQ(data["meta"]["image"].m_strValue, "in.png");
    const SJson& dragged = data["frames"]["in02.png"]["frame"];
    EXPECT_EQ((std::vector<int64_t>{dragged["x"].Integer(), dragged["y"].Integer(), dragged["w"].Integer(),
                                    dragged["h"].Integer()}),
              (std::vector<int64_t>{26, 0, 14, 20}));

    // The pieces have the dragged widths; recorded on the batch tab, the dragged grid gives the
    // runner the very same files.
    namespace fs = std::filesystem;
    fs::create_directories(m_dir.File("window"));
    const int widths[] = {26, 14, 20};
    for (int cell = 1; cell <= 6; ++cell)
    {
        const std::string name = "in0" + std::to_string(cell) + ".png";
        EXPECT_EQ(QImage(QString::fromStdString(m_dir.File(name))).size(), QSize(widths[(cell - 1) % 3], 20)) << name;
        fs::rename(m_dir.File(name), m_dir.File("window/" + name));
    }
    constexpr int kBatchTab = 2;
    const SBatchPanelRow& row = BatchKindInfo(EBatchKind::Split).m_panel;
    m_dialogs.m_savePaths = {m_dir.File("jobs.xml")};
    Click(kBatchTab, IdBatchNew);
    Click(kBatchTab, row.m_nSaveConfigId);
    m_dialogs.m_openPaths = {m_dir.File("in.png")};
    Click(kBatchTab, row.m_nAddItemsId);
    Click(kBatchTab, IdBatchSave);
    TakeMessages();
    ASSERT_EQ(RunCommand(ShellQuote(BinDir() + "/mosvane-batch") + " " + ShellQuote(m_dir.File("jobs.xml")) +
                         " --kind split >/dev/null"),
              0);
    for (int cell = 1; cell <= 6; ++cell)
    {
        const std::string name = "in0" + std::to_string(cell) + ".png";
        EXPECT_EQ(ReadTextFile(m_dir.File(name)), ReadTextFile(m_dir.File("window/" + name))) << name;
    }

    // Another picture returns to the second step. A grid the check refuses (one row and one
    // column, more rows or columns than pixels) leaves the step, "Split it!" and the grid as they
    // were; an accepted one reaches the third step.
    Open(WritePicture(m_dir, "again.png", picture));
    EXPECT_FALSE(Enabled(kSplitTab, IdSplit));
    struct SCase
    {
        const char *m_pRows, *m_pCols;
        bool m_bAccepted, m_bSplitAfter;
    };
    for (const SCase& c : {SCase{"1", "1", false, false}, {"41", "2", false, false}, {"2", "3", true, true},
                           {"1", "1", false, true}, {"2", "61", false, true}})
    {
        Type(kSplitTab, IdSplitRows, c.m_pRows);
        Type(kSplitTab, IdSplitCols, c.m_pCols);
        Click(kSplitTab, IdDrawSplitLine);
        EXPECT_EQ(Enabled(kSplitTab, IdSplit), c.m_bSplitAfter) << c.m_pRows << " x " << c.m_pCols;
        EXPECT_EQ(Hint(IdSplitHint), c.m_bSplitAfter ? CSplitCombinePanel::kHint3 : CSplitCombinePanel::kHint2);
        EXPECT_EQ(TakeMessages(), c.m_bAccepted ? Said{} : Said{"OK: " + kInvalidGrid}) << c.m_pRows;
    }
    EXPECT_EQ(m_pFrame->View()->SplitGrid().ColumnLines(), (std::vector<int64_t>{20, 40}));
}

TEST_F(SplitCombinePanelTest, TemplatesHoldOnlyHashes)
{
    Settings().m_strSplitTemplate = "#a#", Settings().m_strCombineTemplate = "###";
    Start();
    EXPECT_EQ(Text(kSplitTab, IdSplitTemplate), ""); // refused at seeding
    EXPECT_EQ(Text(kSplitTab, IdSequenceTemplate), "###");

    Type(kSplitTab, IdSplitTemplate, "#x#"); // the typed x is refused
    EXPECT_EQ(Text(kSplitTab, IdSplitTemplate), "##");
    auto* combineTemplate = Control<QLineEdit>(kSplitTab, IdSequenceTemplate);
    combineTemplate->setText("#1"); // set from outside: refused whole
    EXPECT_EQ(combineTemplate->text(), "###");
    combineTemplate->selectAll();
    combineTemplate->insert("##b"); // as a paste: refused whole, caret to the start
    EXPECT_EQ(combineTemplate->text(), "###");
    EXPECT_EQ(combineTemplate->cursorPosition(), 0);

    // Editing keys edit: Delete and Backspace pressed on the display's keyboard, whose texts on
    // X11 are the control characters 0x7f and 0x08.
    combineTemplate->setFocus();
    combineTemplate->setCursorPosition(0);
    ASSERT_TRUE(combineTemplate->hasFocus());
    constexpr unsigned long kXDelete = 0xffff, kXBackspace = 0xff08;
    ASSERT_TRUE(PressKeyOnDisplay(kXDelete));
    EXPECT_EQ(combineTemplate->text(), "##");
    combineTemplate->setCursorPosition(2);
    ASSERT_TRUE(PressKeyOnDisplay(kXBackspace));
    EXPECT_EQ(combineTemplate->text(), "#");
}

TEST_F(SplitCombinePanelTest, PrepareTellsWhatIsMissingThenCombinesTheChosenFolder)
{
    const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::cyan, Qt::magenta};
    WriteSequence("seq", "img", 3, 6, [&](int k) { return Filled(colours[k - 1], 8, 6); });
    Settings().m_strCombineNameFormat = "img", Settings().m_strCombineTemplate = "###";
    Settings().m_strCombineImgType = "PNG"; // any case
    Settings().m_nCombineCols = 3, Settings().m_nCombineSeqFrom = 1;
    Start();
    struct SCase
    {
        const char *m_pFolder, *m_pTemplate, *m_pRows, *m_pExpected;
        bool m_bReady;
    };
    const SCase cases[] = {
        {"/seq", "", "2", "Bad Number Template Inputted!", false},
        {"/seq", "###", "2",
         "Combine out a 2 x 3 picture using images from img001.png to img006.png from the source folder /seq.", true},
    };
    for (const SCase& c : cases)
    {
        Type(kSplitTab, IdCombineFolder, c.m_pFolder);
        Type(kSplitTab, IdSequenceTemplate, c.m_pTemplate);
        Type(kSplitTab, IdCombineRows, c.m_pRows);
        Click(kSplitTab, IdCombinePrepare);
        EXPECT_EQ(Control<QLabel>(kSplitTab, IdCombineHint)->text().toStdString(), c.m_pExpected);
        EXPECT_EQ(Enabled(kSplitTab, IdCombine), c.m_bReady) << c.m_pExpected;
    }
    // One row and one column pass "Prepare" but no getter.
    Type(kSplitTab, IdCombineRows, "1");
    Type(kSplitTab, IdCombineCols, "1");
    Click(kSplitTab, IdCombinePrepare);
    CombineInputs inputs;
    EXPECT_FALSE(m_pFrame->GetCombineSettings(inputs));

    Type(kSplitTab, IdCombineRows, "2");
    Type(kSplitTab, IdCombineCols, "3");
    m_dialogs.m_folders = {m_dir.File("seq") + "//"};
    Click(kSplitTab, IdCombineBrowse);
    EXPECT_EQ(Text(kSplitTab, IdCombineFolder).toStdString(), m_dir.File("seq"));
    EXPECT_EQ(Settings().m_strCombineSourceFolder, m_dir.File("seq"));
    Click(kSplitTab, IdCombinePrepare);
    Click(kSplitTab, IdCombine);
    EXPECT_EQ(TakeMessages(), Said{"Succeed: Succeed to combine the image and save as:\n\n " + m_dir.File("out.png")});
    const QImage sheet(QString::fromStdString(m_dir.File("out.png")));
    ASSERT_EQ(sheet.size(), QSize(24, 12));
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(sheet.pixelColor((k % 3) * 8 + 4, (k / 3) * 6 + 3), colours[k]) << k;
}
