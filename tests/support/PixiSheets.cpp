#include "support/PixiSheets.h"

#include "base/JsonWriter.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <mutex>

namespace mosvane::test
{
namespace
{
std::string PixiFolder()
{
    return BinDir() + "/../pixi-" + kPixiVersion;
}

// The integer members of an object under the keys, spaced ("x y w h" of a rectangle).
std::string Ints(const SJson& object, const std::string& keys)
{
    std::string text;
    for (char key : keys)
        text += (text.empty() ? "" : " ") + std::to_string(object[std::string(1, key)].Integer());
    return text;
}
} // namespace

bool PixiReady(std::string& whyNot)
{
    static std::once_flag once;
    static std::string s_strWhyNot;
    std::call_once(once, [] {
        if (RunCommand("command -v node >/dev/null 2>&1 && command -v npm >/dev/null 2>&1") != 0)
        {
            s_strWhyNot = "node and npm are not installed (scripts/install-deps.sh test)";
            return;
        }
        // Test processes run side by side: one installs while the others wait on the lock.
        const std::string folder = ShellQuote(PixiFolder());
        const std::string installed = PixiFolder() + "/node_modules/pixi.js/package.json";
        std::string log;
        const int status = RunCommand(
            "flock " + ShellQuote(PixiFolder() + ".lock") + " sh -c " +
                ShellQuote("grep -q '\"version\": \"" + std::string(kPixiVersion) + "\"' " + ShellQuote(installed) +
                           " 2>/dev/null || npm install --prefix " + folder +
                           " --no-save --no-audit --no-fund --ignore-scripts --loglevel=error pixi.js@" + kPixiVersion) +
                " 2>&1",
            &log);
        if (status != 0 || !FileExists(installed))
            s_strWhyNot = std::string("npm could not fetch pixi.js@") + kPixiVersion + ":\n" + log;
    });
    whyNot = s_strWhyNot;
    return whyNot.empty();
}

bool PixiReading(const std::vector<std::string>& files, std::string& reading)
{
    std::string command = "node " + ShellQuote(std::string(MOSVANE_SOURCE_DIR) + "/tests/support/read-sheets.js") +
                          " " + ShellQuote(PixiFolder());
    for (const std::string& file : files)
        command += " " + ShellQuote(file);
    return RunCommand(command + " 2>&1", &reading) == 0;
}

SJson ReadSheetData(const std::string& path)
{
    SJson data;
    std::string error;
    EXPECT_TRUE(ParseJson(ReadTextFile(path), data, error)) << path << ": " << error;
    return data;
}

std::vector<std::pair<std::string, SJson>> SheetFrames(const SJson& data)
{
    const SJson& frames = data["frames"];
    if (frames.m_eKind == SJson::Object)
        return frames.m_members;
    std::vector<std::pair<std::string, SJson>> named;
    for (const SJson& frame : frames.m_items)
        named.emplace_back(frame["filename"].m_strValue, frame);
    return named;
}

std::string WrittenReading(const std::vector<std::string>& files)
{
    std::string reading;
    for (const std::string& file : files)
    {
        const SJson data = ReadSheetData(file);
        reading += "file " + file + "\n";
        reading += "size " + Ints(data["meta"]["size"], "wh") + "\n";
        for (const auto& [name, frame] : SheetFrames(data))
        {
            const bool trimmed = frame["trimmed"].m_bValue;
            const SJson& rect = frame["frame"];
            reading += "frame " + JsonQuoted(name) + " " + Ints(rect, "xywh") + " orig " +
                       Ints(trimmed ? frame["sourceSize"] : rect, "wh") + " " +
                       (trimmed ? "trim " + Ints(frame["spriteSourceSize"], "xy") + " " + Ints(rect, "wh") : "trim none") +
                       "\n";
        }
        for (const auto& [animation, names] : data["animations"].m_members)
        {
            reading += "animation " + JsonQuoted(animation);
            for (const SJson& name : names.m_items)
                reading += " " + JsonQuoted(name.m_strValue);
            reading += "\n";
        }
    }
    return reading;
}
} // namespace mosvane::test
