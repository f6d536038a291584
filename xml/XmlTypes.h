#pragma once
// The records of a parsed XML tree. Names and values are NUL-terminated byte strings; a string
// flagged "in buffer" points into the file buffer of the owning XmlDocument, any other string is
// a heap string of its own. Handles (XmlNode, XmlAttribute) are the way to read and edit records.

#include <cstdint>

enum XmlNodeKind : uint32_t
{
    XmlKindNull = 0,
    XmlKindDocument = 1, // the root of a tree; its own parent
    XmlKindElement = 2,
    XmlKindText = 3,
    XmlKindCData = 4,
    XmlKindComment = 5,
    XmlKindProcessing = 6,
    XmlKindInclude = 7,
    XmlKindDocType = 8,
    XmlKindEntityDecl = 9,
    XmlKindAttListDecl = 10,
    XmlKindElementDecl = 11,
    XmlKindNotationDecl = 12,
};

enum XmlParseOptions : uint32_t
{
    XmlOptKeepProcessing = 0x0002,
    XmlOptKeepDocType = 0x0004,
    XmlOptKeepComments = 0x0008,
    XmlOptKeepCData = 0x0010,
    XmlOptTrimText = 0x0040,
    XmlOptTrimAttrValues = 0x0080,
    XmlOptTrimCData = 0x0100,
    XmlOptTrimDecls = 0x0200,
    XmlOptTrimDocTypeSubset = 0x0400,
    XmlOptTrimComments = 0x0800,
    XmlOptCollapseSpace = 0x1000,
    XmlOptParseDocTypeSubset = 0x2000,
    XmlOptStopAfterDocType = 0x4000,
    XmlOptKeepCurrent = 0x80000000u, // given to LoadFile: keep the document's options
};

// What the program parses every file with: everything kept and trimmed, no space collapsing.
inline constexpr uint32_t XmlOptProgram = 0xEFFF;
// Slots by which a full array grows while parsing.
inline constexpr int32_t XmlDefaultGrowth = 4;

// Where a record's memory comes from. Records and arrays made by the parser live in the owning
// document's pool and are released with it; records and arrays made by editing are heap blocks.
enum XmlAllocFlags : uint8_t
{
    XmlAllocRecordPooled = 0x01,
    XmlAllocAttributesPooled = 0x02,
    XmlAllocChildrenPooled = 0x04,
};

struct XmlAttributeRecord
{
    char* m_pszName;
    bool m_bNameInBuffer;
    char* m_pszValue; // null for a parsed attribute written without "="
    bool m_bValueInBuffer;
    bool m_bPooled;
};

struct XmlNodeRecord
{
    XmlNodeRecord* m_pParent;
    char* m_pszName;
    bool m_bNameInBuffer;
    uint32_t m_nKind;
    uint32_t m_nAttributeCount;
    uint32_t m_nAttributeCapacity;
    XmlAttributeRecord** m_ppAttributes;
    uint32_t m_nChildCount;
    uint32_t m_nChildCapacity;
    XmlNodeRecord** m_ppChildren; // document order
    char* m_pszValue;
    bool m_bValueInBuffer;
    uint8_t m_nAlloc; // XmlAllocFlags
};

// True for the record at the top of a tree.
inline bool XmlIsDocumentRecord(const XmlNodeRecord* pRecord)
{
    return pRecord && pRecord->m_nKind == XmlKindDocument && pRecord->m_pParent == pRecord;
}
