// warddemo: the main window binds its rights object when shown and logs in
// through the login dialog; "Logout" then "Login" asks again with the object
// still bound; the program ends when the security database cannot be reached.

#include "demo_environment.h"
#include "mainform.h"

#include <wardlock/logindialog.h>
#include <wardlock/platform/dialogs.h>

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <deque>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

using namespace Security;

namespace {

// Answers each showing of the login dialog with the next account, and every
// message box with Cancel (recording it).
class LoginScript {
public:
    explicit LoginScript(std::initializer_list<std::pair<std::string, std::string>> accounts)
        : accounts_(accounts)
        , modal_([this](QDialog& dialog) { Answer(dialog); })
        , box_([this](const vcl::MessageBoxRequest& request) {
            boxes.push_back(request.text);
            return vcl::IDCANCEL;
        })
    {
    }

    int dialogs = 0;
    int otherDialogs = 0;
    std::vector<std::string> boxes;

private:
    void Answer(QDialog& dialog)
    {
        auto* login = dynamic_cast<TSecurityPasswordDlgFrm*>(&dialog);
        if (!login) {
            ++otherDialogs; // an administration dialog, when that module is built
            dialog.reject();
            return;
        }
        ++dialogs;
        if (accounts_.empty()) {
            login->CancelBtn->click();
            return;
        }
        login->User->setText(QString::fromStdString(accounts_.front().first));
        login->Passwd->setText(QString::fromStdString(accounts_.front().second));
        accounts_.pop_front();
        login->OKBtn->click();
    }

    std::deque<std::pair<std::string, std::string>> accounts_;
    vcl::ScopedModalHook modal_;
    vcl::ScopedMessageBoxHook box_;
};

class WardDemoTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(RegisterWardDemoSecurity(), nullptr); }
    void TearDown() override
    {
        while (!TSecurity::SecList.Empty())
            delete TSecurity::SecList.First()->Security;
    }
};

TEST_F(WardDemoTest, ShowingTheWindowBindsAndLogsInThroughTheDialog)
{
    LoginScript script({ { "demo", "demo" } });
    TMainFrm mainFrm;
    EXPECT_EQ(mainFrm.windowTitle(), "MainFrm");
    EXPECT_EQ(mainFrm.Label1->text(), "WardDemo");
    EXPECT_FALSE(mainFrm.Rights.Binded()) << "constructed unbound";
    EXPECT_EQ(mainFrm.UserLine->text(), "Not logged in");

    mainFrm.show();
    EXPECT_EQ(script.dialogs, 1);
    EXPECT_TRUE(mainFrm.Rights.Binded());
    EXPECT_TRUE(mainFrm.Rights.Logged());
    EXPECT_FALSE(mainFrm.BindFailed());
    // The demo data: every group may view the main window by default.
    EXPECT_EQ(mainFrm.UserLine->text(), "Logged in as demo (Demo User); MainFrm rights: 1 (View)");

    // Showing again does not bind again.
    mainFrm.hide();
    mainFrm.show();
    EXPECT_EQ(script.dialogs, 1);
    EXPECT_TRUE(script.boxes.empty());
}

TEST_F(WardDemoTest, EveryDemoAccountLogsIn)
{
    const std::pair<std::string, std::string> accounts[] = {
        { "demo", "demo" },
        { "manager", "manager" },
        { "deputy", "deputy" },
        { "guest", "" }, // the guests' group allows an empty password
        { "admin", examples_test::kAdminPassword },
    };
    for (const auto& [user, password] : accounts) {
        LoginScript script({ { user, password } });
        TMainFrm mainFrm;
        mainFrm.show();
        EXPECT_TRUE(mainFrm.Rights.Logged()) << user;
        EXPECT_EQ(std::string(mainFrm.Rights.UserName().c_str()), user);
        EXPECT_TRUE(script.boxes.empty()) << user;
        mainFrm.Rights.Bind(static_cast<TSecurity*>(nullptr)); // the last unbinding logs out
    }
}

TEST_F(WardDemoTest, LogoutThenLoginShowsTheDialogAgainWhileStillBound)
{
    LoginScript script({ { "demo", "demo" }, { "manager", "manager" } });
    TMainFrm mainFrm;
    mainFrm.show();
    ASSERT_TRUE(mainFrm.Rights.Logged());

    mainFrm.LogoutBtn->click();
    EXPECT_FALSE(mainFrm.Rights.Logged());
    EXPECT_TRUE(mainFrm.Rights.Binded());
    EXPECT_EQ(mainFrm.UserLine->text(), "Not logged in");

    mainFrm.LoginBtn->click();
    EXPECT_EQ(script.dialogs, 2);
    EXPECT_TRUE(mainFrm.Rights.Binded());
    EXPECT_TRUE(mainFrm.Rights.Logged());
    EXPECT_EQ(std::string(mainFrm.Rights.UserName().c_str()), "manager");
    EXPECT_TRUE(mainFrm.UserLine->text().startsWith("Logged in as manager"));
}

TEST_F(WardDemoTest, AdministrationButtonsKeepTheUserLoggedIn)
{
    LoginScript script({ { "admin", examples_test::kAdminPassword } });
    TMainFrm mainFrm;
    mainFrm.show();
    ASSERT_TRUE(mainFrm.Rights.Logged());
    mainFrm.SecurityBtn->click();
    mainFrm.SmallDlgBtn->click();
    EXPECT_TRUE(mainFrm.Rights.Logged());
    EXPECT_EQ(script.dialogs, 1) << "no second login";
    EXPECT_TRUE(mainFrm.UserLine->text().startsWith("Logged in as admin"));
}

TEST_F(WardDemoTest, CancelledLoginFailsTheBinding)
{
    LoginScript script {};
    TMainFrm mainFrm;
    mainFrm.show();
    EXPECT_EQ(script.dialogs, 1);
    EXPECT_TRUE(mainFrm.BindFailed());
    EXPECT_FALSE(mainFrm.Rights.Logged());
    // The retry question was answered Cancel: the program is to end.
    ASSERT_EQ(script.boxes.size(), 1u);
    EXPECT_EQ(script.boxes[0],
        "You cannot run this program without valid user and password. Press OK to try again or "
        "Cancel to exit the program.");
}

// The real program, with the alias pointing at a file that does not exist,
// run in `folder`: it reports the unreachable database and ends.
void ExpectEndsReportingTheUnreachableDatabase(const QString& folder)
{
    const std::string settings = folder.toStdString() + "/system";
    examples_test::WriteProgramSettings(settings, folder.toStdString() + "/missing.sqlite");

    QProcess program;
    QProcessEnvironment environment = examples_test::ProgramEnvironment(settings);
    environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(WARDLOCK_TEST_ANSWERBOX));
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(folder);
    program.start(QStringLiteral(WARDLOCK_TEST_WARDDEMO), {});
    ASSERT_TRUE(program.waitForFinished(30000)) << "warddemo did not end";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_NE(program.exitCode(), 0);
    const QString errors = QString::fromUtf8(program.readAllStandardError());
    EXPECT_TRUE(
        errors.contains("Application was not able to connect to Security database. Quitting."))
        << errors.toStdString();
    EXPECT_FALSE(errors.contains("decoy library loaded")) << errors.toStdString();
}

TEST(WardDemoProcess, EndsWhenTheSecurityDatabaseCannotBeReached)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    ExpectEndsReportingTheUnreachableDatabase(folder.path());
}

// Run from a folder that holds a library by the name of one the program needs
// ("libgcc_s.so.1") and one by a provider's name: the program loads neither.
TEST(WardDemoProcess, LoadsNoLibraryFromTheFolderItRunsIn)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const char* name : { "libgcc_s.so.1", "libwardbde.so" })
        ASSERT_TRUE(QFile::copy(QStringLiteral(WARDLOCK_TEST_DECOY), folder.filePath(name)));
    ExpectEndsReportingTheUnreachableDatabase(folder.path());
}

} // namespace
