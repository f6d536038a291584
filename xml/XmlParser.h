#pragma once
// The forgiving in-place parser. It never reports an error: whatever it can make of the text
// becomes nodes, and it stops at the end of the buffer wherever it is.

#include "xml/XmlPool.h"
#include "xml/XmlTypes.h"

// Parses the text from pBuffer up to pEnd (which must point at a NUL byte) and appends the nodes
// under pUnder. Names, values and text stay in the buffer, ended by NUL bytes written into it;
// records and arrays come from the pool. Returns where the parse stopped.
char* XmlParse(char* pBuffer, char* pEnd, XmlNodeRecord* pUnder, CXmlPool& pool, int32_t nGrowth, uint32_t nOptions);

// The reader's whitespace: every byte from 1 to 32. Numbers held in attribute values are read past
// the same whitespace (config/DecimalNumber), so that the files have one notion of it.
bool XmlIsSpace(unsigned char c);
