#pragma once
// Helpers of the window tests: they run on a virtual X display with real widgets and Mesa's GL,
// answer the dialogs and record the messages instead of showing them.

#include "ops/FrameHooks.h"
#include "ops/MainFrame.h"
#include "ops/MessageBox.h"
#include "support/TestSupport.h"
#include "ui/Dialogs.h"

#include <QColor>
#include <QImage>

#include <string>
#include <vector>

class CMainFrameWindow;
class CMosvaneView;

namespace mosvane::test
{
struct SShownMessage
{
    std::string m_strText, m_strCaption;
    EMessageIcon m_icon;
};

// Records every message while it lives (installed last, so it wins over the frame's boxes); the
// installed frame stays.
class CMessageRecorder
{
public:
    CMessageRecorder();
    ~CMessageRecorder();
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
    QString m_strLastSaveFilter, m_strLastSuffix, m_strLastFolderTitle;

private:
    SDialogHooks m_previous;
};

// A frame double for a view shown alone: records the title and image notices.
class CRecordingFrame : public CPanelFreeFrame
{
public:
    void* GetFrameWindow() override { return nullptr; }
    void SetDocumentTitle(const std::string& text) override { m_titles.push_back(text); }
    void OnImageOpened(const std::string& path) override { m_opened.push_back(path); }
    void BeginProgress(int32_t) override {}
    void StepProgress() override {}
    void EndProgress() override {}
    std::vector<std::string> m_titles, m_opened;
};

// A width x height RGBA picture whose pixel (x, y) is (x, y, x + y, alpha) modulo 256.
QImage PatternImage(int width, int height, int alpha = 255);
// Writes the picture as PNG into dir and gives its path.
std::string WritePicture(const CTempDir& dir, const std::string& name, const QImage& image);

// The view's framebuffer as drawn now.
QImage GrabView(CMosvaneView& view);
// The colour of a framebuffer pixel, opaque channels only.
QColor PixelAt(const QImage& frame, int x, int y);

// Lets queued events (layout, resize, paint) run.
void Settle();

inline const QColor kBackground(102, 102, 153);
} // namespace mosvane::test
