#include "ops/AlphaPixels.h"

namespace
{
bool Matches(uint8_t byte, int32_t value, EColourMatch match)
{
    return match == EColourMatch::LowBits ? byte == uint8_t(value) : int32_t(byte) == value;
}
} // namespace

void ColourToAlpha(uint8_t* pixels, size_t count, uint32_t format, int32_t r, int32_t g, int32_t b, uint8_t alpha,
                   EColourMatch match)
{
    const int32_t first = format == GL_BGRA ? b : r, third = format == GL_BGRA ? r : b;
    for (uint8_t* p = pixels; count-- > 0; p += 4)
    {
        if (Matches(p[0], first, match) && Matches(p[1], g, match) && Matches(p[2], third, match))
        {
            p[0] = p[1] = p[2] = 0;
            p[3] = alpha;
        }
    }
}

void AlphaFromPicture(uint8_t* pixels, size_t count, const uint8_t* source, size_t sourceStep)
{
    for (uint8_t* p = pixels; count-- > 0; p += 4, source += sourceStep)
    {
        const unsigned sum = sourceStep >= 3 ? unsigned(source[0]) + source[1] + source[2] : 3u * source[0];
        p[3] = uint8_t(sum / 3);
    }
}

bool MakeGreyOfAlpha(const GX_IMAGE& source, CEngineImage& grey, std::vector<uint8_t>& alpha)
{
    if (source.id == 0 || !HasAlpha(source.format))
        return false;
    const size_t count = size_t(source.width) * source.height;
    if (alpha.size() < count)
        alpha.resize(count);
    if (!gxCopyImageAlpha(source.id, alpha.data()))
        return false;
    if (grey.Empty())
        grey = CEngineImage::Generate();
    grey.Bind();
    if (!gxTexImage(source.width, source.height, GL_BGR))
        return false;
    grey.Refresh();
    uint8_t* out = grey.Buffer();
    if (!out)
        return false;
    for (size_t i = 0; i < count; ++i, out += 3)
        out[0] = out[1] = out[2] = alpha[i];
    return true;
}
