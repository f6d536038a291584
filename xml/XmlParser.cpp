#include "xml/XmlParserCore.h"

#include <cstdlib>
#include <new>

void CXmlParser::Trim(char*& pszValue, char* pEnd, bool bCollapse)
{
    char* p = pszValue;
    if (bCollapse && p < pEnd)
    {
        char* pOut = p + 1; // the first byte stays as it is
        bool bRun = false;
        for (char* q = p + 1; q < pEnd; ++q)
        {
            if (IsSpace(*q))
            {
                if (!bRun)
                    *pOut++ = ' ';
                bRun = true;
            }
            else
            {
                *pOut++ = *q;
                bRun = false;
            }
        }
        *pOut = 0;
        pEnd = pOut;
    }
    while (p < pEnd && IsSpace(*p))
        ++p;
    char* pLast = pEnd;
    while (pLast > p && IsSpace(pLast[-1]))
        --pLast;
    if (pLast < pEnd)
        *pLast = 0;
    pszValue = p;
}

size_t CXmlParser::Capacity(size_t nCount) const
{
    // What growing a one-slot array by the growth increment would have reached.
    if (nCount <= 1)
        return nCount;
    if (m_nGrowth <= 0)
        return 1;
    const size_t g = size_t(m_nGrowth);
    const size_t nCap = 1 + (nCount - 1 + g - 1) / g * g;
    return nCap > UINT32_MAX ? UINT32_MAX : nCap;
}

void CXmlParser::AttachAttributes(XmlNodeRecord* pNode)
{
    const size_t n = m_attributes.size();
    if (n == 0 || !pNode)
    {
        m_attributes.clear();
        return;
    }
    const size_t nCap = Capacity(n);
    auto** pp = m_pool.AllocateArray<XmlAttributeRecord*>(nCap);
    if (pp)
    {
        const size_t nKeep = n < nCap ? n : nCap;
        std::memcpy(pp, m_attributes.data(), nKeep * sizeof(XmlAttributeRecord*));
        pNode->m_ppAttributes = pp;
        pNode->m_nAttributeCount = uint32_t(nKeep);
        pNode->m_nAttributeCapacity = uint32_t(nCap);
    }
    m_attributes.clear();
}

void CXmlParser::CloseTop()
{
    const COpen open = m_open.back();
    m_open.pop_back();
    XmlNodeRecord* pNode = open.m_pNode;
    const size_t nNew = m_pending.size() - open.m_nFirstChild;
    if (nNew > 0)
    {
        const size_t nOld = pNode->m_nChildCount;
        const size_t nCap = Capacity(nOld + nNew);
        auto** pp = m_pool.AllocateArray<XmlNodeRecord*>(nCap);
        if (pp)
        {
            const size_t nKeep = nOld + nNew < nCap ? nOld + nNew : nCap;
            if (nOld)
                std::memcpy(pp, pNode->m_ppChildren, nOld * sizeof(XmlNodeRecord*));
            std::memcpy(pp + nOld, m_pending.data() + open.m_nFirstChild, (nKeep - nOld) * sizeof(XmlNodeRecord*));
            if (!(pNode->m_nAlloc & XmlAllocChildrenPooled))
                std::free(pNode->m_ppChildren);
            pNode->m_ppChildren = pp;
            pNode->m_nChildCount = uint32_t(nKeep);
            pNode->m_nChildCapacity = uint32_t(nCap);
            pNode->m_nAlloc |= XmlAllocChildrenPooled;
        }
    }
    m_pending.resize(open.m_nFirstChild);
}

char* CXmlParser::Run(char* p, char* pEnd, XmlNodeRecord* pUnder, int nDepth)
{
    const size_t nOuterFloor = m_nFloor;
    m_nFloor = m_open.size();
    m_p = p;
    try
    {
        Push(pUnder);
        Loop(pEnd, nDepth);
    }
    catch (const std::bad_alloc&)
    {
        m_bStop = true;
        m_attributes.clear();
    }
    while (m_open.size() > m_nFloor)
        CloseTop();
    m_nFloor = nOuterFloor;
    return m_p;
}

// The steps of the main loop are inline: only this file calls them, and the loop is faster with
// them folded into it.
inline void CXmlParser::Loop(char* pEnd, int nDepth)
{
    Step step = Step::Outside;
    while (step != Step::End && !m_bStop)
    {
        switch (step)
        {
        case Step::Outside: step = Past(Find(m_p, pEnd, '<'), pEnd, 1, Step::Markup); break;
        case Step::Markup: step = Markup(pEnd, nDepth); break;
        case Step::Content: step = Content(pEnd); break;
        case Step::End: break;
        }
    }
}

inline CXmlParser::Step CXmlParser::Markup(char* pEnd, int nDepth)
{
    const char c = *m_p;
    if (c == '?')
        return Processing(pEnd);
    if (c == '!')
        return Bang(pEnd, nDepth);
    if (c == '/')
    {
        // End tags are not compared with anything: they close whatever is open.
        Pop();
        return PastClose(m_p, pEnd, Step::Content);
    }
    if (IsName(c))
        return Element(pEnd);
    return c ? Step::Outside : Step::End;
}

inline CXmlParser::Step CXmlParser::Content(char* pEnd)
{
    char* q = SkipSpace(m_p);
    if (!*q)
    {
        m_p = q;
        return Step::End;
    }
    if (*q == '<')
    {
        m_p = q + 1;
        return Step::Markup;
    }
    // Text keeps its leading whitespace unless trimmed.
    char* lt = Find(q, pEnd, '<');
    // References are taken after trimming, so that whitespace written as a reference stays.
    XmlDecodeReferences(AppendValueNode(XmlKindText, m_p, lt, pEnd, XmlOptTrimText)->m_pszValue);
    return Past(lt, pEnd, 1, Step::Markup);
}

inline CXmlParser::AttrStop CXmlParser::ReadAttributes(XmlNodeRecord* pNode, char* pEnd)
{
    m_attributes.clear();
    AttrStop stop;
    for (;;)
    {
        if (!IsName(*m_p))
        {
            stop = AttrStop::At;
            break;
        }
        NewAttribute(m_p, nullptr);
        XmlAttributeRecord* a = m_attributes.back();
        const char e = EndName(m_p);
        if (!e)
        {
            stop = AttrStop::End;
            break;
        }
        if (IsSpace(e))
        {
            m_p = SkipSpace(m_p);
            if (*m_p != '=')
                continue; // an attribute without a value
            ++m_p;
        }
        else if (e != '=')
        {
            m_cEnded = e;
            stop = AttrStop::Overwritten;
            break;
        }
        m_p = SkipSpace(m_p);
        const char quote = *m_p;
        if (quote != '"' && quote != '\'')
            continue; // no value after all
        a->m_pszValue = m_p + 1;
        char* pClose = Find(a->m_pszValue, pEnd, quote);
        EndValue(a->m_pszValue, pClose, pEnd, XmlOptTrimAttrValues);
        XmlDecodeReferences(a->m_pszValue);
        if (!pClose)
        {
            m_p = pEnd;
            stop = AttrStop::End;
            break;
        }
        m_p = pClose + 1;
        if (IsSpace(*m_p))
            m_p = SkipSpace(m_p);
        else if (!IsName(*m_p))
        {
            stop = AttrStop::AfterValue;
            break;
        }
    }
    AttachAttributes(pNode);
    return stop;
}

inline CXmlParser::Step CXmlParser::Element(char* pEnd)
{
    XmlNodeRecord* pElement = NewNode(XmlKindElement);
    pElement->m_pszName = m_p;
    Append(pElement);
    Push(pElement);
    const char e = EndName(m_p);
    if (!e)
        return Step::End;
    if (e == '/')
    {
        Pop();
        return PastClose(m_p, pEnd, Step::Outside);
    }
    if (!IsSpace(e))
        return Step::Content; // ">" or any other byte: content follows it

    m_p = SkipSpace(m_p);
    switch (ReadAttributes(pElement, pEnd))
    {
    case AttrStop::End: return Step::End;
    case AttrStop::Overwritten:
        if (m_cEnded == '/' && *m_p == '>')
        {
            Pop();
            ++m_p;
        }
        return m_cEnded == '>' ? Step::Content : m_cEnded == '<' ? Step::Markup : Step::Outside;
    case AttrStop::AfterValue:
        if (*m_p == '/')
        {
            Pop();
            PassOptionalClose(m_p + 1);
            return Step::Content;
        }
        [[fallthrough]];
    case AttrStop::At:
        if (*m_p == '>')
        {
            ++m_p;
            return Step::Content;
        }
        if (m_p[0] == '/' && m_p[1] == '>')
        {
            Pop();
            m_p += 2;
        }
        return Step::Outside; // after "/>", or with the element left open
    }
    return Step::Outside;
}

inline CXmlParser::Step CXmlParser::Processing(char* pEnd)
{
    char* pszName = m_p + 1;
    if (!IsName(*pszName) || !Has(XmlOptKeepProcessing))
        return PastClose(pszName, pEnd, Step::Content);
    // The closing "?" becomes "/" so that the instruction reads like an empty element. Once a
    // search has found no "?" up to the end, none is searched for again (the parser never writes
    // one), which keeps a run of unterminated instructions from costing quadratic time.
    char* pMark = nullptr;
    if (!m_pNoMarkFrom || pszName < m_pNoMarkFrom)
    {
        pMark = Find(pszName, pEnd, '?');
        if (pMark)
            *pMark = '/';
        else
            m_pNoMarkFrom = pszName;
    }
    XmlNodeRecord* pInstr = NewNode(XmlKindProcessing);
    pInstr->m_pszName = pszName;
    Append(pInstr);
    const char e = EndName(pszName);
    if (!e)
        return Step::End;
    if (e == '/')
        return PastClose(m_p, pEnd, Step::Outside); // like an empty element tag
    bool bPassedClose = e == '>';
    if (IsSpace(e))
    {
        m_p = SkipSpace(m_p);
        const AttrStop stop = ReadAttributes(pInstr, pEnd);
        if (stop == AttrStop::End)
            return Step::End;
        bPassedClose = stop == AttrStop::Overwritten && m_cEnded == '>';
    }
    if (pMark && pMark >= m_p)
    {
        PassOptionalClose(pMark + 1);
        return Step::Content;
    }
    // The "?" was used up inside a value or there was none: the instruction ends at ">".
    return bPassedClose ? Step::Content : PastClose(m_p, pEnd, Step::Content);
}

bool XmlIsSpace(unsigned char c)
{
    return kXmlByteClasses[c] & 1;
}

char* XmlParse(char* pBuffer, char* pEnd, XmlNodeRecord* pUnder, CXmlPool& pool, int32_t nGrowth, uint32_t nOptions)
{
    if (!pBuffer || !pEnd || !pUnder || pEnd < pBuffer)
        return pBuffer;
    CXmlParser parser(pool, nGrowth, nOptions);
    return parser.Run(pBuffer, pEnd, pUnder, 0);
}
