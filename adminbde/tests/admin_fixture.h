#pragma once
// The administration data modules through a real provider library loaded by
// name: a fresh security database per test (SQLite, and PostgreSQL when
// configured), an administrator logged in through a security registered on
// the tested runtime provider, and the module obtained from that provider
// (CreateDlgModule / CreateSmpDlgModule, answered by its administration
// sibling) and given back through it. The case files are written against
// this fixture only; each provider's test program defines TestedAdminTarget().

#include "secdb.h"

#include <wardlock/keeper/secdmodbase.h>
#include <wardlock/rights.h>
#include <wardlock/security.h>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace wardlock_test {

// What a module's connection component shows.
struct ConnectionView {
    bool found = false; // the module has its connection component
    bool connected = false;
    std::string user;
    std::string password; // as the component keeps it
    // What it reached: a text the security's database text names (an alias,
    // a data source).
    std::string source;
};

struct AdminTarget {
    const char* aliasPrefix;
    const char* providerKey;
    const char* providerName;
    // The securities' database text for the test's fresh database.
    std::string (*database)(SecurityDb& db, const std::string& alias);
    // The provider's options text for a layout and an update mode.
    std::string (*options)(bool newLayout, bool cachedMode);
    ConnectionView (*connection)(Security::TSecDModSmpDlgBaseFrm& module);
    // Whether the simple module's user and group statements bind by position
    // with the options above.
    bool positionalUserUpdates;
};
const AdminTarget& TestedAdminTarget();

// The settings rows of the administration account.
inline constexpr const char* kAccountUserSetting = "ResNrk7a~d3nEge";
inline constexpr const char* kAccountPasswordSetting = "Res74hG^e5(dhF";

// How a module is asked for.
struct ModuleOptions {
    bool newLayout = false;
    bool cachedMode = true;
};

// Gives a module back to the provider that made it.
struct ModuleReturn {
    Security::TSecurity* security = nullptr;
    void operator()(Security::TSecDModSmpDlgBaseFrm* module) const;
};
template<class Module> using ModulePtr = std::unique_ptr<Module, ModuleReturn>;

class AdminTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override;
    void TearDown() override;

    SecurityDb& db() { return *db_; }
    const std::string& alias() const { return alias_; }
    // The securities' database text (the target's for the fresh database).
    const std::string& database() const { return database_; }

    // --- data: every group has a row for every form and parameter, as the
    // security database's procedures keep it ---
    int AddGroup(const std::string& name, const GroupPolicy& policy = {});
    // A form with its defaults; every group gets a row with them.
    int AddForm(const std::string& name, int defaultMask = 0, bool hidden = false);
    struct ParamSetup {
        std::string type = "Default";
        std::string defaultValue;
        bool isProtected = false;
        bool userCanModify = false;
        bool hidden = false;
    };
    // A parameter; every group gets a row with its default value.
    int AddParam(const std::string& name, const ParamSetup& setup);
    int AddParam(const std::string& name) { return AddParam(name, ParamSetup {}); }
    int AddUser(const std::string& name, int groupID, const UserPolicy& policy = {});
    // A ModGroups row: members of `groupID` administer `modGroupID`.
    void Relate(int groupID, int modGroupID, int type);
    int GroupID(const std::string& name);
    int UserID(const std::string& name);
    int FormID(const std::string& name);
    int ParamID(const std::string& name);
    int Count(const std::string& sql, const std::vector<QVariant>& params = {});
    // A user's own value of a parameter, or a null QVariant.
    QVariant OwnValue(int userID, int paramID);
    // A user's own rights on a form, or -1 when he has none.
    int OwnRights(int userID, int formID);
    int GroupRights(int groupID, int formID);
    QVariant GroupValue(int groupID, int paramID);
    // Stores `user` and `password` (encoded with the administration key) as
    // the administration account the modules connect with.
    void StoreAccount(const std::string& user, const std::string& password);

    // --- sessions ---
    // Logs `user` in through a security on the tested provider, bound by a
    // rights object this fixture keeps. Fails the test when it cannot.
    Security::TSecurity* LoginAs(
        const std::string& user, const std::string& password, const ModuleOptions& options = {});
    // The seeded administrator (group Admins, which administers itself).
    Security::TSecurity* LoginAdmin(const ModuleOptions& options = {});
    // The full / simple module of `security` (all users, or one user).
    ModulePtr<Security::TSecDModDlgBaseFrm> FullModule(
        Security::TSecurity* security, int userID = -1, int groupID = -1);
    ModulePtr<Security::TSecDModSmpDlgBaseFrm> SimpleModule(
        Security::TSecurity* security, int userID = -1, int groupID = -1);
    // A security registered on the provider that never logged in.
    Security::TSecurity* AddUnprepared(const ModuleOptions& options = {});

    static constexpr const char* kPassword = "Pass-1234";

private:
    std::string NewName();
    char* KeepOptions(const std::string& options);

    std::unique_ptr<SecurityDb> db_;
    std::string alias_;
    std::string database_;
    std::deque<std::string> options_;
    std::vector<std::unique_ptr<Security::TSecRights>> bound_;
};

std::string AdminEngineName(const ::testing::TestParamInfo<Engine>& info);

#define WARDLOCK_ADMIN_ENGINES(Suite)                                                              \
    INSTANTIATE_TEST_SUITE_P(Engines, Suite,                                                       \
        ::testing::Values(::wardlock_test::Engine::SQLite, ::wardlock_test::Engine::PostgreSQL),   \
        ::wardlock_test::AdminEngineName)

// The iterator the hierarchy operations take, over `edges` (which must
// outlive it).
Security::ModGroupIterator EdgesOf(const std::vector<Security::ModGroup>& edges);

// Runs a definition statement as it is (PostgreSQL cannot prepare them).
void ExecDefinition(SecurityDb& db, const std::string& sql);
// Fault injection: every write to the tables the modules write passes a
// trigger; once armed, the `failAt`th write to `table` (lower case) fails.
void InstallFaultTriggers(SecurityDb& db);
void InjectFault(SecurityDb& db, const char* table, int failAt);
void HealFault(SecurityDb& db);

// The fields of a module's datasets, read by name.
std::string Text(vcl::TDataSet* dataSet, const char* field);
int Number(vcl::TDataSet* dataSet, const char* field);
bool Flag(vcl::TDataSet* dataSet, const char* field);

} // namespace wardlock_test
