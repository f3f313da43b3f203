#include "hierarchy/groupframe.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cstdint>

namespace Security {

namespace {

const QColor kModificableText(0x00, 0x80, 0x00);
const QColor kBoxFill(0xF4, 0xF4, 0xF4);

QString Text(const std::string& utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

} // namespace

int EncodePosition(QPoint topLeft)
{
    const auto top = static_cast<std::uint32_t>(std::clamp(topLeft.y(), 0, kMaxPositionCoordinate));
    const auto left
        = static_cast<std::uint32_t>(std::clamp(topLeft.x(), 0, kMaxPositionCoordinate));
    return static_cast<int>((top << 16) | left);
}

QPoint DecodePosition(int position)
{
    const auto bits = static_cast<std::uint32_t>(position);
    return QPoint(static_cast<int>(bits & 0xFFFF), static_cast<int>(bits >> 16));
}

TGroupFrame::TGroupFrame(
    int row, int groupID, TGroupProperties properties, bool modificable, bool enabled, bool isNew)
    : row_(row)
    , groupID_(groupID)
    , properties_(std::move(properties))
    , modificable_(modificable)
    , enabled_(enabled)
    , isNew_(isNew)
{
}

QSize TGroupFrame::MeasureSize(
    const QFontMetrics& metrics, const std::string& name, const std::string& fullName)
{
    const int textWidth = std::max(
        metrics.horizontalAdvance(Text(name)), metrics.horizontalAdvance(Text(fullName)));
    return QSize(std::max(textWidth + kTextPadding, kMinWidth), 2 * metrics.height() + 16);
}

void TGroupFrame::Paint(QPainter& painter, bool current) const
{
    const int border = current ? 4 : 1;
    const QRectF frame
        = QRectF(bounds_).adjusted(border / 2.0, border / 2.0, -border / 2.0, -border / 2.0);
    painter.setPen(QPen(Qt::black, border));
    painter.setBrush(kBoxFill);
    painter.drawRoundedRect(frame, kCornerRadius, kCornerRadius);

    const QFontMetrics metrics = painter.fontMetrics();
    const int textHeight = metrics.height();
    const int lineY = bounds_.top() + textHeight + 8;
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLine(bounds_.left() + border, lineY, bounds_.right() - border, lineY);

    painter.setPen(modificable_ ? kModificableText : QColor(Qt::black));
    const QRect nameRect(bounds_.left(), bounds_.top() + kTextGap, bounds_.width(), textHeight);
    const QRect fullNameRect(bounds_.left(), lineY + kTextGap, bounds_.width(), textHeight);
    painter.drawText(nameRect, Qt::AlignHCenter | Qt::AlignTop, Text(properties_.Name));
    painter.drawText(fullNameRect, Qt::AlignHCenter | Qt::AlignTop, Text(properties_.FullName));
}

} // namespace Security
