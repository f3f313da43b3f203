// The secured form: wardsample's form logs in while it is created (its
// security has automatic login off), through the ADO provider and the ODBC
// data source "WardDemo"; a form bound to an unknown security runs its rights
// check without any login.

#include "demo_environment.h"
#include "securedform.h"
#include "securedform1.h"

#include <wardlock/logindialog.h>
#include <wardlock/platform/dialogs.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Security;

namespace {

class SecuredFormTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        while (!TSecurity::SecList.Empty())
            delete TSecurity::SecList.First()->Security;
    }
};

// Records the rights check of a subclass.
class RecordingForm : public TSecuredForm {
public:
    RecordingForm(const char* securityName, std::vector<std::string>& events)
        : TSecuredForm(nullptr, securityName, DeferredCheck {})
        , events_(events)
    {
        RightsCheck();
    }
    void AfterRightsCheck() override
    {
        events_.push_back(std::string("check, logged ") + (Rights.Logged() ? "yes" : "no"));
        TSecuredForm::AfterRightsCheck();
    }

private:
    std::vector<std::string>& events_;
};

TEST_F(SecuredFormTest, SampleFormLogsInInsideItsConstructor)
{
    TSecurity* security = RegisterSampleSecurity();
    ASSERT_NE(security, nullptr);
    EXPECT_EQ(security->BindCount(), -1) << "automatic login off";
    EXPECT_FALSE(security->Logged());

    int dialogs = 0;
    std::string databaseText;
    vcl::ScopedModalHook modal([&](QDialog& dialog) {
        auto& login = dynamic_cast<TSecurityPasswordDlgFrm&>(dialog);
        ++dialogs;
        databaseText = login.DatabaseName->text().toStdString();
        login.User->setText("demo");
        login.Passwd->setText("demo");
        login.OKBtn->click();
    });
    vcl::ScopedMessageBoxHook boxes([](const vcl::MessageBoxRequest& request) {
        ADD_FAILURE() << "unexpected message box: " << request.text;
        return vcl::IDCANCEL;
    });

    TSecuredForm1 form(nullptr);
    EXPECT_EQ(dialogs, 1) << "the login ran while the form was created";
    EXPECT_EQ(databaseText, "WardDemo ADO");
    EXPECT_EQ(form.Name(), "SecuredForm1");
    EXPECT_TRUE(form.Rights.Binded());
    EXPECT_TRUE(form.Rights.Logged());
    EXPECT_EQ(std::string(form.Rights.UserName().c_str()), "demo");
    EXPECT_EQ(form.UserLine->text(), "Logged in as demo; SecuredForm1 rights: 0");
    // The demo user's rights came through ODBC: his own row for the reports.
    form.Rights.GetRight("ReportsFrm");
    EXPECT_EQ(form.Rights.Mask, 1);
    form.Rights.GetRight("CustomersFrm");
    EXPECT_EQ(form.Rights.Mask, 7);
    EXPECT_EQ(std::string(form.Rights.GetParam("Language").c_str()), "de");

    // A second secured form on the same security finds the user logged in.
    std::vector<std::string> events;
    RecordingForm second("ADO_OLEDB_ODBC_JET", events);
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(events, std::vector<std::string> { "check, logged yes" });
}

TEST_F(SecuredFormTest, UnknownSecurityRunsTheCheckWithoutLogin)
{
    int dialogs = 0;
    vcl::ScopedModalHook modal([&](QDialog&) { ++dialogs; });
    std::vector<std::string> events;
    RecordingForm form("NoSuchSecurity", events);
    EXPECT_FALSE(form.Rights.Binded());
    EXPECT_EQ(dialogs, 0);
    EXPECT_EQ(events, std::vector<std::string> { "check, logged no" });

    // The plain form raises its event whenever the check runs with it assigned.
    TSecuredForm plain(nullptr, "NoSuchSecurity");
    EXPECT_FALSE(plain.OnRightsCheck) << "cleared at construction";
    TSecuredForm* sender = nullptr;
    plain.OnRightsCheck = [&](TSecuredForm* from) { sender = from; };
    plain.AfterRightsCheck();
    EXPECT_EQ(sender, &plain);
    EXPECT_EQ(dialogs, 0);
}

} // namespace
