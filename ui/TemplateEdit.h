#pragma once
// An edit that holds only characters of an allowed set (a number template: "#"). A typed
// printable character outside the set is refused with a beep; text set from outside or pasted that holds
// one is refused as a whole with a beep, and the edit keeps its old text with the caret at the
// start.

#include <QLineEdit>

class CTemplateEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit CTemplateEdit(const QString& allowed, QWidget* parent = nullptr);

    bool IsAllowed(const QString& text) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnTextChanged(const QString& text);

    QString m_strAllowed;
    QString m_strAccepted;
    bool m_bRestoring = false;
};
