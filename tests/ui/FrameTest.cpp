// The main frame as a person uses it: open and save through the toolbar keys, the title, the
// Output Settings pane following the picture, progress, help and About, accessible names.

#include "GuiTesting.h"

#include "config/ProgramSettings.h"
#include "ui/CommandIds.h"
#include "ui/MainFrm.h"
#include "ui/OutputSettingsPanel.h"
#include "view/MosvaneView.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDockWidget>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QSettings>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

using namespace mosvane::test;

namespace
{
class FrameTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_pFrame = std::make_unique<CMainFrameWindow>(m_dir.Path());
        QSettings settings;
        settings.clear();
        m_pFrame->RestoreAndShow(settings);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_pFrame.get()));
        m_pFrame->activateWindow();
        Settle();
        m_pMessages = std::make_unique<CMessageRecorder>();
    }
    void TearDown() override
    {
        m_pMessages.reset();
        m_pFrame.reset();
    }
    QAction* Action(int id) { return FindById<QAction>(m_pFrame.get(), id); }
    void Key(Qt::Key key)
    {
        QTest::keyClick(m_pFrame.get(), key, Qt::ControlModifier);
        Settle();
    }

    CTempDir m_dir;
    CDialogAnswers m_dialogs;
    std::unique_ptr<CMainFrameWindow> m_pFrame;
    std::unique_ptr<CMessageRecorder> m_pMessages;
};
} // namespace

TEST_F(FrameTest, OpenSetsTitleAndOutputPaneThenCtrlSSavesNamedFile)
{
    QAction* save = Action(IdFileSave);
    ASSERT_TRUE(save);
    EXPECT_FALSE(save->isEnabled());
    Key(Qt::Key_S); // nothing to save: no dialog is asked
    EXPECT_TRUE(m_dialogs.m_strLastSuffix.isEmpty());

    const std::string path = WritePicture(m_dir, "photo.PNG", PatternImage(64, 48));
    m_dialogs.m_openPaths = {path};
    Key(Qt::Key_O);
    EXPECT_EQ(m_pFrame->windowTitle().toStdString(), "Mosvane - " + path);
    EXPECT_TRUE(save->isEnabled());
    COutputSettingsPanel& output = *m_pFrame->OutputPanel();
    EXPECT_EQ(output.TitleEdit()->text(), "photo");
    EXPECT_EQ(output.TypeList()->currentText(), "png");

    m_dialogs.m_savePaths = {m_dir.File("copy.tga")};
    Key(Qt::Key_S);
    EXPECT_EQ(m_dialogs.m_strLastSuffix, "tga");
    EXPECT_TRUE(m_dialogs.m_strLastSaveFilter.contains("Targa (*.tga)"));
    const GX_IMAGE written = gxLoadImage(m_dir.File("copy.tga").c_str());
    EXPECT_EQ(written.width * 1000 + written.height, 64048);
    gxDestroyImage(written.id);
    EXPECT_TRUE(m_pMessages->m_messages.empty());

    // A write the system refuses is said, not passed over.
    m_dialogs.m_savePaths = {m_dir.File("no/such/folder/copy.tga")};
    Key(Qt::Key_S);
    ASSERT_EQ(m_pMessages->m_messages.size(), 1u);
    EXPECT_EQ(m_pMessages->m_messages[0].m_strCaption, "Fail");
}

TEST_F(FrameTest, OutputPaneFollowsOpenedFilesAndBrowsedFolder)
{
    COutputSettingsPanel& output = *m_pFrame->OutputPanel();
    struct Row
    {
        const char* path;
        const char* title;
        const char* type;
    };
    output.TypeList()->setCurrentIndex(2); // tga
    for (const Row& row : {Row{"/a/b/anim.gif", "anim", "tga"}, Row{"/a/shot.Jpg", "shot", "jpg"},
                           Row{"/a/plain", "plain", "jpg"}, Row{"/a/x.tar.BMP", "x.tar", "bmp"},
                           Row{"/a/sheet.dds", "sheet", "bmp"}})
    {
        m_pFrame->OnImageOpened(row.path);
        EXPECT_EQ(output.TitleEdit()->text().toStdString(), row.title) << row.path;
        EXPECT_EQ(output.TypeList()->currentText().toStdString(), row.type) << row.path;
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

TEST_F(FrameTest, ProgressShownSteppedAndHidden)
{
    m_pFrame->BeginProgress(4);
    QProgressBar* bar = m_pFrame->ProgressBar();
    ASSERT_TRUE(bar);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->maximum(), 4);
    EXPECT_EQ(bar->value(), 0);
    for (int i = 0; i < 6; ++i)
        m_pFrame->StepProgress();
    EXPECT_EQ(bar->value(), 4);
    m_pFrame->EndProgress();
    EXPECT_FALSE(bar->isVisible());
    m_pFrame->BeginProgress(2);
    EXPECT_EQ(bar->value(), 0);
    EXPECT_TRUE(bar->isVisible());
}

TEST_F(FrameTest, HelpMenuAboutBoxAndHelpFile)
{
    QToolButton* help = FindById<QToolButton>(m_pFrame.get(), IdAppAbout);
    ASSERT_TRUE(help && help->defaultAction() && help->defaultAction()->menu());
    EXPECT_EQ(help->popupMode(), QToolButton::MenuButtonPopup);
    QStringList items;
    for (QAction* action : help->defaultAction()->menu()->actions())
        items << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(items.join('|'), "Help Topics|-|&Technicle Support|&Program Feedback|-|&Software Website|-|"
                               "&About Mosvane...");

    QTest::mouseClick(help, Qt::LeftButton, {}, QPoint(8, help->height() / 2));
    Settle();
    ASSERT_TRUE(m_pFrame->AboutBox());
    EXPECT_TRUE(m_pFrame->AboutBox()->isVisible());
    EXPECT_EQ(m_pFrame->AboutBox()->windowTitle(), "About Mosvane");
    m_pFrame->AboutBox()->accept();

    // Without the help file every help command says so; with it, each opens its section.
    for (const int id : {IdHelpTopics, IdHelpSupport})
        EXPECT_TRUE(m_pFrame->OnCommand(id));
    ASSERT_EQ(m_pMessages->m_messages.size(), 2u);
    EXPECT_EQ(m_pMessages->m_messages[1].m_strText + "/" + m_pMessages->m_messages[1].m_strCaption,
              "Help File Missing!/Sorry");
    ASSERT_TRUE(WriteFileBytes(m_dir.File("Mosvane.html"), {'<', 'p', '>'}));
    for (const int id : {IdHelpTopics, IdHelpSupport, IdHelpFeedback, IdHelpWebsite})
        m_pFrame->OnCommand(id);
    ASSERT_EQ(m_dialogs.m_openedUrls.size(), 4u);
    EXPECT_EQ(m_dialogs.m_openedUrls[0], "file://" + m_dir.File("Mosvane.html"));
    EXPECT_EQ(m_dialogs.m_openedUrls[1], "file://" + m_dir.File("Mosvane.html") + "#support");
    EXPECT_FALSE(m_pFrame->OnCommand(4242));
}

TEST_F(FrameTest, PanesTabsAndAccessibleNames)
{
    QTabWidget* tabs = m_pFrame->ToolTabs();
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(0), "Split && Combine");
    EXPECT_EQ(tabs->tabText(2), "Batch All");
    for (QDockWidget* dock : {m_pFrame->ToolkitDock(), m_pFrame->OutputDock()})
        EXPECT_FALSE(dock->features() & QDockWidget::DockWidgetClosable);
    EXPECT_EQ(m_pFrame->ToolkitDock()->windowTitle(), "Toolkit Space");

    // A panel replaces the placeholder page and keeps the label.
    auto* panel = new QLineEdit;
    m_pFrame->SetToolPanel(1, panel, nullptr);
    EXPECT_EQ(tabs->widget(1), panel);
    EXPECT_EQ(tabs->tabText(1), "Specialties");

    m_pFrame->OnCommand(IdAppAbout);
    const auto checkNames = [](QWidget* root) {
        for (QWidget* w : root->findChildren<QWidget*>())
        {
            if (!qobject_cast<QAbstractButton*>(w) && !qobject_cast<QLineEdit*>(w) && !qobject_cast<QComboBox*>(w))
                continue;
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
            ASSERT_TRUE(face);
            EXPECT_FALSE(face->text(QAccessible::Name).isEmpty()) << w->metaObject()->className();
        }
    };
    panel->setAccessibleName("Panel field");
    checkNames(m_pFrame.get());
    checkNames(m_pFrame->AboutBox());
    m_pFrame->AboutBox()->accept();
}
