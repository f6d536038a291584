// The main frame as a person uses it: open and save through the toolbar keys, the title, the
// Output Settings pane following the picture, progress, help and About, accessible names.

#include "GuiTesting.h"

#include "ui/OutputSettingsPanel.h"
#include "ui/PanelControls.h"
#include "view/MosvaneView.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QSpinBox>
#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDockWidget>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QToolButton>

#include <algorithm>
#include <array>
#include <set>

using namespace mosvane::test;

namespace
{
void CtrlKey(QWidget* frame, Qt::Key key)
{
    QTest::keyClick(frame, key, Qt::ControlModifier);
    Settle();
}

// A widget a person sets or presses (which needs a name for screen readers and a tab stop).
bool IsControl(QWidget* w)
{
    return qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
           qobject_cast<QAbstractSpinBox*>(w);
}
} // namespace

TEST_F(FrameTest, OpenSetsTitleAndOutputPaneThenCtrlSSavesNamedFile)
{
    Start();
    QAction* save = FindById<QAction>(m_pFrame.get(), IdFileSave);
    ASSERT_TRUE(save);
    EXPECT_FALSE(save->isEnabled());
    CtrlKey(m_pFrame.get(), Qt::Key_S); // nothing to save: no dialog is asked
    EXPECT_TRUE(m_dialogs.m_strLastSuffix.isEmpty());

    const std::string path = WritePicture(m_dir, "photo.PNG", PatternImage(64, 48));
    m_dialogs.m_openPaths = {path};
    CtrlKey(m_pFrame.get(), Qt::Key_O);
    EXPECT_EQ(m_pFrame->windowTitle().toStdString(), "Mosvane - " + path);
    EXPECT_TRUE(save->isEnabled());
    COutputSettingsPanel& output = *m_pFrame->OutputPanel();
    EXPECT_EQ(output.TitleEdit()->text(), "photo");
    EXPECT_EQ(output.TypeList()->currentText(), "png");

    m_dialogs.m_savePaths = {m_dir.File("copy.tga")};
    CtrlKey(m_pFrame.get(), Qt::Key_S);
    EXPECT_EQ(m_dialogs.m_strLastSuffix, "tga");
    EXPECT_TRUE(m_dialogs.m_strLastSaveFilter.contains("Targa (*.tga)"));
    const GX_IMAGE written = gxLoadImage(m_dir.File("copy.tga").c_str());
    EXPECT_EQ(written.width * 1000 + written.height, 64048);
    gxDestroyImage(written.id);
    EXPECT_TRUE(m_pMessages->m_messages.empty());

    // A write the system refuses is said, not passed over.
    m_dialogs.m_savePaths = {m_dir.File("copy.tga/under/copy.tga")};
    CtrlKey(m_pFrame.get(), Qt::Key_S);
    EXPECT_EQ(TakeMessages().at(0).substr(0, 5), "Fail:");
}

TEST_F(FrameTest, OutputPaneFollowsOpenedFilesAndBrowsedFolder)
{
    Start();
    COutputSettingsPanel& output = *m_pFrame->OutputPanel();
    output.TypeList()->setCurrentIndex(2); // tga
    // Opened path, then the title and type shown: no type, or one not in the list, keeps the shown one.
    for (const auto& [path, title, type] : {std::array{"/a/b/anim.gif", "anim", "tga"}, {"/a/shot.Jpg", "shot", "jpg"},
                                            {"/a/plain", "plain", "jpg"}, {"/a/x.tar.BMP", "x.tar", "bmp"},
                                            {"/a/sheet.dds", "sheet", "bmp"}})
    {
        m_pFrame->OnImageOpened(path);
        EXPECT_EQ(output.TitleEdit()->text() + "|" + output.TypeList()->currentText(), QString(title) + "|" + type);
    }
    SequenceRecord record;
    output.FolderEdit()->setText("/out");
    EXPECT_TRUE(m_pFrame->GetOutputSettings(record));
    EXPECT_EQ(record.m_strFolder + "|" + record.m_strTitle + "|" + record.m_strType, "/out|sheet|bmp");
    output.TitleEdit()->clear();
    EXPECT_FALSE(m_pFrame->GetOutputSettings(record));

    m_dialogs.m_folders = {"/data/pictures//"};
    QTest::mouseClick(FindById<QAbstractButton>(m_pFrame.get(), IdOutputBrowse), Qt::LeftButton);
    EXPECT_EQ(m_dialogs.m_strLastFolderTitle, "Select a target folder to output pictures");
    EXPECT_EQ(output.FolderEdit()->text(), "/data/pictures");
    EXPECT_EQ(GetProgramSettings().m_strOutputFolder, "/data/pictures");
    EXPECT_EQ(WithoutTrailingSeparators("/"), "/");
}

TEST_F(FrameTest, ProgressHelpFileAndAboutBox)
{
    Start();
    m_pFrame->BeginProgress(4);
    QProgressBar* bar = m_pFrame->ProgressBar();
    for (int i = 0; i < 6; ++i) // steps beyond the count stay at its end
        m_pFrame->StepProgress();
    EXPECT_TRUE(bar->isVisible() && bar->value() == 4);
    m_pFrame->EndProgress();
    EXPECT_FALSE(bar->isVisible());

    // Pressing "Help" itself opens the About box; its arrow holds the menu.
    QToolButton* help = FindById<QToolButton>(m_pFrame.get(), IdAppAbout);
    ASSERT_TRUE(help && help->defaultAction() && help->defaultAction()->menu());
    QTest::mouseClick(help, Qt::LeftButton, {}, QPoint(8, help->height() / 2));
    Settle();
    ASSERT_TRUE(m_pFrame->AboutBox() && m_pFrame->AboutBox()->isVisible());
    m_pFrame->AboutBox()->accept();

    // Without the help file every help command says so; with it, each opens its section.
    for (const int id : {IdHelpTopics, IdHelpSupport})
        EXPECT_TRUE(m_pFrame->OnCommand(id));
    EXPECT_EQ(TakeMessages(), Said(2, "Sorry: Help File Missing!"));
    ASSERT_TRUE(WriteFileBytes(m_dir.File("Mosvane.html"), {'<', 'p', '>'}));
    for (const int id : {IdHelpTopics, IdHelpSupport, IdHelpFeedback, IdHelpWebsite})
        m_pFrame->OnCommand(id);
    ASSERT_EQ(m_dialogs.m_openedUrls.size(), 4u);
    EXPECT_EQ(m_dialogs.m_openedUrls[1], "file://" + m_dir.File("Mosvane.html") + "#support");
    EXPECT_EQ(TakeMessages(), Said{});
    m_dialogs.m_bNoBrowser = true;
    m_pFrame->OnCommand(IdHelpTopics);
    EXPECT_EQ(TakeMessages(), Said{"Sorry: No program could be started to show the help file. It can be opened by "
                                   "hand from:\n\n " + m_dir.File("Mosvane.html")});
    EXPECT_FALSE(m_pFrame->OnCommand(4242));
}

// At the first-start width every tab shows its whole caption without scroll arrows, and every
// panel lays out inside the pane: nothing cut at the right edge, no horizontal scroll bar. Every
// control has a name for screen readers, and within a pane its id names it alone (panels, tests
// and the frame find controls by id); the panes cannot be closed.
TEST_F(FrameTest, PanelsFitTheFirstStartPaneWidthWithNamedControls)
{
    Start();
    for (QDockWidget* dock : {m_pFrame->ToolkitDock(), m_pFrame->OutputDock()})
        EXPECT_FALSE(dock->features() & QDockWidget::DockWidgetClosable);
    ASSERT_EQ(m_pFrame->ToolkitDock()->width(), CMainFrameWindow::kDefaultPaneWidth);
    QTabWidget* tabs = m_pFrame->ToolTabs();
    QTabBar* bar = tabs->tabBar();
    EXPECT_TRUE(tabs->rect().contains(bar->geometry()));
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(0), "Split && Combine");
    for (int i = 0; i < tabs->count(); ++i)
        EXPECT_TRUE(bar->rect().contains(bar->tabRect(i))) << i;
    for (QToolButton* arrow : bar->findChildren<QToolButton*>())
        EXPECT_FALSE(arrow->isVisible());

    auto* outputPane = qobject_cast<QScrollArea*>(m_pFrame->OutputDock()->widget());
    for (int i = -1; i < tabs->count(); ++i) // the output pane, then each tab made the current one
    {
        auto* pane = i < 0 ? outputPane : qobject_cast<QScrollArea*>(Tab(i));
        ASSERT_TRUE(pane && pane->widget() && pane->isVisible());
        const QString panel = pane->widget()->metaObject()->className();
        EXPECT_FALSE(pane->horizontalScrollBar()->isVisible()) << panel.toStdString();
        std::set<int> ids;
        for (QObject* object : pane->widget()->findChildren<QObject*>())
        {
            const int id = CommandIdOf(object);
            EXPECT_TRUE(id == 0 || ids.insert(id).second) << panel.toStdString() << " has id " << id << " twice";
        }
        for (QWidget* child : pane->widget()->findChildren<QWidget*>())
        {
            if (!child->isVisibleTo(pane))
                continue;
            const QRect place(child->mapTo(pane->viewport(), QPoint(0, 0)), child->size());
            EXPECT_TRUE(place.left() >= 0 && place.right() < pane->viewport()->width())
                << panel.toStdString() << " " << CommandIdOf(child) << " " << child->metaObject()->className();
        }
    }
    m_pFrame->OnCommand(IdAppAbout);
    for (QWidget* root : {static_cast<QWidget*>(m_pFrame.get()), static_cast<QWidget*>(m_pFrame->AboutBox())})
        for (QWidget* w : root->findChildren<QWidget*>())
        {
            EXPECT_TRUE(!IsControl(w) || !QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name).isEmpty())
                << CommandIdOf(w) << " " << w->metaObject()->className();
        }
    m_pFrame->AboutBox()->accept();
    // "Output Settings" is said once: by the panel's group box, not also by a dock title.
    EXPECT_TRUE(m_pFrame->OutputDock()->titleBarWidget());
    EXPECT_TRUE(FindById<QGroupBox>(outputPane, IdOutputGroup)->isVisible());
}

// With the output going where the opened picture lies, under its title, every operation that writes
// a file asks before it writes over the picture or over a file the window did not write in this
// run; No writes nothing and says so, Yes writes, and a file the window wrote itself is written
// again without a question.
TEST_F(FrameTest, NoOperationWritesOverAFileItDidNotWriteWithoutAsking)
{
    WriteSequence("seq", "img", 3, 2, [](int k) { return Filled(QColor(k * 100, 0, 0), 8, 6); });
    SeedCombine("seq", "img", 3, 1, 2), SeedMng("seq", "img", 3, 2, 4);
    Settings().m_strSplitTemplate = "##", Settings().m_nSplitSeqFrom = 1;
    Start();
    const std::string source = m_dir.File("in.png");
    const std::string background = WritePicture(m_dir, "seq/bk.png", Filled(Qt::blue));
    struct SCase
    {
        const char* m_pName;
        std::string m_strTarget;      // the file written over
        bool m_bAsksAgain;            // after Yes: the picture's own file is asked for every time
        std::function<void()> m_fnDo; // with the picture open
    };
    const SCase cases[] = {
        {"blend", source, true, [&] { Set(1, IdBlendBackground, QString::fromStdString(background)), Click(1, IdBlend); }},
        {"extract", source, true, [&] { Click(1, IdExtractAlpha); }},
        {"split", m_dir.File("in01.png"), false,
         [&] { Set(0, IdSplitRows, "1"), Set(0, IdSplitCols, "2"), Click(0, IdDrawSplitLine), Click(0, IdSplit); }},
        {"combine", source, true, [&] { Click(0, IdCombinePrepare), Click(0, IdCombine); }},
        {"mng", m_dir.File("in.mng"), false, [&] { Click(1, IdMakeMng); }},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.m_pName);
        WritePicture(m_dir, "in.png", PatternImage(8, 8, 128));
        if (c.m_strTarget != source)
            WriteTextFile(c.m_strTarget, "someone's file");
        const std::string before = ReadTextFile(c.m_strTarget);
        Open(source);
        TakeMessages();

        m_dialogs.m_questions.clear(), m_dialogs.m_answers = {false};
        c.m_fnDo();
        ASSERT_EQ(m_dialogs.m_questions.size(), 1u);
        EXPECT_NE(m_dialogs.m_questions[0].find(c.m_strTarget), std::string::npos) << m_dialogs.m_questions[0];
        EXPECT_EQ(TakeMessages(), Said{"OK: Nothing was written; the existing file was kept:\n\n " + c.m_strTarget});
        EXPECT_EQ(ReadTextFile(c.m_strTarget), before);

        m_dialogs.m_answers = {true};
        c.m_fnDo();
        EXPECT_EQ(m_dialogs.m_questions.size(), 2u);
        const Said said = TakeMessages();
        ASSERT_EQ(said.size(), 1u);
        EXPECT_EQ(said[0].rfind("Succeed: ", 0), 0u) << said[0];
        EXPECT_NE(ReadTextFile(c.m_strTarget), before);

        m_dialogs.m_answers = {false};
        c.m_fnDo();
        EXPECT_EQ(m_dialogs.m_questions.size(), c.m_bAsksAgain ? 3u : 2u);
        TakeMessages();
    }
}

// Every start shows the first tab with the focus in its first control that takes it; Tab then
// visits only controls, in reading order, the current tab's and then Output Settings', and comes
// round to the tab strip and back.
TEST_F(FrameTest, StartsOnFirstTabAndTabVisitsControlsInReadingOrder)
{
    Start();
    EXPECT_EQ(m_pFrame->ToolTabs()->currentIndex(), 0);
    // The edit inside a number box has the focus for the box (the tab strip has it for the tabs,
    // and is a stop of its own).
    const auto controlOf = [](QWidget* w) {
        auto* box = qobject_cast<QAbstractSpinBox*>(w->parentWidget());
        return box && box->focusProxy() == w ? box : w;
    };
    QWidget* first = QApplication::focusWidget();
    ASSERT_TRUE(first);
    EXPECT_EQ(CommandIdOf(controlOf(first)), IdSplitFrom); // "From Number:": rows and columns wait for a picture

    // The current tab's controls lie below one another (pairs side by side), then the output
    // pane's below the tab.
    const auto place = [&](QWidget* w) { return w->mapTo(m_pFrame.get(), QPoint(0, 0)); };
    std::vector<QWidget*> visited;
    QWidget* at = QApplication::focusWidget();
    for (int i = 0; i < 40; ++i)
    {
        QWidget* control = controlOf(at);
        if (!visited.empty() && control == visited.front())
            break;
        EXPECT_TRUE(IsControl(control) || qobject_cast<QTabBar*>(control))
            << control->metaObject()->className() << " at stop " << visited.size();
        EXPECT_TRUE(control->isVisible() && control->isEnabled()) << CommandIdOf(control);
        visited.push_back(control);
        QTest::keyClick(at, Qt::Key_Tab);
        at = QApplication::focusWidget();
        ASSERT_TRUE(at);
    }
    ASSERT_GE(visited.size(), 12u);
    EXPECT_EQ(CommandIdOf(visited[1]), IdSplitTemplate); // the split template after "From Number:"
    const auto tabBar = std::find(visited.begin(), visited.end(), m_pFrame->ToolTabs()->tabBar());
    ASSERT_NE(tabBar, visited.end()) << "the tab strip is reached";
    EXPECT_EQ(CommandIdOf(*(tabBar - 1)), IdOutputBrowse);
    for (auto it = visited.begin(); it + 1 < tabBar; ++it)
    {
        const QPoint a = place(*it), b = place(*(it + 1));
        EXPECT_TRUE(b.y() > a.y() || (b.y() >= a.y() - 4 && b.x() > a.x()))
            << CommandIdOf(*it) << " before " << CommandIdOf(*(it + 1));
    }
}

// Turned over a number box or list that has no focus, the wheel scrolls the pane and changes
// nothing; with the focus it changes the value.
TEST_F(FrameTest, WheelChangesBoxesOnlyWithFocus)
{
    Settings().m_nCombineRows = 8;
    Start();
    m_pFrame->resize(m_pFrame->minimumSize()); // the panel scrolls in a low pane
    Settle();
    auto* pane = qobject_cast<QScrollArea*>(Tab(0));
    auto* rows = Control<QSpinBox>(0, IdCombineRows);
    auto* type = Control<QComboBox>(0, IdCombineType);
    ASSERT_TRUE(pane && rows && type && pane->verticalScrollBar()->maximum() > 0);
    pane->ensureWidgetVisible(rows);
    Settle();
    const int scrolled = pane->verticalScrollBar()->value();
    const QString typeBefore = type->currentText();
    for (QWidget* box : {static_cast<QWidget*>(rows), static_cast<QWidget*>(type)})
        TurnWheel(box, box->rect().center(), 120 * 3);
    EXPECT_EQ(rows->value(), 8);
    EXPECT_EQ(type->currentText(), typeBefore);
    EXPECT_NE(pane->verticalScrollBar()->value(), scrolled);

    pane->ensureWidgetVisible(rows);
    rows->setFocus();
    Settle();
    TurnWheel(rows, rows->rect().center(), -120);
    EXPECT_EQ(rows->value(), 7);
}

// However small the person makes the window, the two panes lie one above the other, the Output
// Settings rows whole; made large again, they stay so.
TEST_F(FrameTest, SmallestWindowKeepsBothPanesWholeAtAnyRatio)
{
    Start();
    QDockWidget* tools = m_pFrame->ToolkitDock();
    QDockWidget* output = m_pFrame->OutputDock();
    const auto whole = [&](const char* when) {
        SCOPED_TRACE(when);
        EXPECT_LE(tools->geometry().bottom(), output->geometry().top());
        EXPECT_TRUE(m_pFrame->rect().contains(output->geometry()));
        EXPECT_TRUE(tools->widget()->isVisible() && tools->height() > m_pFrame->ToolTabs()->tabBar()->height());
        for (QWidget* control : {static_cast<QWidget*>(m_pFrame->OutputPanel()->FolderEdit()),
                                 static_cast<QWidget*>(FindById<QWidget>(output, IdOutputBrowse)),
                                 static_cast<QWidget*>(m_pFrame->OutputPanel()->TypeList())})
        {
            const QRect at(control->mapTo(output, QPoint(0, 0)), control->size());
            EXPECT_TRUE(output->rect().contains(at)) << CommandIdOf(control);
        }
        EXPECT_GT(m_pFrame->View()->width(), 0);
    };
    whole("first start");
    m_pFrame->resize(200, 150);
    Settle();
    EXPECT_GT(m_pFrame->width(), 200);
    whole("smallest");
    m_pFrame->resize(1000, 700);
    Settle();
    whole("large again");
}
