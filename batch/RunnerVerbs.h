#pragma once
// The runner's verbs: one operation over pictures named on the command line, its values given as
// options instead of a batch file. A verb records its values and its pictures into a section of
// an in-memory batch file through the same Write function that Save Config uses, so running it is
// running that section, and --save-batch writes the very file that would give the same outputs.
//
// Every option of every verb is one row of its verb's table (RunnerVerbs.cpp): the name, the
// placeholder of its value, its help text, its range and where in the kind's inputs value it goes.
// The runner's --help, the manual page and the bash completion are made from those rows.

#include "batch/BatchFile.h"
#include "ops/OperationInputs.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

class CProgramSettings;

// The values a verb fills: the inputs value of each kind, and the split's grid counts, which
// become its even fractions as the panel's do.
struct SVerbValues
{
    SplitInputs m_split;
    int32_t m_nSplitRows = 0;
    int32_t m_nSplitCols = 0;
    // The sheet switches and data formats as typed (0 or 1; a format name), which become the
    // kinds' sheet settings when the section is written.
    int32_t m_nSplitTrim = 0, m_nSplitSkipEmpty = 0, m_nCombineKeepAlpha = 0;
    std::string m_strSplitData = "none", m_strCombineData = "none";
    CombineInputs m_combine;
    BlendInputs m_blend;
    SequenceRecord m_alphaExtract;
    AlphaRgbInputs m_rgbAlpha;
    AlphaImageInputs m_alphaImage;
    MngInputs m_mng;
};

// The values of a settings record, as the panels seeded from it would record them.
SVerbValues VerbValuesOf(const CProgramSettings& settings);
// The values of the settings file as it ships, output folders left empty (a verb writes into the
// current folder): every verb's defaults.
SVerbValues ShippedVerbValues();

enum class EVerbValue
{
    Number, // a decimal integer within the option's range
    Text,   // any text, not empty
    Path,   // a file; empty for none, otherwise recorded as an absolute path
    Folder, // the output folder; recorded as an absolute path, empty for the current folder
    Type,   // an image type the engine can write (png, jpg, bmp, tga)
    DataFormat, // a data file format: none, json-hash or json-array
    Animation,  // an animation format by its name (mng, apng, gif)
};

struct SVerbOption
{
    const char* m_pszName;  // "--rows"
    const char* m_pszValue; // "ROWS"; a FILE or DIR completes as a file or folder name
    const char* m_pszHelp;
    EVerbValue m_eValue;
    int32_t m_nMin, m_nMax;                   // for numbers
    int32_t* (*m_pfnNumber)(SVerbValues&);    // for numbers
    std::string* (*m_pfnText)(SVerbValues&);  // for every other value
};

struct SVerb
{
    EBatchKind m_eKind;
    const char* m_pszInputs;  // "PICTURE..." or "SEQUENCE..."
    const char* m_pszSummary; // what the verb does, one or two sentences
    std::span<const SVerbOption> m_options;
};

// Every verb, in the batch panel's row order; a verb is named like its kind (KindCommandName).
std::span<const SVerb> RunnerVerbs();
// The verb of that name, or null.
const SVerb* FindVerb(const std::string& name);
// The verb's option of that name, or null.
const SVerbOption* FindVerbOption(const SVerb& verb, const std::string& name);

// Sets the option's value from its text. False, with a one-line reason, for a value out of its
// range or of the wrong form.
bool TakeVerbOption(const SVerbOption& option, const std::string& text, SVerbValues& values, std::string& error);

// The option's value in values, as it would be typed.
std::string VerbOptionText(const SVerbOption& option, const SVerbValues& values);

// The items of a verb's section from its command-line inputs, in order: a file as it stands, a
// folder as its pictures (regular files of a type the engine reads, not hidden, in natural order).
// For a sequence kind each picture that is a member of a numbered sequence with the kind's number
// of digits stands for that sequence (once), and any other input is the sequence's item path
// itself. Paths are made absolute. False, with the reason, for a folder that cannot be listed.
bool VerbItems(const SVerb& verb, const SVerbValues& values, const std::vector<std::string>& inputs,
               std::vector<std::string>& items, std::string& error);

// Records the verb's values and items as its section of the open batch: values replaced, items
// appended (Save Config, then Add Items). False when the batch is closed.
bool WriteVerbSection(BatchFile& batch, const SVerb& verb, const SVerbValues& values,
                      const std::vector<std::string>& items);

// The "Verbs:" part of the runner's --help: every verb with its synopsis and options.
std::string VerbsUsage();
// The text of "mosvane-batch VERB --help".
std::string VerbUsage(const SVerb& verb);
