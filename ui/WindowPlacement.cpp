#include "ui/WindowPlacement.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace
{
constexpr int kPresetInset = 100;
constexpr int kFieldCount = 11;
} // namespace

void SWindowPlacement::SetNormalRect(const QRect& rect)
{
    m_nLeft = rect.left();
    m_nTop = rect.top();
    m_nRight = rect.left() + rect.width();
    m_nBottom = rect.top() + rect.height();
}

SWindowPlacement PresetPlacement(const QRect& workArea)
{
    SWindowPlacement placement;
    placement.SetNormalRect(workArea.adjusted(kPresetInset, kPresetInset, -kPresetInset, -kPresetInset));
    return placement;
}

QByteArray PlacementBytes(const SWindowPlacement& placement)
{
    const uint32_t fields[kFieldCount] = {
        placement.m_nLength,         placement.m_nFlags,          placement.m_nShowCommand,
        uint32_t(placement.m_nMinX), uint32_t(placement.m_nMinY), uint32_t(placement.m_nMaxX),
        uint32_t(placement.m_nMaxY), uint32_t(placement.m_nLeft), uint32_t(placement.m_nTop),
        uint32_t(placement.m_nRight), uint32_t(placement.m_nBottom),
    };
    QByteArray bytes(int(sizeof(fields)), '\0');
    for (int i = 0; i < kFieldCount; ++i)
        qToLittleEndian<uint32_t>(fields[i], bytes.data() + 4 * i);
    return bytes;
}

void ReadPlacementBytes(const QByteArray& bytes, SWindowPlacement& placement)
{
    uint32_t fields[kFieldCount];
    const QByteArray current = PlacementBytes(placement);
    std::memcpy(fields, current.constData(), sizeof(fields));
    const size_t n = std::min<size_t>(size_t(bytes.size()), sizeof(fields));
    std::memcpy(fields, bytes.constData(), n);
    for (uint32_t& field : fields)
        field = qFromLittleEndian(field);
    placement.m_nLength = fields[0];
    placement.m_nFlags = fields[1];
    placement.m_nShowCommand = fields[2];
    placement.m_nMinX = int32_t(fields[3]);
    placement.m_nMinY = int32_t(fields[4]);
    placement.m_nMaxX = int32_t(fields[5]);
    placement.m_nMaxY = int32_t(fields[6]);
    placement.m_nLeft = int32_t(fields[7]);
    placement.m_nTop = int32_t(fields[8]);
    placement.m_nRight = int32_t(fields[9]);
    placement.m_nBottom = int32_t(fields[10]);
}

bool PlacementUsable(const SWindowPlacement& placement, const QRect& desktop)
{
    if (placement.m_nLength != SWindowPlacement::kLength)
        return false;
    const int64_t width = int64_t(placement.m_nRight) - placement.m_nLeft;
    const int64_t height = int64_t(placement.m_nBottom) - placement.m_nTop;
    if (width <= 0 || height <= 0 || width > INT32_MAX / 2 || height > INT32_MAX / 2)
        return false;
    return placement.NormalRect().intersects(desktop);
}

QRect BroughtOnto(const QRect& rect, const QRect& area)
{
    if (area.isEmpty())
        return rect;
    const int width = std::min(rect.width(), area.width()), height = std::min(rect.height(), area.height());
    const int left = std::clamp(rect.left(), area.left(), area.left() + area.width() - width);
    const int top = std::clamp(rect.top(), area.top(), area.top() + area.height() - height);
    return QRect(left, top, width, height);
}

bool ReadPaneWidth(const QVariant& value, int32_t& width)
{
    bool ok = false;
    qlonglong n = 0;
    switch (value.typeId())
    {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        n = value.toLongLong(&ok);
        break;
    case QMetaType::QString: {
        const QString text = value.toString();
        ok = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
        if (ok)
            n = text.toLongLong(&ok);
        break;
    }
    default:
        return false;
    }
    if (!ok || n <= 0 || n > INT32_MAX)
        return false;
    width = int32_t(n);
    return true;
}
