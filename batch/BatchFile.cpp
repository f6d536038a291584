#include "batch/BatchFile.h"

#include "base/FileIo.h"
#include "batch/BatchSections.h"
#include "ops/AnimationFormat.h"

#include <cstring>
#include <functional>
#include <string_view>

namespace
{
// Every document of a batch file: growth increment 4, owning its tree, the program's options.
std::unique_ptr<XmlDocument> MakeDocument()
{
    return std::make_unique<XmlDocument>(XmlDefaultGrowth, true, XmlOptProgram);
}

// The first child of that name, or a new element of that name appended after all children.
XmlNode GetOrCreateChild(XmlNode parent, const char* name)
{
    XmlNode child = parent.ChildByName(name);
    if (child.IsEmpty() || child.Kind() == XmlKindNull)
    {
        child = parent.AppendChild(XmlKindElement);
        child.SetName(name);
    }
    return child;
}

// Where a recorded value goes, for the tables of the Write functions.
constexpr bool In = true, Out = false;

// An integer as the file holds it: decimal, '-' for a negative number.
std::string Text(int32_t value)
{
    return std::to_string(value);
}

// A switch as the file holds it.
std::string Switch(bool on)
{
    return on ? "1" : "0";
}

// A new list element of ratio entries, after all other children.
void AppendRatioList(XmlNode input, const char* listName, const char* entryName, const std::vector<float>& ratios)
{
    XmlNode list = input.AppendChild(XmlKindElement);
    list.SetName(listName);
    for (float ratio : ratios)
    {
        XmlNode entry = list.AppendChild(XmlKindElement);
        entry.SetName(entryName);
        entry.Attribute("Ratio").SetDouble(double(ratio));
    }
}

void RemoveChildrenNamed(XmlNode parent, const char* name)
{
    for (uint32_t i = parent.ChildCount(); i-- > 0;)
    {
        const char* childName = parent.Child(i).Name();
        if (childName && std::strcmp(childName, name) == 0)
            parent.RemoveChild(i);
    }
}
} // namespace

BatchFile::BatchFile() = default;
BatchFile::~BatchFile() = default;

bool BatchFile::NewBatchFile(const std::string& path, std::string* pstrReason)
{
    StartBatchFile(path);
    return SaveBatchFile(pstrReason);
}

void BatchFile::StartBatchFile(const std::string& path)
{
    CloseBatchFile();
    m_pDocument = MakeDocument();
    m_pDocument->CreateEmpty();
    m_root = m_pDocument->Root().AppendChild(XmlKindElement);
    m_root.SetName(kBatchRootName);
    m_strPath = path;
    m_bModified = true;
    m_diskStamp = DiskStamp();
}

bool BatchFile::LoadBatchFile(const std::string& path, std::string* pstrReason)
{
    CloseBatchFile();
    std::unique_ptr<XmlDocument> document = MakeDocument();
    if (!document->LoadFile(path, XmlOptKeepCurrent, pstrReason))
        return false;
    XmlNode first = document->Root().Child(0);
    if (first.IsEmpty() || first.Kind() == XmlKindNull || !first.Name() || std::strcmp(first.Name(), kBatchRootName) != 0)
        return false;
    m_pDocument = std::move(document);
    m_root = first;
    m_strPath = path;
    m_bModified = false;
    m_diskStamp = DiskStamp();
    return true;
}

bool BatchFile::SaveBatchFile(std::string* pstrReason)
{
    if (pstrReason)
        pstrReason->clear();
    if (!m_pDocument || !m_pDocument->Save(m_strPath, pstrReason))
        return false;
    m_bModified = false;
    m_diskStamp = DiskStamp();
    return true;
}

void BatchFile::CloseBatchFile()
{
    m_root = XmlNode();
    m_pDocument.reset();
    m_strPath.clear();
    m_bModified = false;
    m_diskStamp = SDiskStamp{};
}

BatchFile::SDiskStamp BatchFile::DiskStamp() const
{
    std::vector<uint8_t> bytes;
    if (m_strPath.empty() || !ReadWholeFile(m_strPath.c_str(), bytes, kXmlMaxFileBytes))
        return SDiskStamp{};
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return SDiskStamp{true, uint64_t(bytes.size()), std::hash<std::string_view>{}(text)};
}

bool BatchFile::ChangedOnDisk() const
{
    return IsOpen() && !(DiskStamp() == m_diskStamp);
}

XmlNode BatchFile::SectionNode(EBatchKind kind) const
{
    if (!m_pDocument)
        return XmlNode();
    XmlNode section = m_root.ChildByName(SectionName(kind));
    return section.Kind() == XmlKindNull ? XmlNode() : section;
}

bool BatchFile::HasSection(EBatchKind kind) const
{
    return !SectionNode(kind).IsEmpty();
}

BatchSection BatchFile::SectionParts(EBatchKind kind) const
{
    XmlNode node = SectionNode(kind);
    return BatchSection{node, node.ChildByName("Output"), node.ChildByName("Input"), node.ChildByName("ApplyToItems")};
}

bool BatchFile::GetSection(EBatchKind kind, BatchSection& section) const
{
    const BatchSection found = SectionParts(kind);
    if (found.m_section.IsEmpty() || found.m_output.IsEmpty() || found.m_input.IsEmpty() || found.m_items.IsEmpty())
        return false;
    section = found;
    return true;
}

bool BatchFile::AddItem(EBatchKind kind, const std::string& path)
{
    XmlNode section = SectionNode(kind);
    if (section.IsEmpty())
        return false;
    XmlNode item = GetOrCreateChild(section, "ApplyToItems").AppendChild(XmlKindElement);
    item.SetName("Item");
    m_bModified = true;
    return item.Attribute("PathName").SetValue(path);
}

bool BatchFile::PrepareSection(EBatchKind kind, BatchSection& section)
{
    if (!m_pDocument)
        return false;
    section.m_section = GetOrCreateChild(m_root, SectionName(kind));
    section.m_output = GetOrCreateChild(section.m_section, "Output");
    section.m_input = GetOrCreateChild(section.m_section, "Input");
    section.m_items = GetOrCreateChild(section.m_section, "ApplyToItems");
    m_bModified = true;
    return !section.m_section.IsEmpty();
}

bool BatchFile::WriteValues(EBatchKind kind, std::initializer_list<SRecordedValue> values, BatchSection& section)
{
    if (!PrepareSection(kind, section))
        return false;
    for (const SRecordedValue& value : values)
    {
        const XmlNode node = value.m_bInput ? section.m_input : section.m_output;
        if (value.m_pszDefault && value.m_strValue == value.m_pszDefault && node.FindAttribute(value.m_pName).IsEmpty())
            continue;
        node.Attribute(value.m_pName).SetValue(value.m_strValue);
    }
    return true;
}

bool BatchFile::WriteValues(EBatchKind kind, std::initializer_list<SRecordedValue> values)
{
    BatchSection section;
    return WriteValues(kind, values, section);
}

bool BatchFile::WriteSplitSection(const SplitInputs& in)
{
    const SequenceRecord& output = in.m_output;
    // Only the template's length is recorded.
    const std::string numberTemplate(size_t(TemplateDigits(output.m_strTemplate)), '#');
    BatchSection s;
    if (!WriteValues(EBatchKind::Split,
                     {{Out, "ImageType", output.m_strType},
                      {Out, "NameFormat", output.m_strTitle},
                      {Out, "FromNumber", Text(output.m_nFromNumber)},
                      {Out, "Folder", output.m_strFolder},
                      {Out, "Template", numberTemplate},
                      {Out, "DataFormat", SheetDataName(in.m_sheet.m_eData), "none"},
                      {In, "Margin", Text(in.m_sheet.m_nMargin), "0"},
                      {In, "Spacing", Text(in.m_sheet.m_nSpacing), "0"},
                      {In, "Trim", Switch(in.m_sheet.m_bTrim), "0"},
                      {In, "SkipEmpty", Switch(in.m_sheet.m_bSkipEmpty), "0"}},
                     s))
        return false;
    RemoveChildrenNamed(s.m_input, "Rows");
    RemoveChildrenNamed(s.m_input, "Cols");
    AppendRatioList(s.m_input, "Rows", "Row", in.m_rowFractions);
    AppendRatioList(s.m_input, "Cols", "Col", in.m_colFractions);
    return true;
}

bool BatchFile::WriteCombineSection(const CombineInputs& in)
{
    const SequenceRecord& output = in.m_output;
    const SequenceRecord& source = in.m_source;
    return WriteValues(EBatchKind::Combine, {{Out, "ImageType", output.m_strType},
                                             {Out, "Folder", output.m_strFolder},
                                             {In, "FromNumber", Text(source.m_nFromNumber)},
                                             {In, "Template", source.m_strTemplate},
                                             {In, "Rows", Text(in.m_nRows)},
                                             {In, "Cols", Text(in.m_nCols)},
                                             {Out, "DataFormat", SheetDataName(in.m_sheet.m_eData), "none"},
                                             {In, "KeepAlpha", Switch(in.m_sheet.m_bKeepAlpha), "0"},
                                             {In, "Padding", Text(in.m_sheet.m_nPadding), "0"},
                                             {In, "Margin", Text(in.m_sheet.m_nMargin), "0"},
                                             {In, "Extrude", Text(in.m_sheet.m_nExtrude), "0"}});
}

bool BatchFile::WriteBlendSection(const BlendInputs& in)
{
    return WriteValues(EBatchKind::Blend, {{Out, "ImageType", in.m_output.m_strType},
                                           {Out, "Folder", in.m_output.m_strFolder},
                                           {In, "BkImg", in.m_strBackgroundPath},
                                           {In, "OverlayImg", in.m_strOverlayPath}});
}

bool BatchFile::WriteAlphaExtractSection(const SequenceRecord& output)
{
    return WriteValues(EBatchKind::AlphaExtract,
                       {{Out, "ImageType", output.m_strType}, {Out, "Folder", output.m_strFolder}});
}

bool BatchFile::WriteRgbAlphaSection(const AlphaRgbInputs& in)
{
    return WriteValues(EBatchKind::RgbAlpha, {{Out, "ImageType", in.m_output.m_strType},
                                              {Out, "Folder", in.m_output.m_strFolder},
                                              {In, "R", Text(in.m_nRed)},
                                              {In, "G", Text(in.m_nGreen)},
                                              {In, "B", Text(in.m_nBlue)},
                                              {In, "A", Text(in.m_nAlpha)}});
}

bool BatchFile::WriteAlphaImageCombineSection(const AlphaImageInputs& in)
{
    return WriteValues(EBatchKind::AlphaImageCombine, {{Out, "ImageType", in.m_output.m_strType},
                                                       {Out, "Folder", in.m_output.m_strFolder},
                                                       {In, "SourceAlphaImage", in.m_strAlphaImagePath}});
}

bool BatchFile::WriteMngSection(const MngInputs& in)
{
    const SequenceRecord& record = in.m_source;
    // The animations go where the interactive command writes them: the Output Settings folder.
    // The frames' folder is no place for them; each item names its own frames.
    // The format is recorded only when it is not MNG, or when the section records one already (a
    // recorded "gif" must not outlive a change back to MNG), so sections of MNG animations keep
    // their bytes.
    MngInputs recorded;
    ReadMngSection(SectionParts(EBatchKind::Mng), recorded, EAbsentValue::Leave);
    EAnimationFormat format = EAnimationFormat::Mng;
    const bool writeFormat = !AnimationFormatFromName(in.m_strFormat, format) || format != EAnimationFormat::Mng ||
                        !recorded.m_strFormat.empty();
    BatchSection s;
    if (!WriteValues(EBatchKind::Mng,
                     {{Out, "ImageType", record.m_strType},
                      {Out, "Folder", in.m_output.m_strFolder},
                      {In, "Template", record.m_strTemplate},
                      {In, "FPS", Text(in.m_nFramesPerSecond)},
                      {In, "FrameCount", Text(in.m_nFrameCount)},
                      {In, "FromNumber", Text(record.m_nFromNumber)}},
                     s))
        return false;
    if (writeFormat)
        s.m_input.Attribute("Format").SetValue(in.m_strFormat.empty() ? AnimationFormatName(format) : in.m_strFormat);
    return true;
}
