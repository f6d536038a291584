#pragma once
// The wait cursor of a long command: shown while a CWaitCursor lives and restored on every way
// out. The show and restore functions are the installed frame hooks (ops/FrameHooks.h); without
// them nothing happens. Guards nest: each one restores what it replaced.

#include <functional>

class CWaitCursor
{
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    // The restore of the hooks that showed the cursor, even when others were installed meanwhile.
    std::function<void()> m_fnEnd;
};

// While it lives, the wait cursors shown are taken down, and they come back when it ends. Every
// message goes through one (ShowMessage): a box the person has to answer never sits under the
// wait cursor, whichever command shows it.
class CWaitCursorPause
{
public:
    CWaitCursorPause();
    ~CWaitCursorPause();
    CWaitCursorPause(const CWaitCursorPause&) = delete;
    CWaitCursorPause& operator=(const CWaitCursorPause&) = delete;

private:
    int m_nPaused = 0;
};
