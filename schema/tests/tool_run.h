#pragma once
// Running the wardschema tool as a process, as its users run it, and the
// server-wide things its PostgreSQL cases name (roles, databases).

#include "security_db.h"

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace Security::Schema::Testing {

struct ToolRun {
    int exitCode = -1; // -1: crashed or did not finish
    qint64 pid = 0; // names the run's temporary files and databases
    QString out;
    QString err;
};

// Runs the tool with `arguments`; `input` is written to its standard input,
// `environment` replaces the inherited one when given.
ToolRun RunTool(const QStringList& arguments, const QByteArray& input = {},
    const QProcessEnvironment& environment = {});

// "host=.. port=.. dbname=.. user=.." for `dbname` on the server of `info`.
QString PgConnectionText(const PgConnInfo& info, const QString& dbname);

// A role name of this run: roles belong to the whole server, and several
// test programs may run at once.
QString RoleName(const char* prefix);

// Drops the roles a case made; the databases naming them must be gone first.
void DropRoles(const QStringList& roles);

bool DatabaseExists(const QString& name);

// The stored password (hash) of `role`, null when it has none; a role's
// password is unchanged exactly when this is.
QString StoredPassword(const QString& role);

} // namespace Security::Schema::Testing
