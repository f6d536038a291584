#pragma once
// A main frame double for the tests of the operations, the batch and the runner: while it lives it
// is the installed frame, message handler and wait cursor, and it records what they are asked.
// Header only: the test executables below ops/ do not link the operations.

#include "ops/FrameHooks.h"
#include "ops/MainFrame.h"
#include "ops/MessageBox.h"
#include "ops/WaitCursor.h"
#include "ops/WriteGuard.h"

#include <array>
#include <string>
#include <vector>

namespace mosvane::test
{
// A message as the frame double records it: "<caption> <icon>: <text>".
inline std::string Said(const std::string& text, const std::string& caption, EMessageIcon icon)
{
    return caption + " " + std::array{"information", "exclamation", "stop"}[int(icon)] + ": " + text;
}
using Messages = std::vector<std::string>;
inline Messages Succeeded(const std::string& text) { return {Said(text, "Succeed", EMessageIcon::Information)}; }

// Installs itself, the message handler and the wait-cursor hooks while it lives, and puts back
// what was there before. A message not owned by the frame window is marked so, and so is one shown
// while the wait cursor is up (no message may be: the person has to answer it).
class CFrameDouble : public CPanelFreeFrame
{
public:
    CFrameDouble()
        : m_hooks({this,
                   [this](const std::string& text, const std::string& caption, EMessageIcon icon, void* owner) {
                       m_messages.push_back(Said(text, caption, icon) + (owner == &m_window ? "" : " (no owner)") +
                                            (m_nCursorDepth > 0 ? " (under the wait cursor)" : ""));
                   },
                   [this] { ++m_nCursorDepth, ++m_nCursorShown; }, [this] { --m_nCursorDepth; }, {}, &m_written})
    {
    }

    // The operations take their settings as arguments; no panel is read here.
    void* GetFrameWindow() override { return &m_window; }
    void BeginProgress(int32_t count) override { m_strProgress += "[" + std::to_string(count); }
    void StepProgress() override { m_strProgress += "."; }
    void EndProgress() override { m_strProgress += "]"; }

    int m_window = 0; // its address is the frame window handle
    Messages m_messages;
    std::string m_strProgress; // "[count", a "." a step, "]"
    int m_nCursorDepth = 0, m_nCursorShown = 0;

private:
    CWrittenFiles m_written; // this run's files, as the window keeps them; questions are answered No
    CFrameHooks m_hooks;
};
} // namespace mosvane::test
