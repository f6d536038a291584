#include "engine/codecs/Codecs.h"

namespace gx
{
bool DecodeJpeg(std::span<const uint8_t>, CBitmap&)
{
    return false; // not written yet
}

bool EncodeJpeg(const CBitmap&, std::vector<uint8_t>&)
{
    return false; // not written yet
}
} // namespace gx
