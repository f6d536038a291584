#include "support/TestSupport.h"

#include "base/FileIo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace mosvane::test
{
namespace
{
// Like the programs, the tests turn a write past the file size limit into a failed write.
const bool s_bFileSizeSignalIgnored = (IgnoreFileSizeSignal(), true);
} // namespace

int RunInChild(const std::function<int()>& body, int timeoutMs, uint64_t addressSpaceGrowth)
{
    const pid_t pid = ::fork();
    if (pid < 0)
        return -1;
    if (pid == 0)
    {
        if (addressSpaceGrowth && !kUnderSanitizer)
        {
            uint64_t pages = 0;
            std::ifstream("/proc/self/statm") >> pages;
            const rlim_t limit = rlim_t(pages * uint64_t(::sysconf(_SC_PAGESIZE)) + addressSpaceGrowth);
            const rlimit rl{limit, limit};
            ::setrlimit(RLIMIT_AS, &rl);
        }
        ::_exit(body() & 0xFF);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0)
    {
        if (std::chrono::steady_clock::now() > deadline)
        {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

CTempDir::CTempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "mosvane-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()))
        m_strPath = pattern;
}

CTempDir::~CTempDir()
{
    std::error_code ec;
    if (!m_strPath.empty())
        std::filesystem::remove_all(m_strPath, ec);
}

std::string CorpusDir()
{
    // A checkout that does not sit beside shared/ (a git worktree, say) names the corpus here.
    const char* dir = std::getenv("MOSVANE_CORPUS_DIR");
    return dir && *dir ? dir : MOSVANE_CORPUS_DIR;
}

std::string TestDataDir() { return MOSVANE_TEST_DATA_DIR; }
std::string BinDir() { return MOSVANE_BIN_DIR; }

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    return bool(out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size())));
}

std::string ReadTextFile(const std::string& path)
{
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(ReadFileBytes(path, bytes)) << path;
    return std::string(bytes.begin(), bytes.end());
}

void WriteTextFile(const std::string& path, const std::string& text)
{
    EXPECT_TRUE(WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()))) << path;
}

std::vector<std::string> FolderNames(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool FileExists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

std::string ShellQuote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

int RunCommand(const std::string& command, std::string* out)
{
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    std::string text;
    char buffer[65536];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        text.append(buffer, n);
    const int status = ::pclose(pipe);
    if (out)
        *out = std::move(text);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool HaveImageMagick()
{
    static const bool have = RunCommand("command -v convert >/dev/null 2>&1 && command -v identify >/dev/null 2>&1") == 0;
    return have;
}

bool MagickReadRgba(const std::string& path, uint32_t& width, uint32_t& height, std::vector<uint8_t>& rgba)
{
    // The file's orientation applied: this ImageMagick records a TGA's bottom-left origin instead
    // of turning the rows.
    std::string size, pixels;
    const std::string in = "convert " + ShellQuote(path + "[0]") + " -auto-orient ";
    if (RunCommand(in + "-format '%w %h' info:- 2>/dev/null", &size) != 0 ||
        RunCommand(in + "-depth 8 rgba:- 2>/dev/null", &pixels) != 0)
        return false;
    rgba.assign(pixels.begin(), pixels.end());
    return (std::istringstream(size) >> width >> height) && rgba.size() == size_t(width) * height * 4;
}

bool MagickWriteRgba(const std::vector<uint8_t>& rgba, uint32_t width, uint32_t height, const std::string& path,
                     const std::string& options)
{
    const std::string raw = path + ".rgba";
    const bool ok = WriteFileBytes(raw, rgba) &&
                    RunCommand("convert -size " + std::to_string(width) + "x" + std::to_string(height) + " -depth 8 rgba:" +
                               ShellQuote(raw) + " " + options + " " + ShellQuote(path) + " 2>/dev/null") == 0;
    std::remove(raw.c_str());
    return ok;
}

std::vector<uint8_t> PatternRgba(uint32_t width, uint32_t height, bool withAlpha)
{
    std::vector<uint8_t> rgba;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            rgba.insert(rgba.end(), {uint8_t(x * 7 + y * 3), uint8_t(x * 2 + y * 11 + 40), uint8_t((x ^ y) * 5),
                                     withAlpha ? uint8_t(255 - (x + y) * 3) : uint8_t(255)});
    return rgba;
}

std::string Digest(const std::vector<uint8_t>& bytes)
{
    uint64_t h = 1469598103934665603ull;
    for (uint8_t b : bytes)
        h = (h ^ b) * 1099511628211ull;
    char text[32];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

void ExpectRecordedDigests(const std::string& table, const std::vector<std::pair<std::string, std::string>>& digests,
                           bool bAllPresent)
{
    if (const char* folder = std::getenv("MOSVANE_RECORD_DIGESTS"); folder && *folder)
    {
        std::ofstream out(std::string(folder) + "/" + table);
        for (const auto& [name, digest] : digests)
            out << name << ' ' << digest << '\n';
        EXPECT_TRUE(bool(out)) << folder;
        return;
    }
    std::map<std::string, std::string> recorded;
    std::ifstream in(TestDataDir() + "/" + table);
    for (std::string name, digest; in >> name >> digest;)
        recorded[name] = digest;
    ASSERT_FALSE(recorded.empty()) << TestDataDir() + "/" + table;
    for (const auto& [name, digest] : digests)
        EXPECT_EQ(recorded[name], digest) << name;
    EXPECT_TRUE(!bAllPresent || recorded.size() == digests.size())
        << table << ": " << recorded.size() << " recorded, " << digests.size() << " made";
}

int MaxDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    int worst = a.size() == b.size() ? 0 : 255;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        worst = std::max(worst, std::abs(int(a[i]) - int(b[i])));
    return worst;
}

Pixel SPicture::At(uint32_t x, uint32_t y) const
{
    const auto p = m_rgba.begin() + long((size_t(y) * m_nWidth + x) * 4);
    return Pixel(p, p + 4);
}

SPicture Solid(uint32_t w, uint32_t h, uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    SPicture picture{w, h, {}};
    for (size_t i = 0; i < size_t(w) * h; ++i)
        picture.m_rgba.insert(picture.m_rgba.end(), {r, g, b, a});
    return picture;
}

SPicture Pattern(uint32_t w, uint32_t h, bool withAlpha) { return {w, h, PatternRgba(w, h, withAlpha)}; }

SPicture Put(const std::string& path, const SPicture& picture, const std::string& options)
{
    EXPECT_TRUE(MagickWriteRgba(picture.m_rgba, picture.m_nWidth, picture.m_nHeight, path, options)) << path;
    return picture;
}

SPicture Read(const std::string& path)
{
    SPicture picture;
    EXPECT_TRUE(MagickReadRgba(path, picture.m_nWidth, picture.m_nHeight, picture.m_rgba)) << path;
    return picture;
}

bool Near(const Pixel& actual, const Pixel& expected)
{
    return actual.size() >= expected.size() &&
           MaxDifference(Pixel(actual.begin(), actual.begin() + long(expected.size())), expected) <= 2;
}
} // namespace mosvane::test
