#include "ops/MainFrame.h"

#include "config/Log.h"

#include <algorithm>

IMainFrame* CMainFrame::s_pSingletonMainFrame = nullptr;

IMainFrame* GetMainFrame()
{
    if (!CMainFrame::s_pSingletonMainFrame)
    {
        LogCheckFailure(kLogIfOkFormat, "CMainFrame::s_pSingletonMainFrame", "MainFrm", kGetMainFrameCheckLine);
        return nullptr;
    }
    return CMainFrame::s_pSingletonMainFrame;
}

CProgress::CProgress(int64_t count) : m_pFrame(GetMainFrame())
{
    if (m_pFrame)
        m_pFrame->BeginProgress(int32_t(std::clamp<int64_t>(count, INT32_MIN, INT32_MAX)));
}

CProgress::~CProgress()
{
    if (m_pFrame)
        m_pFrame->EndProgress();
}

void CProgress::Step()
{
    if (m_pFrame)
        m_pFrame->StepProgress();
}

void* FrameWindowOrNull()
{
    IMainFrame* frame = CMainFrame::s_pSingletonMainFrame;
    return frame ? frame->GetFrameWindow() : nullptr;
}
