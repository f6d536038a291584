#include "ops/SequenceFiles.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <string>
#include <vector>

namespace
{
// The numbers in [from, from + count) whose name under the pattern is a file of the folder.
std::vector<int64_t> ListedNumbers(const CSequencePattern& pattern, int32_t from, int64_t count)
{
    std::vector<int64_t> numbers;
    const std::string& head = pattern.m_strHead;
    const size_t slash = head.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : head.substr(0, slash + 1);
    const std::string prefix = slash == std::string::npos ? head : head.substr(slash + 1);
    const std::string& tail = pattern.m_strTail;

    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec))
    {
        const std::string name = it->path().filename().string();
        if (name.size() <= prefix.size() + tail.size() || name.compare(0, prefix.size(), prefix) != 0 ||
            name.compare(name.size() - tail.size(), tail.size(), tail) != 0)
            continue;
        const char* first = name.data() + prefix.size();
        const char* last = name.data() + name.size() - tail.size();
        int64_t number = 0;
        const auto parsed = std::from_chars(first, last, number);
        if (parsed.ec != std::errc() || parsed.ptr != last || number < from || uint64_t(number) - uint64_t(from) >= uint64_t(count))
            continue;
        if (FormatNumberField(number, pattern.m_nDigits) == std::string(first, last))
            numbers.push_back(number);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}
} // namespace

void ForEachSequenceNumber(const CSequencePattern& pattern, int32_t from, int64_t count,
                           const std::function<bool(int64_t)>& visit)
{
    if (count <= 0)
        return;
    // A tail with a folder separator puts every number in a folder of its own: nothing to list.
    if (count <= kDirectProbeLimit || pattern.m_strTail.find('/') != std::string::npos)
    {
        const int64_t probed = std::min(count, kDirectProbeLimit);
        for (int64_t k = 0; k < probed; ++k)
            if (!visit(from + k))
                return;
        return;
    }
    for (int64_t number : ListedNumbers(pattern, from, count))
        if (!visit(number))
            return;
}
