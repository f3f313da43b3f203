#pragma once
// A fresh security database per test (SQLite, and PostgreSQL when
// configured), securities registered on a real provider ("Torvane:BDE" here;
// the ADO tests run the same cases on theirs), and the fake administration
// module held loaded so that its record of calls survives the core's unload
// after each call.

#include "fakekeeper.h"
#include "secdb.h"

#include <wardlock/rights.h>
#include <wardlock/security.h>

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>

namespace wardlock_test {

// The demo program's options text.
inline constexpr const char* kDemoOptions
    = "RecordsetStoredProcs=0, CachedUpdates=1, BDESQLParams=0";

// The provider a test program registers its securities on; each program
// defines TestedTarget() (bde_target.cpp, or the ADO tests' ado_fixture.cpp).
struct FixtureTarget {
    const char* aliasPrefix;
    const char* providerKey;
    const char* providerName;
    // The options of AddRetry's securities.
    const char* retryOptions;
    // The securities' database text for the test's fresh database.
    std::string (*database)(SecurityDb& db, const std::string& alias);
};
const FixtureTarget& TestedTarget();

class BdeTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override;
    void TearDown() override;

    SecurityDb& db() { return *db_; }
    const std::string& alias() const { return alias_; }
    FakeKeeperRecord& keeper() { return *keeper_; }

    // A fresh name for a security of this test.
    std::string NewName();
    // Login type 1 with the given account.
    Security::TSecurity* AddSilent(const std::string& user, const std::string& passwd,
        bool autoLogin = true, const char* options = kDemoOptions);
    // Login type 3 with the demo program's texts.
    Security::TSecurity* AddRetry(bool autoLogin = true);
    // Logs `user` in silently through a fresh security; null when it failed.
    Security::TSecurity* LoginAs(const std::string& user, const std::string& passwd);

    // The standard content every test starts with: group Clerks (may change
    // its password, never forced at login) with user "clerk" / "Secret1".
    int clerks = 0;
    int clerk = 0;
    static constexpr const char* kClerkPassword = "Secret1";

private:
    std::unique_ptr<SecurityDb> db_;
    std::string alias_;
    // What the securities of this test name as their database.
    std::string database_;
    void* keeperModule_ = nullptr;
    FakeKeeperRecord* keeper_ = nullptr;
    // Options texts stay alive as long as the securities that point at them.
    std::deque<std::string> options_;
    char* KeepOptions(const char* options);
};

std::string EngineParamName(const ::testing::TestParamInfo<Engine>& info);

#define WARDLOCK_INSTANTIATE_ENGINES(Suite)                                                        \
    INSTANTIATE_TEST_SUITE_P(Engines, Suite,                                                       \
        ::testing::Values(::wardlock_test::Engine::SQLite, ::wardlock_test::Engine::PostgreSQL),   \
        ::wardlock_test::EngineParamName)

} // namespace wardlock_test
