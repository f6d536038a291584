#include "engine/codecs/Codecs.h"

namespace gx
{
bool DecodeDds(std::span<const uint8_t>, CBitmap&)
{
    return false; // not written yet
}
} // namespace gx
