#pragma once
// The data file a split or a combine writes beside its pictures, for game engines and frameworks
// that cut frames out of a sheet: each frame's name and rectangle, the frames in number order as
// one animation, and the sheet picture it describes.
//
// Two layouts of the same entries, the ones sprite sheet loaders read most:
// - "json-hash": "frames" is an object keyed by frame name;
// - "json-array": "frames" is a list, each entry carrying its name as "filename".
// Each frame holds "frame" {x, y, w, h} (its rectangle in the sheet picture), "rotated" false,
// "trimmed", "spriteSourceSize" {x, y, w, h} (where the frame's pixels sit in the untrimmed
// picture) and "sourceSize" {w, h} (the untrimmed picture). "animations" holds one list named
// after the title; "meta" names the program, its version, the sheet picture's file name, its pixel
// format ("RGBA8888" or "RGB888"), its size and the scale "1".

#include <cstdint>
#include <string>
#include <vector>

enum class ESheetData
{
    None,
    JsonHash,
    JsonArray,
};

// "none", "json-hash", "json-array".
const char* SheetDataName(ESheetData format);
// The format of a name as batch files and settings hold it: those three, and the empty text for
// none. False for any other text (the format is then None).
bool SheetDataFromName(const std::string& name, ESheetData& format);
// Every format's name, none first, for the lists that offer the choice.
std::vector<std::string> SheetDataNames();

struct SSheetRect
{
    int64_t m_nX = 0, m_nY = 0, m_nWidth = 0, m_nHeight = 0;
};

struct SSheetFrame
{
    std::string m_strName;  // the frame's file name, without its folder
    SSheetRect m_frame{};   // in the sheet picture
    bool m_bTrimmed = false;
    SSheetRect m_source{};  // the frame within the untrimmed picture: at 0, 0 and the frame's size when untrimmed
    int64_t m_nSourceWidth = 0, m_nSourceHeight = 0;
};

// An untrimmed frame: its rectangle in the sheet, the whole picture.
SSheetFrame WholeFrame(const std::string& name, const SSheetRect& frame);

struct SSheetDescription
{
    std::vector<SSheetFrame> m_frames; // in number order
    std::string m_strAnimation;        // the title
    std::string m_strImage;            // the sheet picture's file name, without its folder
    bool m_bAlpha = false;             // the picture keeps an alpha channel
    int64_t m_nWidth = 0, m_nHeight = 0;
};

// The text of the data file.
std::string SheetDataText(const SSheetDescription& sheet, ESheetData format);

// folder "/" title ".json"
std::string SheetDataPath(const std::string& folder, const std::string& title);

// Writes the data file through the file module (whole or not at all); on failure pstrReason gets
// the reason. True without writing for ESheetData::None.
bool WriteSheetData(const std::string& path, const SSheetDescription& sheet, ESheetData format,
                    std::string* pstrReason = nullptr);
// The message for a data file that was not written, with the reason.
std::string DataFileFailure(const std::string& path, const std::string& reason);
