#include "hierarchy/hierarchysave.h"

#include <wardlock/platform/dialogs.h>

#include <cstdint>
#include <vector>

namespace Security {

namespace {

// Ends the hierarchy change without writing, keeping the first error.
void EndWithoutWriting(TSecDModDlgBaseFrm& module) noexcept
{
    try {
        module.ChangeGroupHierachyEnd({}, {}, {});
    } catch (...) {
    }
}

int CreateGroup(TSecDModDlgBaseFrm& module, const TGroupProperties& group,
    const TNewGroupDetails& details, int position)
{
    const TGroupOptions& options = group.Options;
    return module.NewGroupMiddle(group.Name.c_str(), group.FullName.c_str(),
        group.Description.c_str(), options.AllowChangePswd, options.AllowNullPasswd,
        options.NoChPswdAtLogin, options.AccountEnabled, options.PasswdControl,
        details.RightsFromGroup, details.RightsGroupID, details.ParamsFromGroup,
        details.ParamsGroupID, details.DefInsert, details.DefDelete, details.DefModify,
        details.DefView, 0, position);
}

} // namespace

bool RunHierarchyEditor(
    TSecDModDlgBaseFrm& module, vcl::TComponent* owner, const THierarchyEditorRun& run)
{
    std::uint16_t administratorRow = 0;
    const std::span<const GroupHierarchyEntry> table
        = module.ChangeGroupHierachyStart(administratorRow);
    THierarchyEditorInput input;
    input.Groups = module.Current.Groups;
    input.Hierarchy = table.data();
    input.GroupCount = static_cast<int>(table.size());
    input.AdministratorRow = administratorRow == UINT16_MAX ? -1 : administratorRow;
    input.AdministrationMask = run.AdministrationMask;
    input.Unrestricted = module.Unrestricted();
    input.NewGroup = run.NewGroup;

    std::unique_ptr<TSecurityHierarchyEdFrm> editor;
    try {
        editor = std::make_unique<TSecurityHierarchyEdFrm>(owner, input, run.ChangeGroup);
        if (editor->ShowModal() != vcl::mrOk) {
            module.ChangeGroupHierachyEnd({}, {}, {});
            return false;
        }
    } catch (...) {
        EndWithoutWriting(module);
        throw;
    }
    SaveHierarchy(module, editor->Model(), run);
    return true;
}

void SaveHierarchy(
    TSecDModDlgBaseFrm& module, THierarchyModel& model, const THierarchyEditorRun& run)
{
    bool newGroupsOpen = false;
    bool created = false;
    try {
        for (const TRemovedGroup& group : model.RemovedGroups())
            if (module.FindGroup(group.GroupID))
                module.DelGroup();
        for (const TEditedGroup& group : model.EditedGroups()) {
            if (!module.FindGroup(group.GroupID))
                continue;
            const TGroupProperties& properties = group.Properties;
            const TGroupOptions& options = properties.Options;
            module.ChangeGroup(properties.Name.c_str(), properties.FullName.c_str(),
                properties.Description.c_str(), options.AllowChangePswd, options.AllowNullPasswd,
                options.NoChPswdAtLogin, options.AccountEnabled, options.PasswdControl,
                group.Position);
        }
        for (const TMovedGroup& group : model.MovedGroups())
            if (module.FindGroup(group.GroupID))
                module.ChangeGroup(group.Position);
        module.ApplyUpdates();

        const std::vector<TNewGroup> newGroups = model.NewGroups();
        if (!newGroups.empty()) {
            module.NewGroupStart();
            newGroupsOpen = true;
            for (const TNewGroup& group : newGroups) {
                TGroupProperties properties = group.Properties;
                TNewGroupDetails details
                    = group.FromNewGroupCommand ? run.NewGroupDetails : TNewGroupDetails {};
                const bool confirmed = group.FromNewGroupCommand
                    || (run.NewGroupDialog && run.NewGroupDialog(properties, details));
                int groupID = -1;
                if (confirmed) {
                    groupID = CreateGroup(module, properties, details, group.Position);
                    created = true;
                }
                model.SetNewGroupID(group.Row, groupID);
            }
            newGroupsOpen = false;
            module.NewGroupEnd(created);
        }
    } catch (...) {
        if (newGroupsOpen) {
            try {
                module.NewGroupEnd(created);
            } catch (...) {
            }
        }
        EndWithoutWriting(module);
        throw;
    }
    // Rows are those of the table handed out when the editor opened; groups
    // made above follow from its size on, -1 for a box without a group.
    const std::vector<int> newGroupIDs = model.NewGroupIDs();
    module.ChangeGroupHierachyEnd(
        model.AddedRelationIterator(), model.RemovedRelationIterator(), newGroupIDs);
}

} // namespace Security
