#pragma once
// Every modal question the window asks goes through here: the file open, save and folder
// dialogs, opening a document or address on the desktop, and the message boxes. Each has a
// default that shows the real dialog and can be replaced, so that tests answer them.

#include "ops/MessageBox.h"

#include <QString>

#include <functional>
#include <string>
#include <vector>

class QUrl;
class QWidget;

// What a save dialog is asked to show.
struct SSaveRequest
{
    QString m_strFilter;         // the toolkit's form: "Description (*.a *.b);;..."
    QString m_strSelectedFilter; // the entry chosen at first; empty: the first
    QString m_strFolder;         // where the dialog starts; empty: the toolkit's choice
    QString m_strDefaultSuffix;  // for a name without extension when the chosen entry names none
};

struct SDialogHooks
{
    // Each returns true with the chosen path(s); false when the person cancelled.
    std::function<bool(QWidget* owner, const QString& filter, std::string& path)> m_fnOpenFile;
    std::function<bool(QWidget* owner, const QString& filter, std::vector<std::string>& paths)> m_fnOpenFiles;
    // The save dialog also gives the filter entry the person chose.
    std::function<bool(QWidget* owner, const SSaveRequest& request, std::string& path, QString& chosenFilter)>
        m_fnSaveFile;
    std::function<bool(QWidget* owner, const QString& title, std::string& path)> m_fnBrowseFolder;
    // Hands a document or address to the desktop; false when nothing could open it.
    std::function<bool(const QUrl& url)> m_fnOpenUrl;
    // A question with Yes and No; true for Yes.
    std::function<bool(QWidget* owner, const std::string& text, const std::string& caption)> m_fnQuestion;
};

// Installs hooks and returns the previous ones; an empty member means the real dialog.
SDialogHooks SetDialogHooks(SDialogHooks hooks);

// A stored filter list (description NUL patterns NUL ... NUL NUL, patterns separated by ';')
// in the toolkit's form: "Description (*.a *.b);;...". A description's own trailing list in
// parentheses is replaced by the patterns. Pairs without patterns end the list.
QString FilterFromStored(const char* pszStored);

// The frame window, as owner for dialogs, or null when no frame exists.
QWidget* FrameWindowWidget();

// An open and a save dialog with a filter of the toolkit's form (the batch files).
bool OpenFileDialog(QWidget* owner, const QString& filter, std::string& path);
bool SaveFileDialog(QWidget* owner, const QString& filter, const QString& defaultSuffix, std::string& path);

// The open dialogs for pictures, with the string table's open filters.
bool OpenImageFileDialog(QWidget* owner, std::string& path);
bool OpenImageFilesDialog(QWidget* owner, std::vector<std::string>& paths);
// The save dialog for a picture, with the string table's save filters. It starts in the folder of
// the open picture (currentPath) with the entry of its type chosen; a name given without an
// extension gets the chosen entry's ("tga" when the entry names none).
bool SaveImageFileDialog(QWidget* owner, const std::string& currentPath, std::string& path);

// The extension of a filter entry's first pattern ("PNG (*.png)" gives "png"); empty for "*" or
// "*.*" or no pattern.
QString FilterExtension(const QString& entry);
// The entry of a filter list whose patterns hold extension (any case); empty when none does.
QString FilterEntryFor(const QString& filter, const QString& extension);
// path, with "." and extension added when its file name has no extension.
std::string WithExtension(const std::string& path, const QString& extension);

inline constexpr const char* kBrowseFolderTitle = "Select a target folder to output pictures";
// The one folder picker behind every "..." folder button.
bool BrowseForFolder(QWidget* owner, std::string& path);

// Opens a local file or an address in the desktop's program for it.
bool OpenOnDesktop(const QUrl& url);

// The message box the window shows for ShowMessage (owner: a QWidget*, or null).
void ShowMessageBox(const std::string& text, const std::string& caption, EMessageIcon icon, void* owner);
// The question box for AskFrameQuestion: Yes and No, No the default; true for Yes.
bool AskQuestionBox(const std::string& text, const std::string& caption, void* owner);
