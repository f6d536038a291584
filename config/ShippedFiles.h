#pragma once
// The settings file and the string table as they ship, built into the program from data/: what
// the program falls back on when the files beside it cannot give what it needs.

#include <cstdint>
#include <span>

// data/Cnfg/Mosvane.xml.
std::span<const uint8_t> ShippedSettingsFile();
// The string table generated from data/StringTable.txt; two NULs follow the span.
std::span<const uint8_t> ShippedStringTable();
