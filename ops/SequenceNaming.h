#pragma once
// Names of output files and numbered picture sequences.
//
// Every name is composed by concatenation: only the number field is formatted, every character of
// a folder, title, type or item path is copied as it stands (a '%' stays a '%'). Nothing here
// truncates or touches the file system; a name the system refuses later is a failed write.
// Pure functions, shared by the interactive operations and the batch executors.

#include <cstdint>
#include <string>

// One set of name parts. Filled from the Output Settings panel it holds folder, title and type
// (an empty type means that no image type is selected); filled from a sequence box it holds all
// five.
struct SequenceRecord
{
    std::string m_strFolder;
    std::string m_strTitle;
    std::string m_strTemplate; // number template; its length in characters is the digit count
    std::string m_strType;     // image type without the dot
    int32_t m_nFromNumber = 0;

    bool operator==(const SequenceRecord&) const = default;
};

// A numbered name: head, the number field of width m_nDigits, tail.
struct CSequencePattern
{
    std::string m_strHead;
    int m_nDigits = 0;
    std::string m_strTail;

    std::string NameOf(int64_t number) const;
};

// n in decimal, zero-padded on the left to at least `digits` characters; a negative n is "-"
// followed by zero-padded digits so that the whole field has at least `digits` characters
// (3 digits: 7 -> "007", 1234 -> "1234", -5 -> "-05").
std::string FormatNumberField(int64_t number, int digits);

// Length in characters (UTF-8 code points) of a number template.
int TemplateDigits(const std::string& strTemplate);

// The single output path: folder "/" title "." type. Fails when no type is selected or the folder
// or the title is empty.
bool BuildOutputPath(const SequenceRecord& output, std::string& path);

// The animation output path: the single output path with the extension (no dot) for its type.
bool BuildMngOutputPath(const SequenceRecord& output, std::string& path, const char* extension = "mng");

// The parts for numbered output: folder, title and type. Fails when no type is selected or the
// title is empty; an empty folder is accepted and is the current folder.
bool ReadOutputParts(const SequenceRecord& output, SequenceRecord& parts);

// The file name of a path: what follows its last "/" (the whole path when it has none).
std::string FileNameOf(const std::string& path);

// folder "/" name; an empty folder is the current folder (name alone), never the root.
std::string InFolder(const std::string& folder, const std::string& name);

// folder "/" title <number field of width digits> "." type
CSequencePattern BuildNumberPattern(const std::string& folder, const std::string& title, int digits,
                                    const std::string& type);

// The pattern of a sequence box: its folder, title, template length as digit count, and type.
CSequencePattern BuildSourcePattern(const SequenceRecord& source);

// folder "/" title <digits times '#'> "." type, the form shown to the user for a split.
std::string TemplateDisplay(const std::string& folder, const std::string& title, int digits, const std::string& type);

// title <number field> "." type, without the folder (combine preparation).
std::string SequenceRangeName(const std::string& title, int digits, int64_t number, const std::string& type);

// The title of a batch item path: the file name after the last "/" without its last four
// characters ("in/car.png" -> "car"); empty when the name is shorter.
std::string ItemTitle(const std::string& path);

// The name of the one picture a batch item gives: folder "/" title suffix "." type.
std::string ItemOutputName(const std::string& folder, const std::string& title, const std::string& suffix,
                           const std::string& type);

// The item's title, or for an empty one the decimal text of a pseudo-random number from 0 to
// 32767: the sequence kinds name their one output after the title alone. The number is drawn from
// the item's position in its list, so that a run spread over processes or machines names the file
// as one plain run does.
std::string ItemTitleOrRandom(const std::string& path, uint32_t position);

// Natural order of file names: runs of digits compare by their value, so "frame2" comes before
// "frame10"; other characters compare byte by byte. Names that differ only in leading zeros
// ("f01", "f1") keep a fixed order by their bytes.
bool NaturalNameLess(const std::string& a, const std::string& b);

// The numbered sequence of a batch item path: the number field goes before the last four
// characters ("seq/walk.png" with 4 digits names "seq/walk0001.png" for 1), or in front of the
// whole path when it is shorter.
CSequencePattern ItemSequencePattern(const std::string& path, int digits);
