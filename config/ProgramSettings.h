#pragma once
// The one record of panel values and the last batch file, read from Cnfg/Mosvane.xml beside the
// executable at start-up and written back into that file at exit.

#include <cstdint>
#include <span>
#include <string>

class CProgramSettings
{
public:
    // The values of the panels, section by section of the file, and the last batch file.
    std::string m_strOutputFolder, m_strOutputFileName, m_strOutputImageType;
    int32_t m_nSplitRows = 0, m_nSplitCols = 0, m_nSplitSeqFrom = 0;
    std::string m_strSplitTemplate;
    std::string m_strCombineSourceFolder;
    int32_t m_nCombineRows = 0, m_nCombineCols = 0, m_nCombineSeqFrom = 0;
    std::string m_strCombineTemplate, m_strCombineImgType, m_strCombineNameFormat;
    int32_t m_nAlphaA = 0, m_nAlphaR = 0, m_nAlphaG = 0, m_nAlphaB = 0;
    std::string m_strAlphaImage;
    std::string m_strBlendBkImg, m_strBlendOverlayImg;
    std::string m_strMngSourceFolder, m_strMngFileName;
    int32_t m_nMngSeqFrom = 0, m_nMngFrames = 0, m_nMngFPS = 0;
    std::string m_strMngTemplate, m_strMngImageType;
    std::string m_strMngFormat; // the animation format's name ("mng", "apng", "gif"); empty is "mng"
    // The sheet settings of split and combine: the data file's format by its name ("json-hash",
    // "json-array"; empty or "none": no data file), and the switches as 0 or 1. Keep alpha is on
    // in the shipped file and off where a file does not have it, as the plain opaque sheet.
    std::string m_strSheetData;
    int32_t m_nSplitMargin = 0, m_nSplitSpacing = 0, m_nSplitTrim = 0, m_nSplitSkipEmpty = 0;
    int32_t m_nCombineKeepAlpha = 0, m_nCombinePadding = 0, m_nCombineMargin = 0, m_nCombineExtrude = 0;
    std::string m_strLastBatchFile;

    // Reads the settings file of the executable's folder. False, with no field changed, when the
    // file is missing, empty or cannot be read; malformed XML loads whatever can be found in it.
    // Missing values read as empty strings and 0, except the defaults of the last batch file, the
    // output folder, file name and image type.
    // A file that is not XML text at all (random bytes) is renamed aside to Mosvane.xml.bad (or
    // .bad2, ...), the shipped settings are written in its place and loaded, and pstrNotice (when
    // given) receives the sentence that tells the user so; it is logged as well.
    bool LoadSettings();
    // The same for the program folder given (the folder that holds Cnfg/).
    bool LoadSettings(const std::string& strProgramFolder, std::string* pstrNotice = nullptr);
    // The same from the bytes of a settings file (the shipped one, ShippedSettingsFile()), whose
    // defaults name files of that program folder. False, with no field changed, when they hold no
    // XML.
    bool ReadSettings(std::span<const uint8_t> file, const std::string& strProgramFolder);

    // Reads the file again and stores every field into it, adding missing sections and
    // attributes at the end, so that everything else in the file survives. False, with the reason
    // in pstrReason when given, when the file cannot be read or is not XML text (nothing is
    // written) or the new file cannot be written (the old one stays).
    bool SaveSettings();
    bool SaveSettings(const std::string& strProgramFolder, std::string* pstrReason = nullptr);
};

// The single instance, made on first use with every string empty and every number 0.
CProgramSettings& GetProgramSettings();

// The settings file of a program folder.
std::string SettingsFilePath(const std::string& strProgramFolder);
