// PNG and JPEG speed and size of the engine beside ImageMagick's `convert` doing the same work, on
// a deterministic 4096 x 4096 photograph-like picture. ImageMagick's times include starting the
// process (a few tens of milliseconds); every figure is the best of a few runs.

#include "base/FileIo.h"
#include "engine/codecs/Codecs.h"
#include "engine/codecs/PngDecode.h"
#include "engine/codecs/PngFilters.h"
#include "engine/codecs/PngWriter.h"
#include "engine/gx.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{
constexpr uint32_t kSide = 4096;
constexpr int kRuns = 3;

// Smooth gradients, a few hard-edged shapes and sensor-like noise: compresses like a photograph.
// noisy: about +-7 levels of noise; otherwise +-3, as from a better camera.
gx::CBitmap MakePicture(bool noisy)
{
    gx::CBitmap picture;
    picture.Allocate(kSide, kSide, GL_RGB);
    uint32_t seed = 2024;
    auto noise = [&seed, noisy] {
        seed = seed * 1664525u + 1013904223u;
        const int spread = noisy ? 7 : 3;
        return int((seed >> 24) & spread) + int((seed >> 16) & spread) - spread; // peaked at 0
    };
    for (uint32_t y = 0; y < kSide; ++y)
    {
        uint8_t* row = picture.m_pixels.data() + size_t(y) * picture.RowBytes();
        for (uint32_t x = 0; x < kSide; ++x)
        {
            float r = 128 + 60 * std::sin(x * 0.0031f + y * 0.0017f) + 40 * std::cos(y * 0.0047f);
            float g = 120 + 70 * std::sin(x * 0.0023f - y * 0.0029f + 1.0f);
            float b = 110 + 50 * std::cos(x * 0.0041f + 0.5f) + 40 * std::sin(y * 0.0013f);
            const float dx = float(x) - 2600, dy = float(y) - 1500;
            if (dx * dx + dy * dy < 700.0f * 700.0f) // a disc
                r += 50, g -= 30;
            if (x > 500 && x < 1700 && y > 2200 && y < 3900) // a block
                b += 60, g += 20;
            if ((x / 256 + y / 256) % 7 == 0) // a checker of darker tiles
                r -= 35, g -= 35, b -= 35;
            uint8_t* p = row + size_t(x) * 3;
            p[0] = uint8_t(std::clamp(int(r) + noise(), 0, 255));
            p[1] = uint8_t(std::clamp(int(g) + noise(), 0, 255));
            p[2] = uint8_t(std::clamp(int(b) + noise(), 0, 255));
        }
    }
    return picture;
}

double BestSeconds(const std::function<bool()>& work)
{
    double best = 1e30;
    for (int i = 0; i < kRuns; ++i)
    {
        const auto start = std::chrono::steady_clock::now();
        if (!work())
        {
            std::printf("  (run failed)\n");
            return 0;
        }
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

bool Shell(const std::string& command)
{
    return std::system((command + " 2>/dev/null").c_str()) == 0;
}

long FileSize(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 ? long(st.st_size) : -1;
}

void Row(const char* what, double ours, double magick)
{
    std::printf("%-34s ours %7.3f s   convert %7.3f s   ours/convert %5.2f\n", what, ours, magick,
                magick > 0 ? ours / magick : 0.0);
}
// The two PNG readers of the engine in this process, each file read once beforehand: the own
// reader (libdeflate, SIMD unfiltering) and libpng, on ImageMagick's file and on ours, and the
// writer's filter scoring in SIMD sums against the plain loop over the same filtered rows.
void PngReaders(const std::string& magickPng, const std::string& oursPng)
{
    std::printf("\nPNG readers in this process (file in memory, best of %d)\n", kRuns);
    for (const std::string& path : {magickPng, oursPng})
    {
        std::vector<uint8_t> file;
        ReadWholeFile(path.c_str(), file, gx::kMaxFileBytes);
        gx::CBitmap out;
        const double own = BestSeconds([&] { return gx::png::DecodePngOwnOnly(file, out); });
        const double libpng = BestSeconds([&] { return gx::png::DecodePngLibpngOnly(file, out); });
        std::printf("  %-12s own %7.3f s   libpng %7.3f s   libpng/own %5.2f\n",
                    path == magickPng ? "convert's" : "ours", own, libpng, own > 0 ? libpng / own : 0.0);
    }
    {
        const size_t rowBytes = size_t(kSide) * 3;
        std::vector<uint8_t> trials(rowBytes * 5 * 64);
        uint32_t seed = 7;
        for (uint8_t& b : trials) // filtered rows: mostly small differences either side of zero
            b = uint8_t(int((seed = seed * 1664525u + 1013904223u) >> 28) - 8);
        uint64_t sink = 0;
        auto score = [&](uint64_t (*f)(const uint8_t*, size_t)) {
            return BestSeconds([&] {
                for (int pass = 0; pass < int(kSide) / 64; ++pass)
                    for (size_t row = 0; row < trials.size(); row += rowBytes)
                        sink += f(trials.data() + row, rowBytes);
                return true;
            });
        };
        const double simd = score(gx::png::ScoreRow), plain = score(gx::png::ScoreRowPlain);
        std::printf("  filter scoring of a %u x %u RGB picture (5 filters a row): SIMD %.3f s   plain %.3f s   "
                    "plain/SIMD %.2f%s\n", kSide, kSide, simd, plain, simd > 0 ? plain / simd : 0.0,
                    sink == 1 ? " " : "");
    }
}
} // namespace

// With the argument "png", only the PNG readers and the scoring: quick figures on a busy machine.
int main(int argc, char** argv)
{
    const bool pngOnly = argc > 1 && std::string(argv[1]) == "png";
    if (std::system("command -v convert >/dev/null 2>&1") != 0)
    {
        std::printf("ImageMagick's convert is not installed; nothing to compare with\n");
        return 0;
    }
    char pattern[] = "/tmp/mosvane-bench-XXXXXX";
    if (!::mkdtemp(pattern))
        return 1;
    const std::string dir = pattern;
    const std::string raw = dir + "/src.rgb", size = "-size 4096x4096 -depth 8 ";
    const std::string magickPng = dir + "/magick.png", oursPng = dir + "/ours.png";
    const std::string magickJpg = dir + "/magick.jpg", oursJpg = dir + "/ours.jpg";

    const gx::CBitmap picture = MakePicture(true);
    if (!ReplaceFile(raw.c_str(), picture.m_pixels) || !gxInitialize())
        return 1;
    std::printf("picture: %u x %u RGB, photograph-like; best of %d runs\n\n", kSide, kSide, kRuns);
    if (pngOnly)
    {
        std::vector<uint8_t> ours;
        std::printf("PNG encode %.3f s\n", BestSeconds([&] { return gx::EncodePng(picture, ours); }));
        const bool made = ReplaceFile(oursPng.c_str(), ours) &&
                          Shell("convert " + size + "rgb:" + raw + " " + magickPng);
        if (made)
            PngReaders(magickPng, oursPng);
        std::filesystem::remove_all(dir);
        return made ? 0 : 1;
    }

    // Encoding from pixels in memory (ImageMagick: from a raw file, which costs it little).
    std::vector<uint8_t> bytes;
    const double pngEncode = BestSeconds([&] { return gx::EncodePng(picture, bytes); });
    ReplaceFile(oursPng.c_str(), bytes);
    const double magickPngEncode = BestSeconds([&] { return Shell("convert " + size + "rgb:" + raw + " " + magickPng); });
    Row("PNG encode", pngEncode, magickPngEncode);
    const double jpgEncode = BestSeconds([&] { return gx::EncodeJpeg(picture, bytes); });
    ReplaceFile(oursJpg.c_str(), bytes);
    const double magickJpgEncode =
        BestSeconds([&] { return Shell("convert " + size + "rgb:" + raw + " -quality 90 " + magickJpg); });
    Row("JPEG encode (quality 90)", jpgEncode, magickJpgEncode);

    // Decoding ImageMagick's files: whole file read and decoded to pixels.
    auto decode = [](const std::string& path) {
        std::vector<uint8_t> file;
        gx::CBitmap out;
        gx::EFileType type;
        return ReadWholeFile(path.c_str(), file, gx::kMaxFileBytes) &&
               gx::DecodeImageFile(file, path.c_str(), out, type) == gx::ECodecError::None;
    };
    Row("PNG decode", BestSeconds([&] { return decode(magickPng); }),
        BestSeconds([&] { return Shell("convert " + magickPng + " rgb:/dev/null"); }));
    Row("JPEG decode", BestSeconds([&] { return decode(magickJpg); }),
        BestSeconds([&] { return Shell("convert " + magickJpg + " rgb:/dev/null"); }));

    PngReaders(magickPng, oursPng);

    // File to file, as the program uses the engine.
    auto convert = [](const std::string& from, const std::string& to) {
        const GX_IMAGE image = gxLoadImage(from.c_str());
        const bool ok = image.id != 0 && gxSaveImage(to.c_str(), false);
        gxDestroyImage(image.id);
        return ok;
    };
    Row("PNG to PNG", BestSeconds([&] { return convert(magickPng, dir + "/p2p.png"); }),
        BestSeconds([&] { return Shell("convert " + magickPng + " " + dir + "/p2p_magick.png"); }));
    Row("PNG to JPEG", BestSeconds([&] { return convert(magickPng, dir + "/p2j.jpg"); }),
        BestSeconds([&] { return Shell("convert " + magickPng + " -quality 90 " + dir + "/p2j_magick.jpg"); }));

    const long ourPngSize = FileSize(oursPng), magickPngSize = FileSize(magickPng);
    std::printf("\nPNG size   ours %ld   convert %ld   ours/convert %.3f (must stay <= 1.1)\n", ourPngSize,
                magickPngSize, double(ourPngSize) / double(magickPngSize));
    std::printf("JPEG size  ours %ld   convert %ld   ours/convert %.3f\n", FileSize(oursJpg), FileSize(magickJpg),
                double(FileSize(oursJpg)) / double(FileSize(magickJpg)));

    // What each compression level gives on this picture and on a cleaner one, for choosing the
    // level the writer uses.
    const gx::CBitmap clean = MakePicture(false);
    const std::string cleanRaw = dir + "/clean.rgb", cleanPng = dir + "/clean.png";
    ReplaceFile(cleanRaw.c_str(), clean.m_pixels);
    Shell("convert " + size + "rgb:" + cleanRaw + " " + cleanPng);
    const long cleanMagickSize = FileSize(cleanPng);
    std::printf("\nPNG writer by libdeflate level (in use: %d); size against convert's\n", gx::kPngCompressionLevel);
    for (int level = 1; level <= 9; ++level)
    {
        gx::CPngImageWriter writer(level);
        std::vector<uint8_t> noisyOut, cleanOut;
        const double seconds = BestSeconds([&] {
            noisyOut.clear();
            return writer.Append(noisyOut, picture.m_pixels.data(), kSide, kSide, GL_RGB);
        });
        const double cleanSeconds = BestSeconds([&] {
            cleanOut.clear();
            return writer.Append(cleanOut, clean.m_pixels.data(), kSide, kSide, GL_RGB);
        });
        std::printf("  level %d:   noisy %6.3f s %.3f   clean %6.3f s %.3f\n", level, seconds,
                    double(noisyOut.size()) / double(magickPngSize), cleanSeconds,
                    double(cleanOut.size()) / double(cleanMagickSize));
    }

    gxDestroy();
    std::filesystem::remove_all(dir);
    return 0;
}
