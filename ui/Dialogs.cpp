#include "ui/Dialogs.h"

#include "config/StringTable.h"
#include "engine/codecs/Codecs.h"
#include "ops/MainFrame.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
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

bool RealSaveFile(QWidget* owner, const SSaveRequest& request, std::string& path, QString& chosenFilter)
{
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(request.m_strFilter);
    if (!request.m_strFolder.isEmpty())
        dialog.setDirectory(request.m_strFolder);
    if (!request.m_strSelectedFilter.isEmpty())
        dialog.selectNameFilter(request.m_strSelectedFilter);
    // The name the dialog checks for replacement is the one that will be written: with the
    // extension of the entry chosen at the time.
    const auto suffixOf = [&](const QString& entry) {
        const QString extension = FilterExtension(entry);
        return extension.isEmpty() ? request.m_strDefaultSuffix : extension;
    };
    dialog.setDefaultSuffix(suffixOf(dialog.selectedNameFilter()));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&](const QString& entry) { dialog.setDefaultSuffix(suffixOf(entry)); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    path = dialog.selectedFiles().front().toStdString();
    chosenFilter = dialog.selectedNameFilter();
    return true;
}

// The save dialog as asked, the hooks' or the real one; the chosen entry's extension is added to
// a name without one.
bool AskSavePath(QWidget* owner, const SSaveRequest& request, std::string& path)
{
    QString chosen;
    const bool bChosen = Hooks().m_fnSaveFile ? Hooks().m_fnSaveFile(owner, request, path, chosen)
                                              : RealSaveFile(owner, request, path, chosen);
    if (!bChosen)
        return false;
    const QString extension = FilterExtension(chosen);
    path = WithExtension(path, extension.isEmpty() ? request.m_strDefaultSuffix : extension);
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
    SSaveRequest request;
    request.m_strFilter = filter;
    request.m_strDefaultSuffix = defaultSuffix;
    return AskSavePath(owner, request, path);
}

QString FilterExtension(const QString& entry)
{
    static const QRegularExpression firstPattern(QStringLiteral("\\(\\s*\\*\\.([^\\s;*()]+)"));
    const QRegularExpressionMatch match = firstPattern.match(entry);
    return match.hasMatch() ? match.captured(1) : QString();
}

QString FilterEntryFor(const QString& filter, const QString& extension)
{
    if (extension.isEmpty())
        return {};
    const QString pattern = QStringLiteral("*.") + extension;
    for (const QString& entry : filter.split(QStringLiteral(";;")))
    {
        const qsizetype open = entry.lastIndexOf(u'('), close = entry.lastIndexOf(u')');
        if (open < 0 || close < open)
            continue;
        for (const QString& one : entry.mid(open + 1, close - open - 1).split(u' ', Qt::SkipEmptyParts))
            if (one.compare(pattern, Qt::CaseInsensitive) == 0)
                return entry;
    }
    return {};
}

std::string WithExtension(const std::string& path, const QString& extension)
{
    const size_t slash = path.find_last_of('/');
    const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    // A name that is only a leading dot ("."-file) has no extension either.
    const size_t dot = name.find_last_of('.');
    if (extension.isEmpty() || name.empty() || (dot != std::string::npos && dot > 0 && dot + 1 < name.size()))
        return path;
    std::string named = path;
    if (!named.empty() && named.back() == '.')
        named.pop_back();
    return named + "." + extension.toStdString();
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

bool SaveImageFileDialog(QWidget* owner, const std::string& currentPath, std::string& path)
{
    SSaveRequest request;
    request.m_strFilter = FilterFromStored(GetStringTable().GetStringAt(StbSaveFilters));
    request.m_strDefaultSuffix = QStringLiteral("tga");
    if (!currentPath.empty())
    {
        const QFileInfo current(QString::fromStdString(currentPath));
        request.m_strFolder = current.absolutePath();
        // A .jpeg picture is of the type the "jpg" entry writes: the codec table's first extension.
        const gx::SCodecRow* row = gx::CodecRowOf(gx::FileTypeFromPath(currentPath.c_str()));
        const QString canonical = row ? QString::fromUtf8(row->m_pExtensions).section(u'|', 0, 0) : QString();
        request.m_strSelectedFilter = FilterEntryFor(request.m_strFilter, canonical);
    }
    return AskSavePath(owner, request, path);
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
