#pragma once
// Entity and character references in attribute values and text, as the reader takes them. The
// writer (XmlWriter.cpp) puts references only for what would not read back otherwise, so a value
// that needs none is written byte for byte.

// Replaces, in place, the five predefined entity references and decimal ("&#38;") and hexadecimal
// ("&#x26;") character references by their characters (UTF-8). An '&' that starts none of them is
// kept as it stands, so that values written before references were used read as they did; so is a
// reference to NUL, a surrogate or a number beyond U+10FFFF. A reference is never shorter than what
// it stands for, so the value only shrinks.
void XmlDecodeReferences(char* pszValue);
