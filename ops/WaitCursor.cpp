#include "ops/WaitCursor.h"

#include "ops/FrameHooks.h"

#include <utility>

namespace
{
// Wait cursors shown now, all on the window's thread.
int& ShownWaitCursors()
{
    static int s_nShown = 0;
    return s_nShown;
}
} // namespace

CWaitCursor::CWaitCursor()
{
    const FrameHooks& hooks = InstalledFrameHooks();
    if (hooks.m_fnBeginWait)
    {
        hooks.m_fnBeginWait();
        m_fnEnd = hooks.m_fnEndWait;
        ++ShownWaitCursors();
    }
}

CWaitCursor::~CWaitCursor()
{
    if (!m_fnEnd)
        return;
    m_fnEnd();
    --ShownWaitCursors();
}

CWaitCursorPause::CWaitCursorPause()
{
    const FrameHooks& hooks = InstalledFrameHooks();
    if (!hooks.m_fnEndWait || !hooks.m_fnBeginWait)
        return;
    m_nPaused = std::exchange(ShownWaitCursors(), 0);
    for (int i = 0; i < m_nPaused; ++i)
        hooks.m_fnEndWait();
}

CWaitCursorPause::~CWaitCursorPause()
{
    const FrameHooks& hooks = InstalledFrameHooks();
    for (int i = 0; i < m_nPaused && hooks.m_fnBeginWait; ++i)
        hooks.m_fnBeginWait();
    ShownWaitCursors() += m_nPaused;
}
