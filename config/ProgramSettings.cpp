#include "config/ProgramSettings.h"

#include "base/FileIo.h"
#include "config/DecimalNumber.h"
#include "config/Log.h"
#include "config/ProgramFolder.h"
#include "config/ShippedFiles.h"
#include "xml/XmlDocument.h"

#include <sys/stat.h>
#include <vector>

namespace
{
using S = CProgramSettings;

// One value of the file: its attribute and the text or number field it is kept in.
struct CField
{
    const char* m_pszAttribute; // null after the last field of a section
    std::string S::*m_pText;
    int32_t S::*m_pNumber;
};
constexpr CField Text(const char* pszAttribute, std::string S::*pField)
{
    return {pszAttribute, pField, nullptr};
}
constexpr CField Number(const char* pszAttribute, int32_t S::*pField)
{
    return {pszAttribute, nullptr, pField};
}

struct CSection
{
    const char* m_pszName;
    CField m_fields[10];
};

// Every value of the file, in the order in which the file is read and in which missing sections
// and attributes are added.
const CSection kSections[] = {
    {"Options", {Text("LastBatchFile", &S::m_strLastBatchFile)}},
    {"Output", {Text("Folder", &S::m_strOutputFolder), Text("FileName", &S::m_strOutputFileName),
                Text("ImageType", &S::m_strOutputImageType)}},
    {"Split", {Number("Rows", &S::m_nSplitRows), Number("Cols", &S::m_nSplitCols),
               Number("SeqFrom", &S::m_nSplitSeqFrom), Text("Template", &S::m_strSplitTemplate)}},
    {"Combination", {Text("SourceFolder", &S::m_strCombineSourceFolder), Number("Rows", &S::m_nCombineRows),
                     Number("Cols", &S::m_nCombineCols), Number("SeqFrom", &S::m_nCombineSeqFrom),
                     Text("Template", &S::m_strCombineTemplate), Text("ImgType", &S::m_strCombineImgType),
                     Text("NameFormat", &S::m_strCombineNameFormat)}},
    {"Alpha", {Number("AlphaA", &S::m_nAlphaA), Number("AlphaR", &S::m_nAlphaR), Number("AlphaG", &S::m_nAlphaG),
               Number("AlphaB", &S::m_nAlphaB), Text("AlphaImage", &S::m_strAlphaImage)}},
    {"Blend", {Text("BkImg", &S::m_strBlendBkImg), Text("OverlayImg", &S::m_strBlendOverlayImg)}},
    {"MNG", {Text("SourceFolder", &S::m_strMngSourceFolder), Number("SeqFrom", &S::m_nMngSeqFrom),
             Number("Frames", &S::m_nMngFrames), Number("FPS", &S::m_nMngFPS), Text("Template", &S::m_strMngTemplate),
             Text("ImageType", &S::m_strMngImageType), Text("FileName", &S::m_strMngFileName),
             Text("Format", &S::m_strMngFormat)}},
    {"Sheet", {Text("DataFormat", &S::m_strSheetData), Number("SplitMargin", &S::m_nSplitMargin),
               Number("Spacing", &S::m_nSplitSpacing), Number("Trim", &S::m_nSplitTrim),
               Number("SkipEmpty", &S::m_nSplitSkipEmpty), Number("KeepAlpha", &S::m_nCombineKeepAlpha),
               Number("Padding", &S::m_nCombinePadding), Number("CombineMargin", &S::m_nCombineMargin),
               Number("Extrude", &S::m_nCombineExtrude)}},
};

// A settings file is XML text: after an optional byte order mark and whitespace it starts with
// markup, and it holds no control byte but tab, line feed and carriage return. Anything else
// (random bytes, a file of another kind saved over it, stray text) holds no settings the reader
// could find, and reading it would start every panel from zeros.
bool IsXmlText(const std::vector<uint8_t>& bytes)
{
    size_t at = bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF ? 3 : 0;
    for (size_t i = at; i < bytes.size(); ++i)
        if (bytes[i] < 32 && bytes[i] != '\t' && bytes[i] != '\n' && bytes[i] != '\r')
            return false;
    while (at < bytes.size() && (bytes[at] == ' ' || bytes[at] == '\t' || bytes[at] == '\n' || bytes[at] == '\r'))
        ++at;
    return at < bytes.size() && bytes[at] == '<';
}

// Moves the file to the first free name of path.bad, path.bad2, ... without replacing anything;
// the name used, or empty (with the file module's reason in why) when it stays where it is.
std::string KeepAside(const std::string& strPath, std::string& why)
{
    for (int n = 1; n <= 100; ++n)
    {
        const std::string strAside = strPath + ".bad" + (n == 1 ? std::string() : std::to_string(n));
        if (RenameWithoutReplacing(strPath.c_str(), strAside.c_str(), &why))
            return strAside;
        struct stat st{};
        if (::lstat(strAside.c_str(), &st) != 0)
            break; // refused for another reason than a name taken
    }
    return {};
}

XmlNode FindSection(const XmlNode& root, const char* pszSection)
{
    return root.SelectPath((std::string("./") + pszSection).c_str(), "/");
}

// Visits the attribute of every field, in the order of the table; a missing attribute is appended
// to its section. With bAddMissing, a missing section is first appended to the root.
template <class F>
void ForEachField(const XmlNode& root, bool bAddMissing, F&& f)
{
    for (const CSection& section : kSections)
    {
        if (bAddMissing && FindSection(root, section.m_pszName).IsEmpty())
            root.AppendChild(XmlKindElement).SetName(section.m_pszName);
        // A missing section is an empty handle, whose attributes all read as empty.
        const XmlNode node = FindSection(root, section.m_pszName);
        for (const CField* pField = section.m_fields; pField->m_pszAttribute; ++pField)
            f(node.Attribute(pField->m_pszAttribute), *pField);
    }
}
} // namespace

std::string SettingsFilePath(const std::string& strProgramFolder)
{
    return WithTrailingSeparator(strProgramFolder) + "Cnfg/Mosvane.xml";
}

bool CProgramSettings::LoadSettings()
{
    return LoadSettings(GetProgramFolder());
}

bool CProgramSettings::LoadSettings(const std::string& strProgramFolder, std::string* pstrNotice)
{
    const std::string strPath = SettingsFilePath(strProgramFolder);
    std::vector<uint8_t> file;
    if (!ReadWholeFile(strPath.c_str(), file, kXmlMaxFileBytes) || file.empty())
        return false;
    if (!IsXmlText(file))
    {
        // The unreadable file is kept for whoever wants to look at it, and the shipped settings
        // take its place, so that the next start reads them without a word.
        const std::span<const uint8_t> shipped = ShippedSettingsFile();
        std::string why;
        const std::string strAside = KeepAside(strPath, why);
        std::string strNotice = "The settings file " + strPath + " is not readable XML. ";
        if (strAside.empty())
            strNotice += "It could not be kept aside (" + why +
                         ") and stays as it is; the shipped settings are used for this run and are not saved.";
        else if (!ReplaceFile(strPath.c_str(), shipped, &why))
            strNotice += "It was kept as " + strAside + "; the shipped settings are used, but could not be written (" +
                         why + ").";
        else
            strNotice += "It was kept as " + strAside + ", and the shipped settings are used.";
        WriteLog("error", "%s", strNotice.c_str());
        if (pstrNotice)
            *pstrNotice = strNotice;
        file.assign(shipped.begin(), shipped.end());
    }
    return ReadSettings(file, strProgramFolder);
}

bool CProgramSettings::ReadSettings(std::span<const uint8_t> file, const std::string& strProgramFolder)
{
    XmlDocument doc(XmlDefaultGrowth, true, XmlOptProgram);
    if (!doc.LoadMemory(file.data(), file.size(), XmlOptKeepCurrent))
        return false;
    ForEachField(doc.Root().Child(0), false, [this](const XmlAttribute& attribute, const CField& field) {
        if (field.m_pText)
            this->*field.m_pText = attribute.Value() ? attribute.Value() : "";
        else
            this->*field.m_pNumber = ReadDecimalNumber(attribute.Value());
    });

    const std::string strFolder = WithTrailingSeparator(strProgramFolder);
    if (m_strLastBatchFile.empty())
        m_strLastBatchFile = strFolder + "Cnfg/BatchMosvane.xml";
    if (m_strOutputFolder.empty())
        m_strOutputFolder = strFolder + "Output";
    // A lone "/" is the root folder and stays.
    while (m_strOutputFolder.size() > 1 && m_strOutputFolder.back() == '/')
        m_strOutputFolder.pop_back();
    if (m_strOutputFileName.empty())
        m_strOutputFileName = "Mosvane";
    if (m_strOutputImageType.empty())
        m_strOutputImageType = "bmp";
    return true;
}

bool CProgramSettings::SaveSettings()
{
    return SaveSettings(GetProgramFolder());
}

bool CProgramSettings::SaveSettings(const std::string& strProgramFolder, std::string* pstrReason)
{
    const std::string strPath = SettingsFilePath(strProgramFolder);
    std::string why;
    auto fail = [&](const std::string& strWhy) {
        if (pstrReason)
            *pstrReason = strWhy;
        return false;
    };
    std::vector<uint8_t> file;
    if (!ReadWholeFile(strPath.c_str(), file, kXmlMaxFileBytes, &why))
        return fail(why);
    // What is no XML was not written by this program: it is not written over either.
    if (!IsXmlText(file))
        return fail("it is not readable XML");
    XmlDocument doc(XmlDefaultGrowth, true, XmlOptProgram);
    if (!doc.LoadMemory(file.data(), file.size(), XmlOptKeepCurrent))
        return fail("it is empty");
    // A file without any node (only blanks or stray text) would be written back empty, and an
    // empty settings file stops the program at its next start: it gets a root element instead.
    if (doc.Root().ChildCount() == 0)
        doc.Root().AppendChild(XmlKindElement).SetName("Mosvane");
    // Missing sections are added after the existing children, the Options section too, so that
    // the last batch file is never lost.
    ForEachField(doc.Root().Child(0), true, [this](const XmlAttribute& attribute, const CField& field) {
        if (field.m_pText)
            attribute.SetValue(this->*field.m_pText);
        else
            attribute.SetLong(this->*field.m_pNumber);
    });
    if (!doc.Save(strPath, &why))
        return fail(why);
    if (pstrReason)
        pstrReason->clear();
    return true;
}

CProgramSettings& GetProgramSettings()
{
    static CProgramSettings s_settings;
    return s_settings;
}
