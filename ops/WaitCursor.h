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
