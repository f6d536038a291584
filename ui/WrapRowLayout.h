#pragma once
// A row of controls that keeps to the width it is given. The row is made of segments, each a few
// controls that stay side by side ("Rows:" and its box; "-->" and "Split it!"). All segments
// share one line when they fit at their natural widths; otherwise a segment that does not fit
// starts a new line, and a segment alone on a line too narrow for it shrinks its controls (a
// wrapping caption breaks into lines) down to their minimum widths. On each
// line the stretching controls take the spare width; a line without one puts the spare width
// before its trailing segments, so that they keep to the right edge as the pane grows.

#include <QLayout>

#include <initializer_list>
#include <memory>
#include <vector>

class CWrapRowLayout : public QLayout
{
    Q_OBJECT
public:
    explicit CWrapRowLayout(QWidget* parent = nullptr);
    ~CWrapRowLayout() override;

    // Appends a segment; `stretching` (one of widgets, or null) takes the line's spare width.
    void AddSegment(std::initializer_list<QWidget*> widgets, QWidget* stretching = nullptr);
    void AddSegment(const std::vector<QWidget*>& widgets, QWidget* stretching = nullptr);
    // Packed rows keep every segment to the left (label and box pairs) instead of moving the
    // trailing ones to the right edge.
    void SetPacked(bool bPacked) { m_bPacked = bPacked; }

    // QLayout
    void addItem(QLayoutItem* item) override;
    int count() const override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    Qt::Orientations expandingDirections() const override { return Qt::Horizontal; }
    void setGeometry(const QRect& rect) override;

private:
    struct SEntry
    {
        std::unique_ptr<QLayoutItem> m_pItem;
        int m_nSegment = 0;
        bool m_bStretch = false;
    };
    int Gap() const;
    // Lays the row out in rect (only measures when bApply is false); gives the height used.
    int Arrange(const QRect& rect, bool bApply) const;

    std::vector<SEntry> m_entries;
    int m_nSegments = 0;
    bool m_bNextStretches = false;
    bool m_bPacked = false;
};
