// The administration account in the connection string made from the
// security's template: a password holding ';' stays one value. The SQLite
// driver cannot take it (message 2, nothing reached); psqlODBC takes it
// braced and reaches the security database only.

#include "admin_fixture.h"

#include <wardlock/data/dataset.h>
#include <wardlock/keeper/dmodexceptions.h>
#include <wardlock/keeper/strings.h>
#include <wardlock/provider.h>

#include <gmock/gmock.h>

using namespace Security;
using ::testing::HasSubstr;

namespace wardlock_test {

namespace {

class AdoAccountTest : public AdminTest { };

TEST_P(AdoAccountTest, PasswordWithSemicolonReachesOnlyTheSecurityDatabase)
{
    TSecurity* security = LoginAdmin();
    const std::string user = db().Scalar("select FValue from SecurityParams where Name = :p1",
                                     { QString(kAccountUserSetting) })
                                 .toString()
                                 .toStdString();
    StoreAccount(user, "k;Database=xdb");
    security->Logout();
    ASSERT_TRUE(security->Login(saltSilent)) << "the runtime module reads the new rows";
    if (GetParam() == Engine::SQLite) {
        try {
            security->Provider()->CreateDlgModule({ security, -1, -1 });
            FAIL() << "the SQLite driver ends a value at every ';'";
        } catch (const EDBConnectionFailed& error) {
            EXPECT_EQ(error.Message(), SecString(sConnectFailed));
            EXPECT_THAT(error.Cause(), HasSubstr("cannot take a ';' in the database password"));
        }
        return;
    }
    // The test server lets this account in whatever its password: the
    // password reached the server as one value, the database is the test's.
    auto module = FullModule(security);
    EXPECT_EQ(module->Current.Users->RecordCount(), Count("select count(*) from Users"));
    const ConnectionView connection = TestedAdminTarget().connection(*module);
    EXPECT_EQ(connection.password, "");
    EXPECT_THAT(database(), HasSubstr(connection.source));
}

WARDLOCK_ADMIN_ENGINES(AdoAccountTest);

} // namespace

} // namespace wardlock_test
