#pragma once
// A stand-in for the main frame: records the messages, progress calls and window title the
// operations produce, and hands back panel values set by the test. Installing it also installs the
// message handler and the wait-cursor hooks; both are put back when it goes.

#include "ops/MainFrame.h"
#include "ops/MessageBox.h"
#include "ops/WaitCursor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

struct SRecordedMessage
{
    std::string m_strText;
    std::string m_strCaption;
    EMessageIcon m_eIcon;
    void* m_pOwner;
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
          m_previousHooks(SetWaitCursorHooks(WaitCursorHooks{[this] { ++m_nCursorDepth, ++m_nCursorShown; },
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
    void OnImageOpened(const std::string& path) override { m_strOpened = path; }
    void BeginProgress(int32_t count) override { m_progress.push_back("begin " + std::to_string(count)); }
    void StepProgress() override { m_progress.push_back("step"); }
    void EndProgress() override { m_progress.push_back("end"); }

    bool GetOutputSettings(SequenceRecord& output) override
    {
        output = m_output;
        return m_bGettersSucceed;
    }
    bool GetSplitSettings(SequenceRecord& output, std::vector<float>& rows, std::vector<float>& cols) override
    {
        output = m_output;
        rows = m_rowFractions, cols = m_colFractions;
        return m_bGettersSucceed;
    }
    bool GetBlendSettings(SequenceRecord& output, std::string& background, std::string& overlay) override
    {
        output = m_output;
        background = m_strBackground, overlay = m_strOverlay;
        return m_bGettersSucceed;
    }
    bool GetAlphaRgbSettings(SequenceRecord& output, int32_t& r, int32_t& g, int32_t& b, int32_t& a) override
    {
        output = m_output;
        r = m_rgba[0], g = m_rgba[1], b = m_rgba[2], a = m_rgba[3];
        return m_bGettersSucceed;
    }
    bool GetAlphaImageSettings(SequenceRecord& output, std::string& path) override
    {
        output = m_output;
        path = m_strAlphaImage;
        return m_bGettersSucceed;
    }
    bool GetMngSettings(SequenceRecord& source, int32_t& frames, int32_t& fps) override
    {
        source = m_source;
        frames = m_nFrames, fps = m_nFps;
        return m_bGettersSucceed;
    }
    bool GetCombineSettings(SequenceRecord& output, int32_t& rows, int32_t& cols, SequenceRecord& source) override
    {
        output = m_output, source = m_source;
        rows = m_nRows, cols = m_nCols;
        return m_bGettersSucceed;
    }

    // The one recorded message; fails the test when there is not exactly one.
    SRecordedMessage OnlyMessage() const
    {
        EXPECT_EQ(m_messages.size(), 1u);
        return m_messages.empty() ? SRecordedMessage{} : m_messages.back();
    }

    int m_window = 0; // its address is the frame window handle
    std::vector<SRecordedMessage> m_messages;
    std::vector<std::string> m_progress;
    std::string m_strTitle;
    std::string m_strOpened;
    int m_nCursorDepth = 0;
    int m_nCursorShown = 0;

    // Panel values the getters hand back.
    bool m_bGettersSucceed = true;
    SequenceRecord m_output;
    SequenceRecord m_source;
    std::vector<float> m_rowFractions, m_colFractions;
    int32_t m_nRows = 0, m_nCols = 0, m_nFrames = 0, m_nFps = 0;
    int32_t m_rgba[4] = {};
    std::string m_strBackground, m_strOverlay, m_strAlphaImage;

private:
    CMainFrameRegistration m_registration;
    MessageHandler m_previousHandler;
    WaitCursorHooks m_previousHooks;
};
