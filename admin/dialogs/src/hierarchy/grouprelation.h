#pragma once
// A typed, directed relation of the hierarchy diagram: members of the start
// group may (weak, strong) or may not (negative) administer the end group.
// The relation keeps the arrow it is drawn as, in canvas coordinates, so that
// painting and hit-testing need no recomputation until a box moves.

#include <wardlock/keeper/grouphierarchy.h>

#include <QPainterPath>
#include <QPolygonF>
#include <QRectF>

#include <optional>

class QPainter;

namespace Security {

class TGroupFrame;

// The drawn arrow of a relation, or of a relation end being dragged.
struct TArrowShape {
    bool Loop = false;
    // Arrows between two boxes: the shaft runs from `From` to the tip `To`,
    // straight or, where a straight line would pass under another box,
    // through one bend beside it.
    QPointF From;
    QPointF To;
    bool Bent = false;
    QPointF Bend;
    double HalfWidth = 1;
    // The filled outline: shaft and head (straight), or the head only (loop,
    // bent).
    QPolygonF Outline;
    // Arrows between boxes: where the shaft meets the head, and the head alone.
    QPointF ShaftEnd;
    QPolygonF Head;
    // Loops: the ring, and its centre and middle radius for hit-testing.
    QPainterPath Ring;
    QPointF RingCentre;
    double RingRadius = 0;
    double LoopBoxTop = 0; // the ring is hit only above the box it belongs to
    // Everything painted, grown by the hit tolerance.
    QRectF Bounds;

    // Whether `point` lies on the arrow (within a few pixels of it).
    bool Contains(QPointF point) const;
    // Whether the shaft (straight or bent) passes through `rect`.
    bool Crosses(const QRectF& rect) const;
    // The point on the shaft at `fraction` (0 the start, 1 the tip) of its
    // length.
    QPointF PointAlong(double fraction) const;
    // Paints the arrow in the colours of `type`; `current` outlines it in red.
    // Only what lies within `clip` is sure to be painted: a long arrow is
    // cut to it first, since antialiased painting costs by the size of the
    // whole shape, not of the part that shows.
    void Paint(QPainter& painter, TModGroupType type, bool current, const QRectF& clip) const;
};

// How far from an arrow a click still hits it, in pixels.
inline constexpr double kArrowHitTolerance = 4;

// The arrow from `from` to its tip at `to`, straight or through `bend`.
TArrowShape ArrowBetween(QPointF from, QPointF to, TModGroupType type);
TArrowShape BentArrow(QPointF from, QPointF bend, QPointF to, TModGroupType type);
// Whether the segment a-b passes through the rectangle.
bool SegmentCrosses(QPointF a, QPointF b, const QRectF& rect);
// The arrow from box `start` to box `end` (either may be an empty rectangle
// standing for a point, as while an end is dragged), between the middles of
// the sides that face each other (see TBoxSide).
TArrowShape StraightArrow(const QRectF& start, const QRectF& end, TModGroupType type);

// The side of a box an arrow to another box leaves or enters by: left or
// right when the centres lie further apart horizontally than vertically,
// otherwise top or bottom.
enum class TBoxSide { Left, Right, Top, Bottom };
TBoxSide FacingSide(QPointF centre, QPointF otherCentre);
// A relation from a group to itself: a ring of 40 pixels from 28 pixels above
// the box's top to 12 below it, centred on the box, with its head where it
// enters the box.
TArrowShape LoopArrow(const QRectF& box, TModGroupType type);

class TGroupRelation {
public:
    TGroupRelation(TGroupFrame* start, TGroupFrame* end, TModGroupType type, bool isNew)
        : start_(start)
        , end_(end)
        , type_(type)
        , isNew_(isNew)
    {
    }

    TGroupFrame* Start() const noexcept { return start_; }
    TGroupFrame* End() const noexcept { return end_; }
    TModGroupType Type() const noexcept { return type_; }
    // Created or changed while the editor is open (written on saving).
    bool IsNew() const noexcept { return isNew_; }
    bool IsLoop() const noexcept { return start_ == end_; }

    const TArrowShape& Shape() const noexcept { return shape_; }
    // Recomputes the arrow between its two ports (a loop from its box).
    void UpdateShape();

private:
    friend class THierarchyModel;

    TGroupFrame* start_;
    TGroupFrame* end_;
    TModGroupType type_;
    bool isNew_;
    // Where the arrow leaves the start box and enters the end box; the model
    // spreads the arrows that share a side of a box along it.
    QPointF startPort_;
    QPointF endPort_;
    // Set by the model where the straight line would pass under a box.
    std::optional<QPointF> bend_;
    // A port moved since the arrow was last drawn.
    bool portsMoved_ = true;
    TArrowShape shape_;
};

} // namespace Security
