// The group hierarchy of the full administration data module: the table of
// rows each group lists (built from Groups and ModGroups), which groups the
// logged administrator may modify, whether a group may receive a user, and
// writing the hierarchy editor's changes.

#include "formbuild.h"
#include "valuehelpers.h"

#include <wardlock/data/dbdataset.h>
#include <wardlock/keeper/dmodexceptions.h>
#include <wardlock/keeper/intnofield.h>
#include <wardlock/keeper/mutfields.h>
#include <wardlock/keeper/secdmoddlg.h>
#include <wardlock/security.h>

#include <array>
#include <exception>

namespace Security {

using vcl::TDataSet;
using namespace ValueHelpers;

namespace {

constexpr unsigned kMaxGroups = UINT16_MAX;

// Calls `visit` for every edge the iterator yields.
template<class Visit> void EachEdge(const ModGroupIterator& edges, Visit&& visit)
{
    if (!edges)
        return;
    ModGroup edge;
    for (int cursor = edges(edge, 0); cursor != 0; cursor = edges(edge, cursor))
        visit(edge);
}

} // namespace

int TSecDModDlgFrm::GroupRowOf(int groupID) const
{
    auto found = groupRowOf_.find(groupID);
    return found == groupRowOf_.end() ? -1 : found->second;
}

bool TSecDModDlgFrm::RowModificable(int row) const
{
    return row >= 0 && static_cast<size_t>(row) < modifiable_.size() && modifiable_[row] != 0;
}

// One entry per row the groups were numbered with when Groups was opened
// (GroupsRecNo), so that entries and the numbering always agree, also while a
// deleted group waits in the cache: a row that is gone keeps an entry without
// a group.
void TSecDModDlgFrm::RefreshGroupsModGroups()
{
    const unsigned count = GroupsRecNo->RecCount();
    if (count > kMaxGroups)
        throw ESecDModException("The security database holds " + std::to_string(count)
            + " groups; the group hierarchy can address at most " + std::to_string(kMaxGroups)
            + ".");
    hierarchy_.assign(count, GroupHierarchyEntry {});
    groupRowOf_.clear();
    const int current = CGroupID();
    {
        SuspensionOff noRefill(*this);
        FormBuild::WithAllRows(*Groups, [&] {
            for (Groups->First(); !Groups->Eof(); Groups->Next()) {
                const int row = GroupsRecNo->AsInteger();
                if (row < 0 || static_cast<unsigned>(row) >= count)
                    continue;
                hierarchy_[static_cast<size_t>(row)].GroupID = GroupsGroupID->AsInteger();
                groupRowOf_[GroupsGroupID->AsInteger()] = row;
            }
        });
        if (current >= 0)
            FindGroup(current);
    }
    RefreshModGroups();
}

// The lists of every entry, sorted into one shared array by (row, type).
// Rows naming a group that is not in the table (or a type outside 0..2) are
// skipped, whatever their order.
void TSecDModDlgFrm::RefreshModGroups()
{
    const size_t count = hierarchy_.size();
    struct Edge {
        std::uint16_t row;
        std::uint16_t target;
        std::uint8_t type;
    };
    std::vector<Edge> edges;
    ModGroups->Open();
    try {
        edges.reserve(static_cast<size_t>(ModGroups->RecordCount()));
        for (ModGroups->First(); !ModGroups->Eof(); ModGroups->Next()) {
            const int row = GroupRowOf(ModGroupsGroupID->AsInteger());
            const int target = GroupRowOf(ModGroupsModGroupID->AsInteger());
            const int type = ModGroupsType->AsInteger();
            if (row < 0 || target < 0 || type < mgNegative || type > mgStrong)
                continue;
            edges.push_back({ static_cast<std::uint16_t>(row), static_cast<std::uint16_t>(target),
                static_cast<std::uint8_t>(type) });
        }
    } catch (...) {
        ModGroups->Close();
        throw;
    }
    ModGroups->Close();

    std::vector<std::uint32_t> start(count * 3 + 1, 0);
    for (const Edge& edge : edges)
        ++start[edge.row * 3u + edge.type + 1];
    for (size_t i = 1; i < start.size(); ++i)
        start[i] += start[i - 1];
    // Grown when needed, never shrunk.
    if (listRows_.size() < edges.size())
        listRows_.resize(edges.size());
    std::vector<std::uint32_t> next(start.begin(), start.end() - 1);
    for (const Edge& edge : edges)
        listRows_[next[edge.row * 3u + edge.type]++] = edge.target;
    for (size_t row = 0; row < count; ++row)
        for (int type = 0; type < 3; ++type) {
            const size_t list = row * 3 + static_cast<size_t>(type);
            hierarchy_[row].Lists[type] = { listRows_.data() + start[list],
                static_cast<std::uint16_t>(start[list + 1] - start[list]) };
        }
}

// Rows the group of row `row` may modify: transitively through its Type 2
// lists, minus its Type 0 list, plus its Type 1 list. `lists` is set when
// the group lists itself with Type 2.
std::vector<std::uint8_t> TSecDModDlgFrm::ReachOf(int row, bool* listsItself) const
{
    std::vector<std::uint8_t> reach(hierarchy_.size(), 0);
    if (row < 0 || static_cast<size_t>(row) >= hierarchy_.size())
        return reach;
    const GroupHierarchyEntry& entry = hierarchy_[static_cast<size_t>(row)];
    auto rows = [](const GroupHierarchyEntry::RowList& list) {
        return std::span<const std::uint16_t>(list.Rows, list.Count);
    };
    std::vector<std::uint16_t> pending;
    for (std::uint16_t target : rows(entry.Lists[mgStrong])) {
        if (target == row && listsItself)
            *listsItself = true;
        if (!reach[target]) {
            reach[target] = 1;
            pending.push_back(target);
        }
    }
    while (!pending.empty()) {
        const std::uint16_t from = pending.back();
        pending.pop_back();
        for (std::uint16_t target : rows(hierarchy_[from].Lists[mgStrong]))
            if (!reach[target]) {
                reach[target] = 1;
                pending.push_back(target);
            }
    }
    for (std::uint16_t target : rows(entry.Lists[mgNegative]))
        reach[target] = 0;
    for (std::uint16_t target : rows(entry.Lists[mgWeak]))
        reach[target] = 1;
    return reach;
}

void TSecDModDlgFrm::RefreshModificable(std::uint16_t row)
{
    bool unrestricted = false;
    modifiable_ = ReachOf(row, &unrestricted);
    SetUnrestricted(unrestricted);
    const unsigned count = GroupsModificable->RecCount();
    for (unsigned r = 0; r < count; ++r)
        GroupsModificable->setDataAsBoolean(r, r < modifiable_.size() && modifiable_[r] != 0);
    if (Groups->Active())
        Groups->Resync();
}

// A group that lists itself reaches every group: only an unrestricted
// administrator may place users there.
int TSecDModDlgFrm::CanChangeGroup(std::uint16_t row, std::uint16_t) const
{
    const int refused = adminRow_ >= 0 ? adminRow_ : 0;
    if (row >= hierarchy_.size())
        return refused;
    bool listsItself = false;
    std::vector<std::uint8_t> reach = ReachOf(row, &listsItself);
    if (listsItself) {
        if (!Unrestricted())
            return refused;
        reach.assign(reach.size(), 1);
    }
    for (size_t r = 0; r < reach.size(); ++r)
        if (reach[r] && !RowModificable(static_cast<int>(r)))
            return static_cast<int>(r);
    return -1;
}

bool TSecDModDlgFrm::MayPlaceUserIn(int groupID) const
{
    if (Unrestricted())
        return true;
    const int row = GroupRowOf(groupID);
    return RowModificable(row) && CanChangeGroup(static_cast<std::uint16_t>(row)) == -1;
}

// ---------------------------------------------------------------- the hierarchy editor

std::span<const GroupHierarchyEntry> TSecDModDlgFrm::ChangeGroupHierachyStart(
    std::uint16_t& administratorRow)
{
    SetFilterSuspension(false);
    Groups->DisableControls();
    administratorRow = adminRow_ >= 0 ? static_cast<std::uint16_t>(adminRow_) : UINT16_MAX;
    handedOut_.entries = hierarchy_;
    handedOut_.rows = listRows_;
    for (GroupHierarchyEntry& entry : handedOut_.entries)
        for (auto& list : entry.Lists)
            if (list.Rows)
                list.Rows = handedOut_.rows.data() + (list.Rows - listRows_.data());
    return handedOut_.entries;
}

// Row numbers are those of the table handed to the editor; rows from its
// size up are the groups created meanwhile. The edges are written in one
// transaction; whatever happens, the hierarchy change ends (table rebuilt,
// controls enabled, values following the selection again).
void TSecDModDlgFrm::ChangeGroupHierachyEnd(const ModGroupIterator& added,
    const ModGroupIterator& removed, std::span<const int> newGroupIDs)
{
    struct EndChange {
        TSecDModDlgFrm& module;
        ~EndChange()
        {
            module.handedOut_ = {};
            if (module.Groups->ControlsDisabled())
                module.Groups->EnableControls();
            module.SetFilterSuspension(true);
        }
    } end { *this };
    if (!added)
        return;
    const std::vector<GroupHierarchyEntry>& table
        = handedOut_.entries.empty() ? hierarchy_ : handedOut_.entries;
    auto resolve = [&](std::uint16_t row) {
        if (row < table.size())
            return static_cast<int>(table[row].GroupID);
        const size_t created = row - table.size();
        return created < newGroupIDs.size() ? newGroupIDs[created] : -1;
    };
    std::exception_ptr failure;
    try {
        Transacted([&] {
            EachEdge(removed, [&](const ModGroup& edge) {
                const int group = resolve(edge.GroupRow);
                const int target = resolve(edge.ModGroupRow);
                if (group < 0 || target < 0)
                    return;
                SetQueryParamAsInteger(DeleteModGroups, "GroupID", group);
                SetQueryParamAsInteger(DeleteModGroups, "ModGroupID", target);
                ExecQuery(DeleteModGroups);
            });
            EachEdge(added, [&](const ModGroup& edge) {
                const int group = resolve(edge.GroupRow);
                const int target = resolve(edge.ModGroupRow);
                if (group < 0 || target < 0)
                    return;
                SetQueryParamAsInteger(InsertModGroups, "GroupID", group);
                SetQueryParamAsInteger(InsertModGroups, "ModGroupID", target);
                SetQueryParamAsInteger(InsertModGroups, "Type", edge.Type);
                ExecQuery(InsertModGroups);
            });
        });
    } catch (const std::exception& error) {
        failure = std::make_exception_ptr(EDBOperationFailed(error.what()));
    }
    RebuildAfterGroupChange();
    if (failure)
        std::rethrow_exception(failure);
    FindGroup(LoggedGroupID());
    SetFilterSuspension(true);
    GroupsAfterScroll(Groups);
}

// ---------------------------------------------------------------- groups

void TSecDModDlgFrm::ChangeGroup(const char* name, const char* fullName, const char* description,
    bool allowChangePswd, bool allowNullPasswd, bool noChPswdAtLogin, bool accountEnabled,
    bool passwdControl, int position)
{
    if (!HasCurrentRow(Groups))
        return;
    EditAndPost(Groups, [&] {
        GroupsName->SetAsString(name ? name : "");
        GroupsFullName->SetAsString(fullName ? fullName : "");
        GroupsDescription->SetAsString(description ? description : "");
        GroupsAllowChangePswd->SetAsBoolean(allowChangePswd);
        GroupsAllowNullPasswd->SetAsBoolean(allowNullPasswd);
        GroupsNoChPswdAtLogin->SetAsBoolean(noChPswdAtLogin);
        GroupsAccountEnabled->SetAsBoolean(accountEnabled);
        GroupsPasswdControl->SetAsBoolean(passwdControl);
        GroupsPosition->SetAsInteger(position);
    });
    if (GroupsGroupID->AsInteger() == LoggedGroupID() && Security())
        Security()->SetGroupInfo(
            allowChangePswd, allowNullPasswd, noChPswdAtLogin, accountEnabled, passwdControl);
}

void TSecDModDlgFrm::ChangeGroup(int position)
{
    if (HasCurrentRow(Groups))
        EditAndPost(Groups, [&] { GroupsPosition->SetAsInteger(position); });
}

void TSecDModDlgFrm::DelGroup()
{
    if (!HasCurrentRow(Groups))
        return;
    Groups->Delete();
    // The database removes the group's users with it.
    MarkForRefresh(stUsers);
}

std::uint16_t TSecDModDlgFrm::NewGroupStart()
{
    SetFilterSuspension(false);
    savedDisableCount_ = 0;
    while (Groups->ControlsDisabled()) {
        Groups->EnableControls();
        ++savedDisableCount_;
    }
    return adminRow_ >= 0 ? static_cast<std::uint16_t>(adminRow_) : UINT16_MAX;
}

void TSecDModDlgFrm::SetGroupNameAndRights(vcl::TDBDataSet* command, const char* name,
    TCheckBoxState defInsert, TCheckBoxState defDelete, TCheckBoxState defModify,
    TCheckBoxState defView)
{
    SetQueryParamAsString(command, "GroupName", name);
    SetQueryParamAsInteger(command, "DefInsert", defInsert);
    SetQueryParamAsInteger(command, "DefDelete", defDelete);
    SetQueryParamAsInteger(command, "DefModify", defModify);
    SetQueryParamAsInteger(command, "DefView", defView);
}

// Creates the group with a row for every right and parameter (copied from
// another group when asked) in one transaction; its GroupID. A name that is
// taken fails (214) before anything is looked up by it.
int TSecDModDlgFrm::NewGroupMiddle(const char* name, const char* fullName, const char* description,
    bool allowChangePswd, bool allowNullPasswd, bool noChPswdAtLogin, bool accountEnabled,
    bool passwdControl, bool rightsFromGroup, int rightsGroupID, bool paramsFromGroup,
    int paramsGroupID, TCheckBoxState defInsert, TCheckBoxState defDelete, TCheckBoxState defModify,
    TCheckBoxState defView, unsigned short, int position)
{
    if (Groups->Active() && IsEditing(Groups))
        Groups->Cancel();
    if (AnyUpdatesPending())
        ApplyUpdates();
    vcl::TDBDataSet* rights = rightsFromGroup ? InsertCopyGroupRights : InsertGroupGroupRights;
    vcl::TDBDataSet* params = paramsFromGroup ? InsertCopyGroupParams : InsertGroupGroupParams;
    int groupID = -1;
    try {
        SetQueryParamAsString(InsertGroups, "Name", name);
        SetQueryParamAsString(InsertGroups, "FullName", fullName);
        SetQueryParamAsString(InsertGroups, "Description", description);
        SetQueryParamAsBoolean(InsertGroups, "AllowChangePswd", allowChangePswd);
        SetQueryParamAsBoolean(InsertGroups, "AllowNullPasswd", allowNullPasswd);
        SetQueryParamAsBoolean(InsertGroups, "NoChPswdAtLogin", noChPswdAtLogin);
        SetQueryParamAsBoolean(InsertGroups, "AccountEnabled", accountEnabled);
        SetQueryParamAsBoolean(InsertGroups, "PasswdControl", passwdControl);
        SetQueryParamAsInteger(InsertGroups, "Position", position);
        SetGroupNameAndRights(rights, name, defInsert, defDelete, defModify, defView);
        if (rightsFromGroup)
            SetQueryParamAsInteger(rights, "CopyGroupID", rightsGroupID);
        SetQueryParamAsString(params, "GroupName", name);
        if (paramsFromGroup)
            SetQueryParamAsInteger(params, "CopyGroupID", paramsGroupID);
        Transacted([&] {
            ExecCommands({ InsertGroups, rights, params });
            groupID = GetGroupIDByName(name);
            if (groupID < 0)
                throw vcl::Exception("The new group could not be found by its name");
        });
    } catch (const std::exception& error) {
        throw EDBOperationFailed(error.what());
    }
    MarkForRefresh(stGroups);
    MarkForRefresh(stGroupParams);
    MarkForRefresh(stGroupRights);
    return groupID;
}

void TSecDModDlgFrm::NewGroupEnd(bool)
{
    Refresh();
    for (int i = 0; i < savedDisableCount_; ++i)
        Groups->DisableControls();
    savedDisableCount_ = 0;
    SetFilterSuspension(true);
    GroupsAfterScroll(Groups);
}

// ---------------------------------------------------------------- group values

void TSecDModDlgFrm::FillGroupValues()
{
    if (ViewMode() != vmGroups || !FilterSuspension())
        return;
    FinishValueEdits();
    FillParams();
    FillForms();
    SetMod();
}

void TSecDModDlgFrm::ApplyGroupFilter()
{
    FillGroupValues();
}

void TSecDModDlgFrm::GroupsAfterScroll(TDataSet*)
{
    FillGroupValues();
}

void TSecDModDlgFrm::GroupsBeforePost(TDataSet* dataSet)
{
    if (dataSet->Modified())
        MarkModifiedInCachedMode();
}

void TSecDModDlgFrm::GroupsAfterDelete(TDataSet*)
{
    MarkModifiedInCachedMode();
}

bool TSecDModDlgFrm::GroupModificable()
{
    return HasCurrentRow(Groups) && RowModificable(GroupsRecNo->AsInteger());
}

} // namespace Security
