// A database failure injected at each step of each statement sequence (the
// Nth write to a table fails, by a trigger) leaves the database as it was and
// the module's cached edits as they were; once the fault is gone, the same
// operation succeeds.

#include "admin_fixture.h"

#include <wardlock/data/dataset.h>
#include <wardlock/keeper/dmodexceptions.h>
#include <wardlock/keeper/secdmoddlg.h>

#include <functional>

using namespace Security;

namespace wardlock_test {

namespace {

// Every row of the written tables, in key order, as text.
std::string Snapshot(SecurityDb& db)
{
    const char* rows[] = {
        "UserID || ',' || Name || ',' || FullName || ',' || GroupID || ',' || AllowNullPasswd "
        "from Users order by UserID",
        "GroupID || ',' || Name || ',' || FullName from Groups order by GroupID",
        "FormID || ',' || Name from Forms order by FormID",
        "ParamID || ',' || Name from Params order by ParamID",
        "UserID || ',' || FormID || ',' || FView || FInsert || FModify || FDelete from "
        "UserRights order by UserID, FormID",
        "UserID || ',' || ParamID || ',' || coalesce(FValue, '~') from UserParams order by "
        "UserID, ParamID",
        "GroupID || ',' || FormID || ',' || FView || FInsert || FModify || FDelete from "
        "GroupRights order by GroupID, FormID",
        "GroupID || ',' || ParamID || ',' || coalesce(FValue, '~') from GroupParams order by "
        "GroupID, ParamID",
        "GroupID || ',' || ModGroupID || ',' || Type from ModGroups order by GroupID, ModGroupID",
    };
    const char* aggregate = db.engine() == Engine::PostgreSQL ? "string_agg" : "group_concat";
    std::string all;
    for (std::string row : rows) {
        row.insert(row.find(" from "), " as r");
        all += db.Scalar(
                     std::string("select ") + aggregate + "(r, '|') from (select " + row + ") t")
                   .toString()
                   .toStdString()
            + "\n";
    }
    return all;
}

struct Step {
    const char* table;
    int failAt; // the write to the table that fails
};

struct Scenario {
    const char* name;
    std::vector<Step> steps;
};

class FaultsTest : public AdminTest {
protected:
    void SetUp() override
    {
        AdminTest::SetUp();
        if (IsSkipped())
            return;
        bosses = AddGroup("Bosses");
        clerks = AddGroup("Clerks");
        temps = AddGroup("Temps");
        Relate(bosses, clerks, 2);
        Relate(bosses, temps, 2);
        report = AddForm("ReportFrm", 0);
        other = AddForm("OtherFrm", 0);
        db().SetGroupRight(bosses, report, srView);
        db().SetGroupRight(clerks, report, srView);
        db().SetGroupRight(temps, report, 15);
        db().SetGroupRight(temps, other, 15);
        language = AddParam("Language", { "Default", "en" });
        discount = AddParam("MaxDiscount", { "Integer", "0", true });
        db().SetGroupParam(bosses, discount, QString("10"));
        db().SetGroupParam(temps, discount, QString("90"));
        AddUser("boss", bosses);
        bob = AddUser("bob", clerks);
        db().SetUserRight(bob, other, srView);
        InstallFaultTriggers(db());
    }

    void Inject(const char* table, int failAt) { InjectFault(db(), table, failAt); }
    void Heal() { HealFault(db()); }

    // Runs `operation` once per step with that step's fault, expecting each
    // run to fail without a trace in the database or the caches (`check`),
    // then once without a fault.
    template<class Operation, class Check>
    void EachStepFails(const std::vector<Step>& steps, Operation&& operation, Check&& check)
    {
        for (const Step& step : steps) {
            SCOPED_TRACE(
                std::string("fault at write ") + std::to_string(step.failAt) + " to " + step.table);
            const std::string before = Snapshot(db());
            Inject(step.table, step.failAt);
            EXPECT_THROW(operation(), ESecDBException);
            EXPECT_EQ(Snapshot(db()), before) << "the database is as it was";
            check();
        }
        Heal();
        EXPECT_NO_THROW(operation());
    }

    int bosses = 0, clerks = 0, temps = 0;
    int report = 0, other = 0;
    int language = 0, discount = 0;
    int bob = 0;
};

// Cached edits of a user, his values and rights, and a group's value; the
// apply fails at each table it writes.
TEST_P(FaultsTest, ApplyUpdates)
{
    auto module = FullModule(LoginAdmin());
    ASSERT_TRUE(module->FindUser(bob));
    module->ChangeUser("bobby", "Bob B.", tor::pswdsstr<16>(), spoOn, spoOn, spoOff, spoOn, spoOn);
    module->SetParam("Language", "sv");
    vcl::TDataSet* forms = module->Current.Forms;
    ASSERT_TRUE(forms->Locate("Name", "OtherFrm"));
    forms->Edit();
    forms->FieldByName("FInsert")->SetAsBoolean(true);
    forms->Post();
    module->SetViewMode(vmGroups);
    ASSERT_TRUE(module->FindGroup(clerks));
    module->ApplyGroupFilter();
    module->SetParam("Language", "de");
    module->SetViewMode(vmUsers);
    module->ApplyUserFilter();

    auto cachesIntact = [&] {
        EXPECT_TRUE(module->Modified());
        ASSERT_TRUE(module->FindUser(bob));
        EXPECT_EQ(Text(module->Current.Users, "Name"), "bobby");
        EXPECT_STREQ(module->GetParam("Language").c_str(), "sv");
        EXPECT_EQ(module->GetRight("OtherFrm"), srView | srInsert);
    };
    EachStepFails(
        { { "users", 1 }, { "userparams", 1 }, { "userrights", 1 }, { "groupparams", 1 } },
        [&] { module->ApplyUpdates(); }, cachesIntact);
    EXPECT_FALSE(module->Modified());
    EXPECT_EQ(OwnValue(bob, language).toString(), "sv");
    EXPECT_EQ(OwnRights(bob, other), srView | srInsert);
    EXPECT_EQ(GroupValue(clerks, language).toString(), "de");
    EXPECT_EQ(UserID("bobby"), bob);
}

// A restricted administrator's new user: the user, his starting rights (two
// forms) and values.
TEST_P(FaultsTest, NewUser)
{
    auto module = FullModule(LoginAs("boss", kPassword));
    auto create = [&] {
        ASSERT_NE(module->NewUserStart(), nullptr);
        module->NewUserEnd("tim", "Tim", tor::pswdsstr<16>(), temps, spoAsGroup, spoAsGroup,
            spoAsGroup, spoAsGroup, spoAsGroup);
    };
    EachStepFails({ { "users", 1 }, { "userrights", 1 }, { "userrights", 2 }, { "userparams", 1 } },
        create, [&] { EXPECT_TRUE(module->FilterSuspension()); });
    const int tim = UserID("tim");
    ASSERT_GT(tim, 0);
    EXPECT_EQ(OwnRights(tim, report), srView);
    EXPECT_EQ(OwnRights(tim, other), 0);
    EXPECT_EQ(OwnValue(tim, discount).toString(), "10");
}

TEST_P(FaultsTest, NewGroup)
{
    auto module = FullModule(LoginAdmin());
    // A cached edit the command does not touch stays cached.
    ASSERT_TRUE(module->FindUser(bob));
    module->SetParam("Language", "sv");
    auto create = [&] {
        module->NewGroupStart();
        try {
            module->NewGroupMiddle("Interns", "Interns", "", true, false, true, true, false, true,
                temps, true, temps, cbGrayed, cbGrayed, cbGrayed, cbGrayed, 0, 0);
        } catch (...) {
            module->NewGroupEnd(false);
            throw;
        }
        module->NewGroupEnd(true);
    };
    // NewGroupMiddle applies cached edits first: the fault tables are those
    // the group's own statements write.
    module->ApplyUpdates();
    module->SetViewMode(vmUsers);
    EachStepFails(
        { { "groups", 1 }, { "grouprights", 1 }, { "grouprights", 2 }, { "groupparams", 2 } },
        create, [&] { EXPECT_EQ(GroupID("Interns"), -1); });
    const int interns = GroupID("Interns");
    ASSERT_GT(interns, 0);
    EXPECT_EQ(GroupRights(interns, other), 15);
    EXPECT_EQ(GroupValue(interns, discount).toString(), "90");
}

TEST_P(FaultsTest, HierarchyChange)
{
    auto module = FullModule(LoginAdmin());
    auto change = [&] {
        std::uint16_t adminRow = 0;
        module->ChangeGroupHierachyStart(adminRow);
        TSecDModDlgFrm& full = dynamic_cast<TSecDModDlgFrm&>(*module);
        const auto row
            = [&](int groupID) { return static_cast<std::uint16_t>(full.GroupRowOf(groupID)); };
        const std::vector<ModGroup> added { { row(clerks), row(temps), 2 },
            { row(temps), row(clerks), 1 } };
        const std::vector<ModGroup> removed { { row(bosses), row(temps), 2 } };
        module->ChangeGroupHierachyEnd(EdgesOf(added), EdgesOf(removed), {});
    };
    EachStepFails({ { "modgroups", 1 }, { "modgroups", 2 }, { "modgroups", 3 } }, change, [&] {
        EXPECT_TRUE(module->FilterSuspension());
        EXPECT_FALSE(module->Current.Groups->ControlsDisabled());
    });
    EXPECT_EQ(Count("select count(*) from ModGroups where GroupID = :p1", { bosses }), 1);
    EXPECT_EQ(Count("select Type from ModGroups where GroupID = :p1", { temps }), 1);
}

TEST_P(FaultsTest, NewRightAndNewParameter)
{
    auto module = FullModule(LoginAdmin());
    ASSERT_TRUE(module->FindUser(bob));
    module->SetParam("Language", "sv");
    auto cachesIntact = [&] {
        EXPECT_TRUE(module->Modified());
        ASSERT_TRUE(module->FindUser(bob));
        EXPECT_STREQ(module->GetParam("Language").c_str(), "sv");
    };
    EachStepFails(
        { { "forms", 1 }, { "grouprights", 1 }, { "grouprights", 3 } },
        [&] {
            module->InsRight("AuditFrm", "Audit", "", false, false, false, true, false, true, false,
                false, true);
        },
        cachesIntact);
    EXPECT_GT(FormID("AuditFrm"), 0);
    EachStepFails(
        { { "params", 1 }, { "groupparams", 1 }, { "groupparams", 4 } },
        [&] { module->InsParam("Timeout", "Timeout", "Integer", "30", false, true, false, ""); },
        cachesIntact);
    EXPECT_GT(ParamID("Timeout"), 0);
    EXPECT_EQ(Count("select count(*) from GroupParams where ParamID = :p1", { ParamID("Timeout") }),
        Count("select count(*) from Groups"));
}

// A restricted administrator moves bob to Temps: his carried-over rights and
// values and the move itself, with another cached edit, in one transaction.
TEST_P(FaultsTest, UserGroupMove)
{
    auto module = FullModule(LoginAs("boss", kPassword));
    const int ann = AddUser("ann", clerks);
    module->RefreshAll();
    ASSERT_TRUE(module->FindUser(ann));
    module->ChangeUser("annie", "Ann", tor::pswdsstr<16>(), spoAsGroup, spoAsGroup, spoAsGroup,
        spoAsGroup, spoAsGroup);
    auto move = [&] {
        ASSERT_TRUE(module->FindUser(bob));
        module->Current.Users->Edit();
        module->Current.Users->FieldByName("GroupID")->SetAsInteger(temps);
        module->ChangeUserGroupEnd();
    };
    auto cachesIntact = [&] {
        ASSERT_TRUE(module->FindUser(bob));
        EXPECT_EQ(Number(module->Current.Users, "GroupID"), clerks) << "the move was taken back";
        ASSERT_TRUE(module->FindUser(ann));
        EXPECT_EQ(Text(module->Current.Users, "Name"), "annie") << "other edits stay cached";
        EXPECT_TRUE(module->Modified());
    };
    EachStepFails({ { "userrights", 1 }, { "userparams", 1 }, { "users", 1 }, { "users", 2 } },
        move, cachesIntact);
    EXPECT_EQ(Count("select GroupID from Users where UserID = :p1", { bob }), temps);
    EXPECT_EQ(OwnRights(bob, report), srView) << "what the move would add is limited";
    EXPECT_EQ(UserID("annie"), ann);
}

WARDLOCK_ADMIN_ENGINES(FaultsTest);

} // namespace

} // namespace wardlock_test
