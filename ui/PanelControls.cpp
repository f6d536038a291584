#include "ui/PanelControls.h"

#include "config/DecimalNumber.h"
#include "ui/CommandIds.h"
#include "ui/Dialogs.h"
#include "ui/WrapRowLayout.h"
#include "ui/WrappingButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>

#include <algorithm>
#include <vector>

namespace
{
// The narrowest a text field gets in a narrow pane: room for about ten characters.
constexpr int kMinimumFieldCharacters = 10;
constexpr int kBrowseButtonWidth = 32;

// Passes wheel turns over a box without the focus on to the box's parents.
class CWheelOnlyWithFocus : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Wheel)
            return false;
        auto* box = qobject_cast<QWidget*>(watched);
        if (!box || box->hasFocus())
            return false;
        // Ignored and filtered: the toolkit offers the turn to the parents, up to the pane.
        event->ignore();
        return true;
    }
};

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

void WheelOnlyWithFocus(QWidget* box)
{
    box->setFocusPolicy(Qt::StrongFocus);
    box->installEventFilter(new CWheelOnlyWithFocus(box));
}

QSpinBox* MakeNumberBox(QWidget* parent, int id, int maximum, int32_t value)
{
    auto* box = new QSpinBox(parent);
    WheelOnlyWithFocus(box);
    box->setRange(0, maximum);
    box->setValue(std::clamp<int32_t>(value, 0, maximum));
    SetCommandId(box, id);
    return box;
}

QCheckBox* MakeSwitch(QWidget* parent, int id, const char* text, bool on)
{
    auto* box = new QCheckBox(QString::fromUtf8(text), parent);
    box->setChecked(on);
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
    auto* button = new CWrappingButton(QString::fromUtf8(text), parent);
    button->setAccessibleName(Spoken(button->text()));
    SetCommandId(button, id);
    return button;
}

QPushButton* MakeBrowseButton(QWidget* parent, int id, const char* spoken)
{
    auto* button = new QPushButton(QStringLiteral("..."), parent);
    button->setAccessibleName(QString::fromUtf8(spoken));
    button->setFixedWidth(kBrowseButtonWidth);
    SetCommandId(button, id);
    return button;
}

QFrame* MakeSeparator(int id)
{
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    SetCommandId(line, id);
    return line;
}

QLabel* MakeCaption(const char* text)
{
    auto* caption = new QLabel(QString::fromUtf8(text));
    caption->setWordWrap(true);
    return caption;
}

QComboBox* MakeTypeList(QWidget* parent, int id, const std::string& seed)
{
    auto* list = new QComboBox(parent);
    WheelOnlyWithFocus(list);
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

QComboBox* MakeNameList(QWidget* parent, int id, const std::vector<std::string>& names, const std::string& selected)
{
    auto* list = new QComboBox(parent);
    WheelOnlyWithFocus(list);
    for (const std::string& name : names)
        list->addItem(QString::fromStdString(name));
    list->setCurrentIndex(std::max(0, list->findText(QString::fromStdString(selected))));
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

std::string WithoutTrailingSeparators(std::string folder)
{
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

bool BrowseFolderInto(QLineEdit* box, bool bTrim, std::string& folder)
{
    if (!BrowseForFolder(FrameWindowWidget(), folder))
        return false;
    if (bTrim)
        folder = WithoutTrailingSeparators(folder);
    box->setText(QString::fromStdString(folder));
    return true;
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
    if (qobject_cast<QLineEdit*>(field))
        field->setMinimumWidth(field->fontMetrics().averageCharWidth() * kMinimumFieldCharacters);
    if (label)
    {
        QLabel* text = MakeCaption(label);
        text->setBuddy(field);
        if (field->accessibleName().isEmpty())
            NameControl(field, Spoken(text->text()));
        grid->addWidget(text, row, column++);
    }
    grid->addWidget(field, row, column, 1, (trailing ? 2 : 3) - column);
    if (trailing)
        grid->addWidget(trailing, row, 2);
}

void AddWideRow(QGridLayout* grid, int row, QWidget* widget)
{
    grid->addWidget(widget, row, 0, 1, 3);
}

void AddSequenceSourceRows(QGridLayout* grid, int row, QLineEdit* folder, QPushButton* browse, QLineEdit* title,
                           QComboBox* type)
{
    QLabel* folderCaption = MakeCaption("Input folder containing sequence images:");
    folderCaption->setBuddy(folder);
    folder->setAccessibleName(QStringLiteral("Input folder containing sequence images"));
    AddWideRow(grid, row, folderCaption);
    AddFieldRow(grid, row + 1, nullptr, folder, browse);
    AddWideRow(grid, row + 2, MakeCaption("Use sequence numbers to replace #'s"));
    AddFieldRow(grid, row + 3, "File Title Name:", title, type);
}

void AddPairsRow(QGridLayout* grid, int row, std::initializer_list<LabelledBox> pairs, const QString& namePrefix,
                 int pairsTogether)
{
    auto* line = new CWrapRowLayout;
    line->SetPacked(true);
    std::vector<QWidget*> segment;
    for (const auto& [label, box] : pairs)
    {
        auto* text = new QLabel(QString::fromUtf8(label));
        text->setBuddy(box);
        NameControl(box, namePrefix + Spoken(text->text()));
        segment.insert(segment.end(), {text, box});
        if (int(segment.size()) == 2 * pairsTogether)
            line->AddSegment(std::exchange(segment, {}));
    }
    if (!segment.empty())
        line->AddSegment(segment);
    grid->addLayout(line, row, 0, 1, 3);
}

void AddArrowRow(QGridLayout* grid, int row, QPushButton* first, QPushButton* next)
{
    auto* line = new CWrapRowLayout;
    line->AddSegment({first});
    line->AddSegment({new QLabel(QStringLiteral("-->")), next});
    grid->addLayout(line, row, 0, 1, 3);
}

CWrapRowLayout* MakeButtonRow(QPushButton* first, std::initializer_list<QWidget*> trailing)
{
    auto* line = new CWrapRowLayout;
    line->AddSegment({first}, first);
    line->AddSegment(trailing);
    return line;
}
