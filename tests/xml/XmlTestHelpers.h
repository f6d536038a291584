#pragma once
// Compact views of trees for the xml tests.

#include "xml/XmlDocument.h"

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

// True when both trees have the same kinds, names, values and attributes in the same order.
bool SameTree(const XmlNode& a, const XmlNode& b, std::string* where = nullptr);
} // namespace mosvane::test
