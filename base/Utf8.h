#pragma once
// Walking UTF-8 text by characters where it is cut or counted.

#include <cstddef>
#include <string>

// Whether c continues a character (10xxxxxx) instead of starting one.
inline bool IsUtf8Continuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Where the character holding the byte at `at` starts: `at` moved back over continuation bytes,
// never before 0. `at` must lie inside text.
inline size_t Utf8CharacterStart(const std::string& text, size_t at)
{
    while (at > 0 && IsUtf8Continuation(text[at]))
        --at;
    return at;
}
