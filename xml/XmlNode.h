#pragma once
// Handles on the records of a tree: cheap values that own nothing, like pointers (a const handle
// still edits the tree). An empty XmlNode reads as a node without name, value, attributes or
// children, and every change made through it is lost.

#include "xml/XmlTypes.h"

#include <cstddef>
#include <cstdint>
#include <string>

class XmlOutputStream;

// Case-sensitive match of text against a pattern of "?" (any byte), "*" (any run of bytes) and
// "[...]" sets ("!" first inverts, "a-z" ranges, "]" first belongs to the set). False when either
// is null.
bool MatchWildcard(const char* pszPattern, const char* pszText);

class XmlAttribute
{
public:
    XmlAttribute() = default;
    explicit XmlAttribute(XmlAttributeRecord* pRecord) : m_pRecord(pRecord) {}

    bool IsEmpty() const { return m_pRecord == nullptr; }
    const char* Name() const { return m_pRecord ? m_pRecord->m_pszName : nullptr; }
    const char* Value() const { return m_pRecord ? m_pRecord->m_pszValue : nullptr; }

    // Replaces the value (in place when the old value is at least as long). False when nothing
    // could be stored, which is always the case for the attribute of an empty node.
    bool SetValue(const char* pszText) const;
    bool SetValue(const std::string& strText) const { return SetValue(strText.c_str()); }
    // Decimal integer, as "%ld" writes it.
    XmlAttribute SetLong(int32_t nValue) const;
    // Fixed notation with six decimals, as "%lf" writes it in the C locale.
    XmlAttribute SetDouble(double dValue) const;

    XmlAttributeRecord* Record() const { return m_pRecord; }

private:
    XmlAttributeRecord* m_pRecord = nullptr;
};

class XmlNode
{
public:
    XmlNode();
    explicit XmlNode(XmlNodeRecord* pRecord);

    // True for a handle that stands for no record at all.
    bool IsEmpty() const;
    XmlNodeKind Kind() const { return XmlNodeKind(m_pRecord->m_nKind); }
    const char* Name() const { return m_pRecord->m_pszName; }
    const char* Value() const { return m_pRecord->m_pszValue; }
    uint32_t ChildCount() const { return m_pRecord->m_nChildCount; }
    uint32_t AttributeCount() const { return m_pRecord->m_nAttributeCount; }

    // The parent, or an empty handle for the document record and for an empty handle.
    XmlNode Parent() const;
    // Empty when the index is at or past the child count.
    XmlNode Child(uint32_t nIndex) const;
    XmlAttribute AttributeAt(uint32_t nIndex) const;

    // Index of the first child whose name matches the pattern; -1 when none does.
    int32_t FindChild(const char* pszPattern) const;
    XmlNode ChildByName(const char* pszPattern) const;
    // The first attribute whose name matches the pattern, or an empty handle.
    XmlAttribute FindAttribute(const char* pszPattern) const;
    // FindAttribute, and when nothing matches a new attribute of that name with an empty value.
    // On an empty node the result reads as an empty value and takes no changes.
    XmlAttribute Attribute(const char* pszName) const;
    XmlAttribute AppendAttribute(const char* pszName, const char* pszValue) const;

    // A new last child, only under the document record or an element; otherwise an empty handle.
    XmlNode AppendChild(uint32_t nKind) const;
    // Unlinks the child and frees everything below it. Handles on them become invalid.
    bool RemoveChild(uint32_t nIndex) const;

    bool SetName(const char* pszText) const;
    bool SetValue(const char* pszText) const;
    bool SetName(const std::string& strText) const { return SetName(strText.c_str()); }
    bool SetValue(const std::string& strText) const { return SetValue(strText.c_str()); }

    // Follows a path of names (wildcard patterns) split at any of the delimiters; "." stays, ".."
    // goes up, a path starting with the first delimiter starts at the document record. When a
    // step finds nothing, the search tries later siblings of the same name before giving up.
    XmlNode SelectPath(const char* pszPath, const char* pszDelimiters = "/") const;

    // Writes the node as text (the document record: each top-level node), indented by one
    // indent character per level (0: no indentation), with CR LF line ends when lineBreaks.
    // False when the stream has failed.
    bool WriteTo(XmlOutputStream& out, char cIndent = '\t', bool bLineBreaks = true) const;

    XmlNodeRecord* Record() const { return m_pRecord; }
    bool operator==(const XmlNode& other) const { return m_pRecord == other.m_pRecord; }

private:
    XmlNodeRecord* m_pRecord;
};
