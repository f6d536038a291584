#include "ui/PanelControls.h"

#include "config/DecimalNumber.h"
#include "ui/CommandIds.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>

#include <algorithm>

namespace
{
// The label's text as a screen reader says it: mnemonics and a trailing colon left out.
QString Spoken(QString text)
{
    text.replace(QStringLiteral("&&"), QStringLiteral("&"));
    text = text.trimmed();
    if (text.endsWith(u':'))
        text.chop(1);
    return text;
}
} // namespace

QSpinBox* MakeNumberBox(QWidget* parent, int id, int maximum, int32_t value)
{
    auto* box = new QSpinBox(parent);
    box->setRange(0, maximum);
    box->setValue(std::clamp<int32_t>(value, 0, maximum));
    SetCommandId(box, id);
    return box;
}

QLineEdit* MakeDigitsEdit(QWidget* parent, int id, int32_t value)
{
    auto* edit = new QLineEdit(QString::number(value), parent);
    static const QRegularExpression digits(QStringLiteral("[0-9]*"));
    edit->setValidator(new QRegularExpressionValidator(digits, edit));
    SetCommandId(edit, id);
    return edit;
}

QLineEdit* MakeEdit(QWidget* parent, int id, const std::string& text)
{
    auto* edit = new QLineEdit(QString::fromStdString(text), parent);
    SetCommandId(edit, id);
    return edit;
}

QPushButton* MakeButton(QWidget* parent, int id, const char* text)
{
    auto* button = new QPushButton(QString::fromUtf8(text), parent);
    button->setAccessibleName(Spoken(button->text()));
    SetCommandId(button, id);
    return button;
}

QComboBox* MakeTypeList(QWidget* parent, int id, const std::string& seed)
{
    auto* list = new QComboBox(parent);
    for (const char* type : kSequenceImageTypes)
        list->addItem(QString::fromUtf8(type));
    list->setCurrentIndex(0);
    const QString prefix = QString::fromStdString(seed);
    for (int i = 0; i < list->count(); ++i)
        if (list->itemText(i).startsWith(prefix, Qt::CaseInsensitive))
        {
            list->setCurrentIndex(i);
            break;
        }
    list->setAccessibleName(QStringLiteral("Image Type"));
    SetCommandId(list, id);
    return list;
}

int32_t ReadNumber(const QLineEdit* edit)
{
    return ReadDecimalNumber(edit->text().toUtf8().constData());
}

std::string ReadText(const QLineEdit* edit, int maxLength)
{
    const QString text = edit->text();
    return (maxLength < 0 ? text : text.left(maxLength)).toStdString();
}

std::string ReadSelected(const QComboBox* list)
{
    return list->currentIndex() < 0 ? std::string() : list->currentText().toStdString();
}

void NameControl(QWidget* control, const QString& name)
{
    control->setAccessibleName(name);
    for (QLineEdit* inner : control->findChildren<QLineEdit*>())
        inner->setAccessibleName(name);
}

void AddFieldRow(QGridLayout* grid, int row, const char* label, QWidget* field, QWidget* trailing)
{
    int column = 0;
    if (label)
    {
        auto* text = new QLabel(QString::fromUtf8(label));
        text->setBuddy(field);
        if (field->accessibleName().isEmpty())
            NameControl(field, Spoken(text->text()));
        grid->addWidget(text, row, column++);
    }
    grid->addWidget(field, row, column, 1, (trailing ? 2 : 3) - column);
    if (trailing)
        grid->addWidget(trailing, row, 2);
}
