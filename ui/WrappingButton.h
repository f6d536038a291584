#pragma once
// A push button whose caption breaks onto further lines when the button is narrower than the
// caption, so that a long caption ("Execute Alpha Image Combine Batch") never decides the width of
// a narrow pane. At its natural width it is an ordinary push button.

#include <QPushButton>

class CWrappingButton : public QPushButton
{
    Q_OBJECT
public:
    explicit CWrappingButton(const QString& text, QWidget* parent = nullptr);

    // As narrow as the longest word of the caption allows.
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The bevel and margins around the caption, both sides together.
    QSize Padding() const;
};
