// Every user, group, right and password dialog used from the keyboard alone:
// unique accelerators (and one on every command), labels whose accelerator
// moves to their edit, the tab order following the visual order, Escape
// cancelling and Enter confirming.

#include "dialogs_driver.h"
#include "dialogs_support.h"
#include "securitychangenamefrm.h"
#include "securitychangepasswdfrm.h"
#include "securitychangeuserfrm.h"
#include "securitynewgroupfrm.h"
#include "securitynewrightfrm.h"
#include "securitynewuserfrm.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace Security;
using namespace wardlock_test;

namespace {

struct DialogRow {
    const char* name;
    std::function<std::unique_ptr<vcl::TForm>(Administrator&, GroupsTable&)> make;
    std::vector<QString> tabOrder;
    // Makes the input valid, so that Enter confirms.
    std::function<void(vcl::TForm&)> fill;
};

void PrintTo(const DialogRow& row, std::ostream* out)
{
    *out << row.name;
}

// The accelerator of a text ("&Name:" -> 'n'), or 0.
QChar Accelerator(const QString& text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'&')
            continue;
        if (text[i + 1] == u'&') {
            ++i;
            continue;
        }
        return text[i + 1].toLower();
    }
    return {};
}

void SetNames(QLineEdit* name, QLineEdit* fullName)
{
    name->setText("Name");
    fullName->setText("Full name");
}

const DialogRow kDialogs[] = {
    { "NewUser",
        [](Administrator& admin, GroupsTable& groups) -> std::unique_ptr<vcl::TForm> {
            return std::make_unique<TSecurityNewUserFrm>(nullptr, admin.Logged(), groups.Source());
        },
        { "UserName", "FullName", "Groups", "Description", "PasswdBtn", "OKBtn", "CancelBtn" },
        [](vcl::TForm& form) {
            auto& dialog = dynamic_cast<TSecurityNewUserFrm&>(form);
            SetNames(dialog.UserName, dialog.FullName);
        } },
    { "ChangeUser",
        [](Administrator& admin, GroupsTable&) -> std::unique_ptr<vcl::TForm> {
            auto dialog = std::make_unique<TSecurityChangeUserFrm>(nullptr, admin.Logged());
            TSecUserInfo user;
            user.UserID = 9;
            dialog->SetData(user);
            return dialog;
        },
        { "UserName", "FullName", "RemovePasswdBtn", "ChangePasswdBtn", "OKBtn", "CancelBtn" },
        [](vcl::TForm& form) {
            auto& dialog = dynamic_cast<TSecurityChangeUserFrm&>(form);
            SetNames(dialog.UserName, dialog.FullName);
        } },
    { "NewGroup",
        [](Administrator& admin, GroupsTable& groups) -> std::unique_ptr<vcl::TForm> {
            return std::make_unique<TSecurityNewGroupFrm>(nullptr, admin.Logged(), groups.Source());
        },
        // One stop per group of radio buttons: the chosen one.
        { "GroupName", "FullName", "Description", "DefView", "DefInsert", "DefModify", "DefDelete",
            "BaseDefault", "BaseGroup", "ParamDefault", "ParamGroup", "PasswdOptionsBtn", "OKBtn",
            "CancelBtn" },
        [](vcl::TForm& form) {
            auto& dialog = dynamic_cast<TSecurityNewGroupFrm&>(form);
            SetNames(dialog.GroupName, dialog.FullName);
        } },
    { "ChangeGroup",
        [](Administrator& admin, GroupsTable&) -> std::unique_ptr<vcl::TForm> {
            return std::make_unique<TSecurityChangeNameFrm>(nullptr, admin.Logged());
        },
        { "GroupName", "FullName", "Description", "PasswdOptionsBtn", "OKBtn", "CancelBtn" },
        [](vcl::TForm& form) {
            auto& dialog = dynamic_cast<TSecurityChangeNameFrm&>(form);
            SetNames(dialog.GroupName, dialog.FullName);
        } },
    { "NewRight",
        [](Administrator&, GroupsTable&) -> std::unique_ptr<vcl::TForm> {
            return std::make_unique<TSecurityNewRightFrm>(nullptr);
        },
        { "FormName", "FullName", "Description", "Hidden", "DefView", "DefInsert", "DefModify",
            "DefDelete", "FView", "FInsert", "FModify", "FDelete", "OKBtn", "CancelBtn" },
        [](vcl::TForm& form) {
            auto& dialog = dynamic_cast<TSecurityNewRightFrm&>(form);
            SetNames(dialog.FormName, dialog.FullName);
        } },
    { "PasswordWithControl",
        [](Administrator& admin, GroupsTable&) -> std::unique_ptr<vcl::TForm> {
            auto dialog = std::make_unique<TSecurityChangePasswdFrm>(nullptr, admin.Logged());
            dialog->SetUserMode(UserOptionsOf(admin.user), {}, admin.user.Passwd);
            return dialog;
        },
        // No old password to ask for.
        { "NewPasswd", "SecondPasswd", "AllowChange", "NoNullPasswd", "ChPasswd", "Disabled",
            "PasswdControl", "OKBtn", "CancelBtn" },
        [](vcl::TForm&) {} },
    { "PasswordOwnChange",
        [](Administrator& admin, GroupsTable&) -> std::unique_ptr<vcl::TForm> {
            admin.user.PasswdControl = spoOff;
            auto dialog = std::make_unique<TSecurityChangePasswdFrm>(nullptr, admin.Logged());
            dialog->SetUserMode(UserOptionsOf(admin.user), {}, admin.user.Passwd);
            return dialog;
        },
        // The options cannot be changed without password control.
        { "Passwd", "NewPasswd", "SecondPasswd", "OKBtn", "CancelBtn" },
        [](vcl::TForm& form) {
            auto& dialog = dynamic_cast<TSecurityChangePasswdFrm&>(form);
            dialog.Passwd->setText("Adm1nPass");
            dialog.NewPasswd->setText("n3w");
            dialog.SecondPasswd->setText("n3w");
        } },
};

class DialogKeyboard : public ::testing::TestWithParam<DialogRow> {
protected:
    std::unique_ptr<vcl::TForm> Make() { return GetParam().make(admin_, groups_); }

    Administrator admin_;
    GroupsTable groups_ { StandardGroups() };
};

TEST_P(DialogKeyboard, AcceleratorsAreUniqueAndEveryCommandHasOne)
{
    const std::unique_ptr<vcl::TForm> dialog = Make();
    std::map<QChar, QString> used;
    auto take = [&](const QString& text, const QString& owner) {
        const QChar key = Accelerator(text);
        if (key.isNull())
            return;
        EXPECT_TRUE(used.emplace(key, owner).second)
            << "'" << QString(key).toStdString() << "' of " << owner.toStdString()
            << " is taken by " << used[key].toStdString();
    };
    for (const QLabel* label : dialog->findChildren<QLabel*>())
        take(label->text(), label->objectName());
    for (const QAbstractButton* button : dialog->findChildren<QAbstractButton*>())
        take(button->text(), button->objectName());
    for (const QGroupBox* box : dialog->findChildren<QGroupBox*>())
        take(box->title(), box->objectName());

    for (const QPushButton* button : dialog->findChildren<QPushButton*>()) {
        const QString name = button->objectName();
        if (name == "OKBtn") {
            EXPECT_TRUE(button->isDefault()) << "Enter confirms";
        } else if (name != "CancelBtn") {
            EXPECT_FALSE(Accelerator(button->text()).isNull()) << name.toStdString();
        }
    }
}

// Labels and group boxes only move the focus: a label whose buddy is a check
// box would click it.
TEST_P(DialogKeyboard, LabelAndGroupAcceleratorsMoveTheFocusAndChangeNothing)
{
    const std::unique_ptr<vcl::TForm> dialog = Make();
    auto states = [&] {
        std::vector<int> checked;
        for (const QCheckBox* box : dialog->findChildren<QCheckBox*>())
            checked.push_back(box->checkState());
        return checked;
    };
    auto press = [&](QChar key) {
        dialog->findChild<QPushButton*>("OKBtn")->setFocus();
        Key(Qt::Key(QChar(key).toUpper().unicode()), Qt::AltModifier);
    };
    ModalScript script({ [&](QDialog&) {
        const std::vector<int> before = states();
        for (const QLabel* label : dialog->findChildren<QLabel*>()) {
            const QChar key = Accelerator(label->text());
            if (key.isNull())
                continue;
            SCOPED_TRACE(label->text().toStdString());
            ASSERT_NE(label->buddy(), nullptr);
            if (!label->buddy()->isEnabled())
                continue;
            press(key);
            QWidget* buddy = label->buddy();
            EXPECT_EQ(
                QApplication::focusWidget(), buddy->focusProxy() ? buddy->focusProxy() : buddy);
        }
        for (const QGroupBox* box : dialog->findChildren<QGroupBox*>()) {
            const QChar key = Accelerator(box->title());
            if (key.isNull())
                continue;
            SCOPED_TRACE(box->title().toStdString());
            press(key);
            EXPECT_TRUE(box->isAncestorOf(QApplication::focusWidget()));
        }
        EXPECT_EQ(states(), before);
        dialog->reject();
    } });
    dialog->ShowModal();
}

TEST_P(DialogKeyboard, TabFollowsTheVisualOrder)
{
    const std::unique_ptr<vcl::TForm> dialog = Make();
    const std::vector<QString>& order = GetParam().tabOrder;
    ModalScript script({ [&](QDialog&) {
        dialog->findChild<QWidget*>(order.front())->setFocus();
        std::vector<QString> visited { QApplication::focusWidget()->objectName() };
        for (size_t i = 1; i < order.size(); ++i) {
            Key(Qt::Key_Tab);
            visited.push_back(QApplication::focusWidget()->objectName());
        }
        EXPECT_EQ(visited, order);
        Key(Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), order.front()) << "round again";
        dialog->reject();
    } });
    dialog->ShowModal();
}

TEST_P(DialogKeyboard, EscapeCancelsAndEnterConfirms)
{
    {
        const std::unique_ptr<vcl::TForm> dialog = Make();
        ModalScript script({ [&](QDialog&) {
            GetParam().fill(*dialog);
            Key(Qt::Key_Escape);
        } });
        EXPECT_EQ(dialog->ShowModal(), vcl::mrCancel);
    }
    const std::unique_ptr<vcl::TForm> dialog = Make();
    ModalScript script({ [&](QDialog&) {
        GetParam().fill(*dialog);
        dialog->findChild<QWidget*>(GetParam().tabOrder.front())->setFocus();
        Key(Qt::Key_Return);
    } });
    EXPECT_EQ(dialog->ShowModal(), vcl::mrOk);
}

INSTANTIATE_TEST_SUITE_P(Dialogs, DialogKeyboard, ::testing::ValuesIn(kDialogs),
    [](const ::testing::TestParamInfo<DialogRow>& info) { return std::string(info.param.name); });

} // namespace
