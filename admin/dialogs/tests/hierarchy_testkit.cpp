#include "hierarchy_testkit.h"

#include <wardlock/platform/exception.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <stdexcept>

using namespace Security;

namespace wltest {

namespace {

// Orders ties by id, so that two reads give the same rows.
constexpr const char* kGroupsOrder = " FROM Groups ORDER BY FullName, GroupID";

std::unique_ptr<vcl::TQuery> Query(vcl::TDatabase& database, const std::string& sql)
{
    auto query = std::make_unique<vcl::TQuery>();
    query->SetDatabase(&database);
    query->SQL().SetText(sql);
    return query;
}

} // namespace

TGroupFrame& BoxNamed(const THierarchyModel& model, const std::string& name)
{
    for (int row = 0; row < model.BoxCount(); ++row)
        if (model.Box(row).Name() == name && !model.Box(row).Absent())
            return model.Box(row);
    throw std::logic_error("no box " + name + " in the diagram");
}

TGroupRelation& RelationNamed(
    const THierarchyModel& model, const std::string& from, const std::string& to)
{
    TGroupRelation* relation = model.FindRelation(BoxNamed(model, from), BoxNamed(model, to));
    if (!relation)
        throw std::logic_error("no relation " + from + ">" + to + " in the diagram");
    return *relation;
}

bool HasRelation(const THierarchyModel& model, const std::string& from, const std::string& to)
{
    return model.FindRelation(BoxNamed(model, from), BoxNamed(model, to)) != nullptr;
}

std::unique_ptr<vcl::TDatabase> OpenSqlite(const QString& file, vcl::TComponent* owner)
{
    auto database = std::make_unique<vcl::TDatabase>(owner);
    database->SetDriverName("QSQLITE");
    database->SetLoginPrompt(false);
    database->Params().SetValues("DATABASE NAME", file.toStdString());
    database->Params().SetValues("CREATE", "TRUE");
    database->Open();
    return database;
}

void CreateHierarchyTables(vcl::TDatabase& database)
{
    database.Execute("CREATE TABLE Groups (GroupID INTEGER PRIMARY KEY AUTOINCREMENT, "
                     "Name varchar(16) NOT NULL UNIQUE, FullName varchar(50) NOT NULL, "
                     "Description varchar(255), PasswdControl BOOLEAN NOT NULL DEFAULT 0, "
                     "AllowNullPasswd BOOLEAN NOT NULL DEFAULT 0, "
                     "AllowChangePswd BOOLEAN NOT NULL DEFAULT 1, "
                     "NoChPswdAtLogin BOOLEAN NOT NULL DEFAULT 0, "
                     "AccountEnabled BOOLEAN NOT NULL DEFAULT 1, "
                     "Position INTEGER NOT NULL DEFAULT 0)");
    database.Execute("CREATE TABLE ModGroups (GroupID INTEGER NOT NULL, ModGroupID INTEGER NOT "
                     "NULL, Type SMALLINT NOT NULL, PRIMARY KEY (GroupID, ModGroupID))");
}

int InsertGroup(vcl::TDatabase& database, const GroupSpec& group)
{
    auto insert = Query(database,
        "INSERT INTO Groups (Name, FullName, Description, Position, PasswdControl) "
        "VALUES (:Name, :FullName, :Description, :Position, :PasswdControl)");
    insert->ParamByName("Name").SetAsString(group.name);
    insert->ParamByName("FullName").SetAsString(group.fullName);
    insert->ParamByName("Description").SetAsString(group.description);
    insert->ParamByName("Position").SetAsInteger(group.position);
    insert->ParamByName("PasswdControl").SetAsInteger(group.passwdControl ? 1 : 0);
    insert->ExecSQL();
    auto id = Query(database, "SELECT GroupID FROM Groups WHERE Name = :Name");
    id->ParamByName("Name").SetAsString(group.name);
    id->Open();
    return id->FieldByName("GroupID")->AsInteger();
}

void InsertRelation(vcl::TDatabase& database, int groupID, int modGroupID, int type)
{
    auto insert = Query(database,
        "INSERT INTO ModGroups (GroupID, ModGroupID, Type) VALUES (:GroupID, :ModGroupID, :Type)");
    insert->ParamByName("GroupID").SetAsInteger(groupID);
    insert->ParamByName("ModGroupID").SetAsInteger(modGroupID);
    insert->ParamByName("Type").SetAsInteger(type);
    insert->ExecSQL();
}

int GenerateCompany(vcl::TDatabase& database, int groups, int relations, unsigned seed)
{
    static const char* const kTeams[] = { "Accounting", "Payroll", "Sales", "Support", "Audit",
        "Logistics", "Purchasing", "Legal", "Research", "Quality", "Marketing", "Treasury" };
    constexpr int kTeamCount = static_cast<int>(std::size(kTeams));
    std::mt19937 random(seed);
    database.StartTransaction();
    std::vector<int> ids;
    ids.push_back(InsertGroup(database, { "Board", "Board of directors", "Runs the company" }));
    for (int i = 1; i < groups; ++i) {
        const std::string team = kTeams[random() % kTeamCount];
        const std::string number = std::to_string(i);
        ids.push_back(InsertGroup(database,
            { team.substr(0, 10) + number, team + " team " + number,
                team + " of branch " + number }));
    }
    std::set<std::pair<int, int>> taken;
    auto relate = [&](int from, int to, int type) {
        if (taken.insert({ from, to }).second)
            InsertRelation(database, ids[from], ids[to], type);
    };
    relate(0, 0, mgStrong); // the board administers itself: unrestricted
    // An organisation: divisions under the board, departments under the
    // divisions, teams under the departments, five to seven each.
    std::vector<int> level { 0 };
    for (int next = 1; next < groups;) {
        std::vector<int> below;
        for (size_t i = 0; i < level.size() && next < groups; ++i)
            for (int k = 5 + static_cast<int>(random() % 3); k > 0 && next < groups; --k) {
                relate(level[i], next, mgStrong);
                below.push_back(next++);
            }
        level = std::move(below);
    }
    const int wanted = std::min(relations, groups * (groups - 1));
    for (int guard = 0; static_cast<int>(taken.size()) < wanted && guard < 50 * wanted; ++guard) {
        const int from = 1 + static_cast<int>(random() % static_cast<unsigned>(groups - 1));
        const int to = 1 + static_cast<int>(random() % static_cast<unsigned>(groups - 1));
        if (from != to)
            relate(from, to, random() % 5 < 3 ? mgWeak : mgNegative);
    }
    database.Commit();
    return ids[0];
}

SecurityHierarchy::SecurityHierarchy(vcl::TDatabase& database, int administratorGroupID)
    : owner_(std::make_unique<vcl::TComponent>())
{
    std::vector<int> groupIDs;
    {
        auto ids = Query(database, std::string("SELECT GroupID") + kGroupsOrder);
        ids->Open();
        for (; !ids->Eof(); ids->Next())
            groupIDs.push_back(ids->FieldByName("GroupID")->AsInteger());
    }
    if (groupIDs.size() > 0xFFFF)
        throw vcl::Exception("too many groups for 16-bit rows");
    ReadTable(database, groupIDs);
    administratorRow_ = RowOf(administratorGroupID);
    ComputeModificable();

    // The groups dataset with the "Modificable" column the data module keeps
    // in memory; ids are numbers, so listing them in the statement is safe.
    std::string modifiable;
    for (size_t row = 0; row < groupIDs.size(); ++row)
        if (modificable_[row])
            modifiable += (modifiable.empty() ? "" : ",") + std::to_string(groupIDs[row]);
    const std::string column
        = modifiable.empty() ? "0" : "CASE WHEN GroupID IN (" + modifiable + ") THEN 1 ELSE 0 END";
    groups_ = new vcl::TQuery(owner_.get());
    groups_->SetDatabase(&database);
    groups_->SQL().SetText("SELECT GroupID, Name, FullName, Description, Position, "
                           "AllowChangePswd, AllowNullPasswd, NoChPswdAtLogin, AccountEnabled, "
                           "PasswdControl, "
        + column + " AS Modificable" + kGroupsOrder);
    groups_->Open();
}

SecurityHierarchy::~SecurityHierarchy() = default;

void SecurityHierarchy::ReadTable(vcl::TDatabase& database, const std::vector<int>& groupIDs)
{
    std::map<int, int> rowOf;
    for (size_t row = 0; row < groupIDs.size(); ++row)
        rowOf[groupIDs[row]] = static_cast<int>(row);
    // Rows listed per group and type, in the order of ModGroups.
    std::vector<std::vector<std::uint16_t>> lists(groupIDs.size() * 3);
    auto rows = Query(database,
        "SELECT GroupID, ModGroupID, Type FROM ModGroups ORDER BY GroupID, Type, ModGroupID");
    rows->Open();
    size_t total = 0;
    for (; !rows->Eof(); rows->Next()) {
        const auto from = rowOf.find(rows->FieldByName("GroupID")->AsInteger());
        const auto to = rowOf.find(rows->FieldByName("ModGroupID")->AsInteger());
        const int type = rows->FieldByName("Type")->AsInteger();
        if (from == rowOf.end() || to == rowOf.end() || type < 0 || type > 2)
            continue; // an inconsistent row is skipped, as the data module may
        lists[static_cast<size_t>(from->second) * 3 + static_cast<size_t>(type)].push_back(
            static_cast<std::uint16_t>(to->second));
        ++total;
    }
    // One shared array, as the data module keeps it.
    lists_.clear();
    lists_.reserve(total);
    for (const auto& list : lists)
        lists_.insert(lists_.end(), list.begin(), list.end());
    entries_.assign(groupIDs.size(), GroupHierarchyEntry {});
    size_t offset = 0;
    for (size_t row = 0; row < groupIDs.size(); ++row) {
        entries_[row].GroupID = groupIDs[row];
        for (size_t type = 0; type < 3; ++type) {
            const auto& list = lists[row * 3 + type];
            entries_[row].Lists[type].Rows = lists_.data() + offset;
            entries_[row].Lists[type].Count = static_cast<std::uint16_t>(list.size());
            offset += list.size();
        }
    }
}

void SecurityHierarchy::ComputeModificable()
{
    modificable_.assign(entries_.size(), false);
    unrestricted_ = false;
    if (administratorRow_ < 0)
        return; // without his group nothing is his
    auto list = [&](int row, int type) {
        const auto& rows = entries_[static_cast<size_t>(row)].Lists[type];
        return std::vector<int>(rows.Rows, rows.Rows + rows.Count);
    };
    std::vector<int> stack;
    for (int row : list(administratorRow_, mgStrong)) {
        if (row == administratorRow_)
            unrestricted_ = true;
        modificable_[static_cast<size_t>(row)] = true;
        stack.push_back(row);
    }
    while (!stack.empty()) {
        const int row = stack.back();
        stack.pop_back();
        for (int next : list(row, mgStrong))
            if (!modificable_[static_cast<size_t>(next)]) {
                modificable_[static_cast<size_t>(next)] = true;
                stack.push_back(next);
            }
    }
    for (int row : list(administratorRow_, mgNegative))
        modificable_[static_cast<size_t>(row)] = false;
    for (int row : list(administratorRow_, mgWeak))
        modificable_[static_cast<size_t>(row)] = true;
    // A group that administers itself reaches every group.
    if (unrestricted_)
        modificable_.assign(entries_.size(), true);
}

int SecurityHierarchy::RowOf(int groupID) const
{
    for (size_t row = 0; row < entries_.size(); ++row)
        if (entries_[row].GroupID == groupID)
            return static_cast<int>(row);
    return -1;
}

THierarchyEditorInput SecurityHierarchy::Input(SecRightsMask administrationMask) const
{
    THierarchyEditorInput input;
    input.Groups = groups_;
    input.Hierarchy = entries_.data();
    input.GroupCount = GroupCount();
    input.AdministratorRow = administratorRow_;
    input.AdministrationMask = administrationMask;
    input.Unrestricted = unrestricted_;
    return input;
}

} // namespace wltest
