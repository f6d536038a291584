#pragma once
// Helpers of the window tests: they run on a virtual X display with real widgets and Mesa's GL,
// answer the dialogs and record the messages instead of showing them. Two fixtures: a shown
// frame fed from a settings record the test sets (FrameTest), and whole starts of the program
// from a folder with its configuration files (ProgramTest).

#include "config/ProgramSettings.h"
#include "ops/FrameHooks.h"
#include "ops/MainFrame.h"
#include "ops/MessageBox.h"
#include "support/TestSupport.h"
#include "ui/CommandIds.h"
#include "ui/Dialogs.h"
#include "ui/MainFrm.h"

#include <QColor>
#include <QImage>
#include <QLineEdit>
#include <QMetaProperty>
#include <QSettings>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace mosvane::test
{
struct SShownMessage
{
    std::string m_strText, m_strCaption;
    EMessageIcon m_icon;
    bool m_bUnderWaitCursor = false; // the wait cursor was up while it showed
};

// Records every message while it lives (installed last, so it wins over the frame's boxes); the
// installed frame stays.
class CMessageRecorder
{
public:
    CMessageRecorder();
    std::vector<SShownMessage> m_messages;

private:
    CFrameHooks m_hooks;
};

// Answers the file dialogs with the paths queued here; an empty queue cancels.
class CDialogAnswers
{
public:
    CDialogAnswers();
    ~CDialogAnswers();
    std::vector<std::string> m_openPaths, m_savePaths, m_folders;
    std::vector<std::string> m_openedUrls;
    bool m_bNoBrowser = false; // the desktop has no program for the addresses opened
    // Question boxes: the answers given in turn (an empty queue answers No), the texts asked.
    std::vector<bool> m_answers;
    std::vector<std::string> m_questions;
    QString m_strLastSaveFilter, m_strLastSuffix, m_strLastFolderTitle;

private:
    SDialogHooks m_previous;
};

// A width x height RGBA picture whose pixel (x, y) is (x, y, x + y, alpha) modulo 256.
QImage PatternImage(int width, int height, int alpha = 255);
QImage Filled(QColor colour, int width = 8, int height = 8);
// Writes the picture as PNG into dir and gives its path.
std::string WritePicture(const CTempDir& dir, const std::string& name, const QImage& image);

// Files dropped on target as a desktop delivers them: the drag enters, then drops.
void DropFiles(QObject* target, const QStringList& paths);
// A press, a move and a release of the left button on widget.
void Drag(QWidget* widget, QPoint from, QPoint to);
// One mouse event at a position between pixels (a pointer at a device pixel of a screen of ratio
// 1.5 lies at a fraction of a logical one).
void SendMouse(QWidget* widget, QEvent::Type type, QPointF at, Qt::MouseButton button = Qt::LeftButton,
               Qt::KeyboardModifiers modifiers = {});
void DragF(QWidget* widget, QPointF from, QPointF to);
// A turn of the mouse wheel over widget at `at` (120 a notch; positive away from the person), taken
// by the innermost widget there or passed on to its parents as from a real wheel.
void TurnWheel(QWidget* widget, QPoint at, int delta, Qt::KeyboardModifiers modifiers = {});
// Presses and releases a key on the X display itself, as a keyboard would (X keysym, e.g. 0xffff
// for Delete): the toolkit gets the key and the text the X server gives it. The key goes to the
// focused widget; false when the display's test extension cannot be had.
bool PressKeyOnDisplay(unsigned long keysym);

// What a control shows as its value (an edit's text, a number box's number, a list's entry), and
// the setting of it from outside.
inline QString ValueOf(QWidget* control)
{
    return control->metaObject()->userProperty().read(control).toString();
}
inline void SetValue(QWidget* control, const QString& value)
{
    control->metaObject()->userProperty().write(control, value);
}

// Lets queued events (layout, resize, paint) run.
void Settle();

using Said = std::vector<std::string>;

// A shown frame, first-start placement, whose panels seed themselves from the settings record
// (defaults, with the output going to the test's folder as "out" of type png).
class FrameTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override { Stop(); }
    static CProgramSettings& Settings() { return GetProgramSettings(); }

    void Start();
    // Closes the frame: the panels write their values back.
    void Stop() { m_pMessages.reset(), m_pFrame.reset(); }

    // Tab 0 "Split && Combine", 1 "Specialties", 2 "Batch All", made the current one.
    QWidget* Tab(int index);
    template <typename T>
    T* Control(int tab, int id)
    {
        T* control = FindById<T>(Tab(tab), id);
        EXPECT_TRUE(control) << "control " << id;
        return control;
    }
    void Click(int tab, int id);
    bool Enabled(int tab, int id) { return Control<QWidget>(tab, id)->isEnabled(); }
    // Types text into an edit or number box as a person would, over what it held.
    void Type(int tab, int id, const QString& text);
    QString Text(int tab, int id) { return ValueOf(Control<QWidget>(tab, id)); }
    void Set(int tab, int id, const QString& value) { SetValue(Control<QWidget>(tab, id), value); }
    void Open(const std::string& path) { m_dialogs.m_openPaths = {path}, m_pFrame->OnCommand(IdFileOpen), Settle(); }
    // Pictures folder/title1, title2 ... (numbers `digits` wide) in the test's folder, made by picture(k);
    // the combiner and the animation group seeded to take the sequence from there, as png.
    void WriteSequence(const std::string& folder, const std::string& title, int digits, int count,
                       const std::function<QImage(int)>& picture);
    void SeedCombine(const std::string& folder, const std::string& title, int digits, int rows, int cols);
    void SeedMng(const std::string& folder, const std::string& title, int digits, int frames, int fps);
    // The recorded messages as "caption: text" (with " (under the wait cursor)" for one shown
    // while the wait cursor was up, which no message may be), and forgets them.
    Said TakeMessages();

    CTempDir m_dir;
    CDialogAnswers m_dialogs;
    std::unique_ptr<CMainFrameWindow> m_pFrame;
    std::unique_ptr<CMessageRecorder> m_pMessages;
};

// Starts of the program as a person runs it, from the test's folder.
class ProgramTest : public ::testing::Test
{
protected:
    void SetUp() override { QSettings().clear(); }
    void TearDown() override { QSettings().clear(); }
    // Puts the shipped files named into the program folder's Cnfg/.
    void Ship(std::initializer_list<const char*> names);
    // One start (picture: as named on the command line): check runs on the shown frame, then the
    // frame is closed as a person would. What the shown frame says is kept in m_shown.
    int Run(const std::function<void(CMainFrameWindow&)>& check = {}, const std::string& picture = {});

    CTempDir m_dir;
    std::vector<SShownMessage> m_shown;
    CDialogAnswers m_dialogs;
};
} // namespace mosvane::test
