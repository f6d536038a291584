// Turning chosen files into sequence items.

#include "batch/BatchFile.h"

#include <charconv>
#include <set>

namespace
{
bool AllDigits(const std::string& text, size_t from, size_t to)
{
    for (size_t i = from; i < to; ++i)
        if (text[i] < '0' || text[i] > '9')
            return false;
    return from < to;
}

// Where the number field of a sequence member ends before its last four characters begins.
// Exactly `digits` characters: digits, or '-' and digits. Without a template width, the number
// is unpadded: the longest run of digits that does not start with a needless zero.
bool FindNumberField(const std::string& head, int digits, size_t& start)
{
    const size_t end = head.size();
    if (digits > 0)
    {
        if (size_t(digits) > end)
            return false;
        start = end - size_t(digits);
        return AllDigits(head, start, end) || (head[start] == '-' && AllDigits(head, start + 1, end));
    }
    size_t run = end;
    while (run > 0 && head[run - 1] >= '0' && head[run - 1] <= '9')
        --run;
    if (run == end)
        return false;
    while (run + 1 < end && head[run] == '0')
        ++run;
    start = run;
    return true;
}
} // namespace

bool SequenceItemPath(const std::string& chosenPath, int digits, std::string& itemPath)
{
    const CSequencePattern split = ItemSequencePattern(chosenPath, 0);
    const std::string& head = split.m_strHead;
    size_t start = 0;
    if (split.m_strTail.empty() || !FindNumberField(head, digits, start))
        return false;
    // A field beyond the 64-bit range names no member the executors could make.
    int64_t number = 0;
    const auto parsed = std::from_chars(head.data() + start, head.data() + head.size(), number);
    if (parsed.ec != std::errc() || parsed.ptr != head.data() + head.size())
        return false;
    const std::string candidate = head.substr(0, start) + split.m_strTail;
    // The executors must name the chosen file again from the item path.
    if (ItemSequencePattern(candidate, digits).NameOf(number) != chosenPath)
        return false;
    itemPath = candidate;
    return true;
}

std::vector<std::string> SequenceItemPaths(const std::vector<std::string>& chosenPaths, int digits)
{
    std::vector<std::string> items;
    std::set<std::string> seen;
    for (const std::string& chosen : chosenPaths)
    {
        std::string item;
        if (SequenceItemPath(chosen, digits, item) && seen.insert(item).second)
            items.push_back(item);
    }
    return items;
}
