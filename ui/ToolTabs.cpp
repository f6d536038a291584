#include "ui/ToolTabs.h"

#include <QStyleOptionTab>
#include <QStylePainter>

#include <algorithm>

namespace
{
constexpr int kCaptionFlags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextShowMnemonic;
// Room between the tab's edge and its image or caption, and between the two.
constexpr int kPadding = 5;
constexpr int kIconGap = 2;
} // namespace

CStackedTabBar::CStackedTabBar(QWidget* parent) : QTabBar(parent)
{
    setUsesScrollButtons(false);
    setElideMode(Qt::ElideNone);
    setExpanding(false);
}

QString CStackedTabBar::ShownCaption(int index) const
{
    const QString caption = tabText(index);
    const QFontMetrics metrics = fontMetrics();
    const auto width = [&](const QString& text) { return metrics.size(Qt::TextShowMnemonic, text).width(); };
    QString best = caption;
    int bestWidth = width(caption);
    for (qsizetype at = caption.indexOf(u' '); at > 0; at = caption.indexOf(u' ', at + 1))
    {
        const QString first = caption.left(at), second = caption.mid(at + 1);
        const int wider = std::max(width(first), width(second));
        if (wider < bestWidth)
        {
            bestWidth = wider;
            best = first + u'\n' + second;
        }
    }
    return best;
}

QSize CStackedTabBar::tabSizeHint(int index) const
{
    const QSize caption = fontMetrics().size(Qt::TextShowMnemonic, ShownCaption(index));
    const QSize icon = iconSize();
    // Every tab as high as a two-line caption, so that the strip keeps one height.
    const int height = kPadding * 2 + icon.height() + kIconGap + 2 * fontMetrics().lineSpacing();
    return QSize(std::max(caption.width(), icon.width()) + kPadding * 2, height);
}

void CStackedTabBar::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    for (int i = 0; i < count(); ++i)
    {
        QStyleOptionTab option;
        initStyleOption(&option, i);
        const QIcon icon = option.icon;
        option.text.clear();
        option.icon = QIcon();
        painter.drawControl(QStyle::CE_TabBarTab, option);
        const QRect tab = option.rect;
        const QSize size = iconSize();
        const QRect image(tab.center().x() - size.width() / 2, tab.top() + kPadding, size.width(), size.height());
        const bool bEnabled = isTabEnabled(i);
        icon.paint(&painter, image, Qt::AlignCenter, bEnabled ? QIcon::Normal : QIcon::Disabled);
        const QRect caption(tab.left(), image.bottom() + 1 + kIconGap, tab.width(), tab.bottom() - image.bottom());
        painter.drawItemText(caption, kCaptionFlags, option.palette, bEnabled, ShownCaption(i), QPalette::WindowText);
    }
}

CToolTabs::CToolTabs(QWidget* parent) : QTabWidget(parent)
{
    setTabBar(new CStackedTabBar(this));
}
