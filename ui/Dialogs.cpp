#include "ui/Dialogs.h"

#include "config/StringTable.h"
#include "ops/MainFrame.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>
#include <QStringList>
#include <QUrl>

#include <cstring>
#include <utility>

namespace
{
// A list longer than this is not a list of file types.
constexpr int kMaxFilterEntries = 64;

SDialogHooks& Hooks()
{
    static SDialogHooks hooks;
    return hooks;
}

// The dialogs keep the working folder: relative paths elsewhere in the program stay valid.
constexpr QFileDialog::Options kDialogOptions = QFileDialog::Options();

bool RealOpenFile(QWidget* owner, const QString& filter, std::string& path)
{
    const QString chosen = QFileDialog::getOpenFileName(owner, QString(), QString(), filter, nullptr, kDialogOptions);
    if (chosen.isEmpty())
        return false;
    path = chosen.toStdString();
    return true;
}

bool RealOpenFiles(QWidget* owner, const QString& filter, std::vector<std::string>& paths)
{
    const QStringList chosen = QFileDialog::getOpenFileNames(owner, QString(), QString(), filter, nullptr, kDialogOptions);
    paths.clear();
    for (const QString& one : chosen)
        paths.push_back(one.toStdString());
    return !paths.empty();
}

bool RealSaveFile(QWidget* owner, const QString& filter, const QString& defaultSuffix, std::string& path)
{
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    path = dialog.selectedFiles().front().toStdString();
    return true;
}

bool RealBrowseFolder(QWidget* owner, const QString& title, std::string& path)
{
    const QString chosen = QFileDialog::getExistingDirectory(owner, title);
    if (chosen.isEmpty())
        return false;
    path = chosen.toStdString();
    return true;
}

QMessageBox::Icon BoxIcon(EMessageIcon icon)
{
    switch (icon)
    {
    case EMessageIcon::Information:
        return QMessageBox::Information;
    case EMessageIcon::Exclamation:
        return QMessageBox::Warning;
    case EMessageIcon::Stop:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}
} // namespace

SDialogHooks SetDialogHooks(SDialogHooks hooks)
{
    return std::exchange(Hooks(), std::move(hooks));
}

QWidget* FrameWindowWidget()
{
    IMainFrame* frame = CMainFrame::s_pSingletonMainFrame;
    return frame ? static_cast<QWidget*>(frame->GetFrameWindow()) : nullptr;
}

QString FilterFromStored(const char* pszStored)
{
    static const QRegularExpression trailingList(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    QStringList entries;
    const char* p = pszStored;
    for (int i = 0; p && *p && i < kMaxFilterEntries; ++i)
    {
        const char* pszDescription = p;
        p += std::strlen(p) + 1;
        const char* pszPatterns = p;
        if (!*pszPatterns)
            break;
        p += std::strlen(p) + 1;
        QString description = QString::fromUtf8(pszDescription).remove(trailingList).trimmed();
        QStringList patterns = QString::fromUtf8(pszPatterns).split(u';', Qt::SkipEmptyParts);
        for (QString& one : patterns)
            one = one.trimmed();
        patterns.removeAll(QString());
        if (patterns.isEmpty())
            continue;
        const QString list = patterns.join(u' ');
        entries << (description.isEmpty() ? list : description) + QStringLiteral(" (") + list + u')';
    }
    return entries.join(QStringLiteral(";;"));
}

bool OpenFileDialog(QWidget* owner, const QString& filter, std::string& path)
{
    return Hooks().m_fnOpenFile ? Hooks().m_fnOpenFile(owner, filter, path) : RealOpenFile(owner, filter, path);
}

bool SaveFileDialog(QWidget* owner, const QString& filter, const QString& defaultSuffix, std::string& path)
{
    return Hooks().m_fnSaveFile ? Hooks().m_fnSaveFile(owner, filter, defaultSuffix, path)
                                : RealSaveFile(owner, filter, defaultSuffix, path);
}

bool OpenImageFileDialog(QWidget* owner, std::string& path)
{
    const QString filter = FilterFromStored(GetStringTable().GetStringAt(StbOpenFilters));
    return Hooks().m_fnOpenFile ? Hooks().m_fnOpenFile(owner, filter, path) : RealOpenFile(owner, filter, path);
}

bool OpenImageFilesDialog(QWidget* owner, std::vector<std::string>& paths)
{
    const QString filter = FilterFromStored(GetStringTable().GetStringAt(StbOpenFilters));
    return Hooks().m_fnOpenFiles ? Hooks().m_fnOpenFiles(owner, filter, paths) : RealOpenFiles(owner, filter, paths);
}

bool SaveImageFileDialog(QWidget* owner, std::string& path)
{
    const QString filter = FilterFromStored(GetStringTable().GetStringAt(StbSaveFilters));
    const QString suffix = QStringLiteral("tga");
    return Hooks().m_fnSaveFile ? Hooks().m_fnSaveFile(owner, filter, suffix, path)
                                : RealSaveFile(owner, filter, suffix, path);
}

bool BrowseForFolder(QWidget* owner, std::string& path)
{
    const QString title = QString::fromUtf8(kBrowseFolderTitle);
    return Hooks().m_fnBrowseFolder ? Hooks().m_fnBrowseFolder(owner, title, path)
                                    : RealBrowseFolder(owner, title, path);
}

bool OpenOnDesktop(const QUrl& url)
{
    return Hooks().m_fnOpenUrl ? Hooks().m_fnOpenUrl(url) : QDesktopServices::openUrl(url);
}

void ShowMessageBox(const std::string& text, const std::string& caption, EMessageIcon icon, void* owner)
{
    QMessageBox box(BoxIcon(icon), QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok,
                    static_cast<QWidget*>(owner));
    box.exec();
}

bool AskQuestionBox(const std::string& text, const std::string& caption, void* owner)
{
    QWidget* parent = static_cast<QWidget*>(owner);
    if (Hooks().m_fnQuestion)
        return Hooks().m_fnQuestion(parent, text, caption);
    QMessageBox box(QMessageBox::Question, QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}
