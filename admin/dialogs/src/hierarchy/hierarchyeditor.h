#pragma once
// The one call through which the full administration dialog opens the group
// hierarchy editor, for "Hierarchy ..." and after the new-group dialog of
// "Ne&w group ...": it starts the hierarchy change, shows the editor modally
// with the real change-group and new-group dialogs behind "Edit", "Add new
// group" and the groups drawn in the editor, and after "Save and exit" writes
// the removed, edited, moved and new groups and then the relation set.

#include "loggeduser.h"
#include "securitynewgroupfrm.h"

#include <wardlock/keeper/secdmodbase.h>
#include <wardlock/types.h>

#include <optional>

namespace vcl {
class TComponent;
}

namespace Security {

// Runs the group hierarchy editor over the full data module.
//
// - `module`: the full dialog's data module; its pending edits must have been
//   applied or discarded before (the full dialog asks first).
// - `owner`: the window the editor and its dialogs belong to (the full
//   dialog), or null.
// - `logged`: the logged administrator; his options limit what the group
//   dialogs may grant.
// - `administrationMask`: his rights on the pseudo-form "Security" (Delete,
//   Modify and Insert decide the editor's command states).
// - `newGroup`: the group the new-group dialog of "Ne&w group ..." has just
//   collected; the editor opens with its box, administered strongly by the
//   administrator's group, and it is created as collected (with the name,
//   full name, description and options its box has when the editor closes).
//
// Returns true when the editor closed with "Save and exit" and everything was
// written, false when it was left without saving (nothing is written). A
// database failure while saving is thrown on (an ESecDModException whose
// message is the string-table text) after the new-group sequence and the
// hierarchy change are ended, so the full dialog is usable again; groups
// already written stay, the relation set is not written.
bool ShowHierarchyEditor(TSecDModDlgBaseFrm& module, vcl::TComponent* owner, TLoggedUser logged,
    SecRightsMask administrationMask, const std::optional<TNewGroupData>& newGroup = std::nullopt);

} // namespace Security
