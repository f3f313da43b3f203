#pragma once
// Security databases for tests: a fresh database per test, copied from a
// template that the schema tool made once per engine and run, with helpers
// that add groups, users, forms, parameters, rights, values and settings
// through the dataset layer, and an alias that reaches it.

#include <wardlock/pswdsstr.h>

#include <QVariant>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vcl {
class TDatabase;
}

namespace wardlock_test {

enum class Engine { SQLite, PostgreSQL };

std::string EngineName(Engine engine);
// Whether the engine can be used in this run (PostgreSQL needs WARDLOCK_PG_*).
bool EngineAvailable(Engine engine);

// The password the schema tool gives "admin".
inline constexpr const char* kAdminPassword = "Adm1nPass";
// The database account the securities connect with, and its password.
inline constexpr const char* kDbUser = "SecurityCheck";
inline constexpr const char* kDbPassword = "KDplenovit";

struct GroupPolicy {
    bool allowChangePswd = false;
    bool allowNullPasswd = false;
    bool noChPswdAtLogin = true;
    bool accountEnabled = true;
    bool passwdControl = false;
};

// The user's five options, each 0, 1 or 2 (as the group).
struct UserPolicy {
    int allowChangePswd = 2;
    int allowNullPasswd = 2;
    int noChPswdAtLogin = 2;
    int accountEnabled = 2;
    int passwdControl = 2;
};

class SecurityDb {
public:
    // A fresh copy of the template; `alias` is written to the settings.
    SecurityDb(Engine engine, std::string alias);
    ~SecurityDb();
    SecurityDb(const SecurityDb&) = delete;
    SecurityDb& operator=(const SecurityDb&) = delete;

    Engine engine() const { return engine_; }
    const std::string& alias() const { return alias_; }
    // SQLite: the file; PostgreSQL: the database name.
    const std::string& database() const { return database_; }

    // Runs one statement; parameters bind in order as :p1, :p2, ...
    void Exec(const std::string& sql, const std::vector<QVariant>& params = {});
    QVariant Scalar(const std::string& sql, const std::vector<QVariant>& params = {});

    int AddGroup(const std::string& name, const GroupPolicy& policy = {});
    // `password` std::nullopt stores null; the stored form is IntEncode's.
    int AddUser(const std::string& name, int groupID, std::optional<std::string> password,
        const UserPolicy& policy = {});
    // A user whose password is an Argon2id string; the legacy column holds
    // the marker (`legacy`, when given, instead).
    int AddModernUser(const std::string& name, int groupID, const std::string& password,
        std::optional<tor::pswdsstr<16>> legacy = std::nullopt);
    // The database as the schema tool made them before password storage and
    // throttling.
    void MakeLegacy();
    // As if `seconds` had passed since every counted failed login and lock.
    void AgeLoginFailures(int seconds);
    int AddForm(const std::string& name);
    int AddParam(const std::string& name);
    void SetGroupRight(int groupID, int formID, int mask);
    void SetUserRight(int userID, int formID, int mask);
    // Null QVariant stores null; QByteArray stores raw bytes.
    void SetGroupParam(int groupID, int paramID, const QVariant& value);
    void SetUserParam(int userID, int paramID, const QVariant& value);
    void SetSetting(const std::string& name, const QVariant& value);
    void DeleteSetting(const std::string& name);

    // Closes the writing connection (a test that locks or replaces the file).
    void Disconnect();

private:
    void Connect();
    void ReplaceRow(const std::string& table, const std::string& owner, int ownerID,
        const std::string& keyColumn, int key, const std::string& columns,
        const std::vector<QVariant>& values);

    Engine engine_;
    std::string alias_;
    std::string database_;
    std::unique_ptr<vcl::TDatabase> writer_;
};

// A value of raw bytes for the parameter and setting helpers.
QVariant RawBytes(const tor::pswdsstr<16>& value);

} // namespace wardlock_test
