// The full administration dialog from the keyboard alone: every command's
// accelerator on each tab, accelerators that two visible captions share,
// the tab order following the visual order, Escape and Enter.

#include "dialogs_driver.h"
#include "fulldialog_fixture.h"

#include <wardlock/data/dataset.h>
#include <wardlock/data/fields.h>
#include <wardlock/keeper/secdmodbase.h>
#include <wardlock/platform/settings.h>

#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTemporaryDir>

using namespace Security;

namespace wardlock_test {

namespace {

// Every dialog a command opens is closed at once and every box answered
// Cancel: a command reached changes nothing.
class Bystander {
public:
    Bystander()
        : modal_([this](QDialog& dialog) {
            titles.push_back(dialog.windowTitle().toStdString());
            dialog.reject();
        })
        , boxes_([](const vcl::MessageBoxRequest&) { return vcl::IDCANCEL; })
    {
    }
    std::vector<std::string> titles;

private:
    vcl::ScopedModalHook modal_;
    vcl::ScopedMessageBoxHook boxes_;
};

} // namespace

class FullDialogKeyboard : public FullDialogTest {
protected:
    void SetUp() override
    {
        FullDialogTest::SetUp();
        if (IsSkipped())
            return;
        // "Help" finds no page here: it answers with a box instead of
        // starting the desktop's browser.
        ASSERT_TRUE(helpDir_.isValid());
        vcl::TRegistry registry(vcl::TRootKey::LocalMachine);
        ASSERT_TRUE(registry.OpenKey("\\Software\\Torvane\\Wardlock\\1.0", true));
        registry.WriteString("HelpFilesLocation", helpDir_.path().toStdString());
        clerks_ = AddGroup("Clerks");
        bob_ = AddUser("bob", clerks_);
        AddParam("Motto", { "Default", "old" });
        security_ = LoginAdmin();
    }

    void TearDown() override
    {
        vcl::TRegistry registry(vcl::TRootKey::LocalMachine);
        if (registry.OpenKey("\\Software\\Torvane\\Wardlock\\1.0", false))
            registry.DeleteValue("HelpFilesLocation");
        FullDialogTest::TearDown();
    }

    // The dialog, active, on the tab `caption` with bob selected.
    std::unique_ptr<TSecurityDlgFrm> OpenOn(const std::string& caption)
    {
        auto dialog = Open(security_);
        QApplication::setActiveWindow(dialog.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        EXPECT_TRUE(ShowTab(*dialog, caption)) << caption;
        EXPECT_TRUE(dialog->DModule()->FindUser(bob_));
        QApplication::processEvents();
        dialog->TabSet->setFocus();
        return dialog;
    }

    static std::string Focused()
    {
        QWidget* focus = QApplication::focusWidget();
        return focus ? focus->objectName().toStdString() : std::string("(none)");
    }

    static std::string TabShown(const TSecurityDlgFrm& dialog)
    {
        return dialog.TabSet->tabText(dialog.TabSet->currentIndex()).toStdString();
    }

    QTemporaryDir helpDir_;
    TSecurity* security_ = nullptr;
    int clerks_ = 0, bob_ = 0;
};

// Each accelerator reaches its command (the button is pressed), its control
// (a label's accelerator focuses what it names) or its tab.
TEST_P(FullDialogKeyboard, EveryCommandHasItsAccelerator)
{
    enum Reach { Presses, Focuses, Shows };
    const struct {
        const char* tab;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        Reach reach;
        const char* target;
    } cases[] = {
        { "&Users", Qt::Key_S, Qt::AltModifier, Focuses, "UsersGrid" },
        { "&Users", Qt::Key_N, Qt::AltModifier, Presses, "NewUserBtn" },
        { "&Users", Qt::Key_C, Qt::AltModifier, Presses, "ChangeUserBtn" },
        { "&Users", Qt::Key_O, Qt::AltModifier, Focuses, "GroupsListBox" },
        { "&Users", Qt::Key_W, Qt::AltModifier, Presses, "NewGroupBtn" },
        { "&Users", Qt::Key_H, Qt::AltModifier, Presses, "ChangeGroupBtn" },
        { "&Users", Qt::Key_M, Qt::AltModifier, Presses, "RemoveGroupBtn" },
        { "&Users", Qt::Key_I, Qt::AltModifier, Presses, "HierarchyBtn" },
        { "&Users", Qt::Key_F, Qt::AltModifier, Focuses, "RightsValuesGrid" },
        { "&Users", Qt::Key_T, Qt::AltModifier, Presses, "ResetRightsBtn" },
        { "&Users", Qt::Key_D, Qt::AltModifier, Presses, "ResetParamsBtn" },
        { "&Users", Qt::Key_F1, Qt::NoModifier, Presses, "HelpBtn" },
        { "&Users", Qt::Key_G, Qt::AltModifier, Shows, "&Groups" },
        { "&Users", Qt::Key_P, Qt::AltModifier, Shows, "&Parameters" },
        { "&Users", Qt::Key_A, Qt::AltModifier, Shows, "&About" },
        { "&Groups", Qt::Key_O, Qt::AltModifier, Focuses, "GroupsGrid" },
        { "&Groups", Qt::Key_E, Qt::AltModifier, Focuses, "ParamValuesGrid" },
        { "&Groups", Qt::Key_U, Qt::AltModifier, Shows, "&Users" },
        { "&Groups", Qt::Key_R, Qt::AltModifier, Shows, "&Rights" },
        { "&Rights", Qt::Key_N, Qt::AltModifier, Presses, "NewRightBtn" },
        { "&Rights", Qt::Key_D, Qt::AltModifier, Presses, "DeleteRightBtn" },
        { "&Rights", Qt::Key_S, Qt::AltModifier, Presses, "ShowHiddenRightsBtn" },
        { "&Parameters", Qt::Key_N, Qt::AltModifier, Presses, "NewParamBtn" },
        { "&Parameters", Qt::Key_D, Qt::AltModifier, Presses, "DeleteParamBtn" },
        { "&Parameters", Qt::Key_T, Qt::AltModifier, Presses, "TypesBtn" },
        { "&Parameters", Qt::Key_Y, Qt::AltModifier, Presses, "SecParamsBtn" },
        { "&Parameters", Qt::Key_O, Qt::AltModifier, Presses, "ShowHiddenParamsBtn" },
        { "&About", Qt::Key_C, Qt::AltModifier, Presses, "ChangePasswdBtn" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(
            std::string(c.tab) + " " + QKeySequence(c.key | c.modifiers).toString().toStdString());
        auto dialog = OpenOn(c.tab);
        Bystander bystander;
        auto* button = dialog->findChild<QPushButton*>(c.target);
        std::unique_ptr<QSignalSpy> pressed;
        if (c.reach == Presses) {
            ASSERT_NE(button, nullptr);
            ASSERT_TRUE(button->isEnabled());
            pressed = std::make_unique<QSignalSpy>(button, &QPushButton::clicked);
        }
        Key(c.key, c.modifiers);
        switch (c.reach) {
        case Presses:
            EXPECT_EQ(pressed->count(), 1);
            break;
        case Focuses:
            EXPECT_EQ(Focused(), c.target);
            break;
        case Shows:
            EXPECT_EQ(TabShown(*dialog), c.target);
            break;
        }
        EXPECT_TRUE(dialog->isVisible());
    }
}

// "Apply" has its accelerator too; it is enabled only while edits wait.
TEST_P(FullDialogKeyboard, ApplyByAccelerator)
{
    auto dialog = OpenOn("&Users");
    vcl::TDataSet* forms = dialog->DModule()->Current.Forms;
    forms->Edit();
    forms->FieldByName("FView")->SetAsBoolean(!forms->FieldByName("FView")->AsBoolean());
    forms->Post();
    ASSERT_TRUE(dialog->ApplyBtn->isEnabled());
    Key(Qt::Key_L, Qt::AltModifier);
    EXPECT_FALSE(dialog->DModule()->Modified());
    EXPECT_FALSE(dialog->ApplyBtn->isEnabled());
}

// On the Users tab two visible captions share a letter each: "&Users" with
// "&User parameters:", "&Rights" with "&Remove ...". Pressing the letter
// again moves on to the other; a button reached this way takes the focus
// (Space presses it) instead of running at once.
TEST_P(FullDialogKeyboard, SharedAcceleratorsReachEachCaption)
{
    {
        SCOPED_TRACE("Alt+U");
        auto dialog = OpenOn("&Users");
        std::vector<std::string> focused;
        for (int press = 0; press < 2; ++press) {
            Key(Qt::Key_U, Qt::AltModifier);
            focused.push_back(Focused());
            EXPECT_EQ(TabShown(*dialog), "&Users");
        }
        EXPECT_NE(std::find(focused.begin(), focused.end(), "ParamValuesGrid"), focused.end());
    }
    {
        SCOPED_TRACE("Alt+R");
        auto dialog = OpenOn("&Users");
        Bystander bystander;
        QSignalSpy pressed(dialog->RemoveUserBtn, &QPushButton::clicked);
        Key(Qt::Key_R, Qt::AltModifier);
        EXPECT_EQ(TabShown(*dialog), "&Users");
        EXPECT_EQ(Focused(), "RemoveUserBtn");
        EXPECT_EQ(pressed.count(), 0) << "a shared letter only moves the focus";
        Key(Qt::Key_Space);
        EXPECT_EQ(pressed.count(), 1);
        Key(Qt::Key_R, Qt::AltModifier);
        EXPECT_EQ(TabShown(*dialog), "&Rights");
    }
}

// Tab visits the controls of the page shown in the order they are seen:
// the tabs, then the left column top down, the right column top down, and
// the buttons at the bottom from left to right (disabled ones skipped). The
// "Legend" buttons only explain the colours to the mouse: they are no stops.
TEST_P(FullDialogKeyboard, TabFollowsTheVisualOrder)
{
    const struct {
        const char* tab;
        std::vector<std::string> order;
    } cases[] = {
        { "&Users",
            { "TabSet", "UsersGrid", "NewUserBtn", "ChangeUserBtn", "RemoveUserBtn",
                "GroupsListBox", "NewGroupBtn", "ChangeGroupBtn", "RemoveGroupBtn", "HierarchyBtn",
                "ResetRightsBtn", "RightsValuesGrid", "ResetParamsBtn", "ParamValuesGrid",
                "HelpBtn", "CancelBtn", "OKBtn" } },
        { "&Groups",
            { "TabSet", "GroupsGrid", "GroupDescription", "NewGroupBtn", "ChangeGroupBtn",
                "RemoveGroupBtn", "HierarchyBtn", "RightsValuesGrid", "ParamValuesGrid", "HelpBtn",
                "CancelBtn", "OKBtn" } },
        { "&Rights",
            { "TabSet", "RightsGrid", "RightsDescription", "NewRightBtn", "DeleteRightBtn",
                "ShowHiddenRightsBtn", "HelpBtn", "CancelBtn", "OKBtn" } },
        { "&Parameters",
            { "TabSet", "ParamsGrid", "ParamsDescription", "NewParamBtn", "DeleteParamBtn",
                "TypesBtn", "SecParamsBtn", "ShowHiddenParamsBtn", "HelpBtn", "CancelBtn",
                "OKBtn" } },
        { "&About",
            { "TabSet", "LoggedUserName", "LoggedUserFullName", "ChangePasswdBtn", "DBParamsGrid",
                "HelpBtn", "CancelBtn", "OKBtn" } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tab);
        auto dialog = OpenOn(c.tab);
        std::vector<std::string> visited { Focused() };
        for (size_t i = 1; i <= c.order.size(); ++i) {
            Key(Qt::Key_Tab);
            visited.push_back(Focused());
        }
        std::vector<std::string> expected = c.order;
        expected.push_back(c.order.front()); // and round again
        EXPECT_EQ(visited, expected);
    }
}

// Enter in a grid edits its cell (or opens the record's dialog) and keeps
// the dialog open; Enter on a focused button presses that button; Escape
// closes the dialog as "Cancel" does.
TEST_P(FullDialogKeyboard, EnterEditsOrConfirmsAndEscapeCancels)
{
    {
        SCOPED_TRACE("Enter in the users grid");
        auto dialog = OpenOn("&Users");
        Bystander bystander;
        dialog->UsersGrid->setFocus();
        Key(Qt::Key_Return);
        EXPECT_EQ(bystander.titles, std::vector<std::string> { "User name change" });
        EXPECT_TRUE(dialog->isVisible());
    }
    {
        SCOPED_TRACE("Enter in the parameter values grid");
        auto dialog = OpenOn("&Users");
        ASSERT_TRUE(dialog->DModule()->FindParam("Motto"));
        tor::TTorDBGrid* grid = dialog->ParamValuesGrid;
        grid->setFocus();
        grid->setCurrentIndex(
            grid->model()->index(grid->currentIndex().row(), grid->ColumnOf("FValue")));
        Key(Qt::Key_Return);
        ASSERT_TRUE(dialog->isVisible()) << "Enter in the grid closed the dialog";
        ASSERT_NE(QApplication::focusWidget(), grid) << "Enter opens the cell's editor";
        Key(Qt::Key_A, Qt::ControlModifier);
        Type("new");
        Key(Qt::Key_Return);
        ASSERT_TRUE(dialog->isVisible()) << "Enter in the editor closed the dialog";
        EXPECT_EQ(dialog->DModule()->Current.Params->FieldByName("FValue")->AsString(), "new");
        EXPECT_TRUE(dialog->ApplyBtn->isEnabled());
        EXPECT_EQ(QApplication::focusWidget(), grid) << "the focus is back in the grid";
    }
    {
        SCOPED_TRACE("Enter on a focused button");
        auto dialog = OpenOn("&Users");
        Bystander bystander;
        dialog->NewGroupBtn->setFocus();
        Key(Qt::Key_Return);
        EXPECT_EQ(bystander.titles, std::vector<std::string> { "New group" });
        EXPECT_TRUE(dialog->isVisible());
    }
    {
        SCOPED_TRACE("Enter elsewhere");
        auto dialog = OpenOn("&Users");
        Key(Qt::Key_Return);
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
    }
    {
        SCOPED_TRACE("Escape");
        auto dialog = OpenOn("&Users");
        dialog->UsersGrid->setFocus();
        Key(Qt::Key_Escape);
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(dialog->result(), QDialog::Rejected);
    }
}

// Hints stay up for ten seconds, those set after the first show included.
TEST_P(FullDialogKeyboard, HintsStayUpTenSeconds)
{
    auto dialog = OpenOn("&Groups");
    EXPECT_EQ(dialog->GroupsGrid->toolTipDuration(), 10000);
    EXPECT_EQ(dialog->GroupDescription->toolTipDuration(), 10000);
    EXPECT_EQ(dialog->ParamValuesGrid->toolTipDuration(), 10000);
}

INSTANTIATE_TEST_SUITE_P(
    Engines, FullDialogKeyboard, ::testing::Values(Engine::SQLite), AdminEngineName);

} // namespace wardlock_test
