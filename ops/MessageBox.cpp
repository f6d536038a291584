#include "ops/MessageBox.h"

#include "ops/MainFrame.h"

#include <cstdio>
#include <utility>

namespace
{
void WriteToStandardError(const std::string& text, const std::string& caption, EMessageIcon, void*)
{
    std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
}

MessageHandler& Handler()
{
    static MessageHandler handler = WriteToStandardError;
    return handler;
}
} // namespace

void ShowMessage(const std::string& text, const std::string& caption, EMessageIcon icon, void* owner)
{
    Handler()(text, caption, icon, owner);
}

MessageHandler SetMessageHandler(MessageHandler handler)
{
    if (!handler)
        handler = WriteToStandardError;
    return std::exchange(Handler(), std::move(handler));
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
