#pragma once
// Independent readers of animations for the tests: Pillow (through tests/data/read_animation.py)
// and ffmpeg. Each gives what it read or, when the tool is not installed, says so, so that a test
// can skip with a message.

#include "support/TestSupport.h"

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace mosvane::test
{
struct SAnimationRead
{
    std::string m_strFormat;             // Pillow's name: "PNG", "GIF"
    std::string m_strLoop;               // Pillow's loop count ("0": for ever)
    std::vector<std::string> m_durations; // per frame, in milliseconds as Pillow gives them
    std::vector<std::vector<uint8_t>> m_frames; // RGBA, each as shown
};

// The Python that can import PIL: Debian's first (a python of its own earlier on PATH may lack
// the Debian package), then whichever is on PATH. Empty when none can.
inline const std::string& PillowPython()
{
    static const std::string python = [] {
        for (const char* candidate : {"/usr/bin/python3", "python3"})
            if (RunCommand(std::string(candidate) + " -c 'import PIL' >/dev/null 2>&1") == 0)
                return std::string(candidate);
        return std::string();
    }();
    return python;
}

inline bool HaveFfmpeg()
{
    static const bool have = RunCommand("command -v ffmpeg >/dev/null 2>&1") == 0;
    return have;
}

// The animation as Pillow reads it; false when Pillow failed (a test failure of its own).
inline bool ReadWithPillow(const std::string& path, const CTempDir& scratch, SAnimationRead& read)
{
    std::string listing;
    const std::string stem = scratch.File("pillow");
    if (RunCommand(PillowPython() + " " + ShellQuote(TestDataDir() + "/read_animation.py") + " " + ShellQuote(path) +
                       " " + ShellQuote(stem),
                   &listing) != 0)
        return false;
    std::istringstream lines(listing);
    size_t count = 0;
    lines >> read.m_strFormat >> count >> read.m_strLoop;
    read.m_durations.resize(count);
    read.m_frames.resize(count);
    for (size_t k = 0; k < count; ++k)
    {
        lines >> read.m_durations[k];
        if (!ReadFileBytes(stem + "-" + std::to_string(k) + ".rgba", read.m_frames[k]))
            return false;
    }
    return bool(lines);
}

// Every frame ffmpeg decodes, each as shown, in RGBA; false when it failed.
inline bool ReadWithFfmpeg(const std::string& path, uint32_t width, uint32_t height, std::vector<std::vector<uint8_t>>& frames)
{
    std::string raw;
    if (RunCommand("ffmpeg -v error -i " + ShellQuote(path) + " -fps_mode passthrough -f rawvideo -pix_fmt rgba - 2>/dev/null",
                   &raw) != 0)
        return false;
    const size_t frameBytes = size_t(width) * height * 4;
    if (frameBytes == 0 || raw.size() % frameBytes != 0)
        return false;
    frames.clear();
    for (size_t at = 0; at < raw.size(); at += frameBytes)
        frames.emplace_back(raw.begin() + long(at), raw.begin() + long(at + frameBytes));
    return true;
}

// RGBA with the colour of every fully transparent pixel set to 0, so that pictures that show the
// same compare equal whatever colour a format keeps under transparency.
inline std::vector<uint8_t> Shown(std::vector<uint8_t> rgba)
{
    for (size_t i = 0; i + 3 < rgba.size(); i += 4)
        if (rgba[i + 3] == 0)
            rgba[i] = rgba[i + 1] = rgba[i + 2] = 0;
    return rgba;
}
} // namespace mosvane::test
