#include "hierarchy/grouprelation.h"

#include "hierarchy/groupframe.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <utility>

namespace Security {

namespace {

// One unit of arrow thickness; a strong arrow is two units thick.
constexpr double kUnit = 2.0;
// Loop ring: 40 pixels across, from 28 above the box's top to 12 below it.
constexpr double kLoopDiameter = 40;
constexpr double kLoopAbove = 28;

const QColor kNegativeFill(0xC0, 0xC0, 0xC0);
const QColor kNegativeEdge(0x90, 0x90, 0x90);

double ShaftWidth(TModGroupType type)
{
    return type == mgStrong ? 2 * kUnit : kUnit;
}

double HeadLength(double shaft)
{
    return 10 + shaft;
}

double HeadHalfWidth(double shaft)
{
    return 4 + shaft;
}

// The head's triangle with its tip at `tip`, pointing along the unit vector
// `direction`.
QPolygonF Head(QPointF tip, QPointF direction, double shaft)
{
    const QPointF normal(-direction.y(), direction.x());
    const QPointF base = tip - direction * HeadLength(shaft);
    const double half = HeadHalfWidth(shaft);
    return QPolygonF({ tip, base + normal * half, base - normal * half });
}

// The middle of the side of `box` that faces `other`; an empty box is a
// point.
QPointF SidePoint(const QRectF& box, QPointF other)
{
    const QPointF centre = box.center();
    if (box.width() <= 0 && box.height() <= 0)
        return centre;
    switch (FacingSide(centre, other)) {
    case TBoxSide::Left:
        return QPointF(box.left(), centre.y());
    case TBoxSide::Right:
        return QPointF(box.right(), centre.y());
    case TBoxSide::Top:
        return QPointF(centre.x(), box.top());
    default:
        return QPointF(centre.x(), box.bottom());
    }
}

// Cuts the segment a-b to the rectangle (Liang-Barsky); false when no part of
// it lies inside.
bool ClipSegment(QPointF& a, QPointF& b, const QRectF& rect)
{
    const QPointF d = b - a;
    double enter = 0, leave = 1;
    const double p[4] = { -d.x(), d.x(), -d.y(), d.y() };
    const double q[4]
        = { a.x() - rect.left(), rect.right() - a.x(), a.y() - rect.top(), rect.bottom() - a.y() };
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            enter = std::max(enter, t);
        else
            leave = std::min(leave, t);
        if (enter > leave)
            return false;
    }
    const QPointF start = a;
    a = start + d * enter;
    b = start + d * leave;
    return true;
}

double DistanceToSegment(QPointF p, QPointF a, QPointF b)
{
    const QPointF ab = b - a;
    const double length2 = QPointF::dotProduct(ab, ab);
    double t = length2 > 0 ? QPointF::dotProduct(p - a, ab) / length2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    const QPointF nearest = a + ab * t;
    return std::hypot(p.x() - nearest.x(), p.y() - nearest.y());
}

double Length(QPointF v)
{
    return std::hypot(v.x(), v.y());
}

} // namespace

bool SegmentCrosses(QPointF a, QPointF b, const QRectF& rect)
{
    return ClipSegment(a, b, rect);
}

TBoxSide FacingSide(QPointF centre, QPointF otherCentre)
{
    const double dx = otherCentre.x() - centre.x();
    const double dy = otherCentre.y() - centre.y();
    if (std::abs(dx) > std::abs(dy))
        return dx > 0 ? TBoxSide::Right : TBoxSide::Left;
    return dy < 0 ? TBoxSide::Top : TBoxSide::Bottom;
}

TArrowShape StraightArrow(const QRectF& start, const QRectF& end, TModGroupType type)
{
    return ArrowBetween(SidePoint(start, end.center()), SidePoint(end, start.center()), type);
}

TArrowShape ArrowBetween(QPointF from, QPointF to, TModGroupType type)
{
    TArrowShape shape;
    shape.From = from;
    shape.To = to;
    const double shaft = ShaftWidth(type);
    shape.HalfWidth = shaft / 2;

    QPointF along = shape.To - shape.From;
    const double length = std::hypot(along.x(), along.y());
    along = length > 0 ? along / length : QPointF(0, 1);
    const QPointF normal(-along.y(), along.x());
    const QPolygonF head = Head(shape.To, along, shaft);
    // The shaft stops where the head begins, unless the arrow is shorter
    // than its head.
    const QPointF shaftEnd
        = length > HeadLength(shaft) ? shape.To - along * HeadLength(shaft) : shape.From;
    const QPointF half = normal * shape.HalfWidth;
    shape.Outline = QPolygonF({ shape.From + half, shaftEnd + half, head[1], head[0], head[2],
        shaftEnd - half, shape.From - half });
    shape.ShaftEnd = shaftEnd;
    shape.Head = head;
    const double grow = HeadHalfWidth(shaft) + kArrowHitTolerance;
    shape.Bounds = shape.Outline.boundingRect().adjusted(-grow, -grow, grow, grow);
    return shape;
}

TArrowShape BentArrow(QPointF from, QPointF bend, QPointF to, TModGroupType type)
{
    TArrowShape shape;
    shape.From = from;
    shape.To = to;
    shape.Bent = true;
    shape.Bend = bend;
    const double shaft = ShaftWidth(type);
    shape.HalfWidth = shaft / 2;
    // The head points along the last leg; the shaft stops where it begins.
    QPointF along = to - bend;
    const double length = Length(along);
    along = length > 0 ? along / length : QPointF(0, 1);
    shape.Head = Head(to, along, shaft);
    shape.ShaftEnd = length > HeadLength(shaft) ? to - along * HeadLength(shaft) : bend;
    shape.Outline = shape.Head;
    const double grow = HeadHalfWidth(shaft) + kArrowHitTolerance;
    shape.Bounds = QPolygonF({ from, bend, to })
                       .boundingRect()
                       .united(shape.Head.boundingRect())
                       .adjusted(-grow, -grow, grow, grow);
    return shape;
}

TArrowShape LoopArrow(const QRectF& box, TModGroupType type)
{
    TArrowShape shape;
    shape.Loop = true;
    const double shaft = ShaftWidth(type);
    shape.HalfWidth = shaft / 2;
    const double radius = kLoopDiameter / 2;
    shape.RingCentre = QPointF(box.center().x(), box.top() - kLoopAbove + radius);
    shape.RingRadius = radius - shape.HalfWidth;
    shape.LoopBoxTop = box.top();

    const QRectF outer(shape.RingCentre - QPointF(radius, radius), QSizeF(2 * radius, 2 * radius));
    shape.Ring.setFillRule(Qt::OddEvenFill);
    shape.Ring.addEllipse(outer);
    shape.Ring.addEllipse(outer.adjusted(shaft, shaft, -shaft, -shaft));

    // The head sits where the ring meets the box's top on the right, pointing
    // along the ring (clockwise on the screen) into the box.
    const double below = box.top() - shape.RingCentre.y();
    const double sine = std::clamp(below / shape.RingRadius, -1.0, 1.0);
    const double cosine = std::sqrt(1 - sine * sine);
    const QPointF tip = shape.RingCentre + QPointF(cosine, sine) * shape.RingRadius;
    shape.To = tip;
    shape.From = tip;
    shape.Outline = Head(tip, QPointF(-sine, cosine), shaft);
    const double grow = HeadHalfWidth(shaft) + kArrowHitTolerance;
    shape.Bounds = outer.united(shape.Outline.boundingRect()).adjusted(-grow, -grow, grow, grow);
    return shape;
}

bool TArrowShape::Contains(QPointF point) const
{
    if (!Bounds.contains(point))
        return false;
    if (Outline.containsPoint(point, Qt::OddEvenFill))
        return true;
    if (Loop) {
        const double fromCentre
            = std::hypot(point.x() - RingCentre.x(), point.y() - RingCentre.y());
        return point.y() < LoopBoxTop
            && std::abs(fromCentre - RingRadius) <= HalfWidth + kArrowHitTolerance;
    }
    const double reach = HalfWidth + kArrowHitTolerance;
    if (Bent)
        return DistanceToSegment(point, From, Bend) <= reach
            || DistanceToSegment(point, Bend, To) <= reach;
    return DistanceToSegment(point, From, To) <= reach;
}

bool TArrowShape::Crosses(const QRectF& rect) const
{
    if (Loop || !Bounds.intersects(rect))
        return false;
    return Bent ? SegmentCrosses(From, Bend, rect) || SegmentCrosses(Bend, To, rect)
                : SegmentCrosses(From, To, rect);
}

QPointF TArrowShape::PointAlong(double fraction) const
{
    if (!Bent)
        return From + (To - From) * fraction;
    const double first = Length(Bend - From);
    const double second = Length(To - Bend);
    const double at = (first + second) * fraction;
    if (at <= first && first > 0)
        return From + (Bend - From) * (at / first);
    return second > 0 ? Bend + (To - Bend) * ((at - first) / second) : To;
}

void TArrowShape::Paint(
    QPainter& painter, TModGroupType type, bool current, const QRectF& clip) const
{
    const bool negative = type == mgNegative;
    const QColor fill = negative ? kNegativeFill : QColor(Qt::black);
    const QPen edge = current ? QPen(Qt::red, 2) : QPen(negative ? kNegativeEdge : fill, 0.5);
    painter.setBrush(fill);
    if (Loop) {
        painter.setPen(edge);
        painter.drawPath(Ring);
        painter.drawPolygon(Outline);
        return;
    }
    if (Bent) {
        // Each leg as a thick line cut to what shows, round where the legs
        // meet; the current arrow gets a red rim.
        const double margin = 2 * HalfWidth + 4;
        const QRectF shown = clip.adjusted(-margin, -margin, margin, margin);
        auto legs = [&](const QPen& pen) {
            painter.setPen(pen);
            for (auto [a, b] : { std::pair { From, Bend }, std::pair { Bend, ShaftEnd } })
                if (ClipSegment(a, b, shown))
                    painter.drawLine(a, b);
        };
        if (current)
            legs(QPen(Qt::red, 2 * HalfWidth + 3, Qt::SolidLine, Qt::RoundCap));
        legs(QPen(fill, 2 * HalfWidth, Qt::SolidLine, Qt::RoundCap));
        if (Head.boundingRect().intersects(clip)) {
            painter.setPen(edge);
            painter.drawPolygon(Head);
        }
        return;
    }
    // The current arrow keeps its one red outline.
    if (current) {
        painter.setPen(edge);
        painter.drawPolygon(Outline);
        return;
    }
    // The shaft as a thick line, which the painter fills far faster than an
    // antialiased polygon, cut to what shows.
    QPointF a = From, b = ShaftEnd;
    const double margin = 2 * HalfWidth + 2;
    if (ClipSegment(a, b, clip.adjusted(-margin, -margin, margin, margin))) {
        painter.setPen(QPen(fill, 2 * HalfWidth, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(a, b);
    }
    if (Head.boundingRect().intersects(clip)) {
        painter.setPen(edge);
        painter.drawPolygon(Head);
    }
}

void TGroupRelation::UpdateShape()
{
    if (!end_)
        return;
    if (IsLoop())
        shape_ = LoopArrow(QRectF(start_->Bounds()), type_);
    else if (bend_)
        shape_ = BentArrow(startPort_, *bend_, endPort_, type_);
    else
        shape_ = ArrowBetween(startPort_, endPort_, type_);
}

} // namespace Security
