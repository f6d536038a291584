// The section readers: every attribute name a batch file is read by stands in this file.

#include "batch/BatchSections.h"
#include "batch/BatchKindTable.h"
#include "config/DecimalNumber.h"

#include <utility>

namespace
{
// The attribute's value, or null when it is missing. With Append a missing attribute of an element
// is appended with an empty value; other nodes (comments, text among the items) must stay what
// they are when the file is written again.
const char* ValueOf(XmlNode node, const char* name, EAbsentValue absent)
{
    const bool append = absent == EAbsentValue::Append && node.Kind() == XmlKindElement;
    return (append ? node.Attribute(name) : node.FindAttribute(name)).Value();
}

// Reads the attributes of one node ("Output" or "Input") into the fields of an inputs value.
class CAttributes
{
public:
    CAttributes(XmlNode node, EAbsentValue absent) : m_node(node), m_eAbsent(absent) {}

    void Text(const char* name, std::string& value) const { value = TextOf(ValueOf(m_node, name, m_eAbsent)); }
    // Read without ever appending it: a value the executor does not use, or one whose absence
    // stands for its default (so that files that never recorded it are saved as they were).
    void RecordedText(const char* name, std::string& value) const
    {
        value = TextOf(ValueOf(m_node, name, EAbsentValue::Leave));
    }
    void Integer(const char* name, int32_t& value) const
    {
        value = ReadDecimalNumber(TextOf(ValueOf(m_node, name, m_eAbsent)).c_str());
    }

    // A setting newer than the format: missing reads as 0 and is never appended, so that executing
    // an older file leaves it as it was.
    void Setting(const char* name, int32_t& value) const
    {
        value = ReadDecimalNumber(TextOf(ValueOf(m_node, name, EAbsentValue::Leave)).c_str());
    }
    void Setting(const char* name, bool& on) const
    {
        int32_t value = 0;
        Setting(name, value);
        on = value != 0;
    }
    // The data format; a name that is none of them reads as none here (SheetDataNameOf tells it).
    void DataFormat(ESheetData& format) const
    {
        std::string name;
        RecordedText("DataFormat", name);
        SheetDataFromName(name, format);
    }

private:
    static std::string TextOf(const char* value) { return value ? std::string(value) : std::string(); }

    XmlNode m_node;
    EAbsentValue m_eAbsent;
};

// One ratio per child node of the list ("Ratio"); a missing list is an empty one.
void ReadRatios(XmlNode list, EAbsentValue absent, std::vector<float>& ratios)
{
    const uint32_t count = list.ChildCount();
    ratios.reserve(count);
    for (uint32_t i = 0; i < count; ++i)
    {
        const char* value = ValueOf(list.Child(i), "Ratio", absent);
        ratios.push_back(float(ReadDecimalFraction(value ? value : "")));
    }
}

void ReadRatioTexts(XmlNode list, SRatioListTexts& texts)
{
    texts = SRatioListTexts{};
    texts.m_bPresent = !list.IsEmpty();
    for (uint32_t i = 0; i < list.ChildCount(); ++i)
    {
        const char* value = ValueOf(list.Child(i), "Ratio", EAbsentValue::Leave);
        texts.m_entries.emplace_back(value ? value : "");
    }
}

// The number template a kind records, for the kinds that have one.
const std::string* NumberTemplateOf(const SplitInputs& inputs)
{
    return &inputs.m_output.m_strTemplate;
}
const std::string* NumberTemplateOf(const CombineInputs& inputs)
{
    return &inputs.m_source.m_strTemplate;
}
const std::string* NumberTemplateOf(const MngInputs& inputs)
{
    return &inputs.m_source.m_strTemplate;
}
template <typename Inputs>
const std::string* NumberTemplateOf(const Inputs&)
{
    return nullptr;
}

// The children of the split's "Input" that hold its grid.
constexpr const char* kRowList = "Rows";
constexpr const char* kColList = "Cols";
} // namespace

void ReadSplitSection(const BatchSection& section, SplitInputs& in, EAbsentValue absent)
{
    in = SplitInputs{};
    const CAttributes output(section.m_output, absent);
    output.Text("Folder", in.m_output.m_strFolder);
    output.Text("ImageType", in.m_output.m_strType);
    output.Text("Template", in.m_output.m_strTemplate);
    output.Integer("FromNumber", in.m_output.m_nFromNumber);
    output.RecordedText("NameFormat", in.m_output.m_strTitle);
    ReadRatios(section.m_input.ChildByName(kRowList), absent, in.m_rowFractions);
    ReadRatios(section.m_input.ChildByName(kColList), absent, in.m_colFractions);
    const CAttributes input(section.m_input, absent);
    output.DataFormat(in.m_sheet.m_eData);
    input.Setting("Margin", in.m_sheet.m_nMargin);
    input.Setting("Spacing", in.m_sheet.m_nSpacing);
    input.Setting("Trim", in.m_sheet.m_bTrim);
    input.Setting("SkipEmpty", in.m_sheet.m_bSkipEmpty);
}

void ReadCombineSection(const BatchSection& section, CombineInputs& in, EAbsentValue absent)
{
    in = CombineInputs{};
    const CAttributes input(section.m_input, absent), output(section.m_output, absent);
    input.Text("Template", in.m_source.m_strTemplate);
    input.Integer("FromNumber", in.m_source.m_nFromNumber);
    input.Integer("Rows", in.m_nRows);
    input.Integer("Cols", in.m_nCols);
    output.Text("ImageType", in.m_output.m_strType);
    output.Text("Folder", in.m_output.m_strFolder);
    output.DataFormat(in.m_sheet.m_eData);
    input.Setting("KeepAlpha", in.m_sheet.m_bKeepAlpha);
    input.Setting("Padding", in.m_sheet.m_nPadding);
    input.Setting("Margin", in.m_sheet.m_nMargin);
    input.Setting("Extrude", in.m_sheet.m_nExtrude);
}

void ReadBlendSection(const BatchSection& section, BlendInputs& in, EAbsentValue absent)
{
    in = BlendInputs{};
    const CAttributes output(section.m_output, absent), input(section.m_input, absent);
    output.Text("Folder", in.m_output.m_strFolder);
    output.Text("ImageType", in.m_output.m_strType);
    input.Text("BkImg", in.m_strBackgroundPath);
    input.Text("OverlayImg", in.m_strOverlayPath);
}

void ReadAlphaExtractSection(const BatchSection& section, SequenceRecord& out, EAbsentValue absent)
{
    out = SequenceRecord{};
    const CAttributes output(section.m_output, absent);
    output.Text("ImageType", out.m_strType);
    output.Text("Folder", out.m_strFolder);
}

void ReadRgbAlphaSection(const BatchSection& section, AlphaRgbInputs& in, EAbsentValue absent)
{
    in = AlphaRgbInputs{};
    const CAttributes output(section.m_output, absent), input(section.m_input, absent);
    output.Text("Folder", in.m_output.m_strFolder);
    output.Text("ImageType", in.m_output.m_strType);
    input.Integer("R", in.m_nRed);
    input.Integer("G", in.m_nGreen);
    input.Integer("B", in.m_nBlue);
    input.Integer("A", in.m_nAlpha);
}

void ReadAlphaImageCombineSection(const BatchSection& section, AlphaImageInputs& in, EAbsentValue absent)
{
    in = AlphaImageInputs{};
    const CAttributes output(section.m_output, absent), input(section.m_input, absent);
    output.Text("Folder", in.m_output.m_strFolder);
    output.Text("ImageType", in.m_output.m_strType);
    input.Text("SourceAlphaImage", in.m_strAlphaImagePath);
}

void ReadMngSection(const BatchSection& section, MngInputs& in, EAbsentValue absent)
{
    in = MngInputs{};
    const CAttributes input(section.m_input, absent), output(section.m_output, absent);
    input.Text("Template", in.m_source.m_strTemplate);
    input.Integer("FromNumber", in.m_source.m_nFromNumber);
    input.Integer("FrameCount", in.m_nFrameCount);
    input.Integer("FPS", in.m_nFramesPerSecond);
    input.RecordedText("Format", in.m_strFormat);
    output.Text("ImageType", in.m_source.m_strType);
    output.Text("Folder", in.m_output.m_strFolder);
}

std::string ReadItemPath(XmlNode entry, EAbsentValue absent)
{
    const char* value = ValueOf(entry, "PathName", absent);
    return value ? std::string(value) : std::string();
}

void ReadSplitRatioTexts(const BatchSection& section, SRatioListTexts& rows, SRatioListTexts& cols)
{
    ReadRatioTexts(section.m_input.ChildByName(kRowList), rows);
    ReadRatioTexts(section.m_input.ChildByName(kColList), cols);
}

std::string UnknownSheetData(const BatchSection& section)
{
    const char* value = ValueOf(section.m_output, "DataFormat", EAbsentValue::Leave);
    ESheetData format;
    return value && !SheetDataFromName(value, format) ? std::string(value) : std::string();
}

std::string ColourOutsideByte(const AlphaRgbInputs& in)
{
    for (const auto& [name, value] : {std::pair{"R", in.m_nRed}, std::pair{"G", in.m_nGreen},
                                      std::pair{"B", in.m_nBlue}, std::pair{"A", in.m_nAlpha}})
        if (value < 0 || value > 255)
            return std::string("the \"") + name + "\" value " + std::to_string(value) + " is outside 0 to 255";
    return std::string();
}

int BatchFile::TemplateDigitsOf(EBatchKind kind) const
{
    const BatchSection section = SectionParts(kind);
    return WithBatchKindRow(kind, [&](const auto& row) {
        typename std::decay_t<decltype(row)>::Inputs inputs;
        row.m_pRead(section, inputs, EAbsentValue::Leave);
        const std::string* numberTemplate = NumberTemplateOf(inputs);
        return numberTemplate ? TemplateDigits(*numberTemplate) : 0;
    });
}
