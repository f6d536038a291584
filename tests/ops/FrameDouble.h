#pragma once
// A stand-in for the main frame: records messages, progress calls, the title and the wait cursor,
// and hands back panel values set by the test. It installs itself, the message handler and the
// wait-cursor hooks while it lives.

#include "ops/MainFrame.h"
#include "ops/MessageBox.h"
#include "ops/WaitCursor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

struct SRecordedMessage
{
    std::string m_strText, m_strCaption;
    EMessageIcon m_eIcon = EMessageIcon::Stop;
    void* m_pOwner = nullptr;
};

class CFrameDouble : public IMainFrame
{
public:
    CFrameDouble()
        : m_registration(*this),
          m_previousHandler(SetMessageHandler([this](const std::string& text, const std::string& caption,
                                                     EMessageIcon icon, void* owner) {
              m_messages.push_back(SRecordedMessage{text, caption, icon, owner});
          })),
          m_previousHooks(SetWaitCursorHooks({[this] { ++m_nCursorDepth, ++m_nCursorShown; },
                                              [this] { --m_nCursorDepth; }}))
    {
    }
    ~CFrameDouble()
    {
        SetWaitCursorHooks(m_previousHooks);
        SetMessageHandler(m_previousHandler);
    }

    void* GetFrameWindow() override { return &m_window; }
    void* GetFrameObject() override { return this; }
    void SetDocumentTitle(const std::string& text) override { m_strTitle = "Mosvane - " + text; }
    void OnImageOpened(const std::string&) override {}
    void BeginProgress(int32_t count) override { m_progress.push_back("begin " + std::to_string(count)); }
    void StepProgress() override { m_progress.push_back("step"); }
    void EndProgress() override { m_progress.push_back("end"); }
    // The getters hand back the same output record; the operations take their values as arguments.
    bool GetOutputSettings(SequenceRecord& out) override { return Out(out); }
    bool GetSplitSettings(SequenceRecord& out, std::vector<float>&, std::vector<float>&) override { return Out(out); }
    bool GetBlendSettings(SequenceRecord& out, std::string&, std::string&) override { return Out(out); }
    bool GetAlphaRgbSettings(SequenceRecord& out, int32_t&, int32_t&, int32_t&, int32_t&) override { return Out(out); }
    bool GetAlphaImageSettings(SequenceRecord& out, std::string&) override { return Out(out); }
    bool GetMngSettings(SequenceRecord& out, int32_t&, int32_t&) override { return Out(out); }
    bool GetCombineSettings(SequenceRecord& out, int32_t&, int32_t&, SequenceRecord&) override { return Out(out); }

    // The one recorded message; fails the test when there is not exactly one.
    SRecordedMessage OnlyMessage() const
    {
        EXPECT_EQ(m_messages.size(), 1u);
        return m_messages.empty() ? SRecordedMessage{} : m_messages.back();
    }
    size_t Steps() const { return size_t(std::count(m_progress.begin(), m_progress.end(), "step")); }

    int m_window = 0; // its address is the frame window handle
    std::vector<SRecordedMessage> m_messages;
    std::vector<std::string> m_progress;
    std::string m_strTitle;
    int m_nCursorDepth = 0, m_nCursorShown = 0;
    SequenceRecord m_output;

private:
    bool Out(SequenceRecord& out) const
    {
        out = m_output;
        return !out.m_strType.empty() && !out.m_strTitle.empty();
    }

    CMainFrameRegistration m_registration;
    MessageHandler m_previousHandler;
    WaitCursorHooks m_previousHooks;
};

// Expects exactly one message with this text, caption and icon.
#define EXPECT_ONLY_MESSAGE(frame, text, caption, icon)                                                           \
    do                                                                                                             \
    {                                                                                                              \
        const SRecordedMessage only = (frame).OnlyMessage();                                                       \
        EXPECT_EQ(only.m_strText, text);                                                                           \
        EXPECT_EQ(only.m_strCaption, caption);                                                                     \
        EXPECT_EQ(only.m_eIcon, icon);                                                                             \
    } while (0)
