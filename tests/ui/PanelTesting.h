#pragma once
// The tool panel tests: a shown frame fed from a settings record the test sets, driven through
// the panels' real controls, with the dialogs answered and the messages recorded.

#include "GuiTesting.h"

#include "config/ProgramSettings.h"
#include "ui/CommandIds.h"
#include "ui/MainFrm.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace mosvane::test
{
class PanelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GetProgramSettings() = CProgramSettings{};
        Settings().m_strOutputFolder = m_dir.Path();
        Settings().m_strOutputFileName = "out";
        Settings().m_strOutputImageType = "png";
    }
    void TearDown() override { Stop(); }

    static CProgramSettings& Settings() { return GetProgramSettings(); }

    // Makes and shows the frame; the panels seed themselves from the settings record.
    void Start()
    {
        m_pFrame = std::make_unique<CMainFrameWindow>(m_dir.Path());
        QSettings placement;
        placement.clear();
        m_pFrame->RestoreAndShow(placement);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_pFrame.get()));
        Settle();
        m_pMessages = std::make_unique<CMessageRecorder>();
    }
    // Closes the frame: the panels write their values back.
    void Stop()
    {
        m_pMessages.reset();
        m_pFrame.reset();
    }

    // Tab 0 "Split && Combine", 1 "Specialties", 2 "Batch All".
    QWidget* Tab(int index)
    {
        m_pFrame->ToolTabs()->setCurrentIndex(index);
        Settle();
        return m_pFrame->ToolTabs()->widget(index);
    }
    template <typename T>
    T* Control(int tab, int id)
    {
        T* control = FindById<T>(Tab(tab), id);
        EXPECT_TRUE(control) << "control " << id;
        return control;
    }
    void Click(int tab, int id)
    {
        QAbstractButton* button = Control<QAbstractButton>(tab, id);
        ASSERT_TRUE(button);
        ASSERT_TRUE(button->isEnabled()) << "button " << id;
        QTest::mouseClick(button, Qt::LeftButton);
        Settle();
    }
    bool Enabled(int tab, int id) { return Control<QWidget>(tab, id)->isEnabled(); }
    // Types text into an edit or number box as a person would, over what it held.
    void Type(int tab, int id, const QString& text)
    {
        QWidget* box = Control<QWidget>(tab, id);
        box->setFocus();
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, text);
    }
    QString Text(int tab, int id)
    {
        if (auto* box = FindById<QSpinBox>(Tab(tab), id))
            return box->text();
        return Control<QLineEdit>(tab, id)->text();
    }
    void Open(const std::string& path)
    {
        m_dialogs.m_openPaths = {path};
        m_pFrame->OnCommand(IdFileOpen);
        Settle();
    }
    // The recorded messages as "caption: text", and forgets them.
    std::vector<std::string> TakeMessages()
    {
        std::vector<std::string> said;
        for (const SShownMessage& message : m_pMessages->m_messages)
            said.push_back(message.m_strCaption + ": " + message.m_strText);
        m_pMessages->m_messages.clear();
        return said;
    }

    CTempDir m_dir;
    CDialogAnswers m_dialogs;
    std::unique_ptr<CMainFrameWindow> m_pFrame;
    std::unique_ptr<CMessageRecorder> m_pMessages;
};

using Said = std::vector<std::string>;
} // namespace mosvane::test
