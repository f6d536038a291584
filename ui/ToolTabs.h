#pragma once
// The tab container of the "Toolkit Space" pane. Its tabs show their image above the caption and
// break a caption of several words onto two lines, so that all three tabs fit the pane's
// first-start width whole: no scroll arrows, no shortened captions.

#include <QTabBar>
#include <QTabWidget>

class CStackedTabBar : public QTabBar
{
    Q_OBJECT
public:
    explicit CStackedTabBar(QWidget* parent = nullptr);

protected:
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }
    void paintEvent(QPaintEvent* event) override;

private:
    // The caption as shown: one line, or two broken at the space that makes the wider line least wide.
    QString ShownCaption(int index) const;
};

class CToolTabs : public QTabWidget
{
    Q_OBJECT
public:
    explicit CToolTabs(QWidget* parent = nullptr);
};
