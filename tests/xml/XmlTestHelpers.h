#pragma once
// Compact views of trees for the xml tests.

#include "xml/XmlDocument.h"
#include "xml/XmlWriter.h"

#include <string>

namespace mosvane::test
{
// Parses text held in a string.
inline bool LoadText(XmlDocument& doc, const std::string& text, uint32_t options = XmlOptProgram)
{
    return doc.LoadMemory(text.data(), text.size(), options);
}

// One line per tree: E(name a=v b=~)[...] for elements, P(...) for processing instructions,
// Y(...)"subset"[...] for a DOCTYPE, T"..", C"..", D".." (CDATA), I".." (INCLUDE) and
// N9(name)".." to N12 for declarations; ~ stands for a null string.
std::string Dump(const XmlNode& node);
// The children of the document record, comma separated.
std::string DumpDocument(const XmlDocument& doc);

// Writes a node with WriteTo into a string.
std::string Written(const XmlNode& node, char indent = '\t', bool lineBreaks = true);

// Parses text and gives the dump of the document, or what the writer makes of it.
std::string ParsedDump(const std::string& text, uint32_t options = XmlOptProgram);
std::string Rewritten(const std::string& text, uint32_t options = XmlOptProgram, char indent = '\t',
                      bool lineBreaks = true);

// A new last child element of that name.
XmlNode AppendElement(const XmlNode& parent, const char* name);

// n copies of text, one after another.
inline std::string Repeated(const std::string& text, size_t n)
{
    std::string s;
    s.reserve(text.size() * n);
    while (n-- > 0)
        s += text;
    return s;
}
} // namespace mosvane::test
