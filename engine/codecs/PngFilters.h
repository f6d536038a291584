#pragma once
// The five PNG row filters: reversing them when reading, and the score that picks one when
// writing. Each has a plain byte-by-byte reference beside the fast form; both give the same bytes
// and sums, which the reader and writer rely on to stay byte-identical across machines.

#include <cstddef>
#include <cstdint>

namespace gx::png
{
enum EFilter : uint8_t
{
    kFilterNone = 0,
    kFilterSub = 1,
    kFilterUp = 2,
    kFilterAverage = 3,
    kFilterPaeth = 4,
};

// The Paeth predictor: whichever of left, above and upper-left is nearest to left + above -
// upper-left, ties going to left, then above.
inline uint8_t PaethPredictor(int a, int b, int c)
{
    const int pa = b > c ? b - c : c - b; // |p - a| with p = a + b - c
    const int pb = a > c ? a - c : c - a;
    const int pc = a + b - 2 * c >= 0 ? a + b - 2 * c : 2 * c - a - b;
    if (pa <= pb && pa <= pc)
        return uint8_t(a);
    return uint8_t(pb <= pc ? b : c);
}

// Reverses filter `type` on one row of n bytes with bpp (1 to 8) bytes per pixel; prior is the
// row above, already reversed (zeros above the first row). out may be in itself or lie before it
// in the same buffer: every input byte is read before anything at or after its place in out is
// written. False, with out unspecified, for a type above 4 or a bpp outside 1 to 8.
bool UnfilterRow(uint8_t type, const uint8_t* in, const uint8_t* prior, uint8_t* out, size_t n, uint32_t bpp);
bool UnfilterRowPlain(uint8_t type, const uint8_t* in, const uint8_t* prior, uint8_t* out, size_t n, uint32_t bpp);

// The writer's score of a filtered row: the sum of its bytes read as signed magnitudes (0 to 128).
uint64_t ScoreRow(const uint8_t* p, size_t n);
uint64_t ScoreRowPlain(const uint8_t* p, size_t n);
} // namespace gx::png
