// The new-user and change-user dialogs: the options a new user gets (limited
// to the administrator's before the password dialog and again on OK), the
// chosen group, the password dialog they open, the name checks and limits,
// and the password buttons of the change-user dialog.

#include "dialogs_driver.h"
#include "dialogs_support.h"
#include "securitychangepasswdfrm.h"
#include "securitychangeuserfrm.h"
#include "securitynewuserfrm.h"

#include <wardlock/keeper/fourstatecheckbox.h>
#include <wardlock/keeper/tordbgrid.h>

#include <QAbstractItemModel>

#include <gtest/gtest.h>

#include <optional>
#include <string>

using namespace Security;
using namespace wardlock_test;

namespace {

constexpr SecPasswdOption kOff = spoOff, kOn = spoOn, kAsGroup = spoAsGroup;

// Clicks the row of the groups grid that shows `fullName`.
void ChooseGroup(TSecurityNewUserFrm& dialog, const QString& fullName)
{
    QAbstractItemModel* model = dialog.Groups->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex cell = model->index(row, 0);
        if (cell.data().toString() == fullName) {
            QTest::mouseClick(dialog.Groups->viewport(), Qt::LeftButton, {},
                dialog.Groups->visualRect(cell).center());
            return;
        }
    }
    ADD_FAILURE() << "no group " << fullName.toStdString();
}

TSecurityChangePasswdFrm& AsPasswdDialog(QDialog& shown)
{
    return dynamic_cast<TSecurityChangePasswdFrm&>(shown);
}

// ----------------------------------------------------------------- new user

struct LimitRow {
    const char* name;
    TPasswdOption option;
    SecPasswdOption adminValue;
    bool adminGroup;
    const char* group; // full name of the group chosen
    SecPasswdOption expected;
};

void PrintTo(const LimitRow& row, std::ostream* out)
{
    *out << row.name;
}

class NewUserOptions : public ::testing::TestWithParam<LimitRow> {
protected:
    void SetUp() override
    {
        TUserOptions own { kOn, kOn, kOn, kOn, kOn };
        own[GetParam().option] = GetParam().adminValue;
        SetUserOptions(admin_.user, own);
        TOptionFlags ownGroup {};
        ownGroup[GetParam().option] = GetParam().adminGroup;
        SetGroupOptions(admin_.user, ownGroup);
    }

    Administrator admin_;
    GroupsTable groups_ { StandardGroups() };
};

TEST_P(NewUserOptions, StartAsTheAdministratorsAndAreLimitedWhenThePasswordDialogOpens)
{
    const LimitRow& row = GetParam();
    TSecurityNewUserFrm dialog(nullptr, admin_.Logged(), groups_.Source());
    EXPECT_EQ(dialog.Options(), UserOptionsOf(admin_.user));
    ModalScript script({
        [&](QDialog&) {
            ChooseGroup(dialog, QString::fromUtf8(row.group));
            QTest::mouseClick(dialog.PasswdBtn, Qt::LeftButton);
            dialog.reject();
        },
        [&](QDialog& shown) {
            TSecurityChangePasswdFrm& passwd = AsPasswdDialog(shown);
            EXPECT_EQ(passwd.UserOptions()[row.option], row.expected) << "limited before it opens";
            EXPECT_FALSE(passwd.Passwd->isEnabled()) << "no old password to ask for";
            passwd.reject();
        },
    });
    dialog.ShowModal();
    EXPECT_EQ(dialog.Options()[row.option], row.expected);
}

// Without ever opening the password dialog, OK applies the same limit.
TEST_P(NewUserOptions, AreLimitedAgainOnOK)
{
    const LimitRow& row = GetParam();
    TSecurityNewUserFrm dialog(nullptr, admin_.Logged(), groups_.Source());
    ModalScript script({ [&](QDialog&) {
        dialog.UserName->setText("newbie");
        dialog.FullName->setText("New Bie");
        ChooseGroup(dialog, QString::fromUtf8(row.group));
        QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);
    } });
    ASSERT_EQ(dialog.ShowModal(), vcl::mrOk);
    EXPECT_EQ(dialog.Data().Options[row.option], row.expected);
}

INSTANTIATE_TEST_SUITE_P(AsGroup, NewUserOptions,
    ::testing::Values(LimitRow { "AllowChangeGroupGrantsWhatHeLacks", poAllowChangePswd, kAsGroup,
                          false, "Managers", kOff },
        LimitRow { "AllowChangeGroupGrantsNothing", poAllowChangePswd, kAsGroup, false,
            "Clerks of the office", kAsGroup },
        LimitRow { "AllowChangeHeHoldsItThroughHisGroup", poAllowChangePswd, kAsGroup, true,
            "Managers", kAsGroup },
        LimitRow { "AllowNullGroupGrantsWhatHeLacks", poAllowNullPasswd, kAsGroup, false,
            "Guest accounts", kOff },
        LimitRow { "NoChPswdGroupGrantsWhatHeLacks", poNoChPswdAtLogin, kAsGroup, false,
            "Guest accounts", kOff },
        LimitRow { "AccountEnabledGroupGrantsWhatHeLacks", poAccountEnabled, kAsGroup, false,
            "Managers", kOff },
        LimitRow { "PasswdControlGroupGrantsWhatHeLacks", poPasswdControl, kAsGroup, false,
            "Managers", kOff },
        LimitRow { "ExplicitOffStaysOff", poAllowNullPasswd, kOff, false, "Guest accounts", kOff }),
    [](const ::testing::TestParamInfo<LimitRow>& info) { return std::string(info.param.name); });

TEST(NewUserDialog, AGroupChosenAfterThePasswordDialogIsLimitedOnOK)
{
    Administrator admin;
    admin.user.AllowNullPasswd = kAsGroup; // his group does not allow it
    GroupsTable groups(StandardGroups());
    TSecurityNewUserFrm dialog(nullptr, admin.Logged(), groups.Source());
    ModalScript script({
        [&](QDialog&) {
            ChooseGroup(dialog, "Clerks of the office");
            QTest::mouseClick(dialog.PasswdBtn, Qt::LeftButton);
            EXPECT_EQ(dialog.Options()[poAllowNullPasswd], kAsGroup);
            ChooseGroup(dialog, "Guest accounts");
            dialog.UserName->setText("guest");
            dialog.FullName->setText("A guest");
            QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);
        },
        [](QDialog& shown) { AsPasswdDialog(shown).accept(); },
    });
    ASSERT_EQ(dialog.ShowModal(), vcl::mrOk);
    EXPECT_EQ(dialog.Data().Options[poAllowNullPasswd], kOff);
    EXPECT_EQ(dialog.Data().GroupID, 2);
}

TEST(NewUserDialog, ThePasswordDialogSetsPasswordAndOptionsWithTheGroupsValuesGrayed)
{
    Administrator admin;
    GroupsTable groups(StandardGroups());
    TSecurityNewUserFrm dialog(nullptr, admin.Logged(), groups.Source());
    EXPECT_EQ(dialog.Data().Passwd, admin.passwords.IntEncode("")) << "empty to begin with";
    ModalScript script({
        [&](QDialog&) {
            ChooseGroup(dialog, "Guest accounts");
            EXPECT_EQ(dialog.Description->toPlainText(), "Visitors without a password");
            dialog.PasswdBtn->setFocus();
            Key(Qt::Key_P, Qt::AltModifier);
            dialog.UserName->setText("guest");
            dialog.FullName->setText("A guest");
            dialog.UserName->setFocus();
            Key(Qt::Key_Return);
        },
        [&](QDialog& shown) {
            TSecurityChangePasswdFrm& passwd = AsPasswdDialog(shown);
            // Guests: empty password allowed, no forced change.
            EXPECT_FALSE(passwd.NoNullPasswd->GrayedChecked());
            EXPECT_FALSE(passwd.ChPasswd->GrayedChecked());
            EXPECT_TRUE(passwd.Disabled->GrayedChecked());
            passwd.NewPasswd->setFocus();
            Type("s3cret");
            Key(Qt::Key_Tab);
            Type("s3cret");
            passwd.Disabled->setFocus();
            Key(Qt::Key_Space); // explicitly enabled account: unchecked -> checked
            Key(Qt::Key_Return);
        },
    });
    ASSERT_EQ(dialog.ShowModal(), vcl::mrOk);
    const TNewUserData data = dialog.Data();
    EXPECT_EQ(data.Name, "guest");
    EXPECT_EQ(data.FullName, "A guest");
    EXPECT_EQ(data.GroupID, 2);
    EXPECT_EQ(data.Passwd, admin.passwords.IntEncode("s3cret"));
    EXPECT_EQ(data.Options[poAccountEnabled], kOff) << "the click was taken over";
}

TEST(NewUserDialog, OKNeedsNamesThatFitTheirColumns)
{
    struct Row {
        const char* name;
        const char* userName;
        const char* fullName;
        std::optional<TSecStringId> refusal;
        const char* field; // named in the refusal
    };
    const std::string fiftyOne(51, 'x');
    const Row rows[] = {
        { "no name", "", "Full", sEnterNames, "" },
        { "no full name", "name", "", sEnterNames, "" },
        { "seventeen bytes", "abcdefghijklmnopq", "Full", sTextTooLong, "Name" },
        { "nine two-byte letters", "ąęółśżźćń", "Full", sTextTooLong, "Name" },
        { "fifty-one bytes of full name", "name", fiftyOne.c_str(), sTextTooLong, "Full name" },
        { "eight two-byte letters", "ąęółśżźć", "Full", std::nullopt, "" },
    };
    Administrator admin;
    GroupsTable groups(StandardGroups());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TSecurityNewUserFrm dialog(nullptr, admin.Logged(), groups.Source());
        BoxRecorder boxes;
        ModalScript script({ [&](QDialog&) {
            dialog.UserName->setText(QString::fromUtf8(row.userName));
            dialog.FullName->setText(QString::fromUtf8(row.fullName));
            QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);
            if (row.refusal) {
                EXPECT_TRUE(dialog.isVisible());
                dialog.reject();
            }
        } });
        const int result = dialog.ShowModal();
        if (!row.refusal) {
            EXPECT_EQ(result, vcl::mrOk);
            EXPECT_EQ(dialog.Data().Name, row.userName) << "never cut";
            continue;
        }
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].caption, "Information");
        EXPECT_EQ(boxes.boxes[0].icon, vcl::MB_ICONEXCLAMATION);
        if (*row.refusal == sEnterNames)
            EXPECT_EQ(boxes.boxes[0].text, Text(sEnterNames));
        else
            EXPECT_NE(
                boxes.boxes[0].text.find(std::string("\"") + row.field + "\""), std::string::npos)
                << boxes.boxes[0].text;
    }
}

// --------------------------------------------------------------- change user

TSecUserInfo Clerk(const Administrator& admin)
{
    TSecUserInfo clerk;
    clerk.Name = "clerk";
    clerk.FullName = "Clara Clerk";
    clerk.UserID = 7;
    clerk.GroupID = 1;
    clerk.Passwd = admin.passwords.IntEncode("0ld");
    SetUserOptions(clerk, { kAsGroup, kOff, kOn, kAsGroup, kOff });
    clerk.GroupAllowChangePswd = true;
    return clerk;
}

TEST(ChangeUserDialog, ThePasswordButtonsFollowTheLoggedUsersPolicy)
{
    struct Row {
        const char* name;
        bool himself;
        bool allowChange, control; // the logged user's effective options
        bool remove, change; // enabled
    };
    const Row rows[] = {
        { "another user, with control", false, false, true, true, true },
        { "another user, without control", false, true, false, false, false },
        { "himself, may change", true, true, false, false, true },
        { "himself, may not change", true, false, true, true, false },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Administrator admin;
        admin.user.AllowChangePswd = row.allowChange ? kOn : kOff;
        admin.user.PasswdControl = kAsGroup;
        admin.user.GroupPasswdControl = row.control;
        TSecUserInfo user = Clerk(admin);
        if (row.himself)
            user.UserID = admin.user.UserID;
        TSecurityChangeUserFrm dialog(nullptr, admin.Logged());
        dialog.SetData(user);
        EXPECT_EQ(dialog.RemovePasswdBtn->isEnabled(), row.remove);
        EXPECT_EQ(dialog.ChangePasswdBtn->isEnabled(), row.change);
    }
}

// A failed-login lock is shown, and only an administrator with password
// control may clear it; the caller clears it on OK.
TEST(ChangeUserDialog, ALoginLockIsShownAndClearedWithPasswordControl)
{
    struct Row {
        const char* name;
        const char* lockEnd;
        bool control;
        bool clearable;
    };
    const Row rows[] = {
        { "not locked", "", true, false },
        { "locked, with control", "2026-12-10T19:30:00Z", true, true },
        { "locked, without control", "2026-12-10T19:30:00Z", false, false },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Administrator admin;
        admin.user.PasswdControl = row.control ? kOn : kOff;
        TSecurityChangeUserFrm dialog(nullptr, admin.Logged());
        dialog.SetData(Clerk(admin));
        dialog.SetLoginLock(row.lockEnd);
        EXPECT_EQ(dialog.ClearLockBtn->isEnabled(), row.clearable);
        EXPECT_EQ(dialog.LoginLock->text().contains("2026-12-10 19:30:00"), *row.lockEnd != 0);
        ModalScript script({ [&](QDialog&) {
            dialog.UserName->setFocus();
            Key(Qt::Key_L, Qt::AltModifier);
            Key(Qt::Key_Return);
        } });
        ASSERT_EQ(dialog.ShowModal(), vcl::mrOk);
        EXPECT_EQ(dialog.LoginLockCleared(), row.clearable);
        // Another user's data starts without a lock.
        dialog.SetData(Clerk(admin));
        EXPECT_FALSE(dialog.LoginLockCleared());
        EXPECT_FALSE(dialog.ClearLockBtn->isEnabled());
    }
}

TEST(ChangeUserDialog, RemovePasswordStoresTheEncodedEmptyPassword)
{
    Administrator admin;
    TSecurityChangeUserFrm dialog(nullptr, admin.Logged());
    dialog.SetData(Clerk(admin));
    ModalScript script({ [&](QDialog&) {
        dialog.UserName->setFocus();
        Key(Qt::Key_R, Qt::AltModifier);
        Key(Qt::Key_Return);
    } });
    ASSERT_EQ(dialog.ShowModal(), vcl::mrOk);
    EXPECT_TRUE(dialog.PasswdChanged());
    EXPECT_EQ(dialog.Data().Passwd, admin.passwords.IntEncode(""));
    EXPECT_FALSE(dialog.Data().Passwd.empty()) << "the encoding, not an absent value";
}

TEST(ChangeUserDialog, ThePasswordDialogKeepsTheStoredPasswordWhenBothEditsStayEmpty)
{
    Administrator admin;
    TSecurityChangeUserFrm dialog(nullptr, admin.Logged());
    const TSecUserInfo clerk = Clerk(admin);
    dialog.SetData(clerk);
    ModalScript script({
        [&](QDialog&) {
            QTest::mouseClick(dialog.ChangePasswdBtn, Qt::LeftButton);
            dialog.FullName->setText("Clara Counter");
            QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);
        },
        [&](QDialog& shown) {
            TSecurityChangePasswdFrm& passwd = AsPasswdDialog(shown);
            EXPECT_EQ(passwd.AllowChange->checkState(), Qt::PartiallyChecked);
            EXPECT_TRUE(passwd.AllowChange->GrayedChecked()) << "his group's value";
            EXPECT_FALSE(passwd.Passwd->isEnabled()) << "password control: no old password";
            passwd.PasswdControl->setFocus();
            Key(Qt::Key_Space);
            QTest::mouseClick(passwd.OKBtn, Qt::LeftButton);
        },
    });
    ASSERT_EQ(dialog.ShowModal(), vcl::mrOk);
    const TSecUserInfo data = dialog.Data();
    EXPECT_EQ(data.Passwd, clerk.Passwd);
    EXPECT_EQ(data.PasswdControl, kOn) << "the options are taken over";
    EXPECT_EQ(data.FullName, "Clara Counter");
    EXPECT_EQ(data.Name.str(), "clerk");
    EXPECT_EQ(data.UserID, 7);
}

TEST(ChangeUserDialog, OKNeedsBothNamesAndCancelKeepsNothing)
{
    Administrator admin;
    TSecurityChangeUserFrm dialog(nullptr, admin.Logged());
    dialog.SetData(Clerk(admin));
    BoxRecorder boxes;
    ModalScript script({ [&](QDialog&) {
        dialog.FullName->clear();
        Key(Qt::Key_Return);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(QApplication::focusWidget(), dialog.FullName);
        Key(Qt::Key_Escape);
    } });
    EXPECT_EQ(dialog.ShowModal(), vcl::mrCancel);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string> { Text(sEnterNames) });
    EXPECT_FALSE(dialog.PasswdChanged());
}

} // namespace
