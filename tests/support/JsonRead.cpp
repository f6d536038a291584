#include "support/JsonRead.h"

#include "support/TestSupport.h"

#include <cstdlib>

namespace mosvane::test
{
namespace
{
// Python's json module reads the text (strictly: no NaN or Infinity, no raw control characters,
// UTF-8 that decodes and strings that encode again, so no lone surrogate) and writes the value
// back in prefix order: z, b0 or b1, n<number>;, s<bytes>:<text>, a<count>; and its items,
// o<count>; and its members as <bytes>:<name> and value. Members keep their order and repeats.
const char* const kReader = R"py(
import json, sys
class Members(list): pass
def refuse(word): raise ValueError(word + ' is not JSON')
out = []
def text(t):
    b = t.encode('utf-8')
    out.append(b'%d:' % len(b) + b)
def put(v):
    if isinstance(v, Members):
        out.append(b'o%d;' % len(v))
        for name, member in v:
            text(name), put(member)
    elif isinstance(v, list):
        out.append(b'a%d;' % len(v))
        for item in v:
            put(item)
    elif isinstance(v, str):
        out.append(b's'), text(v)
    elif v is None:
        out.append(b'z')
    elif isinstance(v, bool):
        out.append(b'b1' if v else b'b0')
    else:
        out.append(b'n' + repr(float(v)).encode() + b';')
try:
    put(json.loads(sys.stdin.buffer.read().decode('utf-8'), parse_constant=refuse, object_pairs_hook=Members))
except Exception as e:
    sys.stdout.write('%s: %s' % (type(e).__name__, e))
    sys.exit(1)
sys.stdout.buffer.write(b''.join(out))
)py";

class CReader
{
public:
    explicit CReader(const std::string& text) : m_text(text) {}

    bool Value(SJson& value)
    {
        if (m_nAt >= m_text.size())
            return false;
        size_t count = 0;
        switch (m_text[m_nAt++])
        {
        case 'z': return true;
        case 'b':
            value.m_eKind = SJson::Bool, value.m_bValue = m_nAt < m_text.size() && m_text[m_nAt++] == '1';
            return true;
        case 'n':
            value.m_eKind = SJson::Number, value.m_nValue = std::strtod(m_text.c_str() + m_nAt, nullptr);
            return Count(';', count);
        case 's': value.m_eKind = SJson::String; return Text(value.m_strValue);
        case 'a':
            value.m_eKind = SJson::Array;
            if (!Count(';', count))
                return false;
            value.m_items.resize(count);
            for (SJson& item : value.m_items)
                if (!Value(item))
                    return false;
            return true;
        case 'o':
            value.m_eKind = SJson::Object;
            if (!Count(';', count))
                return false;
            value.m_members.resize(count);
            for (auto& [name, member] : value.m_members)
                if (!Text(name) || !Value(member))
                    return false;
            return true;
        default: return false;
        }
    }
    bool AtEnd() const { return m_nAt == m_text.size(); }

private:
    // The digits up to end (a number's text for 'n'), as a count.
    bool Count(char end, size_t& count)
    {
        const size_t at = m_text.find(end, m_nAt);
        if (at == std::string::npos)
            return false;
        count = std::strtoull(m_text.c_str() + m_nAt, nullptr, 10);
        m_nAt = at + 1;
        return true;
    }
    bool Text(std::string& text)
    {
        size_t length = 0;
        if (!Count(':', length) || length > m_text.size() - m_nAt)
            return false;
        text = m_text.substr(m_nAt, length);
        m_nAt += length;
        return true;
    }

    const std::string& m_text;
    size_t m_nAt = 0;
};
} // namespace

bool ParseJson(const std::string& text, SJson& value, std::string& error)
{
    const CTempDir dir;
    WriteTextFile(dir.File("in.json"), text);
    std::string read;
    if (RunCommand("python3 -c " + ShellQuote(kReader) + " < " + ShellQuote(dir.File("in.json")), &read) != 0)
    {
        error = read.empty() ? "python3 could not be run" : read;
        return false;
    }
    value = SJson{};
    CReader reader(read);
    if (reader.Value(value) && reader.AtEnd())
        return true;
    error = "the reader's output was cut";
    return false;
}

const SJson& SJson::operator[](const std::string& key) const
{
    static const SJson none;
    for (const auto& [name, value] : m_members)
        if (name == key)
            return value;
    return none;
}
} // namespace mosvane::test
