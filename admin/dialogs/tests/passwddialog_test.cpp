// The password dialog: the option rule on every box (plain and grayed, with
// and without the logged user's option), how options show in user and
// options mode, the password rules of OK, and the own and forced change.

#include "dialogs_driver.h"
#include "dialogs_support.h"
#include "ownpasswdchange.h"
#include "securitychangepasswdfrm.h"

#include <wardlock/keeper/fourstatecheckbox.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

using namespace Security;
using namespace wardlock_test;

namespace {

const char* StateName(Qt::CheckState state)
{
    return state == Qt::Checked ? "checked" : state == Qt::Unchecked ? "unchecked" : "grayed";
}

// ------------------------------------------------------------ option rule

struct RuleRow {
    const char* name;
    TPasswdOption option;
    // The logged user's own value of the option and his group's flag.
    SecPasswdOption adminValue;
    bool adminGroup;
    // The edited user's group flag (what a grayed box grants).
    bool userGroup;
    // One key press goes from -> to (unchecked, checked, grayed, unchecked).
    Qt::CheckState from;
    bool refused;
};

void PrintTo(const RuleRow& row, std::ostream* out)
{
    *out << row.name;
}

class OptionRule : public ::testing::TestWithParam<RuleRow> { };

TEST_P(OptionRule, AChangeThatGrantsMoreThanTheLoggedUserHoldsIsUndone)
{
    const RuleRow& row = GetParam();
    Administrator admin; // password control, so that the boxes can be used
    TUserOptions own = UserOptionsOf(admin.user);
    TOptionFlags ownGroup = GroupOptionsOf(admin.user);
    if (row.option != poPasswdControl) {
        own[row.option] = row.adminValue;
        ownGroup[row.option] = row.adminGroup;
    }
    SetUserOptions(admin.user, own);
    SetGroupOptions(admin.user, ownGroup);
    TSecurityChangePasswdFrm dialog(nullptr, admin.Logged());
    TOptionFlags group {};
    group[row.option] = row.userGroup;
    dialog.SetUserMode({ spoOff, spoOff, spoOff, spoOff, spoOff }, group, {});
    tor::TFourStateCheckBox* box = dialog.OptionBox(row.option);
    box->setCheckState(row.from);

    BoxRecorder boxes;
    ModalScript script({ [&](QDialog&) {
        box->setFocus();
        Key(Qt::Key_Space);
        dialog.reject();
    } });
    dialog.ShowModal();

    const Qt::CheckState to = row.from == Qt::Unchecked ? Qt::Checked
        : row.from == Qt::Checked                       ? Qt::PartiallyChecked
                                                        : Qt::Unchecked;
    if (row.refused) {
        EXPECT_EQ(box->checkState(), row.from) << "the click is undone";
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, Text(sWiderRights));
        EXPECT_EQ(boxes.boxes[0].caption, "Error");
        EXPECT_EQ(boxes.boxes[0].icon, vcl::MB_ICONSTOP);
    } else {
        EXPECT_EQ(box->checkState(), to) << StateName(to);
        EXPECT_TRUE(boxes.boxes.empty());
    }
}

constexpr SecPasswdOption kOff = spoOff, kOn = spoOn, kAsGroup = spoAsGroup;

INSTANTIATE_TEST_SUITE_P(EachBox, OptionRule,
    ::testing::Values(
        // "Us&er can change password": checked grants.
        RuleRow { "AllowChangeCheckedWithout", poAllowChangePswd, kOff, false, false, Qt::Unchecked,
            true },
        RuleRow {
            "AllowChangeCheckedWith", poAllowChangePswd, kOn, false, false, Qt::Unchecked, false },
        RuleRow { "AllowChangeCheckedWithHisGroups", poAllowChangePswd, kAsGroup, true, false,
            Qt::Unchecked, false },
        RuleRow { "AllowChangeCheckedWithoutHisGroups", poAllowChangePswd, kAsGroup, false, false,
            Qt::Unchecked, true },
        RuleRow { "AllowChangeGrayedGrantingWithout", poAllowChangePswd, kOff, false, true,
            Qt::Checked, true },
        RuleRow { "AllowChangeGrayedNotGrantingWithout", poAllowChangePswd, kOff, false, false,
            Qt::Checked, false },
        RuleRow { "AllowChangeUncheckedWithout", poAllowChangePswd, kOff, false, true,
            Qt::PartiallyChecked, false },
        // "Pa&ssword cannot be empty": unchecked grants an empty password.
        RuleRow { "NoNullPasswdUncheckedWithout", poAllowNullPasswd, kOff, false, false,
            Qt::PartiallyChecked, true },
        RuleRow { "NoNullPasswdUncheckedWith", poAllowNullPasswd, kOn, false, false,
            Qt::PartiallyChecked, false },
        RuleRow { "NoNullPasswdGrayedGrantingWithout", poAllowNullPasswd, kOff, false, true,
            Qt::Checked, true },
        RuleRow { "NoNullPasswdGrayedNotGrantingWithout", poAllowNullPasswd, kOff, false, false,
            Qt::Checked, false },
        RuleRow { "NoNullPasswdCheckedWithout", poAllowNullPasswd, kOff, false, false,
            Qt::Unchecked, false },
        // "&User has to change password at next login": unchecked grants.
        RuleRow { "ChPasswdUncheckedWithout", poNoChPswdAtLogin, kOff, false, false,
            Qt::PartiallyChecked, true },
        RuleRow { "ChPasswdUncheckedWithHisGroups", poNoChPswdAtLogin, kAsGroup, true, false,
            Qt::PartiallyChecked, false },
        RuleRow { "ChPasswdGrayedGrantingWithout", poNoChPswdAtLogin, kOff, false, true,
            Qt::Checked, true },
        RuleRow {
            "ChPasswdGrayedGrantingWith", poNoChPswdAtLogin, kOn, false, true, Qt::Checked, false },
        // "&Account disabled": unchecked grants a usable account; the grayed
        // state of an enabled group is refused like the other four.
        RuleRow { "DisabledUncheckedWithout", poAccountEnabled, kOff, false, false,
            Qt::PartiallyChecked, true },
        RuleRow { "DisabledUncheckedWith", poAccountEnabled, kOn, false, false,
            Qt::PartiallyChecked, false },
        RuleRow { "DisabledGrayedGrantingWithout", poAccountEnabled, kOff, false, true, Qt::Checked,
            true },
        RuleRow { "DisabledGrayedNotGrantingWithout", poAccountEnabled, kOff, false, false,
            Qt::Checked, false },
        // "&Password control": a user with it may grant it.
        RuleRow {
            "PasswdControlCheckedWith", poPasswdControl, kOn, false, false, Qt::Unchecked, false },
        RuleRow { "PasswdControlGrayedGrantingWith", poPasswdControl, kOn, false, true, Qt::Checked,
            false }),
    [](const ::testing::TestParamInfo<RuleRow>& info) { return std::string(info.param.name); });

TEST(PasswdDialog, WithoutPasswordControlNoOptionCanBeChanged)
{
    Administrator admin;
    admin.user.PasswdControl = spoAsGroup;
    admin.user.GroupPasswdControl = false;
    TSecurityChangePasswdFrm dialog(nullptr, admin.Logged());
    dialog.SetUserMode({ kOn, kOn, kOn, kOn, kOff }, {}, admin.passwords.IntEncode(""), false);
    for (TPasswdOption option : kPasswdOptions)
        EXPECT_FALSE(dialog.OptionBox(option)->isEnabled()) << ViewOf(option).checkBox;
    dialog.SetOptionsMode({ true, true, true, true, true });
    for (TPasswdOption option : kPasswdOptions)
        EXPECT_FALSE(dialog.OptionBox(option)->isEnabled()) << ViewOf(option).checkBox;
}

// --------------------------------------------------------- how options show

TEST(PasswdDialog, UserModeShowsEachValueByItsSenseAndReadsItBack)
{
    struct Row {
        TPasswdOption option;
        SecPasswdOption value;
        bool group;
        Qt::CheckState state;
        bool grayedChecked;
    };
    const Row rows[] = {
        { poAllowChangePswd, kOn, false, Qt::Checked, false },
        { poAllowChangePswd, kOff, true, Qt::Unchecked, true },
        { poAllowChangePswd, kAsGroup, true, Qt::PartiallyChecked, true },
        { poAllowNullPasswd, kOn, false, Qt::Unchecked, true },
        { poAllowNullPasswd, kOff, false, Qt::Checked, true },
        { poAllowNullPasswd, kAsGroup, true, Qt::PartiallyChecked, false },
        { poNoChPswdAtLogin, kOff, true, Qt::Checked, false },
        { poNoChPswdAtLogin, kAsGroup, false, Qt::PartiallyChecked, true },
        { poAccountEnabled, kOn, true, Qt::Unchecked, false },
        { poAccountEnabled, kAsGroup, false, Qt::PartiallyChecked, true },
        { poPasswdControl, kOff, false, Qt::Unchecked, false },
        { poPasswdControl, kAsGroup, true, Qt::PartiallyChecked, true },
    };
    Administrator admin;
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << ViewOf(row.option).checkBox << " value "
                                          << int(row.value) << " group " << row.group);
        TSecurityChangePasswdFrm dialog(nullptr, admin.Logged());
        TUserOptions options { kOn, kOn, kOn, kOn, kOn };
        options[row.option] = row.value;
        TOptionFlags group {};
        group[row.option] = row.group;
        dialog.SetUserMode(options, group, {});
        EXPECT_EQ(dialog.OptionBox(row.option)->checkState(), row.state);
        EXPECT_EQ(dialog.OptionBox(row.option)->GrayedChecked(), row.grayedChecked);
        EXPECT_EQ(dialog.UserOptions(), options);
    }
}

TEST(PasswdDialog, OptionsModeShowsAGroupWithinTheLoggedUsersLimit)
{
    struct Row {
        TPasswdOption option;
        bool requested;
        bool adminHas;
        bool checked; // the box
        bool result; // the group's flag after OK
    };
    const Row rows[] = {
        { poAllowChangePswd, true, false, false, false },
        { poAllowChangePswd, true, true, true, true },
        { poAllowNullPasswd, true, false, true, false },
        { poAllowNullPasswd, true, true, false, true },
        { poNoChPswdAtLogin, true, false, true, false },
        { poNoChPswdAtLogin, false, true, true, false },
        { poAccountEnabled, true, false, true, false },
        { poAccountEnabled, true, true, false, true },
        { poPasswdControl, true, true, true, true },
        { poPasswdControl, false, true, false, false },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << ViewOf(row.option).checkBox << " requested "
                                          << row.requested << " admin " << row.adminHas);
        Administrator admin;
        TUserOptions own { kOn, kOn, kOn, kOn, kOn };
        own[row.option] = row.adminHas ? kOn : kOff;
        SetUserOptions(admin.user, own);
        TSecurityChangePasswdFrm dialog(nullptr, admin.Logged());
        TOptionFlags requested { true, true, true, true, true };
        requested[row.option] = row.requested;
        dialog.SetOptionsMode(requested);
        tor::TFourStateCheckBox* box = dialog.OptionBox(row.option);
        EXPECT_FALSE(box->isTristate());
        EXPECT_EQ(box->isChecked(), row.checked);
        EXPECT_FALSE(dialog.NewPasswd->isEnabled());
        ModalScript script({ [&](QDialog&) { QTest::mouseClick(dialog.OKBtn, Qt::LeftButton); } });
        ASSERT_EQ(dialog.ShowModal(), vcl::mrOk) << "OK checks no password in options mode";
        EXPECT_EQ(dialog.GroupOptions()[row.option], row.result);
    }
}

// ----------------------------------------------------------- password rules

TEST(PasswdDialog, OKChecksThePasswordRulesInOrder)
{
    struct Row {
        const char* name;
        bool control; // the logged user's password control
        bool allowNull; // his own AllowNullPasswd
        const char* old;
        const char* newPasswd;
        const char* confirm;
        std::optional<TSecStringId> refusal;
        // After OK: the stored password kept, or the encoding of this text.
        std::optional<std::string> stored;
    };
    const std::string kept = "<kept>";
    const Row rows[] = {
        { "second entry differs", false, true, "0ld", "abc", "abd", sPasswordsDiffer, {} },
        { "second entry differs, old empty", false, true, "", "abc", "", sPasswordsDiffer, {} },
        { "empty where his policy forbids it", false, false, "0ld", "", "", sPasswordEmpty, {} },
        { "empty with password control", true, false, "", "", "", {}, kept },
        { "both empty keeps the stored one", false, true, "", "", "", {}, kept },
        { "wrong old password", false, true, "01d", "n3w", "n3w", sPasswordIncorrect, {} },
        { "right old password", false, true, "0ld", "n3w", "n3w", {}, "n3w" },
        { "password control needs no old password", true, false, "", "n3w", "n3w", {}, "n3w" },
        { "sixteen bytes", false, true, "0ld", "abcdefghijklmnop", "abcdefghijklmnop", {},
            "abcdefghijklmnop" },
        { "seventeen bytes", false, true, "0ld", "abcdefghijklmnopq", "abcdefghijklmnopq",
            sTextTooLong, {} },
        { "eight two-byte letters", false, true, "0ld", "ąęółśżźć", "ąęółśżźć", {}, "ąęółśżźć" },
        // Nine letters, eighteen bytes: would be cut to eight letters.
        { "nine two-byte letters", false, true, "0ld", "ąęółśżźćń", "ąęółśżźćń", sTextTooLong, {} },
        // The first sixteen bytes are the right password: no match by cutting.
        { "old password longer than it can be", false, true, "0ldxxxxxxxxxxxxxx", "n3w", "n3w",
            sTextTooLong, {} },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Administrator admin;
        admin.user.PasswdControl = row.control ? kOn : kOff;
        admin.user.AllowNullPasswd = row.allowNull ? kOn : kOff;
        const tor::pswdsstr<16> stored = admin.passwords.IntEncode("0ld");
        TSecurityChangePasswdFrm dialog(nullptr, admin.Logged());
        dialog.SetUserMode(UserOptionsOf(admin.user), {}, stored);
        EXPECT_EQ(dialog.Passwd->isEnabled(), !row.control);
        BoxRecorder boxes;
        ModalScript script({ [&](QDialog&) {
            dialog.Passwd->setText(QString::fromUtf8(row.old));
            dialog.NewPasswd->setText(QString::fromUtf8(row.newPasswd));
            dialog.SecondPasswd->setText(QString::fromUtf8(row.confirm));
            QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);
            if (row.refusal) {
                EXPECT_TRUE(dialog.isVisible()) << "stays open";
                EXPECT_EQ(dialog.NewPasswd->text(), QString::fromUtf8(row.newPasswd))
                    << "with what was typed";
                dialog.reject();
            }
        } });
        const int result = dialog.ShowModal();
        if (row.refusal) {
            ASSERT_EQ(boxes.boxes.size(), 1u);
            if (*row.refusal == sTextTooLong)
                EXPECT_NE(boxes.boxes[0].text.find("at most 16 bytes"), std::string::npos)
                    << boxes.boxes[0].text;
            else
                EXPECT_EQ(boxes.boxes[0].text, Text(*row.refusal));
            EXPECT_EQ(result, vcl::mrCancel);
        } else {
            EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes[0].text;
            ASSERT_EQ(result, vcl::mrOk);
            const tor::pswdsstr<16> expected
                = *row.stored == kept ? stored : admin.passwords.IntEncode(row.stored->c_str());
            EXPECT_EQ(dialog.EncodedPasswd(), expected);
        }
    }
}

// ------------------------------------------------------ own and forced change

// A user of the Clerks kind: no password control, may change his password,
// "0ld" stored, forced to change it at the next login.
void MakeClerk(Administrator& clerk)
{
    clerk.user.Name = "clerk";
    clerk.user.Passwd = clerk.passwords.IntEncode("0ld");
    SetUserOptions(clerk.user, { kOn, kOff, kOff, kOn, kOff });
}

void EnterPasswords(TSecurityChangePasswdFrm& dialog, const char* old, const char* fresh)
{
    dialog.Passwd->setFocus();
    Type(QString::fromUtf8(old));
    Key(Qt::Key_Tab);
    Type(QString::fromUtf8(fresh));
    Key(Qt::Key_Tab);
    Type(QString::fromUtf8(fresh));
}

TEST(ForcedPasswdChange, CannotBeCancelledAndAsksAgainWhileThePasswordIsTheSame)
{
    Administrator clerk;
    MakeClerk(clerk);
    BoxRecorder boxes;
    auto asDialog = [](QDialog& shown) -> TSecurityChangePasswdFrm& {
        return dynamic_cast<TSecurityChangePasswdFrm&>(shown);
    };
    ModalScript script({
        [&](QDialog& shown) {
            TSecurityChangePasswdFrm& dialog = asDialog(shown);
            EXPECT_FALSE(dialog.CancelBtn->isEnabled());
            EXPECT_EQ(dialog.ChPasswd->checkState(), Qt::Unchecked) << "the demand is cleared";
            EnterPasswords(dialog, "0ld", "0ld");
            Key(Qt::Key_Return);
        },
        [&](QDialog& shown) {
            TSecurityChangePasswdFrm& dialog = asDialog(shown);
            EXPECT_EQ(boxes.Texts(), std::vector<std::string> { Text(sSamePassword) });
            EXPECT_TRUE(dialog.Passwd->text().isEmpty()) << "typed afresh";
            Key(Qt::Key_Escape);
            dialog.close();
            QTest::mouseClick(dialog.CancelBtn, Qt::LeftButton);
            EXPECT_TRUE(dialog.isVisible()) << "Escape, closing and Cancel do nothing";
            Key(Qt::Key_Return);
            EXPECT_TRUE(dialog.isVisible()) << "his policy forbids an empty password";
            EnterPasswords(dialog, "0ld", "n3w");
            Key(Qt::Key_Return);
        },
    });
    const TPasswdChange change = RunForcedPasswdChange(nullptr, clerk.Logged());
    EXPECT_EQ(change.Passwd, clerk.passwords.IntEncode("n3w"));
    EXPECT_EQ(change.Options[poNoChPswdAtLogin], kOn) << "no more forced change";
    EXPECT_EQ(
        boxes.Texts(), (std::vector<std::string> { Text(sSamePassword), Text(sPasswordEmpty) }));
}

TEST(ForcedPasswdChange, ClearsTheDemandAlsoWhenItComesFromTheGroup)
{
    struct Row {
        SecPasswdOption value;
        bool group;
        Qt::CheckState shown;
    };
    // Grayed with the group demanding a change: cleared; grayed without: kept.
    const Row rows[] = { { kAsGroup, false, Qt::Unchecked },
        { kAsGroup, true, Qt::PartiallyChecked }, { kOff, true, Qt::Unchecked } };
    for (const Row& row : rows) {
        Administrator clerk;
        MakeClerk(clerk);
        clerk.user.NoChPswdAtLogin = row.value;
        clerk.user.GroupNoChPswdAtLogin = row.group;
        TSecurityChangePasswdFrm dialog(nullptr, clerk.Logged());
        dialog.SetUserMode(
            UserOptionsOf(clerk.user), GroupOptionsOf(clerk.user), clerk.user.Passwd);
        dialog.SetForced();
        EXPECT_EQ(dialog.ChPasswd->checkState(), row.shown);
    }
}

TEST(OwnPasswdChange, OnlyForAUserWhosePolicyLetsHimChangeIt)
{
    Administrator clerk;
    MakeClerk(clerk);
    clerk.user.AllowChangePswd = kAsGroup;
    clerk.user.GroupAllowChangePswd = false;
    {
        ModalScript none({});
        EXPECT_FALSE(RunOwnPasswdChange(nullptr, clerk.Logged())) << "nothing shown";
    }
    clerk.user.GroupAllowChangePswd = true;
    {
        ModalScript cancel({ [](QDialog&) { Key(Qt::Key_Escape); } });
        EXPECT_FALSE(RunOwnPasswdChange(nullptr, clerk.Logged()));
    }
    ModalScript change({ [](QDialog& shown) {
        EnterPasswords(dynamic_cast<TSecurityChangePasswdFrm&>(shown), "0ld", "n3w");
        Key(Qt::Key_Return);
    } });
    const std::optional<TPasswdChange> result = RunOwnPasswdChange(nullptr, clerk.Logged());
    ASSERT_TRUE(result);
    EXPECT_EQ(result->Passwd, clerk.passwords.IntEncode("n3w"));
    EXPECT_EQ(result->Options, UserOptionsOf(clerk.user));
}

} // namespace
