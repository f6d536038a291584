#include "ui/TemplateEdit.h"

#include <QApplication>
#include <QKeyEvent>

#include <algorithm>

CTemplateEdit::CTemplateEdit(const QString& allowed, QWidget* parent) : QLineEdit(parent), m_strAllowed(allowed)
{
    connect(this, &QLineEdit::textChanged, this, &CTemplateEdit::OnTextChanged);
}

bool CTemplateEdit::IsAllowed(const QString& text) const
{
    return std::all_of(text.begin(), text.end(), [this](QChar c) { return m_strAllowed.contains(c); });
}

void CTemplateEdit::keyPressEvent(QKeyEvent* event)
{
    // Only printable characters are refused: editing keys carry control characters as their text
    // (Delete is "\x7f" on X11, Backspace "\b") and keep their editing.
    const QString typed = event->text();
    const bool bCommand = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
    const bool bPrintable = !typed.isEmpty() && std::all_of(typed.begin(), typed.end(), [](QChar c) { return c.isPrint(); });
    if (!bCommand && bPrintable && !IsAllowed(typed))
    {
        QApplication::beep();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void CTemplateEdit::OnTextChanged(const QString& text)
{
    if (m_bRestoring)
        return;
    if (IsAllowed(text))
    {
        m_strAccepted = text;
        return;
    }
    // Set from outside or pasted: every way in but typing ends here.
    m_bRestoring = true;
    setText(m_strAccepted);
    m_bRestoring = false;
    setCursorPosition(0);
    QApplication::beep();
}
