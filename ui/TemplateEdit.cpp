#include "ui/TemplateEdit.h"

#include <QApplication>
#include <QKeyEvent>

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
    const QString typed = event->text();
    const bool bCommand = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
    if (!bCommand && !typed.isEmpty() && typed.front().unicode() >= 32 && !IsAllowed(typed))
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
