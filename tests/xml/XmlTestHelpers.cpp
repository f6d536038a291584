#include "XmlTestHelpers.h"

#include <cstring>

namespace mosvane::test
{
namespace
{
std::string Str(const char* p)
{
    return p ? std::string(p) : std::string("~");
}

std::string Attributes(const XmlNode& node)
{
    std::string s;
    for (uint32_t i = 0; i < node.AttributeCount(); ++i)
    {
        const XmlAttribute a = node.AttributeAt(i);
        s += (i ? " " : "") + Str(a.Name()) + "=" + Str(a.Value());
    }
    return s;
}

std::string Children(const XmlNode& node)
{
    if (node.ChildCount() == 0)
        return "";
    std::string s = "[";
    for (uint32_t i = 0; i < node.ChildCount(); ++i)
        s += (i ? "," : "") + Dump(node.Child(i));
    return s + "]";
}
} // namespace

std::string Dump(const XmlNode& node)
{
    switch (node.Kind())
    {
    case XmlKindElement:
        return "E(" + Str(node.Name()) + (node.AttributeCount() ? " " + Attributes(node) : "") + ")" + Children(node);
    case XmlKindProcessing:
        return "P(" + Str(node.Name()) + (node.AttributeCount() ? " " + Attributes(node) : "") + ")";
    case XmlKindDocType:
        return "Y(" + Attributes(node) + ")" + (node.Value() ? "\"" + std::string(node.Value()) + "\"" : "") +
               Children(node);
    case XmlKindText: return "T\"" + Str(node.Value()) + "\"";
    case XmlKindComment: return "C\"" + Str(node.Value()) + "\"";
    case XmlKindCData: return "D\"" + Str(node.Value()) + "\"";
    case XmlKindInclude: return "I\"" + Str(node.Value()) + "\"";
    case XmlKindEntityDecl:
    case XmlKindAttListDecl:
    case XmlKindElementDecl:
    case XmlKindNotationDecl:
        return "N" + std::to_string(node.Kind()) + "(" + Str(node.Name()) + ")\"" + Str(node.Value()) + "\"";
    case XmlKindDocument: return "DOC" + Children(node);
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

bool SameTree(const XmlNode& a, const XmlNode& b, std::string* where)
{
    auto same = [](const char* x, const char* y) { return (!x && !y) || (x && y && std::strcmp(x, y) == 0); };
    bool ok = a.Kind() == b.Kind() && same(a.Name(), b.Name()) && same(a.Value(), b.Value()) &&
              a.AttributeCount() == b.AttributeCount() && a.ChildCount() == b.ChildCount();
    for (uint32_t i = 0; ok && i < a.AttributeCount(); ++i)
        ok = same(a.AttributeAt(i).Name(), b.AttributeAt(i).Name()) &&
             same(a.AttributeAt(i).Value(), b.AttributeAt(i).Value());
    if (!ok)
    {
        if (where)
            *where = Dump(a) + "  <>  " + Dump(b);
        return false;
    }
    for (uint32_t i = 0; i < a.ChildCount(); ++i)
        if (!SameTree(a.Child(i), b.Child(i), where))
            return false;
    return true;
}
} // namespace mosvane::test
