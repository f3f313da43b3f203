// The shared login and rights cases (written against BdeTest in
// providers/bde/tests) run a second time through the ADO provider: this file
// implements the fixture with securities on "Torvane:ADO:Vcl5" whose database
// is the example connection template with an ODBC data source of the test's
// own database (SQLite3 driver, or psqlODBC on PostgreSQL). The alias the
// fixture also writes stays for the cases that name the BDE provider
// themselves.

#include "bde_fixture.h"
#include "odbc_source.h"

#include <dlfcn.h>

using namespace Security;

namespace wardlock_test {

namespace {
int counter = 0;
// The connection template of the running test (one test at a time).
std::string connectionTemplate;
const char* const kAdoKey = "Torvane:ADO:Vcl5";
const char* const kAdoName = "ADO";
} // namespace

std::string EngineParamName(const ::testing::TestParamInfo<Engine>& info)
{
    return EngineName(info.param);
}

void BdeTest::SetUp()
{
    if (!EngineAvailable(GetParam()))
        GTEST_SKIP() << "PostgreSQL is not configured (WARDLOCK_PG_HOST etc.)";
    keeperModule_ = ::dlopen("libwardkeeper5.so", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(keeperModule_, nullptr) << "the fake administration module is on the search path";
    keeper_ = reinterpret_cast<FakeKeeperRecordFn>(::dlsym(keeperModule_, "FakeKeeperRecordOf"))();
    *keeper_ = {};
    alias_ = "AdoTestAlias" + std::to_string(++counter);
    db_ = std::make_unique<SecurityDb>(GetParam(), alias_);
    connectionTemplate = AdoTemplate(AddOdbcSource(*db_));
    GroupPolicy policy;
    policy.allowChangePswd = true;
    policy.noChPswdAtLogin = true;
    clerks = db_->AddGroup("Clerks", policy);
    clerk = db_->AddUser("clerk", clerks, kClerkPassword);
}

void BdeTest::TearDown()
{
    while (!TSecurity::SecList.Empty())
        delete TSecurity::SecList.First()->Security;
    db_.reset();
    if (keeperModule_)
        ::dlclose(keeperModule_);
}

std::string BdeTest::NewName()
{
    return "App" + std::to_string(++counter);
}

TSecurity* BdeTest::AddSilent(
    const std::string& user, const std::string& passwd, bool autoLogin, const char* options)
{
    return TSecRights::AddSecurity(NewName().c_str(), connectionTemplate.c_str(), kAdoKey, kAdoName,
        KeepOptions(options), kDbUser, kDbPassword, user.c_str(), passwd.c_str(), nullptr,
        autoLogin);
}

TSecurity* BdeTest::AddRetry(bool autoLogin)
{
    return TSecRights::AddSecurity(NewName().c_str(), connectionTemplate.c_str(), kAdoKey, kAdoName,
        KeepOptions("LocalCursor=1, BatchUpdates=1"), kDbUser, kDbPassword,
        "Application was not able to connect to Security database. Quitting.",
        "You cannot run this program without valid user and password. Press OK to try again or "
        "Cancel to exit the program.",
        "Invalid login", "WardDemo", nullptr, autoLogin);
}

char* BdeTest::KeepOptions(const char* options)
{
    if (!options)
        return nullptr;
    return options_.emplace_back(options).data();
}

TSecurity* BdeTest::LoginAs(const std::string& user, const std::string& passwd)
{
    TSecurity* security = AddSilent(user, passwd, false);
    return security->Login(saltSilent) ? security : nullptr;
}

} // namespace wardlock_test
