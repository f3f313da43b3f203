#pragma once
// What the hierarchy editor tests, the real-window run and the benchmark need
// from a security database before the full data module exists: the groups
// dataset in the data module's order (by FullName) with a "Modificable"
// column, the hierarchy table built from ModGroups row by row as the data
// module builds it, the administrator's row, and the unrestricted flag. Also
// small databases (only the Groups and ModGroups tables) and generated ones of
// any size.

#include "hierarchy/hierarchyinput.h"

#include <wardlock/data/connection.h>
#include <wardlock/data/dbdataset.h>
#include <wardlock/keeper/grouphierarchy.h>

#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace wltest {

// The box of the group named `name`; throws std::logic_error when there is
// none.
Security::TGroupFrame& BoxNamed(const Security::THierarchyModel& model, const std::string& name);
// The attached relation between the groups named `from` and `to`; throws
// std::logic_error when there is none.
Security::TGroupRelation& RelationNamed(
    const Security::THierarchyModel& model, const std::string& from, const std::string& to);
// Whether such a relation exists.
bool HasRelation(
    const Security::THierarchyModel& model, const std::string& from, const std::string& to);

// An SQLite database file (created when missing) on a connection of its own.
std::unique_ptr<vcl::TDatabase> OpenSqlite(const QString& file, vcl::TComponent* owner = nullptr);

// The two tables the editor reads, with the security database's columns.
void CreateHierarchyTables(vcl::TDatabase& database);

struct GroupSpec {
    std::string name;
    std::string fullName;
    std::string description;
    int position = 0;
    bool passwdControl = false;
};
// Inserts a group and returns its id.
int InsertGroup(vcl::TDatabase& database, const GroupSpec& group);
void InsertRelation(vcl::TDatabase& database, int groupID, int modGroupID, int type);

// A company of `groups` groups (the first, "Board", administers itself and so
// is unrestricted) and about `relations` relations: an organisation tree of
// strong relations under the board (five to seven groups under each), weak
// and negative relations across it. Groups
// have no positions. Returns the board's id. The same seed gives the same
// company.
int GenerateCompany(vcl::TDatabase& database, int groups, int relations, unsigned seed = 1);

// The groups and the hierarchy of a security database, read as the full data
// module reads them, for an administrator who is a member of the group
// `administratorGroupID`.
class SecurityHierarchy {
public:
    SecurityHierarchy(vcl::TDatabase& database, int administratorGroupID);
    ~SecurityHierarchy();

    vcl::TDataSet* Groups() const noexcept { return groups_; }
    const Security::GroupHierarchyEntry* Table() const noexcept { return entries_.data(); }
    int GroupCount() const noexcept { return static_cast<int>(entries_.size()); }
    int AdministratorRow() const noexcept { return administratorRow_; }
    bool Unrestricted() const noexcept { return unrestricted_; }
    const std::vector<bool>& Modificable() const noexcept { return modificable_; }
    // The row of a group id (-1 when it has none).
    int RowOf(int groupID) const;

    Security::THierarchyEditorInput Input(Security::SecRightsMask administrationMask) const;

private:
    void ReadTable(vcl::TDatabase& database, const std::vector<int>& groupIDs);
    void ComputeModificable();

    vcl::TQuery* groups_ = nullptr;
    std::vector<Security::GroupHierarchyEntry> entries_;
    std::vector<std::uint16_t> lists_; // the entries' lists point in here
    int administratorRow_ = -1;
    bool unrestricted_ = false;
    std::vector<bool> modificable_;
    std::unique_ptr<vcl::TComponent> owner_;
};

} // namespace wltest
