// Values the panels keep between runs: set in one run, written into the settings file at exit,
// shown again by the next start; and one screenshot per tab with its panel filled in.

#include "GuiTesting.h"

#include "config/ProgramSettings.h"
#include "ui/Application.h"
#include "ui/CommandIds.h"
#include "ui/MainFrm.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

using namespace mosvane::test;

namespace
{
// A control of a tab and the value a person sets in it; each is written back at exit.
struct SKept
{
    int m_nTab, m_nId;
    const char* m_pValue;
};
const SKept kKept[] = {
    {0, 1000, "3"}, {0, 1001, "4"}, {0, 1039, "5"}, {0, 1040, "###"}, {0, 1032, "2"}, {0, 1033, "6"},
    {0, 1023, "7"}, {0, 1031, "gif"}, {0, 1022, "##"}, {0, 1021, "sheet"}, {1, 1055, "1"}, {1, 1057, "2"},
    {1, 1056, "3"}, {1, 1058, "4"}, {1, 1045, "/bk.png"}, {1, 1047, "/over.png"}, {1, 1060, "8"},
    {1, 1050, "9"}, {1, 1053, "/frames"}, {1, 1021, "anim"}, {1, 1064, "12"}, {1, 1022, "f##"},
    {1, 1054, "dds"}, {1, 1085, "/alpha.png"},
};

QWidget* ControlOf(CMainFrameWindow& frame, int tab, int id)
{
    return FindById<QWidget>(frame.ToolTabs()->widget(tab), id);
}

void SetValue(QWidget* control, const QString& value)
{
    if (auto* box = qobject_cast<QSpinBox*>(control))
        box->setValue(value.toInt());
    else if (auto* list = qobject_cast<QComboBox*>(control))
        list->setCurrentText(value);
    else if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->setText(value);
}

QString ValueOf(QWidget* control)
{
    if (auto* box = qobject_cast<QSpinBox*>(control))
        return box->text();
    if (auto* list = qobject_cast<QComboBox*>(control))
        return list->currentText();
    return qobject_cast<QLineEdit*>(control)->text();
}

void SetAll(CMainFrameWindow& frame)
{
    for (const SKept& kept : kKept)
        SetValue(ControlOf(frame, kept.m_nTab, kept.m_nId), QString::fromUtf8(kept.m_pValue));
}

class PanelPersistenceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QSettings().clear();
        std::filesystem::create_directories(m_dir.File("Cnfg"));
        for (const char* name : {"StringTable.stb", "Mosvane.xml", "BatchMosvane.xml"})
            std::filesystem::copy_file(BinDir() + "/Cnfg/" + name, m_dir.File("Cnfg/") + name);
    }
    void Run(const std::function<void(CMainFrameWindow&)>& check)
    {
        SApplicationOptions options;
        options.m_strProgramFolder = m_dir.Path();
        options.m_fnRunning = [&](CMainFrameWindow& frame) {
            Settle();
            CMessageRecorder messages;
            check(frame);
            EXPECT_LE(messages.m_messages.size(), 1u);
            QTimer::singleShot(0, &frame, &QWidget::close);
        };
        EXPECT_EQ(RunApplication(options), 0);
    }
    CTempDir m_dir;
    CDialogAnswers m_dialogs;
};
} // namespace

// The second start also takes one screenshot per tab, filled in (make screenshots).
TEST_F(PanelPersistenceTest, RestartKeepsEveryValueThePanelsWriteBackScreenshotOfEachTab)
{
    Run([&](CMainFrameWindow& frame) {
        SetAll(frame);
        // The source folder is kept only when chosen with "...".
        m_dialogs.m_folders = {"/chosen/"};
        qobject_cast<QAbstractButton*>(ControlOf(frame, 0, 1020))->click();
        SetValue(ControlOf(frame, 0, 1019), "/typed");
    });
    GetProgramSettings() = CProgramSettings{}; // the next start reads the file written at exit
    const std::string picture = WritePicture(m_dir, "sunset.png", PatternImage(320, 240));
    Run([&](CMainFrameWindow& frame) {
        for (const SKept& kept : kKept)
            EXPECT_EQ(ValueOf(ControlOf(frame, kept.m_nTab, kept.m_nId)).toStdString(), kept.m_pValue)
                << kept.m_nId;
        EXPECT_EQ(ValueOf(ControlOf(frame, 0, 1019)), "/chosen");

        m_dialogs.m_openPaths = {picture};
        frame.OnCommand(IdFileOpen);
        m_dialogs.m_savePaths = {m_dir.File("jobs.xml")};
        qobject_cast<QAbstractButton*>(ControlOf(frame, 2, 1075))->click();
        qobject_cast<QAbstractButton*>(ControlOf(frame, 2, 1085))->click();
        QDir().mkpath(QStringLiteral(MOSVANE_SCREENSHOT_DIR));
        const char* const names[] = {"split-combine", "specialties", "batch-all"};
        for (int tab = 0; tab < 3; ++tab)
        {
            frame.ToolTabs()->setCurrentIndex(tab);
            Settle();
            const QString path = QStringLiteral(MOSVANE_SCREENSHOT_DIR "/panel-%1.png").arg(QString::fromUtf8(names[tab]));
            EXPECT_TRUE(frame.grab().save(path)) << path.toStdString();
        }
    });
}
