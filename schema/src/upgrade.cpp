#include "upgrade.h"

namespace Security::Schema {

namespace {

// PostgreSQL: the roles granted on Users other than its owner, split by use:
// those that may only read it, and those that may also write it.
void RolesOnUsers(Connection& connection, QStringList& readers, QStringList& writers)
{
    const Rows rows = Select(connection,
        QStringLiteral("SELECT r.rolname, bool_or(a.privilege_type IN ('INSERT', 'UPDATE', "
                       "'DELETE')) FROM pg_class c CROSS JOIN LATERAL aclexplode(c.relacl) a "
                       "JOIN pg_roles r ON r.oid = a.grantee "
                       "WHERE c.oid = 'users'::regclass AND a.grantee <> c.relowner "
                       "GROUP BY r.rolname ORDER BY r.rolname"));
    for (const QVariantList& row : rows.rows)
        (row[1].toBool() ? writers : readers) << row[0].toString();
}

Connection Open(const UpgradeOptions& options)
{
    if (options.engine == Engine::SQLite) {
        if (options.sqliteFile.isEmpty())
            throw SchemaError(QStringLiteral("no SQLite file given"));
        return Connection::OpenSQLite(options.sqliteFile, false);
    }
    if (options.pg.dbname.isEmpty())
        throw SchemaError(QStringLiteral("the PostgreSQL connection text names no database "
                                         "(dbname=...)"));
    return Connection::OpenPostgreSQL(options.pg);
}

} // namespace

QStringList UpgradeSecurityDatabase(const UpgradeOptions& options)
{
    ValidateLoginGuardSettings(options.settings);
    Connection connection = Open(options);
    const QStringList before = CheckDatabase(connection);
    if (!before.isEmpty())
        throw SchemaError(QStringLiteral("not upgraded: this is not a complete security "
                                         "database:\n  %1")
                              .arg(before.join(QStringLiteral("\n  "))));
    QStringList notes;
    connection.Begin();
    try {
        if (AddLoginGuard(connection)) {
            notes << QStringLiteral("added Argon2id password storage (Users.PasswordHash) and "
                                    "failed-login throttling (LoginFailures and its procedures)");
            if (connection.engine() == Engine::PostgreSQL) {
                QStringList readers;
                QStringList writers;
                RolesOnUsers(connection, readers, writers);
                GrantLoginGuard(connection, readers, writers);
                if (!readers.isEmpty())
                    notes << QStringLiteral("read-only roles (may count failed logins through "
                                            "RecordLoginFailure): %1")
                                 .arg(readers.join(QStringLiteral(", ")));
                if (!writers.isEmpty())
                    notes << QStringLiteral("administration roles (may also clear locks): %1")
                                 .arg(writers.join(QStringLiteral(", ")));
            }
        } else {
            notes << QStringLiteral("password storage and throttling were there already");
        }
        ApplyLoginGuardSettings(connection, options.settings);
        if (options.forcePasswordChange) {
            const int forced = ForcePasswordChange(connection);
            notes << QStringLiteral("%1 user%2 on the legacy password form must change the "
                                    "password at the next login")
                         .arg(forced)
                         .arg(forced == 1 ? "" : "s");
        }
        QStringList problems = CheckDatabase(connection);
        // What storage and throttling need is only asked of a complete database.
        if (problems.isEmpty())
            problems = CheckLoginGuard(connection);
        if (!problems.isEmpty())
            throw SchemaError(QStringLiteral("not upgraded: the upgraded database fails its "
                                             "check:\n  %1")
                                  .arg(problems.join(QStringLiteral("\n  "))));
        connection.Commit();
    } catch (...) {
        connection.Rollback();
        throw;
    }
    return notes;
}

} // namespace Security::Schema
