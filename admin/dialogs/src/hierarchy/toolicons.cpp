#include "hierarchy/toolicons.h"

#include <QPainter>
#include <QPixmap>

namespace Security {

namespace {

constexpr int kIconSize = 24;

void DrawPointer(QPainter& painter)
{
    const QPolygonF pointer({ QPointF(6, 3), QPointF(6, 19), QPointF(10, 15), QPointF(13, 21),
        QPointF(15.5, 20), QPointF(12.5, 14), QPointF(18, 14) });
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    painter.drawPolygon(pointer);
}

void DrawPadlock(QPainter& painter)
{
    painter.setPen(QPen(QColor(0x80, 0x50, 0x00), 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(QRectF(15, 11, 6, 7), 0, 180 * 16);
    painter.setBrush(QColor(0xE0, 0xA0, 0x20));
    painter.drawRect(QRectF(14, 15, 8, 7));
}

} // namespace

QIcon ToolIcon(THierarchyTool tool, bool locked)
{
    QPixmap pixmap(kIconSize, kIconSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (tool == THierarchyTool::Select) {
        DrawPointer(painter);
    } else {
        const TArrowShape arrow
            = StraightArrow(QRectF(2, 20, 0, 0), QRectF(21, 4, 0, 0), ToolRelationType(tool));
        arrow.Paint(painter, ToolRelationType(tool), false, QRectF(0, 0, kIconSize, kIconSize));
    }
    if (locked)
        DrawPadlock(painter);
    painter.end();
    return QIcon(pixmap);
}

} // namespace Security
