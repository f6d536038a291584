#include "engine/codecs/Codecs.h"

namespace gx
{
bool DecodeBmp(std::span<const uint8_t>, CBitmap&)
{
    return false; // not written yet
}

bool EncodeBmp(const CBitmap&, std::vector<uint8_t>&)
{
    return false; // not written yet
}
} // namespace gx
