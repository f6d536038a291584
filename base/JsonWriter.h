#pragma once
// JSON text written in document order: objects, arrays, keys, strings, integers and booleans.
// Strings are quoted as JSON requires: the quote, the backslash and every control character
// escaped, other characters kept as UTF-8; a byte that is no part of a well-formed UTF-8 sequence
// becomes U+FFFD, so the text is valid JSON whatever bytes a name holds.
//
// Layout: every member of a container opened multi-line stands on its own line, indented by two
// spaces per level; a container opened inline stays on one line ({"x": 0, "y": 0}). The text ends
// with a newline once the outermost container is closed.
//
// The writer does not check its caller's order: a key outside an object or an End too many are
// the caller's fault and give text that is no JSON.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CJsonWriter
{
public:
    void BeginObject(bool bInline = false);
    void BeginArray(bool bInline = false);
    // Closes the container opened last.
    void End();
    // The key of the next member of the object open now.
    void Key(std::string_view key);
    void String(std::string_view value);
    void Integer(int64_t value);
    void Bool(bool value);

    const std::string& Text() const { return m_strText; }

private:
    struct SLevel
    {
        bool m_bInline;
        bool m_bEmpty;
        char m_cClose;
    };
    void Begin(char open, char close, bool bInline);
    // The separator and line break before a value or a key.
    void BeforeItem();
    void NewLine(size_t depth);

    std::string m_strText;
    std::vector<SLevel> m_levels;
    bool m_bAfterKey = false;
};

// The text as a JSON string, quotes included.
std::string JsonQuoted(std::string_view text);
