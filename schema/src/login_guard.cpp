#include "login_guard.h"

#include "passwords.h"
#include "pg_sql.h"
#include "schema_model.h"

#include <wardlock/loginthrottle.h>
#include <wardlock/passwordhash.h>

namespace Security::Schema {

namespace {

struct SettingRow {
    const char* name;
    const char* fullName;
    const char* offValue;
};

const SettingRow kStorageRow { kPasswordStorageSetting,
    "Stored passwords: argon2id or empty (legacy)", "" };
const SettingRow kFailuresRow { LoginThrottle::kFailuresSetting,
    "Failed logins that lock a name (0: never)", "0" };
const SettingRow kPeriodRow { LoginThrottle::kPeriodSetting,
    "Lock period and counting window in seconds", "900" };

QVariant Setting(Connection& connection, const char* name)
{
    return connection.Scalar(QStringLiteral("SELECT FValue FROM SecurityParams WHERE Name = ?"),
        { QString::fromLatin1(name) });
}

bool StorageOn(Connection& connection)
{
    return StoresArgon2id(Setting(connection, kPasswordStorageSetting).toString().toStdString());
}

void EnsureRow(Connection& connection, const SettingRow& row)
{
    if (Setting(connection, row.name).isValid())
        return;
    connection.Exec(QStringLiteral("INSERT INTO SecurityParams (Name, FullName, FValue, Hidden) "
                                   "VALUES (?, ?, ?, ?)"),
        { QString::fromLatin1(row.name), QString::fromLatin1(row.fullName),
            QString::fromLatin1(row.offValue), false });
}

void WriteSetting(Connection& connection, const SettingRow& row, const QString& value)
{
    connection.Exec(QStringLiteral("UPDATE SecurityParams SET FValue = ? WHERE Name = ?"),
        { value, QString::fromLatin1(row.name) });
}

// Users still on the legacy form: no Argon2id string, a legacy password.
const char kLegacyCondition[] = "(PasswordHash IS NULL OR PasswordHash = '') "
                                "AND Passwd IS NOT NULL AND Passwd <> ''";

QStringList Names(Connection& connection, const QString& condition)
{
    QStringList names;
    const Rows rows = Select(
        connection, QStringLiteral("SELECT Name FROM Users WHERE %1 ORDER BY Name").arg(condition));
    for (const QVariantList& row : rows.rows)
        names << row[0].toString();
    return names;
}

} // namespace

void ValidateLoginGuardSettings(const LoginGuardSettings& settings)
{
    // As the procedures read them: 1 to 9 decimal digits.
    if (settings.lockAfter && (*settings.lockAfter < 0 || *settings.lockAfter > 999999999))
        throw SchemaError(QStringLiteral("the number of failed logins must be 0 to 999999999"));
    if (settings.lockSeconds && (*settings.lockSeconds < 1 || *settings.lockSeconds > 999999999))
        throw SchemaError(QStringLiteral("the lock period must be 1 to 999999999 seconds"));
}

bool HasLoginGuard(Connection& connection)
{
    if (!HasPasswordHashColumn(connection))
        return false;
    for (const ExpectedRelation& relation : ExpectedLoginGuardRelations())
        if (!ColumnsOf(connection, relation.name))
            return false;
    for (const ExpectedProcedure& procedure : ExpectedLoginGuardProcedures()) {
        try {
            DeclaredParams(connection, procedure.name);
        } catch (const SchemaError&) {
            return false;
        }
    }
    return true;
}

bool AddLoginGuard(Connection& connection)
{
    if (HasLoginGuard(connection))
        return false;
    if (!HasPasswordHashColumn(connection))
        connection.Exec(QStringLiteral("ALTER TABLE Users ADD COLUMN PasswordHash varchar(%1)")
                            .arg(PasswordHash::kColumnWidth));
    RunScripts(connection, UpgradeScripts(connection.engine()));
    return true;
}

void GrantLoginGuard(
    Connection& connection, const QStringList& runtimeRoles, const QStringList& adminRoles)
{
    for (const QString& role : runtimeRoles) {
        ExecFormatted(connection, QStringLiteral("GRANT SELECT ON LoginFailures TO %I"), { role });
        ExecFormatted(connection,
            QStringLiteral("GRANT EXECUTE ON FUNCTION LoginLocked(text), "
                           "RecordLoginFailure(text) TO %I"),
            { role });
    }
    for (const QString& role : adminRoles) {
        ExecFormatted(connection,
            QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON LoginFailures TO %I"),
            { role });
        ExecFormatted(
            connection, QStringLiteral("GRANT SELECT ON LoginThrottleSettings TO %I"), { role });
        ExecFormatted(connection,
            QStringLiteral("GRANT EXECUTE ON FUNCTION LoginLocked(text), "
                           "RecordLoginFailure(text), ClearLoginLock(integer) TO %I"),
            { role });
    }
}

void ApplyLoginGuardSettings(Connection& connection, const LoginGuardSettings& settings)
{
    ValidateLoginGuardSettings(settings);
    for (const SettingRow* row : { &kStorageRow, &kFailuresRow, &kPeriodRow })
        EnsureRow(connection, *row);
    if (settings.argon2id)
        WriteSetting(connection, kStorageRow,
            *settings.argon2id ? QString::fromLatin1(kPasswordStorageArgon2id) : QString());
    if (settings.lockAfter)
        WriteSetting(connection, kFailuresRow, QString::number(*settings.lockAfter));
    if (settings.lockSeconds)
        WriteSetting(connection, kPeriodRow, QString::number(*settings.lockSeconds));
}

StoredPasswordValues PasswordValues(Connection& connection, const QByteArray& password)
{
    if (password.isEmpty())
        return { QVariant(), QVariant() };
    if (HasPasswordHashColumn(connection) && StorageOn(connection)) {
        const tor::pswdsstr<16>& marker = ModernFormMarker();
        return { QString::fromLatin1(marker.data(), 16),
            QString::fromStdString(PasswordHash::Make(password.constData())) };
    }
    return { StoredPasswordText(password), QVariant() };
}

QStringList CheckLoginGuard(Connection& connection)
{
    QStringList problems;
    const bool column = HasPasswordHashColumn(connection);
    if (!column) {
        if (StorageOn(connection))
            problems << QStringLiteral("the setting %1 asks for Argon2id passwords, but Users has "
                                       "no column PasswordHash (run wardschema upgrade)")
                            .arg(QLatin1String(kPasswordStorageSetting));
        if (LoginThrottle::SettingNumber(
                Setting(connection, LoginThrottle::kFailuresSetting).toString().toStdString())
            > 0)
            problems << QStringLiteral("the setting %1 asks for throttling of failed logins, but "
                                       "the database cannot count them (run wardschema upgrade)")
                            .arg(QLatin1String(LoginThrottle::kFailuresSetting));
        return problems;
    }
    const QString marker = QString::fromLatin1(ModernFormMarker().data(), 16);
    const Rows rows = Select(connection,
        QStringLiteral("SELECT Name, Passwd, PasswordHash FROM Users WHERE PasswordHash IS NOT "
                       "NULL AND PasswordHash <> '' ORDER BY Name"));
    for (const QVariantList& row : rows.rows) {
        if (!PasswordHash::IsHash(row[2].toString().toStdString()))
            problems << QStringLiteral("user %1: PasswordHash holds no Argon2id string, so no "
                                       "password is accepted")
                            .arg(row[0].toString());
        else if (row[1].toString() != marker)
            problems << QStringLiteral("user %1: has an Argon2id password, but the legacy column "
                                       "Passwd still holds a password a library of the legacy "
                                       "form would accept")
                            .arg(row[0].toString());
    }
    return problems;
}

QStringList LegacyPasswordUsers(Connection& connection)
{
    if (!HasPasswordHashColumn(connection))
        return Names(connection, QStringLiteral("Passwd IS NOT NULL AND Passwd <> ''"));
    return Names(connection, QLatin1String(kLegacyCondition));
}

QStringList UsersWithoutPassword(Connection& connection)
{
    const QString noLegacy = QStringLiteral("(Passwd IS NULL OR Passwd = '')");
    if (!HasPasswordHashColumn(connection))
        return Names(connection, noLegacy);
    return Names(
        connection, noLegacy + QStringLiteral(" AND (PasswordHash IS NULL OR PasswordHash = '')"));
}

int ForcePasswordChange(Connection& connection)
{
    const QString condition = HasPasswordHashColumn(connection)
        ? QLatin1String(kLegacyCondition)
        : QStringLiteral("Passwd IS NOT NULL AND Passwd <> ''");
    return connection
        .Exec(QStringLiteral("UPDATE Users SET NoChPswdAtLogin = 0, AllowChangePswd = 1 WHERE %1")
                  .arg(condition))
        .numRowsAffected();
}

} // namespace Security::Schema
