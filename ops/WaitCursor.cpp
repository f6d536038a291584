#include "ops/WaitCursor.h"

#include <utility>

namespace
{
WaitCursorHooks& Hooks()
{
    static WaitCursorHooks hooks;
    return hooks;
}
} // namespace

WaitCursorHooks SetWaitCursorHooks(WaitCursorHooks hooks)
{
    return std::exchange(Hooks(), std::move(hooks));
}

CWaitCursor::CWaitCursor()
{
    if (Hooks().m_fnBegin)
        Hooks().m_fnBegin();
}

CWaitCursor::~CWaitCursor()
{
    if (Hooks().m_fnEnd)
        Hooks().m_fnEnd();
}
