#pragma once
// The wait cursor of a long command: shown while a CWaitCursor lives and restored on every way
// out. The show and restore hooks are installed at run time (the GUI overrides the application
// cursor); without hooks nothing happens. Guards nest: each one restores what it replaced.

#include <functional>

struct WaitCursorHooks
{
    std::function<void()> m_fnBegin;
    std::function<void()> m_fnEnd;
};

// Installs hooks and returns the previous ones.
WaitCursorHooks SetWaitCursorHooks(WaitCursorHooks hooks);

class CWaitCursor
{
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};
