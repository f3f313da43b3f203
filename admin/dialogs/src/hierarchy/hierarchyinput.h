#pragma once
// What the full administration dialog hands the hierarchy editor when it
// opens it, and how the diagram is built from that.

#include "hierarchy/hierarchymodel.h"

#include <wardlock/keeper/grouphierarchy.h>
#include <wardlock/types.h>

#include <functional>
#include <memory>
#include <optional>

namespace vcl {
class TDataSet;
}

namespace Security {

struct THierarchyEditorInput {
    // The groups, with the fields "GroupID", "Name", "FullName",
    // "Description", "Position", "AllowChangePswd", "AllowNullPasswd",
    // "NoChPswdAtLogin", "AccountEnabled", "PasswdControl" and "Modificable".
    // Read, never moved or changed; matched to the table's rows by GroupID.
    vcl::TDataSet* Groups = nullptr;
    // The hierarchy table and its group count, as the data module handed
    // them out when the hierarchy change started; row numbers of the saved
    // edges refer to these.
    const GroupHierarchyEntry* Hierarchy = nullptr;
    int GroupCount = 0;
    // The row of the logged administrator's group.
    int AdministratorRow = -1;
    // The administration rights mask (Delete, Modify and Insert count).
    SecRightsMask AdministrationMask = 0;
    bool Unrestricted = false;
    // A group the "new group" command has already collected, shown as a new
    // box administered by the administrator's group.
    std::optional<TGroupProperties> NewGroup;
};

// The size a box needs for a group's texts.
using TBoxMeasure = std::function<QSize(const TGroupProperties&)>;

// Builds the diagram: one box per group in dataset order at its stored
// position, the passed-in new group, and the relations of the table.
//
// Boxes whose stored position is 0 have never been placed (a fresh database
// or groups made elsewhere). They are laid out automatically (see
// LayOutUnplaced): all of them from the canvas origin when no box has a
// position, else below the placed boxes, so that they neither pile up at the
// origin nor cover placed boxes. A box the administrator may move keeps its
// automatic place when the editor is saved.
//
// A row of the table whose group the dataset does not show (its deletion
// waits in the data module's cache; its GroupID may be -1) gets an absent
// box. Throws vcl::Exception when the dataset shows a group the table does
// not hold.
std::unique_ptr<THierarchyModel> LoadHierarchy(
    const THierarchyEditorInput& input, const TBoxMeasure& measure);

// Where a new box goes: below the administrator's box when there is one, in
// the nearest free place.
QPoint NewBoxPlace(const THierarchyModel& model, QSize size);

} // namespace Security
