#pragma once
// The environment the example programs expect, made once per test run in a
// folder of its own (as scripts/demo.sh makes it under build/): a demo
// security database, the provider table and the alias "WardDemo2" in the
// system settings, and the ODBC data source "WardDemo" in a DSN file named by
// ODBCINI. The test main builds it and runs the tests again inside it, since
// the core reads the provider table once, when it is loaded.

#include <QProcessEnvironment>

#include <string>

namespace examples_test {

// The run's folder (empty before the environment is made).
const std::string& RunFolder();
// The demo database file.
std::string DemoDatabase();
// Passwords the demo database gives its users.
inline constexpr const char* kAdminPassword = "Adm1nPass";

// Writes a settings folder at `folder` with the provider table and the alias
// "WardDemo2" pointing at `database`.
void WriteProgramSettings(const std::string& folder, const std::string& database);

// An environment for running a program of the build: this run's variables
// with the system settings at `settingsFolder` and the offscreen platform.
QProcessEnvironment ProgramEnvironment(const std::string& settingsFolder);

} // namespace examples_test
