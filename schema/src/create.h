#pragma once
// Creating a security database, all or nothing: on SQLite it is built in a
// temporary file that replaces the target only when complete; on PostgreSQL in
// a temporary database that is renamed to the target when complete.

#include "login_guard.h"
#include "security_db.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace Security::Schema {

struct CreateOptions {
    Engine engine = Engine::SQLite;
    QString sqliteFile;
    PgConnInfo pg;
    QByteArray adminPassword; // of the user "admin"
    bool force = false; // replace an existing database
    bool demo = false; // add the demo rows
    // PostgreSQL roles (cluster-wide); on SQLite only the account name and
    // password are stored, for the administration module to pass on.
    QString runtimeRole = QStringLiteral("SecurityCheck");
    QByteArray runtimePassword = "KDplenovit";
    QString adminRole = QStringLiteral("wardadmin");
    std::optional<QByteArray> adminRolePassword; // default: random (new role)
    // Existing roles keep their passwords unless this is set; then they get
    // the ones above once the database is in place.
    bool resetRolePasswords = false;
    QString progId = QStringLiteral("Torvane.Wardlock");
    // Password storage and throttling: both off unless asked for.
    LoginGuardSettings loginGuard;
};

// Throws SchemaError, with everything left as it was, on bad options, an
// existing database without `force` (or one in use), an existing role unfit
// for its use, an unreachable server, or any failure while building. Returns
// notes for the person running it (existing roles left as they were).
QStringList CreateSecurityDatabase(const CreateOptions& options);

// Checks of the options that need no database; throws SchemaError.
void ValidateCreateOptions(const CreateOptions& options);

// Role and database names: letters, digits and underscores, not starting with
// a digit, at most `maxLength` characters.
bool IsSafeName(const QString& name, int maxLength);

} // namespace Security::Schema
