#include "ui/WrapRowLayout.h"

#include <QStyle>
#include <QWidget>

#include <algorithm>

namespace
{
int HeightAt(const QLayoutItem& item, int width)
{
    return item.hasHeightForWidth() ? item.heightForWidth(width) : item.sizeHint().height();
}
} // namespace

CWrapRowLayout::CWrapRowLayout(QWidget* parent) : QLayout(parent)
{
    setContentsMargins(0, 0, 0, 0);
}

CWrapRowLayout::~CWrapRowLayout() = default;

void CWrapRowLayout::AddSegment(std::initializer_list<QWidget*> widgets, QWidget* stretching)
{
    AddSegment(std::vector<QWidget*>(widgets), stretching);
}

void CWrapRowLayout::AddSegment(const std::vector<QWidget*>& widgets, QWidget* stretching)
{
    for (QWidget* widget : widgets)
    {
        m_bNextStretches = widget == stretching;
        addWidget(widget);
    }
    m_bNextStretches = false;
    ++m_nSegments;
}

void CWrapRowLayout::addItem(QLayoutItem* item)
{
    m_entries.push_back(SEntry{std::unique_ptr<QLayoutItem>(item), m_nSegments, m_bNextStretches});
}

int CWrapRowLayout::count() const
{
    return int(m_entries.size());
}

QLayoutItem* CWrapRowLayout::itemAt(int index) const
{
    return index >= 0 && index < count() ? m_entries[size_t(index)].m_pItem.get() : nullptr;
}

QLayoutItem* CWrapRowLayout::takeAt(int index)
{
    if (index < 0 || index >= count())
        return nullptr;
    QLayoutItem* item = m_entries[size_t(index)].m_pItem.release();
    m_entries.erase(m_entries.begin() + index);
    return item;
}

int CWrapRowLayout::Gap() const
{
    if (spacing() >= 0)
        return spacing();
    const QWidget* owner = parentWidget();
    const int gap = owner ? owner->style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing, nullptr, owner) : -1;
    return gap >= 0 ? gap : 6;
}

QSize CWrapRowLayout::sizeHint() const
{
    int width = 0, height = 0, shown = 0;
    for (const SEntry& entry : m_entries)
    {
        if (entry.m_pItem->isEmpty())
            continue;
        const QSize hint = entry.m_pItem->sizeHint();
        width += hint.width() + (shown++ ? Gap() : 0);
        height = std::max(height, hint.height());
    }
    return QSize(width, height);
}

QSize CWrapRowLayout::minimumSize() const
{
    // The widest segment at the minimum widths of its controls.
    std::vector<int> widths(size_t(m_nSegments) + 1, 0);
    int height = 0;
    for (const SEntry& entry : m_entries)
    {
        if (entry.m_pItem->isEmpty())
            continue;
        int& width = widths[size_t(entry.m_nSegment)];
        width += entry.m_pItem->minimumSize().width() + (width ? Gap() : 0);
        height = std::max(height, entry.m_pItem->minimumSize().height());
    }
    return QSize(*std::max_element(widths.begin(), widths.end()), height);
}

int CWrapRowLayout::heightForWidth(int width) const
{
    return Arrange(QRect(0, 0, width, 0), false);
}

void CWrapRowLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    Arrange(rect, true);
}

int CWrapRowLayout::Arrange(const QRect& rect, bool bApply) const
{
    const int gap = Gap();
    // The shown entries, grouped into lines of whole segments.
    std::vector<std::vector<const SEntry*>> lines;
    int used = 0, segment = -1;
    std::vector<const SEntry*> pending;
    int pendingWidth = 0;
    const auto flushSegment = [&] {
        if (pending.empty())
            return;
        if (lines.empty() || (used > 0 && used + gap + pendingWidth > rect.width()))
        {
            lines.emplace_back();
            used = 0;
        }
        used += (used ? gap : 0) + pendingWidth;
        lines.back().insert(lines.back().end(), pending.begin(), pending.end());
        pending.clear();
        pendingWidth = 0;
    };
    for (const SEntry& entry : m_entries)
    {
        if (entry.m_pItem->isEmpty())
            continue;
        if (entry.m_nSegment != segment)
        {
            flushSegment();
            segment = entry.m_nSegment;
        }
        pendingWidth += (pending.empty() ? 0 : gap) + entry.m_pItem->sizeHint().width();
        pending.push_back(&entry);
    }
    flushSegment();

    int top = rect.top();
    for (const std::vector<const SEntry*>& line : lines)
    {
        std::vector<int> widths;
        int total = gap * int(line.size() - 1), stretching = 0;
        for (const SEntry* entry : line)
        {
            widths.push_back(entry->m_pItem->sizeHint().width());
            total += widths.back();
            stretching += entry->m_bStretch ? 1 : 0;
        }
        int spare = rect.width() - total;
        // Too narrow even for one segment: every control gives up width down to its minimum.
        for (size_t i = 0; spare < 0 && i < line.size(); ++i)
        {
            const int give = std::min(-spare, widths[i] - line[i]->m_pItem->minimumSize().width());
            widths[i] -= std::max(0, give);
            spare += std::max(0, give);
        }
        // Where a line without stretching controls leaves its spare width: after the row's first
        // segment, or before everything when the line holds only trailing segments.
        size_t gapBefore = line.size();
        if (stretching == 0 && spare > 0 && !m_bPacked)
        {
            gapBefore = 0;
            while (gapBefore < line.size() && line[gapBefore]->m_nSegment == 0)
                ++gapBefore;
        }
        int height = 0;
        for (size_t i = 0; i < line.size(); ++i)
        {
            if (line[i]->m_bStretch && spare > 0)
                widths[i] += spare / stretching;
            height = std::max(height, HeightAt(*line[i]->m_pItem, widths[i]));
        }
        int left = rect.left();
        for (size_t i = 0; i < line.size(); ++i)
        {
            if (i == gapBefore)
                left += spare;
            const int itemHeight = std::min(height, HeightAt(*line[i]->m_pItem, widths[i]));
            if (bApply)
                line[i]->m_pItem->setGeometry(QRect(left, top + (height - itemHeight) / 2, widths[i], itemHeight));
            left += widths[i] + gap;
        }
        top += height + gap;
    }
    return lines.empty() ? 0 : top - gap - rect.top();
}
