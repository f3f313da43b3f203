// ModifyStart and ModifyEnd through the core, end to end: the core checks
// the key and loads the real administration module, whose hidden form gives
// an editor; ModifyEnd applies the changes and always gives everything back.

#include "params_fixture.h"

#include "keymix.h"
#include "modifykey_texts.h"

#include <wardlock/keeper/strings.h>
#include <wardlock/provider.h>

#include <gmock/gmock.h>

using namespace Security;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace wardlock_test {

namespace {

// The key as the database account tool builds it (its own mixing variant).
tor::pswdsstr<16> ToolKey()
{
    return keymix::MixKeyShorter(
        keytexts::kModifyKeyFirst, keytexts::kModifyKeySecond, keytexts::kMixTable);
}

// Makes every write to UserParams fail, so that applying a new value fails.
void RefuseUserParamWrites(SecurityDb& db)
{
    if (db.engine() == Engine::PostgreSQL) {
        ExecDefinition(db,
            "create function RefuseWrite() returns trigger language plpgsql as "
            "'begin raise exception ''writes refused''; end'");
        ExecDefinition(db,
            "create trigger RefuseUserParams before insert or update on UserParams "
            "for each row execute function RefuseWrite()");
    } else {
        ExecDefinition(db,
            "create trigger RefuseUserParams before insert on UserParams "
            "begin select raise(abort, 'writes refused'); end");
    }
}

class ModifyTest : public ParamsTest { };

TEST_P(ModifyTest, OnlyTheToolsKeyOpensAnEditorAndModifyEndApplies)
{
    AddParam("Motto", ParamSetup { "Default", "plain" });
    TSecurity* security = LoginAdmin();
    TSecRights rights(security);
    tor::pswdsstr<16> nearly = ToolKey();
    nearly[0] = static_cast<char>(nearly[0] ^ 1);
    for (const tor::pswdsstr<16>& wrong : { tor::pswdsstr<16>("not the key"), nearly })
        EXPECT_EQ(rights.ModifyStart(wrong), nullptr);

    TSecParamEd* editor = rights.ModifyStart(ToolKey());
    ASSERT_NE(editor, nullptr);
    ASSERT_NE(dynamic_cast<THiddenAdminForm*>(editor->Owner), nullptr)
        << "the real module's editor";
    editor->SetParam("Motto", "changed");
    rights.ModifyEnd(editor);
    EXPECT_EQ(OwnValue(UserID("admin"), ParamID("Motto")).toString(), "changed");
    EXPECT_EQ(security->Provider()->SiblingCount(), 0) << "the hidden form's module is back";
}

// A hidden form that cannot be built gives no editor (and says why).
TEST_P(ModifyTest, FailedBuildGivesNoEditor)
{
    TSecurity* security = LoginAdmin();
    // The administration module reads the types through this view.
    ExecDefinition(db(),
        db().engine() == Engine::PostgreSQL ? "drop view QParamTypes cascade"
                                            : "drop view QParamTypes");
    TSecRights rights(security);
    BoxRecorder boxes;
    EXPECT_EQ(rights.ModifyStart(ToolKey()), nullptr);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, SecString(sConnectFailed));
}

// A failed apply still destroys the hidden form and frees the editor, then
// reports message 213; the value never reaches the database.
TEST_P(ModifyTest, FailedApplyCleansUpThenReports)
{
    AddParam("Motto", ParamSetup { "Default", "plain" });
    TSecurity* security = LoginAdmin();
    RefuseUserParamWrites(db());
    TSecRights rights(security);
    TSecParamEd* editor = rights.ModifyStart(ToolKey());
    ASSERT_NE(editor, nullptr);
    editor->SetParam("Motto", "changed");
    BoxRecorder boxes;
    rights.ModifyEnd(editor);
    EXPECT_THAT(boxes.Texts(), ElementsAre(SecString(sUpdateFailed)));
    EXPECT_EQ(security->Provider()->SiblingCount(), 0) << "the hidden form's module is back";
    EXPECT_TRUE(OwnValue(UserID("admin"), ParamID("Motto")).isNull());
}

// Database settings through the editor: hidden rows (the administration
// account's) as well as shown ones, and only while the logged user holds
// Modify on the design form; without it nothing changes.
TEST_P(ModifyTest, SettingsChangeOnlyWithModifyOnTheDesignForm)
{
    db().Exec("insert into SecurityParams (Name, FullName, FValue, Hidden) values "
              "('Shown', 'A shown setting', 'old', :p1), ('Kept', 'A hidden setting', 'old', :p2)",
        { false, true });
    auto value = [&](const char* name) {
        return db()
            .Scalar("select FValue from SecurityParams where Name = :p1", { QString(name) })
            .toString()
            .toStdString();
    };
    const struct {
        const char* name;
        bool modify;
        const char* expected;
    } cases[] = {
        { "with Modify", true, "new" },
        { "without Modify", false, "old" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        db().Exec("update SecurityParams set FValue = 'old' where Name in ('Shown', 'Kept')");
        db().Exec("update GroupRights set FModify = :p1 where FormID = :p2",
            { c.modify, FormID("SecProjecting") });
        TSecRights rights(LoginAdmin());
        TSecParamEd* editor = rights.ModifyStart(ToolKey());
        ASSERT_NE(editor, nullptr);
        editor->SetDBParam("Shown", "new");
        editor->SetPswdDBParam("Kept", tor::pswdsstr<16>("new"));
        rights.ModifyEnd(editor);
        EXPECT_EQ(value("Shown"), c.expected);
        EXPECT_EQ(value("Kept"), c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Engines, ModifyTest, ::testing::Values(Engine::SQLite, Engine::PostgreSQL), AdminEngineName);

} // namespace

} // namespace wardlock_test
