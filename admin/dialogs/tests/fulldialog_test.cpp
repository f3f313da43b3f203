// The full administration dialog over a real data module: which tabs and
// commands a logged user gets from his two masks, the confirmations of the
// destructive commands, the close question, and the faults the dialog must
// not have: commands going on after a cancelled question, discarded edits
// left in the running security, a value column that stays editable, a tab
// change that loses a refused edit, secret settings on the About page, a
// group list offering groups the user cannot be moved into.

#include "dialogs_driver.h"
#include "fulldialog_fixture.h"

#include <wardlock/data/dataset.h>
#include <wardlock/data/fields.h>
#include <wardlock/keeper/secdmodbase.h>
#include <wardlock/platform/settings.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

using namespace Security;

namespace wardlock_test {

namespace {

constexpr int V = srView, I = srInsert, M = srModify, D = srDelete;

} // namespace

class FullDialog : public FullDialogTest { };

// Both masks decide the tabs; the first tab is the one shown.
TEST_P(FullDialog, TabsFollowTheMasks)
{
    const struct {
        const char* user;
        int adminMask;
        int designMask;
        std::vector<std::string> tabs;
        const char* firstPage;
    } cases[] = {
        { "both", V, V, { "&Users", "&Groups", "&Rights", "&Parameters", "&About" }, "UsersPage" },
        { "adminonly", V, 0, { "&Users", "&Groups", "&About" }, "UsersPage" },
        { "designonly", 0, V, { "&Rights", "&Parameters", "&About" }, "RightsPage" },
        // Neither View bit: the About tab alone, on the Info page.
        { "neither", I | M | D, I | M | D, { "&About" }, "InfoPage" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.user);
        auto dialog = Open(LoginWithMasks(c.user, c.adminMask, c.designMask));
        EXPECT_EQ(Tabs(*dialog), c.tabs);
        EXPECT_EQ(dialog->Notebook->currentWidget()->objectName().toStdString(), c.firstPage);
        const auto& positions = dialog->TabPositions();
        EXPECT_EQ(positions.Info, static_cast<int>(c.tabs.size()) - 1);
        EXPECT_EQ(positions.Users == -2, (c.adminMask & V) == 0);
        EXPECT_EQ(positions.Rights == -2, (c.designMask & V) == 0);
    }
}

// View alone on both forms: nothing can be created, changed or removed.
TEST_P(FullDialog, ViewOnlyDisablesEveryCommand)
{
    auto dialog = Open(LoginWithMasks("viewer", V, V));
    for (QPushButton* button : { dialog->NewUserBtn, dialog->NewGroupBtn, dialog->RemoveUserBtn,
             dialog->NewRightBtn, dialog->DeleteRightBtn, dialog->NewParamBtn,
             dialog->DeleteParamBtn, dialog->ResetRightsBtn, dialog->ResetParamsBtn })
        EXPECT_FALSE(button->isEnabled()) << button->objectName().toStdString();
    EXPECT_TRUE(dialog->RightsGrid->ReadOnly());
    EXPECT_TRUE(dialog->ParamsGrid->ReadOnly());
    EXPECT_TRUE(dialog->RightsDescription->isReadOnly());
    EXPECT_TRUE(dialog->RightsValuesGrid->ReadOnly());
}

// The seeded administrator administers everything.
TEST_P(FullDialog, UnrestrictedAdministratorHasEveryCommand)
{
    auto dialog = Open(LoginAdmin());
    for (QPushButton* button :
        { dialog->NewUserBtn, dialog->NewGroupBtn, dialog->ChangeUserBtn, dialog->RemoveUserBtn,
            dialog->NewRightBtn, dialog->DeleteRightBtn, dialog->ResetRightsBtn })
        EXPECT_TRUE(button->isEnabled()) << button->objectName().toStdString();
    EXPECT_FALSE(dialog->ApplyBtn->isEnabled()) << "nothing to apply yet";
}

// Removing a group asks three times; any answer but the confirming one at any
// step leaves everything as it was.
TEST_P(FullDialog, GroupRemovalNeedsThreeConfirmations)
{
    const struct {
        const char* name;
        std::deque<int> answers;
        bool removed;
    } cases[] = {
        { "no at the first", { vcl::IDNO }, false },
        { "cancel at the second", { vcl::IDYES, vcl::IDCANCEL }, false },
        { "no at the third", { vcl::IDYES, vcl::IDOK, vcl::IDNO }, false },
        { "yes at the third", { vcl::IDYES, vcl::IDOK, vcl::IDYES }, true },
    };
    TSecurity* security = LoginAdmin();
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int doomed = AddGroup("Doomed" + std::to_string(++n));
        auto dialog = Open(security);
        ASSERT_TRUE(ShowTab(*dialog, "&Groups"));
        TSecDModDlgBaseFrm* module = dialog->DModule();
        ASSERT_TRUE(module->FindGroup(doomed));
        BoxScript boxes(c.answers);
        dialog->RemoveGroupBtn->click();
        std::vector<std::string> expected { Msg(sRemoveGroupAsk), Msg(sRemoveGroupWarn),
            Msg(sRemoveGroupLastWarn) };
        expected.resize(c.answers.size());
        EXPECT_EQ(boxes.Texts(), expected);
        EXPECT_EQ(module->FindGroup(doomed), !c.removed);
        EXPECT_EQ(module->Modified(), c.removed);
        EXPECT_EQ(dialog->ApplyBtn->isEnabled(), c.removed);
        // The last question defaults to No.
        if (boxes.Boxes().size() == 3) {
            EXPECT_EQ(boxes.Boxes()[2].defaultButton, 2);
        }
        if (c.removed) {
            BoxScript close({ vcl::IDYES });
            dialog->reject();
        }
    }
}

// Closing with unapplied changes asks; No keeps the dialog open with the
// changes, Yes closes it and the running security forgets the discarded
// edit of the logged user's own record.
TEST_P(FullDialog, CloseQuestionKeepsOrDiscards)
{
    TSecurity* security = LoginAdmin();
    const std::string fullName = security->User().FullName;
    auto dialog = Open(security);
    TSecDModDlgBaseFrm* module = dialog->DModule();
    RenameOwnUser(*dialog, "Renamed Admin");
    ASSERT_EQ(security->User().FullName, "Renamed Admin");
    ASSERT_TRUE(dialog->ApplyBtn->isEnabled());
    {
        BoxScript boxes({ vcl::IDNO });
        dialog->CancelBtn->click();
        EXPECT_EQ(boxes.Texts(), std::vector<std::string> { Msg(sCloseWithoutSaving) });
    }
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(module->Modified());
    EXPECT_EQ(module->UserInfo().FullName, "Renamed Admin");
    {
        BoxScript boxes({ vcl::IDYES });
        dialog->reject();
    }
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(security->User().FullName, fullName) << "the discarded name stayed in the security";
    EXPECT_EQ(
        Count("select count(*) from Users where FullName = :p1", { QString("Renamed Admin") }), 0);
}

// With pending edits, Cancel to the apply question stops the command: no
// dialog, no editor, nothing applied.
TEST_P(FullDialog, CancelledQuestionStopsTheCommand)
{
    const struct {
        const char* name;
        void (TSecurityDlgFrm::*command)();
    } cases[] = {
        { "new user", &TSecurityDlgFrm::NewUser },
        { "new group", &TSecurityDlgFrm::NewGroup },
        { "new right", &TSecurityDlgFrm::NewRight },
        { "hierarchy", &TSecurityDlgFrm::Hierarchy },
    };
    TSecurity* security = LoginAdmin();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto dialog = Open(security);
        TSecDModDlgBaseFrm* module = dialog->DModule();
        RenameOwnUser(*dialog, "Pending");
        ASSERT_TRUE(module->Modified());
        {
            BoxScript boxes({ vcl::IDCANCEL });
            // Any dialog opened now is unexpected (the test main fails it).
            (dialog.get()->*c.command)();
            EXPECT_EQ(boxes.Texts(), std::vector<std::string> { Msg(sAskApply) });
        }
        EXPECT_TRUE(module->Modified());
        EXPECT_EQ(
            Count("select count(*) from Users where FullName = :p1", { QString("Pending") }), 0);
        BoxScript close({ vcl::IDYES });
        dialog->reject();
    }
}

// "Yes" to the apply question before a new user applies the pending edits.
TEST_P(FullDialog, YesBeforeNewUserApplies)
{
    TSecurity* security = LoginAdmin();
    auto dialog = Open(security);
    TSecDModDlgBaseFrm* module = dialog->DModule();
    RenameOwnUser(*dialog, "Applied First");
    BoxScript boxes({ vcl::IDYES });
    vcl::ScopedModalHook newUserDialog([](QDialog& form) {
        EXPECT_EQ(form.windowTitle().toStdString(), "New user");
        form.reject();
    });
    dialog->NewUser();
    EXPECT_EQ(
        Count("select count(*) from Users where FullName = :p1", { QString("Applied First") }), 1);
    EXPECT_FALSE(module->Modified());
    EXPECT_TRUE(module->FilterSuspension()) << "values must follow the selection again";
}

// Alt+L applies from the keyboard, whatever has the focus: the letter is
// no other command's (an ambiguous accelerator would only move the focus).
TEST_P(FullDialog, ApplyHasItsOwnAccelerator)
{
    TSecurity* security = LoginAdmin();
    auto dialog = Open(security);
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    TSecDModDlgBaseFrm* module = dialog->DModule();
    ASSERT_TRUE(module->FindUser(security->User().UserID));
    const TSecUserInfo own = module->UserInfo();
    module->ChangeUser(own.Name.c_str(), "Applied By Key", own.Passwd, own.AllowChangePswd,
        own.AllowNullPasswd, own.NoChPswdAtLogin, own.AccountEnabled, own.PasswdControl);
    ASSERT_TRUE(dialog->ApplyBtn->isEnabled());
    dialog->UsersGrid->setFocus();
    Key(Qt::Key_L, Qt::AltModifier);
    EXPECT_EQ(
        Count("select count(*) from Users where FullName = :p1", { QString("Applied By Key") }), 1);
    EXPECT_FALSE(module->Modified());
}

// "Ne&w group ..." and "Hierarchy ..." run the hierarchy editor: the new
// group is created when the editor is saved and not at all when it is left
// without saving; the editor opened by "Hierarchy ..." saves nothing when
// left.
TEST_P(FullDialog, GroupCommandsRunTheHierarchyEditor)
{
    const struct {
        const char* name;
        bool newGroup;
        bool save;
        int groupsCreated;
    } cases[] = {
        { "new group saved", true, true, 1 },
        { "new group left", true, false, 0 },
        { "hierarchy left", false, false, 0 },
    };
    TSecurity* security = LoginAdmin();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto dialog = Open(security);
        const int groupsBefore = Count("select count(*) from Groups", {});
        int editorRuns = 0;
        vcl::ScopedModalHook forms([&](QDialog& form) {
            const std::string title = form.windowTitle().toStdString();
            if (title == "New group") {
                form.findChild<QLineEdit*>("GroupName")->setText("Drafted");
                form.findChild<QLineEdit*>("FullName")->setText("Drafted group");
                form.accept();
                return;
            }
            ASSERT_EQ(title, "Group Hierarchy Editor");
            ++editorRuns;
            form.findChild<QAction*>(c.save ? "SaveAndExitAct" : "ExitWithoutSavingAct")->trigger();
        });
        {
            // Leaving without saving asks message 44 first.
            BoxScript boxes({ vcl::IDYES, vcl::IDYES });
            if (c.newGroup)
                dialog->NewGroup();
            else
                dialog->Hierarchy();
        }
        EXPECT_EQ(editorRuns, 1);
        EXPECT_EQ(Count("select count(*) from Groups", {}), groupsBefore + c.groupsCreated);
        // The cases share the database: only the saved case made "Drafted".
        EXPECT_EQ(Count("select count(*) from Groups where Name = :p1", { QString("Drafted") }), 1);
        BoxScript close({ vcl::IDYES });
        dialog->reject();
    }
}

// Restricted administrators: Managers administer Clerks (and so their
// users), not Admins and not Guests.
class RestrictedDialog : public FullDialogTest {
protected:
    void SetUp() override
    {
        FullDialogTest::SetUp();
        if (IsSkipped())
            return;
        managers = AddGroup("Managers");
        clerks = AddGroup("Clerks");
        guests = AddGroup("Guests");
        Relate(managers, clerks, 2);
        db().SetGroupRight(managers, FormID("Security"), V | I | M | D);
        db().SetGroupRight(managers, FormID("SecProjecting"), V);
        report = AddForm("LedgerFrm", 0);
        db().SetGroupRight(managers, report, 0);
        AddParam("Motto", { "Default", "old" });
        AddUser("mary", managers);
        bob = AddUser("bob", clerks);
        gus = AddUser("gus", guests);
    }

    int managers = 0, clerks = 0, guests = 0, report = 0, bob = 0, gus = 0;
};

// "New user ..." of a restricted administrator offers the groups he may
// place a user in. A group whose members administer a group kept from him
// is not among them; with no group left he is told so (message 99) and the
// groups are listed in full again.
TEST_P(RestrictedDialog, NewUserOffersOnlyGroupsWithinReach)
{
    // The deputy's rights on "Security" are his own, not his group's; the
    // clerks administer the guests, whom the managers are kept away from.
    const int deputy = AddUser("deputy", managers);
    db().SetUserRight(deputy, FormID("Security"), V | I | M);
    const struct {
        const char* user;
        bool guestsBelowClerks;
        std::vector<std::string> offered;
    } cases[] = {
        { "mary", false, { "Clerks" } },
        { "deputy", true, {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.user);
        if (c.guestsBelowClerks) {
            Relate(managers, guests, 0);
            Relate(clerks, guests, 2);
        }
        auto dialog = Open(LoginAs(c.user, kPassword));
        vcl::TDataSet* groups = dialog->DModule()->Current.Groups;
        const int allGroups = groups->RecordCount();
        std::vector<std::string> offered;
        vcl::ScopedModalHook newUserDialog([&](QDialog& form) {
            EXPECT_EQ(form.windowTitle().toStdString(), "New user");
            for (groups->First(); !groups->Eof(); groups->Next())
                offered.push_back(groups->FieldByName("Name")->AsString());
            form.reject();
        });
        BoxScript boxes({ vcl::IDOK });
        dialog->NewUser();
        EXPECT_EQ(offered, c.offered);
        EXPECT_EQ(boxes.Texts(),
            c.offered.empty() ? std::vector<std::string> { Msg(sNoGroupForNewUser) }
                              : std::vector<std::string> {});
        EXPECT_EQ(groups->RecordCount(), allGroups) << "the groups stay filtered";
        BoxScript close({ vcl::IDYES });
        dialog->reject();
    }
}

// The value column follows the selected user: editable for a user the
// administrator may modify, read-only as soon as another one is selected.
TEST_P(RestrictedDialog, ValueColumnFollowsTheSelectedUser)
{
    auto dialog = Open(LoginAs("mary", kPassword));
    TSecDModDlgBaseFrm* module = dialog->DModule();
    ASSERT_FALSE(module->Unrestricted());
    auto valueReadOnly = [&] {
        for (const tor::TGridColumn& column : dialog->ParamValuesGrid->Columns())
            if (column.FieldName == "FValue")
                return column.ReadOnly;
        ADD_FAILURE() << "no value column";
        return false;
    };
    ASSERT_TRUE(module->FindUser(bob));
    ASSERT_TRUE(module->FindParam("Motto"));
    EXPECT_FALSE(valueReadOnly()) << "bob is one of mary's clerks";
    ASSERT_TRUE(module->FindUser(gus));
    EXPECT_TRUE(valueReadOnly()) << "gus is not mary's to modify";
    EXPECT_FALSE(dialog->RemoveUserBtn->isEnabled());
}

// A refused edit is not lost by a tab change: the tab stays where it was.
TEST_P(RestrictedDialog, RefusedEditKeepsTheTab)
{
    auto dialog = Open(LoginAs("mary", kPassword));
    TSecDModDlgBaseFrm* module = dialog->DModule();
    ASSERT_TRUE(module->FindUser(bob));
    vcl::TDataSet* forms = module->Current.Forms;
    ASSERT_TRUE(forms->Locate("Name", "LedgerFrm"));
    forms->Edit();
    // Granting a right mary lacks herself is wider than hers.
    const int held = module->Rights().GetRight(report);
    ASSERT_NE(held & D, D);
    forms->FieldByName("FDelete")->SetAsBoolean(true);
    ASSERT_EQ(forms->State(), vcl::dsEdit);
    ASSERT_TRUE(forms->Modified());
    ASSERT_EQ(module->ViewMode(), vmUsers);
    BoxScript boxes({ vcl::IDOK });
    dialog->TabSet->setCurrentIndex(dialog->TabPositions().Groups);
    QApplication::processEvents();
    EXPECT_EQ(dialog->TabSet->currentIndex(), dialog->TabPositions().Users);
    EXPECT_EQ(module->ViewMode(), vmUsers);
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_NE(boxes.Texts()[0].find(Msg(sWiderRights)), std::string::npos) << boxes.Texts()[0];
}

// The groups list box offers a user's own group and the groups he may be
// moved into, nothing else.
TEST_P(RestrictedDialog, GroupListOffersOnlyAllowedTargets)
{
    auto dialog = Open(LoginAs("mary", kPassword));
    ASSERT_TRUE(dialog->DModule()->FindUser(bob));
    QApplication::processEvents();
    std::vector<std::string> offered;
    for (int i = 0; i < dialog->GroupsListBox->count(); ++i)
        if (!dialog->GroupsListBox->item(i)->isHidden())
            offered.push_back(dialog->GroupsListBox->item(i)->text().toStdString());
    EXPECT_EQ(offered, std::vector<std::string> { "Clerks group" });
    ASSERT_NE(dialog->GroupsListBox->currentItem(), nullptr);
    EXPECT_EQ(dialog->GroupsListBox->currentItem()->text().toStdString(), "Clerks group");
}

// Choosing another group in the list box asks first: OK moves the user
// (Apply stores it), Cancel says the change was cancelled and moves nothing.
TEST_P(RestrictedDialog, GroupListMovesTheUserAfterTheQuestion)
{
    const int typists = AddGroup("Typists");
    Relate(managers, typists, 2);
    const struct {
        const char* name;
        int answer;
        std::vector<std::string> boxes;
        int groupAfter;
    } cases[] = {
        { "Cancel", vcl::IDCANCEL, { Msg(sChangeUserGroupAsk), Msg(sUserGroupChangeCancelled) },
            clerks },
        { "OK", vcl::IDOK, { Msg(sChangeUserGroupAsk) }, typists },
    };
    // bob starts among the clerks in every case: the case that moves him is the last.
    TSecurity* security = LoginAs("mary", kPassword);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto dialog = Open(security);
        TSecDModDlgBaseFrm* module = dialog->DModule();
        ASSERT_TRUE(module->FindUser(bob));
        QApplication::processEvents();
        QListWidgetItem* target = nullptr;
        std::vector<std::string> offered;
        for (int i = 0; i < dialog->GroupsListBox->count(); ++i) {
            QListWidgetItem* item = dialog->GroupsListBox->item(i);
            if (!item->isHidden())
                offered.push_back(item->text().toStdString());
            if (item->data(Qt::UserRole).toInt() == typists)
                target = item;
        }
        EXPECT_EQ(offered, (std::vector<std::string> { "Clerks group", "Typists group" }));
        ASSERT_NE(target, nullptr);
        {
            BoxScript boxes({ c.answer, vcl::IDOK });
            dialog->GroupsListBox->setCurrentItem(target);
            QApplication::processEvents();
            EXPECT_EQ(boxes.Texts(), c.boxes);
        }
        ASSERT_TRUE(module->FindUser(bob));
        EXPECT_EQ(module->Current.Users->FieldByName("GroupID")->AsInteger(), c.groupAfter);
        const int listed = dialog->GroupsListBox->currentItem()
            ? dialog->GroupsListBox->currentItem()->data(Qt::UserRole).toInt()
            : -1;
        EXPECT_EQ(listed, c.groupAfter) << "the list box shows where the user is";
        if (module->Modified()) {
            ASSERT_TRUE(dialog->Apply());
        }
        EXPECT_EQ(Count("select count(*) from Users where UserID = :p1 and GroupID = :p2",
                      { bob, c.groupAfter }),
            1);
    }
}

// The About page lists the settings, never the administration account, even
// in a database that does not mark its rows hidden.
TEST_P(FullDialog, AboutPageHidesTheAdministrationAccount)
{
    db().Exec("update SecurityParams set Hidden = :p1 where Name in (:p2, :p3)",
        { false, QString(kAccountUserSetting), QString(kAccountPasswordSetting) });
    auto dialog = Open(LoginAdmin());
    ASSERT_TRUE(ShowTab(*dialog, "&About"));
    EXPECT_EQ(dialog->Notebook->currentWidget(), dialog->InfoPage);
    vcl::TDataSet* settings = dialog->DModule()->Current.SecurityParams;
    int shown = 0;
    for (settings->First(); !settings->Eof(); settings->Next()) {
        ++shown;
        const std::string name = settings->FieldByName("Name")->AsString();
        EXPECT_NE(name, kAccountUserSetting);
        EXPECT_NE(name, kAccountPasswordSetting);
    }
    EXPECT_GT(shown, 0) << "the visible settings are listed";
    EXPECT_EQ(dialog->DBParamsGrid->model()->rowCount(), shown);
}

// Booleans pick from the yes/no list, text and integers are typed, any other
// type opens its editor.
TEST_P(FullDialog, ValueColumnStyleByTypeName)
{
    const struct {
        const char* param;
        const char* type;
        tor::TColumnButtonStyle style;
    } cases[] = {
        { "BoolProbe", "Boolean", tor::TColumnButtonStyle::Auto },
        { "TextProbe", "Default", tor::TColumnButtonStyle::None },
        { "IntProbe", "Integer", tor::TColumnButtonStyle::None },
        { "OtherProbe", "Colour", tor::TColumnButtonStyle::Ellipsis },
    };
    db().Exec("insert into ParamTypes (Name, FullName) values (:p1, :p2)",
        { QString("Colour"), QString("A colour") });
    for (const auto& c : cases)
        AddParam(c.param, { c.type, "" });
    auto dialog = Open(LoginAdmin());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        ASSERT_TRUE(dialog->DModule()->FindParam(c.param));
        const tor::TGridColumn* value = nullptr;
        for (const tor::TGridColumn& column : dialog->ParamValuesGrid->Columns())
            if (column.FieldName == "FValue")
                value = &column;
        ASSERT_NE(value, nullptr);
        EXPECT_FALSE(value->ReadOnly);
        EXPECT_EQ(value->ButtonStyle, c.style);
    }
}

// Help opens the page named by the system setting, with the anchor of the
// tab shown; without the page it says where it looked.
TEST_P(FullDialog, HelpOpensThePageOfTheTab)
{
    QTemporaryDir help;
    ASSERT_TRUE(help.isValid());
    vcl::TRegistry registry(vcl::TRootKey::LocalMachine);
    ASSERT_TRUE(registry.OpenKey("\\Software\\Torvane\\Wardlock\\1.0", true));
    registry.WriteString("HelpFilesLocation", help.path().toStdString());
    auto dialog = Open(LoginAdmin());
    const std::string page = help.filePath("Admin.htm").toStdString();
    EXPECT_EQ(dialog->HelpUrl().toLocalFile().toStdString(), page);
    EXPECT_EQ(dialog->HelpUrl().fragment().toStdString(), "SecAdmUsers");
    ShowTab(*dialog, "&Groups");
    EXPECT_EQ(dialog->HelpUrl().fragment().toStdString(), "SecAdmGroups");
    ShowTab(*dialog, "&Rights");
    EXPECT_FALSE(dialog->HelpUrl().hasFragment());
    {
        BoxScript boxes({ vcl::IDOK });
        dialog->HelpBtn->click();
        ASSERT_EQ(boxes.Texts().size(), 1u);
        EXPECT_NE(boxes.Texts()[0].find(page), std::string::npos) << boxes.Texts()[0];
    }
    registry.DeleteValue("HelpFilesLocation");
}

// Without the setting, Help on the Users and Groups tabs reaches the page
// shipped beside the module, and the section each tab names is in it.
TEST_P(FullDialog, HelpReachesTheShippedPageAndItsSections)
{
    auto dialog = Open(LoginAdmin());
    for (const char* tab : { "&Users", "&Groups" }) {
        SCOPED_TRACE(tab);
        ShowTab(*dialog, tab);
        const QUrl target = dialog->HelpUrl();
        ASSERT_FALSE(target.fragment().isEmpty());
        QFile page(target.toLocalFile());
        ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << page.fileName().toStdString();
        const QByteArray id = "id=\"" + target.fragment().toUtf8() + "\"";
        EXPECT_TRUE(page.readAll().contains(id)) << id.toStdString();
    }
}

// Without a kept layout the dialog opens at a size a 1024x768 screen holds
// (its frame included), and every rights column is shown whole.
TEST_P(FullDialog, FirstOpeningFitsTheSmallScreen)
{
    auto dialog = Open(LoginAdmin());
    dialog->show();
    QApplication::processEvents();
    EXPECT_LE(dialog->width(), 1000);
    EXPECT_LE(dialog->height(), 700);
    const tor::TTorDBGrid* rights = dialog->RightsValuesGrid;
    const int last = rights->model()->columnCount() - 1;
    ASSERT_GT(last, 0);
    EXPECT_LE(rights->columnViewportPosition(last) + rights->columnWidth(last),
        rights->viewport()->width())
        << "the last rights column is cut off";
    dialog->reject();
}

// A database write failing halfway through "Apply" is shown as the update
// failure, leaves the database as it was and keeps every edit, so the next
// "Apply" after the fault is gone writes them all; "OK" after a failure keeps
// the dialog open.
TEST_P(FullDialog, AFailedApplyIsShownAndKeepsEveryEdit)
{
    TSecurity* security = LoginAdmin();
    const int clerk = AddUser("clerk", AddGroup("Clerks"));
    auto dialog = Open(security);
    TSecDModDlgBaseFrm* module = dialog->DModule();
    ASSERT_TRUE(module->FindUser(security->User().UserID));
    const TSecUserInfo own = module->UserInfo();
    module->ChangeUser(own.Name.c_str(), "Kept Admin", own.Passwd, own.AllowChangePswd,
        own.AllowNullPasswd, own.NoChPswdAtLogin, own.AccountEnabled, own.PasswdControl);
    ASSERT_TRUE(module->FindUser(clerk));
    const TSecUserInfo other = module->UserInfo();
    module->ChangeUser(other.Name.c_str(), "Kept Clerk", other.Passwd, other.AllowChangePswd,
        other.AllowNullPasswd, other.NoChPswdAtLogin, other.AccountEnabled, other.PasswdControl);
    const auto written = [&] {
        return Count(
            "select count(*) from Users where FullName in ('Kept Admin', 'Kept Clerk')", {});
    };

    InstallFaultTriggers(db());
    InjectFault(db(), "users", 2); // the second user's row fails
    // "OK" asks whether to apply first.
    const struct {
        QPushButton* button;
        std::deque<int> answers;
    } presses[]
        = { { dialog->ApplyBtn, { vcl::IDOK } }, { dialog->OKBtn, { vcl::IDYES, vcl::IDOK } } };
    for (const auto& press : presses) {
        SCOPED_TRACE(press.button->objectName().toStdString());
        BoxScript boxes(press.answers);
        press.button->click();
        ASSERT_EQ(boxes.Texts().size(), press.answers.size());
        EXPECT_NE(boxes.Texts().back().find(Msg(sUpdateFailed)), std::string::npos)
            << boxes.Texts().back();
        EXPECT_EQ(written(), 0) << "the first row's write was rolled back";
        EXPECT_TRUE(module->Modified());
        EXPECT_NE(dialog->result(), QDialog::Accepted) << "the dialog was closed";
    }
    HealFault(db());
    dialog->ApplyBtn->click();
    EXPECT_EQ(written(), 2);
    EXPECT_FALSE(module->Modified());
}

// A new user whose name is taken is refused by the database: the operation
// failure is shown and nothing is added.
TEST_P(FullDialog, ANewUserWithATakenNameIsRefused)
{
    TSecurity* security = LoginAdmin();
    AddUser("clerk", AddGroup("Clerks"));
    auto dialog = Open(security);
    const int usersBefore = Count("select count(*) from Users", {});
    vcl::ScopedModalHook newUserDialog([](QDialog& form) {
        ASSERT_EQ(form.windowTitle().toStdString(), "New user");
        form.findChild<QLineEdit*>("UserName")->setText("clerk");
        form.findChild<QLineEdit*>("FullName")->setText("Second clerk");
        form.accept();
    });
    BoxScript boxes({ vcl::IDOK });
    dialog->NewUser();
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_NE(boxes.Texts()[0].find(Msg(sOperationFailed)), std::string::npos) << boxes.Texts()[0];
    EXPECT_EQ(Count("select count(*) from Users", {}), usersBefore);
    EXPECT_FALSE(dialog->DModule()->Modified());
}

// The layout the user left is the layout he finds.
TEST_P(FullDialog, LayoutIsKept)
{
    TSecurity* security = LoginAdmin();
    std::pair<int, int> panes;
    {
        auto dialog = Open(security);
        dialog->resize(900, 640);
        QApplication::processEvents();
        dialog->UsersGrid->setColumnWidth(0, 123);
        // Panes far from where the splitters' stretch factors would put them.
        dialog->MainSplitter->setSizes({ 520, 360 });
        dialog->RightSplitter->setSizes({ 400, 120 });
        QApplication::processEvents();
        panes = { dialog->Panel5->width(), dialog->Panel3->height() };
        dialog->accept();
    }
    auto dialog = Open(security);
    EXPECT_EQ(dialog->width(), 900);
    EXPECT_EQ(dialog->height(), 640);
    EXPECT_EQ(dialog->UsersGrid->columnWidth(0), 123);
    EXPECT_EQ(dialog->Panel5->width(), panes.first) << "left panel";
    EXPECT_EQ(dialog->Panel3->height(), panes.second) << "parameter values pane";
}

// The dialog never touches SQL: one engine is enough.
INSTANTIATE_TEST_SUITE_P(Engines, FullDialog, ::testing::Values(Engine::SQLite), AdminEngineName);
INSTANTIATE_TEST_SUITE_P(
    Engines, RestrictedDialog, ::testing::Values(Engine::SQLite), AdminEngineName);

} // namespace wardlock_test
