#include "ops/SheetData.h"

#include "base/FileIo.h"
#include "base/JsonWriter.h"
#include "config/ProgramVersion.h"
#include "ops/SequenceNaming.h"
#include "ops/WriteGuard.h"

namespace
{
struct SFormatName
{
    ESheetData m_eFormat;
    const char* m_pszName;
};
constexpr SFormatName kFormatNames[] = {
    {ESheetData::None, "none"},
    {ESheetData::JsonHash, "json-hash"},
    {ESheetData::JsonArray, "json-array"},
};

void Rect(CJsonWriter& json, const SSheetRect& rect)
{
    json.BeginObject(true);
    json.Key("x"), json.Integer(rect.m_nX);
    json.Key("y"), json.Integer(rect.m_nY);
    json.Key("w"), json.Integer(rect.m_nWidth);
    json.Key("h"), json.Integer(rect.m_nHeight);
    json.End();
}

void Size(CJsonWriter& json, int64_t width, int64_t height)
{
    json.BeginObject(true);
    json.Key("w"), json.Integer(width);
    json.Key("h"), json.Integer(height);
    json.End();
}

// The members of one frame after its name.
void FrameMembers(CJsonWriter& json, const SSheetFrame& frame)
{
    json.Key("frame"), Rect(json, frame.m_frame);
    json.Key("rotated"), json.Bool(false);
    json.Key("trimmed"), json.Bool(frame.m_bTrimmed);
    json.Key("spriteSourceSize"), Rect(json, frame.m_source);
    json.Key("sourceSize"), Size(json, frame.m_nSourceWidth, frame.m_nSourceHeight);
}
} // namespace

const char* SheetDataName(ESheetData format)
{
    for (const SFormatName& entry : kFormatNames)
        if (entry.m_eFormat == format)
            return entry.m_pszName;
    return kFormatNames[0].m_pszName;
}

bool SheetDataFromName(const std::string& name, ESheetData& format)
{
    format = ESheetData::None;
    if (name.empty())
        return true;
    for (const SFormatName& entry : kFormatNames)
        if (name == entry.m_pszName)
        {
            format = entry.m_eFormat;
            return true;
        }
    return false;
}

std::vector<std::string> SheetDataNames()
{
    std::vector<std::string> names;
    for (const SFormatName& entry : kFormatNames)
        names.emplace_back(entry.m_pszName);
    return names;
}

SSheetFrame WholeFrame(const std::string& name, const SSheetRect& frame)
{
    return SSheetFrame{name, frame, false, {0, 0, frame.m_nWidth, frame.m_nHeight}, frame.m_nWidth, frame.m_nHeight};
}

std::string SheetDataText(const SSheetDescription& sheet, ESheetData format)
{
    CJsonWriter json;
    json.BeginObject();
    json.Key("frames");
    if (format == ESheetData::JsonArray)
    {
        json.BeginArray();
        for (const SSheetFrame& frame : sheet.m_frames)
        {
            json.BeginObject();
            json.Key("filename"), json.String(frame.m_strName);
            FrameMembers(json, frame);
            json.End();
        }
    }
    else
    {
        json.BeginObject();
        for (const SSheetFrame& frame : sheet.m_frames)
        {
            json.Key(frame.m_strName);
            json.BeginObject();
            FrameMembers(json, frame);
            json.End();
        }
    }
    json.End();

    json.Key("animations");
    json.BeginObject();
    json.Key(sheet.m_strAnimation);
    json.BeginArray();
    for (const SSheetFrame& frame : sheet.m_frames)
        json.String(frame.m_strName);
    json.End();
    json.End();

    json.Key("meta");
    json.BeginObject();
    json.Key("app"), json.String(kProgramName);
    json.Key("version"), json.String(kProgramVersion);
    json.Key("image"), json.String(sheet.m_strImage);
    json.Key("format"), json.String(sheet.m_bAlpha ? "RGBA8888" : "RGB888");
    json.Key("size"), Size(json, sheet.m_nWidth, sheet.m_nHeight);
    json.Key("scale"), json.String("1");
    json.End();
    json.End();
    return json.Text();
}

std::string SheetDataPath(const std::string& folder, const std::string& title)
{
    return InFolder(folder, title + ".json");
}

bool WriteSheetData(const std::string& path, const SSheetDescription& sheet, ESheetData format,
                    std::string* pstrReason)
{
    if (format == ESheetData::None)
        return true;
    const std::string text = SheetDataText(sheet, format);
    if (!ReplaceFile(path.c_str(), {reinterpret_cast<const uint8_t*>(text.data()), text.size()}, pstrReason))
        return false;
    NoteWritten(path);
    return true;
}

std::string DataFileFailure(const std::string& path, const std::string& reason)
{
    return "Failed to save the data file as:\n\n " + path + (reason.empty() ? std::string() : "\n\n(" + reason + ")");
}
