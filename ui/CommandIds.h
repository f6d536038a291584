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
    // Status bar panes.
    IdPaneProgress = 129,
    IdPaneTitle = 128,
};

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
