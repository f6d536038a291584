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

// Words (the name, PUBLIC, SYSTEM...) and quoted strings, kept as attributes when bKeep. c is the
// byte at m_p; when kept, a word ends with a NUL written over the byte after it, and c holds that
// byte, acted on as if it were still there. False when the buffer ends among them.
bool CXmlParser::DocTypeWords(char* pEnd, bool bKeep, char& c)
{
    c = *m_p;
    for (;;)
    {
        if (IsName(c))
        {
            if (bKeep)
                NewAttribute(m_p, m_p);
            m_p = SkipName(m_p);
            c = *m_p;
            if (!c)
                return false;
            if (bKeep)
                *m_p = 0;
            if (IsSpace(c))
            {
                m_p = SkipSpace(m_p + 1);
                c = *m_p;
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
                return false;
            }
            if (bKeep)
                *pClose = 0;
            m_p = SkipSpace(pClose + 1);
            c = *m_p;
        }
        else
            return true; // a subset, the final ">" or anything else ends the words
    }
}

// The internal subset from the "[" at m_p to its matching "]". Kept, it becomes the DOCTYPE's
// value, parsed into declarations or not by the options; skipped, it builds nothing. True when the
// whole parse ends here.
bool CXmlParser::DocTypeSubset(char* pEnd, XmlNodeRecord* pDocType, int nDepth)
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
    if (pDocType)
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
            return true;
        }
    }
    m_p = pClose; // a "]" or the NUL written over it: the search for ">" passes it
    return false;
}

CXmlParser::Step CXmlParser::DocType(char* pEnd, int nDepth)
{
    XmlNodeRecord* pDocType = nullptr;
    if (Has(XmlOptKeepDocType))
    {
        pDocType = NewNode(XmlKindDocType);
        Append(pDocType);
    }
    m_attributes.clear();
    m_p = SkipSpace(m_p);
    char c = 0;
    const bool bMore = DocTypeWords(pEnd, pDocType != nullptr, c);
    AttachAttributes(pDocType);
    if (!bMore)
        return Step::End;
    if (c == '>')
    {
        ++m_p;
        return Step::Outside;
    }
    if (c == '[' && DocTypeSubset(pEnd, pDocType, nDepth))
        return Step::End;
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
