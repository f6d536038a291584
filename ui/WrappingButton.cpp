#include "ui/WrappingButton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

#include <algorithm>

namespace
{
constexpr int kCaptionFlags = Qt::TextWordWrap | Qt::TextShowMnemonic;
} // namespace

CWrappingButton::CWrappingButton(const QString& text, QWidget* parent) : QPushButton(text, parent)
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred, QSizePolicy::PushButton);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

QSize CWrappingButton::Padding() const
{
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    return style()->sizeFromContents(QStyle::CT_PushButton, &option, QSize(0, 0), this);
}

QSize CWrappingButton::minimumSizeHint() const
{
    int widest = 0;
    for (const QString& word : text().split(u' ', Qt::SkipEmptyParts))
        widest = std::max(widest, fontMetrics().size(Qt::TextShowMnemonic, word).width());
    const int width = std::min(widest + Padding().width(), sizeHint().width());
    return QSize(width, heightForWidth(width));
}

int CWrappingButton::heightForWidth(int width) const
{
    const QSize padding = Padding();
    const int room = std::max(1, width - padding.width());
    const QRect caption = fontMetrics().boundingRect(QRect(0, 0, room, 1 << 16), kCaptionFlags, text());
    return std::max(sizeHint().height(), caption.height() + padding.height());
}

void CWrappingButton::paintEvent(QPaintEvent* event)
{
    if (width() >= sizeHint().width())
    {
        QPushButton::paintEvent(event);
        return;
    }
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButtonBevel, option);
    const QRect room = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    painter.drawItemText(room, Qt::AlignCenter | kCaptionFlags, option.palette, isEnabled(), caption,
                         QPalette::ButtonText);
}
