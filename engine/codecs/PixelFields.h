#pragma once
// Little-endian reading and bit-field channels, shared by the BMP, TGA and DDS readers. The
// readers check every range against the file before they call these; nothing here checks bounds.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>

namespace gx::codec
{
inline uint16_t Le16(const uint8_t* p)
{
    return uint16_t(p[0] | (p[1] << 8));
}

inline uint32_t Le32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

inline void PutLe16(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

inline void PutLe32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

// True when n bytes from offset lie inside the file, without overflow for any offset.
inline bool InFile(std::span<const uint8_t> file, uint64_t offset, uint64_t n)
{
    return offset <= file.size() && n <= file.size() - offset;
}

// One channel of a packed pixel, given by its mask: the bits under the mask, scaled to 0..255
// with rounding. A channel whose mask is 0 is absent and reads as 0.
class CBitField
{
public:
    CBitField() = default;
    explicit CBitField(uint32_t mask)
        : m_nMask(mask), m_nShift(mask ? uint32_t(std::countr_zero(mask)) : 0), m_nMax(mask ? mask >> m_nShift : 0)
    {
    }

    bool Present() const { return m_nMask != 0; }
    uint32_t Mask() const { return m_nMask; }

    uint8_t Extract(uint32_t pixel) const
    {
        if (m_nMask == 0)
            return 0;
        const uint64_t v = (pixel & m_nMask) >> m_nShift;
        if (m_nMax == 255)
            return uint8_t(v);
        return uint8_t((v * 255 + m_nMax / 2) / m_nMax);
    }

private:
    uint32_t m_nMask = 0;
    uint32_t m_nShift = 0;
    uint32_t m_nMax = 0; // the mask moved down to bit 0; 2^n - 1 for a contiguous mask
};

// The rounded 8-bit value of an n-bit channel value (n from 1 to 8).
inline uint8_t ScaleBits(uint32_t value, uint32_t bits)
{
    const uint32_t max = (1u << bits) - 1;
    return uint8_t((value * 255 + max / 2) / max);
}
} // namespace gx::codec
