// The password exports the core calls, through a real provider and database:
// the own change and the forced change store the new password in the
// database and in the running security; a user whose policy forbids a change
// gets nothing; and no failure (no module, a missing row, an apply the
// database refuses) leaves an export or leaves the security changed.

#include "clerk_fixture.h"
#include "dialogs_driver.h"
#include "securitychangepasswdfrm.h"

#include <wardlock/adminexports.h>
#include <wardlock/keeper/strings.h>
#include <wardlock/security.h>

using namespace Security;

namespace wardlock_test {

namespace {

constexpr const char* kNewPassword = "N3w-pass";

TSecurityChangePasswdFrm& PasswdDialog(QDialog& shown)
{
    return dynamic_cast<TSecurityChangePasswdFrm&>(shown);
}

// Fills the three edits (the old one only where it is offered) and presses OK.
void EnterAndConfirm(QDialog& shown, const char* old, const char* fresh)
{
    TSecurityChangePasswdFrm& dialog = PasswdDialog(shown);
    if (dialog.Passwd->isEnabled())
        dialog.Passwd->setText(QString::fromUtf8(old));
    dialog.NewPasswd->setText(QString::fromUtf8(fresh));
    dialog.SecondPasswd->setText(QString::fromUtf8(fresh));
    QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);
}

class PasswdExportsTest : public ClerkTest {
protected:
    // Whether `password` logs bob in (on a security of its own).
    bool BobLogsInWith(const char* password)
    {
        TSecurity* probe = AddUnprepared();
        const bool logged = probe->PrepareLogin() && probe->Login("bob", password);
        probe->Logout();
        return logged;
    }
};

TEST_P(PasswdExportsTest, TheOwnChangeIsStoredAndTakenOverByTheSecurity)
{
    TSecurity* security = LoginAs("bob", kPassword);
    const TSecUser before = security->User();
    ModalScript script({ [](QDialog& shown) { EnterAndConfirm(shown, kPassword, kNewPassword); } });
    ShowChPasswdDlg(security, nullptr, bob, clerks);

    EXPECT_NE(security->User().Passwd, before.Passwd) << "the security holds the new password";
    EXPECT_EQ(security->User().Name, before.Name);
    EXPECT_EQ(security->User().AllowChangePswd, before.AllowChangePswd);
    EXPECT_TRUE(BobLogsInWith(kNewPassword));
    EXPECT_FALSE(BobLogsInWith(kPassword));
}

TEST_P(PasswdExportsTest, TheOwnChangeIsNotOfferedWhenThePolicyForbidsIt)
{
    UserPolicy mayNot;
    mayNot.allowChangePswd = 0; // his own value overrides his group's
    const int ann = AddUser("ann", clerks, mayNot);
    TSecurity* security = LoginAs("ann", kPassword);
    ModalScript none({}); // any dialog fails the test
    ShowChPasswdDlg(security, nullptr, ann, clerks);
    EXPECT_EQ(none.Shown(), 0);
}

TEST_P(PasswdExportsTest, TheForcedChangeEndsOnlyWithANewPasswordAndIsNotForcedAgain)
{
    const int temps = AddGroup("Temps", [] {
        GroupPolicy policy;
        policy.allowChangePswd = true;
        return policy;
    }());
    const int tim = AddUser("tim", temps);
    TSecurity* security = LoginAs("tim", kPassword);
    // Since his login his group demands a change at every login (the test
    // runs the forced change itself instead of the core).
    db().Exec("update Groups set NoChPswdAtLogin = :p1 where GroupID = :p2", { false, temps });
    security->SetGroupInfo(true, false, false, true, false);
    ASSERT_FALSE(security->User().EffNoChPswdAtLogin());

    BoxRecorder boxes;
    ModalScript script({
        [](QDialog& shown) {
            TSecurityChangePasswdFrm& dialog = PasswdDialog(shown);
            QTest::mouseClick(dialog.CancelBtn, Qt::LeftButton);
            dialog.close();
            EXPECT_TRUE(dialog.isVisible()) << "neither Cancel nor closing ends it";
            EnterAndConfirm(shown, kPassword, kPassword);
        },
        [](QDialog& shown) { EnterAndConfirm(shown, kPassword, kNewPassword); },
    });
    ShowForceChPasswdDlg(security, nullptr, tim, temps);

    EXPECT_EQ(boxes.Texts(), std::vector<std::string> { Text(sSamePassword) });
    EXPECT_TRUE(security->User().EffNoChPswdAtLogin()) << "no change is forced any more";
    TSecurity* next = AddUnprepared();
    ASSERT_TRUE(next->PrepareLogin());
    ASSERT_TRUE(next->Login("tim", kNewPassword));
    EXPECT_TRUE(next->User().EffNoChPswdAtLogin()) << "stored: his next login is not forced";
    next->Logout();
}

// A failure inside an export is shown, reaches nobody, and leaves the
// security's record and the database as they were.
struct ExportFault {
    const char* name;
    bool dialogShown; // whether the password dialog comes before the failure
    std::string message; // what the box says (among other things)
    std::function<void(SecurityDb&, int bob)> inject;
    std::function<void(SecurityDb&, int bob)> heal;
};

TEST_P(PasswdExportsTest, AFailureIsShownAndChangesNothing)
{
    InstallFaultTriggers(db());
    const ExportFault faults[] = {
        { "the database refuses the apply", true, Text(sUpdateFailed),
            [](SecurityDb& db, int) { InjectFault(db, "users", 1); },
            [](SecurityDb& db, int) { HealFault(db); } },
        { "no module can be made", false, Text(sConnectFailed),
            [](SecurityDb& db, int) {
                ExecDefinition(db, "alter table Users rename to UsersGone");
            },
            [](SecurityDb& db, int) {
                ExecDefinition(db, "alter table UsersGone rename to Users");
            } },
        // Last: the row is not put back.
        { "his row is gone", true, SecFormat(sUserNameNotFound, "bob"),
            [](SecurityDb& db, int bob) {
                db.Exec("delete from Users where UserID = :p1", { bob });
            },
            nullptr },
    };
    for (const ExportFault& fault : faults) {
        SCOPED_TRACE(fault.name);
        TSecurity* security = LoginAs("bob", kPassword);
        const TSecUser before = security->User();
        fault.inject(db(), bob);
        for (auto show : { &ShowChPasswdDlg, &ShowForceChPasswdDlg }) {
            BoxRecorder boxes;
            std::deque<ModalScript::Step> steps;
            if (fault.dialogShown)
                steps.push_back(
                    [](QDialog& shown) { EnterAndConfirm(shown, kPassword, kNewPassword); });
            ModalScript script(std::move(steps));
            EXPECT_NO_THROW(show(security, nullptr, bob, clerks));
            ASSERT_EQ(boxes.boxes.size(), 1u);
            EXPECT_NE(boxes.boxes[0].text.find(fault.message), std::string::npos)
                << boxes.boxes[0].text;
            EXPECT_EQ(security->User().Passwd, before.Passwd);
            EXPECT_EQ(security->User().NoChPswdAtLogin, before.NoChPswdAtLogin);
        }
        if (fault.heal) {
            fault.heal(db(), bob);
            EXPECT_TRUE(BobLogsInWith(kPassword)) << "the stored password is the old one";
        }
    }
}

WARDLOCK_ADMIN_ENGINES(PasswdExportsTest);

} // namespace
} // namespace wardlock_test
