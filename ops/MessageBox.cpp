#include "ops/MessageBox.h"

#include "ops/FrameHooks.h"
#include "ops/MainFrame.h"
#include "ops/WaitCursor.h"

#include <cstdio>

namespace
{
void WriteToStandardError(const std::string& text, const std::string& caption, EMessageIcon, void*)
{
    std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
}
} // namespace

void ShowMessage(const std::string& text, const std::string& caption, EMessageIcon icon, void* owner)
{
    const CWaitCursorPause noWait;
    const MessageHandler& handler = InstalledFrameHooks().m_fnMessage;
    if (handler)
        handler(text, caption, icon, owner);
    else
        WriteToStandardError(text, caption, icon, owner);
}

void ShowFrameMessage(const std::string& text, const std::string& caption, EMessageIcon icon)
{
    ShowMessage(text, caption, icon, FrameWindowOrNull());
}

void ShowSucceeded(const std::string& text)
{
    ShowFrameMessage(text, "Succeed", EMessageIcon::Information);
}

void ShowFailed(const std::string& text)
{
    ShowFrameMessage(text, "Fail", EMessageIcon::Exclamation);
}

bool AskFrameQuestion(const std::string& text, const std::string& caption)
{
    const QuestionHandler& handler = InstalledFrameHooks().m_fnQuestion;
    if (handler)
        return handler(text, caption, FrameWindowOrNull());
    WriteToStandardError(text + " (no one to answer: No)", caption, EMessageIcon::Exclamation, nullptr);
    return false;
}
