#include "XmlTestHelpers.h"

#include <cstring>
#include <utility>
#include <vector>

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
    // Without recursion: the trees may be very deep.
    auto same = [](const char* x, const char* y) { return (!x && !y) || (x && y && std::strcmp(x, y) == 0); };
    std::vector<std::pair<XmlNode, XmlNode>> todo{{a, b}};
    while (!todo.empty())
    {
        const auto [x, y] = todo.back();
        todo.pop_back();
        bool ok = x.Kind() == y.Kind() && same(x.Name(), y.Name()) && same(x.Value(), y.Value()) &&
                  x.AttributeCount() == y.AttributeCount() && x.ChildCount() == y.ChildCount();
        for (uint32_t i = 0; ok && i < x.AttributeCount(); ++i)
            ok = same(x.AttributeAt(i).Name(), y.AttributeAt(i).Name()) &&
                 same(x.AttributeAt(i).Value(), y.AttributeAt(i).Value());
        if (!ok)
        {
            if (where)
                *where = "E(" + Str(x.Name()) + ")" + "  <>  E(" + Str(y.Name()) + ")";
            return false;
        }
        for (uint32_t i = x.ChildCount(); i-- > 0;)
            todo.emplace_back(x.Child(i), y.Child(i));
    }
    return true;
}
} // namespace mosvane::test
