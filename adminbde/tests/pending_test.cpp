// What happens to cached edits around the commands that write at once, edits
// on pages without a subject, stored passwords, names with quotes, and the
// error an apply reports.

#include "admin_fixture.h"

#include <wardlock/data/dataset.h>
#include <wardlock/keeper/dmodexceptions.h>
#include <wardlock/keeper/strings.h>

using namespace Security;

namespace wardlock_test {

namespace {

class PendingTest : public AdminTest {
protected:
    void SetUp() override
    {
        AdminTest::SetUp();
        if (IsSkipped())
            return;
        clerks = AddGroup("Clerks");
        report = AddForm("ReportFrm", 0);
        language = AddParam("Language", { "Default", "en" });
        bob = AddUser("bob", clerks);
    }

    int clerks = 0;
    int report = 0;
    int language = 0;
    int bob = 0;
};

// A new user is made after the cached edits are applied: re-reading the
// users must not drop them, and the module is clean afterwards.
TEST_P(PendingTest, NewUserAppliesCachedEditsFirst)
{
    auto module = FullModule(LoginAdmin());
    ASSERT_TRUE(module->FindUser(bob));
    module->SetParam("Language", "sv");
    module->ChangeUser("bobby", "Bob", tor::pswdsstr<16>(), spoOn, spoOn, spoOn, spoOn, spoOn);
    ASSERT_NE(module->NewUserStart(), nullptr);
    module->NewUserEnd("carl", "Carl", tor::pswdsstr<16>(), clerks, spoAsGroup, spoAsGroup,
        spoAsGroup, spoAsGroup, spoAsGroup);
    EXPECT_FALSE(module->Modified());
    EXPECT_EQ(OwnValue(bob, language).toString(), "sv");
    EXPECT_EQ(UserID("bobby"), bob);
    EXPECT_GT(UserID("carl"), 0);
}

// A table with cached edits is not re-read by a refresh, and the module
// stays modified while any table holds edits.
TEST_P(PendingTest, RefreshKeepsCachedEdits)
{
    auto module = FullModule(LoginAdmin());
    ASSERT_TRUE(module->FindUser(bob));
    module->ChangeUser("bobby", "Bob", tor::pswdsstr<16>(), spoOn, spoOn, spoOn, spoOn, spoOn);
    module->DelUser(); // marks the users stale
    ASSERT_TRUE(module->FindUser(UserID("admin")));
    module->Refresh();
    EXPECT_TRUE(module->Modified());
    EXPECT_FALSE(module->FindUser(bob)) << "the cached deletion is still there";
    module->ApplyUpdates();
    EXPECT_EQ(UserID("bob"), -1);
    EXPECT_EQ(UserID("bobby"), -1);
}

// On the definition pages no subject's values are shown: posting a form row
// writes no rights anywhere.
TEST_P(PendingTest, DefinitionPagesWriteNoValues)
{
    auto module = FullModule(LoginAdmin());
    module->SetViewMode(vmGroups);
    ASSERT_TRUE(module->FindGroup(clerks));
    module->ApplyGroupFilter();
    module->SetViewMode(vmDefinitions);
    vcl::TDataSet* forms = module->Current.Forms;
    ASSERT_TRUE(forms->Locate("Name", "ReportFrm"));
    forms->Edit();
    forms->FieldByName("FullName")->SetAsString("Reports");
    forms->FieldByName("FView")->SetAsBoolean(true);
    forms->FieldByName("FDelete")->SetAsBoolean(true);
    forms->Post();
    module->ApplyUpdates();
    EXPECT_EQ(GroupRights(clerks, report), 0);
    EXPECT_EQ(Count("select count(*) from UserRights"), 0);
    EXPECT_EQ(db().Scalar("select FullName from Forms where FormID = :p1", { report }).toString(),
        "Reports");
}

// Stored passwords travel byte for byte, also bytes above 127.
TEST_P(PendingTest, StoredPasswordKeepsItsBytes)
{
    auto module = FullModule(LoginAdmin());
    ASSERT_TRUE(module->FindUser(bob));
    const tor::pswdsstr<16> stored("\xA9\xC3\x28\xFF\x80 stored");
    const TSecUserInfo info = module->UserInfo();
    module->ChangeUser(info.Name.c_str(), info.FullName.c_str(), stored, info.AllowChangePswd,
        info.AllowNullPasswd, info.NoChPswdAtLogin, info.AccountEnabled, info.PasswdControl);
    EXPECT_EQ(module->UserInfo().Passwd, stored);
    module->ApplyUpdates();
    EXPECT_EQ(
        db().Scalar("select Passwd from Users where UserID = :p1", { bob }).toString().toLatin1(),
        QByteArray("\xA9\xC3\x28\xFF\x80 stored"));
}

// Names are bound, never pasted into a statement.
TEST_P(PendingTest, GroupNamedWithAQuote)
{
    auto module = FullModule(LoginAdmin());
    module->NewGroupStart();
    const int group = module->NewGroupMiddle("O'Brien's", "O'Brien's team", "", true, false, true,
        true, false, false, -1, false, -1, cbGrayed, cbGrayed, cbGrayed, cbGrayed, 0, 0);
    module->NewGroupEnd(true);
    EXPECT_EQ(group, GroupID("O'Brien's"));
    EXPECT_EQ(GroupRights(group, report), 0);
}

// A failure before the transaction began (a refused value still being
// edited) is the error reported, not a rollback without a transaction.
TEST_P(PendingTest, ApplyReportsTheFirstFailure)
{
    const int bosses = AddGroup("Bosses");
    Relate(bosses, clerks, 2);
    const int discount = AddParam("MaxDiscount", { "Integer", "0", true });
    db().SetGroupParam(bosses, discount, QString("5"));
    AddUser("boss", bosses);
    auto module = FullModule(LoginAs("boss", kPassword));
    ASSERT_TRUE(module->FindUser(bob));
    ASSERT_TRUE(module->FindParam("MaxDiscount"));
    module->Current.Params->Edit();
    module->Current.Params->FieldByName("FValue")->SetAsString("99");
    try {
        module->ApplyUpdates();
        FAIL() << "applied a refused value";
    } catch (const EDBDataUpdateFailed& error) {
        EXPECT_EQ(error.Message(), SecString(sUpdateFailed));
        EXPECT_EQ(error.Cause(), SecString(sWiderRights));
    }
}

// Without cached mode the groups are written at each post too.
TEST_P(PendingTest, DirectModeWritesGroups)
{
    auto module = FullModule(LoginAdmin({ false, false }));
    ASSERT_TRUE(module->FindGroup(clerks));
    module->ChangeGroup("Clerks", "Clerks renamed", "desk", true, true, false, true, false, 42);
    EXPECT_EQ(db().Scalar("select FullName from Groups where GroupID = :p1", { clerks }).toString(),
        "Clerks renamed");
    EXPECT_EQ(Count("select Position from Groups where GroupID = :p1", { clerks }), 42);
}

WARDLOCK_ADMIN_ENGINES(PendingTest);

} // namespace

} // namespace wardlock_test
