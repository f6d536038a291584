#include "engine/gx.h"

bool gxMakeMngAnimFile(const char*, int, int, int, const uint8_t* const*, int)
{
    return false; // not written yet
}
