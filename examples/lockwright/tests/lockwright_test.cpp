// lockwright's window driven in process against a fresh security database
// (SQLite, and PostgreSQL when configured): its log in / log out / set
// account cycle and their edge cases, the refusals the settings write keeps
// silent, the passwords a text column cannot keep, and the administration
// module connecting with the account the tool stored.

#include "accountstore.h"
#include "admin_fixture.h"
#include "admin_key_texts.h"
#include "dialogs_driver.h"
#include "lockwrightfrm.h"

#include <wardlock/encoding.h>
#include <wardlock/keeper/dmodexceptions.h>
#include <wardlock/keeper/parameditor.h>
#include <wardlock/provider.h>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

#include <gmock/gmock.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

using namespace Security;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace wardlock_test {

namespace {

const char* const kLoginFailed = "Login unsuccesful. Correct data and try again.";

// What the two settings rows hold.
struct StoredRows {
    std::string user;
    QByteArray password; // raw bytes
    bool operator==(const StoredRows&) const = default;
};

// A password whose encoded form holds a zero byte: the first of a fixed
// series, found afresh so the test does not depend on a key's value.
std::string PasswordEncodingToZero()
{
    for (int i = 0; i < 100000; ++i) {
        const std::string candidate = "pw" + std::to_string(i);
        if (!Lockwright::EncodeAccountPassword(candidate))
            return candidate;
    }
    ADD_FAILURE() << "no password of the series encodes to a zero byte";
    return {};
}

// Runs `sql` as the server's superuser (roles belong to the server).
void OnServer(const QString& sql)
{
    {
        QSqlDatabase server = QSqlDatabase::addDatabase("QPSQL", "lockwright-server");
        server.setHostName(qEnvironmentVariable("WARDLOCK_PG_HOST"));
        server.setPort(qEnvironmentVariableIntValue("WARDLOCK_PG_PORT"));
        server.setUserName(qEnvironmentVariable("WARDLOCK_PG_USER"));
        server.setDatabaseName("postgres");
        ASSERT_TRUE(server.open()) << server.lastError().text().toStdString();
        QSqlQuery query(server);
        ASSERT_TRUE(query.exec(sql)) << query.lastError().text().toStdString();
    }
    QSqlDatabase::removeDatabase("lockwright-server");
}

class LockwrightTest : public AdminTest {
protected:
    void SetUp() override
    {
        AdminTest::SetUp();
        if (IsSkipped())
            return;
        form_ = std::make_unique<TLockwrightFrm>();
        const AdminTarget& target = TestedAdminTarget();
        form_->Alias->setText(QString::fromStdString(database()));
        form_->DBProvider->setText(target.providerKey);
        form_->DBEngine->setText(target.providerName);
        form_->Data->setText(QString::fromStdString(target.options(false, true)));
        form_->DBUserName->setText(kDbUser);
        form_->DBPasswd->setText(kDbPassword);
        form_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
    }
    void TearDown() override
    {
        form_.reset();
        AdminTest::TearDown();
    }

    TLockwrightFrm& form() { return *form_; }

    // Types the administrator's login and presses "Log in".
    void LogIn(const char* user = "admin", const char* password = kAdminPassword)
    {
        form().UserName->setText(user);
        form().Password->setText(password);
        QTest::mouseClick(form().Login, Qt::LeftButton);
    }
    // Types the account and presses "Set user and password".
    void SetAccount(const std::string& user, const std::string& password)
    {
        form().MUserName->setText(QString::fromStdString(user));
        form().MPassword->setText(QString::fromStdString(password));
        QTest::mouseClick(form().SetPswd, Qt::LeftButton);
    }
    StoredRows Rows()
    {
        auto value = [&](const char* name) {
            return db().Scalar(
                "select FValue from SecurityParams where Name = :p1", { QString(name) });
        };
        return { value(kAccountUserSetting).toString().toStdString(),
            value(kAccountPasswordSetting).toString().toLatin1() };
    }
    // The password row decoded as the administration module decodes it.
    std::string DecodedPassword()
    {
        const QByteArray raw = Rows().password;
        tor::pswdsstr<16> stored;
        std::copy(raw.begin(), raw.begin() + std::min<qsizetype>(raw.size(), 16), stored.data());
        return Decode(stored, keytexts::AdminAccountKey()).c_str();
    }
    // A full administration module for the "Lockwright" security after a
    // fresh login (the runtime module reads the account rows once).
    ModulePtr<TSecDModDlgBaseFrm> FreshModule()
    {
        TSecurity* security = TSecRights::FindSecurity(kLockwrightSecurity);
        EXPECT_NE(security, nullptr);
        security->Logout();
        EXPECT_TRUE(security->Login(saltSilent));
        return FullModule(security);
    }

private:
    std::unique_ptr<TLockwrightFrm> form_;
};

TEST_P(LockwrightTest, LoginLogoutAndSetAccountCycle)
{
    BoxRecorder boxes;
    LogIn();
    ASSERT_TRUE(boxes.boxes.empty()) << boxes.boxes[0].text;
    TSecurity* security = TSecRights::FindSecurity(kLockwrightSecurity);
    ASSERT_NE(security, nullptr);
    EXPECT_TRUE(security->Logged());
    EXPECT_TRUE(form().SetPswd->isEnabled());
    EXPECT_TRUE(form().Logout->isEnabled());

    SetAccount("WardAcct", "Acct-pass-1");
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes[0].text;
    EXPECT_EQ(Rows().user, "WardAcct");
    EXPECT_EQ(Rows().password.size(), 16) << "the encoded block, all of it";
    EXPECT_EQ(DecodedPassword(), "Acct-pass-1") << "what the administration module reads";

    QTest::mouseClick(form().Logout, Qt::LeftButton);
    EXPECT_EQ(TSecRights::FindSecurity(kLockwrightSecurity), nullptr);
    EXPECT_FALSE(form().SetPswd->isEnabled());
    EXPECT_TRUE(form().Login->isEnabled());

    LogIn();
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_NE(TSecRights::FindSecurity(kLockwrightSecurity), nullptr) << "registered afresh";
}

TEST_P(LockwrightTest, FailedLoginLeavesNoSecurityRegistered)
{
    const struct {
        const char* name;
        const char* user;
        const char* password;
    } cases[] = {
        { "wrong password", "admin", "not-his" },
        { "unknown user", "nobody", kAdminPassword },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BoxRecorder boxes;
        LogIn(c.user, c.password);
        EXPECT_THAT(boxes.Texts(), ElementsAre(kLoginFailed));
        EXPECT_EQ(TSecRights::FindSecurity(kLockwrightSecurity), nullptr);
    }
    BoxRecorder boxes;
    LogIn();
    EXPECT_TRUE(boxes.boxes.empty()) << "the next login registers afresh";
    EXPECT_NE(TSecRights::FindSecurity(kLockwrightSecurity), nullptr);
}

TEST_P(LockwrightTest, SetBeforeAnyLoginShowsFault)
{
    const StoredRows before = Rows();
    BoxRecorder boxes;
    SetAccount("WardAcct", "Acct-pass-1");
    EXPECT_THAT(boxes.Texts(), ElementsAre("Fault"));
    EXPECT_EQ(Rows(), before);
}

TEST_P(LockwrightTest, SecondLoginGivesTheDuplicateNameErrorUntilLoggedOut)
{
    LogIn();
    TSecurity* first = TSecRights::FindSecurity(kLockwrightSecurity);
    ASSERT_NE(first, nullptr);
    {
        BoxRecorder boxes;
        LogIn();
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_THAT(boxes.boxes[0].text, HasSubstr("A component named Lockwright already exists"));
        EXPECT_EQ(boxes.boxes[0].icon, vcl::MB_ICONSTOP) << "the standard exception display";
        EXPECT_EQ(TSecRights::FindSecurity(kLockwrightSecurity), first) << "the first is kept";
        EXPECT_TRUE(first->Logged());
    }
    QTest::mouseClick(form().Logout, Qt::LeftButton);
    BoxRecorder boxes;
    LogIn();
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_NE(TSecRights::FindSecurity(kLockwrightSecurity), nullptr);
}

// Each refusal is told, and changes neither row. The settings write itself
// does nothing without Modify on the design form, or for a row it cannot
// reach, and says nothing. About one password in sixteen encodes to a block
// holding a zero byte, which a text column cuts short: the module would
// connect with another password. Cases run in order on one database, each
// with a fresh login (the runtime module reads rights once).
TEST_P(LockwrightTest, RefusedAccountsAreToldAndChangeNothing)
{
    const std::string zeroPassword = PasswordEncodingToZero();
    ASSERT_FALSE(zeroPassword.empty());
    const struct {
        const char* name;
        std::function<void()> setup;
        std::string user;
        std::string password;
        std::string message;
    } cases[] = {
        { "password encoding to a zero byte", [] {}, "WardAcct", zeroPassword,
            Text(sPasswordHoldsZero) },
        { "user name of 16 characters, 32 bytes", [] {}, "ÄÄÄÄÄÄÄÄÄÄÄÄÄÄÄÄ", "Acct-pass-1",
            "The user name and the password may have at most 16 bytes each." },
        { "without Modify on the design form",
            [&] {
                db().Exec("update GroupRights set FModify = :p1 where FormID = :p2",
                    { false, FormID(Lockwright::kDesignForm) });
            },
            "WardAcct", "Acct-pass-1", "Fault" },
        // Nothing is applied, not even the row that could be written.
        { "a row the write cannot reach",
            [&] {
                db().Exec("update GroupRights set FModify = :p1", { true });
                db().DeleteSetting(kAccountPasswordSetting);
            },
            "WardAcct", "Acct-pass-1", "Fault" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.setup();
        LogIn();
        const StoredRows before = Rows();
        BoxRecorder boxes;
        SetAccount(c.user, c.password);
        EXPECT_THAT(boxes.Texts(), ElementsAre(c.message));
        EXPECT_EQ(Rows(), before);
        QTest::mouseClick(form().Logout, Qt::LeftButton);
    }
}

// The tool mixes the key its own way; the core must accept it.
TEST_P(LockwrightTest, TheCoreAcceptsTheToolsModifyKey)
{
    EXPECT_TRUE(CheckModifyKey(Lockwright::ModifyKey()));
    LogIn();
    TSecRights rights(kLockwrightSecurity);
    TSecParamEd* editor = rights.ModifyStart(Lockwright::ModifyKey());
    ASSERT_NE(editor, nullptr);
    rights.ModifyEnd(editor);
}

// The administration module connects with the account the tool stored.
TEST_P(LockwrightTest, AdministrationModuleConnectsWithTheStoredAccount)
{
    LogIn();
    std::string user = "WardAcct";
    std::string password = "Acct-pass-1";
    if (GetParam() == Engine::PostgreSQL) {
        // The read-write role the database was made with, and its password.
        user = Rows().user;
        password = "WardAdmTest5";
    }
    BoxRecorder boxes;
    SetAccount(user, password);
    ASSERT_TRUE(boxes.boxes.empty()) << boxes.boxes[0].text;
    auto module = FreshModule();
    const ConnectionView connection = TestedAdminTarget().connection(*module);
    EXPECT_TRUE(connection.connected);
    EXPECT_EQ(connection.user, user);
}

// On PostgreSQL, with an account whose password the server checks (a member
// of the read-write role): the right password connects, a wrong one fails
// with the documented error.
TEST_P(LockwrightTest, StoredPasswordDecidesWhetherTheModuleConnects)
{
    if (GetParam() != Engine::PostgreSQL)
        GTEST_SKIP() << "SQLite has no database passwords";
    const QString writer = QString::fromStdString(Rows().user);
    // The server checks this account's password (scripts/services.sh).
    const char* const kChecked = "WardAdmCheck";
    const char* const kCheckedPassword = "Kd-right-one";
    OnServer(QStringLiteral("DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = "
                            "'%1') THEN CREATE ROLE \"%1\" LOGIN PASSWORD '%2'; END IF; END $$")
                 .arg(kChecked, kCheckedPassword));
    OnServer(QStringLiteral("GRANT \"%1\" TO \"%2\"").arg(writer, kChecked));
    struct Revoke {
        QString writer;
        const char* checked;
        ~Revoke() { OnServer(QStringLiteral("REVOKE \"%1\" FROM \"%2\"").arg(writer, checked)); }
    } revoke { writer, kChecked };

    LogIn();
    BoxRecorder boxes;
    SetAccount(kChecked, kCheckedPassword);
    ASSERT_TRUE(boxes.boxes.empty()) << boxes.boxes[0].text;
    {
        auto module = FreshModule();
        EXPECT_EQ(TestedAdminTarget().connection(*module).user, kChecked);
        module.reset();
    }
    // Stored: the rows are read back through a module of the present login,
    // which still connects with the account it read when it logged in.
    SetAccount(kChecked, "not-the-one-1");
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes[0].text;
    EXPECT_EQ(DecodedPassword(), "not-the-one-1");
    TSecurity* security = TSecRights::FindSecurity(kLockwrightSecurity);
    security->Logout();
    ASSERT_TRUE(security->Login(saltSilent));
    try {
        security->Provider()->CreateDlgModule({ security, -1, -1 });
        FAIL() << "connected with a wrong password";
    } catch (const EDBConnectionFailed& error) {
        EXPECT_EQ(error.Message(), SecString(sConnectFailed));
        EXPECT_THAT(error.Cause(), HasSubstr("password authentication failed"));
    }
}

WARDLOCK_ADMIN_ENGINES(LockwrightTest);

} // namespace

} // namespace wardlock_test
