#pragma once
// Helpers shared by every test executable: temporary folders, the shared corpus, ImageMagick as
// the independent reference decoder and encoder, and pictures made, written and read through it.

#include <cstdint>
#include <functional>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace mosvane::test
{
// stem, the number zero-padded to digits, ".", type: composed without the code under test.
inline std::string Numbered(const std::string& stem, int number, int digits, const std::string& type)
{
    char field[32];
    std::snprintf(field, sizeof field, "%0*d", digits, number);
    return stem + field + "." + type;
}
// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class CTempDir
{
public:
    CTempDir();
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    const std::string& Path() const { return m_strPath; }
    std::string File(const std::string& name) const { return m_strPath + "/" + name; }

private:
    std::string m_strPath;
};

std::string CorpusDir();   // the shared corpus of files made by other programs ($MOSVANE_CORPUS_DIR first)
std::string TestDataDir(); // tests/data of this project
std::string BinDir();      // where the built executables and Cnfg/ are

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& out);
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
bool FileExists(const std::string& path);
// A file's bytes as a string; a file that cannot be read fails the test.
std::string ReadTextFile(const std::string& path);
// Writes text as the whole file; a failed write fails the test.
void WriteTextFile(const std::string& path, const std::string& text);
// The names in a folder, sorted, so that a leftover temporary file shows.
std::vector<std::string> FolderNames(const std::string& folder);

// Runs a shell command; its standard output goes to *out when given. Returns the exit status.
int RunCommand(const std::string& command, std::string* out = nullptr);
std::string ShellQuote(const std::string& text);
// Runs body in a child process and gives its result (0 to 255), or -1 when the child did not
// finish within timeoutMs (it is then killed) or died of a signal. For calls that could hang or
// that change process limits. With addressSpaceGrowth the child's address space may grow by at
// most that many bytes beyond what it holds at the fork, except under AddressSanitizer, whose
// shadow memory reserves far more than any such limit.
int RunInChild(const std::function<int()>& body, int timeoutMs, uint64_t addressSpaceGrowth = 0);
// True when check, run in a child process, answered true within timeoutMs.
inline bool TrueInChild(const std::function<bool()>& check, int timeoutMs = 500)
{
    return RunInChild([&] { return check() ? 0 : 1; }, timeoutMs) == 0;
}
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kUnderSanitizer = true;
#else
constexpr bool kUnderSanitizer = false;
#endif

bool HaveImageMagick();

// Decodes a file with ImageMagick into 8-bit RGBA, top row first, its orientation applied.
bool MagickReadRgba(const std::string& path, uint32_t& width, uint32_t& height, std::vector<uint8_t>& rgba);
// Writes 8-bit RGBA pixels with ImageMagick; `options` go before the output name (for example
// "-type TrueColor" or "-define bmp:format=bmp3").
bool MagickWriteRgba(const std::vector<uint8_t>& rgba, uint32_t width, uint32_t height, const std::string& path,
                     const std::string& options = "");

// A deterministic picture with varied colours and alpha, for round trips.
std::vector<uint8_t> PatternRgba(uint32_t width, uint32_t height, bool withAlpha);

// The FNV-1a digest of bytes as 16 hexadecimal digits.
std::string Digest(const std::vector<uint8_t>& bytes);
// Compares digests with the table tests/data/<table> ("name digest" per line). With the variable
// MOSVANE_RECORD_DIGESTS naming a folder, the table is written there from the build at hand
// instead, for a change that means to alter written bytes. bAllPresent says every recorded entry
// was produced (false where some sources, such as the shared corpus, are not on this machine).
void ExpectRecordedDigests(const std::string& table, const std::vector<std::pair<std::string, std::string>>& digests,
                           bool bAllPresent = true);

// 32-bit numbers stored little-endian and big-endian at an offset of bytes.
inline uint32_t Le32At(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
inline uint32_t Be32At(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

// Largest absolute difference between two equally sized byte buffers (255 when sizes differ).
int MaxDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);

using Pixel = std::vector<uint8_t>;
using Size = std::pair<uint32_t, uint32_t>;

// An RGBA picture, top row first.
struct SPicture
{
    uint32_t m_nWidth = 0, m_nHeight = 0;
    std::vector<uint8_t> m_rgba;

    Size Dims() const { return {m_nWidth, m_nHeight}; }
    Pixel At(uint32_t x, uint32_t y) const;
};

SPicture Solid(uint32_t w, uint32_t h, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255);
SPicture Pattern(uint32_t w, uint32_t h, bool withAlpha = false);

// Writes the picture with ImageMagick (options such as "-alpha off" or "-type TrueColor" go
// before the name) and gives it back; a failed write fails the test.
SPicture Put(const std::string& path, const SPicture& picture, const std::string& options = "");
// A file decoded by ImageMagick, the independent reader; a failed read fails the test.
SPicture Read(const std::string& path);

// The first channels of actual equal those of expected within a rounding step of GL's blending.
bool Near(const Pixel& actual, const Pixel& expected);
} // namespace mosvane::test
