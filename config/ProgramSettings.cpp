#include "config/ProgramSettings.h"

#include "config/ProgramFolder.h"
#include "xml/XmlDocument.h"

#include <iterator>

namespace
{
// Every value of the file: its section, its attribute and its field, in the order in which the
// file is read and in which missing sections and attributes are added.
struct CField
{
    const char* m_pszSection;
    const char* m_pszAttribute;
    std::string CProgramSettings::*m_pString;
    int32_t CProgramSettings::*m_pNumber;
};

using S = CProgramSettings;
const CField kFields[] = {
    {"Options", "LastBatchFile", &S::m_strLastBatchFile, nullptr},
    {"Output", "Folder", &S::m_strOutputFolder, nullptr},
    {"Output", "FileName", &S::m_strOutputFileName, nullptr},
    {"Output", "ImageType", &S::m_strOutputImageType, nullptr},
    {"Split", "Rows", nullptr, &S::m_nSplitRows},
    {"Split", "Cols", nullptr, &S::m_nSplitCols},
    {"Split", "SeqFrom", nullptr, &S::m_nSplitSeqFrom},
    {"Split", "Template", &S::m_strSplitTemplate, nullptr},
    {"Combination", "SourceFolder", &S::m_strCombineSourceFolder, nullptr},
    {"Combination", "Rows", nullptr, &S::m_nCombineRows},
    {"Combination", "Cols", nullptr, &S::m_nCombineCols},
    {"Combination", "SeqFrom", nullptr, &S::m_nCombineSeqFrom},
    {"Combination", "Template", &S::m_strCombineTemplate, nullptr},
    {"Combination", "ImgType", &S::m_strCombineImgType, nullptr},
    {"Combination", "NameFormat", &S::m_strCombineNameFormat, nullptr},
    {"Alpha", "AlphaA", nullptr, &S::m_nAlphaA},
    {"Alpha", "AlphaR", nullptr, &S::m_nAlphaR},
    {"Alpha", "AlphaG", nullptr, &S::m_nAlphaG},
    {"Alpha", "AlphaB", nullptr, &S::m_nAlphaB},
    {"Alpha", "AlphaImage", &S::m_strAlphaImage, nullptr},
    {"Blend", "BkImg", &S::m_strBlendBkImg, nullptr},
    {"Blend", "OverlayImg", &S::m_strBlendOverlayImg, nullptr},
    {"MNG", "SourceFolder", &S::m_strMngSourceFolder, nullptr},
    {"MNG", "SeqFrom", nullptr, &S::m_nMngSeqFrom},
    {"MNG", "Frames", nullptr, &S::m_nMngFrames},
    {"MNG", "FPS", nullptr, &S::m_nMngFPS},
    {"MNG", "Template", &S::m_strMngTemplate, nullptr},
    {"MNG", "ImageType", &S::m_strMngImageType, nullptr},
    {"MNG", "FileName", &S::m_strMngFileName, nullptr},
};

// Each section once, in the order of the fields.
template <class F>
void ForEachSection(F&& f)
{
    for (size_t i = 0; i < std::size(kFields); ++i)
        if (i == 0 || std::string(kFields[i].m_pszSection) != kFields[i - 1].m_pszSection)
            f(kFields[i].m_pszSection);
}

XmlNode FindSection(const XmlNode& root, const char* pszSection)
{
    return root.SelectPath((std::string("./") + pszSection).c_str(), "/");
}

bool IsSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}
} // namespace

int32_t ReadSettingNumber(const char* pszText)
{
    if (!pszText)
        return 0;
    const char* p = pszText;
    while (IsSpace(*p))
        ++p;
    bool bNegative = false;
    if (*p == '+' || *p == '-')
        bNegative = *p++ == '-';
    int64_t n = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
    {
        n = n * 10 + (*p - '0');
        if (n > int64_t(INT32_MAX) + 1)
            n = int64_t(INT32_MAX) + 1;
    }
    if (bNegative)
        return int32_t(-n);
    return n > INT32_MAX ? INT32_MAX : int32_t(n);
}

std::string SettingsFilePath(const std::string& strProgramFolder)
{
    return WithTrailingSeparator(strProgramFolder) + "Cnfg/Mosvane.xml";
}

bool CProgramSettings::LoadSettings()
{
    return LoadSettings(GetProgramFolder());
}

bool CProgramSettings::LoadSettings(const std::string& strProgramFolder)
{
    XmlDocument doc(XmlDefaultGrowth, true, XmlOptProgram);
    if (!doc.LoadFile(SettingsFilePath(strProgramFolder), XmlOptKeepCurrent))
        return false;
    XmlNode root = doc.Root().Child(0);
    for (const CField& field : kFields)
    {
        // A missing section is an empty handle, whose attributes all read as empty.
        XmlNode section = FindSection(root, field.m_pszSection);
        const char* pszValue = section.Attribute(field.m_pszAttribute).Value();
        if (field.m_pString)
            this->*field.m_pString = pszValue ? pszValue : "";
        else
            this->*field.m_pNumber = ReadSettingNumber(pszValue);
    }

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

bool CProgramSettings::SaveSettings(const std::string& strProgramFolder)
{
    const std::string strPath = SettingsFilePath(strProgramFolder);
    XmlDocument doc(XmlDefaultGrowth, true, XmlOptProgram);
    if (!doc.LoadFile(strPath, XmlOptKeepCurrent))
        return false;
    // A file without any node (only blanks or stray text) would be written back empty, and an
    // empty settings file stops the program at its next start: it gets a root element instead.
    if (doc.Root().ChildCount() == 0)
        doc.Root().AppendChild(XmlKindElement).SetName("Mosvane");
    XmlNode root = doc.Root().Child(0);
    // Missing sections are added after the existing children, in the order of the fields; the
    // Options section too, so that the last batch file is never lost.
    ForEachSection([&](const char* pszSection) {
        if (FindSection(root, pszSection).IsEmpty())
            root.AppendChild(XmlKindElement).SetName(pszSection);
    });
    for (const CField& field : kFields)
    {
        XmlAttribute attribute = FindSection(root, field.m_pszSection).Attribute(field.m_pszAttribute);
        if (field.m_pString)
            attribute.SetValue(this->*field.m_pString);
        else
            attribute.SetLong(this->*field.m_pNumber);
    }
    return doc.Save(strPath);
}

CProgramSettings& GetProgramSettings()
{
    static CProgramSettings s_settings;
    return s_settings;
}
