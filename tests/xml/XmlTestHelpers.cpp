#include "XmlTestHelpers.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace mosvane::test
{
std::string Dump(const XmlNode& node)
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

std::string DumpDocument(const XmlDocument& doc)
{
    const XmlNode root = doc.Root();
    std::string s;
    for (uint32_t i = 0; i < root.ChildCount(); ++i)
        s += (i ? "," : "") + Dump(root.Child(i));
    return s;
}

std::string Written(const XmlNode& node, char indent, bool lineBreaks)
{
    XmlOutputStream out;
    node.WriteTo(out, indent, lineBreaks);
    return out.Text();
}

std::string ParsedDump(const std::string& text, uint32_t options)
{
    XmlDocument doc;
    EXPECT_TRUE(LoadText(doc, text, options)) << text;
    return DumpDocument(doc);
}

std::string Rewritten(const std::string& text, uint32_t options, char indent, bool lineBreaks)
{
    XmlDocument doc;
    EXPECT_TRUE(LoadText(doc, text, options)) << text;
    return Written(doc.Root(), indent, lineBreaks);
}

XmlNode AppendElement(const XmlNode& parent, const char* name)
{
    XmlNode node = parent.AppendChild(XmlKindElement);
    node.SetName(name);
    return node;
}
} // namespace mosvane::test
