#include "xml/XmlNode.h"
#include "xml/XmlParser.h"
#include "xml/XmlWriter.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

void XmlIndentStack::Push()
{
    ++m_nLevel;
    if (m_cIndent && m_nLevel <= kMaxLevels)
        m_strIndent.push_back(m_cIndent);
}

void XmlIndentStack::Pop()
{
    if (m_nLevel == 0)
        return;
    if (m_cIndent && m_nLevel <= kMaxLevels)
        m_strIndent.pop_back();
    --m_nLevel;
}

void XmlOutputStream::Write(const char* p, size_t n)
{
    if (m_bFailed)
        return;
    if (n > kMaxBytes - m_strText.size())
    {
        m_bFailed = true;
        return;
    }
    try
    {
        m_strText.append(p, n);
    }
    catch (const std::bad_alloc&)
    {
        m_bFailed = true;
    }
}

void XmlOutputStream::Write(const char* psz)
{
    Write(psz, std::strlen(psz));
}

namespace
{
class CWriter
{
public:
    CWriter(XmlOutputStream& out, char cIndent, bool bLineBreaks)
        : m_out(out), m_indent(cIndent), m_bLineBreaks(bLineBreaks)
    {
    }

    void WriteNode(const XmlNodeRecord* pRoot);

private:
    // An element or DOCTYPE whose children are being written.
    struct CFrame
    {
        const XmlNodeRecord* m_pNode;
        uint32_t m_nNext;
    };

    void Begin(const XmlNodeRecord* p); // pushes a frame when children follow
    void End(const XmlNodeRecord* p);   // after the children of a frame
    // The opening text of one node by kind; true when its children follow on their own lines.
    bool ElementOrProcessing(const XmlNodeRecord* p);
    bool DocType(const XmlNodeRecord* p);
    void Attributes(const XmlNodeRecord* p);
    void Delimited(const XmlNodeRecord* p); // text, CDATA, comment, INCLUDE
    void Declaration(const XmlNodeRecord* p);
    void LineEnd()
    {
        if (m_bLineBreaks)
            m_out.Write("\r\n", 2);
    }
    // A DOCTYPE's literal, which holds no references: between apostrophes when it holds a double quote.
    void Quoted(const char* pszValue);
    // An attribute value or text with the references that make it read back as it is.
    void Escaped(const char* pszValue, bool bAttribute);
    static const char* NameOf(const XmlNodeRecord* p) { return p->m_pszName ? p->m_pszName : "anonymous"; }

    XmlOutputStream& m_out;
    XmlIndentStack m_indent;
    bool m_bLineBreaks;
    std::vector<CFrame> m_frames;
};

void CWriter::Quoted(const char* pszValue)
{
    const char cQuote = std::strchr(pszValue, '"') && !std::strchr(pszValue, '\'') ? '\'' : '"';
    m_out.Put(cQuote);
    m_out.Write(pszValue);
    m_out.Put(cQuote);
}

void CWriter::Escaped(const char* pszValue, bool bAttribute)
{
    // Whitespace at either end would be trimmed by the reader: it goes as character references,
    // as do the bytes that would end the value or start markup. The runs between are copied whole.
    const size_t nLength = std::strlen(pszValue);
    size_t nFirst = 0, nLast = nLength;
    while (nFirst < nLength && XmlIsSpace(static_cast<unsigned char>(pszValue[nFirst])))
        ++nFirst;
    while (nLast > nFirst && XmlIsSpace(static_cast<unsigned char>(pszValue[nLast - 1])))
        --nLast;
    size_t nRun = 0;
    char szNumber[8];
    for (size_t i = 0; i < nLength; ++i)
    {
        const char c = pszValue[i];
        const char* pszReference = nullptr;
        if (i < nFirst || i >= nLast)
        {
            std::snprintf(szNumber, sizeof szNumber, "&#%u;", unsigned(static_cast<unsigned char>(c)));
            pszReference = szNumber;
        }
        else if (c == '&')
            pszReference = "&amp;";
        else if (c == '<')
            pszReference = "&lt;";
        else if (c == '>')
            pszReference = "&gt;";
        else if (c == '"' && bAttribute)
            pszReference = "&quot;";
        else if (c == '\'' && bAttribute)
            pszReference = "&apos;";
        if (!pszReference)
            continue;
        m_out.Write(pszValue + nRun, i - nRun);
        m_out.Write(pszReference);
        nRun = i + 1;
    }
    m_out.Write(pszValue + nRun, nLength - nRun);
}

void CWriter::Attributes(const XmlNodeRecord* p)
{
    for (uint32_t i = 0; i < p->m_nAttributeCount; ++i)
    {
        const XmlAttributeRecord* a = p->m_ppAttributes[i];
        if (!a->m_pszName)
            continue;
        m_out.Put(' ');
        m_out.Write(a->m_pszName);
        if (a->m_pszValue)
        {
            m_out.Write("=\"", 2);
            Escaped(a->m_pszValue, true);
            m_out.Put('"');
        }
    }
}

bool CWriter::ElementOrProcessing(const XmlNodeRecord* p)
{
    m_out.Put('<');
    if (p->m_nKind == XmlKindProcessing)
        m_out.Put('?');
    m_out.Write(NameOf(p));
    Attributes(p);
    if (p->m_nKind == XmlKindProcessing)
        m_out.Write("?>", 2);
    else if (p->m_nChildCount == 0)
        m_out.Write("/>", 2);
    else if (p->m_nChildCount == 1 && p->m_ppChildren[0]->m_nKind == XmlKindText)
    {
        // A lone text child stays on the element's line.
        m_out.Put('>');
        if (p->m_ppChildren[0]->m_pszValue)
            Escaped(p->m_ppChildren[0]->m_pszValue, false);
        m_out.Write("</", 2);
        m_out.Write(NameOf(p));
        m_out.Put('>');
    }
    else
    {
        m_out.Put('>');
        LineEnd();
        return true;
    }
    return false;
}

void CWriter::Delimited(const XmlNodeRecord* p)
{
    if (!p->m_pszValue)
        return;
    if (p->m_nKind == XmlKindText)
        return Escaped(p->m_pszValue, false);
    static const char* const kOpen[] = {"", "<![CDATA[", "<!--", "", "<![INCLUDE["};
    static const char* const kClose[] = {"", "]]>", "-->", "", "]]>"};
    const uint32_t nAt = p->m_nKind - XmlKindText;
    m_out.Write(kOpen[nAt]);
    m_out.Write(p->m_pszValue);
    m_out.Write(kClose[nAt]);
}

bool CWriter::DocType(const XmlNodeRecord* p)
{
    m_out.Write("<!DOCTYPE");
    for (uint32_t i = 0; i < p->m_nAttributeCount; ++i)
    {
        const XmlAttributeRecord* a = p->m_ppAttributes[i];
        if (a->m_pszName)
        {
            m_out.Put(' ');
            m_out.Write(a->m_pszName);
        }
        else if (a->m_pszValue)
        {
            m_out.Put(' ');
            Quoted(a->m_pszValue);
        }
    }
    if (p->m_nChildCount == 0)
    {
        if (p->m_pszValue)
        {
            m_out.Write(" [", 2);
            m_out.Write(p->m_pszValue);
            m_out.Put(']');
        }
        m_out.Put('>');
        return false;
    }
    m_out.Write(m_bLineBreaks ? "\r\n[\r\n" : " [ ");
    return true;
}

void CWriter::Declaration(const XmlNodeRecord* p)
{
    if (!p->m_pszName)
        return;
    static const char* const kKeyword[] = {"<!ENTITY ", "<!ATTLIST ", "<!ELEMENT ", "<!NOTATION "};
    m_out.Write(kKeyword[p->m_nKind - XmlKindEntityDecl]);
    m_out.Write(p->m_pszName);
    if (p->m_pszValue)
    {
        m_out.Put(' ');
        m_out.Write(p->m_pszValue);
    }
    m_out.Put('>');
}

void CWriter::Begin(const XmlNodeRecord* p)
{
    m_out.Write(m_indent.Current().data(), m_indent.Current().size());
    bool bChildrenFollow = false;
    switch (p->m_nKind)
    {
    case XmlKindElement:
    case XmlKindProcessing: bChildrenFollow = ElementOrProcessing(p); break;
    case XmlKindText:
    case XmlKindCData:
    case XmlKindComment:
    case XmlKindInclude: Delimited(p); break;
    case XmlKindDocType: bChildrenFollow = DocType(p); break;
    case XmlKindEntityDecl:
    case XmlKindAttListDecl:
    case XmlKindElementDecl:
    case XmlKindNotationDecl: Declaration(p); break;
    default: break;
    }
    if (bChildrenFollow)
    {
        m_indent.Push();
        m_frames.push_back({p, 0});
        return;
    }
    LineEnd();
}

void CWriter::End(const XmlNodeRecord* p)
{
    m_indent.Pop();
    if (p->m_nKind == XmlKindDocType)
        m_out.Write("]>", 2);
    else
    {
        m_out.Write(m_indent.Current().data(), m_indent.Current().size());
        m_out.Write("</", 2);
        m_out.Write(NameOf(p));
        m_out.Put('>');
    }
    LineEnd();
}

void CWriter::WriteNode(const XmlNodeRecord* pRoot)
{
    // Depth-first without recursion, so that no document is too deep to be written.
    const bool bDocument = XmlIsDocumentRecord(pRoot);
    if (bDocument)
        m_frames.push_back({pRoot, 0});
    else
        Begin(pRoot);
    while (!m_frames.empty() && m_out.Good())
    {
        CFrame& top = m_frames.back();
        const XmlNodeRecord* p = top.m_pNode;
        if (top.m_nNext < p->m_nChildCount)
        {
            const XmlNodeRecord* pChild = p->m_ppChildren[top.m_nNext++];
            // Under a DOCTYPE only declarations are written.
            if (p->m_nKind == XmlKindDocType &&
                (pChild->m_nKind < XmlKindEntityDecl || pChild->m_nKind > XmlKindNotationDecl))
                continue;
            Begin(pChild);
            continue;
        }
        m_frames.pop_back();
        if (!(bDocument && p == pRoot))
            End(p);
    }
}
} // namespace

bool XmlNode::WriteTo(XmlOutputStream& out, char cIndent, bool bLineBreaks) const
{
    if (!out.Good())
        return false;
    if (IsEmpty())
        return true;
    CWriter writer(out, cIndent, bLineBreaks);
    writer.WriteNode(Record());
    return out.Good();
}
