#pragma once
// Compact views of trees for the xml tests.

#include "xml/XmlDocument.h"
#include "xml/XmlWriter.h"

#include <gtest/gtest.h>

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
inline std::string Dump(const XmlNode& node)
{
    auto str = [](const char* p) { return p ? std::string(p) : std::string("~"); };
    std::string attributes, children;
    for (uint32_t i = 0; i < node.AttributeCount(); ++i)
        attributes += (i ? " " : "") + str(node.AttributeAt(i).Name()) + "=" + str(node.AttributeAt(i).Value());
    for (uint32_t i = 0; i < node.ChildCount(); ++i)
        children += (i ? "," : "[") + Dump(node.Child(i)) + (i + 1 == node.ChildCount() ? "]" : "");
    const std::string named = "(" + str(node.Name()) + (attributes.empty() ? "" : " " + attributes) + ")";
    const std::string value = "\"" + str(node.Value()) + "\"";
    switch (node.Kind())
    {
    case XmlKindElement: return "E" + named + children;
    case XmlKindProcessing: return "P" + named;
    case XmlKindDocType: return "Y(" + attributes + ")" + (node.Value() ? value : "") + children;
    case XmlKindText: return "T" + value;
    case XmlKindComment: return "C" + value;
    case XmlKindCData: return "D" + value;
    case XmlKindInclude: return "I" + value;
    case XmlKindEntityDecl:
    case XmlKindAttListDecl:
    case XmlKindElementDecl:
    case XmlKindNotationDecl: return "N" + std::to_string(node.Kind()) + "(" + str(node.Name()) + ")" + value;
    case XmlKindDocument: return "DOC" + children;
    default: return "?" + std::to_string(node.Kind());
    }
}
// The children of the document record, comma separated.
inline std::string DumpDocument(const XmlDocument& doc)
{
    const XmlNode root = doc.Root();
    std::string s;
    for (uint32_t i = 0; i < root.ChildCount(); ++i)
        s += (i ? "," : "") + Dump(root.Child(i));
    return s;
}

// Writes a node with WriteTo into a string.
inline std::string Written(const XmlNode& node, char indent = '\t', bool lineBreaks = true)
{
    XmlOutputStream out;
    node.WriteTo(out, indent, lineBreaks);
    return out.Text();
}

// Parses text and gives the dump of the document, or what the writer makes of it.
inline std::string ParsedDump(const std::string& text, uint32_t options = XmlOptProgram)
{
    XmlDocument doc;
    EXPECT_TRUE(LoadText(doc, text, options)) << text;
    return DumpDocument(doc);
}
inline std::string Rewritten(const std::string& text, uint32_t options = XmlOptProgram, char indent = '\t',
                      bool lineBreaks = true)
{
    XmlDocument doc;
    EXPECT_TRUE(LoadText(doc, text, options)) << text;
    return Written(doc.Root(), indent, lineBreaks);
}

// A new last child element of that name.
inline XmlNode AppendElement(const XmlNode& parent, const char* name)
{
    XmlNode node = parent.AppendChild(XmlKindElement);
    node.SetName(name);
    return node;
}

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
