#include "create.h"

#include "passwords.h"
#include "pg_roles.h"
#include "pg_sql.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace Security::Schema {

namespace {

// The tables the runtime reads at login and for rights and parameters; the
// runtime role may read these and nothing else.
constexpr const char* kRuntimeTables[] = { "Users", "Groups", "Forms", "Params", "GroupRights",
    "UserRights", "GroupParams", "UserParams", "SecurityParams" };

constexpr int kMaxRoleName = 16; // names travel as 16-character strings
constexpr int kMaxDatabaseName = 63;

QString TempSuffix()
{
    return QStringLiteral("%1_%2")
        .arg(QCoreApplication::applicationPid())
        .arg(QDateTime::currentMSecsSinceEpoch() % 1000000000);
}

void RequirePassword(const QByteArray& password, const QString& what, int maxLength)
{
    if (password.isEmpty())
        throw SchemaError(QStringLiteral("the %1 must not be empty").arg(what));
    if (password.contains('\0'))
        throw SchemaError(QStringLiteral("the %1 must not contain a zero byte").arg(what));
    if (maxLength > 0 && password.size() > maxLength)
        throw SchemaError(
            QStringLiteral("the %1 is longer than %2 bytes").arg(what).arg(maxLength));
}

void RequireName(const QString& name, const QString& what, int maxLength)
{
    if (!IsSafeName(name, maxLength))
        throw SchemaError(QStringLiteral("%1 \"%2\" is not allowed: use 1 to %3 letters, digits "
                                         "and underscores, not starting with a digit")
                              .arg(what, name)
                              .arg(maxLength));
}

// --- SQLite ---

void RemoveSqliteFiles(const QString& file)
{
    QFile::remove(file);
    QFile::remove(file + QStringLiteral("-journal"));
}

void CreateSqlite(const CreateOptions& options, const SeedOptions& seed)
{
    const QFileInfo target(options.sqliteFile);
    if (target.exists() && target.isDir())
        throw SchemaError(QStringLiteral("%1 is a folder").arg(options.sqliteFile));
    if (target.exists() && !options.force)
        throw SchemaError(
            QStringLiteral("%1 already exists; add --force to replace it").arg(options.sqliteFile));
    if (!target.absoluteDir().exists())
        throw SchemaError(
            QStringLiteral("the folder %1 does not exist").arg(target.absolutePath()));

    // Built beside the target, so that the final rename stays on one file system.
    const QString temp = target.absoluteFilePath() + QStringLiteral(".wardschema-") + TempSuffix();
    RemoveSqliteFiles(temp);
    try {
        Connection connection = Connection::OpenSQLite(temp, true);
        connection.Begin();
        try {
            ApplySchema(connection);
            AddLoginGuard(connection);
            ApplyLoginGuardSettings(connection, options.loginGuard);
            Seed(connection, seed);
            if (options.demo)
                AddDemoData(connection);
            connection.Commit();
        } catch (...) {
            connection.Rollback();
            throw;
        }
        QStringList problems = CheckDatabase(connection);
        // What storage and throttling need is only asked of a complete database.
        if (problems.isEmpty())
            problems = CheckLoginGuard(connection);
        if (!problems.isEmpty())
            throw SchemaError(QStringLiteral("the new database fails its check: %1")
                                  .arg(problems.join(QStringLiteral("; "))));
    } catch (...) {
        RemoveSqliteFiles(temp);
        throw;
    }
    // rename() replaces an existing target in one step.
    if (std::rename(QFile::encodeName(temp).constData(),
            QFile::encodeName(target.absoluteFilePath()).constData())
        != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        RemoveSqliteFiles(temp);
        throw SchemaError(QStringLiteral("cannot write %1: %2").arg(options.sqliteFile, reason));
    }
}

// --- PostgreSQL ---

// Privileges of the two roles, inside the transaction that builds the
// database.
void GrantAccess(Connection& connection, const CreateOptions& options)
{
    const QVariantList runtime = { options.runtimeRole };
    const QVariantList admin = { options.adminRole };

    // Only the two roles (and the owner) may connect.
    connection.Exec(QStringLiteral("DO $$ BEGIN EXECUTE format('REVOKE ALL ON DATABASE %I FROM "
                                   "PUBLIC', current_database()); END $$"));
    for (const QString& role : { options.runtimeRole, options.adminRole })
        connection.Exec(
            FormatOnServer(connection, QStringLiteral("GRANT CONNECT ON DATABASE %I TO %I"),
                { connection.Scalar(QStringLiteral("SELECT current_database()")), role }));
    connection.Exec(QStringLiteral("REVOKE EXECUTE ON ALL FUNCTIONS IN SCHEMA public FROM PUBLIC"));
    // Servers before PostgreSQL 15 let everybody create objects in the
    // public schema of a new database; later ones no longer do.
    connection.Exec(QStringLiteral("REVOKE CREATE ON SCHEMA public FROM PUBLIC"));
    ExecFormatted(connection, QStringLiteral("GRANT USAGE ON SCHEMA public TO %I"), runtime);
    ExecFormatted(connection, QStringLiteral("GRANT USAGE ON SCHEMA public TO %I"), admin);

    QStringList tables;
    for (const char* table : kRuntimeTables)
        tables << QLatin1String(table);
    ExecFormatted(connection,
        QStringLiteral("GRANT SELECT ON %1 TO %I").arg(tables.join(QStringLiteral(", "))), runtime);

    ExecFormatted(connection,
        QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA public TO %I"),
        admin);
    ExecFormatted(connection,
        QStringLiteral("GRANT USAGE, SELECT ON ALL SEQUENCES IN SCHEMA public TO %I"), admin);
    ExecFormatted(
        connection, QStringLiteral("GRANT EXECUTE ON ALL FUNCTIONS IN SCHEMA public TO %I"), admin);
    GrantLoginGuard(connection, { options.runtimeRole }, { options.adminRole });
}

Connection OpenMaintenance(const PgConnInfo& info)
{
    try {
        return Connection::OpenPostgreSQL(info, QStringLiteral("postgres"));
    } catch (const SchemaError& first) {
        try {
            return Connection::OpenPostgreSQL(info, QStringLiteral("template1"));
        } catch (const SchemaError&) {
            throw first;
        }
    }
}

void DropDatabaseQuietly(Connection& maintenance, const QString& name) noexcept
{
    try {
        ExecFormatted(maintenance, QStringLiteral("DROP DATABASE IF EXISTS %I"), { name });
    } catch (...) {
        // Best effort while reporting an earlier failure.
    }
}

// Nobody else may be connected to a database that is to be replaced; checked
// before anything is built, and again by the drop itself.
void RefuseDatabaseInUse(Connection& maintenance, const QString& dbname)
{
    const int sessions = maintenance
                             .Scalar(QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE "
                                                    "datname = ? AND pid <> pg_backend_pid()"),
                                 { dbname })
                             .toInt();
    if (sessions > 0)
        throw SchemaError(QStringLiteral("cannot replace database \"%1\": it is in use (%2 "
                                         "connection%3)")
                              .arg(dbname)
                              .arg(sessions)
                              .arg(sessions == 1 ? "" : "s"));
}

// A role of the new database: made by this run, or one that exists already.
struct PlannedRole {
    QString name;
    QByteArray password;
    bool exists = false;
};

QStringList CreatePostgreSQL(const CreateOptions& options, SeedOptions seed)
{
    const QString& dbname = options.pg.dbname;
    Connection maintenance = OpenMaintenance(options.pg);
    // Roles belong to the whole server: runs at once (parallel test programs)
    // would each see a role missing and each create it. One run at a time per
    // server; the lock ends with the maintenance connection.
    maintenance.Exec(QStringLiteral("SELECT pg_advisory_lock(7358240117)"));
    const bool exists
        = maintenance
              .Scalar(QStringLiteral("SELECT 1 FROM pg_database WHERE datname = ?"), { dbname })
              .isValid();
    if (exists && !options.force)
        throw SchemaError(
            QStringLiteral("database \"%1\" already exists; add --force to replace it")
                .arg(dbname));

    // Every check comes before the first change.
    PlannedRole runtime { options.runtimeRole, options.runtimePassword,
        CheckExistingRole(maintenance, options.runtimeRole, RoleUse::Runtime) };
    PlannedRole admin { options.adminRole, {},
        CheckExistingRole(maintenance, options.adminRole, RoleUse::Administration) };
    if (options.adminRolePassword) {
        admin.password = *options.adminRolePassword;
    } else if (admin.exists) {
        // Its password is stored (encoded) for the administration module: a
        // new random one would lock out every other database using the role.
        throw SchemaError(QStringLiteral("role \"%1\" already exists on this server; give its "
                                         "password with --admin-role-password")
                              .arg(options.adminRole));
    } else {
        admin.password = RandomAccountPassword();
    }
    seed.accountPassword = admin.password;
    EncodeAccountPassword(admin.password); // refuse an unusable password before any change
    const std::array<const PlannedRole*, 2> roles = { &runtime, &admin };
    if (exists)
        RefuseDatabaseInUse(maintenance, dbname);

    const QString temp = QStringLiteral("wardschema_new_") + TempSuffix();
    // Roles this run made: dropped again when it fails.
    QStringList madeRoles;
    auto undo = [&] {
        DropDatabaseQuietly(maintenance, temp);
        for (const QString& role : madeRoles)
            DropRoleQuietly(maintenance, role);
    };
    ExecFormatted(maintenance,
        QStringLiteral("CREATE DATABASE %I TEMPLATE template0 ENCODING 'UTF8'"), { temp });
    try {
        Connection connection = Connection::OpenPostgreSQL(options.pg, temp);
        connection.Begin();
        try {
            ApplySchema(connection);
            AddLoginGuard(connection);
            ApplyLoginGuardSettings(connection, options.loginGuard);
            for (const PlannedRole* role : roles)
                if (!role->exists)
                    CreateLoginRole(connection, role->name, role->password);
            GrantAccess(connection, options);
            Seed(connection, seed);
            if (options.demo)
                AddDemoData(connection);
            connection.Commit();
        } catch (...) {
            connection.Rollback();
            throw;
        }
        for (const PlannedRole* role : roles)
            if (!role->exists)
                madeRoles << role->name;
        QStringList problems = CheckDatabase(connection);
        // What storage and throttling need is only asked of a complete database.
        if (problems.isEmpty())
            problems = CheckLoginGuard(connection);
        if (!problems.isEmpty())
            throw SchemaError(QStringLiteral("the new database fails its check: %1")
                                  .arg(problems.join(QStringLiteral("; "))));
    } catch (...) {
        undo();
        throw;
    }
    try {
        if (exists)
            ExecFormatted(maintenance, QStringLiteral("DROP DATABASE %I"), { dbname });
    } catch (const SchemaError& error) {
        undo();
        throw SchemaError(QStringLiteral("cannot replace database \"%1\" (is it in use?): %2")
                              .arg(dbname, error.Message()));
    }
    ExecFormatted(maintenance, QStringLiteral("ALTER DATABASE %I RENAME TO %I"), { temp, dbname });

    // Existing roles change only now that nothing can fail any more.
    QStringList notes;
    for (const PlannedRole* role : roles) {
        if (!role->exists)
            continue;
        if (!options.resetRolePasswords) {
            notes << QStringLiteral("role \"%1\" already existed: its password is kept "
                                    "(--reset-role-passwords sets the one given)")
                         .arg(role->name);
            continue;
        }
        try {
            SetRolePassword(maintenance, role->name, role->password);
        } catch (const SchemaError& error) {
            throw SchemaError(QStringLiteral("database \"%1\" was made, but the password of "
                                             "role \"%2\" could not be set: %3")
                                  .arg(dbname, role->name, error.Message()));
        }
    }
    return notes;
}

} // namespace

bool IsSafeName(const QString& name, int maxLength)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return !name.isEmpty() && name.size() <= maxLength && pattern.match(name).hasMatch();
}

void ValidateCreateOptions(const CreateOptions& options)
{
    ValidateLoginGuardSettings(options.loginGuard);
    RequirePassword(options.adminPassword, QStringLiteral("administrator password"), 16);
    if (options.progId.isEmpty() || options.progId.size() > 16)
        throw SchemaError(QStringLiteral("the program identifier must have 1 to 16 characters"));
    for (const QChar c : options.progId)
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            throw SchemaError(
                QStringLiteral("the program identifier may only hold printable ASCII characters"));
    RequireName(options.adminRole, QStringLiteral("administration role name"), kMaxRoleName);
    if (options.adminRolePassword)
        RequirePassword(
            *options.adminRolePassword, QStringLiteral("administration role password"), 16);
    if (options.engine == Engine::SQLite) {
        if (options.sqliteFile.isEmpty())
            throw SchemaError(QStringLiteral("no SQLite file given"));
        return;
    }
    RequireName(options.runtimeRole, QStringLiteral("runtime role name"), kMaxRoleName);
    RequirePassword(options.runtimePassword, QStringLiteral("runtime role password"), 0);
    if (options.runtimeRole == options.adminRole)
        throw SchemaError(QStringLiteral("the runtime role and the administration role must "
                                         "differ: the runtime role may only read"));
    if (options.pg.dbname.isEmpty())
        throw SchemaError(QStringLiteral("the PostgreSQL connection text names no database "
                                         "(dbname=...)"));
    RequireName(options.pg.dbname, QStringLiteral("database name"), kMaxDatabaseName);
}

QStringList CreateSecurityDatabase(const CreateOptions& options)
{
    ValidateCreateOptions(options);
    SeedOptions seed;
    seed.adminPassword = options.adminPassword;
    seed.accountUser = options.adminRole;
    seed.progId = options.progId;
    if (options.engine == Engine::SQLite) {
        // No database accounts on SQLite; the rows are written all the same,
        // so that every security database has the same settings.
        seed.accountPassword = options.adminRolePassword.value_or(RandomAccountPassword());
        EncodeAccountPassword(seed.accountPassword);
        CreateSqlite(options, seed);
        return {};
    }
    return CreatePostgreSQL(options, seed);
}

} // namespace Security::Schema
