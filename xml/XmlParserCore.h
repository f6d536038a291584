#pragma once
// The parser's state and the byte scans it is built on. XmlParser.cpp reads text, tags and
// processing instructions; XmlParserDeclarations.cpp reads what starts with "<!": comments,
// sections, DOCTYPEs and declarations.

#include "xml/XmlParser.h"
#include "xml/XmlReferences.h"

#include <array>
#include <cstring>
#include <new>
#include <vector>

// Bit 1: whitespace (every byte from 1 to 32); bit 2: name character.
inline constexpr std::array<uint8_t, 256> kXmlByteClasses = [] {
    std::array<uint8_t, 256> t{};
    for (int c = 1; c <= 32; ++c)
        t[size_t(c)] |= 1;
    for (int c = 0; c < 256; ++c)
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
            t[size_t(c)] |= 2;
    for (char c : {'_', ':', '-', '.'})
        t[size_t(c)] |= 2;
    return t;
}();

class CXmlParser
{
public:
    CXmlParser(CXmlPool& pool, int32_t nGrowth, uint32_t nOptions)
        : m_pool(pool), m_nGrowth(nGrowth), m_nOptions(nOptions)
    {
    }

    // Appends what it reads between p and pEnd (a NUL) under pUnder; nDepth counts the DOCTYPE
    // subsets the text stands in. Returns where the parse stopped.
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

    // A DOCTYPE whose internal subset holds DOCTYPEs with subsets is parsed this deep; deeper
    // subsets stay as text.
    static constexpr int kMaxSubsetDepth = 16;

    static bool IsSpace(char c) { return kXmlByteClasses[uint8_t(c)] & 1; }
    static bool IsName(char c) { return kXmlByteClasses[uint8_t(c)] & 2; }
    // NUL is neither whitespace nor a name character, so both scans stop at the end of the buffer.
    static char* SkipSpace(char* p)
    {
        while (IsSpace(*p))
            ++p;
        return p;
    }
    static char* SkipName(char* p)
    {
        while (IsName(*p))
            ++p;
        return p;
    }
    static char* Find(char* p, char* pEnd, char c)
    {
        return p < pEnd ? static_cast<char*>(std::memchr(p, c, size_t(pEnd - p))) : nullptr;
    }
    static char* FindText(char* p, char* pEnd, const char* pszWhat);
    // The next ">" that does not stand inside a quoted string.
    static char* FindCloseOutsideQuotes(char* p, char* pEnd);
    // Trims a value that ends at pEnd (its NUL): the start moves past leading whitespace and a NUL
    // cuts trailing whitespace. Collapsing first turns every inner run of whitespace into one space.
    static void Trim(char*& pszValue, char* pEnd, bool bCollapse);

    bool Has(uint32_t nOption) const { return (m_nOptions & nOption) != 0; }

    // The constructs; each starts at m_p and says where the parse goes on.
    void Loop(char* pEnd, int nDepth);
    Step Markup(char* pEnd, int nDepth);
    Step Content(char* pEnd);
    Step Element(char* pEnd);
    AttrStop ReadAttributes(XmlNodeRecord* pNode, char* pEnd);
    Step Processing(char* pEnd);
    Step Bang(char* pEnd, int nDepth);
    Step Section(char* pEnd);
    Step DocType(char* pEnd, int nDepth);
    bool DocTypeWords(char* pEnd, bool bKeep, char& c);
    bool DocTypeSubset(char* pEnd, XmlNodeRecord* pDocType, int nDepth);
    Step Declaration(char* pEnd);

    // Moves past a closing mark of nLength bytes at pClose; without one the parse has reached the end.
    Step Past(char* pClose, char* pEnd, size_t nLength, Step next)
    {
        if (!pClose)
        {
            m_p = pEnd;
            return Step::End;
        }
        m_p = pClose + nLength;
        return next;
    }
    // Skips everything up to and including the next ">" from p.
    Step PastClose(char* p, char* pEnd, Step next) { return Past(Find(p, pEnd, '>'), pEnd, 1, next); }
    // Ends the name at pszName with a NUL written over the byte after it and moves past that byte,
    // which is returned; a name that runs to the end of the buffer gives 0 and stays as it is.
    char EndName(char* pszName)
    {
        char* q = SkipName(pszName);
        const char e = *q;
        m_p = e ? q + 1 : q;
        if (e)
            *q = 0;
        return e;
    }
    // Ends a value at its closing mark (or at the end of the buffer) and trims it when asked to.
    void EndValue(char*& pszValue, char* pClose, char* pEnd, uint32_t nTrimOption)
    {
        char* pStop = pClose ? pClose : pEnd;
        *pStop = 0;
        if (Has(nTrimOption))
            Trim(pszValue, pStop, Has(XmlOptCollapseSpace));
    }
    // Text, comments and sections: a node holding only a value, from pszValue to pClose.
    XmlNodeRecord* AppendValueNode(uint32_t nKind, char* pszValue, char* pClose, char* pEnd, uint32_t nTrimOption)
    {
        XmlNodeRecord* pNode = NewNode(nKind);
        pNode->m_pszValue = pszValue;
        Append(pNode);
        EndValue(pNode->m_pszValue, pClose, pEnd, nTrimOption);
        return pNode;
    }

    // Passes the whitespace from p and one ">" after it, if there is one.
    void PassOptionalClose(char* p)
    {
        m_p = SkipSpace(p);
        if (*m_p == '>')
            ++m_p;
    }

    // Records come from the pool; without memory these throw std::bad_alloc, which Run catches:
    // the parse then ends with what it has.
    XmlNodeRecord* NewNode(uint32_t nKind)
    {
        auto* p = static_cast<XmlNodeRecord*>(m_pool.Allocate(sizeof(XmlNodeRecord)));
        if (!p)
            throw std::bad_alloc();
        *p = XmlNodeRecord{};
        p->m_nKind = nKind;
        p->m_bNameInBuffer = true;
        p->m_bValueInBuffer = true;
        p->m_nAlloc = XmlAllocRecordPooled | XmlAllocAttributesPooled | XmlAllocChildrenPooled;
        return p;
    }
    void NewAttribute(char* pszName, char* pszValue)
    {
        auto* a = static_cast<XmlAttributeRecord*>(m_pool.Allocate(sizeof(XmlAttributeRecord)));
        if (!a)
            throw std::bad_alloc();
        *a = XmlAttributeRecord{pszName, true, pszValue, true, true};
        m_attributes.push_back(a);
    }
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
