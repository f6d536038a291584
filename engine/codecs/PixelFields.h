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

// The 8-bit value of an n-bit channel value (n from 1 to 8), its bits repeated downwards so that
// 0 stays 0 and the largest value becomes 255 (as 5:6:5 is widened by most readers).
inline uint8_t WidenBits(uint32_t value, uint32_t bits)
{
    uint32_t wide = value;
    uint32_t filled = bits;
    while (filled < 8)
    {
        wide = (wide << bits) | value;
        filled += bits;
    }
    return uint8_t(wide >> (filled - 8));
}

// One channel of a packed pixel, given by its mask: the bits under the mask, widened to 8 bits
// by WidenBits or narrowed to their top 8 bits. A channel whose mask is 0 is absent and reads
// as 0.
class CBitField
{
public:
    CBitField() = default;
    explicit CBitField(uint32_t mask)
        : m_nMask(mask), m_nShift(mask ? uint32_t(std::countr_zero(mask)) : 0),
          m_nBits(mask ? uint32_t(std::bit_width(mask >> m_nShift)) : 0)
    {
        if (m_nBits > 0 && m_nBits < 8)
            for (uint32_t v = 0; v < (1u << m_nBits); ++v)
                m_widened[v] = WidenBits(v, m_nBits);
    }

    bool Present() const { return m_nMask != 0; }
    uint32_t Mask() const { return m_nMask; }

    uint8_t Extract(uint32_t pixel) const
    {
        const uint32_t v = (pixel & m_nMask) >> m_nShift;
        if (m_nBits >= 8)
            return uint8_t(v >> (m_nBits - 8));
        return m_widened[v]; // 0 for an absent channel
    }

private:
    uint32_t m_nMask = 0;
    uint32_t m_nShift = 0;
    uint32_t m_nBits = 0; // width of the mask from its lowest to its highest set bit
    uint8_t m_widened[128] = {};
};

} // namespace gx::codec
