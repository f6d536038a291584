#pragma once
// A path edit that takes a picture file dropped on it: the first dropped file, when its extension
// is .jpg, .bmp, .tga, .png or .gif in any case, becomes the text; other files change nothing.

#include <QLineEdit>

class CImageDropEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit CImageDropEdit(QWidget* parent = nullptr);

    static bool TakesFile(const QString& path);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};
