#pragma once
// What the benchmarks that load Wardlock's libraries share: a sandbox of
// settings folders (the core reads the provider table when it is loaded, so
// the program writes the folders and starts itself again inside them),
// statements that fill databases, and security databases made by wardschema
// and reached through an alias.

#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <functional>
#include <string>

namespace bench {

// The password wardschema gives "admin".
inline constexpr const char* kAdminPassword = "Adm1nPass";

// The sandbox folder of this run; empty until RunInSandbox started the
// program again.
std::string SandboxFolder();

// Writes settings folders with the provider table ("Torvane:BDE"), starts
// this program again inside them, removes them and returns its exit status.
int RunInSandbox(char** argv);

// The main program of a benchmark that loads the libraries: outside the
// sandbox, RunInSandbox; inside it, the registered benchmarks, then
// `beforeTeardown`, then every security is destroyed while the application
// (and so the database drivers) still exists.
int Main(int argc, char** argv, const std::function<void()>& beforeTeardown = {});

// Prepares and runs `sql` with `values` bound in order; throws on failure.
void Exec(QSqlQuery& query, const QString& sql, const QVariantList& values = {});

// Creates the SQLite security database `file` with wardschema.
void CreateSecurityDb(const std::string& file);

// Names `file` (an SQLite database) as alias `alias` in the sandbox settings.
void AddSqliteAlias(const std::string& alias, const std::string& file);

} // namespace bench
