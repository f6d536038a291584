#include "ui/Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace
{
const QColor kInk(40, 50, 90);
const QColor kAccent(200, 40, 40);
const QColor kPaper(245, 245, 235);

QIcon Drawn(int size, const std::function<void(QPainter&, qreal)>& draw)
{
    QIcon icon;
    for (const int px : {16, 32, size})
    {
        QPixmap pixmap(px, px);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(px / 16.0, px / 16.0);
        draw(painter, px / 16.0);
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon ThemedOr(const char* name, const QIcon& fallback)
{
    return QIcon::fromTheme(QString::fromUtf8(name), fallback);
}

// A picture frame cut by one red line each way: the program's mark.
void DrawMark(QPainter& p, qreal)
{
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(QColor(102, 102, 153));
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 2, 2);
    p.setPen(QPen(kAccent, 1.6));
    p.drawLine(QPointF(8, 2), QPointF(8, 14));
    p.drawLine(QPointF(2, 8), QPointF(14, 8));
}
} // namespace

QIcon ProgramIcon()
{
    return Drawn(64, DrawMark);
}

QIcon OpenIcon()
{
    return ThemedOr("document-open", Drawn(16, [](QPainter& p, qreal) {
                        p.setPen(QPen(kInk, 1));
                        p.setBrush(QColor(230, 190, 90));
                        p.drawRect(QRectF(1.5, 4.5, 12, 9));
                        p.drawRect(QRectF(1.5, 2.5, 5, 2));
                    }));
}

QIcon SaveIcon()
{
    return ThemedOr("document-save", Drawn(16, [](QPainter& p, qreal) {
                        p.setPen(QPen(kInk, 1));
                        p.setBrush(QColor(90, 120, 200));
                        p.drawRect(QRectF(1.5, 1.5, 13, 13));
                        p.setBrush(kPaper);
                        p.drawRect(QRectF(4.5, 1.5, 7, 5));
                    }));
}

QIcon HelpIcon()
{
    return ThemedOr("help-browser", Drawn(16, [](QPainter& p, qreal) {
                        p.setPen(QPen(kInk, 1));
                        p.setBrush(QColor(90, 160, 90));
                        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
                        p.setPen(QPen(Qt::white, 1.6));
                        QPainterPath hook;
                        hook.moveTo(5.5, 6);
                        hook.cubicTo(5.5, 3, 10.5, 3, 10.5, 6);
                        hook.cubicTo(10.5, 8, 8, 8, 8, 10);
                        p.setBrush(Qt::NoBrush);
                        p.drawPath(hook);
                        p.drawPoint(QPointF(8, 12.5));
                    }));
}

QIcon TabIcon(int index)
{
    switch (index)
    {
    case 0:
        return Drawn(16, DrawMark);
    case 1:
        return Drawn(16, [](QPainter& p, qreal) {
            // A checkerboard half covered by colour: alpha work.
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 4; ++x)
                    p.fillRect(QRectF(2 + 3 * x, 2 + 3 * y, 3, 3), (x + y) % 2 ? Qt::lightGray : Qt::white);
            p.setPen(QPen(kInk, 1));
            p.setBrush(QColor(200, 60, 160, 170));
            p.drawEllipse(QRectF(4.5, 4.5, 10, 10));
        });
    default:
        return Drawn(16, [](QPainter& p, qreal) {
            // A stack of sheets: many items.
            p.setPen(QPen(kInk, 1));
            for (int i = 2; i >= 0; --i)
            {
                p.setBrush(i == 0 ? kPaper : QColor(200, 200, 190));
                p.drawRect(QRectF(2.5 + 2 * i, 1.5 + 2 * i, 9, 10));
            }
        });
    }
}
