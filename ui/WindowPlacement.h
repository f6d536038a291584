#pragma once
// The frame's placement between runs: the 44-byte placement record and the width of the tool
// panes, kept per user in QSettings("Dravik", "Mosvane") under two value names.

#include <QByteArray>
#include <QRect>
#include <QVariant>

#include <cstdint>

inline constexpr const char* kSettingsOrganization = "Dravik";
inline constexpr const char* kSettingsApplication = "Mosvane";
inline constexpr const char* kPlacementValueName = "MainFrameWindowPlacement";
inline constexpr const char* kPaneWidthValueName = "MainSplitterSplitterPos";

// Show commands of the record.
enum EShowCommand : uint32_t
{
    ShowNormal = 1,
    ShowMinimized = 2,
    ShowMaximized = 3,
    ShowMinimize = 6,
    ShowMinNoActive = 7,
    ShowForceMinimize = 11,
};

// Eleven little-endian unsigned 32-bit fields, 44 bytes; the normal position is the frame's
// rectangle in screen pixels (right and bottom exclusive).
struct SWindowPlacement
{
    static constexpr uint32_t kLength = 44;
    uint32_t m_nLength = kLength;
    uint32_t m_nFlags = 0;
    uint32_t m_nShowCommand = ShowNormal;
    int32_t m_nMinX = 0, m_nMinY = 0;
    int32_t m_nMaxX = 0, m_nMaxY = 0;
    int32_t m_nLeft = 0, m_nTop = 0, m_nRight = 0, m_nBottom = 0;

    QRect NormalRect() const { return QRect(m_nLeft, m_nTop, m_nRight - m_nLeft, m_nBottom - m_nTop); }
    void SetNormalRect(const QRect& rect);
};

// The record before a restore: normal show command and the work area shrunk by 100 pixels on
// every side.
SWindowPlacement PresetPlacement(const QRect& workArea);

QByteArray PlacementBytes(const SWindowPlacement& placement);
// Reads at most 44 bytes over the fields of `placement`; shorter data leaves the rest as it was.
void ReadPlacementBytes(const QByteArray& bytes, SWindowPlacement& placement);

// A record that can be applied: its length field says 44 and its normal rectangle is a real
// rectangle that overlaps the desktop. Anything else would leave the frame invisible or off
// screen, so it counts as missing.
bool PlacementUsable(const SWindowPlacement& placement, const QRect& desktop);

// The rectangle moved and, where it is larger, shrunk so that it lies whole inside area: a
// placement stored on a larger screen, or at a smaller scale, opens whole on this one.
QRect BroughtOnto(const QRect& rect, const QRect& area);

// The pane width from its stored value: only a 32-bit number counts (a text of decimal digits,
// since the settings file keeps numbers as text). Width 0, a negative width and values of any
// other kind count as missing.
bool ReadPaneWidth(const QVariant& value, int32_t& width);
