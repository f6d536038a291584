// mosvane: the window program. Start-up and shutdown live in the ui library, where they are tested.

#include "ui/Application.h"
#include "ops/FrameHooks.h"
#include "ui/Dialogs.h"

#include <QApplication>

int main(int argc, char** argv)
{
    PrepareGlEnvironment();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mosvane"));
    QApplication::setOrganizationName(QStringLiteral("Dravik"));
    QApplication::setDesktopFileName(QStringLiteral("mosvane"));
    QuitOnTerminationSignal();
    // Start-up failures come before any window: their messages are boxes of their own.
    const CFrameHooks messages(FrameHooks{nullptr, ShowMessageBox});
    SApplicationOptions options;
    options.m_strPicture = PictureArgument(QApplication::arguments().mid(1));
    return RunApplication(options);
}
