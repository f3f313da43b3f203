// How a module connects: with the administration account stored in the
// security database (never the runtime account), keeping no password once
// connected, and failing with message 2 when it cannot.

#include "admin_fixture.h"

#include <wardlock/data/dataset.h>
#include <wardlock/keeper/dmodexceptions.h>
#include <wardlock/keeper/strings.h>
#include <wardlock/provider.h>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <gmock/gmock.h>

using namespace Security;
using ::testing::HasSubstr;

namespace wardlock_test {

namespace {

class ConnectionTest : public AdminTest { };

TEST_P(ConnectionTest, ModuleUsesTheStoredAccountAndForgetsThePassword)
{
    auto module = FullModule(LoginAdmin());
    const ConnectionView connection = TestedAdminTarget().connection(*module);
    ASSERT_TRUE(connection.found);
    EXPECT_TRUE(connection.connected);
    const std::string account = db().Scalar("select FValue from SecurityParams where Name = :p1",
                                        { QString(kAccountUserSetting) })
                                    .toString()
                                    .toStdString();
    EXPECT_EQ(connection.user, account);
    EXPECT_NE(account, kDbUser) << "never the read-only runtime account";
    EXPECT_EQ(connection.password, "") << "not kept once connected";
    ASSERT_FALSE(connection.source.empty());
    EXPECT_THAT(database(), HasSubstr(connection.source)) << "the security's database";
}

TEST_P(ConnectionTest, SecurityWithoutRuntimeDataModuleGetsNoModule)
{
    TSecurity* security = AddUnprepared();
    ASSERT_EQ(security->DataModule(), nullptr);
    for (const bool simple : { false, true }) {
        try {
            TSecAdmRequest request { security, -1, -1 };
            if (simple)
                security->Provider()->CreateSmpDlgModule(request);
            else
                security->Provider()->CreateDlgModule(request);
            FAIL() << "a module without the runtime data module";
        } catch (const EDBConnectionFailed& error) {
            EXPECT_EQ(error.Message(), SecString(sConnectFailed));
            EXPECT_EQ(error.Cause(), "Wrong SecDMod");
        }
    }
}

// The test server checks the password of the account WardAdmCheck
// (scripts/services.sh); it holds no privileges, the password fails first.
TEST_P(ConnectionTest, WrongAdministrationPasswordFailsWithMessage2)
{
    if (GetParam() != Engine::PostgreSQL)
        GTEST_SKIP() << "SQLite has no database passwords";
    {
        QSqlDatabase admin = QSqlDatabase::addDatabase("QPSQL", "admin-password-check");
        admin.setHostName(qEnvironmentVariable("WARDLOCK_PG_HOST"));
        admin.setPort(qEnvironmentVariableIntValue("WARDLOCK_PG_PORT"));
        admin.setUserName(qEnvironmentVariable("WARDLOCK_PG_USER"));
        admin.setDatabaseName("postgres");
        ASSERT_TRUE(admin.open()) << admin.lastError().text().toStdString();
        QSqlQuery sql(admin);
        // Roles belong to the server: made once, by whichever run comes first.
        sql.exec("DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = "
                 "'WardAdmCheck') THEN CREATE ROLE \"WardAdmCheck\" LOGIN PASSWORD "
                 "'Kd-right-one'; END IF; END $$");
        sql = QSqlQuery();
        admin.close();
        admin = QSqlDatabase();
        QSqlDatabase::removeDatabase("admin-password-check");
    }
    TSecurity* security = LoginAdmin();
    StoreAccount("WardAdmCheck", "not-the-one-1");
    security->Logout();
    ASSERT_TRUE(security->Login(saltSilent)) << "the runtime module reads the new rows";
    try {
        security->Provider()->CreateDlgModule({ security, -1, -1 });
        FAIL() << "connected with a wrong password";
    } catch (const EDBConnectionFailed& error) {
        EXPECT_EQ(error.Message(), SecString(sConnectFailed));
        EXPECT_THAT(error.Cause(), HasSubstr("password authentication failed"));
    }
}

// The groups are numbered with 16-bit rows: more of them is a clear error,
// never wrapped numbers.
TEST_P(ConnectionTest, MoreGroupsThanRowNumbersAddress)
{
    db().Exec("insert into Groups (Name, FullName) select 'g' || i, 'Group ' || i from (with "
              "recursive n(i) as (select 1 union all select i + 1 from n where i < 65535) "
              "select i from n) numbers");
    try {
        FullModule(LoginAdmin());
        FAIL() << "65536 groups opened";
    } catch (const EDBConnectionFailed& error) {
        EXPECT_THAT(error.Cause(), HasSubstr("65535"));
    }
}

WARDLOCK_ADMIN_ENGINES(ConnectionTest);

} // namespace

} // namespace wardlock_test
