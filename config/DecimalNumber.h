#pragma once
// Numbers held as text: in the settings file, in batch files and in the panels' fields. Integers
// are signed decimals read as the C library's base-10 conversion reads them, but saturating
// instead of undefined; the text a number stands in may go on after it ("12abc" reads 12).

#include <cstdint>

// Optional leading whitespace (as the XML reader knows it) and one sign, then decimal digits up to
// the first other byte. Nothing readable, or null, gives 0; a value beyond the 32-bit range gives
// the nearest bound.
int32_t ReadDecimalNumber(const char* text);

// A decimal floating-point number after the same whitespace and sign, independent of the locale;
// nothing readable gives 0.0. "inf" and "nan" read as such, and a number beyond the range of a
// double reads as NaN, so that callers that need a finite value can refuse them.
double ReadDecimalFraction(const char* text);
