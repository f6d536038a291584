#include "engine/codecs/Codecs.h"

namespace gx
{
bool DecodeTga(std::span<const uint8_t>, CBitmap&)
{
    return false; // not written yet
}

bool EncodeTga(const CBitmap&, std::vector<uint8_t>&)
{
    return false; // not written yet
}
} // namespace gx
