#pragma once
// Password storage (Argon2id strings in Users.PasswordHash) and failed-login
// throttling in a security database, as the tool creates, upgrades and
// checks them. Both are switched on by settings rows of SecurityParams; a
// database without them behaves as it always did.

#include "security_db.h"

#include <QByteArray>
#include <QStringList>
#include <QVariant>

#include <optional>

namespace Security::Schema {

// Settings to write; an unset one keeps the database's value (or, for a
// row the database lacks, its "off" value).
struct LoginGuardSettings {
    std::optional<bool> argon2id; // "PasswordStorage": argon2id, or empty
    std::optional<int> lockAfter; // "LockAfterFails": 0 = no throttling
    std::optional<int> lockSeconds; // "LockSeconds": > 0
};

// Throws SchemaError for values the database's procedures would not read.
void ValidateLoginGuardSettings(const LoginGuardSettings& settings);

// Whether the column, the table, the view and the procedures are all there.
bool HasLoginGuard(Connection& connection);
// Adds what is missing of them (the column only when it is missing; the
// scripts' statements may run again). False when nothing was missing.
bool AddLoginGuard(Connection& connection);
// PostgreSQL: the read-only roles may ask whether a name is locked and count
// failures (through the procedure that runs with the owner's rights), and
// write nothing; the administration roles may also clear locks.
void GrantLoginGuard(
    Connection& connection, const QStringList& runtimeRoles, const QStringList& adminRoles);
// Makes sure the three settings rows exist (shown in the administration's
// settings page) and writes the given values.
void ApplyLoginGuardSettings(Connection& connection, const LoginGuardSettings& settings);

// The values of Users.Passwd and Users.PasswordHash for a user's password,
// in the form the database's setting asks for.
struct StoredPasswordValues {
    QVariant passwd;
    QVariant hash;
};
StoredPasswordValues PasswordValues(Connection& connection, const QByteArray& password);

// What is wrong with password storage and throttling: a setting that asks for
// what the database lacks, Argon2id strings that are none, or whose legacy
// column an older library would still accept a password against.
QStringList CheckLoginGuard(Connection& connection);
// Users whose password is still in the legacy form, by name.
QStringList LegacyPasswordUsers(Connection& connection);
// Users without any password (they log in with every password), by name.
QStringList UsersWithoutPassword(Connection& connection);
// Makes the users still on the legacy form change their password at the
// next login (the policy options "has to change password at next login" and
// "may change password" set on the user); the number of users.
int ForcePasswordChange(Connection& connection);

} // namespace Security::Schema
