#include "bde_fixture.h"

#include <dlfcn.h>

using namespace Security;

namespace wardlock_test {

namespace {
int counter = 0;
}

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
    const FixtureTarget& target = TestedTarget();
    alias_ = target.aliasPrefix + std::to_string(++counter);
    db_ = std::make_unique<SecurityDb>(GetParam(), alias_);
    database_ = target.database(*db_, alias_);
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
    const FixtureTarget& target = TestedTarget();
    return TSecRights::AddSecurity(NewName().c_str(), database_.c_str(), target.providerKey,
        target.providerName, KeepOptions(options), kDbUser, kDbPassword, user.c_str(),
        passwd.c_str(), nullptr, autoLogin);
}

TSecurity* BdeTest::AddRetry(bool autoLogin)
{
    const FixtureTarget& target = TestedTarget();
    return TSecRights::AddSecurity(NewName().c_str(), database_.c_str(), target.providerKey,
        target.providerName, KeepOptions(target.retryOptions), kDbUser, kDbPassword,
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
