// The hierarchy editor's changes written through the real full data module
// (the BDE administration provider, on SQLite and PostgreSQL): the saving
// order, new groups through the new-group dialog, relation rows resolved
// against the table the editor was opened with, nothing written for removed
// groups or groups never created, a database failure at each step ending the
// hierarchy change, and the editor window run over the module.

#include "admin_fixture.h"

#include "hierarchy_testkit.h"

#include "hierarchy/hierarchyeditor.h"
#include "hierarchy/hierarchysave.h"
#include "securitychangenamefrm.h"
#include "securitynewgroupfrm.h"

#include <wardlock/data/dataset.h>
#include <wardlock/keeper/secdmodbase.h>
#include <wardlock/keeper/strings.h>
#include <wardlock/platform/dialogs.h>

#include <QAction>
#include <QLineEdit>

#include <gmock/gmock.h>

using namespace Security;
using ::testing::HasSubstr;

namespace wardlock_test {

namespace {

QSize FixedSize(const TGroupProperties&)
{
    return QSize(100, 40);
}

// Bosses administer Clerks and Temps, Clerks may administer Interns.
class HierarchySave : public AdminTest {
protected:
    void SetUp() override
    {
        AdminTest::SetUp();
        if (IsSkipped())
            return;
        for (const char* name : { "Bosses", "Clerks", "Temps", "Interns" })
            AddGroup(name);
        Relate(GroupID("Bosses"), GroupID("Clerks"), mgStrong);
        Relate(GroupID("Bosses"), GroupID("Temps"), mgStrong);
        Relate(GroupID("Clerks"), GroupID("Interns"), mgWeak);
        AddUser("boss", GroupID("Bosses"));
        // Every group has its place, so that opening the editor moves none.
        int top = 20;
        for (const char* name : { "Admins", "Bosses", "Clerks", "Temps", "Interns" }) {
            db().Exec("update Groups set Position = :p1 where Name = :p2",
                { EncodePosition(QPoint(20, top)), QString(name) });
            top += 100;
        }
    }

    // The relation rows as "From>To type", sorted.
    std::string Relations()
    {
        const std::string rows = "(select g.Name || '>' || m.Name || ' ' || ModGroups.Type as r "
                                 "from ModGroups join Groups g on g.GroupID = ModGroups.GroupID "
                                 "join Groups m on m.GroupID = ModGroups.ModGroupID order by 1) t";
        const std::string joined = db().engine() == Engine::PostgreSQL
            ? "select string_agg(r, '|' order by r) from " + rows
            : "select group_concat(r, '|') from " + rows;
        return db().Scalar(joined).toString().toStdString();
    }

    // The diagram as the editor builds it when the hierarchy change starts.
    std::unique_ptr<THierarchyModel> Open(TSecDModDlgBaseFrm& module, SecRightsMask mask = 14)
    {
        std::uint16_t administratorRow = 0;
        const auto table = module.ChangeGroupHierachyStart(administratorRow);
        THierarchyEditorInput input;
        input.Groups = module.Current.Groups;
        input.Hierarchy = table.data();
        input.GroupCount = static_cast<int>(table.size());
        input.AdministratorRow = administratorRow == UINT16_MAX ? -1 : administratorRow;
        input.AdministrationMask = mask;
        input.Unrestricted = module.Unrestricted();
        return LoadHierarchy(input, FixedSize);
    }

    // The hierarchy change is over: values follow the selection again and
    // the groups' views are enabled.
    static void ExpectChangeEnded(TSecDModDlgBaseFrm& module)
    {
        EXPECT_TRUE(module.FilterSuspension());
        EXPECT_FALSE(module.Current.Groups->ControlsDisabled());
    }
};

// Every kind of change at once. The new group "Aardvark" sorts first, so
// creating it renumbers every row of the live table; the edges still name
// the groups of the table the editor was opened with.
TEST_P(HierarchySave, WritesEveryChangeInOrder)
{
    auto module = FullModule(LoginAdmin());
    auto model = Open(*module);
    ASSERT_TRUE(model->Retype(wltest::RelationNamed(*model, "Bosses", "Clerks"), mgWeak));
    ASSERT_TRUE(model->DrawRelation(
        wltest::BoxNamed(*model, "Clerks"), wltest::BoxNamed(*model, "Bosses"), mgNegative));
    ASSERT_TRUE(model->DrawRelation(
        wltest::BoxNamed(*model, "Temps"), wltest::BoxNamed(*model, "Interns"), mgStrong));
    ASSERT_TRUE(model->RemoveGroup(wltest::BoxNamed(*model, "Temps")));
    TGroupProperties interns = wltest::BoxNamed(*model, "Interns").Properties();
    interns.FullName = "Summer interns";
    ASSERT_TRUE(model->EditGroup(wltest::BoxNamed(*model, "Interns"), interns, QSize(120, 40)));
    ASSERT_TRUE(model->MoveBox(wltest::BoxNamed(*model, "Clerks"), QPoint(300, 220)));
    TGroupProperties aardvark;
    aardvark.Name = "Aardvark";
    aardvark.FullName = "Aardvark";
    TGroupFrame* created = model->AddNewGroup(aardvark, QPoint(500, 20), QSize(100, 40));
    ASSERT_TRUE(model->DrawRelation(*created, wltest::BoxNamed(*model, "Interns"), mgStrong));
    TGroupProperties zebra;
    zebra.Name = "Zebra";
    zebra.FullName = "Zebra";
    TGroupFrame* cancelled = model->AddNewGroup(zebra, QPoint(700, 20), QSize(100, 40));
    ASSERT_TRUE(model->DrawRelation(*cancelled, wltest::BoxNamed(*model, "Clerks"), mgWeak));

    THierarchyEditorRun run;
    std::vector<std::string> asked;
    run.NewGroupDialog = [&](TGroupProperties& group, TNewGroupDetails& details) {
        asked.push_back(group.Name);
        details.RightsFromGroup = true;
        details.RightsGroupID = GroupID("Bosses");
        return group.Name != "Zebra"; // Zebra's dialog is cancelled
    };
    SaveHierarchy(*module, *model, run);

    EXPECT_EQ(asked, (std::vector<std::string> { "Aardvark", "Zebra" }));
    EXPECT_EQ(Relations(),
        "Aardvark>Interns 2|Admins>Aardvark 2|Admins>Admins 2|Bosses>Clerks 1|Clerks>Bosses "
        "0|Clerks>Interns 1");
    EXPECT_EQ(Count("select count(*) from Groups where Name in ('Temps', 'Zebra')"), 0);
    EXPECT_EQ(db().Scalar("select FullName from Groups where Name = 'Interns'").toString(),
        "Summer interns");
    EXPECT_EQ(db().Scalar("select Position from Groups where Name = 'Clerks'").toInt(),
        EncodePosition(QPoint(300, 220)));
    EXPECT_EQ(db().Scalar("select Position from Groups where Name = 'Aardvark'").toInt(),
        EncodePosition(QPoint(500, 20)));
    // The new group's rights were copied from the group the dialog named.
    EXPECT_EQ(
        Count("select count(*) from GroupRights where GroupID = :p1", { GroupID("Aardvark") }),
        Count("select count(*) from GroupRights where GroupID = :p1", { GroupID("Bosses") }));
    ExpectChangeEnded(*module);
}

// The mended end of a failed save: whatever step fails, the new-group
// sequence and the hierarchy change it opened are ended before the error is
// reported, and no relation row was written.
TEST_P(HierarchySave, AFailedSaveEndsTheHierarchyChange)
{
    InstallFaultTriggers(db());
    struct Step {
        const char* name;
        bool removeGroup;
        const char* table;
        int failAt;
    };
    const Step steps[] = {
        { "deleting the removed group", true, "groups", 1 },
        { "creating the new group", false, "groups", 1 },
        { "writing the relations", false, "modgroups", 2 },
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        auto module = FullModule(LoginAdmin());
        const std::string relations = Relations();
        auto model = Open(*module);
        if (step.removeGroup) {
            ASSERT_TRUE(model->RemoveGroup(wltest::BoxNamed(*model, "Temps")));
        }
        TGroupProperties sales;
        sales.Name = "Sales";
        sales.FullName = "Sales";
        ASSERT_TRUE(model->AddNewGroup(sales, QPoint(500, 20), QSize(100, 40)));
        ASSERT_TRUE(model->Retype(wltest::RelationNamed(*model, "Clerks", "Interns"), mgStrong));
        THierarchyEditorRun run;
        run.NewGroupDialog = [](TGroupProperties&, TNewGroupDetails&) { return true; };
        InjectFault(db(), step.table, step.failAt);
        EXPECT_THROW(SaveHierarchy(*module, *model, run), std::exception);
        HealFault(db());
        ExpectChangeEnded(*module);
        EXPECT_EQ(Relations(), relations);
        // A new hierarchy change starts and ends as usual.
        Open(*module);
        EXPECT_NO_THROW(module->ChangeGroupHierachyEnd({}, {}, {}));
        ExpectChangeEnded(*module);
        module.reset();
        db().Exec("delete from Groups where Name = 'Sales'");
    }
}

// The editor window over the module, answered through the modal hook: a
// negative relation from Bosses to Interns is drawn, then the editor is left
// with "Save and exit", or with "Exit without saving" (message 44 answered
// Yes), which writes nothing. Either way the hierarchy change is over.
class HierarchyEditorRun : public HierarchySave {
protected:
    void Run(bool save)
    {
        auto module = FullModule(LoginAdmin());
        std::vector<std::string> questions;
        vcl::ScopedMessageBoxHook answers([&](const vcl::MessageBoxRequest& request) {
            questions.push_back(request.text);
            return vcl::IDYES;
        });
        vcl::ScopedModalHook editor([&](QDialog& dialog) {
            auto& form = dynamic_cast<TSecurityHierarchyEdFrm&>(dialog);
            THierarchyModel& model = form.Model();
            ASSERT_TRUE(model.DrawRelation(
                wltest::BoxNamed(model, "Bosses"), wltest::BoxNamed(model, "Interns"), mgNegative));
            (save ? form.SaveAndExitAct : form.ExitWithoutSavingAct)->trigger();
        });
        THierarchyEditorRun run;
        run.AdministrationMask = srInsert | srModify | srDelete;
        EXPECT_EQ(RunHierarchyEditor(*module, nullptr, run), save);
        EXPECT_EQ(questions,
            save ? std::vector<std::string> {}
                 : std::vector<std::string> { SecString(sCloseWithoutSaving) });
        ExpectChangeEnded(*module);
    }
};

TEST_P(HierarchyEditorRun, SaveAndExitWrites)
{
    Run(true);
    EXPECT_EQ(Relations(),
        "Admins>Admins 2|Bosses>Clerks 2|Bosses>Interns 0|Bosses>Temps 2|Clerks>Interns 1");
}

TEST_P(HierarchyEditorRun, ExitWithoutSavingWritesNothing)
{
    const std::string before = Relations();
    Run(false);
    EXPECT_EQ(Relations(), before);
}

// The full dialog's one call: the real change-group dialog behind "Add new
// group", the real new-group dialog (pre-filled with the box's data) for a
// group drawn in the editor when saving, and the group collected by
// "Ne&w group ..." created as it is, administered by the administrator's
// group. Every modal window is answered through the modal hook.
class HierarchyEditorEntry : public HierarchySave {
protected:
    struct Answers {
        bool drawInEditor = false; // "Add new group" in the editor, named Auditors
        bool confirmNewGroup = true; // OK in the new-group dialog when saving
    };

    // Returns what ShowHierarchyEditor returned; records the windows shown.
    bool Run(const Answers& answers, const std::optional<TNewGroupData>& passedIn)
    {
        TSecurity* security = LoginAdmin();
        auto module = FullModule(security);
        vcl::ScopedModalHook windows([&](QDialog& dialog) {
            if (auto* editor = dynamic_cast<TSecurityHierarchyEdFrm*>(&dialog)) {
                shown.push_back("editor");
                if (answers.drawInEditor)
                    editor->AddNewGroupAct->trigger();
                editor->SaveAndExitAct->trigger();
            } else if (auto* change = dynamic_cast<TSecurityChangeNameFrm*>(&dialog)) {
                // Starts from the administrator's own group.
                shown.push_back("change group " + change->GroupName->text().toStdString());
                change->GroupName->setText(QStringLiteral("Auditors"));
                change->FullName->setText(QStringLiteral("Internal audit"));
                change->accept();
            } else if (auto* create = dynamic_cast<TSecurityNewGroupFrm*>(&dialog)) {
                shown.push_back("new group " + create->GroupName->text().toStdString() + " / "
                    + create->FullName->text().toStdString());
                answers.confirmNewGroup ? create->accept() : create->reject();
            } else {
                ADD_FAILURE() << "unexpected window " << dialog.windowTitle().toStdString();
                dialog.reject();
            }
        });
        const bool saved = ShowHierarchyEditor(
            *module, nullptr, TLoggedUser::Of(*security), srInsert | srModify | srDelete, passedIn);
        ExpectChangeEnded(*module);
        return saved;
    }

    std::vector<std::string> shown;
};

TEST_P(HierarchyEditorEntry, GroupsDrawnInTheEditorGoThroughTheNewGroupDialog)
{
    const std::string before = Relations();
    const std::string after = "Admins>Admins 2|Admins>Auditors 2|Bosses>Clerks 2|Bosses>Temps "
                              "2|Clerks>Interns 1";
    struct Case {
        const char* name;
        bool confirm;
        int groups; // Auditors rows afterwards
    };
    const Case cases[] = {
        { "confirmed: created and administered by his group", true, 1 },
        { "cancelled: no group, none of its relations", false, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        shown.clear();
        EXPECT_TRUE(Run({ true, c.confirm }, std::nullopt));
        EXPECT_EQ(shown,
            (std::vector<std::string> {
                "editor", "change group Admins", "new group Auditors / Internal audit" }));
        EXPECT_EQ(Count("select count(*) from Groups where Name = 'Auditors'"), c.groups);
        EXPECT_EQ(Relations(), c.groups ? after : before);
        db().Exec("delete from Groups where Name = 'Auditors'");
    }
}

TEST_P(HierarchyEditorEntry, TheGroupOfTheNewGroupCommandIsCreatedAsCollected)
{
    TNewGroupData collected;
    collected.Name = "Auditors";
    collected.FullName = "Internal audit";
    collected.Description = "Reads the books";
    collected.RightsFromGroup = GroupID("Bosses");
    collected.Options = { false, false, false, true, false };
    EXPECT_TRUE(Run({}, collected));
    // No second dialog asks for what the command has collected already.
    EXPECT_EQ(shown, (std::vector<std::string> { "editor" }));
    EXPECT_EQ(Relations(),
        "Admins>Admins 2|Admins>Auditors 2|Bosses>Clerks 2|Bosses>Temps 2|Clerks>Interns 1");
    EXPECT_EQ(db().Scalar("select Description from Groups where Name = 'Auditors'").toString(),
        "Reads the books");
    EXPECT_EQ(db().Scalar("select AllowChangePswd from Groups where Name = 'Auditors'").toInt(), 0);
    EXPECT_EQ(
        Count("select count(*) from GroupRights where GroupID = :p1", { GroupID("Auditors") }),
        Count("select count(*) from GroupRights where GroupID = :p1", { GroupID("Bosses") }));
}

} // namespace

WARDLOCK_ADMIN_ENGINES(HierarchySave);
WARDLOCK_ADMIN_ENGINES(HierarchyEditorRun);
WARDLOCK_ADMIN_ENGINES(HierarchyEditorEntry);

} // namespace wardlock_test
