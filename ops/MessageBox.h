#pragma once
// The one way the operations tell the user something: a modal message with a text, a caption and
// an icon, owned by a window. The core only composes the message; who shows it is installed at
// run time with the frame hooks (ops/FrameHooks.h: the GUI a message box, the tests a recorder).
// Without an installed handler the message goes to standard error.

#include <functional>
#include <string>

enum class EMessageIcon
{
    Information, // results: caption "Succeed"
    Exclamation, // wrong input, an operation that cannot run: the warning icon
    Stop,        // start-up failures
};

// owner: the opaque window handle of IMainFrame::GetFrameWindow, or null.
using MessageHandler =
    std::function<void(const std::string& text, const std::string& caption, EMessageIcon icon, void* owner)>;

// A question with Yes and No: true for Yes. owner as above.
using QuestionHandler = std::function<bool(const std::string& text, const std::string& caption, void* owner)>;

void ShowMessage(const std::string& text, const std::string& caption, EMessageIcon icon, void* owner);

// Shows a message owned by the main frame's window (no owner when there is no frame).
void ShowFrameMessage(const std::string& text, const std::string& caption, EMessageIcon icon);

// The result messages of the operations: "Succeed" with the information icon, "Fail" with the
// exclamation icon, both owned by the main frame's window.
void ShowSucceeded(const std::string& text);
void ShowFailed(const std::string& text);

// Asks a question owned by the main frame's window; without an installed question handler the
// answer is No (the question goes to standard error).
bool AskFrameQuestion(const std::string& text, const std::string& caption);
