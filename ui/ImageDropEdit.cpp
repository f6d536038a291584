#include "ui/ImageDropEdit.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

CImageDropEdit::CImageDropEdit(QWidget* parent) : QLineEdit(parent)
{
    setAcceptDrops(true);
}

bool CImageDropEdit::TakesFile(const QString& path)
{
    static const char* const kExtensions[] = {".jpg", ".bmp", ".tga", ".png", ".gif"};
    return std::any_of(std::begin(kExtensions), std::end(kExtensions), [&](const char* extension) {
        return path.endsWith(QString::fromUtf8(extension), Qt::CaseInsensitive);
    });
}

void CImageDropEdit::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        QLineEdit::dragEnterEvent(event);
}

void CImageDropEdit::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        QLineEdit::dragMoveEvent(event);
}

void CImageDropEdit::dropEvent(QDropEvent* event)
{
    if (!event->mimeData()->hasUrls())
    {
        QLineEdit::dropEvent(event);
        return;
    }
    const QList<QUrl> urls = event->mimeData()->urls();
    const QString path = urls.isEmpty() ? QString() : urls.front().toLocalFile();
    if (!path.isEmpty() && TakesFile(path))
        setText(path);
    event->acceptProposedAction();
}
