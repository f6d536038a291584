#pragma once
// The read side of a batch section: each reader turns one kind's section into the inputs value
// its Write function records (BatchFile.h), reading every attribute of the section once. The only
// place that reads attributes of a batch file by name, so that a new setting is one line here, one
// in the writer and one in the inputs value.
//
// The rules of the file format: text stands as it is, empty when missing; integers are decimal,
// 0 when missing or not a number, saturating at the 32-bit bounds; ratios are read as decimal
// fractions, 0.0 when missing, and held in single precision. Only the length of a number template
// counts (the executors take TemplateDigits of it).

#include "batch/BatchFile.h"

#include <string>
#include <vector>

// What reading does with an attribute that is not there. The executors append it, empty, as batch
// files have always been read (a later save writes it out); a listing, Add Items and the worker
// processes' bookkeeping leave the document as it is.
enum class EAbsentValue
{
    Append,
    Leave,
};

// Each reader starts from an empty value and fills what the section records. A missing "Output"
// or "Input" (an empty handle) reads as one without attributes. The order of the reads is the order
// in which missing attributes are appended.
// Split: m_output holds folder, type, template, from number and, read without appending (the
// executor names pieces after each item), the recorded title "NameFormat"; the fractions are
// the "Rows" and "Cols" lists, one per child node.
// The sheet settings of split and combine came later: never appended, missing reads as the plain
// grid without a data file; a switch is on for any number but 0.
void ReadSplitSection(const BatchSection& section, SplitInputs& inputs, EAbsentValue absent = EAbsentValue::Append);
// Combine: m_source holds template and from number, m_output folder and type.
void ReadCombineSection(const BatchSection& section, CombineInputs& inputs,
                        EAbsentValue absent = EAbsentValue::Append);
void ReadBlendSection(const BatchSection& section, BlendInputs& inputs, EAbsentValue absent = EAbsentValue::Append);
void ReadAlphaExtractSection(const BatchSection& section, SequenceRecord& output,
                             EAbsentValue absent = EAbsentValue::Append);
void ReadRgbAlphaSection(const BatchSection& section, AlphaRgbInputs& inputs,
                         EAbsentValue absent = EAbsentValue::Append);
void ReadAlphaImageCombineSection(const BatchSection& section, AlphaImageInputs& inputs,
                                  EAbsentValue absent = EAbsentValue::Append);
// MNG: m_source holds folder, type (recorded, not used: the animation's format decides the file),
// template and from number of the frames, as WriteMngSection takes them; "Format" of "Input" is
// read without appending (missing, it is MNG).
void ReadMngSection(const BatchSection& section, MngInputs& inputs, EAbsentValue absent = EAbsentValue::Append);

// The data format a split or combine section records when it is none of "none", "json-hash" and
// "json-array" (the readers take it as none); empty when it is one of them or missing.
std::string UnknownSheetData(const BatchSection& section);

// The refusal of a colour-to-alpha section whose R, G, B or A lies outside 0..255, naming the
// attribute and its value; empty when all four are bytes.
std::string ColourOutsideByte(const AlphaRgbInputs& in);

// The path of one entry of "ApplyToItems" ("PathName"), empty when it has none. With Append, an
// element without one gains it, empty; comments and other nodes are never changed.
std::string ReadItemPath(XmlNode entry, EAbsentValue absent = EAbsentValue::Append);

// The split's ratio lists as the file holds them, for a listing: one text per child node of
// "Rows" and of "Cols", empty where a child has no ratio. The document is not changed.
struct SRatioListTexts
{
    bool m_bPresent = false; // the list element exists
    std::vector<std::string> m_entries;
};
void ReadSplitRatioTexts(const BatchSection& section, SRatioListTexts& rows, SRatioListTexts& cols);
