#pragma once
// PixiJS 7's Spritesheet parser, a real consumer of the data files the program writes. It is
// installed with npm on first use into a folder of the build tree, at one pinned version, and run
// under node (tests/support/read-sheets.js), with a buffer as its base texture: no browser.

#include "support/JsonRead.h"

#include <string>
#include <utility>
#include <vector>

namespace mosvane::test
{
inline constexpr const char* kPixiVersion = "7.4.3";

// True when the parser can run; otherwise why not (no node or npm, or npm could not fetch the
// package), for the test to skip with.
bool PixiReady(std::string& whyNot);

// What the parser made of each file: its picture's size, every frame with its rectangle, its
// untrimmed size and its trim, and every animation with its frames in order. False with the
// parser's complaint in reading when it refuses a file.
bool PixiReading(const std::vector<std::string>& files, std::string& reading);

// The data file at path, parsed; a file that is no JSON fails the test.
SJson ReadSheetData(const std::string& path);

// The frames of a data file in their order, whichever of the two layouts it has, with their names.
std::vector<std::pair<std::string, SJson>> SheetFrames(const SJson& data);

// The same reading as the files themselves say it, read by the tests' own JSON reader: what the
// parser must give when it reads the files as they are meant.
std::string WrittenReading(const std::vector<std::string>& files);
} // namespace mosvane::test
