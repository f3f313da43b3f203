// Where the arrows of the hierarchy diagram attach to the boxes, and the bend
// that keeps an arrow from running under a box it does not belong to (boxes
// are painted over the arrows, so such an arrow would seem to end there).

#include "hierarchy/hierarchymodel.h"

#include <algorithm>
#include <cmath>

namespace Security {

namespace {

// Arrows keep this far from a side's ends (the rounded corners).
constexpr double kPortInset = TGroupFrame::kCornerRadius / 2.0;

struct Port {
    TGroupRelation* relation;
    bool atStart; // the arrow leaves the box here
    double along; // where the other end lies along the side
    double across;
    int startRow; // keeps a pair of opposite relations side by side at both boxes
};

// Arrows keep this far from the boxes they pass.
constexpr double kClearance = 6;
// Bends are tried this far and further from the straight line, on both
// sides, up to kBendSteps times; an arrow under more boxes than one bend can
// pass stays straight.
constexpr double kBendStep = 24;
constexpr int kBendSteps = 12;
constexpr int kMostBoxesPassed = 3;

bool Crosses(QPointF a, QPointF b, const std::vector<QRectF>& obstacles)
{
    for (const QRectF& obstacle : obstacles)
        if (SegmentCrosses(a, b, obstacle))
            return true;
    return false;
}

} // namespace

void THierarchyModel::Redraw(TGroupRelation& relation) const
{
    relation.bend_.reset();
    if (!relation.IsLoop() && relation.end_ && Attached(relation)) {
        const QPointF a = relation.startPort_;
        const QPointF b = relation.endPort_;
        const double reach = kBendStep * kBendSteps;
        const QRectF area = QRectF(a, b).normalized().adjusted(-reach, -reach, reach, reach);
        // The other visible boxes near the arrow, with room around them; its
        // own boxes only so far that a leg may not cut through them.
        std::vector<QRectF> obstacles;
        int passed = 0;
        for (const auto& box : boxes_) {
            if (box->Hidden() || box->Absent() || !area.intersects(QRectF(box->Bounds())))
                continue;
            const bool own = box.get() == relation.start_ || box.get() == relation.end_;
            const QRectF rect = own
                ? QRectF(box->Bounds()).adjusted(2, 2, -2, -2)
                : QRectF(box->Bounds()).adjusted(-kClearance, -kClearance, kClearance, kClearance);
            obstacles.push_back(rect);
            passed += !own && SegmentCrosses(a, b, rect);
        }
        if (passed > 0 && passed <= kMostBoxesPassed) {
            const QPointF along = b - a;
            const double length = std::hypot(along.x(), along.y());
            const QPointF normal
                = length > 0 ? QPointF(-along.y(), along.x()) / length : QPointF(1, 0);
            const QPointF middle = (a + b) / 2;
            for (int step = 1; step <= kBendSteps && !relation.bend_; ++step)
                for (const double side : { 1.0, -1.0 }) {
                    const QPointF bend = middle + normal * (side * kBendStep * step);
                    // Never off the canvas's top or left.
                    if (bend.x() >= 0 && bend.y() >= 0 && !Crosses(a, bend, obstacles)
                        && !Crosses(bend, b, obstacles)) {
                        relation.bend_ = bend;
                        break;
                    }
                }
        }
    }
    relation.UpdateShape();
}

void THierarchyModel::AssignPorts(TGroupFrame& box)
{
    std::vector<Port> sides[4];
    const QPointF centre = QRectF(box.Bounds()).center();
    auto collect = [&](TGroupRelation* relation, bool atStart) {
        if (!Attached(*relation) || relation->IsLoop())
            return;
        const QPointF other
            = QRectF((atStart ? relation->End() : relation->Start())->Bounds()).center();
        const TBoxSide side = FacingSide(centre, other);
        const bool horizontal = side == TBoxSide::Top || side == TBoxSide::Bottom;
        sides[static_cast<int>(side)].push_back(
            { relation, atStart, horizontal ? other.x() : other.y(),
                horizontal ? other.y() : other.x(), relation->Start()->Row() });
    };
    for (TGroupRelation* relation : box.outgoing_)
        collect(relation, true);
    for (TGroupRelation* relation : box.incoming_)
        collect(relation, false);

    const QRectF bounds(box.Bounds());
    for (int s = 0; s < 4; ++s) {
        std::vector<Port>& ports = sides[s];
        std::sort(ports.begin(), ports.end(), [](const Port& a, const Port& b) {
            if (a.along != b.along)
                return a.along < b.along;
            if (a.across != b.across)
                return a.across < b.across;
            return a.startRow < b.startRow;
        });
        const auto side = static_cast<TBoxSide>(s);
        const bool horizontal = side == TBoxSide::Top || side == TBoxSide::Bottom;
        const double low = (horizontal ? bounds.left() : bounds.top()) + kPortInset;
        const double length
            = std::max(0.0, (horizontal ? bounds.width() : bounds.height()) - 2 * kPortInset);
        for (size_t i = 0; i < ports.size(); ++i) {
            const double at = low + length * static_cast<double>(i + 1) / (ports.size() + 1);
            QPointF point;
            switch (side) {
            case TBoxSide::Left:
                point = QPointF(bounds.left(), at);
                break;
            case TBoxSide::Right:
                point = QPointF(bounds.right(), at);
                break;
            case TBoxSide::Top:
                point = QPointF(at, bounds.top());
                break;
            case TBoxSide::Bottom:
                point = QPointF(at, bounds.bottom());
                break;
            }
            TGroupRelation& relation = *ports[i].relation;
            QPointF& port = ports[i].atStart ? relation.startPort_ : relation.endPort_;
            if (port != point) {
                port = point;
                relation.portsMoved_ = true;
            }
        }
    }
}

void THierarchyModel::Reroute(std::vector<TGroupFrame*> boxes)
{
    if (routingSuspended_ || boxes.empty())
        return;
    // Every arrow of the first box is drawn again (it moved, changed or was
    // shown); of the others only those whose ports moved.
    TGroupFrame* const changed = boxes.front();
    std::sort(boxes.begin(), boxes.end());
    boxes.erase(std::unique(boxes.begin(), boxes.end()), boxes.end());
    for (TGroupFrame* box : boxes)
        AssignPorts(*box);
    auto redraw = [&](TGroupFrame* box, TGroupRelation* relation) {
        if (box == changed || relation->portsMoved_ || relation->IsLoop()) {
            relation->portsMoved_ = false;
            Redraw(*relation);
        }
    };
    for (TGroupFrame* box : boxes) {
        for (TGroupRelation* relation : box->outgoing_)
            redraw(box, relation);
        for (TGroupRelation* relation : box->incoming_)
            redraw(box, relation);
    }
}

void THierarchyModel::RerouteAround(TGroupFrame& box, QRect formerPlace)
{
    std::vector<TGroupFrame*> boxes { &box };
    for (TGroupRelation* relation : box.outgoing_)
        boxes.push_back(relation->End());
    for (TGroupRelation* relation : box.incoming_)
        boxes.push_back(relation->Start());
    Reroute(std::move(boxes));
    if (routingSuspended_)
        return;
    // Arrows of other boxes that now run under this one go round it, and
    // those bent round its former place may run straight again.
    auto room = [](const QRect& place) {
        return place.isNull()
            ? QRectF()
            : QRectF(place).adjusted(-kClearance, -kClearance, kClearance, kClearance);
    };
    const QRectF now = box.Hidden() ? QRectF() : room(box.Bounds());
    const QRectF before = room(formerPlace);
    for (const auto& relation : relations_) {
        if (relation->start_ == &box || relation->end_ == &box || !Attached(*relation)
            || relation->IsLoop())
            continue;
        const TArrowShape& shape = relation->Shape();
        if (shape.Crosses(now) || (shape.Bent && shape.Bounds.intersects(before)))
            Redraw(*relation);
    }
}

void THierarchyModel::ResumeRouting()
{
    routingSuspended_ = false;
    for (const auto& box : boxes_)
        AssignPorts(*box);
    for (const auto& relation : relations_) {
        relation->portsMoved_ = false;
        Redraw(*relation);
    }
}

} // namespace Security
