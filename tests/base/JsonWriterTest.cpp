#include "base/JsonWriter.h"
#include "support/JsonRead.h"

#include <gtest/gtest.h>

namespace mosvane::test
{
namespace
{
std::string ReadBack(const std::string& quoted)
{
    SJson value;
    std::string error;
    EXPECT_TRUE(ParseJson(quoted, value, error)) << quoted << ": " << error;
    return value.m_strValue;
}

TEST(JsonWriter, EveryAsciiCharacterAndWellFormedUtf8ReadBackAsWritten)
{
    std::string all;
    for (int c = 1; c < 0x80; ++c)
        all += char(c);
    all += std::string(1, '\0') + "\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xEF\xBF\xBF \xF4\x8F\xBF\xBF";
    const std::string quoted = JsonQuoted(all);
    EXPECT_EQ(ReadBack(quoted), all);
    // Control characters never stand raw in the text; UTF-8 is kept, not escaped.
    for (char c : quoted)
        EXPECT_GE(static_cast<unsigned char>(c), 0x20);
    EXPECT_NE(quoted.find("\xF0\x9F\x98\x80"), std::string::npos);
    EXPECT_EQ(JsonQuoted("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\n\\u0001\"");
}

TEST(JsonWriter, BytesThatAreNoUtf8BecomeReplacementCharacters)
{
    const std::string fffd = "\xEF\xBF\xBD";
    const struct { const char* bytes; std::string read; } cases[] = {
        {"a\xFF" "b", "a" + fffd + "b"},
        {"\x80", fffd},                             // a stray continuation byte
        {"\xC0\xAF", fffd + fffd},                  // an overlong '/'
        {"\xED\xA0\x80", fffd + fffd + fffd},       // a surrogate
        {"\xF4\x90\x80\x80", fffd + fffd + fffd + fffd}, // past U+10FFFF
        {"\xE2\x82", fffd + fffd},                  // cut at the end
        {"\xE2\x82x", fffd + fffd + "x"},           // cut before an ASCII character
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadBack(JsonQuoted(c.bytes)), c.read) << c.bytes;
}
} // namespace
} // namespace mosvane::test
