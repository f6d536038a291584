#include "xml/XmlParser.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace
{
constexpr std::array<uint8_t, 256> MakeClasses()
{
    // bit 1: whitespace, bit 2: name character
    std::array<uint8_t, 256> t{};
    for (int c = 1; c <= 32; ++c)
        t[size_t(c)] |= 1;
    for (int c = 'a'; c <= 'z'; ++c)
        t[size_t(c)] |= 2;
    for (int c = 'A'; c <= 'Z'; ++c)
        t[size_t(c)] |= 2;
    for (int c = '0'; c <= '9'; ++c)
        t[size_t(c)] |= 2;
    for (char c : {'_', ':', '-', '.'})
        t[size_t(c)] |= 2;
    return t;
}
constexpr std::array<uint8_t, 256> kClasses = MakeClasses();

inline bool IsSpace(char c)
{
    return kClasses[uint8_t(c)] & 1;
}
inline bool IsName(char c)
{
    return kClasses[uint8_t(c)] & 2;
}
// NUL is neither whitespace nor a name character, so both scans stop at the end of the buffer.
inline char* SkipSpace(char* p)
{
    while (IsSpace(*p))
        ++p;
    return p;
}
inline char* SkipName(char* p)
{
    while (IsName(*p))
        ++p;
    return p;
}

inline char* Find(char* p, char* pEnd, char c)
{
    return p < pEnd ? static_cast<char*>(std::memchr(p, c, size_t(pEnd - p))) : nullptr;
}

char* FindText(char* p, char* pEnd, const char* pszWhat)
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

// The next ">" that does not stand inside a quoted string.
char* FindCloseOutsideQuotes(char* p, char* pEnd)
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

// Trims a value that ends at pEnd (its NUL): the start moves past leading whitespace and a NUL
// cuts trailing whitespace. Collapsing first turns every inner run of whitespace into one space.
void Trim(char*& pszValue, char* pEnd, bool bCollapse)
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

// A DOCTYPE whose internal subset holds DOCTYPEs with subsets is parsed this deep; deeper subsets
// stay as text.
constexpr int kMaxSubsetDepth = 16;

class CParser
{
public:
    CParser(CXmlPool& pool, int32_t nGrowth, uint32_t nOptions)
        : m_pool(pool), m_nGrowth(nGrowth), m_nOptions(nOptions)
    {
    }

    char* Run(char* p, char* pEnd, XmlNodeRecord* pUnder, int nDepth);

private:
    enum class Step
    {
        Outside, // look for the next "<", skipping what comes before
        Markup,  // just after a "<"
        Content, // just after a ">": text or markup
        End,
    };
    // How the attribute list of a tag ended.
    enum class AttrStop
    {
        End,        // end of the buffer
        At,         // at a byte (m_p) that starts no attribute
        Overwritten,// at the byte m_cEnded, which ended a name and was overwritten by NUL
        AfterValue, // right after a quoted value, at a byte that is neither space nor name
    };
    struct COpen
    {
        XmlNodeRecord* m_pNode;
        size_t m_nFirstChild; // index in m_pending
    };

    bool Has(uint32_t nOption) const { return (m_nOptions & nOption) != 0; }

    void Loop(char* pEnd, int nDepth);
    Step Markup(char* pEnd, int nDepth);
    Step Content(char* pEnd);
    Step Element(char* pEnd);
    Step Processing(char* pEnd);
    Step Bang(char* pEnd, int nDepth);
    Step Comment(char* pEnd);
    Step Section(char* pEnd);
    Step DocType(char* pEnd, int nDepth);
    Step Declaration(char* pEnd);
    AttrStop ReadAttributes(XmlNodeRecord* pNode, char* pEnd);

    XmlNodeRecord* NewNode(uint32_t nKind);
    void NewAttribute(char* pszName, char* pszValue);
    void Append(XmlNodeRecord* pNode) { m_pending.push_back(pNode); pNode->m_pParent = m_open.back().m_pNode; }
    void Push(XmlNodeRecord* pNode) { m_open.push_back({pNode, m_pending.size()}); }
    void Pop()
    {
        // The record a parse started under is its own top, as the document is its own parent.
        if (m_open.size() > m_nFloor + 1)
            CloseTop();
    }
    void CloseTop();
    void AttachAttributes(XmlNodeRecord* pNode);
    size_t Capacity(size_t nCount) const;
    void TrimIf(uint32_t nOption, char*& pszValue, char* pEnd)
    {
        if (Has(nOption))
            Trim(pszValue, pEnd, Has(XmlOptCollapseSpace));
    }

    CXmlPool& m_pool;
    int32_t m_nGrowth;
    uint32_t m_nOptions;
    char* m_p = nullptr;
    char m_cEnded = 0;
    char* m_pNoMarkFrom = nullptr; // no "?" stands between here and the end
    bool m_bStop = false;
    size_t m_nFloor = 0;
    std::vector<COpen> m_open;
    // Children of every open node, in document order; each open node owns the run from its
    // m_nFirstChild to the next open node's. A node's array is made once, when it closes.
    std::vector<XmlNodeRecord*> m_pending;
    std::vector<XmlAttributeRecord*> m_attributes; // of the tag being read
};

XmlNodeRecord* CParser::NewNode(uint32_t nKind)
{
    auto* p = static_cast<XmlNodeRecord*>(m_pool.Allocate(sizeof(XmlNodeRecord)));
    if (!p)
        throw std::bad_alloc(); // caught in Run: the parse ends with what it has
    *p = XmlNodeRecord{};
    p->m_nKind = nKind;
    p->m_bNameInBuffer = true;
    p->m_bValueInBuffer = true;
    p->m_nAlloc = XmlAllocRecordPooled | XmlAllocAttributesPooled | XmlAllocChildrenPooled;
    return p;
}

void CParser::NewAttribute(char* pszName, char* pszValue)
{
    auto* a = static_cast<XmlAttributeRecord*>(m_pool.Allocate(sizeof(XmlAttributeRecord)));
    if (!a)
        throw std::bad_alloc();
    *a = XmlAttributeRecord{pszName, true, pszValue, true, true};
    m_attributes.push_back(a);
}

size_t CParser::Capacity(size_t nCount) const
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

void CParser::AttachAttributes(XmlNodeRecord* pNode)
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

void CParser::CloseTop()
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

char* CParser::Run(char* p, char* pEnd, XmlNodeRecord* pUnder, int nDepth)
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

void CParser::Loop(char* pEnd, int nDepth)
{
    Step step = Step::Outside;
    while (step != Step::End && !m_bStop)
    {
        switch (step)
        {
        case Step::Outside:
            if (char* lt = Find(m_p, pEnd, '<'))
            {
                m_p = lt + 1;
                step = Step::Markup;
            }
            else
            {
                m_p = pEnd;
                step = Step::End;
            }
            break;
        case Step::Markup: step = Markup(pEnd, nDepth); break;
        case Step::Content: step = Content(pEnd); break;
        case Step::End: break;
        }
    }
}

CParser::Step CParser::Markup(char* pEnd, int nDepth)
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
        char* gt = Find(m_p, pEnd, '>');
        if (!gt)
        {
            m_p = pEnd;
            return Step::End;
        }
        m_p = gt + 1;
        return Step::Content;
    }
    if (IsName(c))
        return Element(pEnd);
    return c ? Step::Outside : Step::End;
}

CParser::Step CParser::Content(char* pEnd)
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
    XmlNodeRecord* pText = NewNode(XmlKindText);
    pText->m_pszValue = m_p;
    Append(pText);
    char* lt = Find(q, pEnd, '<');
    char* pStop = lt ? lt : pEnd;
    *pStop = 0;
    TrimIf(XmlOptTrimText, pText->m_pszValue, pStop);
    if (!lt)
    {
        m_p = pEnd;
        return Step::End;
    }
    m_p = lt + 1;
    return Step::Markup;
}

CParser::AttrStop CParser::ReadAttributes(XmlNodeRecord* pNode, char* pEnd)
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
        char* pszName = m_p;
        char* q = SkipName(m_p);
        const char e = *q;
        NewAttribute(pszName, nullptr);
        XmlAttributeRecord* a = m_attributes.back();
        if (!e)
        {
            m_p = q;
            stop = AttrStop::End;
            break;
        }
        *q = 0;
        m_p = q + 1;
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
        char* pszValue = m_p + 1;
        char* pClose = Find(pszValue, pEnd, quote);
        char* pStop = pClose ? pClose : pEnd;
        *pStop = 0;
        a->m_pszValue = pszValue;
        TrimIf(XmlOptTrimAttrValues, a->m_pszValue, pStop);
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

CParser::Step CParser::Element(char* pEnd)
{
    XmlNodeRecord* pElement = NewNode(XmlKindElement);
    pElement->m_pszName = m_p;
    Append(pElement);
    Push(pElement);
    char* q = SkipName(m_p);
    const char e = *q;
    if (!e)
    {
        m_p = q;
        return Step::End;
    }
    *q = 0;
    m_p = q + 1;
    if (e == '/')
    {
        Pop();
        char* gt = Find(m_p, pEnd, '>');
        if (!gt)
        {
            m_p = pEnd;
            return Step::End;
        }
        m_p = gt + 1;
        return Step::Outside;
    }
    if (!IsSpace(e))
        return Step::Content; // ">" or any other byte: content follows it

    m_p = SkipSpace(m_p);
    switch (ReadAttributes(pElement, pEnd))
    {
    case AttrStop::End: return Step::End;
    case AttrStop::Overwritten:
        if (m_cEnded == '>')
            return Step::Content;
        if (m_cEnded == '/')
        {
            if (*m_p == '>')
            {
                Pop();
                ++m_p;
            }
            return Step::Outside;
        }
        return m_cEnded == '<' ? Step::Markup : Step::Outside;
    case AttrStop::AfterValue:
        if (*m_p == '/')
        {
            Pop();
            m_p = SkipSpace(m_p + 1);
            if (*m_p == '>')
                ++m_p;
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
            return Step::Outside;
        }
        return Step::Outside; // the element stays open
    }
    return Step::Outside;
}

CParser::Step CParser::Processing(char* pEnd)
{
    char* pszName = m_p + 1;
    if (!IsName(*pszName) || !Has(XmlOptKeepProcessing))
    {
        char* gt = Find(pszName, pEnd, '>');
        if (!gt)
        {
            m_p = pEnd;
            return Step::End;
        }
        m_p = gt + 1;
        return Step::Content;
    }
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
    char* q = SkipName(pszName);
    const char e = *q;
    if (!e)
    {
        m_p = q;
        return Step::End;
    }
    *q = 0;
    m_p = q + 1;
    if (e == '/')
    {
        // Read like an empty element tag: on to the ">" and then the next tag.
        char* gt = Find(m_p, pEnd, '>');
        if (!gt)
        {
            m_p = pEnd;
            return Step::End;
        }
        m_p = gt + 1;
        return Step::Outside;
    }
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
        m_p = SkipSpace(pMark + 1);
        if (*m_p == '>')
            ++m_p;
        return Step::Content;
    }
    if (bPassedClose)
        return Step::Content;
    // The "?" was used up inside a value or there was none: the instruction ends at ">".
    char* gt = Find(m_p, pEnd, '>');
    if (!gt)
    {
        m_p = pEnd;
        return Step::End;
    }
    m_p = gt + 1;
    return Step::Content;
}

CParser::Step CParser::Bang(char* pEnd, int nDepth)
{
    char* q = m_p + 1;
    m_p = q;
    if (*q == '-')
        return Comment(pEnd);
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

CParser::Step CParser::Comment(char* pEnd)
{
    const bool bFull = m_p[1] == '-';
    char* pszValue = bFull ? m_p + 2 : m_p + 1;
    char* pClose = FindText(pszValue, pEnd, "-->");
    if (bFull && Has(XmlOptKeepComments))
    {
        XmlNodeRecord* pComment = NewNode(XmlKindComment);
        pComment->m_pszValue = pszValue;
        Append(pComment);
        char* pStop = pClose ? pClose : pEnd;
        *pStop = 0;
        TrimIf(XmlOptTrimComments, pComment->m_pszValue, pStop);
    }
    if (!pClose)
    {
        m_p = pEnd;
        return Step::End;
    }
    m_p = pClose + 3;
    return Step::Content;
}

CParser::Step CParser::Section(char* pEnd)
{
    uint32_t nKind;
    char* pszValue;
    bool bKeep;
    if (std::strncmp(m_p + 1, "CDATA[", 6) == 0)
    {
        nKind = XmlKindCData;
        pszValue = m_p + 7;
        bKeep = Has(XmlOptKeepCData);
    }
    else if (std::strncmp(m_p + 1, "INCLUDE[", 8) == 0)
    {
        nKind = XmlKindInclude;
        pszValue = m_p + 9;
        bKeep = Has(XmlOptKeepDocType);
    }
    else
    {
        ++m_p;
        return Step::Outside;
    }
    char* pClose = FindText(pszValue, pEnd, "]]>");
    if (bKeep)
    {
        XmlNodeRecord* pSection = NewNode(nKind);
        pSection->m_pszValue = pszValue;
        Append(pSection);
        char* pStop = pClose ? pClose : pEnd;
        *pStop = 0;
        TrimIf(XmlOptTrimCData, pSection->m_pszValue, pStop);
    }
    if (!pClose)
    {
        m_p = pEnd;
        return Step::End;
    }
    m_p = pClose + 3;
    return Step::Content;
}

CParser::Step CParser::DocType(char* pEnd, int nDepth)
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
    // When kept, a word ends with a NUL written over the byte after it; that byte (a quote, "["
    // or ">") is then acted on as if it were still there.
    char* pQuoted = nullptr; // start of a quoted string, after its quote
    char cQuote = 0;
    char* pSubset = nullptr; // start of the internal subset, after its "["
    bool bClosed = false;    // the final ">" has been passed
    for (;;)
    {
        const char c = *m_p;
        if (IsName(c))
        {
            char* pszWord = m_p;
            char* q = SkipName(m_p);
            const char e = *q;
            if (bKeep)
                NewAttribute(pszWord, pszWord);
            if (!e)
            {
                m_p = q;
                AttachAttributes(pDocType);
                return Step::End;
            }
            if (!bKeep)
            {
                m_p = q;
                continue;
            }
            *q = 0;
            m_p = q + 1;
            if (IsSpace(e))
            {
                m_p = SkipSpace(m_p);
                continue;
            }
            if (e == '"' || e == '\'')
            {
                pQuoted = m_p;
                cQuote = e;
            }
            else if (e == '[')
                pSubset = m_p;
            else if (e == '>')
                bClosed = true;
            else
                break;
        }
        else if (c == '"' || c == '\'')
        {
            pQuoted = m_p + 1;
            cQuote = c;
        }
        else if (c == '[')
            pSubset = m_p + 1;
        else
            break;

        if (pQuoted)
        {
            char* pClose = Find(pQuoted, pEnd, cQuote);
            if (bKeep)
                NewAttribute(nullptr, pQuoted);
            if (!pClose)
            {
                m_p = pEnd; // the string runs to the end
                AttachAttributes(pDocType);
                return Step::End;
            }
            if (bKeep)
                *pClose = 0;
            m_p = SkipSpace(pClose + 1);
            pQuoted = nullptr;
            continue;
        }
        break; // a subset, the final ">" or anything else ends the words
    }
    AttachAttributes(pDocType);

    if (pSubset)
    {
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
                TrimIf(XmlOptTrimDocTypeSubset, pDocType->m_pszValue, pClose);
            if (Has(XmlOptParseDocTypeSubset) && nDepth < kMaxSubsetDepth)
            {
                CParser inner(m_pool, m_nGrowth, m_nOptions);
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
        if (pClose >= pEnd)
        {
            m_p = pEnd;
            return Step::End;
        }
        m_p = pClose + 1;
    }
    if (bClosed)
        return Step::Outside;
    char* gt = Find(m_p, pEnd, '>');
    if (!gt)
    {
        m_p = pEnd;
        return Step::End;
    }
    m_p = gt + 1;
    return Step::Outside;
}

CParser::Step CParser::Declaration(char* pEnd)
{
    char* pszKeyword = m_p;
    char* q = SkipName(m_p);
    const size_t nLen = size_t(q - pszKeyword);
    uint32_t nKind = XmlKindEntityDecl;
    if (nLen == 7 && std::memcmp(pszKeyword, "ATTLIST", 7) == 0)
        nKind = XmlKindAttListDecl;
    else if (nLen == 7 && std::memcmp(pszKeyword, "ELEMENT", 7) == 0)
        nKind = XmlKindElementDecl;
    else if (nLen == 8 && std::memcmp(pszKeyword, "NOTATION", 8) == 0)
        nKind = XmlKindNotationDecl;
    XmlNodeRecord* pDecl = NewNode(nKind);
    Append(pDecl);

    char e = *q;
    if (!e)
    {
        m_p = q;
        return Step::End;
    }
    *q = 0;
    m_p = q + 1;
    if (e == '>')
        return Step::Outside;
    if (IsSpace(e))
    {
        m_p = SkipSpace(m_p);
        // A parameter entity keeps its "%" as the first byte of the name, moved up to the name
        // when whitespace stands between them.
        char* pszName = m_p;
        if (*m_p == '%')
        {
            char* pAfter = SkipSpace(m_p + 1);
            pAfter[-1] = '%';
            pszName = pAfter - 1;
            m_p = pAfter;
        }
        q = SkipName(m_p);
        e = *q;
        pDecl->m_pszName = pszName;
        if (!e)
        {
            m_p = q;
            return Step::End;
        }
        *q = 0;
        m_p = q + 1;
        if (e == '>')
            return Step::Outside;
        if (IsSpace(e))
        {
            m_p = SkipSpace(m_p);
            char* pClose = nKind == XmlKindEntityDecl ? FindCloseOutsideQuotes(m_p, pEnd) : Find(m_p, pEnd, '>');
            char* pStop = pClose ? pClose : pEnd;
            *pStop = 0;
            pDecl->m_pszValue = m_p;
            TrimIf(XmlOptTrimDecls, pDecl->m_pszValue, pStop);
            if (!pClose)
            {
                m_p = pEnd;
                return Step::End;
            }
            m_p = pClose + 1;
            return Step::Outside;
        }
    }
    char* gt = Find(m_p, pEnd, '>');
    if (!gt)
    {
        m_p = pEnd;
        return Step::End;
    }
    m_p = gt + 1;
    return Step::Outside;
}
} // namespace

bool XmlIsSpace(unsigned char c)
{
    return IsSpace(char(c));
}

bool XmlIsNameChar(unsigned char c)
{
    return IsName(char(c));
}

char* XmlParse(char* pBuffer, char* pEnd, XmlNodeRecord* pUnder, CXmlPool& pool, int32_t nGrowth, uint32_t nOptions)
{
    if (!pBuffer || !pEnd || !pUnder || pEnd < pBuffer)
        return pBuffer;
    CParser parser(pool, nGrowth, nOptions);
    return parser.Run(pBuffer, pEnd, pUnder, 0);
}
