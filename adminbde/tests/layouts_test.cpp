// The two database layouts (the module's own statements, or the database's
// saved queries) give the same rows; a module made for one user shows only
// him; the simple module writes values and the user, nothing else.

#include "admin_fixture.h"

#include <wardlock/data/dataset.h>
#include <wardlock/data/dbdataset.h>
#include <wardlock/keeper/dmodexceptions.h>
#include <wardlock/keeper/secdmoddlg.h>

#include <gmock/gmock.h>

using namespace Security;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

namespace wardlock_test {

namespace {

std::vector<int> Ids(vcl::TDataSet* dataSet, const char* field)
{
    std::vector<int> ids;
    dataSet->DisableControls();
    for (dataSet->First(); !dataSet->Eof(); dataSet->Next())
        ids.push_back(Number(dataSet, field));
    dataSet->EnableControls();
    return ids;
}

class LayoutsTest : public AdminTest {
protected:
    void SetUp() override
    {
        AdminTest::SetUp();
        if (IsSkipped())
            return;
        clerks = AddGroup("Clerks");
        temps = AddGroup("Temps");
        a = AddGroup("A");
        b = AddGroup("B");
        db().Exec("update Groups set ForceAddMod = :p1 where GroupID = :p2", { true, a });
        Relate(clerks, temps, 2);
        Relate(clerks, a, 2);
        Relate(clerks, b, 2);
        Relate(a, temps, 2);
        Relate(temps, clerks, 0);
        AddForm("ReportFrm", 1);
        language = AddParam("Language", { "Default", "en", false, true });
        clerk = AddUser("clerk", clerks);
        for (const char* name : { "zoe", "adam", "mia" })
            AddUser(name, temps);
    }

    int clerks = 0;
    int temps = 0;
    int a = 0;
    int b = 0;
    int language = 0;
    int clerk = 0;
};

// The rows the dialogs read, and the group checks, from both layouts.
TEST_P(LayoutsTest, OldAndNewLayoutsGiveTheSameRows)
{
    struct Rows {
        std::vector<int> users, groups, allowed, allowedForced, check;
    };
    auto read = [&](bool newLayout, int userID, int groupID) {
        TSecurity* security = LoginAdmin({ newLayout, true });
        auto module = FullModule(security, userID, groupID);
        auto& full = dynamic_cast<TSecDModDlgFrm&>(*module);
        EXPECT_EQ(dynamic_cast<vcl::TStoredProc*>(full.Users) != nullptr, newLayout);
        Rows rows;
        rows.users = Ids(module->Current.Users, "UserID");
        rows.groups = Ids(module->Current.Groups, "GroupID");
        for (const bool forced : { false, true }) {
            full.SetQueryParamAsInteger(full.GroupsAllowed, "GroupID", clerks);
            full.SetQueryParamAsBoolean(full.GroupsAllowed, "ForceAddMod", forced);
            full.GroupsAllowed->Open();
            (forced ? rows.allowedForced : rows.allowed) = Ids(full.GroupsAllowed, "GroupID");
            full.GroupsAllowed->Close();
        }
        full.SetQueryParamAsInteger(full.CheckAllowedGroup, "SourceGroupID", temps);
        full.SetQueryParamAsInteger(full.CheckAllowedGroup, "DestGroupID", clerks);
        full.CheckAllowedGroup->Open();
        rows.check = Ids(full.CheckAllowedGroup, "GroupID");
        full.CheckAllowedGroup->Close();
        return rows;
    };
    for (const auto& [userID, groupID] : { std::pair { -1, -1 }, std::pair { clerk, clerks } }) {
        SCOPED_TRACE(userID == -1 ? "all users" : "one user");
        const Rows old = read(false, userID, groupID);
        const Rows now = read(true, userID, groupID);
        EXPECT_EQ(old.users, now.users);
        EXPECT_EQ(old.groups, now.groups);
        EXPECT_EQ(old.allowed, now.allowed);
        EXPECT_EQ(old.allowedForced, now.allowedForced);
        EXPECT_EQ(old.check, now.check);
        if (userID == -1) {
            EXPECT_EQ(old.users.size(), 5u) << "admin, clerk and the three temps";
            // Temps lists Clerks, outside what Clerks administers; A lists only
            // Temps, inside.
            EXPECT_THAT(old.allowed, ElementsAre(a, b));
            EXPECT_THAT(old.allowedForced, ElementsAre(a));
            EXPECT_THAT(old.check, ElementsAre(clerks));
        }
    }
}

// A module made for one user: that user, the logged user's group, and only
// that user's and group's values.
TEST_P(LayoutsTest, ModuleForOneUserShowsOnlyHim)
{
    db().SetUserParam(UserID("zoe"), language, QString("zz"));
    db().SetUserParam(clerk, language, QString("cc"));
    for (const bool newLayout : { false, true }) {
        SCOPED_TRACE(newLayout ? "new layout" : "old layout");
        TSecurity* security = LoginAs("clerk", kPassword, { newLayout, true });
        for (const bool simple : { false, true }) {
            ModulePtr<TSecDModSmpDlgBaseFrm> module = simple
                ? SimpleModule(security, clerk, clerks)
                : ModulePtr<TSecDModSmpDlgBaseFrm>(
                    FullModule(security, clerk, clerks).release(), ModuleReturn { security });
            EXPECT_THAT(Ids(module->Current.Users, "UserID"), ElementsAre(clerk));
            EXPECT_THAT(Ids(module->Current.Groups, "GroupID"), ElementsAre(clerks));
            auto& neutral = dynamic_cast<TSecDModSmpDlgFrm&>(*module);
            EXPECT_THAT(Ids(neutral.UserParams, "UserID"), ElementsAre(clerk));
            for (int group : Ids(neutral.GroupParams, "GroupID"))
                EXPECT_EQ(group, clerks);
            EXPECT_STREQ(module->GetParam("Language").c_str(), "cc");
        }
    }
}

// The simple module: the logged user edits a value he may change and his
// own record; values and the user are written, definitions never.
TEST_P(LayoutsTest, SimpleModuleWritesValuesAndTheUserOnly)
{
    TSecurity* security = LoginAs("clerk", kPassword);
    auto module = SimpleModule(security, clerk, clerks);
    auto& neutral = dynamic_cast<TSecDModSmpDlgFrm&>(*module);
    // "BDESQLParams=0": the user and group statements bind by position.
    const std::string modify = neutral.UpdateUsers->ModifySQL().Text();
    if (TestedAdminTarget().positionalUserUpdates) {
        EXPECT_THAT(modify, HasSubstr("Name = pName,"));
        EXPECT_THAT(modify, Not(HasSubstr(":")));
    } else {
        EXPECT_THAT(modify, HasSubstr("Name = :Name,"));
    }
    const int params = Count("select count(*) from Params");
    module->SetParam("Language", "fi");
    ASSERT_TRUE(module->FindUser(clerk));
    const TSecUserInfo info = module->UserInfo();
    module->ChangeUser(info.Name.c_str(), "Clerk Renamed", info.Passwd, info.AllowChangePswd,
        info.AllowNullPasswd, info.NoChPswdAtLogin, info.AccountEnabled, info.PasswdControl);
    EXPECT_EQ(security->User().FullName, "Clerk Renamed") << "the logged user's record follows";
    module->ApplyUpdates();
    EXPECT_EQ(OwnValue(clerk, language).toString(), "fi");
    EXPECT_EQ(db().Scalar("select FullName from Users where UserID = :p1", { clerk }).toString(),
        "Clerk Renamed");
    EXPECT_EQ(Count("select count(*) from Params"), params);
    EXPECT_EQ(db().Scalar("select Name from Params where ParamID = :p1", { language }).toString(),
        "Language");

    try {
        neutral.InsRight(
            "X", "X", "", false, false, false, false, false, false, false, false, false);
        FAIL() << "a full-dialog operation on the simple module";
    } catch (const vcl::Exception& error) {
        EXPECT_EQ(error.Message(), "Operation not supported");
    }
    EXPECT_TRUE(neutral.FindGroup(clerks));
}

// A simple module refuses moving a user to another group: nobody may move
// users there.
TEST_P(LayoutsTest, SimpleModuleMovesNobody)
{
    auto module = SimpleModule(LoginAdmin(), -1, -1);
    ASSERT_TRUE(module->FindUser(clerk));
    module->Current.Users->Edit();
    module->Current.Users->FieldByName("GroupID")->SetAsInteger(temps);
    EXPECT_THROW(module->Current.Users->Post(), ESecDModException);
    module->Current.Users->Cancel();
}

WARDLOCK_ADMIN_ENGINES(LayoutsTest);

} // namespace

} // namespace wardlock_test
