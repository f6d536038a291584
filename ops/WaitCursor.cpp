#include "ops/WaitCursor.h"

#include "ops/FrameHooks.h"

CWaitCursor::CWaitCursor()
{
    const FrameHooks& hooks = InstalledFrameHooks();
    if (hooks.m_fnBeginWait)
    {
        hooks.m_fnBeginWait();
        m_fnEnd = hooks.m_fnEndWait;
    }
}

CWaitCursor::~CWaitCursor()
{
    if (m_fnEnd)
        m_fnEnd();
}
