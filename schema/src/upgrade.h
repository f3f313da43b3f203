#pragma once
// Upgrading an existing security database with password storage and
// failed-login throttling, all or nothing: every change runs in one
// transaction that is committed only when the database passes its check. A
// database that has them already is left unchanged (apart from the settings
// asked for), so the upgrade may run any number of times.

#include "login_guard.h"
#include "security_db.h"

#include <QString>
#include <QStringList>

namespace Security::Schema {

struct UpgradeOptions {
    Engine engine = Engine::SQLite;
    QString sqliteFile;
    PgConnInfo pg;
    LoginGuardSettings settings;
    // Users still on the legacy form change their password at the next login.
    bool forcePasswordChange = false;
};

// Throws SchemaError, with the database left as it was, when it cannot be
// reached, is no complete security database, or any step fails. Returns
// notes for the person running it (what was added, changed or left).
QStringList UpgradeSecurityDatabase(const UpgradeOptions& options);

} // namespace Security::Schema
