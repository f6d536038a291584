#include "base/JsonWriter.h"

namespace
{
// The length of the well-formed UTF-8 sequence at text[at], or 0 when the bytes there are none
// (a stray continuation byte, an overlong form, a surrogate, a value past U+10FFFF, a cut end).
size_t Utf8SequenceLength(std::string_view text, size_t at)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
    {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    }
    else if (lead >= 0xF0 && lead <= 0xF4)
    {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    }
    if (length == 0 || at + length > text.size() || byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (size_t i = 2; i < length; ++i)
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF)
            return 0;
    return length;
}
} // namespace

std::string JsonQuoted(std::string_view text)
{
    static const char kHex[] = "0123456789abcdef";
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted += '"';
    for (size_t i = 0; i < text.size();)
    {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80)
        {
            const size_t length = Utf8SequenceLength(text, i);
            if (length == 0)
            {
                quoted += "\xEF\xBF\xBD"; // U+FFFD in place of the stray byte
                ++i;
            }
            else
            {
                quoted.append(text.substr(i, length));
                i += length;
            }
            continue;
        }
        switch (c)
        {
        case '"': quoted += "\\\""; break;
        case '\\': quoted += "\\\\"; break;
        case '\b': quoted += "\\b"; break;
        case '\f': quoted += "\\f"; break;
        case '\n': quoted += "\\n"; break;
        case '\r': quoted += "\\r"; break;
        case '\t': quoted += "\\t"; break;
        default:
            if (c < 0x20)
            {
                quoted += "\\u00";
                quoted += kHex[c >> 4];
                quoted += kHex[c & 15];
            }
            else
                quoted += char(c);
        }
        ++i;
    }
    quoted += '"';
    return quoted;
}

void CJsonWriter::NewLine(size_t depth)
{
    m_strText += '\n';
    m_strText.append(depth * 2, ' ');
}

void CJsonWriter::BeforeItem()
{
    if (m_bAfterKey)
    {
        m_bAfterKey = false;
        return;
    }
    if (m_levels.empty())
        return;
    SLevel& level = m_levels.back();
    if (!level.m_bEmpty)
        m_strText += level.m_bInline ? ", " : ",";
    if (!level.m_bInline)
        NewLine(m_levels.size());
    level.m_bEmpty = false;
}

void CJsonWriter::Begin(char open, char close, bool bInline)
{
    BeforeItem();
    m_strText += open;
    // Inside an inline container everything stays on the line.
    const bool inlined = bInline || (!m_levels.empty() && m_levels.back().m_bInline);
    m_levels.push_back(SLevel{inlined, true, close});
}

void CJsonWriter::BeginObject(bool bInline)
{
    Begin('{', '}', bInline);
}

void CJsonWriter::BeginArray(bool bInline)
{
    Begin('[', ']', bInline);
}

void CJsonWriter::End()
{
    if (m_levels.empty())
        return;
    const SLevel level = m_levels.back();
    m_levels.pop_back();
    if (!level.m_bInline && !level.m_bEmpty)
        NewLine(m_levels.size());
    m_strText += level.m_cClose;
    if (m_levels.empty())
        m_strText += '\n';
}

void CJsonWriter::Key(std::string_view key)
{
    BeforeItem();
    m_strText += JsonQuoted(key);
    m_strText += ": ";
    m_bAfterKey = true;
}

void CJsonWriter::String(std::string_view value)
{
    BeforeItem();
    m_strText += JsonQuoted(value);
}

void CJsonWriter::Integer(int64_t value)
{
    BeforeItem();
    m_strText += std::to_string(value);
}

void CJsonWriter::Bool(bool value)
{
    BeforeItem();
    m_strText += value ? "true" : "false";
}
