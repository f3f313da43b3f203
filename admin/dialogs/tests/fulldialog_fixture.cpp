#include "fulldialog_fixture.h"

#include <QApplication>
#include <QTabBar>

using namespace Security;

namespace wardlock_test {

BoxScript::BoxScript(std::deque<int> answers)
    : answers_(std::move(answers))
    , hook_([this](const vcl::MessageBoxRequest& box) {
        boxes_.push_back(box);
        if (answers_.empty()) {
            overrun_ = true;
            return vcl::IDOK;
        }
        const int answer = answers_.front();
        answers_.pop_front();
        return answer;
    })
{
}

BoxScript::~BoxScript()
{
    EXPECT_FALSE(overrun_) << "more message boxes than scripted answers: " << [this] {
        std::string all;
        for (const auto& text : Texts())
            all += "\n  " + text;
        return all;
    }();
}

std::vector<std::string> BoxScript::Texts() const
{
    std::vector<std::string> texts;
    for (const auto& box : boxes_)
        texts.push_back(box.text);
    return texts;
}

void FullDialogTest::SetUp()
{
    AdminTest::SetUp();
}

void FullDialogTest::TearDown()
{
    AdminTest::TearDown();
}

TSecurity* FullDialogTest::LoginWithMasks(const std::string& name, int adminMask, int designMask)
{
    const int group = AddGroup(name + "Group");
    db().SetGroupRight(group, FormID("Security"), adminMask);
    db().SetGroupRight(group, FormID("SecProjecting"), designMask);
    AddUser(name, group);
    return LoginAs(name, kPassword);
}

std::unique_ptr<TSecurityDlgFrm> FullDialogTest::Open(TSecurity* security)
{
    auto dialog = std::make_unique<TSecurityDlgFrm>(nullptr, security);
    dialog->show();
    QApplication::processEvents();
    return dialog;
}

void FullDialogTest::RenameOwnUser(TSecurityDlgFrm& dialog, const char* fullName)
{
    TSecDModDlgBaseFrm* module = dialog.DModule();
    ASSERT_TRUE(module->FindUser(dialog.AdministeredSecurity()->User().UserID));
    const TSecUserInfo own = module->UserInfo();
    module->ChangeUser(own.Name.c_str(), fullName, own.Passwd, own.AllowChangePswd,
        own.AllowNullPasswd, own.NoChPswdAtLogin, own.AccountEnabled, own.PasswdControl);
}

std::vector<std::string> FullDialogTest::Tabs(const TSecurityDlgFrm& dialog)
{
    std::vector<std::string> tabs;
    for (int i = 0; i < dialog.TabSet->count(); ++i)
        tabs.push_back(dialog.TabSet->tabText(i).toStdString());
    return tabs;
}

bool FullDialogTest::ShowTab(TSecurityDlgFrm& dialog, const std::string& caption)
{
    for (int i = 0; i < dialog.TabSet->count(); ++i) {
        if (dialog.TabSet->tabText(i).toStdString() == caption) {
            dialog.TabSet->setCurrentIndex(i);
            QApplication::processEvents();
            return dialog.TabSet->currentIndex() == i;
        }
    }
    return false;
}

} // namespace wardlock_test
