#pragma once
// What XmlNode::WriteTo writes with: the indentation and the byte sink.

#include <cstddef>
#include <string>

// The indentation while writing: one indent character more per level. Absurdly deep documents
// stop gaining indentation at kMaxLevels, so that the output stays linear in the tree's size.
class XmlIndentStack
{
public:
    static constexpr size_t kMaxLevels = 64;

    explicit XmlIndentStack(char cIndent) : m_cIndent(cIndent) {}
    void Push();
    void Pop();
    const std::string& Current() const { return m_strIndent; }

private:
    char m_cIndent;
    size_t m_nLevel = 0;
    std::string m_strIndent;
};

// Where the writer puts its bytes: a string in memory, handed to the file module whole, so that a
// file is replaced only by a complete text. Writing stops for good at the first failure (no
// memory, or more than kMaxBytes).
class XmlOutputStream
{
public:
    static constexpr size_t kMaxBytes = size_t(1) << 30;

    XmlOutputStream() = default;
    XmlOutputStream(const XmlOutputStream&) = delete;
    XmlOutputStream& operator=(const XmlOutputStream&) = delete;

    void Write(const char* p, size_t n);
    void Write(const char* psz);
    void Put(char c) { Write(&c, 1); }
    bool Good() const { return !m_bFailed; }
    const std::string& Text() const { return m_strText; }

private:
    bool m_bFailed = false;
    std::string m_strText;
};
