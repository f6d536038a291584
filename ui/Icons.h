#pragma once
// The program's pictures, drawn here at run time: the program icon, the toolbar images and the
// three tab images. Toolbar images prefer the desktop theme's icon of the same meaning.

#include <QIcon>

QIcon ProgramIcon();
QIcon OpenIcon();
QIcon SaveIcon();
QIcon HelpIcon();
// Tab images 0 to 2: split grid, alpha and colour, batch list.
QIcon TabIcon(int index);
