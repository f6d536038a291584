#include "ui/HintLabel.h"

CHintLabel::CHintLabel(QWidget* parent) : QLabel(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(kRed, kGreen, kBlue));
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);
    // Verdana where it is installed; otherwise the font matcher takes the nearest family.
    QFont face(QStringLiteral("Verdana"), kPointSize, QFont::Bold);
    face.setStyleHint(QFont::SansSerif);
    setFont(face);
    setWordWrap(true);
    setTextInteractionFlags(Qt::NoTextInteraction);
}
