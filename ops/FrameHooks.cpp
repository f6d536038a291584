#include "ops/FrameHooks.h"

#include "ops/MainFrame.h"

#include <utility>

namespace
{
FrameHooks& Installed()
{
    static FrameHooks hooks;
    return hooks;
}
} // namespace

const FrameHooks& InstalledFrameHooks()
{
    return Installed();
}

CFrameHooks::CFrameHooks(FrameHooks hooks) : m_previous(Installed())
{
    // The static is the frame's one home; the record keeps what the static held before.
    m_previous.m_pFrame = std::exchange(CMainFrame::s_pSingletonMainFrame, hooks.m_pFrame);
    Installed() = std::move(hooks);
}

CFrameHooks::~CFrameHooks()
{
    CMainFrame::s_pSingletonMainFrame = m_previous.m_pFrame;
    Installed() = std::move(m_previous);
}
