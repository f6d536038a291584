#include "batch/ItemSchedule.h"

#include <charconv>

namespace
{
bool ReadCount(const char* first, const char* last, uint32_t& value)
{
    const auto parsed = std::from_chars(first, last, value);
    return first != last && parsed.ec == std::errc() && parsed.ptr == last;
}
} // namespace

bool ParseItemShard(const std::string& text, SItemShard& shard)
{
    const size_t slash = text.find('/');
    if (slash == std::string::npos)
        return false;
    SItemShard read;
    if (!ReadCount(text.data(), text.data() + slash, read.m_nIndex) ||
        !ReadCount(text.data() + slash + 1, text.data() + text.size(), read.m_nCount) || read.m_nCount == 0 ||
        read.m_nIndex >= read.m_nCount)
        return false;
    shard = read;
    return true;
}
