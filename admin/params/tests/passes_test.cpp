// The parameter commands and the passes over sub-parameters, with the test
// editor (three sub-parameters "A", "B", "C"): insert (all or nothing),
// delete, reset to defaults, rename (undone on failure) and edit, and the
// names a cut full name may meet.

#include "params_fixture.h"

#include "paramcommands.h"

#include <wardlock/keeper/dmodexceptions.h>
#include <wardlock/keeper/strings.h>

#include <gmock/gmock.h>

using namespace Security;
using ::testing::HasSubstr;

namespace wardlock_test {

namespace {

std::string Msg(TSecStringId id, const std::string& arg = {})
{
    return SecFormat(id, arg);
}

std::string Then(TSecStringId outer, const std::string& inner)
{
    return std::string(SecString(outer)) + " : " + inner;
}

class PassesTest : public ParamsTest {
protected:
    // "Box" of the test editor, its sub-parameters applied.
    void MakeBox(const std::string& behaviour = {})
    {
        NewParam("Box", AddTestEditorType(), behaviour);
        ASSERT_TRUE(Exists("Box") && Exists("BoxA") && Exists("BoxB") && Exists("BoxC"));
    }
    // The administrator's own value of a parameter (null: none).
    QVariant OwnValueOf(const std::string& name)
    {
        return OwnValue(UserID("admin"), ParamID(name));
    }
};

TEST_P(PassesTest, InsertMakesHiddenSubParametersWithTheParentsFullName)
{
    MakeBox();
    for (const char* sub : { "BoxA", "BoxB", "BoxC" })
        EXPECT_TRUE(IsHidden(sub)) << sub;
    EXPECT_FALSE(IsHidden("Box"));
    EXPECT_EQ(FullNameOf("BoxB"), "Box full - B");
}

// Each failure of an insert leaves nothing of it behind.
TEST_P(PassesTest, FailedInsertLeavesNothing)
{
    const int before = ParamCount();
    const int editor = AddTestEditorType();
    const int noInsert = AddType("NoInsert",
        { "wardtestparamed.dll", "Missing", "TestEdItr", "TestEdRen", "TestEdShow", "", {} });

    // The editor refuses after two sub-parameters: they do not stay.
    EXPECT_EQ(MessageOf([&] { NewParam("Box", editor, "fail3"); }), Msg(sInsertParamFailed));
    // The type's library lacks the insert function.
    EXPECT_EQ(MessageOf([&] { NewParam("Crate", noInsert); }),
        Then(sInsertParamFailed, SecFormat(sEntryPointNotFound, "Missing", "wardtestparamed.dll")));
    // The editor throws.
    EXPECT_EQ(MessageOf([&] { NewParam("Tin", editor, "throw"); }),
        Then(sInsertParamFailed, "the test editor was asked to throw"));
    EXPECT_EQ(ParamCount(), before);
    for (const char* name : { "Box", "BoxA", "BoxB", "Crate", "Tin", "TinA" })
        EXPECT_FALSE(Exists(name)) << name;
}

// A sub-parameter's full name is cut to 16 bytes: it may be taken already, or
// be its parent's own name. Either refuses the whole insert.
TEST_P(PassesTest, InsertOntoATakenNameIsRefused)
{
    const int editor = AddTestEditorType();
    AddParam("BoxB");
    EXPECT_EQ(MessageOf([&] { NewParam("Box", editor); }),
        Then(sInsertParamFailed, Msg(sParamNameTaken, "BoxB")));
    EXPECT_FALSE(Exists("Box"));
    EXPECT_FALSE(Exists("BoxA"));

    const std::string sixteen = "SixteenCharsName";
    EXPECT_EQ(MessageOf([&] { NewParam(sixteen, editor); }),
        Then(sInsertParamFailed, Msg(sSubParamIsParent, sixteen)));
    EXPECT_FALSE(Exists(sixteen));

    EXPECT_EQ(MessageOf([&] { NewParam("BoxB", editor); }),
        Then(sInsertParamFailed, Msg(sParamNameTaken, "BoxB")));
}

TEST_P(PassesTest, DeleteRemovesSubParametersFirst)
{
    MakeBox();
    Select("Box");
    ParamCommands::DeleteParam(Host());
    for (const char* name : { "Box", "BoxA", "BoxB", "BoxC" })
        EXPECT_FALSE(Exists(name)) << name;
}

TEST_P(PassesTest, DeleteWithoutAnIterateFunctionFailsAndKeepsTheParameter)
{
    const int noIterate = AddType(
        "NoIterate", { "wardtestparamed.dll", "TestEdIns", "", "TestEdRen", "TestEdShow", "", {} });
    NewParam("Box", noIterate);
    Select("Box");
    EXPECT_EQ(MessageOf([&] { ParamCommands::DeleteParam(Host()); }), Msg(sDeleteParamFailed));
    EXPECT_TRUE(Exists("Box"));
    EXPECT_TRUE(Exists("BoxA"));
}

// Deleting through a context finds hidden sub-parameters although the
// parameters list hides them.
TEST_P(PassesTest, ContextDeleteReachesHiddenSubParameters)
{
    MakeBox();
    Module().SetParamsFiltered(true);
    const TSecParamEd editor(&Host());
    EXPECT_TRUE(editor.DelParam("Box"));
    ApplyAndRefresh();
    for (const char* name : { "Box", "BoxA", "BoxB", "BoxC" })
        EXPECT_FALSE(Exists(name)) << name;
}

TEST_P(PassesTest, ResetToDefaultsResetsSubParametersToo)
{
    MakeBox();
    const TSecParamEd editor(&Host());
    editor.SetParam("Box", "own");
    editor.SetParam("BoxB", "own b");
    ApplyAndRefresh();
    ASSERT_EQ(OwnValueOf("BoxB").toString(), "own b");
    Select("Box");
    ParamCommands::ResetParamToDefault(Host());
    ApplyAndRefresh();
    EXPECT_TRUE(OwnValueOf("Box").isNull());
    EXPECT_TRUE(OwnValueOf("BoxB").isNull());
}

// The default pass resets the parameter it processes, not whatever row is
// current when its sub-parameters are done.
TEST_P(PassesTest, DefaultPassResetsTheParameterByItsID)
{
    MakeBox();
    AddParam("Other");
    Module().RefreshAll();
    const TSecParamEd editor(&Host());
    editor.SetParam("Box", "own");
    editor.SetParam("Other", "mine");
    Select("Other");
    EXPECT_TRUE(editor.DefParam("Box"));
    ApplyAndRefresh();
    EXPECT_TRUE(OwnValueOf("Box").isNull());
    EXPECT_EQ(OwnValueOf("Other").toString(), "mine");
}

TEST_P(PassesTest, ResetWithoutAnIterateFunctionStillResetsTheParameter)
{
    const int noIterate = AddType(
        "NoIterate", { "wardtestparamed.dll", "TestEdIns", "", "TestEdRen", "TestEdShow", "", {} });
    NewParam("Box", noIterate);
    const TSecParamEd editor(&Host());
    editor.SetParam("Box", "own");
    ApplyAndRefresh();
    Select("Box");
    ParamCommands::ResetParamToDefault(Host());
    ApplyAndRefresh();
    EXPECT_TRUE(OwnValueOf("Box").isNull());
}

TEST_P(PassesTest, RenameRenamesEverySubParameter)
{
    MakeBox();
    const TSecParamEd editor(&Host());
    editor.SetParam("BoxB", "kept");
    ASSERT_TRUE(editor.RenParam("Box", "Crate"));
    ApplyAndRefresh();
    for (const char* name : { "Crate", "CrateA", "CrateB", "CrateC" })
        EXPECT_TRUE(Exists(name)) << name;
    for (const char* name : { "Box", "BoxA", "BoxB", "BoxC" })
        EXPECT_FALSE(Exists(name)) << name;
    EXPECT_EQ(OwnValueOf("CrateB").toString(), "kept");
}

// A rename pass that fails puts every name back: nothing half renamed is
// left for the next apply.
TEST_P(PassesTest, FailedRenamePutsTheNamesBack)
{
    MakeBox();
    struct Case {
        const char* why;
        std::function<void()> prepare;
        std::string message;
    };
    const Case cases[] = {
        { "a sub-parameter is missing",
            [this] { db().Exec("delete from Params where Name = 'BoxB'"); },
            Then(sRenameParamFailed, Msg(sParamNameNotFound, "BoxB")) },
        { "a new sub-parameter name is taken", [this] { AddParam("CrateA"); },
            Then(sRenameParamFailed, Msg(sParamNameTaken, "CrateA")) },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.why);
        test.prepare();
        Module().RefreshAll();
        const TSecParamEd editor(&Host());
        EXPECT_EQ(MessageOf([&] { editor.RenParam("Box", "Crate"); }), test.message);
        ApplyAndRefresh();
        EXPECT_TRUE(Exists("Box"));
        EXPECT_TRUE(Exists("BoxA"));
        EXPECT_FALSE(Exists("Crate"));
    }
}

// Renaming to a name of 16 bytes would give the sub-parameters the parent's
// own name.
TEST_P(PassesTest, RenameToASixteenByteNameIsRefused)
{
    MakeBox();
    const TSecParamEd editor(&Host());
    EXPECT_EQ(MessageOf([&] { editor.RenParam("Box", "SixteenCharsName"); }),
        Then(sRenameParamFailed, Msg(sSubParamIsParent, "SixteenCharsName")));
    ApplyAndRefresh();
    EXPECT_TRUE(Exists("Box"));
    EXPECT_TRUE(Exists("BoxA"));
}

// What the test editor's edit does, by the parameter's default value, and
// what the value then is.
TEST_P(PassesTest, EditAValue)
{
    const int editor = AddTestEditorType();
    struct Case {
        const char* behaviour;
        bool changed;
        std::string value; // after the edit
        std::string message; // of the failure, if any
    };
    const std::string damaged
        = Then(sParamValueChangeFailed, Msg(sEditorDamagedData, "wardtestparamed.dll"));
    const Case cases[] = {
        { "plain", true, "ed:plain", {} },
        { "cancel", false, "cancel", {} },
        // At most 16 bytes, whatever the editor returned.
        { "garbage", true, std::string(16, 'G'), {} },
        { "throwshow", false, "throwshow",
            Then(sParamValueChangeFailed, "the test editor was asked to throw") },
        { "overrun", false, "overrun", damaged },
        { "scribble", false, "scribble", damaged },
        { "farout", false, "farout", damaged },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.behaviour);
        const std::string name = std::string("E") + test.behaviour;
        NewParam(name, editor, test.behaviour);
        Select(name);
        bool changed = false;
        EXPECT_EQ(
            MessageOf([&] { changed = ParamCommands::EditParamValue(Host()); }), test.message);
        EXPECT_EQ(changed, test.changed);
        Select(name);
        EXPECT_EQ(Module().ParamValue().str(), test.value);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Engines, PassesTest, ::testing::Values(Engine::SQLite, Engine::PostgreSQL), AdminEngineName);

} // namespace

} // namespace wardlock_test
