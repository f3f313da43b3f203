#pragma once
// The hierarchy editor run over the full data module, as the full dialog's
// "Hierarchy ..." and "Ne&w group ..." commands run it: the hierarchy change
// is started, the editor shown, and after "Save and exit" the changes are
// written in the documented order (removed, edited and moved groups, then the
// new groups, then the relation set); otherwise the change ends without
// writing.

#include "hierarchy/hierarchyedfrm.h"

#include <wardlock/keeper/secdmodbase.h>

#include <functional>
#include <optional>

namespace Security {

// What the new-group dialog collects beyond a group's properties.
struct TNewGroupDetails {
    bool RightsFromGroup = false;
    int RightsGroupID = -1;
    bool ParamsFromGroup = false;
    int ParamsGroupID = -1;
    TCheckBoxState DefInsert = cbGrayed;
    TCheckBoxState DefDelete = cbGrayed;
    TCheckBoxState DefModify = cbGrayed;
    TCheckBoxState DefView = cbGrayed;
};

// Shows the new-group dialog for a group drawn in the editor, pre-filled with
// its properties: true with the completed data on OK, false on Cancel (the
// group is not created and none of its relations are written).
using TNewGroupDialog = std::function<bool(TGroupProperties& group, TNewGroupDetails& details)>;

struct THierarchyEditorRun {
    // The administration rights mask of the logged administrator.
    SecRightsMask AdministrationMask = 0;
    // A group the "new group" command has collected completely; created as
    // it is (with the properties its box has when the editor closes).
    std::optional<TGroupProperties> NewGroup;
    TNewGroupDetails NewGroupDetails;
    TChangeGroupDialog ChangeGroup;
    TNewGroupDialog NewGroupDialog;
};

// Starts the hierarchy change, shows the editor modally and saves after
// "Save and exit". True when it was saved, false when the editor was left
// without saving. Whatever happens, the hierarchy change is over when this
// returns or throws (a failure is thrown after that, for the caller to
// report).
bool RunHierarchyEditor(
    TSecDModDlgBaseFrm& module, vcl::TComponent* owner, const THierarchyEditorRun& run);

// Writes what the editor's model holds, on a hierarchy change the module has
// started for it: every removed group that still exists is deleted, edited
// groups get their properties and position, moved groups their position;
// the updates are applied; each new group is created (through the new-group
// dialog, except the one passed in); last the removed and added relations.
// A failure on the way ends what the save began (the new-group sequence and
// the hierarchy change) before it is thrown on.
void SaveHierarchy(
    TSecDModDlgBaseFrm& module, THierarchyModel& model, const THierarchyEditorRun& run);

} // namespace Security
