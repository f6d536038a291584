#include "batch/RunnerVerbs.h"

#include "batch/BatchKindTable.h"
#include "batch/BatchRunner.h"

#include "config/ProgramSettings.h"
#include "config/ShippedFiles.h"
#include "engine/codecs/Codecs.h"
#include "ops/AnimationFormat.h"

#include <algorithm>
#include <tuple>
#include <type_traits>
#include <charconv>
#include <filesystem>
#include <set>
#include <system_error>

namespace fs = std::filesystem;

namespace
{
// The largest grid the panels take, and the largest first number.
constexpr int32_t kMaxGrid = 9999;
constexpr int32_t kMaxNumber = 999999999;

constexpr SVerbOption Number(const char* name, const char* value, const char* help, int32_t min, int32_t max,
                             int32_t* (*field)(SVerbValues&))
{
    return {name, value, help, EVerbValue::Number, min, max, field, nullptr};
}

constexpr SVerbOption Value(EVerbValue type, const char* name, const char* value, const char* help,
                            std::string* (*field)(SVerbValues&))
{
    return {name, value, help, type, 0, 0, nullptr, field};
}

constexpr int32_t kMaxSpacing = kMaxSheetSpacing;
constexpr const char* kDataHelp = "data file <title>.json written beside the pictures: none, json-hash or json-array";

constexpr const char* kFolderHelp = "folder the results are written to";
constexpr const char* kTypeHelp = "image type of the results: png, jpg, bmp or tga";
constexpr const char* kTemplateHelp = "its length is the number of digits, 001 for ###";

// One row per option. A new option of a kind is one row here (and its field in the kind's inputs
// value, which the section's writer and reader record and read).
constexpr SVerbOption kSplitOptions[] = {
    Number("--rows", "ROWS", "rows of the grid", 1, kMaxGrid, [](SVerbValues& v) { return &v.m_nSplitRows; }),
    Number("--cols", "COLS", "columns of the grid", 1, kMaxGrid, [](SVerbValues& v) { return &v.m_nSplitCols; }),
    Number("--from", "N", "number of each picture's first tile", 0, kMaxNumber,
           [](SVerbValues& v) { return &v.m_split.m_output.m_nFromNumber; }),
    Value(EVerbValue::Text, "--template", "###", kTemplateHelp,
          [](SVerbValues& v) { return &v.m_split.m_output.m_strTemplate; }),
    Value(EVerbValue::Type, "--type", "TYPE", kTypeHelp, [](SVerbValues& v) { return &v.m_split.m_output.m_strType; }),
    Value(EVerbValue::Folder, "-o", "DIR", kFolderHelp, [](SVerbValues& v) { return &v.m_split.m_output.m_strFolder; }),
    Value(EVerbValue::Text, "--title", "NAME", "file title recorded in a saved batch file; the tiles are named after each picture",
          [](SVerbValues& v) { return &v.m_split.m_output.m_strTitle; }),
    Value(EVerbValue::DataFormat, "--data", "FORMAT", kDataHelp, [](SVerbValues& v) { return &v.m_strSplitData; }),
    Number("--margin", "PIXELS", "pixels left out around the grid", 0, kMaxSpacing,
           [](SVerbValues& v) { return &v.m_split.m_sheet.m_nMargin; }),
    Number("--spacing", "PIXELS", "pixels left out between neighbouring tiles", 0, kMaxSpacing,
           [](SVerbValues& v) { return &v.m_split.m_sheet.m_nSpacing; }),
    Number("--trim", "0|1", "1: each tile cut to its pixels that are not fully transparent, its offset in the data file",
           0, 1, [](SVerbValues& v) { return &v.m_nSplitTrim; }),
    Number("--skip-empty", "0|1", "1: no file for a fully transparent tile (its number is used all the same)", 0, 1,
           [](SVerbValues& v) { return &v.m_nSplitSkipEmpty; }),
};

constexpr SVerbOption kCombineOptions[] = {
    Number("--rows", "ROWS", "rows of the sheet", 1, kMaxGrid, [](SVerbValues& v) { return &v.m_combine.m_nRows; }),
    Number("--cols", "COLS", "columns of the sheet", 1, kMaxGrid, [](SVerbValues& v) { return &v.m_combine.m_nCols; }),
    Number("--from", "N", "number of the first picture of each sequence", 0, kMaxNumber,
           [](SVerbValues& v) { return &v.m_combine.m_source.m_nFromNumber; }),
    Value(EVerbValue::Text, "--template", "###", kTemplateHelp,
          [](SVerbValues& v) { return &v.m_combine.m_source.m_strTemplate; }),
    Value(EVerbValue::Type, "--type", "TYPE", kTypeHelp, [](SVerbValues& v) { return &v.m_combine.m_output.m_strType; }),
    Value(EVerbValue::Folder, "-o", "DIR", kFolderHelp, [](SVerbValues& v) { return &v.m_combine.m_output.m_strFolder; }),
    Value(EVerbValue::DataFormat, "--data", "FORMAT", kDataHelp, [](SVerbValues& v) { return &v.m_strCombineData; }),
    Number("--keep-alpha", "0|1", "1: the sheet keeps alpha when a picture has it (png and tga)", 0, 1,
           [](SVerbValues& v) { return &v.m_nCombineKeepAlpha; }),
    Number("--padding", "PIXELS", "pixels left empty between cells", 0, kMaxSpacing,
           [](SVerbValues& v) { return &v.m_combine.m_sheet.m_nPadding; }),
    Number("--margin", "PIXELS", "pixels left empty around the sheet", 0, kMaxSpacing,
           [](SVerbValues& v) { return &v.m_combine.m_sheet.m_nMargin; }),
    Number("--extrude", "PIXELS", "each picture's border repeated outward by that many pixels", 0, kMaxSpacing,
           [](SVerbValues& v) { return &v.m_combine.m_sheet.m_nExtrude; }),
};

constexpr SVerbOption kBlendOptions[] = {
    Value(EVerbValue::Path, "--background", "FILE", "background picture, stretched to each picture's size",
          [](SVerbValues& v) { return &v.m_blend.m_strBackgroundPath; }),
    Value(EVerbValue::Path, "--overlay", "FILE", "overlay (watermark) picture, drawn over each picture; one of the two is needed",
          [](SVerbValues& v) { return &v.m_blend.m_strOverlayPath; }),
    Value(EVerbValue::Type, "--type", "TYPE", kTypeHelp, [](SVerbValues& v) { return &v.m_blend.m_output.m_strType; }),
    Value(EVerbValue::Folder, "-o", "DIR", kFolderHelp, [](SVerbValues& v) { return &v.m_blend.m_output.m_strFolder; }),
};

constexpr SVerbOption kAlphaExtractOptions[] = {
    Value(EVerbValue::Type, "--type", "TYPE", kTypeHelp, [](SVerbValues& v) { return &v.m_alphaExtract.m_strType; }),
    Value(EVerbValue::Folder, "-o", "DIR", kFolderHelp, [](SVerbValues& v) { return &v.m_alphaExtract.m_strFolder; }),
};

constexpr SVerbOption kRgbAlphaOptions[] = {
    Number("--red", "RED", "red of the colour made transparent", 0, 255, [](SVerbValues& v) { return &v.m_rgbAlpha.m_nRed; }),
    Number("--green", "GREEN", "green of that colour", 0, 255, [](SVerbValues& v) { return &v.m_rgbAlpha.m_nGreen; }),
    Number("--blue", "BLUE", "blue of that colour", 0, 255, [](SVerbValues& v) { return &v.m_rgbAlpha.m_nBlue; }),
    Number("--alpha", "ALPHA", "alpha its pixels get", 0, 255, [](SVerbValues& v) { return &v.m_rgbAlpha.m_nAlpha; }),
    Value(EVerbValue::Type, "--type", "TYPE", kTypeHelp, [](SVerbValues& v) { return &v.m_rgbAlpha.m_output.m_strType; }),
    Value(EVerbValue::Folder, "-o", "DIR", kFolderHelp, [](SVerbValues& v) { return &v.m_rgbAlpha.m_output.m_strFolder; }),
};

constexpr SVerbOption kAlphaImageOptions[] = {
    Value(EVerbValue::Path, "--alpha-image", "FILE", "picture whose grey level becomes the alpha of every picture of its size",
          [](SVerbValues& v) { return &v.m_alphaImage.m_strAlphaImagePath; }),
    Value(EVerbValue::Type, "--type", "TYPE", kTypeHelp, [](SVerbValues& v) { return &v.m_alphaImage.m_output.m_strType; }),
    Value(EVerbValue::Folder, "-o", "DIR", kFolderHelp, [](SVerbValues& v) { return &v.m_alphaImage.m_output.m_strFolder; }),
};

constexpr SVerbOption kMngOptions[] = {
    Number("--frames", "N", "frames of each animation", 1, kMaxNumber,
           [](SVerbValues& v) { return &v.m_mng.m_nFrameCount; }),
    Number("--fps", "N", "frames per second", 1, 1000, [](SVerbValues& v) { return &v.m_mng.m_nFramesPerSecond; }),
    Number("--from", "N", "number of the first frame", 0, kMaxNumber,
           [](SVerbValues& v) { return &v.m_mng.m_source.m_nFromNumber; }),
    Value(EVerbValue::Text, "--template", "###", kTemplateHelp, [](SVerbValues& v) { return &v.m_mng.m_source.m_strTemplate; }),
    Value(EVerbValue::Folder, "-o", "DIR", kFolderHelp, [](SVerbValues& v) { return &v.m_mng.m_output.m_strFolder; }),
    Value(EVerbValue::Animation, "--format", "mng|apng|gif",
          "file format: mng, apng (an animated PNG, DIR/<title>.png, which browsers play) or gif (DIR/<title>.gif)",
          [](SVerbValues& v) { return &v.m_mng.m_strFormat; }),
};

constexpr SVerb kVerbs[] = {
    {EBatchKind::Split, "PICTURE...",
     "Cuts every picture into a grid of R x C tiles, numbered row by row: DIR/<title><number>.<type>.", kSplitOptions},
    {EBatchKind::Combine, "SEQUENCE...",
     "Joins each numbered sequence into one sheet of R x C cells the size of its first picture: DIR/<title>.<type>. "
     "A SEQUENCE is one of its pictures (walk001.png), a folder of them, or its name without the number (walk.png).",
     kCombineOptions},
    {EBatchKind::Blend, "PICTURE...",
     "Draws every picture over the background and under the overlay: DIR/<title>_Blend.<type>.", kBlendOptions},
    {EBatchKind::AlphaExtract, "PICTURE...",
     "Writes the alpha layer of every picture that has one as a grey picture: DIR/<title>_Alpha.<type>.",
     kAlphaExtractOptions},
    {EBatchKind::RgbAlpha, "PICTURE...",
     "Gives every pixel of one colour the chosen alpha (and black): DIR/<title>_AlphaRGB.<type>.", kRgbAlphaOptions},
    {EBatchKind::AlphaImageCombine, "PICTURE...",
     "Takes the alpha of every picture from the alpha image's grey level: DIR/<title>_ImageAlpha.<type>.",
     kAlphaImageOptions},
    {EBatchKind::Mng, "SEQUENCE...",
     "Makes an animation of each numbered sequence of frames, looping for ever: DIR/<title>.mng unless --format "
     "names another format. A SEQUENCE is given as for combine.",
     kMngOptions},
};

// The type is one the engine writes: the extension names a codec row with an encoder.
bool WritableType(const std::string& type)
{
    if (type.empty() || type.find_first_of("./") != std::string::npos)
        return false;
    const gx::SCodecRow* row = gx::CodecRowOf(gx::FileTypeFromPath(("x." + type).c_str()));
    return row && row->m_pEncode;
}

// The parts of text between the separators (empty ones included).
std::vector<std::string> SplitAt(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    size_t at = 0;
    for (size_t end = text.find(separator); end != std::string::npos; end = text.find(separator, at))
    {
        parts.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    parts.push_back(text.substr(at));
    return parts;
}

// The path from the root: a relative one put after the current folder, "." components left out
// (".." stays: through a symbolic link it is not the lexical parent), no trailing separator.
std::string Absolute(const std::string& path)
{
    if (path.empty())
        return path;
    std::string from;
    if (path[0] != '/')
    {
        std::error_code error;
        from = fs::current_path(error).string();
        if (error)
            return path;
    }
    for (const std::string& part : SplitAt(path, '/'))
        if (!part.empty() && part != ".")
            from += (from.empty() || from.back() != '/' ? "/" : "") + part;
    return from.empty() ? "/" : from;
}

bool IsSequence(const SVerb& verb)
{
    return IsSequenceKind(verb.m_eKind);
}

int SequenceDigits(const SVerb& verb, const SVerbValues& values)
{
    const std::string& numbers = verb.m_eKind == EBatchKind::Combine ? values.m_combine.m_source.m_strTemplate
                                                                     : values.m_mng.m_source.m_strTemplate;
    return TemplateDigits(numbers);
}

// The pictures of a folder in natural order of their names.
bool FolderPictures(const std::string& folder, std::vector<std::string>& pictures, std::string& error)
{
    std::error_code code;
    fs::directory_iterator it(folder, code);
    std::vector<std::string> names;
    for (; !code && it != fs::directory_iterator(); it.increment(code))
    {
        const std::string name = it->path().filename().string();
        std::error_code status;
        if (name.empty() || name[0] == '.' || !it->is_regular_file(status) ||
            gx::FileTypeFromPath(name.c_str()) == gx::EFileType::Unknown)
            continue;
        names.push_back(name);
    }
    if (code)
    {
        error = "cannot list the folder '" + folder + "': " + code.message();
        return false;
    }
    std::sort(names.begin(), names.end(), NaturalNameLess);
    for (const std::string& name : names)
        pictures.push_back((fs::path(folder) / name).string());
    return true;
}
} // namespace

SVerbValues VerbValuesOf(const CProgramSettings& s)
{
    const SequenceRecord output{s.m_strOutputFolder, s.m_strOutputFileName, "", s.m_strOutputImageType, 0};
    SVerbValues v;
    v.m_split.m_output = output;
    v.m_split.m_output.m_strTemplate = s.m_strSplitTemplate;
    v.m_split.m_output.m_nFromNumber = s.m_nSplitSeqFrom;
    v.m_nSplitRows = s.m_nSplitRows;
    v.m_nSplitCols = s.m_nSplitCols;
    v.m_combine = {output,
                   {s.m_strCombineSourceFolder, s.m_strCombineNameFormat, s.m_strCombineTemplate, s.m_strCombineImgType,
                    s.m_nCombineSeqFrom},
                   s.m_nCombineRows,
                   s.m_nCombineCols};
    v.m_blend = {output, s.m_strBlendBkImg, s.m_strBlendOverlayImg};
    v.m_alphaExtract = output;
    v.m_rgbAlpha = {output, s.m_nAlphaR, s.m_nAlphaG, s.m_nAlphaB, s.m_nAlphaA};
    v.m_alphaImage = {output, s.m_strAlphaImage};
    v.m_mng = {output,
               {s.m_strMngSourceFolder, s.m_strMngFileName, s.m_strMngTemplate, s.m_strMngImageType, s.m_nMngSeqFrom},
               s.m_nMngFrames,
               s.m_nMngFPS,
               s.m_strMngFormat};
    return v;
}

SVerbValues ShippedVerbValues()
{
    CProgramSettings settings;
    settings.ReadSettings(ShippedSettingsFile(), "");
    SVerbValues values = VerbValuesOf(settings);
    // The window's output folder is beside the program; a verb's is the current folder.
    for (const SVerb& verb : kVerbs)
        for (const SVerbOption& option : verb.m_options)
            if (option.m_eValue == EVerbValue::Folder)
                option.m_pfnText(values)->clear();
    return values;
}

std::span<const SVerb> RunnerVerbs()
{
    return kVerbs;
}

const SVerb* FindVerb(const std::string& name)
{
    for (const SVerb& verb : kVerbs)
        if (name == KindCommandName(verb.m_eKind))
            return &verb;
    return nullptr;
}

const SVerbOption* FindVerbOption(const SVerb& verb, const std::string& name)
{
    for (const SVerbOption& option : verb.m_options)
        if (name == option.m_pszName)
            return &option;
    return nullptr;
}

bool TakeVerbOption(const SVerbOption& option, const std::string& text, SVerbValues& values, std::string& error)
{
    const std::string name = option.m_pszName;
    switch (option.m_eValue)
    {
    case EVerbValue::Number:
    {
        int32_t number = 0;
        const auto parsed = std::from_chars(text.data(), text.data() + text.size(), number);
        if (text.empty() || parsed.ec != std::errc() || parsed.ptr != text.data() + text.size() || number < option.m_nMin ||
            number > option.m_nMax)
        {
            error = name + " '" + text + "' is not a whole number from " + std::to_string(option.m_nMin) + " to " +
                    std::to_string(option.m_nMax);
            return false;
        }
        *option.m_pfnNumber(values) = number;
        return true;
    }
    case EVerbValue::Type:
        if (!WritableType(text))
        {
            error = name + " '" + text + "' is not an image type Mosvane writes (png, jpg, bmp or tga)";
            return false;
        }
        break;
    case EVerbValue::DataFormat:
    {
        ESheetData format;
        if (text.empty() || !SheetDataFromName(text, format))
        {
            error = name + " '" + text + "' is none of none, json-hash and json-array";
            return false;
        }
        break;
    }
    case EVerbValue::Animation:
    {
        EAnimationFormat format = EAnimationFormat::Mng;
        if (text.empty() || !AnimationFormatFromName(text, format))
        {
            error = name + " '" + text + "' is not an animation format (" + AnimationFormatChoices() + ")";
            return false;
        }
        break;
    }
    case EVerbValue::Text:
    case EVerbValue::Folder:
        if (text.empty())
        {
            error = name + " needs a value that is not empty";
            return false;
        }
        break;
    case EVerbValue::Path:
        break;
    }
    *option.m_pfnText(values) = option.m_eValue == EVerbValue::Path || option.m_eValue == EVerbValue::Folder
                                    ? Absolute(text)
                                    : text;
    return true;
}

std::string VerbOptionText(const SVerbOption& option, const SVerbValues& values)
{
    SVerbValues copy = values;
    return option.m_eValue == EVerbValue::Number ? std::to_string(*option.m_pfnNumber(copy)) : *option.m_pfnText(copy);
}

bool VerbItems(const SVerb& verb, const SVerbValues& values, const std::vector<std::string>& inputs,
               std::vector<std::string>& items, std::string& error)
{
    const int digits = SequenceDigits(verb, values);
    std::set<std::string> sequences;
    for (const std::string& input : inputs)
    {
        std::error_code code;
        std::vector<std::string> pictures;
        const bool folder = fs::is_directory(input, code);
        if (folder && !FolderPictures(input, pictures, error))
            return false;
        if (!folder)
            pictures.push_back(input);
        for (const std::string& picture : pictures)
        {
            const std::string path = Absolute(picture);
            if (!IsSequence(verb))
            {
                items.push_back(path);
                continue;
            }
            // A member stands for its sequence, named once; anything else names a sequence itself.
            std::string item;
            if (!SequenceItemPath(path, digits, item))
            {
                if (folder)
                    continue;
                item = path;
            }
            if (sequences.insert(item).second)
                items.push_back(item);
        }
    }
    return true;
}

bool WriteVerbSection(BatchFile& batch, const SVerb& verb, const SVerbValues& given, const std::vector<std::string>& items)
{
    SVerbValues values = given;
    // An output folder left at the current folder is recorded as where that is.
    for (const SVerbOption& option : verb.m_options)
        if (option.m_eValue == EVerbValue::Folder && option.m_pfnText(values)->empty())
            *option.m_pfnText(values) = Absolute(".");
    values.m_split.m_rowFractions = EvenFractions(values.m_nSplitRows);
    values.m_split.m_colFractions = EvenFractions(values.m_nSplitCols);
    values.m_split.m_sheet.m_bTrim = values.m_nSplitTrim != 0;
    values.m_split.m_sheet.m_bSkipEmpty = values.m_nSplitSkipEmpty != 0;
    values.m_combine.m_sheet.m_bKeepAlpha = values.m_nCombineKeepAlpha != 0;
    SheetDataFromName(values.m_strSplitData, values.m_split.m_sheet.m_eData);
    SheetDataFromName(values.m_strCombineData, values.m_combine.m_sheet.m_eData);
    // The kind's row names its section writer; each verb's values are of its row's inputs type.
    auto inputs = std::tie(values.m_split, values.m_combine, values.m_blend, values.m_alphaExtract, values.m_rgbAlpha,
                           values.m_alphaImage, values.m_mng);
    const bool written = WithBatchKindRow(verb.m_eKind, [&](const auto& row) {
        using Inputs = typename std::decay_t<decltype(row)>::Inputs;
        return (batch.*row.m_pWrite)(std::get<Inputs&>(inputs));
    });
    if (!written)
        return false;
    for (const std::string& item : items)
        if (!batch.AddItem(verb.m_eKind, item))
            return false;
    return true;
}

namespace
{
// "  --term VALUE   help ..." wrapped at kUsageWidth, continuation lines under the help's column.
constexpr size_t kUsageWidth = 95;

// Text wrapped at kUsageWidth: the first line after first, the others indented by indent.
std::string Wrapped(const std::string& text, size_t indent, const std::string& first = "")
{
    std::string out, line = first;
    bool empty = true;
    for (const std::string& word : SplitAt(text, ' '))
    {
        if (!empty && line.size() + 1 + word.size() > kUsageWidth)
        {
            out += line + "\n";
            line = std::string(indent, ' ');
            empty = true;
        }
        line += (empty ? "" : " ") + word;
        empty = false;
    }
    return out + line + "\n";
}

std::string OptionEntry(const std::string& term, const std::string& help, size_t column)
{
    const std::string head = "  " + term;
    return Wrapped(help, column, head + std::string(head.size() + 2 <= column ? column - head.size() : 2, ' '));
}

std::string VerbSynopsis(const SVerb& verb)
{
    return std::string(kRunnerProgram) + " " + KindCommandName(verb.m_eKind) + " " + verb.m_pszInputs + " [OPTION]...";
}

// The verb's options, one entry each.
std::string VerbOptionEntries(const SVerb& verb)
{
    size_t column = 0;
    for (const SVerbOption& option : verb.m_options)
        column = std::max(column, std::string(option.m_pszName).size() + std::string(option.m_pszValue).size() + 5);
    std::string text;
    const SVerbValues defaults = ShippedVerbValues();
    for (const SVerbOption& option : verb.m_options)
    {
        const std::string value = VerbOptionText(option, defaults);
        const std::string shown = !value.empty() ? value
                                  : option.m_eValue == EVerbValue::Folder ? std::string("the current folder")
                                                                         : std::string("none");
        text += OptionEntry(std::string(option.m_pszName) + " " + option.m_pszValue,
                            std::string(option.m_pszHelp) + " (default: " + shown + ")", std::max<size_t>(column, 21));
    }
    return text;
}
} // namespace

std::string VerbsUsage()
{
    std::string text = "Verbs:\n"
                       "A verb applies one operation to the pictures named after it, with the values of its batch\n"
                       "section given as options (defaults: those of a fresh settings file). It records them in a\n"
                       "section of a batch file held in memory and executes that section, so its outputs are byte\n"
                       "for byte those of a batch file recording the same values; --save-batch writes that file.\n"
                       "A folder among the inputs stands for its pictures in natural order (frame2 before frame10).\n"
                       "Paths are recorded as absolute paths.\n";
    for (const SVerb& verb : kVerbs)
        text += "\n" + VerbSynopsis(verb) + "\n" + Wrapped(verb.m_pszSummary, 0) + VerbOptionEntries(verb);
    return text;
}

std::string VerbUsage(const SVerb& verb)
{
    return "Usage: " + VerbSynopsis(verb) + "\n\n" + Wrapped(verb.m_pszSummary, 0) + "\nOptions:\n" +
           VerbOptionEntries(verb) +
           OptionEntry("--save-batch FILE", "record the section in the batch file FILE instead of running it", 21) +
           OptionEntry("--run", "with --save-batch: run it as well", 21) +
           OptionEntry("--jobs N, --shard K/N, --list, --json", "as for batch files (" + std::string(kRunnerProgram) +
                       " --help)", 21);
}
