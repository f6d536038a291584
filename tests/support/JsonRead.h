#pragma once
// A strict JSON reader for the tests, Python's json module: what the program's data files say,
// read without the code that wrote them. Objects keep their members in document order.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace mosvane::test
{
struct SJson
{
    enum EKind { Null, Bool, Number, String, Array, Object };
    EKind m_eKind = Null;
    bool m_bValue = false;
    double m_nValue = 0;
    std::string m_strValue;
    std::vector<SJson> m_items;
    std::vector<std::pair<std::string, SJson>> m_members;

    // The member of that key (the first), or a null value.
    const SJson& operator[](const std::string& key) const;
    int64_t Integer() const { return int64_t(m_nValue); }
};

// False, with the place and the reason in error, for text that is not exactly one JSON value
// (surrounding blanks allowed).
bool ParseJson(const std::string& text, SJson& value, std::string& error);
} // namespace mosvane::test
