#pragma once
// A hint line: black bold text on a light blue-grey ground in a sunken frame, for the steps and
// plans the panels show. It takes no clicks.

#include <QLabel>

class CHintLabel : public QLabel
{
    Q_OBJECT
public:
    static constexpr int kRed = 128, kGreen = 163, kBlue = 201;
    static constexpr int kPointSize = 11;

    explicit CHintLabel(QWidget* parent = nullptr);
};
