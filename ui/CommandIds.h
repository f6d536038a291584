#pragma once
// Numeric ids of the frame's commands and of the controls, as panels and tests hand them on.
// Every action and control carries its id in the property kIdProperty.

#include <QObject>

inline constexpr const char* kIdProperty = "mosvaneId";

enum ECommandId : int
{
    // Frame commands: toolbar, accelerators, Help menu.
    IdFileOpen = 57601,
    IdFileSave = 57603,
    IdAppAbout = 57664,
    IdHelpTopics = 57670,
    IdHelpSupport = 32781,
    IdHelpFeedback = 32782,
    IdHelpWebsite = 32783,
    // Operation commands handed to the frame by the panels.
    IdDrawSplitLine = 1017,
    IdSplit = 1002,
    IdCombine = 1006,
    IdExtractAlpha = 1007,
    IdAlphaByRgb = 1059,
    IdAlphaImage = 1008,
    IdBlend = 1010,
    IdMakeMng = 1009,
    // Output Settings panel.
    IdOutputType = 1005,
    IdOutputTitle = 1016,
    IdOutputFolder = 1014,
    IdOutputBrowse = 1015,
    IdOutputGroup = 1030,
    // Split and Combine panel. The title and template edits of a numbered sequence carry the
    // same ids in every panel that has one (the combiner's and the MNG maker's).
    IdSequenceTitle = 1021,
    IdSequenceTemplate = 1022,
    IdSplitterGroup = 1027,
    IdSplitRows = 1000,
    IdSplitCols = 1001,
    IdSplitFrom = 1039,
    IdSplitTemplate = 1040,
    IdSplitSeparator = 1042,
    IdSplitHint = 1018,
    IdCombinerGroup = 1028,
    IdCombineFolder = 1019,
    IdCombineBrowse = 1020,
    IdCombineType = 1031,
    IdCombineRows = 1032,
    IdCombineCols = 1033,
    IdCombineFrom = 1023,
    IdCombineSeparator = 1043,
    IdCombinePrepare = 1038,
    IdCombineHint = 1029,
    // The Sheet group of the same panel: the data file and the sheet settings of split and combine.
    IdSheetGroup = 1200,
    IdSheetData = 1201,
    IdSheetSplitMargin = 1202,
    IdSheetSpacing = 1203,
    IdSheetTrim = 1204,
    IdSheetSkipEmpty = 1205,
    IdSheetKeepAlpha = 1206,
    IdSheetPadding = 1207,
    IdSheetCombineMargin = 1208,
    IdSheetExtrude = 1209,
    // Specialties panel: the alpha layer (an alpha picture, or a key colour and its alpha value),
    // the blend and the MNG maker.
    IdAlphaGroup = 1044,
    IdAlphaSeparator = 1065,
    IdAlphaImageFile = 1085,
    IdAlphaBrowse = 1086,
    IdKeySeparator = 1061,
    IdKeyRed = 1055,
    IdKeyGreen = 1057,
    IdKeyBlue = 1056,
    IdKeyAlpha = 1058,
    IdBlendGroup = 1049,
    IdBlendBackground = 1045,
    IdBlendBrowseBackground = 1046,
    IdBlendOverlay = 1047,
    IdBlendBrowseOverlay = 1048,
    IdBlendSeparator = 1062,
    IdMngGroup = 1051,
    IdMngFolder = 1053,
    IdMngBrowse = 1052,
    IdMngType = 1054,
    IdMngFrom = 1060,
    IdMngFrameCount = 1050,
    IdMngFps = 1064,
    IdMngSeparator = 1063,
    IdMngFormat = 1099,
    // Status bar panes.
    IdPaneProgress = 129,
    IdPaneTitle = 128,
};

// What runs commands by id: the frame window. Panels hand it theirs with SendFrameCommand, and so
// depend on this header rather than on the frame's class.
class ICommandTarget
{
public:
    virtual bool OnCommand(int id) = 0;

protected:
    ~ICommandTarget() = default;
};

// Hands a command to the frame's command function (panels use this for what they do not handle
// themselves); false without a frame or for an unknown id.
bool SendFrameCommand(int id);

// Gives an action or control its id.
void SetCommandId(QObject* object, int id);
int CommandIdOf(const QObject* object);

// The first object under root (root included) carrying id and of type T, or null.
template <typename T>
T* FindById(QObject* root, int id)
{
    if (!root)
        return nullptr;
    if (auto* self = qobject_cast<T*>(root); self && CommandIdOf(root) == id)
        return self;
    for (T* child : root->findChildren<T*>())
        if (CommandIdOf(child) == id)
            return child;
    return nullptr;
}
