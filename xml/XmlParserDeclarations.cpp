#include "xml/XmlParserCore.h"

char* CXmlParser::FindText(char* p, char* pEnd, const char* pszWhat)
{
    const size_t n = std::strlen(pszWhat);
    while (p && size_t(pEnd - p) >= n)
    {
        p = Find(p, pEnd, pszWhat[0]);
        if (!p || size_t(pEnd - p) < n)
            return nullptr;
        if (std::memcmp(p, pszWhat, n) == 0)
            return p;
        ++p;
    }
    return nullptr;
}

char* CXmlParser::FindCloseOutsideQuotes(char* p, char* pEnd)
{
    for (; p < pEnd; ++p)
    {
        if (*p == '>')
            return p;
        if (*p == '"' || *p == '\'')
        {
            p = Find(p + 1, pEnd, *p);
            if (!p)
                return nullptr;
        }
    }
    return nullptr;
}

CXmlParser::Step CXmlParser::Bang(char* pEnd, int nDepth)
{
    char* q = m_p + 1;
    m_p = q;
    if (*q == '-')
    {
        // A comment: "<!-" is enough to start one, but only "<!--" makes a node.
        const bool bFull = q[1] == '-';
        char* pszValue = bFull ? q + 2 : q + 1;
        char* pClose = FindText(pszValue, pEnd, "-->");
        if (bFull && Has(XmlOptKeepComments))
            AppendValueNode(XmlKindComment, pszValue, pClose, pEnd, XmlOptTrimComments);
        return Past(pClose, pEnd, 3, Step::Content);
    }
    if (*q == '[')
        return Section(pEnd);
    if (*q == 'D')
    {
        if (std::strncmp(q, "DOCTYPE", 7) != 0)
            return Step::Outside;
        m_p = q + 7;
        return DocType(pEnd, nDepth);
    }
    if (IsName(*q))
        return Declaration(pEnd);
    return *q ? Step::Outside : Step::End;
}

CXmlParser::Step CXmlParser::Section(char* pEnd)
{
    const bool bCData = std::strncmp(m_p + 1, "CDATA[", 6) == 0;
    if (!bCData && std::strncmp(m_p + 1, "INCLUDE[", 8) != 0)
    {
        ++m_p;
        return Step::Outside;
    }
    char* pszValue = m_p + (bCData ? 7 : 9);
    char* pClose = FindText(pszValue, pEnd, "]]>");
    if (Has(bCData ? XmlOptKeepCData : XmlOptKeepDocType))
        AppendValueNode(bCData ? XmlKindCData : XmlKindInclude, pszValue, pClose, pEnd, XmlOptTrimCData);
    return Past(pClose, pEnd, 3, Step::Content);
}

CXmlParser::Step CXmlParser::DocType(char* pEnd, int nDepth)
{
    const bool bKeep = Has(XmlOptKeepDocType);
    XmlNodeRecord* pDocType = nullptr;
    if (bKeep)
    {
        pDocType = NewNode(XmlKindDocType);
        Append(pDocType);
    }
    m_attributes.clear();
    m_p = SkipSpace(m_p);

    // Words (the name, PUBLIC, SYSTEM...) and quoted strings, then an optional internal subset.
    // c is the byte at m_p; when kept, a word ends with a NUL written over the byte after it, and
    // c holds that byte, acted on as if it were still there.
    char c = *m_p;
    for (;;)
    {
        if (IsName(c))
        {
            if (bKeep)
                NewAttribute(m_p, m_p);
            m_p = SkipName(m_p);
            c = *m_p;
            if (!c)
            {
                AttachAttributes(pDocType);
                return Step::End;
            }
            if (bKeep)
            {
                *m_p = 0;
                if (IsSpace(c))
                {
                    m_p = SkipSpace(m_p + 1);
                    c = *m_p;
                }
            }
        }
        else if (c == '"' || c == '\'')
        {
            char* pszQuoted = m_p + 1;
            char* pClose = Find(pszQuoted, pEnd, c);
            if (bKeep)
                NewAttribute(nullptr, pszQuoted);
            if (!pClose)
            {
                m_p = pEnd; // the string runs to the end
                AttachAttributes(pDocType);
                return Step::End;
            }
            if (bKeep)
                *pClose = 0;
            m_p = SkipSpace(pClose + 1);
            c = *m_p;
        }
        else
            break; // a subset, the final ">" or anything else ends the words
    }
    AttachAttributes(pDocType);
    if (c == '>')
    {
        ++m_p;
        return Step::Outside;
    }
    if (c == '[')
    {
        char* pSubset = m_p + 1;
        int nNest = 1;
        char* pClose = pSubset;
        for (; pClose < pEnd; ++pClose)
        {
            if (*pClose == '[')
                ++nNest;
            else if (*pClose == ']' && --nNest == 0)
                break;
        }
        if (bKeep)
        {
            *pClose = 0; // pEnd already holds one
            pDocType->m_pszValue = pSubset;
            if (!Has(XmlOptParseDocTypeSubset) && !Has(XmlOptStopAfterDocType))
                EndValue(pDocType->m_pszValue, pClose, pEnd, XmlOptTrimDocTypeSubset);
            if (Has(XmlOptParseDocTypeSubset) && nDepth < kMaxSubsetDepth)
            {
                CXmlParser inner(m_pool, m_nGrowth, m_nOptions);
                inner.Run(pSubset, pClose, pDocType, nDepth + 1);
                if (inner.m_bStop)
                    m_bStop = true;
            }
            if (Has(XmlOptStopAfterDocType) || m_bStop)
            {
                m_p = pClose < pEnd ? pClose + 1 : pEnd;
                m_bStop = true;
                return Step::End;
            }
        }
        m_p = pClose; // a "]" or the NUL written over it: the search for ">" passes it
    }
    return PastClose(m_p, pEnd, Step::Outside);
}

CXmlParser::Step CXmlParser::Declaration(char* pEnd)
{
    char* pszKeyword = m_p;
    const size_t nLen = size_t(SkipName(m_p) - pszKeyword);
    uint32_t nKind = XmlKindEntityDecl;
    if (nLen == 7 && std::memcmp(pszKeyword, "ATTLIST", 7) == 0)
        nKind = XmlKindAttListDecl;
    else if (nLen == 7 && std::memcmp(pszKeyword, "ELEMENT", 7) == 0)
        nKind = XmlKindElementDecl;
    else if (nLen == 8 && std::memcmp(pszKeyword, "NOTATION", 8) == 0)
        nKind = XmlKindNotationDecl;
    XmlNodeRecord* pDecl = NewNode(nKind);
    Append(pDecl);

    // The keyword, the declared name and the value, each after whitespace.
    char e = EndName(pszKeyword);
    if (IsSpace(e))
    {
        m_p = SkipSpace(m_p);
        // A parameter entity keeps its "%" as the first byte of the name, moved up to the name
        // when whitespace stands between them.
        pDecl->m_pszName = m_p;
        if (*m_p == '%')
        {
            m_p = SkipSpace(m_p + 1);
            m_p[-1] = '%';
            pDecl->m_pszName = m_p - 1;
        }
        e = EndName(m_p);
        if (IsSpace(e))
        {
            m_p = SkipSpace(m_p);
            char* pClose = nKind == XmlKindEntityDecl ? FindCloseOutsideQuotes(m_p, pEnd) : Find(m_p, pEnd, '>');
            pDecl->m_pszValue = m_p;
            EndValue(pDecl->m_pszValue, pClose, pEnd, XmlOptTrimDecls);
            return Past(pClose, pEnd, 1, Step::Outside);
        }
    }
    if (!e)
        return Step::End;
    return e == '>' ? Step::Outside : PastClose(m_p, pEnd, Step::Outside);
}
