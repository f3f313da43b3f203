#include "hierarchy/hierarchymodel.h"

#include <algorithm>
#include <stdexcept>

namespace Security {

namespace {

// Squared distance within which a press grabs a relation end (200 pixels).
constexpr int kGrabDistance2 = 40000;

int Distance2(QPoint a, QPoint b)
{
    const QPoint d = a - b;
    return d.x() * d.x() + d.y() * d.y();
}

void Erase(std::vector<TGroupRelation*>& list, const TGroupRelation* relation)
{
    list.erase(std::remove(list.begin(), list.end(), relation), list.end());
}

} // namespace

THierarchyPermissions THierarchyPermissions::From(SecRightsMask mask, bool unrestricted)
{
    THierarchyPermissions permissions;
    permissions.Delete = (mask & srDelete) != 0;
    permissions.Modify = (mask & srModify) != 0;
    permissions.Insert = (mask & srInsert) != 0;
    permissions.Unrestricted = unrestricted;
    return permissions;
}

TModGroupType ToolRelationType(THierarchyTool tool)
{
    switch (tool) {
    case THierarchyTool::Negative:
        return mgNegative;
    case THierarchyTool::Weak:
        return mgWeak;
    default:
        return mgStrong;
    }
}

THierarchyTool RelationTypeTool(TModGroupType type)
{
    switch (type) {
    case mgNegative:
        return THierarchyTool::Negative;
    case mgWeak:
        return THierarchyTool::Weak;
    default:
        return THierarchyTool::Strong;
    }
}

ModGroupIterator EdgeIterator(std::vector<ModGroup> edges)
{
    auto shared = std::make_shared<const std::vector<ModGroup>>(std::move(edges));
    // The cursor is the index of the next edge; 0 both starts and ends, so a
    // returned cursor is never 0 while edges remain.
    return [shared](ModGroup& edge, int cursor) -> int {
        if (cursor < 0 || static_cast<size_t>(cursor) >= shared->size())
            return 0;
        edge = (*shared)[static_cast<size_t>(cursor)];
        return cursor + 1;
    };
}

THierarchyModel::THierarchyModel(
    THierarchyPermissions permissions, int groupCount, int administratorRow)
    : permissions_(permissions)
    , groupCount_(groupCount)
    , administratorRow_(administratorRow)
{
}

THierarchyModel::~THierarchyModel() = default;

// --- building ---

TGroupFrame& THierarchyModel::AddGroup(
    TGroupProperties properties, int groupID, bool modificable, int position, QSize size)
{
    if (BoxCount() >= groupCount_)
        throw std::logic_error("hierarchy editor: more groups than the hierarchy table holds");
    const bool enabled = modificable || permissions_.Unrestricted;
    auto box = std::make_unique<TGroupFrame>(
        BoxCount(), groupID, std::move(properties), modificable, enabled, false);
    box->storedPosition_ = position;
    box->bounds_ = QRect(DecodePosition(position), size);
    boxes_.push_back(std::move(box));
    return *boxes_.back();
}

TGroupFrame& THierarchyModel::AddAbsentGroup()
{
    TGroupFrame& box = AddGroup(TGroupProperties {}, -1, false, 0, QSize(0, 0));
    box.absent_ = true;
    box.hidden_ = true;
    return box;
}

TGroupRelation* THierarchyModel::LoadRelation(int startRow, int endRow, TModGroupType type)
{
    const int loaded = std::min(BoxCount(), groupCount_);
    if (startRow < 0 || startRow >= loaded || endRow < 0 || endRow >= loaded || type > mgStrong)
        return nullptr;
    TGroupFrame& start = Box(startRow);
    TGroupFrame& end = Box(endRow);
    if (start.Absent() || end.Absent() || HasRelation(start, end))
        return nullptr;
    return &MakeRelation(start, end, type, false);
}

TGroupFrame& THierarchyModel::AddPassedNewGroup(
    TGroupProperties properties, QPoint topLeft, QSize size)
{
    TGroupFrame& box = MakeNewBox(std::move(properties), topLeft, size, true);
    if (TGroupFrame* administrator = AdministratorBox())
        MakeRelation(*administrator, box, mgStrong, true);
    return box;
}

TGroupFrame& THierarchyModel::MakeNewBox(
    TGroupProperties properties, QPoint topLeft, QSize size, bool passedIn)
{
    if (BoxCount() < groupCount_)
        throw std::logic_error("hierarchy editor: new groups come after the existing ones");
    auto box
        = std::make_unique<TGroupFrame>(BoxCount(), -1, std::move(properties), true, true, true);
    box->bounds_ = QRect(topLeft, size);
    if (passedIn)
        passedNewGroupRow_ = box->Row();
    newGroupIDs_.push_back(-1);
    boxes_.push_back(std::move(box));
    return *boxes_.back();
}

TGroupRelation& THierarchyModel::MakeRelation(
    TGroupFrame& start, TGroupFrame& end, TModGroupType type, bool isNew)
{
    relations_.push_back(std::make_unique<TGroupRelation>(&start, &end, type, isNew));
    TGroupRelation& relation = *relations_.back();
    Attach(relation);
    Reroute({ &start, &end });
    return relation;
}

// --- boxes and relations ---

TGroupFrame* THierarchyModel::AdministratorBox() const
{
    if (administratorRow_ < 0 || administratorRow_ >= std::min(BoxCount(), groupCount_))
        return nullptr;
    return &Box(administratorRow_);
}

bool THierarchyModel::Attached(const TGroupRelation& relation)
{
    return relation.End() && !relation.Start()->Hidden() && !relation.End()->Hidden();
}

TGroupRelation* THierarchyModel::FindRelation(
    const TGroupFrame& start, const TGroupFrame& end) const
{
    for (TGroupRelation* relation : start.Outgoing())
        if (relation->End() == &end && Attached(*relation))
            return relation;
    return nullptr;
}

bool THierarchyModel::HasRelation(const TGroupFrame& start, const TGroupFrame& end) const
{
    return FindRelation(start, end) != nullptr;
}

void THierarchyModel::Attach(TGroupRelation& relation)
{
    relation.start_->outgoing_.push_back(&relation);
    relation.end_->incoming_.push_back(&relation);
}

void THierarchyModel::Detach(TGroupRelation& relation)
{
    Erase(relation.start_->outgoing_, &relation);
    Erase(relation.end_->incoming_, &relation);
}

void THierarchyModel::NoteChange(TGroupRelation& relation)
{
    if (relation.isNew_)
        return;
    ModGroup original;
    original.GroupRow = static_cast<std::uint16_t>(relation.Start()->Row());
    original.ModGroupRow = static_cast<std::uint16_t>(relation.End()->Row());
    original.Type = relation.Type();
    removedOriginals_.push_back(original);
    relation.isNew_ = true;
}

// --- what the administrator may do ---

TRelationActions THierarchyModel::RelationActions(const TGroupRelation* relation) const
{
    TRelationActions actions;
    if (!relation || !Attached(*relation))
        return actions;
    const bool startModifiable = relation->Start()->Enabled();
    const bool endModifiable = relation->End()->Enabled();
    const TModGroupType type = relation->Type();
    const bool unrestricted = permissions_.Unrestricted;
    // Reversing needs the Modify bit like every other change, makes no sense
    // for a loop, and must not duplicate the relation that already runs the
    // other way (the saved relation set could not hold both).
    actions.RevertDirection = startModifiable && type != mgNegative && CanModify()
        && !relation->IsLoop() && !HasRelation(*relation->End(), *relation->Start());
    actions.RemoveRelation = (startModifiable && permissions_.Delete) || unrestricted;
    actions.ChangeToStrong = type != mgStrong
        && ((endModifiable && (type == mgWeak || startModifiable) && permissions_.Modify)
            || unrestricted);
    actions.ChangeToWeak
        = type != mgWeak && startModifiable && (type == mgStrong || endModifiable) && CanModify();
    actions.ChangeToNegative = type != mgNegative && startModifiable && CanModify();
    return actions;
}

TBoxActions THierarchyModel::BoxActions(const TGroupFrame* box) const
{
    TBoxActions actions;
    if (!box || box->Hidden())
        return actions;
    const bool modifiable = box->Enabled();
    const bool unrestricted = permissions_.Unrestricted;
    actions.Edit = modifiable && CanModify();
    actions.RemoveGroup = (modifiable && permissions_.Delete) || unrestricted;
    actions.AddStrongRelation = permissions_.Insert;
    actions.AddWeakRelation = permissions_.Insert;
    actions.AddNegativeRelation = (modifiable && permissions_.Insert) || unrestricted;
    return actions;
}

bool THierarchyModel::CanDragBox(const TGroupFrame& box) const
{
    return !box.Hidden() && box.Enabled() && permissions_.Modify;
}

bool THierarchyModel::CanStartRelation(const TGroupFrame& box, TModGroupType type) const
{
    // The relation tools obey the states of the "Add ... relation" commands.
    const TBoxActions actions = BoxActions(&box);
    switch (type) {
    case mgNegative:
        return actions.AddNegativeRelation;
    case mgWeak:
        return actions.AddWeakRelation;
    default:
        return actions.AddStrongRelation;
    }
}

bool THierarchyModel::CanGrabRelation(const TGroupRelation& relation) const
{
    return Attached(relation) && (relation.IsNew() || relation.Start()->Enabled())
        && permissions_.Modify;
}

std::optional<TRelationEnd> THierarchyModel::GrabbedEnd(
    const TGroupRelation& relation, QPoint point) const
{
    if (!relation.End())
        return std::nullopt;
    const QPoint startCentre = relation.Start()->Centre();
    if (relation.IsLoop()) {
        if (Distance2(point, startCentre) >= kGrabDistance2)
            return std::nullopt;
        return point.x() <= startCentre.x() ? TRelationEnd::Start : TRelationEnd::End;
    }
    const int toStart = Distance2(point, startCentre);
    const int toEnd = Distance2(point, relation.End()->Centre());
    if (toStart <= toEnd)
        return toStart < kGrabDistance2 ? std::optional(TRelationEnd::Start) : std::nullopt;
    return toEnd < kGrabDistance2 ? std::optional(TRelationEnd::End) : std::nullopt;
}

bool THierarchyModel::CanAttachEnd(
    const TGroupFrame& start, TModGroupType type, const TGroupFrame& box) const
{
    if (box.Hidden() || start.Hidden() || HasRelation(start, box))
        return false;
    if (permissions_.Unrestricted)
        return true;
    if (!box.Enabled() && type != mgNegative)
        return false;
    return &box != &start;
}

bool THierarchyModel::CanMoveEndTo(const TGroupRelation& relation, const TGroupFrame& box) const
{
    return relation.End() != &box && CanAttachEnd(*relation.Start(), relation.Type(), box);
}

bool THierarchyModel::CanMoveStartTo(const TGroupRelation& relation, const TGroupFrame& box) const
{
    if (!relation.End() || relation.Start() == &box || box.Hidden()
        || HasRelation(box, *relation.End()))
        return false;
    if (permissions_.Unrestricted)
        return true;
    // A weak or strong relation hands its end to whatever group it starts
    // at; moving the start is therefore only allowed where drawing a new
    // relation to that end would be: the end must be modifiable.
    return relation.Type() != mgNegative && &box != relation.End() && relation.End()->Enabled();
}

bool THierarchyModel::MayRemoveRelation(const TGroupRelation& relation) const
{
    return relation.IsNew() || relation.Start()->Enabled();
}

// --- changes ---

TGroupRelation* THierarchyModel::DrawRelation(
    TGroupFrame& start, TGroupFrame& end, TModGroupType type)
{
    if (!CanStartRelation(start, type) || !CanAttachEnd(start, type, end))
        return nullptr;
    return &MakeRelation(start, end, type, true);
}

bool THierarchyModel::RemoveRelation(TGroupRelation& relation)
{
    if (!RelationActions(&relation).RemoveRelation || !MayRemoveRelation(relation))
        return false;
    NoteChange(relation);
    Detach(relation);
    if (currentRelation_ == &relation)
        currentRelation_ = nullptr;
    TGroupFrame* start = relation.Start();
    TGroupFrame* end = relation.End();
    relations_.erase(std::find_if(relations_.begin(), relations_.end(),
        [&](const std::unique_ptr<TGroupRelation>& item) { return item.get() == &relation; }));
    Reroute({ start, end });
    return true;
}

bool THierarchyModel::Retype(TGroupRelation& relation, TModGroupType type)
{
    const TRelationActions actions = RelationActions(&relation);
    const bool allowed = (type == mgStrong && actions.ChangeToStrong)
        || (type == mgWeak && actions.ChangeToWeak)
        || (type == mgNegative && actions.ChangeToNegative);
    if (!allowed)
        return false;
    NoteChange(relation);
    relation.type_ = type;
    relation.UpdateShape();
    return true;
}

bool THierarchyModel::RevertDirection(TGroupRelation& relation)
{
    if (!RelationActions(&relation).RevertDirection)
        return false;
    NoteChange(relation);
    Detach(relation);
    std::swap(relation.start_, relation.end_);
    Attach(relation);
    Reroute({ relation.start_, relation.end_ });
    return true;
}

bool THierarchyModel::MoveEnd(TGroupRelation& relation, TGroupFrame& box)
{
    if (!CanGrabRelation(relation) || !CanMoveEndTo(relation, box))
        return false;
    NoteChange(relation);
    Detach(relation);
    TGroupFrame* previous = relation.end_;
    relation.end_ = &box;
    Attach(relation);
    Reroute({ relation.start_, previous, &box });
    return true;
}

bool THierarchyModel::MoveStart(TGroupRelation& relation, TGroupFrame& box)
{
    if (!CanGrabRelation(relation) || !CanMoveStartTo(relation, box))
        return false;
    NoteChange(relation);
    Detach(relation);
    TGroupFrame* previous = relation.start_;
    relation.start_ = &box;
    Attach(relation);
    Reroute({ previous, &box, relation.end_ });
    return true;
}

bool THierarchyModel::RemoveGroup(TGroupFrame& box)
{
    if (!BoxActions(&box).RemoveGroup)
        return false;
    box.hidden_ = true;
    if (currentBox_ == &box)
        currentBox_ = nullptr;
    if (currentRelation_ && !Attached(*currentRelation_))
        currentRelation_ = nullptr;
    RerouteAround(box, box.Bounds());
    return true;
}

bool THierarchyModel::RestoreGroup(TGroupFrame& box)
{
    if (!box.Hidden() || box.Absent())
        return false;
    box.hidden_ = false;
    RerouteAround(box);
    return true;
}

bool THierarchyModel::MoveBox(TGroupFrame& box, QPoint topLeft)
{
    if (!CanDragBox(box))
        return false;
    const QPoint clamped(std::clamp(topLeft.x(), 0, kMaxPositionCoordinate - box.Bounds().width()),
        std::clamp(topLeft.y(), 0, kMaxPositionCoordinate - box.Bounds().height()));
    PlaceBox(box, QRect(clamped, box.Bounds().size()));
    box.moved_ = true;
    return true;
}

void THierarchyModel::PlaceBox(TGroupFrame& box, QRect bounds)
{
    const QRect former = box.bounds_;
    box.bounds_ = bounds;
    RerouteAround(box, former);
}

void THierarchyModel::KeepAutomaticPlace(TGroupFrame& box)
{
    if (!box.IsNew() && CanDragBox(box))
        box.moved_ = true;
}

bool THierarchyModel::EditGroup(TGroupFrame& box, TGroupProperties properties, QSize size)
{
    if (!BoxActions(&box).Edit)
        return false;
    box.properties_ = std::move(properties);
    box.edited_ = true;
    PlaceBox(box, QRect(box.Bounds().topLeft(), size));
    return true;
}

TGroupFrame* THierarchyModel::AddNewGroup(TGroupProperties properties, QPoint topLeft, QSize size)
{
    if (!AddNewGroupEnabled())
        return nullptr;
    TGroupFrame& box = MakeNewBox(std::move(properties), topLeft, size, false);
    if (TGroupFrame* administrator = AdministratorBox())
        MakeRelation(*administrator, box, mgStrong, true);
    return &box;
}

// --- selection and tools ---

void THierarchyModel::SetCurrentBox(TGroupFrame* box)
{
    currentBox_ = box && !box->Hidden() ? box : nullptr;
    currentRelation_ = nullptr;
}

void THierarchyModel::SetCurrentRelation(TGroupRelation* relation)
{
    currentRelation_ = relation && Attached(*relation) ? relation : nullptr;
    currentBox_ = nullptr;
}

void THierarchyModel::PressTool(THierarchyTool tool)
{
    if (tool == THierarchyTool::Select) {
        tool_ = tool;
        toolLocked_ = false;
    } else if (tool_ == tool) {
        toolLocked_ = !toolLocked_;
    } else {
        tool_ = tool;
        toolLocked_ = false;
    }
}

void THierarchyModel::RelationDropped()
{
    if (!toolLocked_)
        tool_ = THierarchyTool::Select;
}

void THierarchyModel::ClickEmptyCanvas()
{
    currentBox_ = nullptr;
    currentRelation_ = nullptr;
    tool_ = THierarchyTool::Select;
    toolLocked_ = false;
}

// --- results ---

std::vector<TRemovedGroup> THierarchyModel::RemovedGroups() const
{
    std::vector<TRemovedGroup> result;
    for (const auto& box : boxes_)
        if (box->Hidden() && !box->IsNew() && !box->Absent())
            result.push_back({ box->Row(), box->GroupID() });
    return result;
}

std::vector<TEditedGroup> THierarchyModel::EditedGroups() const
{
    std::vector<TEditedGroup> result;
    for (const auto& box : boxes_)
        if (box->Edited() && !box->Hidden() && !box->IsNew())
            result.push_back({ box->Row(), box->GroupID(), box->Properties(), box->Position() });
    return result;
}

std::vector<TMovedGroup> THierarchyModel::MovedGroups() const
{
    std::vector<TMovedGroup> result;
    for (const auto& box : boxes_)
        if (box->Moved() && !box->Edited() && !box->Hidden() && !box->IsNew())
            result.push_back({ box->Row(), box->GroupID(), box->Position() });
    return result;
}

std::vector<TNewGroup> THierarchyModel::NewGroups() const
{
    std::vector<TNewGroup> result;
    for (const auto& box : boxes_)
        if (box->IsNew() && !box->Hidden())
            result.push_back({ box->Row(), box->Properties(), box->Position(),
                box->Row() == passedNewGroupRow_ });
    return result;
}

void THierarchyModel::SetNewGroupID(int row, int groupID)
{
    const int index = row - groupCount_;
    if (index < 0 || index >= static_cast<int>(newGroupIDs_.size()))
        throw std::out_of_range("hierarchy editor: no new group in this row");
    newGroupIDs_[static_cast<size_t>(index)] = groupID;
    Box(row).SetGroupID(groupID);
}

std::vector<int> THierarchyModel::NewGroupIDs() const
{
    std::vector<int> result;
    for (size_t index = 0; index < newGroupIDs_.size(); ++index) {
        const TGroupFrame& box = Box(groupCount_ + static_cast<int>(index));
        result.push_back(box.Hidden() ? -1 : newGroupIDs_[index]);
    }
    return result;
}

std::vector<ModGroup> THierarchyModel::RemovedEdges() const
{
    std::vector<ModGroup> result;
    for (const ModGroup& edge : removedOriginals_)
        if (edge.GroupRow < groupCount_ && edge.ModGroupRow < groupCount_)
            result.push_back(edge);
    return result;
}

std::vector<ModGroup> THierarchyModel::AddedEdges() const
{
    const std::vector<int> newIDs = NewGroupIDs();
    auto exists = [&](const TGroupFrame& box) {
        return box.Row() < groupCount_
            || newIDs[static_cast<size_t>(box.Row() - groupCount_)] != -1;
    };
    std::vector<ModGroup> result;
    for (const auto& box : boxes_) {
        if (box->Hidden() || !exists(*box))
            continue;
        for (const TGroupRelation* relation : box->Outgoing()) {
            if (!relation->IsNew() || !Attached(*relation) || !exists(*relation->End()))
                continue;
            ModGroup edge;
            edge.GroupRow = static_cast<std::uint16_t>(box->Row());
            edge.ModGroupRow = static_cast<std::uint16_t>(relation->End()->Row());
            edge.Type = relation->Type();
            result.push_back(edge);
        }
    }
    return result;
}

ModGroupIterator THierarchyModel::RemovedRelationIterator() const
{
    return EdgeIterator(RemovedEdges());
}

ModGroupIterator THierarchyModel::AddedRelationIterator() const
{
    return EdgeIterator(AddedEdges());
}

} // namespace Security
