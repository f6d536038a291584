#pragma once
// Controls the tool panels share, each carrying its id: number boxes, edits, buttons and image
// type lists, and the reading of their values as the operations want them.

#include <QString>

#include <cstdint>
#include <string>

class QComboBox;
class QGridLayout;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QWidget;

// The picture types of the combine and MNG sequence lists, in their order.
inline constexpr const char* kSequenceImageTypes[] = {"bmp", "jpg", "tga", "png", "gif", "dds"};

// Limits of the up-down boxes: grid counts, and first numbers of a sequence.
inline constexpr int kMaxGridCount = 9999;
inline constexpr int kMaxSequenceNumber = 999999999;

// A digits-only box with up-down arrows, 0..maximum.
QSpinBox* MakeNumberBox(QWidget* parent, int id, int maximum, int32_t value);
// A digits-only edit without arrows.
QLineEdit* MakeDigitsEdit(QWidget* parent, int id, int32_t value);
QLineEdit* MakeEdit(QWidget* parent, int id, const std::string& text);
QPushButton* MakeButton(QWidget* parent, int id, const char* text);
// The six sequence types with the first entry beginning with `seed` (any case) selected, else
// the first entry.
QComboBox* MakeTypeList(QWidget* parent, int id, const std::string& seed);

// Signed decimal as typed; text that is not a number reads as 0.
int32_t ReadNumber(const QLineEdit* edit);
std::string ReadText(const QLineEdit* edit, int maxLength = -1);
std::string ReadSelected(const QComboBox* list);

// Gives a control its accessible name, and the edit inside a number box the same.
void NameControl(QWidget* control, const QString& name);

// One row of a panel grid: a label in column 0 (none when label is null), field across the
// columns up to the browse column, and an optional trailing widget (a "..." button) in column 2.
void AddFieldRow(QGridLayout* grid, int row, const char* label, QWidget* field, QWidget* trailing = nullptr);
