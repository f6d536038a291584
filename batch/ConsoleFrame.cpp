#include "batch/ConsoleFrame.h"

#include <algorithm>

namespace
{
// Redrawing a terminal line for every one of thousands of quick steps costs more than the steps.
constexpr std::chrono::milliseconds kRedrawInterval(100);
} // namespace

CConsoleFrame::CConsoleFrame(std::ostream& stream, bool showProgress) : m_stream(stream), m_bShowProgress(showProgress)
{
}

std::string CConsoleFrame::BarText(const std::string& label, int64_t position, int64_t count)
{
    const int64_t shown = std::clamp<int64_t>(position, 0, std::max<int64_t>(count, 0));
    const int filled = count > 0 ? int(shown * kBarWidth / count) : kBarWidth;
    std::string text = label.empty() ? std::string() : label + " ";
    text += '[';
    text.append(size_t(filled), '#').append(size_t(kBarWidth - filled), '.');
    text += "] ";
    text += std::to_string(shown) + "/" + std::to_string(std::max<int64_t>(count, 0));
    return text;
}

void CConsoleFrame::BeginProgress(int32_t count)
{
    m_nCount = count;
    m_nPosition = 0;
    m_bVisible = true;
    Draw(true);
}

void CConsoleFrame::StepProgress()
{
    if (!m_bVisible)
        return;
    ++m_nPosition;
    Draw(m_nPosition >= m_nCount);
}

void CConsoleFrame::EndProgress()
{
    if (!m_bVisible)
        return;
    m_bVisible = false;
    if (m_bShowProgress && m_nDrawnLength > 0)
    {
        // The bar's line is blanked, so that the next output starts on a clean line.
        m_stream << '\r' << std::string(m_nDrawnLength, ' ') << '\r' << std::flush;
        m_nDrawnLength = 0;
    }
}

void CConsoleFrame::Draw(bool force)
{
    if (!m_bShowProgress)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - m_lastDraw < kRedrawInterval)
        return;
    m_lastDraw = now;
    const std::string text = BarText(m_strLabel, m_nPosition, m_nCount);
    m_stream << '\r' << text;
    if (text.size() < m_nDrawnLength)
        m_stream << std::string(m_nDrawnLength - text.size(), ' ') << '\r' << text;
    m_stream << std::flush;
    m_nDrawnLength = std::max(m_nDrawnLength, text.size());
}
