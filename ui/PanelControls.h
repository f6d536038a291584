#pragma once
// Controls the tool panels share, each carrying its id: number boxes, edits, buttons and image
// type lists, and the reading of their values as the operations want them.

#include <QString>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

class CWrapRowLayout;
class QCheckBox;
class QComboBox;
class QFrame;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QWidget;

// The picture types of the combine and MNG sequence lists, in their order.
inline constexpr const char* kSequenceImageTypes[] = {"bmp", "jpg", "tga", "png", "gif", "dds"};

// Limits of the up-down boxes: grid counts, and first numbers of a sequence.
inline constexpr int kMaxGridCount = 9999;
inline constexpr int kMaxSequenceNumber = 999999999;
// Limit of a colour channel or alpha value.
inline constexpr int kMaxChannel = 255;

// A value box (number box, list) takes the mouse wheel only while it has the focus: turned over
// it otherwise, the wheel scrolls the pane, as it does over the rest of the panel. Clicking or
// tabbing gives the focus; the wheel itself does not.
void WheelOnlyWithFocus(QWidget* box);

// A digits-only box with up-down arrows, 0..maximum.
QSpinBox* MakeNumberBox(QWidget* parent, int id, int maximum, int32_t value);
// A check box whose text names it, checked when on.
QCheckBox* MakeSwitch(QWidget* parent, int id, const char* text, bool on);
// A digits-only edit without arrows.
QLineEdit* MakeDigitsEdit(QWidget* parent, int id, int32_t value);
QLineEdit* MakeEdit(QWidget* parent, int id, const std::string& text);
// A button whose caption breaks into lines when the pane is narrower than the caption.
QPushButton* MakeButton(QWidget* parent, int id, const char* text);
// The "..." button beside a path box, named for what it browses.
QPushButton* MakeBrowseButton(QWidget* parent, int id, const char* spoken);
// An etched line between the steps of a group.
QFrame* MakeSeparator(int id);
// A line of text across a group that breaks into lines in a narrow pane.
QLabel* MakeCaption(const char* text);
// The six sequence types with the first entry beginning with `seed` (any case) selected, else
// the first entry.
QComboBox* MakeTypeList(QWidget* parent, int id, const std::string& seed);

// Signed decimal as typed; text that is not a number reads as 0.
int32_t ReadNumber(const QLineEdit* edit);
std::string ReadText(const QLineEdit* edit, int maxLength = -1);
std::string ReadSelected(const QComboBox* list);
// A list of the given names with `selected` current (the first name when it is none of them).
QComboBox* MakeNameList(QWidget* parent, int id, const std::vector<std::string>& names, const std::string& selected);

// A chosen folder without its trailing separators ("/" itself stays).
std::string WithoutTrailingSeparators(std::string folder);
// Asks for a folder (owner the frame window); on OK puts it into box, without its trailing
// separators when bTrim, and gives it in folder. False when the person cancels.
bool BrowseFolderInto(QLineEdit* box, bool bTrim, std::string& folder);

// Gives a control its accessible name, and the edit inside a number box the same.
void NameControl(QWidget* control, const QString& name);

// The rows of a panel group, laid in a grid of three columns: labels, fields, browse buttons.
// Every row keeps within the pane's width: labels break into lines, fields shrink down to a
// width that still shows a few characters, and rows of buttons or pairs wrap.
//
// A label in column 0 (none when label is null), the field across the columns up to the browse
// column, and an optional trailing widget (a "..." button or a type list) in column 2.
void AddFieldRow(QGridLayout* grid, int row, const char* label, QWidget* field, QWidget* trailing = nullptr);
// A widget across the three columns.
void AddWideRow(QGridLayout* grid, int row, QWidget* widget);
// The four rows that name a numbered sequence on disk, from row on: the folder caption, the
// folder box with its "..." button, the template caption, and the title with its type list.
void AddSequenceSourceRows(QGridLayout* grid, int row, QLineEdit* folder, QPushButton* browse, QLineEdit* title,
                           QComboBox* type);
// Label and box pairs side by side ("Rows:" [2]  "Cols:" [3]), pairsTogether of them kept on one
// line; each box is named namePrefix and its label.
using LabelledBox = std::pair<const char*, QWidget*>;
void AddPairsRow(QGridLayout* grid, int row, std::initializer_list<LabelledBox> pairs, const QString& namePrefix = {},
                 int pairsTogether = 1);
// A step and the step it leads to, "[Draw Split Line]   --> [Split it!]".
void AddArrowRow(QGridLayout* grid, int row, QPushButton* first, QPushButton* next);
// A row of buttons: the first stretches; the trailing ones keep to the right edge together and
// go below the first when the pane is too narrow for all.
CWrapRowLayout* MakeButtonRow(QPushButton* first, std::initializer_list<QWidget*> trailing);
