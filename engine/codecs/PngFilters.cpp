#include "engine/codecs/PngFilters.h"

#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#define MOSVANE_PNG_SSE2 1
#endif

namespace gx::png
{
namespace
{
inline uint32_t Magnitude(uint8_t v)
{
    return v < 128 ? v : 256u - v;
}
} // namespace

bool UnfilterRowPlain(uint8_t type, const uint8_t* in, const uint8_t* prior, uint8_t* out, size_t n, uint32_t bpp)
{
    if (type > kFilterPaeth || bpp < 1 || bpp > 8)
        return false;
    for (size_t i = 0; i < n; ++i)
    {
        const int a = i >= bpp ? out[i - bpp] : 0;
        const int b = prior[i];
        const int c = i >= bpp ? prior[i - bpp] : 0;
        int predicted = 0;
        switch (type)
        {
        case kFilterSub: predicted = a; break;
        case kFilterUp: predicted = b; break;
        case kFilterAverage: predicted = (a + b) >> 1; break;
        case kFilterPaeth: predicted = PaethPredictor(a, b, c); break;
        default: break;
        }
        out[i] = uint8_t(in[i] + predicted);
    }
    return true;
}

uint64_t ScoreRowPlain(const uint8_t* p, size_t n)
{
    uint64_t sum = 0;
    for (size_t i = 0; i < n; ++i)
        sum += Magnitude(p[i]);
    return sum;
}

#if MOSVANE_PNG_SSE2
namespace
{
// One pixel of BPP bytes in the low bytes of a register. Exact-size loads and stores, put together
// in integer registers: a row may end at the end of its buffer, in-place reversal must not read
// bytes already rewritten, and a round trip through memory would stall on store forwarding.
template <class T>
inline uint64_t Bytes(const uint8_t* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <uint32_t BPP>
inline __m128i LoadPixel(const uint8_t* p)
{
    uint64_t v = 0;
    if constexpr (BPP == 8)
        v = Bytes<uint64_t>(p);
    else
    {
        if constexpr (BPP >= 4)
            v = Bytes<uint32_t>(p);
        constexpr uint32_t at = BPP >= 4 ? 4 : 0;
        if constexpr (BPP - at >= 2)
            v |= Bytes<uint16_t>(p + at) << (8 * at);
        if constexpr ((BPP - at) % 2 == 1)
            v |= uint64_t(p[BPP - 1]) << (8 * (BPP - 1));
    }
    return _mm_cvtsi64_si128(static_cast<long long>(v));
}

template <uint32_t BPP>
inline void StorePixel(uint8_t* p, __m128i value)
{
    const uint64_t v = static_cast<uint64_t>(_mm_cvtsi128_si64(value));
    if constexpr (BPP == 8)
        std::memcpy(p, &v, 8);
    else
    {
        constexpr uint32_t at = BPP >= 4 ? 4 : 0;
        if constexpr (BPP >= 4)
        {
            const uint32_t low = uint32_t(v);
            std::memcpy(p, &low, 4);
        }
        if constexpr (BPP - at >= 2)
        {
            const uint16_t mid = uint16_t(v >> (8 * at));
            std::memcpy(p + at, &mid, 2);
        }
        if constexpr ((BPP - at) % 2 == 1)
            p[BPP - 1] = uint8_t(v >> (8 * (BPP - 1)));
    }
}

// Sub, Average and Paeth depend on the pixel just reversed, so they go a pixel at a time with every
// channel in one register and no branch per byte.
template <uint32_t BPP>
void UnfilterPixels(uint8_t type, const uint8_t* in, const uint8_t* prior, uint8_t* out, size_t n)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i one = _mm_set1_epi8(1);
    __m128i a = zero; // left, already reversed
    __m128i c = zero; // upper left
    const size_t pixels = n / BPP;
    switch (type)
    {
    case kFilterSub:
        for (size_t i = 0; i < pixels * BPP; i += BPP)
        {
            a = _mm_add_epi8(LoadPixel<BPP>(in + i), a);
            StorePixel<BPP>(out + i, a);
        }
        break;
    case kFilterAverage:
        for (size_t i = 0; i < pixels * BPP; i += BPP)
        {
            const __m128i b = LoadPixel<BPP>(prior + i);
            // floor((a + b) / 2): the rounded-up average less the dropped low bit
            const __m128i mean = _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), one));
            a = _mm_add_epi8(LoadPixel<BPP>(in + i), mean);
            StorePixel<BPP>(out + i, a);
        }
        break;
    case kFilterPaeth:
    {
        __m128i a16 = zero, c16 = zero; // a and c widened to 16 bits
        for (size_t i = 0; i < pixels * BPP; i += BPP)
        {
            const __m128i b16 = _mm_unpacklo_epi8(LoadPixel<BPP>(prior + i), zero);
            const __m128i bc = _mm_sub_epi16(b16, c16);
            const __m128i ac = _mm_sub_epi16(a16, c16);
            const __m128i abc = _mm_add_epi16(bc, ac);
            const __m128i pa = _mm_max_epi16(bc, _mm_sub_epi16(zero, bc));
            const __m128i pb = _mm_max_epi16(ac, _mm_sub_epi16(zero, ac));
            const __m128i pc = _mm_max_epi16(abc, _mm_sub_epi16(zero, abc));
            const __m128i notA = _mm_or_si128(_mm_cmpgt_epi16(pa, pb), _mm_cmpgt_epi16(pa, pc));
            const __m128i cNotB = _mm_cmpgt_epi16(pb, pc);
            const __m128i bOrC = _mm_or_si128(_mm_and_si128(cNotB, c16), _mm_andnot_si128(cNotB, b16));
            const __m128i predicted = _mm_or_si128(_mm_and_si128(notA, bOrC), _mm_andnot_si128(notA, a16));
            const __m128i value = _mm_add_epi8(LoadPixel<BPP>(in + i), _mm_packus_epi16(predicted, zero));
            StorePixel<BPP>(out + i, value);
            a16 = _mm_unpacklo_epi8(value, zero);
            c16 = b16;
        }
        break;
    }
    default: break;
    }
    (void)c;
}

bool UnfilterRowSse2(uint8_t type, const uint8_t* in, const uint8_t* prior, uint8_t* out, size_t n, uint32_t bpp)
{
    if (type > kFilterPaeth || bpp < 1 || bpp > 8)
        return false;
    if (n % bpp != 0) // never so in a PNG row; the reference handles it
        return UnfilterRowPlain(type, in, prior, out, n, bpp);
    switch (type)
    {
    case kFilterNone:
        if (out != in)
            std::memmove(out, in, n);
        return true;
    case kFilterUp:
    {
        size_t i = 0;
        for (; i + 16 <= n; i += 16)
        {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(prior + i));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_add_epi8(x, b));
        }
        for (; i < n; ++i)
            out[i] = uint8_t(in[i] + prior[i]);
        return true;
    }
    default: break;
    }
    switch (bpp)
    {
    case 1: UnfilterPixels<1>(type, in, prior, out, n); break;
    case 2: UnfilterPixels<2>(type, in, prior, out, n); break;
    case 3: UnfilterPixels<3>(type, in, prior, out, n); break;
    case 4: UnfilterPixels<4>(type, in, prior, out, n); break;
    case 5: UnfilterPixels<5>(type, in, prior, out, n); break;
    case 6: UnfilterPixels<6>(type, in, prior, out, n); break;
    case 7: UnfilterPixels<7>(type, in, prior, out, n); break;
    default: UnfilterPixels<8>(type, in, prior, out, n); break;
    }
    return true;
}

// |v| of each byte read as signed is min(v, -v) unsigned; psadbw against zero sums eight of them.
uint64_t ScoreRowSse2(const uint8_t* p, size_t n)
{
    const __m128i zero = _mm_setzero_si128();
    __m128i sums = zero;
    size_t i = 0;
    for (; i + 16 <= n; i += 16)
    {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        sums = _mm_add_epi64(sums, _mm_sad_epu8(_mm_min_epu8(v, _mm_sub_epi8(zero, v)), zero));
    }
    uint64_t lanes[2];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes), sums);
    return lanes[0] + lanes[1] + ScoreRowPlain(p + i, n - i);
}

__attribute__((target("avx2"))) uint64_t ScoreRowAvx2(const uint8_t* p, size_t n)
{
    const __m256i zero = _mm256_setzero_si256();
    __m256i sums = zero;
    size_t i = 0;
    for (; i + 32 <= n; i += 32)
    {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
        sums = _mm256_add_epi64(sums, _mm256_sad_epu8(_mm256_min_epu8(v, _mm256_sub_epi8(zero, v)), zero));
    }
    uint64_t lanes[4];
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes), sums);
    return lanes[0] + lanes[1] + lanes[2] + lanes[3] + ScoreRowSse2(p + i, n - i);
}

using ScoreFunction = uint64_t (*)(const uint8_t*, size_t);
const ScoreFunction s_pScore = [] {
    __builtin_cpu_init(); // static initialisers may run before the runtime's own
    return __builtin_cpu_supports("avx2") ? ScoreRowAvx2 : ScoreRowSse2;
}();
} // namespace

bool UnfilterRow(uint8_t type, const uint8_t* in, const uint8_t* prior, uint8_t* out, size_t n, uint32_t bpp)
{
    return UnfilterRowSse2(type, in, prior, out, n, bpp);
}

uint64_t ScoreRow(const uint8_t* p, size_t n)
{
    return s_pScore(p, n);
}
#else
bool UnfilterRow(uint8_t type, const uint8_t* in, const uint8_t* prior, uint8_t* out, size_t n, uint32_t bpp)
{
    return UnfilterRowPlain(type, in, prior, out, n, bpp);
}

uint64_t ScoreRow(const uint8_t* p, size_t n)
{
    return ScoreRowPlain(p, n);
}
#endif
} // namespace gx::png
