#pragma once
// The two PostgreSQL roles of a security database: the runtime role, which
// may only read, and the administration role, whose password is stored
// (encoded) in the database for the administration module. Roles belong to
// the whole server and may serve other databases and programs, so an existing
// role is taken only when it is fit for its use, and is never changed unless
// the caller asks for it.

#include "security_db.h"

#include <QByteArray>
#include <QString>

namespace Security::Schema {

enum class RoleUse { Runtime, Administration };

// Whether `role` exists. Throws SchemaError when it exists but is unfit for
// `use`: it cannot log in, or it holds rights beyond its use (superuser,
// CREATEROLE, CREATEDB, BYPASSRLS, REPLICATION; for the runtime role also
// memberships of other roles and objects of its own).
bool CheckExistingRole(Connection& server, const QString& role, RoleUse use);

void CreateLoginRole(Connection& server, const QString& role, const QByteArray& password);
void SetRolePassword(Connection& server, const QString& role, const QByteArray& password);
// Best effort while reporting an earlier failure.
void DropRoleQuietly(Connection& server, const QString& role) noexcept;

} // namespace Security::Schema
