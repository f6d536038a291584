#include "config/ShippedFiles.h"

// Defined by the sources cmake/EmbedFile.cmake generates.
extern const unsigned char kShippedSettings[];
extern const unsigned long kShippedSettings_SIZE;
extern const unsigned char kShippedStringTable[];
extern const unsigned long kShippedStringTable_SIZE;

std::span<const uint8_t> ShippedSettingsFile()
{
    return {kShippedSettings, size_t(kShippedSettings_SIZE)};
}

std::span<const uint8_t> ShippedStringTable()
{
    return {kShippedStringTable, size_t(kShippedStringTable_SIZE)};
}
