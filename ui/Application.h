#pragma once
// Start-up and shutdown of the window program: the string table first, then the settings (each
// failure its own "Error" box and exit code 0), the frame with its placement restored, the event
// loop, and at every normal exit the settings file rewritten.

#include <QStringList>

#include <functional>
#include <string>

class CMainFrameWindow;

struct SApplicationOptions
{
    // The executable's folder (string table, help file); empty: the running executable's.
    std::string m_strProgramFolder;
    // Called once the frame is shown, before the event loop runs (tests drive the frame here).
    std::function<void(CMainFrameWindow&)> m_fnRunning;
    // A picture to open once the frame is shown (the desktop's "Open with"); empty: none.
    std::string m_strPicture;
};

// The picture named on a command line (the arguments after the program's name, Qt's own already
// taken out): the first that is not an option, or after "--" the first at all, as a full path (the
// output folder follows it into later starts from other folders); empty: none.
std::string PictureArgument(const QStringList& arguments);

// Runs the program inside an existing QApplication and returns its exit code.
int RunApplication(const SApplicationOptions& options);

// Makes a SIGTERM (as sent at session logout) end the event loop the normal way, so that the
// placement and the settings are saved. Call once, after the QApplication exists.
void QuitOnTerminationSignal();

// Before the QApplication exists: on X11, Qt is to use EGL (the engine adopts EGL contexts)
// unless the person chose a GL integration; the default surface is a compatibility-profile
// desktop GL context, so the view's immediate-mode drawing works.
void PrepareGlEnvironment();
