#pragma once
// The main frame of a run without a window: progress drawn as a text bar on a terminal stream,
// and no panels (every settings getter fails).

#include "ops/MainFrame.h"

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

class CConsoleFrame final : public CPanelFreeFrame
{
public:
    // With showProgress false the progress calls draw nothing (the stream is not a terminal).
    CConsoleFrame(std::ostream& stream, bool showProgress);

    // The text in front of the bar, for example the kind being executed.
    void SetLabel(const std::string& label) { m_strLabel = label; }

    void* GetFrameWindow() override { return nullptr; }
    void BeginProgress(int32_t count) override;
    void StepProgress() override;
    void EndProgress() override;

    // The bar for a position within a range, as drawn: label, bar of kBarWidth cells, counts.
    static std::string BarText(const std::string& label, int64_t position, int64_t count);
    static constexpr int kBarWidth = 30;

private:
    void Draw(bool force);

    std::ostream& m_stream;
    bool m_bShowProgress;
    bool m_bVisible = false;
    std::string m_strLabel;
    int64_t m_nCount = 0;
    int64_t m_nPosition = 0;
    size_t m_nDrawnLength = 0;
    std::chrono::steady_clock::time_point m_lastDraw;
};
