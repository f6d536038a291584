// "Split it!" of an 8192 x 8192 picture into 16 x 16 PNG tiles, through the command the window
// calls, with one worker and with two: the median of a few rounds each, their ratio, and whether
// both wrote the same files byte for byte (exit 1 when not). Each round writes into a fresh folder.
//
//   bench_split [SIDE [ROUNDS [WORKERS]]]    (WORKERS: only that count, nothing compared)

#include "base/FileIo.h"
#include "engine/HeadlessGl.h"
#include "image/WorkingImage.h"
#include "ops/EngineImage.h"
#include "ops/FrameHooks.h"
#include "ops/MainFrame.h"
#include "ops/Split.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace
{
// Progress goes nowhere; the window would draw it.
class CBenchFrame : public CPanelFreeFrame
{
public:
    void* GetFrameWindow() override { return nullptr; }
    void BeginProgress(int32_t) override {}
    void StepProgress() override {}
    void EndProgress() override {}
};

// A texture as artists paint them: smooth shading with a little grain, in RGBA.
bool WriteSource(const std::string& path, int side)
{
    CEngineImage picture = CEngineImage::Generate();
    picture.Bind();
    if (!gxTexImage(side, side, GL_RGBA))
        return false;
    picture.Refresh();
    uint8_t* p = picture.Buffer();
    uint32_t grain = 1;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x, p += 4)
        {
            grain = grain * 1664525u + 1013904223u;
            const int noise = int(grain >> 28) - 8;
            p[0] = uint8_t(std::clamp(((x + y) >> 6) + noise, 0, 255));
            p[1] = uint8_t(std::clamp(((x ^ y) >> 5) + noise, 0, 255));
            p[2] = uint8_t(std::clamp((y >> 5) - noise, 0, 255));
            p[3] = 255;
        }
    return gxSaveImage(path.c_str(), false);
}

bool SameFiles(const std::string& a, const std::string& b)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(a))
        names.push_back(entry.path().filename().string());
    size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(b))
        count += entry.is_regular_file() ? 1 : 0;
    if (names.empty() || count != names.size())
        return false;
    std::vector<uint8_t> x, y;
    for (const std::string& name : names)
        if (!ReadWholeFile((a + "/" + name).c_str(), x, uint64_t(1) << 32) ||
            !ReadWholeFile((b + "/" + name).c_str(), y, uint64_t(1) << 32) || x != y)
            return false;
    return true;
}

double ThreadSeconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
} // namespace

int main(int argc, char** argv)
{
    const int side = argc > 1 ? std::atoi(argv[1]) : 8192;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const int32_t only = argc > 3 ? std::clamp(std::atoi(argv[3]), 1, 2) : 0;
    CHeadlessGl gl;
    if (!gxInitialize() || !gl.Ok())
    {
        std::fprintf(stderr, "no GL context\n");
        return 2;
    }
    char pattern[] = "/tmp/bench_split.XXXXXX";
    if (!::mkdtemp(pattern))
        return 2;
    const std::string dir = pattern;
    CBenchFrame frame;
    std::string said;
    CFrameHooks hooks({&frame, [&](const std::string& text, const std::string&, EMessageIcon, void*) { said = text; }});
    CWorkingImage image;
    CSplitGrid grid;
    if (!WriteSource(dir + "/source.png", side) || !image.LoadImageFile((dir + "/source.png").c_str()) ||
        !DrawSplitLineCommand(16, 16, image, grid))
    {
        std::fprintf(stderr, "the %d x %d picture could not be made\n", side, side);
        return 2;
    }
    std::vector<double> seconds[2], cutting[2]; // wall time; this thread's time (cuts, reports)
    bool succeeded = true;
    for (int round = 0; round < rounds; ++round)
        for (int32_t workers : {1, 2})
        {
            if (only != 0 && workers != only)
                continue;
            const std::string out = dir + "/w" + std::to_string(workers);
            std::filesystem::remove_all(out);
            said.clear();
            const auto start = std::chrono::steady_clock::now();
            const double busy = ThreadSeconds();
            SplitCommand({{out, "tile", "###", "png", 1}}, image, grid, workers);
            cutting[workers - 1].push_back(ThreadSeconds() - busy);
            seconds[workers - 1].push_back(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            succeeded = succeeded && said.rfind("Succeed", 0) == 0;
        }
    if (only != 0)
    {
        std::printf("split %d x %d into 16 x 16 PNG tiles, median of %d: %d worker(s) %.2f s (calling thread busy "
                    "%.2f s)%s\n",
                    side, side, rounds, only, Median(seconds[only - 1]), Median(cutting[only - 1]),
                    succeeded ? "" : ", A SPLIT FAILED");
        std::filesystem::remove_all(dir);
        return succeeded ? 0 : 1;
    }
    const bool same = SameFiles(dir + "/w1", dir + "/w2");
    const double one = Median(seconds[0]), two = Median(seconds[1]);
    std::printf("split %d x %d into 16 x 16 PNG tiles, median of %d: 1 worker %.2f s, 2 workers %.2f s, "
                "%.2fx (goal 1.8x); calling thread busy %.2f s with 2%s%s\n",
                side, side, rounds, one, two, one / two, Median(cutting[1]), same ? ", files identical" : ", FILES DIFFER",
                succeeded ? "" : ", A SPLIT FAILED");
    image.ReleaseImage();
    std::filesystem::remove_all(dir);
    return same && succeeded ? 0 : 1;
}
