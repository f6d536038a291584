// The ceiling for a batch split: two threads that do nothing but the work itself. Each takes the
// next picture, reads and decodes it once with the engine's codecs, cuts it into ROWS x COLS tiles
// and encodes and writes each tile with the engine's PNG writer, the same files mosvane-batch
// writes. No batch file, no image table, no reports: what is left of mosvane-batch's time above
// this program's is the cost of the runner.
//
//   bench_split_ceiling THREADS ROWS COLS OUTFOLDER PICTURE...

#include "base/FileIo.h"
#include "engine/Limits.h"
#include "engine/codecs/Codecs.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace
{
std::string TitleOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.size() > 4 ? name.substr(0, name.size() - 4) : std::string();
}

bool SplitOne(const std::string& path, uint32_t rows, uint32_t cols, const std::string& folder)
{
    std::vector<uint8_t> file, encoded;
    gx::CBitmap picture, tile;
    gx::EFileType type;
    if (!ReadWholeFile(path.c_str(), file, gx::kMaxFileBytes) ||
        gx::DecodeImageFile(file, path.c_str(), picture, type) != gx::ECodecError::None)
        return false;
    const uint32_t w = picture.m_nWidth / cols, h = picture.m_nHeight / rows;
    const size_t pixel = picture.BytesPerPixel();
    char number[16];
    for (uint32_t k = 0; k < rows * cols; ++k)
    {
        if (!tile.Allocate(w, h, picture.m_nFormat))
            return false;
        const uint32_t x = k % cols * w, y = k / cols * h;
        for (uint32_t r = 0; r < h; ++r)
            std::memcpy(tile.m_pixels.data() + r * tile.RowBytes(),
                        picture.m_pixels.data() + (y + r) * picture.RowBytes() + x * pixel, tile.RowBytes());
        std::snprintf(number, sizeof number, "%04u", k + 1);
        const std::string name = folder + "/" + TitleOf(path) + number + ".png";
        if (!gx::EncodePng(tile, encoded) || !ReplaceFile(name.c_str(), encoded))
            return false;
    }
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 6)
    {
        std::fprintf(stderr, "usage: bench_split_ceiling THREADS ROWS COLS OUTFOLDER PICTURE...\n");
        return 2;
    }
    const int threads = std::max(1, std::atoi(argv[1]));
    const uint32_t rows = uint32_t(std::max(1, std::atoi(argv[2]))), cols = uint32_t(std::max(1, std::atoi(argv[3])));
    const std::string folder = argv[4];
    const std::vector<std::string> pictures(argv + 5, argv + argc);
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back([&] {
            for (size_t i = next++; i < pictures.size(); i = next++)
                if (!SplitOne(pictures[i], rows, cols, folder))
                    failed = true;
        });
    for (std::thread& thread : pool)
        thread.join();
    if (failed)
        std::fprintf(stderr, "bench_split_ceiling: a picture could not be split\n");
    return failed ? 1 : 0;
}
