#pragma once
// Making, growing and freeing records outside the parser. Every function here works on heap
// memory only and leaves pooled memory to the document's pool.

#include "xml/XmlTypes.h"

// Copies of text into a heap string of its own; null when out of memory.
char* XmlCopyString(const char* pszText);

// Replaces a name or value: in place when the current string is at least as long as the text,
// otherwise by a heap copy (the old string freed when it was one of its own). False when the
// slot or the text is missing or memory runs out; the slot is then unchanged.
bool XmlReplaceString(char*& pszSlot, bool& bInBuffer, const char* pszText);

// A zeroed heap record of the given kind, not yet linked; null when out of memory.
XmlNodeRecord* XmlNewRecord(uint32_t nKind);

// Links a record as the last child, growing a full array by one slot. False (nothing changed)
// when the array cannot grow.
bool XmlLinkChild(XmlNodeRecord* pParent, XmlNodeRecord* pChild);

// Appends an attribute holding copies of name and value, growing a full array by one slot.
XmlAttributeRecord* XmlAppendAttributeRecord(XmlNodeRecord* pNode, const char* pszName, const char* pszValue);

// Frees the heap parts of a record and of everything below it, without recursion. The record
// must already be unlinked from its parent (or be a document record).
void XmlFreeSubtree(XmlNodeRecord* pRoot);
