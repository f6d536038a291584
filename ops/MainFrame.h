#pragma once
// The main frame's service interface. Operations, the view, the batch code and the panels reach
// the frame only through IMainFrame, found with GetMainFrame; none of this needs a window system.

#include "ops/SequenceNaming.h"

#include <cstdint>
#include <string>
#include <vector>

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

    // The getters read the panels. Each returns true only when every value it needs is present;
    // a getter that fails may have filled some results, which callers then do not use.
    // Folder, title and type of the Output Settings panel.
    virtual bool GetOutputSettings(SequenceRecord& output) = 0;
    // Output settings, split numbering (template, from number) and the grid as equal fractions.
    virtual bool GetSplitSettings(SequenceRecord& output, std::vector<float>& rowFractions,
                                  std::vector<float>& colFractions) = 0;
    virtual bool GetBlendSettings(SequenceRecord& output, std::string& backgroundPath, std::string& overlayPath) = 0;
    virtual bool GetAlphaRgbSettings(SequenceRecord& output, int32_t& red, int32_t& green, int32_t& blue,
                                     int32_t& alpha) = 0;
    virtual bool GetAlphaImageSettings(SequenceRecord& output, std::string& alphaImagePath) = 0;
    // Output settings and the MNG group: the source sequence goes into `source`.
    virtual bool GetMngSettings(SequenceRecord& source, int32_t& frameCount, int32_t& framesPerSecond) = 0;
    virtual bool GetCombineSettings(SequenceRecord& output, int32_t& rows, int32_t& cols, SequenceRecord& source) = 0;

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
    bool GetSplitSettings(SequenceRecord&, std::vector<float>&, std::vector<float>&) override { return false; }
    bool GetBlendSettings(SequenceRecord&, std::string&, std::string&) override { return false; }
    bool GetAlphaRgbSettings(SequenceRecord&, int32_t&, int32_t&, int32_t&, int32_t&) override { return false; }
    bool GetAlphaImageSettings(SequenceRecord&, std::string&) override { return false; }
    bool GetMngSettings(SequenceRecord&, int32_t&, int32_t&) override { return false; }
    bool GetCombineSettings(SequenceRecord&, int32_t&, int32_t&, SequenceRecord&) override { return false; }

protected:
    ~CPanelFreeFrame() = default;
};

// Owner of the single-frame pointer. The frame sets s_pSingletonMainFrame to its IMainFrame face
// when its window has been created and clears it when it is destroyed; at most one frame exists.
// The GUI's frame class lives in its own namespace or under its own name and only fills this in.
class CMainFrame
{
public:
    CMainFrame() = delete;
    static IMainFrame* s_pSingletonMainFrame;
};

// The frame, or null when none exists; the null case is logged as a failed check.
IMainFrame* GetMainFrame();

// Installs a frame for the life of the guard (tests, headless runs) and puts back what was there.
class CMainFrameRegistration
{
public:
    explicit CMainFrameRegistration(IMainFrame& frame);
    ~CMainFrameRegistration();
    CMainFrameRegistration(const CMainFrameRegistration&) = delete;
    CMainFrameRegistration& operator=(const CMainFrameRegistration&) = delete;

private:
    IMainFrame* m_pPrevious;
};

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
