#include "ui/Application.h"

#include "config/DataFolders.h"
#include "config/Log.h"
#include "config/ProgramFolder.h"
#include "config/ProgramSettings.h"
#include "config/StringTable.h"
#include "ops/MessageBox.h"
#include "ui/Dialogs.h"
#include "ui/MainFrm.h"
#include "ui/WindowPlacement.h"
#include "view/MosvaneView.h"

#include <QApplication>
#include <QFileInfo>
#include <QSettings>
#include <QTimer>
#include <QSocketNotifier>
#include <QSurfaceFormat>

#include <csignal>
#include <memory>
#include <unistd.h>

namespace
{
int s_quitPipe[2] = {-1, -1};

void OnTerminationSignal(int)
{
    const char byte = 1;
    // Only async-signal-safe work here: the event loop reads the pipe and quits.
    [[maybe_unused]] const ssize_t written = ::write(s_quitPipe[1], &byte, 1);
}

// Start-up failures have no window to own them: the message stands alone.
void StartupError(const char* text)
{
    ShowMessage(text, "Error", EMessageIcon::Stop, nullptr);
}
} // namespace

void PrepareGlEnvironment()
{
    if (qEnvironmentVariableIsEmpty("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "xcb_egl");
    QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    QSurfaceFormat::setDefaultFormat(format);
}

void QuitOnTerminationSignal()
{
    if (s_quitPipe[0] >= 0 || ::pipe(s_quitPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(s_quitPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
        char byte = 0;
        [[maybe_unused]] const ssize_t n = ::read(s_quitPipe[0], &byte, 1);
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
}

std::string PictureArgument(const QStringList& arguments)
{
    bool bOptionsEnded = false;
    for (const QString& argument : arguments)
    {
        if (!bOptionsEnded && argument == QStringLiteral("--"))
            bOptionsEnded = true;
        else if (bOptionsEnded || !argument.startsWith(QLatin1Char('-')))
            return QFileInfo(argument).absoluteFilePath().toStdString();
    }
    return {};
}

int RunApplication(const SApplicationOptions& options)
{
    const SDataFolders folders =
        ResolveDataFolders(options.m_strProgramFolder.empty() ? GetProgramFolder() : options.m_strProgramFolder);
    if (folders.m_bInstalled)
        SetLogFolder(folders.m_strLog);

    if (!GetStringTable().LoadStringTable(folders.m_strProgram))
    {
        StartupError("Error to open program string table files!");
        return 0;
    }
    CProgramSettings& settings = GetProgramSettings();
    std::string notice;
    if (!settings.LoadSettings(folders.m_strData, &notice))
    {
        StartupError("Error to open program setting files!");
        return 0;
    }
    // A settings file that was no XML was kept aside: said once, before the window comes up.
    if (!notice.empty())
        ShowMessage(notice, "Sorry", EMessageIcon::Exclamation, nullptr);

    int result = 0;
    {
        auto frame = std::make_unique<CMainFrameWindow>(folders.m_strProgram);
        if (frame->IsCreated())
        {
            QSettings placement(QString::fromUtf8(kSettingsOrganization), QString::fromUtf8(kSettingsApplication));
            frame->RestoreAndShow(placement);
            // Once the shown window has its GL surface; a picture that does not load is said as
            // for Open, and the window stays.
            if (!options.m_strPicture.empty())
                QTimer::singleShot(0, frame.get(), [&frame, &options] { frame->View()->LoadCommand(options.m_strPicture); });
            if (options.m_fnRunning)
                options.m_fnRunning(*frame);
            result = QApplication::exec();
            frame->SavePlacement(placement);
        }
        // The panels write their values back as the frame goes, before the file is saved.
    }
    // The window is gone: a settings file that cannot be written is named in the log (and on
    // standard error), so that the values are not lost without a word.
    std::string why;
    if (!settings.SaveSettings(folders.m_strData, &why))
        WriteLog("error", "The settings could not be saved to %s: %s", SettingsFilePath(folders.m_strData).c_str(),
                 why.c_str());
    return result;
}
