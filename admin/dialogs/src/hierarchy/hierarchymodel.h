#pragma once
// The group hierarchy diagram without a window: the boxes, the typed
// relations between them, what the administrator may do to each (command
// states and drag rules), the tool mode, and what the caller writes after the
// editor closed with "Save and exit" (removed, edited, moved and new groups,
// and the relations to delete and to insert).
//
// Nothing is ever deleted from the diagram except relations: a removed group
// is a hidden box whose relations are kept, so that showing it again brings
// them back. A relation counts (is drawn, selectable and saved) only while
// both its boxes are visible.
//
// Every relation read from the database starts without the "new" flag. The
// first time one is removed, retyped, reversed or re-attached, its original
// (start row, end row, type) goes to the removed relations, and the relation
// (if it still exists) carries the flag from then on; saving deletes the
// removed originals and inserts every flagged relation.

#include "hierarchy/groupframe.h"
#include "hierarchy/grouprelation.h"

#include <wardlock/keeper/grouphierarchy.h>
#include <wardlock/types.h>

#include <memory>
#include <optional>
#include <vector>

namespace Security {

// The administrator's administration rights that matter here, and whether
// his group administers itself (unrestricted).
struct THierarchyPermissions {
    bool Delete = false;
    bool Modify = false;
    bool Insert = false;
    bool Unrestricted = false;

    static THierarchyPermissions From(SecRightsMask administrationMask, bool unrestricted);
};

// Canvas modes: selection, and one tool per relation type.
enum class THierarchyTool { Select = 0, Negative = 1, Weak = 2, Strong = 3 };
TModGroupType ToolRelationType(THierarchyTool tool);
THierarchyTool RelationTypeTool(TModGroupType type);

struct TRelationActions {
    bool RevertDirection = false;
    bool RemoveRelation = false;
    bool ChangeToStrong = false;
    bool ChangeToWeak = false;
    bool ChangeToNegative = false;
    bool operator==(const TRelationActions&) const = default;
};

struct TBoxActions {
    bool Edit = false;
    bool RemoveGroup = false;
    bool AddStrongRelation = false;
    bool AddWeakRelation = false;
    bool AddNegativeRelation = false;
    bool operator==(const TBoxActions&) const = default;
};

enum class TRelationEnd { Start, End };

// An iterator over a fixed list of edges (a copy is kept).
ModGroupIterator EdgeIterator(std::vector<ModGroup> edges);

// Results read back by the caller, in box (dataset) order.
struct TRemovedGroup {
    int Row;
    int GroupID;
};
struct TEditedGroup {
    int Row;
    int GroupID;
    TGroupProperties Properties;
    int Position;
};
struct TMovedGroup {
    int Row;
    int GroupID;
    int Position;
};
struct TNewGroup {
    int Row; // group count + index among the new boxes
    TGroupProperties Properties;
    int Position;
    // The group passed in from the "new group" command of the full dialog,
    // whose remaining data that dialog has already collected.
    bool FromNewGroupCommand;
};

class THierarchyModel {
public:
    // `groupCount` is the number of groups of the hierarchy table; boxes made
    // in the editor are numbered from it on. `administratorRow` is the row of
    // the logged administrator's group (out of range when he has none).
    THierarchyModel(THierarchyPermissions permissions, int groupCount, int administratorRow);
    ~THierarchyModel();
    THierarchyModel(const THierarchyModel&) = delete;
    THierarchyModel& operator=(const THierarchyModel&) = delete;

    const THierarchyPermissions& Permissions() const noexcept { return permissions_; }
    int GroupCount() const noexcept { return groupCount_; }
    int AdministratorRow() const noexcept { return administratorRow_; }

    // --- building (opening the editor) ---
    // The box of the next existing group, in dataset order, with its stored
    // position and size. Boxes of the editor's new groups come after these.
    TGroupFrame& AddGroup(
        TGroupProperties properties, int groupID, bool modificable, int position, QSize size);
    // The next row of the table when it has no group (see TGroupFrame::Absent).
    TGroupFrame& AddAbsentGroup();
    // A relation read from the database (no "new" flag). Refused (null) for
    // rows out of range and for a second relation between the same two
    // groups in the same direction.
    TGroupRelation* LoadRelation(int startRow, int endRow, TModGroupType type);
    // The group passed in from the "new group" command: a new box at
    // `topLeft`, and a new strong relation to it from the administrator's
    // group.
    TGroupFrame& AddPassedNewGroup(TGroupProperties properties, QPoint topLeft, QSize size);
    // While many boxes and relations are loaded or placed, arrows are not
    // routed; resuming routes all of them once.
    void SuspendRouting() noexcept { routingSuspended_ = true; }
    void ResumeRouting();

    // --- boxes and relations ---
    int BoxCount() const noexcept { return static_cast<int>(boxes_.size()); }
    TGroupFrame& Box(int row) const { return *boxes_.at(static_cast<size_t>(row)); }
    // The administrator's box, or null.
    TGroupFrame* AdministratorBox() const;
    // Every relation, in the order made (also detached ones).
    const std::vector<std::unique_ptr<TGroupRelation>>& Relations() const noexcept
    {
        return relations_;
    }
    // Whether the relation counts: both its boxes are visible.
    static bool Attached(const TGroupRelation& relation);
    // The attached relation from `start` to `end`, or null.
    TGroupRelation* FindRelation(const TGroupFrame& start, const TGroupFrame& end) const;
    // The original relations removed, retyped, reversed or re-attached, as
    // they were read: (start row, end row, type).
    const std::vector<ModGroup>& RemovedOriginals() const noexcept { return removedOriginals_; }

    // --- what the administrator may do ---
    TRelationActions RelationActions(const TGroupRelation* relation) const;
    TBoxActions BoxActions(const TGroupFrame* box) const;
    bool AddNewGroupEnabled() const noexcept { return permissions_.Insert; }
    // Selection mode: may the box be dragged?
    bool CanDragBox(const TGroupFrame& box) const;
    // Relation mode (or an "Add ... relation" command): may a relation of
    // `type` start at `box`?
    bool CanStartRelation(const TGroupFrame& box, TModGroupType type) const;
    // May an end of the relation be dragged?
    bool CanGrabRelation(const TGroupRelation& relation) const;
    // Which end a press at `point` grabs: the nearer one whose box centre lies
    // within 200 pixels (the start when both are as near); for a loop the
    // start when the press is left of the box centre or on it.
    std::optional<TRelationEnd> GrabbedEnd(const TGroupRelation& relation, QPoint point) const;
    // May a relation of `type` from `start` end at `box`?
    bool CanAttachEnd(const TGroupFrame& start, TModGroupType type, const TGroupFrame& box) const;
    // May the relation's end (start) be moved onto `box`?
    bool CanMoveEndTo(const TGroupRelation& relation, const TGroupFrame& box) const;
    bool CanMoveStartTo(const TGroupRelation& relation, const TGroupFrame& box) const;
    // Whether removing the relation is carried out (it is new or its start is
    // modifiable), over and above the command state.
    bool MayRemoveRelation(const TGroupRelation& relation) const;

    // --- changes; each refuses (returns false or null, changes nothing) what
    // the rules above do not allow ---
    TGroupRelation* DrawRelation(TGroupFrame& start, TGroupFrame& end, TModGroupType type);
    bool RemoveRelation(TGroupRelation& relation);
    bool Retype(TGroupRelation& relation, TModGroupType type);
    bool RevertDirection(TGroupRelation& relation);
    bool MoveEnd(TGroupRelation& relation, TGroupFrame& box);
    bool MoveStart(TGroupRelation& relation, TGroupFrame& box);
    bool RemoveGroup(TGroupFrame& box);
    // Shows a removed box again, with its relations.
    bool RestoreGroup(TGroupFrame& box);
    // Moves a box (dragging); false when it may not be moved.
    bool MoveBox(TGroupFrame& box, QPoint topLeft);
    // Places a box without marking it moved (laying out, resizing).
    void PlaceBox(TGroupFrame& box, QRect bounds);
    // Marks a box whose automatic place should be kept when saving (it had
    // none); only boxes the administrator may move are marked.
    void KeepAutomaticPlace(TGroupFrame& box);
    // "Edit": takes over the properties and the new size.
    bool EditGroup(TGroupFrame& box, TGroupProperties properties, QSize size);
    // "Add new group": a new box and a new strong relation to it from the
    // administrator's group.
    TGroupFrame* AddNewGroup(TGroupProperties properties, QPoint topLeft, QSize size);

    // --- selection and tools ---
    TGroupFrame* CurrentBox() const noexcept { return currentBox_; }
    TGroupRelation* CurrentRelation() const noexcept { return currentRelation_; }
    // Selecting a box clears the current relation and the other way round.
    void SetCurrentBox(TGroupFrame* box);
    void SetCurrentRelation(TGroupRelation* relation);
    TRelationActions CurrentRelationActions() const { return RelationActions(currentRelation_); }
    TBoxActions CurrentBoxActions() const { return BoxActions(currentBox_); }

    THierarchyTool Tool() const noexcept { return tool_; }
    bool ToolLocked() const noexcept { return toolLocked_; }
    // Pressing a tool selects it; pressing the active relation tool again
    // locks it (and once more unlocks it).
    void PressTool(THierarchyTool tool);
    // After an accepted drop: back to selection unless the tool is locked.
    void RelationDropped();
    // A click on empty canvas: nothing current, selection mode.
    void ClickEmptyCanvas();

    // --- results ---
    std::vector<TRemovedGroup> RemovedGroups() const;
    std::vector<TEditedGroup> EditedGroups() const;
    std::vector<TMovedGroup> MovedGroups() const;
    std::vector<TNewGroup> NewGroups() const;
    // Records the group created for a new box (-1: none was created).
    void SetNewGroupID(int row, int groupID);
    // One id per new box in row order: the created group's, or -1 for a box
    // that was removed or whose group was not created.
    std::vector<int> NewGroupIDs() const;
    // The edges for the hierarchy change: the removed originals (without
    // those touching a new group), and every flagged relation whose boxes are
    // both visible and whose new groups exist, in box order and per box in
    // the order of its outgoing relations.
    std::vector<ModGroup> RemovedEdges() const;
    std::vector<ModGroup> AddedEdges() const;
    ModGroupIterator RemovedRelationIterator() const;
    ModGroupIterator AddedRelationIterator() const;

private:
    TGroupFrame& MakeNewBox(TGroupProperties properties, QPoint topLeft, QSize size, bool passedIn);
    TGroupRelation& MakeRelation(
        TGroupFrame& start, TGroupFrame& end, TModGroupType type, bool isNew);
    // Keeps the original of a relation read from the database before its
    // first change, and flags it new.
    void NoteChange(TGroupRelation& relation);
    void Detach(TGroupRelation& relation);
    void Attach(TGroupRelation& relation);
    // Arrows that share a side of a box are spread along it, ordered by
    // where their other ends lie, so that they neither meet in one point nor
    // cross near the box.
    void AssignPorts(TGroupFrame& box);
    // Reassigns the ports of the boxes and redraws every relation at them.
    void Reroute(std::vector<TGroupFrame*> boxes);
    // The same for a box and every box related to it (it moved, changed its
    // size, or was hidden or shown), and redraws the other arrows that run
    // under its place now or were bent round its former place.
    void RerouteAround(TGroupFrame& box, QRect formerPlace = {});
    // Redraws a relation between its ports: straight, or through a bend
    // beside the boxes a straight line would pass under (where one is found).
    void Redraw(TGroupRelation& relation) const;
    bool HasRelation(const TGroupFrame& start, const TGroupFrame& end) const;
    bool CanModify() const noexcept { return permissions_.Modify || permissions_.Unrestricted; }

    THierarchyPermissions permissions_;
    int groupCount_;
    int administratorRow_;
    std::vector<std::unique_ptr<TGroupFrame>> boxes_;
    std::vector<std::unique_ptr<TGroupRelation>> relations_;
    std::vector<ModGroup> removedOriginals_;
    std::vector<int> newGroupIDs_; // per new box
    int passedNewGroupRow_ = -1;
    TGroupFrame* currentBox_ = nullptr;
    TGroupRelation* currentRelation_ = nullptr;
    THierarchyTool tool_ = THierarchyTool::Select;
    bool toolLocked_ = false;
    bool routingSuspended_ = false;
};

} // namespace Security
