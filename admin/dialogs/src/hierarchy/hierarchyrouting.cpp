// Where the arrows of the hierarchy diagram attach to the boxes.

#include "hierarchy/hierarchymodel.h"

#include <algorithm>

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

} // namespace

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
            (ports[i].atStart ? ports[i].relation->startPort_ : ports[i].relation->endPort_)
                = point;
        }
    }
}

void THierarchyModel::Reroute(std::vector<TGroupFrame*> boxes)
{
    if (routingSuspended_)
        return;
    std::sort(boxes.begin(), boxes.end());
    boxes.erase(std::unique(boxes.begin(), boxes.end()), boxes.end());
    for (TGroupFrame* box : boxes)
        AssignPorts(*box);
    for (TGroupFrame* box : boxes) {
        for (TGroupRelation* relation : box->outgoing_)
            relation->UpdateShape();
        for (TGroupRelation* relation : box->incoming_)
            relation->UpdateShape();
    }
}

void THierarchyModel::RerouteAround(TGroupFrame& box)
{
    std::vector<TGroupFrame*> boxes { &box };
    for (TGroupRelation* relation : box.outgoing_)
        boxes.push_back(relation->End());
    for (TGroupRelation* relation : box.incoming_)
        boxes.push_back(relation->Start());
    Reroute(std::move(boxes));
}

void THierarchyModel::ResumeRouting()
{
    routingSuspended_ = false;
    for (const auto& box : boxes_)
        AssignPorts(*box);
    for (const auto& relation : relations_)
        relation->UpdateShape();
}

} // namespace Security
