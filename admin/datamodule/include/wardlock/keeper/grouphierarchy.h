#pragma once
// The group hierarchy as the full administration data module hands it to the
// hierarchy editor, and the edges the editor hands back. Groups are named by
// their row number in the groups dataset (its numbering field), so that
// groups created while the editor is open can be numbered after the existing
// ones.

#include <cstdint>
#include <functional>

namespace Security {

// The ModGroups types: what members of a group may do to a listed group.
enum TModGroupType : std::uint8_t {
    mgNegative = 0, // may not administer it (wins over a strong chain)
    mgWeak = 1, // may administer it, not followed further
    mgStrong = 2, // may administer it and every group it strongly lists
};

// One group's hierarchy rows: for each type, the row numbers of the groups it
// lists. The lists point into one array owned by the data module; they stay
// valid until the hierarchy is rebuilt.
struct GroupHierarchyEntry {
    // Row numbers of listed groups, in the data module's array (not owned).
    struct RowList {
        // The rows and their number.
        const std::uint16_t* Rows = nullptr;
        std::uint16_t Count = 0;
    };
    RowList Lists[3]; // indexed by TModGroupType
    // The group's ID.
    std::int32_t GroupID = -1;
};

// One hierarchy edge exchanged with the hierarchy editor. Rows below the
// group count are rows of the hierarchy table; rows from the group count up
// are groups created while editing, whose ids are handed over separately.
struct ModGroup {
    // The administering group's row, the listed group's row, and the type (TModGroupType).
    std::uint16_t GroupRow = 0;
    std::uint16_t ModGroupRow = 0;
    std::uint8_t Type = mgStrong;
};

// Yields the edges one by one: called first with cursor 0, fills `edge` and
// returns the next cursor, or returns 0 when there are no more edges.
using ModGroupIterator = std::function<int(ModGroup& edge, int cursor)>;

} // namespace Security
