#include "support/JsonRead.h"

#include <cstdlib>

namespace mosvane::test
{
namespace
{
class CParser
{
public:
    explicit CParser(const std::string& text) : m_text(text) {}

    bool Document(SJson& value, std::string& error)
    {
        const bool ok = Value(value, 0) && (Blanks(), m_nAt == m_text.size() || Fail("text after the value"));
        if (!ok)
            error = "at " + std::to_string(m_nAt) + ": " + m_strError;
        return ok;
    }

private:
    bool Fail(const char* why)
    {
        if (m_strError.empty())
            m_strError = why;
        return false;
    }
    void Blanks()
    {
        while (m_nAt < m_text.size() && (m_text[m_nAt] == ' ' || m_text[m_nAt] == '\t' || m_text[m_nAt] == '\n' ||
                                          m_text[m_nAt] == '\r'))
            ++m_nAt;
    }
    bool Take(char c)
    {
        Blanks();
        if (m_nAt < m_text.size() && m_text[m_nAt] == c)
            return ++m_nAt, true;
        return false;
    }
    bool Word(const char* word)
    {
        const std::string w(word);
        if (m_text.compare(m_nAt, w.size(), w) != 0)
            return Fail("unknown word");
        m_nAt += w.size();
        return true;
    }
    static void PutUtf8(std::string& out, uint32_t code)
    {
        if (code < 0x80)
            out += char(code);
        else if (code < 0x800)
            out += char(0xC0 | code >> 6), out += char(0x80 | (code & 0x3F));
        else if (code < 0x10000)
            out += char(0xE0 | code >> 12), out += char(0x80 | (code >> 6 & 0x3F)), out += char(0x80 | (code & 0x3F));
        else
            out += char(0xF0 | code >> 18), out += char(0x80 | (code >> 12 & 0x3F)),
                out += char(0x80 | (code >> 6 & 0x3F)), out += char(0x80 | (code & 0x3F));
    }
    bool Hex4(uint32_t& code)
    {
        if (m_nAt + 4 > m_text.size())
            return Fail("cut escape");
        code = 0;
        for (int i = 0; i < 4; ++i)
        {
            const char c = m_text[m_nAt++];
            const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
            if (digit < 0)
                return Fail("bad escape");
            code = code * 16 + uint32_t(digit);
        }
        return true;
    }
    bool Text(std::string& out)
    {
        if (!Take('"'))
            return Fail("string expected");
        for (;;)
        {
            if (m_nAt >= m_text.size())
                return Fail("unterminated string");
            const unsigned char c = static_cast<unsigned char>(m_text[m_nAt++]);
            if (c == '"')
                return true;
            if (c < 0x20)
                return Fail("raw control character in a string");
            if (c != '\\')
            {
                out += char(c);
                continue;
            }
            if (m_nAt >= m_text.size())
                return Fail("cut escape");
            const char e = m_text[m_nAt++];
            switch (e)
            {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                uint32_t code = 0;
                if (!Hex4(code))
                    return false;
                if (code >= 0xD800 && code < 0xDC00)
                {
                    uint32_t low = 0;
                    if (!Word("\\u") || !Hex4(low) || low < 0xDC00 || low >= 0xE000)
                        return Fail("lone surrogate");
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                }
                PutUtf8(out, code);
                break;
            }
            default: return Fail("bad escape");
            }
        }
    }
    bool Value(SJson& value, int depth)
    {
        if (depth > 64)
            return Fail("too deep");
        Blanks();
        if (m_nAt >= m_text.size())
            return Fail("value expected");
        const char c = m_text[m_nAt];
        if (c == '{')
        {
            ++m_nAt;
            value.m_eKind = SJson::Object;
            if (Take('}'))
                return true;
            do
            {
                std::pair<std::string, SJson> member;
                if (!Text(member.first) || !Take(':') || !Value(member.second, depth + 1))
                    return Fail("member expected");
                value.m_members.push_back(std::move(member));
            } while (Take(','));
            return Take('}') || Fail("'}' expected");
        }
        if (c == '[')
        {
            ++m_nAt;
            value.m_eKind = SJson::Array;
            if (Take(']'))
                return true;
            do
            {
                if (!Value(value.m_items.emplace_back(), depth + 1))
                    return false;
            } while (Take(','));
            return Take(']') || Fail("']' expected");
        }
        if (c == '"')
        {
            value.m_eKind = SJson::String;
            return Text(value.m_strValue);
        }
        if (c == 't' || c == 'f')
        {
            value.m_eKind = SJson::Bool;
            value.m_bValue = c == 't';
            return Word(c == 't' ? "true" : "false");
        }
        if (c == 'n')
            return Word("null");
        char* end = nullptr;
        value.m_eKind = SJson::Number;
        value.m_nValue = std::strtod(m_text.c_str() + m_nAt, &end);
        if (end == m_text.c_str() + m_nAt)
            return Fail("value expected");
        m_nAt = size_t(end - m_text.c_str());
        return true;
    }

    const std::string& m_text;
    size_t m_nAt = 0;
    std::string m_strError;
};
} // namespace

const SJson& SJson::operator[](const std::string& key) const
{
    static const SJson none;
    for (const auto& [name, value] : m_members)
        if (name == key)
            return value;
    return none;
}

bool ParseJson(const std::string& text, SJson& value, std::string& error)
{
    value = SJson{};
    return CParser(text).Document(value, error);
}
} // namespace mosvane::test
