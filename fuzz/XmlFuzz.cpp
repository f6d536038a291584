// Loads any bytes as an XML document, then navigates, edits and writes it and reads the result
// again. The first byte picks parse options and growth; the first line doubles as a path and as
// a wildcard pattern. Any text set as an attribute value and as element text must read back
// unchanged after writing.

#include "xml/XmlDocument.h"
#include "xml/XmlWriter.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace
{
void Walk(const XmlNode& root, const char* pszPattern)
{
    std::vector<XmlNode> todo{root};
    while (!todo.empty())
    {
        XmlNode node = todo.back();
        todo.pop_back();
        MatchWildcard(pszPattern, node.Name());
        node.FindAttribute(pszPattern);
        for (uint32_t i = 0; i < node.AttributeCount(); ++i)
            MatchWildcard(node.AttributeAt(i).Name(), pszPattern);
        for (uint32_t i = 0; i < node.ChildCount(); ++i)
            todo.push_back(node.Child(i));
    }
}
} // namespace

// Whatever the bytes (up to a NUL), written and read again they are the same value.
void CheckValueRoundTrip(const std::string& strText)
{
    XmlDocument doc;
    doc.CreateEmpty();
    XmlNode element = doc.Root().AppendChild(XmlKindElement);
    element.SetName("v");
    element.Attribute("a").SetValue(strText);
    if (!strText.empty())
        element.AppendChild(XmlKindText).SetValue(strText);
    XmlOutputStream out;
    doc.Root().WriteTo(out);
    XmlDocument again;
    if (!again.LoadMemory(out.Text().data(), out.Text().size()))
        __builtin_trap();
    XmlNode back = again.Root().Child(0);
    const char* pszValue = back.Attribute("a").Value();
    const char* pszText = back.Child(0).Value();
    if (!pszValue || strText != pszValue || (!strText.empty() && (!pszText || strText != pszText)))
        __builtin_trap();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    if (nSize < 1)
        return 0;
    const uint8_t nMode = pData[0];
    const uint32_t nOptions = (nMode & 1) ? XmlOptProgram : (uint32_t(nMode) << 7) & 0x7FFE;
    const int32_t nGrowth = (nMode & 0x80) ? int32_t(nMode >> 4 & 7) - 1 : XmlDefaultGrowth;
    const auto* pText = reinterpret_cast<const char*>(pData + 1);
    const size_t nText = nSize - 1;
    const char* pLineEnd = static_cast<const char*>(std::memchr(pText, '\n', nText < 64 ? nText : 64));
    const std::string strLine(pText, pLineEnd ? size_t(pLineEnd - pText) : (nText < 64 ? nText : 64));

    CheckValueRoundTrip(std::string(pText, ::strnlen(pText, nText)));

    XmlDocument doc(nGrowth, true, nOptions);
    if (!doc.LoadMemory(pText, nText))
        return 0;
    XmlNode root = doc.Root().Child(0);
    Walk(doc.Root(), strLine.c_str());
    for (const char* pszPath : {strLine.c_str(), "./Options", "/MosvaneBatch/*/ApplyToItems", "../*/.."})
    {
        XmlNode found = root.SelectPath(pszPath, "/");
        found.Attribute("PathName").SetValue(strLine);
        found.ChildByName(strLine.c_str()).Attribute("Ratio").SetDouble(1.0 / 3.0);
    }
    root.Attribute("Added").SetLong(-12345);
    if (root.AttributeCount() > 0)
        root.AttributeAt(0).SetValue("");
    root.SetName(strLine);
    root.AppendChild(XmlKindElement).SetName("New");
    if (root.ChildCount() > 1)
        root.RemoveChild(nMode % root.ChildCount());

    XmlOutputStream out;
    doc.Root().WriteTo(out, (nMode & 2) ? '\t' : 0, (nMode & 4) != 0);
    XmlDocument again(nGrowth, true, nOptions);
    if (again.LoadMemory(out.Text().data(), out.Text().size()))
    {
        XmlOutputStream second;
        again.Root().WriteTo(second);
    }
    return 0;
}
