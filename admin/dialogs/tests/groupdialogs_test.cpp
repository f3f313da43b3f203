// The new-group, change-group and new-right dialogs: what they start with,
// the group lists and their "same as in group" choices (message 89), the
// group options within the administrator's limit, the rights they collect,
// and the name checks and limits.

#include "dialogs_driver.h"
#include "dialogs_support.h"
#include "securitychangenamefrm.h"
#include "securitychangepasswdfrm.h"
#include "securitynewgroupfrm.h"
#include "securitynewrightfrm.h"

#include <wardlock/keeper/fourstatecheckbox.h>

#include <QAbstractItemView>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace Security;
using namespace wardlock_test;

namespace {

constexpr SecPasswdOption kOff = spoOff;
using Rights = std::array<TCheckBoxState, 4>;

std::vector<std::pair<QString, int>> ListOf(const QComboBox* list)
{
    std::vector<std::pair<QString, int>> items;
    for (int i = 0; i < list->count(); ++i)
        items.emplace_back(list->itemText(i), list->itemData(i).toInt());
    return items;
}

// ---------------------------------------------------------------- new group

TEST(NewGroupDialog, StartsWithGrayedRightsDefaultSourcesAndTheDocumentedOptions)
{
    Administrator admin;
    GroupsTable groups(StandardGroups());
    TSecurityNewGroupFrm dialog(nullptr, admin.Logged(), groups.Source());
    const TNewGroupData data = dialog.Data();
    EXPECT_EQ(data.Rights, (Rights { cbGrayed, cbGrayed, cbGrayed, cbGrayed }));
    EXPECT_TRUE(dialog.BaseDefault->isChecked());
    EXPECT_TRUE(dialog.ParamDefault->isChecked());
    EXPECT_FALSE(data.RightsFromGroup);
    EXPECT_FALSE(data.ParamsFromGroup);
    // May change the password, not empty, changed at the next login, enabled, no control.
    EXPECT_EQ(data.Options, (TOptionFlags { true, false, false, true, false }));
    const std::vector<std::pair<QString, int>> expected
        = { { "Clerks of the office", 1 }, { "Guest accounts", 2 }, { "Managers", 3 } };
    EXPECT_EQ(ListOf(dialog.BaseGroup), expected);
    EXPECT_EQ(ListOf(dialog.ParamGroup), expected);
    EXPECT_EQ(dialog.BaseGroup->currentIndex(), -1);
    EXPECT_EQ(groups.DataSet()->RecNo(), 1) << "listing the groups does not move them";
    EXPECT_EQ(dialog.BaseSetting->toolTip(),
        "Choose, where the values are to get from,\nwhen in the otpions above when you set "
        "the\ndefault one - grey.");
}

TEST(NewGroupDialog, UsingAGroupListChoosesSameAsInGroup)
{
    Administrator admin;
    GroupsTable groups(StandardGroups());
    TSecurityNewGroupFrm dialog(nullptr, admin.Logged(), groups.Source());
    ModalScript script({ [&](QDialog&) {
        QTest::mouseClick(dialog.BaseGroup, Qt::LeftButton);
        EXPECT_TRUE(dialog.BaseSameAs->isChecked()) << "opening the list";
        dialog.BaseGroup->hidePopup();
        dialog.ParamGroup->setFocus();
        Key(Qt::Key_Down);
        EXPECT_TRUE(dialog.ParamSameAs->isChecked()) << "choosing with the keyboard";
        dialog.reject();
    } });
    dialog.ShowModal();
}

TEST(NewGroupDialog, SameAsInGroupNeedsAGroup)
{
    struct Row {
        const char* name;
        bool baseSameAs;
        int baseIndex;
        bool paramSameAs;
        int paramIndex;
        bool refused;
        std::optional<int> rightsFrom, paramsFrom;
    };
    const Row rows[] = {
        { "rights from no group", true, -1, false, -1, true, {}, {} },
        { "parameters from no group", false, -1, true, -1, true, {}, {} },
        { "both from groups", true, 2, true, 0, false, 3, 1 },
        { "a group left in an unchosen list", false, 1, false, 1, false, {}, {} },
    };
    Administrator admin;
    GroupsTable groups(StandardGroups());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TSecurityNewGroupFrm dialog(nullptr, admin.Logged(), groups.Source());
        BoxRecorder boxes;
        ModalScript script({ [&](QDialog&) {
            dialog.GroupName->setText("Audit");
            dialog.FullName->setText("Auditors");
            (row.baseSameAs ? dialog.BaseSameAs : dialog.BaseDefault)->setChecked(true);
            dialog.BaseGroup->setCurrentIndex(row.baseIndex);
            (row.paramSameAs ? dialog.ParamSameAs : dialog.ParamDefault)->setChecked(true);
            dialog.ParamGroup->setCurrentIndex(row.paramIndex);
            QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);
            if (row.refused)
                dialog.reject();
        } });
        const int result = dialog.ShowModal();
        if (row.refused) {
            ASSERT_EQ(boxes.boxes.size(), 1u);
            EXPECT_EQ(boxes.boxes[0].text, Text(sSelectBaseGroup));
            EXPECT_EQ(boxes.boxes[0].caption, "Information");
            EXPECT_EQ(boxes.boxes[0].icon, vcl::MB_ICONEXCLAMATION);
            continue;
        }
        ASSERT_EQ(result, vcl::mrOk);
        EXPECT_EQ(dialog.Data().RightsFromGroup, row.rightsFrom);
        EXPECT_EQ(dialog.Data().ParamsFromGroup, row.paramsFrom);
    }
}

TEST(NewGroupDialog, TheOptionsNeverExceedTheAdministratorsEvenUntouched)
{
    struct Row {
        const char* name;
        TPasswdOption lacking;
        TOptionFlags expected;
    };
    const Row rows[] = {
        { "may not change his password", poAllowChangePswd, { false, false, false, true, false } },
        { "his account is not enabled", poAccountEnabled, { true, false, false, false, false } },
    };
    GroupsTable groups(StandardGroups());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Administrator admin;
        TUserOptions own { spoOn, spoOn, spoOn, spoOn, spoOn };
        own[row.lacking] = kOff;
        SetUserOptions(admin.user, own);
        TSecurityNewGroupFrm dialog(nullptr, admin.Logged(), groups.Source());
        ModalScript script({ [&](QDialog&) {
            dialog.GroupName->setText("Audit");
            dialog.FullName->setText("Auditors");
            QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);
        } });
        ASSERT_EQ(dialog.ShowModal(), vcl::mrOk);
        EXPECT_EQ(dialog.Data().Options, row.expected);
    }
}

TEST(NewGroupDialog, CollectsRightsAndOptionsFromItsControls)
{
    Administrator admin;
    GroupsTable groups(StandardGroups());
    TSecurityNewGroupFrm dialog(nullptr, admin.Logged(), groups.Source());
    ModalScript script({
        [&](QDialog&) {
            dialog.DefView->setFocus();
            Key(Qt::Key_Space); // grayed -> checked
            dialog.DefDelete->setFocus();
            Key(Qt::Key_Space);
            Key(Qt::Key_Space); // checked -> unchecked
            dialog.GroupName->setFocus();
            Key(Qt::Key_P, Qt::AltModifier);
            dialog.GroupName->setText("Audit");
            dialog.FullName->setText("Auditors");
            dialog.Description->setPlainText("They check");
            dialog.GroupName->setFocus();
            Key(Qt::Key_Return);
        },
        [&](QDialog& shown) {
            auto& options = dynamic_cast<TSecurityChangePasswdFrm&>(shown);
            EXPECT_FALSE(options.Passwd->isEnabled());
            EXPECT_FALSE(options.PasswdControl->isTristate()) << "two-state for groups";
            options.PasswdControl->setFocus();
            Key(Qt::Key_Space);
            Key(Qt::Key_Return);
        },
    });
    ASSERT_EQ(dialog.ShowModal(), vcl::mrOk);
    const TNewGroupData data = dialog.Data();
    EXPECT_EQ(data.Rights, (Rights { cbChecked, cbGrayed, cbGrayed, cbUnchecked }));
    EXPECT_EQ(data.Options[poPasswdControl], true);
    EXPECT_EQ(data.Name, "Audit");
    EXPECT_EQ(data.Description, "They check");
}

TEST(NewGroupDialog, APreparedGroupComesBackAsItWasGiven)
{
    Administrator admin;
    GroupsTable groups(StandardGroups());
    TSecurityNewGroupFrm dialog(nullptr, admin.Logged(), groups.Source());
    TNewGroupData prepared;
    prepared.Name = "Audit";
    prepared.FullName = "Auditors";
    prepared.Description = "From the hierarchy";
    prepared.Rights = { cbUnchecked, cbChecked, cbGrayed, cbUnchecked };
    prepared.RightsFromGroup = 2;
    prepared.Options = { false, true, true, false, true };
    dialog.SetData(prepared);
    const TNewGroupData data = dialog.Data();
    EXPECT_EQ(data.Name, prepared.Name);
    EXPECT_EQ(data.Description, prepared.Description);
    EXPECT_EQ(data.Rights, prepared.Rights);
    EXPECT_EQ(data.RightsFromGroup, 2);
    EXPECT_FALSE(data.ParamsFromGroup);
    EXPECT_EQ(data.Options, prepared.Options);
}

// ------------------------------------------------------------- change group

TEST(ChangeGroupDialog, EditsTheRecordAndItsOptionsWithinTheLimit)
{
    Administrator admin;
    admin.user.AllowNullPasswd = kOff;
    TSecGroupInfo group;
    group.Name = "Clerks";
    group.FullName = "Clerks of the office";
    group.GroupID = 1;
    group.AllowNullPasswd = true; // more than the administrator holds
    group.AccountEnabled = true;
    TSecurityChangeNameFrm dialog(nullptr, admin.Logged());
    dialog.SetData(group, "People at the counter");
    EXPECT_EQ(dialog.Description->toPlainText(), "People at the counter");
    ModalScript script({
        [&](QDialog&) {
            dialog.FullName->setText("Counter clerks");
            QTest::mouseClick(dialog.PasswdOptionsBtn, Qt::LeftButton);
            QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);
        },
        [&](QDialog& shown) {
            auto& options = dynamic_cast<TSecurityChangePasswdFrm&>(shown);
            EXPECT_TRUE(options.NoNullPasswd->isChecked()) << "shown within his limit";
            EXPECT_TRUE(options.AllowChange->isEnabled());
            options.AllowChange->setFocus();
            Key(Qt::Key_Space);
            QTest::mouseClick(options.OKBtn, Qt::LeftButton);
        },
    });
    ASSERT_EQ(dialog.ShowModal(), vcl::mrOk);
    const TSecGroupInfo data = dialog.Data();
    EXPECT_EQ(data.FullName, "Counter clerks");
    EXPECT_EQ(data.Name.str(), "Clerks");
    EXPECT_EQ(data.GroupID, 1);
    EXPECT_TRUE(data.AllowChangePswd);
    EXPECT_FALSE(data.AllowNullPasswd);
    EXPECT_TRUE(data.AccountEnabled);
}

TEST(ChangeGroupDialog, LeavesTheOptionsAloneWhenTheyAreNotOpened)
{
    Administrator admin;
    admin.user.AllowNullPasswd = kOff;
    TSecGroupInfo group;
    group.Name = "Guests";
    group.FullName = "Guest accounts";
    group.AllowNullPasswd = true;
    TSecurityChangeNameFrm dialog(nullptr, admin.Logged());
    dialog.SetData(group, "");
    ModalScript script({ [&](QDialog&) { QTest::mouseClick(dialog.OKBtn, Qt::LeftButton); } });
    ASSERT_EQ(dialog.ShowModal(), vcl::mrOk);
    EXPECT_TRUE(dialog.Data().AllowNullPasswd) << "renaming a group changes nothing else";
}

// ----------------------------------------------------------------- new right

TEST(NewRightDialog, CollectsTheTwoRowsOfRightsAndTheHiddenFlag)
{
    TSecurityNewRightFrm dialog(nullptr);
    EXPECT_EQ(dialog.DefView->toolTip(),
        "Default values for new groups are used\nat creating new groups and users - they \nget "
        "default rights to existing objects.");
    EXPECT_EQ(dialog.FInsert->toolTip(),
        "Default values of this object will be\ngranted to existing groups. These\nvalues are "
        "not stored in the database");
    ModalScript script({ [&](QDialog&) {
        for (QCheckBox* box : { dialog.DefView, dialog.DefDelete, dialog.FInsert, dialog.Hidden }) {
            box->setFocus();
            Key(Qt::Key_Space);
        }
        dialog.FormName->setText("Invoices");
        dialog.FullName->setText("Invoice register");
        dialog.Description->setPlainText(QString(255, u'd'));
        dialog.FormName->setFocus();
        Key(Qt::Key_Return);
    } });
    ASSERT_EQ(dialog.ShowModal(), vcl::mrOk);
    const TNewRightData data = dialog.Data();
    EXPECT_EQ(data.Name, "Invoices");
    EXPECT_EQ(data.Defaults, srView | srDelete);
    EXPECT_EQ(data.Rights, srInsert);
    EXPECT_TRUE(data.Hidden);
    EXPECT_EQ(data.Description.size(), 255u);
}

TEST(NewRightDialog, OKNeedsNamesThatFitTheirColumns)
{
    struct Row {
        const char* name;
        QString formName, fullName, description;
        std::string message; // part of the refusal
    };
    const Row rows[] = {
        { "no name", "", "Full", "", Text(sEnterNames) },
        { "no full name", "Form", "", "", Text(sEnterNames) },
        { "a name of seventeen bytes", "Invoices-of-2024x", "Full", "", "\"Name\"" },
        { "a description of 256 bytes", "Form", "Full", QString(128, QChar(0x0105)),
            "\"Description\" is too long: at most 255 bytes" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TSecurityNewRightFrm dialog(nullptr);
        BoxRecorder boxes;
        ModalScript script({ [&](QDialog&) {
            dialog.FormName->setText(row.formName);
            dialog.FullName->setText(row.fullName);
            dialog.Description->setPlainText(row.description);
            QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);
            EXPECT_TRUE(dialog.isVisible());
            dialog.reject();
        } });
        dialog.ShowModal();
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_NE(boxes.boxes[0].text.find(row.message), std::string::npos) << boxes.boxes[0].text;
    }
}

} // namespace
