// The blend at sizes beyond every GL limit: an 8192 x 8192 picture between a 20000 x 100
// background (wider than any texture) and a 4096 x 4096 overlay, composed in tiles and held
// against the single-pass CPU reference. Prints the time and the largest difference; exits 1 when
// a channel differs by more than 3 levels. Run under /usr/bin/time -v for the peak memory.

#include "engine/HeadlessGl.h"
#include "tests/ops/BlendReference.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    const int side = argc > 1 ? std::atoi(argv[1]) : 8192;
    CHeadlessGl gl;
    if (!gxInitialize() || !gl.Ok())
    {
        std::fprintf(stderr, "no GL context\n");
        return 2;
    }
    using namespace mosvane::test;
    CEngineImage item = Noise(side, side, GL_RGBA, 1);
    CBlendLayer background, overlay;
    background.Adopt(Noise(20000, 100, GL_RGBA, 2));
    overlay.Adopt(Noise(4096, 4096, GL_BGRA, 3));
    const SRefPicture bg = RefOf(background.Picture()), ov = RefOf(overlay.Picture());

    const auto start = std::chrono::steady_clock::now();
    const bool composed = ComposeBlend(side, side, GL_RGBA, item.Buffer(), &background, &overlay);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!composed)
    {
        std::fprintf(stderr, "the composition failed\n");
        return 1;
    }

    const CBlendReference reference(side, side, &bg, &ov);
    CNoise original(1, 4);
    const uint8_t* p = item.Buffer();
    int worst = 0;
    int64_t beyond = 0;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x, p += 4)
        {
            Rgba before;
            for (float& c : before)
                c = original.Next();
            const auto expected = reference.At(x, y, before);
            int difference = 0;
            for (int c = 0; c < 4; ++c)
                difference = std::max(difference, std::abs(int(p[c]) - int(expected[size_t(c)])));
            if (difference > 3 && beyond++ < 3)
                std::printf("(%d, %d): %d %d %d %d against %d %d %d %d\n", x, y, p[0], p[1], p[2], p[3], expected[0],
                            expected[1], expected[2], expected[3]);
            worst = std::max(worst, difference);
        }
    std::printf("blend %d x %d over 20000 x 100 under 4096 x 4096: %.2f s, largest difference %d, %lld pixels beyond 3\n",
                side, side, seconds, worst, static_cast<long long>(beyond));
    background.ReleaseTexture();
    overlay.ReleaseTexture();
    return worst <= 3 ? 0 : 1;
}
