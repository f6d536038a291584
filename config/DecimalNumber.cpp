#include "config/DecimalNumber.h"

#include "xml/XmlParser.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>

namespace
{
const char* SkipSpace(const char* p)
{
    while (XmlIsSpace(static_cast<unsigned char>(*p)))
        ++p;
    return p;
}
} // namespace

int32_t ReadDecimalNumber(const char* text)
{
    if (!text)
        return 0;
    const char* p = SkipSpace(text);
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;
    // The magnitude stops growing just past the 32-bit range, so no digit count can overflow it.
    int64_t magnitude = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        magnitude = std::min<int64_t>(magnitude * 10 + (*p - '0'), int64_t(INT32_MAX) + 1);
    return int32_t(std::clamp<int64_t>(negative ? -magnitude : magnitude, INT32_MIN, INT32_MAX));
}

double ReadDecimalFraction(const char* text)
{
    if (!text)
        return 0.0;
    const char* p = SkipSpace(text);
    if (*p == '+')
        ++p;
    double value = 0.0;
    const auto result = std::from_chars(p, p + std::strlen(p), value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range)
        return std::numeric_limits<double>::quiet_NaN();
    return result.ec == std::errc() ? value : 0.0;
}
