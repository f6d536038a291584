#include "engine/codecs/Codecs.h"

namespace gx
{
bool DecodePng(std::span<const uint8_t>, CBitmap&)
{
    return false; // not written yet
}

bool EncodePng(const CBitmap&, std::vector<uint8_t>&)
{
    return false; // not written yet
}
} // namespace gx
