#pragma once
// The main frame's service interface. Operations, the view, the batch code and the panels reach
// the frame only through IMainFrame, found with GetMainFrame; none of this needs a window system.

#include "ops/OperationInputs.h"

#include <cstdint>
#include <string>

class IMainFrame
{
public:
    // The frame window (an opaque handle): owner of every dialog and message the operations show.
    virtual void* GetFrameWindow() = 0;
    // The frame object behind this interface, for panels that hand on commands (opaque).
    virtual void* GetFrameObject() = 0;
    // The window title becomes "Mosvane - " followed by text.
    virtual void SetDocumentTitle(const std::string& text) = 0;
    // An image was opened from path: the image-bound controls are enabled and the output file
    // title and type follow the file.
    virtual void OnImageOpened(const std::string& path) = 0;
    // The progress bar is shown with range 0..count, position 0 and step 1.
    virtual void BeginProgress(int32_t count) = 0;
    virtual void StepProgress() = 0;
    virtual void EndProgress() = 0;

    // The getters read the panels into the operation's inputs value. Each returns true only when
    // every value it needs is present; a getter that fails may have filled some of the value,
    // which callers then do not use.
    // Folder, title and type of the Output Settings panel.
    virtual bool GetOutputSettings(SequenceRecord& output) = 0;
    // Output settings, split numbering (template, from number) and the grid as equal fractions.
    virtual bool GetSplitSettings(SplitInputs& inputs) = 0;
    virtual bool GetBlendSettings(BlendInputs& inputs) = 0;
    virtual bool GetAlphaRgbSettings(AlphaRgbInputs& inputs) = 0;
    virtual bool GetAlphaImageSettings(AlphaImageInputs& inputs) = 0;
    // Output settings and the MNG group (the frame sequence goes into m_source).
    virtual bool GetMngSettings(MngInputs& inputs) = 0;
    // The combine group with the output folder and image type.
    virtual bool GetCombineSettings(CombineInputs& inputs) = 0;

protected:
    ~IMainFrame() = default;
};

// A frame without panels, for runs without a window and for tests: every settings getter fails,
// the title and image notices are ignored, and the frame object is the frame itself.
class CPanelFreeFrame : public IMainFrame
{
public:
    void* GetFrameObject() override { return this; }
    void SetDocumentTitle(const std::string&) override {}
    void OnImageOpened(const std::string&) override {}
    bool GetOutputSettings(SequenceRecord&) override { return false; }
    bool GetSplitSettings(SplitInputs&) override { return false; }
    bool GetBlendSettings(BlendInputs&) override { return false; }
    bool GetAlphaRgbSettings(AlphaRgbInputs&) override { return false; }
    bool GetAlphaImageSettings(AlphaImageInputs&) override { return false; }
    bool GetMngSettings(MngInputs&) override { return false; }
    bool GetCombineSettings(CombineInputs&) override { return false; }

protected:
    ~CPanelFreeFrame() = default;
};

// Owner of the single-frame pointer, set to the frame's IMainFrame face while the frame's window
// exists; at most one frame exists. It is filled in only through a CFrameHooks installation
// (ops/FrameHooks.h). The GUI's frame class lives under its own name.
class CMainFrame
{
public:
    CMainFrame() = delete;
    static IMainFrame* s_pSingletonMainFrame;
};

// The frame, or null when none exists; the null case is logged as a failed check of
// "CMainFrame::s_pSingletonMainFrame" in the source file MainFrm at kGetMainFrameCheckLine, the
// place that log readers and their tools know the check by, whatever the layout of this file.
IMainFrame* GetMainFrame();
inline constexpr int kGetMainFrameCheckLine = 730;

// The progress bar of one operation: begun on construction, ended on every way out. Without a
// frame it does nothing.
class CProgress
{
public:
    explicit CProgress(int64_t count);
    ~CProgress();
    CProgress(const CProgress&) = delete;
    CProgress& operator=(const CProgress&) = delete;

    void Step();

private:
    IMainFrame* m_pFrame;
};

// The owner window for messages: the frame window, or null without a frame.
void* FrameWindowOrNull();
