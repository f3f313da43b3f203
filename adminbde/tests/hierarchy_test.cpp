// The group hierarchy as the full module evaluates it: which groups the
// logged administrator may modify (strong chains, negative and weak rows, a
// group listing itself), which groups may receive a new user, and what the
// hierarchy editor's changes write.

#include "admin_fixture.h"

#include <wardlock/data/dataset.h>
#include <wardlock/keeper/dmodexceptions.h>
#include <wardlock/keeper/secdmoddlg.h>
#include <wardlock/keeper/strings.h>

#include <gmock/gmock.h>

#include <map>
#include <set>

using namespace Security;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

namespace wardlock_test {

namespace {

const std::vector<ModGroup> kNoEdges;

struct Edge {
    const char* from;
    const char* to;
    int type;
};

class HierarchyTest : public AdminTest {
protected:
    void SetUp() override
    {
        AdminTest::SetUp();
        if (IsSkipped())
            return;
        for (const char* name : { "Bosses", "A", "B", "C", "D" })
            AddGroup(name);
        AddUser("boss", GroupID("Bosses"));
    }

    void RelateAll(const std::vector<Edge>& edges)
    {
        for (const Edge& edge : edges)
            Relate(GroupID(edge.from), GroupID(edge.to), edge.type);
    }

    ModulePtr<TSecDModDlgBaseFrm> BossModule() { return FullModule(LoginAs("boss", kPassword)); }

    // The names of the groups of `groups` whose "Modificable" flag is set.
    static std::set<std::string> Modifiable(vcl::TDataSet* groups)
    {
        std::set<std::string> names;
        for (groups->First(); !groups->Eof(); groups->Next())
            if (Flag(groups, "Modificable"))
                names.insert(Text(groups, "Name"));
        return names;
    }

    static std::vector<std::string> Names(vcl::TDataSet* groups)
    {
        std::vector<std::string> names;
        for (groups->First(); !groups->Eof(); groups->Next())
            names.push_back(Text(groups, "Name"));
        return names;
    }

    static TSecDModDlgFrm& Full(TSecDModDlgBaseFrm& module)
    {
        return dynamic_cast<TSecDModDlgFrm&>(module);
    }
};

struct FlavourCase {
    const char* name;
    std::vector<Edge> edges;
    std::set<std::string> modifiable;
    bool unrestricted;
};

// The key of ModGroups allows one type per pair of groups, so a weak row and
// a negative row never name the same group from the same group.
const FlavourCase kFlavours[] = {
    { "StrongIsTransitive", { { "Bosses", "A", 2 }, { "A", "B", 2 } }, { "A", "B" }, false },
    { "NegativeOverridesAStrongChain",
        { { "Bosses", "A", 2 }, { "A", "B", 2 }, { "Bosses", "B", 0 } }, { "A" }, false },
    { "WeakIsNotFollowed", { { "Bosses", "C", 1 }, { "C", "D", 2 } }, { "C" }, false },
    { "WeakAddsBesideAChain", { { "Bosses", "A", 2 }, { "Bosses", "D", 1 } }, { "A", "D" }, false },
    // Only the administrator's own negative rows count.
    { "NegativeOfAnotherGroupDoesNotApply",
        { { "Bosses", "A", 2 }, { "A", "B", 2 }, { "B", "C", 2 }, { "A", "C", 0 } },
        { "A", "B", "C" }, false },
    { "CycleEnds", { { "Bosses", "A", 2 }, { "A", "B", 2 }, { "B", "A", 2 } }, { "A", "B" },
        false },
    { "GroupListingItselfIsUnrestricted", { { "Bosses", "Bosses", 2 }, { "Bosses", "A", 2 } },
        { "Bosses", "A" }, true },
    { "NothingListed", {}, {}, false },
};

TEST_P(HierarchyTest, Flavours)
{
    for (const FlavourCase& c : kFlavours) {
        SCOPED_TRACE(c.name);
        db().Exec("delete from ModGroups where GroupID <> (select GroupID from Groups where "
                  "Name = 'Admins')");
        RelateAll(c.edges);
        auto module = BossModule();
        EXPECT_EQ(module->Unrestricted(), c.unrestricted);
        EXPECT_EQ(Modifiable(module->Current.Groups), c.modifiable);
    }
}

TEST_P(HierarchyTest, UsersAreModifiableThroughTheirGroup)
{
    RelateAll({ { "Bosses", "A", 2 } });
    AddUser("ann", GroupID("A"));
    AddUser("ben", GroupID("B"));
    auto module = BossModule();
    ASSERT_TRUE(module->FindUser(UserID("ann")));
    EXPECT_TRUE(module->UserModificable());
    EXPECT_TRUE(Flag(module->Current.Users, "Modificable"));
    ASSERT_TRUE(module->FindUser(UserID("ben")));
    EXPECT_FALSE(module->UserModificable());
    ASSERT_TRUE(module->FindGroup(GroupID("A")));
    EXPECT_TRUE(module->GroupModificable());
}

// A new user may go into a modifiable group whose own reach the
// administrator may modify entirely. X reaches Z, which boss may not modify;
// S lists itself, so its members would be unrestricted.
TEST_P(HierarchyTest, GroupsOfferedForANewUser)
{
    AddGroup("S");
    AddGroup("X");
    AddGroup("Z");
    RelateAll({ { "Bosses", "A", 2 }, { "A", "B", 2 }, { "Bosses", "X", 1 }, { "X", "Z", 2 },
        { "Bosses", "S", 2 }, { "S", "S", 2 } });
    auto module = BossModule();
    TSecDModDlgFrm& full = Full(*module);
    EXPECT_EQ(full.CanChangeGroup(full.GroupRowOf(GroupID("B"))), -1) << "reaches nothing";
    EXPECT_EQ(full.CanChangeGroup(full.GroupRowOf(GroupID("A"))), -1);
    EXPECT_EQ(full.CanChangeGroup(full.GroupRowOf(GroupID("X"))), full.GroupRowOf(GroupID("Z")));
    EXPECT_NE(full.CanChangeGroup(full.GroupRowOf(GroupID("S"))), -1)
        << "a group listing itself reaches every group";

    vcl::TDataSet* offered = module->NewUserStart();
    ASSERT_NE(offered, nullptr);
    EXPECT_FALSE(module->FilterSuspension());
    EXPECT_THAT(Names(offered), UnorderedElementsAre("A", "B"));
    try {
        module->NewUserEnd("sneak", "Sneak", tor::pswdsstr<16>(), GroupID("S"), spoAsGroup,
            spoAsGroup, spoAsGroup, spoAsGroup, spoAsGroup);
        FAIL() << "a user went into a group listing itself";
    } catch (const ESecDModException& error) {
        EXPECT_EQ(error.Message(), SecString(sWiderRights));
    }
    EXPECT_EQ(UserID("sneak"), -1);
    EXPECT_TRUE(module->FilterSuspension()) << "values follow the selection again";
    EXPECT_FALSE(module->Current.Groups->Filtered());
}

TEST_P(HierarchyTest, NewUserWithoutAQualifyingGroup)
{
    RelateAll({ { "Bosses", "C", 1 }, { "C", "D", 2 } });
    auto module = BossModule();
    EXPECT_EQ(module->NewUserStart(), nullptr);
    EXPECT_FALSE(module->Current.Groups->Filtered());
    EXPECT_TRUE(module->FilterSuspension());
}

// An unrestricted administrator's new-user dialog cancelled: the values
// follow the selected user again.
TEST_P(HierarchyTest, CancelledNewUserRestoresValueFollowing)
{
    const int a = GroupID("A");
    const int param = AddParam("Language", { "Default", "en" });
    const int ann = AddUser("ann", a);
    db().SetUserParam(ann, param, QString("de"));
    auto module = FullModule(LoginAdmin());
    ASSERT_EQ(module->NewUserStart(), module->Current.Groups) << "every group";
    module->NewUserCancel(module->Current.Groups);
    EXPECT_TRUE(module->FilterSuspension());
    ASSERT_TRUE(module->FindUser(ann));
    EXPECT_STREQ(module->GetParam("Language").c_str(), "de");
}

// The administrator's starting values for a new user: what the group grants
// beyond his own is limited to his own.
TEST_P(HierarchyTest, NewUserOfARestrictedAdministrator)
{
    const int a = GroupID("A");
    const int bosses = GroupID("Bosses");
    RelateAll({ { "Bosses", "A", 2 } });
    const int report = AddForm("ReportFrm");
    db().SetGroupRight(a, report, 15);
    db().SetGroupRight(bosses, report, srView | srModify);
    const int discount = AddParam("MaxDiscount", { "Integer", "0", true });
    db().SetGroupParam(a, discount, QString("50"));
    db().SetGroupParam(bosses, discount, QString("10"));
    auto module = BossModule();
    ASSERT_NE(module->NewUserStart(), nullptr);
    const tor::pswdsstr<16> stored("\x81\xFE\xC3stored-pw");
    module->NewUserEnd(
        "newbie", "New Bie", stored, a, spoOn, spoAsGroup, spoOff, spoOn, spoAsGroup);
    const int newbie = UserID("newbie");
    ASSERT_GT(newbie, 0);
    EXPECT_EQ(OwnRights(newbie, report), srView | srModify);
    EXPECT_EQ(OwnValue(newbie, discount).toString(), "10");
    EXPECT_EQ(db().Scalar("select Passwd from Users where UserID = :p1", { newbie })
                  .toString()
                  .toLatin1(),
        QByteArray("\x81\xFE\xC3stored-pw"))
        << "the stored password byte for byte";
    EXPECT_EQ(module->CUserID(), newbie);
    EXPECT_TRUE(module->FilterSuspension());
    ASSERT_TRUE(module->FindParam("MaxDiscount"));
    EXPECT_STREQ(module->ParamValue().c_str(), "10");
}

TEST_P(HierarchyTest, NewUserOfTheUnrestrictedAdministratorGetsNoOwnValues)
{
    const int report = AddForm("ReportFrm");
    db().SetGroupRight(GroupID("A"), report, 15);
    auto module = FullModule(LoginAdmin());
    module->NewUserStart();
    module->NewUserEnd("free", "Free", tor::pswdsstr<16>(), GroupID("A"), spoAsGroup, spoAsGroup,
        spoAsGroup, spoAsGroup, spoAsGroup);
    const int user = UserID("free");
    ASSERT_GT(user, 0);
    EXPECT_EQ(Count("select count(*) from UserRights where UserID = :p1", { user }), 0);
    EXPECT_EQ(Count("select count(*) from UserParams where UserID = :p1", { user }), 0);
}

// A move by a restricted administrator: options "as group" that only the new
// group grants, and that he lacks, become "off".
TEST_P(HierarchyTest, MovedUserLosesAnOptionTheAdministratorLacks)
{
    db().Exec("update Groups set AllowNullPasswd = :p1 where Name = 'B'", { true });
    RelateAll({ { "Bosses", "A", 2 }, { "Bosses", "B", 2 } });
    UserPolicy asGroup;
    const int ann = AddUser("ann", GroupID("A"), asGroup);
    auto module = BossModule();
    ASSERT_TRUE(module->FindUser(ann));
    EXPECT_TRUE(module->ChangeUserGroupStart());
    module->Current.Users->Edit();
    module->Current.Users->FieldByName("GroupID")->SetAsInteger(GroupID("B"));
    module->ChangeUserGroupEnd();
    EXPECT_EQ(Count("select GroupID from Users where UserID = :p1", { ann }), GroupID("B"))
        << "the move was written";
    EXPECT_EQ(Count("select AllowNullPasswd from Users where UserID = :p1", { ann }), 0);
    EXPECT_EQ(Count("select AllowChangePswd from Users where UserID = :p1", { ann }), 2)
        << "options the new group does not add stay as the group";
}

// The move is checked at both ends, in the module itself.
TEST_P(HierarchyTest, MoveIntoAGroupBeyondTheAdministratorIsRefused)
{
    AddGroup("S");
    RelateAll({ { "Bosses", "A", 2 }, { "Bosses", "S", 2 }, { "S", "S", 2 } });
    const int ann = AddUser("ann", GroupID("A"));
    const int ben = AddUser("ben", GroupID("C"));
    auto module = BossModule();
    for (const auto& [user, target] : { std::pair { ann, GroupID("S") },
             std::pair { ann, GroupID("C") }, std::pair { ben, GroupID("A") } }) {
        SCOPED_TRACE(std::to_string(user) + " to " + std::to_string(target));
        ASSERT_TRUE(module->FindUser(user));
        const int before = Number(module->Current.Users, "GroupID");
        module->Current.Users->Edit();
        module->Current.Users->FieldByName("GroupID")->SetAsInteger(target);
        EXPECT_THROW(module->ChangeUserGroupEnd(), ESecDModException);
        EXPECT_EQ(Number(module->Current.Users, "GroupID"), before) << "the move was taken back";
    }
    module->ApplyUpdates();
    EXPECT_EQ(Count("select GroupID from Users where UserID = :p1", { ann }), GroupID("A"));
    EXPECT_EQ(Count("select GroupID from Users where UserID = :p1", { ben }), GroupID("C"));
}

TEST_P(HierarchyTest, NewGroupCopiesRightsAndValuesOfAnother)
{
    const int a = GroupID("A");
    const int report = AddForm("ReportFrm", srView);
    const int other = AddForm("OtherFrm", 0);
    db().SetGroupRight(a, report, 15);
    const int language = AddParam("Language", { "Default", "en" });
    db().SetGroupParam(a, language, QString("fi"));
    auto module = FullModule(LoginAdmin());
    module->NewGroupStart();
    const int copy = module->NewGroupMiddle("Copy", "Copy of A", "copied", true, false, true, true,
        false, true, a, true, a, cbGrayed, cbGrayed, cbUnchecked, cbGrayed, 0, 7);
    module->NewGroupEnd(true);
    EXPECT_EQ(copy, GroupID("Copy"));
    EXPECT_EQ(GroupRights(copy, report), srView | srInsert | srDelete) << "Modify unchecked";
    EXPECT_EQ(GroupRights(copy, other), 0);
    EXPECT_EQ(GroupValue(copy, language).toString(), "fi");
    ASSERT_TRUE(module->FindGroup(copy));
    EXPECT_EQ(module->GroupInfo().Name, tor::pswdsstr<16>("Copy"));

    // A name that is taken fails before anything is looked up by it.
    const int groups = Count("select count(*) from Groups");
    module->NewGroupStart();
    try {
        module->NewGroupMiddle("A", "Another A", "", true, false, true, true, false, false, -1,
            false, -1, cbGrayed, cbGrayed, cbGrayed, cbGrayed, 0, 0);
        FAIL() << "a second group named A";
    } catch (const EDBOperationFailed& error) {
        EXPECT_EQ(error.Message(), SecString(sOperationFailed));
    }
    module->NewGroupEnd(false);
    EXPECT_EQ(Count("select count(*) from Groups"), groups);
}

// The editor's rows are those of the table it was handed; a group created
// during the save (which re-reads the groups) changes nothing about them, and
// an edge to a group that was never created is skipped.
TEST_P(HierarchyTest, HierarchyChangeResolvesRowsOfTheTableHandedOut)
{
    auto module = FullModule(LoginAdmin());
    std::uint16_t adminRow = 0;
    const std::span<const GroupHierarchyEntry> table = module->ChangeGroupHierachyStart(adminRow);
    std::map<std::string, std::uint16_t> row;
    for (size_t r = 0; r < table.size(); ++r)
        for (const char* name : { "Admins", "A", "B", "C", "D" })
            if (table[r].GroupID == GroupID(name))
                row[name] = static_cast<std::uint16_t>(r);
    EXPECT_EQ(adminRow, row["Admins"]);
    const auto count = static_cast<std::uint16_t>(table.size());

    // Saving: a new group "Aaa" sorts before every other one.
    module->NewGroupStart();
    const int created = module->NewGroupMiddle("Aaa", "Aaa", "", true, false, true, true, false,
        false, -1, false, -1, cbGrayed, cbGrayed, cbGrayed, cbGrayed, 0, 0);
    module->NewGroupEnd(true);
    const std::vector<ModGroup> added { { row["A"], row["B"], 2 }, { row["A"], count, 1 },
        { row["C"], static_cast<std::uint16_t>(count + 1), 2 } };
    const std::vector<int> newIDs { created, -1 };
    module->ChangeGroupHierachyEnd(EdgesOf(added), EdgesOf(kNoEdges), newIDs);
    EXPECT_EQ(Count("select Type from ModGroups where GroupID = :p1 and ModGroupID = :p2",
                  { GroupID("A"), GroupID("B") }),
        2);
    EXPECT_EQ(Count("select Type from ModGroups where GroupID = :p1 and ModGroupID = :p2",
                  { GroupID("A"), created }),
        1);
    EXPECT_EQ(Count("select count(*) from ModGroups where GroupID = :p1", { GroupID("C") }), 0)
        << "the edge to a group never created is skipped";
    EXPECT_TRUE(module->FilterSuspension());
    EXPECT_FALSE(module->Current.Groups->ControlsDisabled());

    // Removing edges, and a cancelled change that writes nothing.
    module->ChangeGroupHierachyStart(adminRow);
    std::map<int, std::uint16_t> rowOf;
    for (size_t r = 0; r < Full(*module).Hierarchy().size(); ++r)
        rowOf[Full(*module).Hierarchy()[r].GroupID] = static_cast<std::uint16_t>(r);
    const std::vector<ModGroup> removed { { rowOf[GroupID("A")], rowOf[GroupID("B")], 2 } };
    module->ChangeGroupHierachyEnd(EdgesOf(kNoEdges), EdgesOf(removed), {});
    EXPECT_EQ(Count("select count(*) from ModGroups where GroupID = :p1", { GroupID("A") }), 1);
    module->ChangeGroupHierachyStart(adminRow);
    module->ChangeGroupHierachyEnd(nullptr, nullptr, {});
    EXPECT_TRUE(module->FilterSuspension());
}

// A group deleted in the cache keeps its row in the table: the rows the
// editor gets still name the groups they named when the groups were read.
TEST_P(HierarchyTest, RowsStayConsistentWithACachedGroupDeletion)
{
    RelateAll({ { "Admins", "D", 2 } });
    auto module = FullModule(LoginAdmin());
    ASSERT_TRUE(module->FindGroup(GroupID("B")));
    module->DelGroup();
    std::uint16_t adminRow = 0;
    const auto table = module->ChangeGroupHierachyStart(adminRow);
    EXPECT_EQ(table[adminRow].GroupID, GroupID("Admins"));
    for (const GroupHierarchyEntry& entry : table)
        for (const auto& list : entry.Lists)
            for (std::uint16_t target : std::span(list.Rows, list.Count))
                EXPECT_LT(target, table.size());
    module->ChangeGroupHierachyEnd(nullptr, nullptr, {});
    EXPECT_TRUE(Full(*module).RowModificable(Full(*module).GroupRowOf(GroupID("D"))));
}

// A module restricted to one user reads only the logged user's group, while
// the hierarchy rows name every group: the rows naming groups that are not
// read are skipped.
TEST_P(HierarchyTest, RowsNamingGroupsNotReadAreSkipped)
{
    RelateAll({ { "Bosses", "A", 2 }, { "A", "B", 2 }, { "C", "Bosses", 2 } });
    TSecurity* security = LoginAs("boss", kPassword);
    auto module = FullModule(security, UserID("boss"), GroupID("Bosses"));
    EXPECT_THAT(Names(module->Current.Groups), ElementsAre("Bosses"));
    EXPECT_THAT(Modifiable(module->Current.Groups), IsEmpty());
    std::uint16_t adminRow = 0;
    const auto table = module->ChangeGroupHierachyStart(adminRow);
    ASSERT_EQ(table.size(), 1u);
    for (const auto& list : table[0].Lists)
        EXPECT_EQ(list.Count, 0);
    module->ChangeGroupHierachyEnd(nullptr, nullptr, {});
}

WARDLOCK_ADMIN_ENGINES(HierarchyTest);

} // namespace

} // namespace wardlock_test
