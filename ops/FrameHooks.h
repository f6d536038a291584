#pragma once
// The one place where a window (or a test, or a headless run) connects the core to itself: the
// main frame, the function that shows messages, and the wait cursor. An installation holds for
// the life of a CFrameHooks guard and puts back what was there before; guards nest.
//
// The frame pointer itself is CMainFrame::s_pSingletonMainFrame, which GetMainFrame reads.

#include "ops/MessageBox.h"

#include <functional>

class CWrittenFiles;
class IMainFrame;

struct FrameHooks
{
    IMainFrame* m_pFrame = nullptr;        // null: no frame (GetMainFrame logs and returns null)
    MessageHandler m_fnMessage{};          // empty: messages go to standard error
    std::function<void()> m_fnBeginWait{}; // the wait cursor is shown; empty: nothing happens
    std::function<void()> m_fnEndWait{};   // the cursor shown before is back
    QuestionHandler m_fnQuestion{};        // empty: every question is answered No
    CWrittenFiles* m_pWrittenFiles = nullptr; // this run's files (ops/WriteGuard.h); null: none
};

class CFrameHooks
{
public:
    explicit CFrameHooks(FrameHooks hooks);
    ~CFrameHooks();
    CFrameHooks(const CFrameHooks&) = delete;
    CFrameHooks& operator=(const CFrameHooks&) = delete;

private:
    FrameHooks m_previous;
};

// What is installed now.
const FrameHooks& InstalledFrameHooks();
