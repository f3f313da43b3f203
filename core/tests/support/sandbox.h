#pragma once
// Test programs of the core and the providers run inside a sandbox: the test
// main writes the provider table into settings folders of its own and starts
// the program again with the settings pointed there, because the core reads
// the table once, when it is loaded. The same run also puts the folder of the
// fake administration module first on the library search path, unless the
// environment holds WARDLOCK_TEST_REAL_KEEPER (programs that test the real
// administration module through the core).

#include <functional>
#include <string>

namespace wardlock_test {

// The sandbox folder of this run (settings, SQLite files).
const std::string& SandboxFolder();

// Writes the alias `name` into the system settings (Driver, Database, and
// Host/Port when given).
void WriteAlias(const std::string& name, const std::string& driver, const std::string& database,
    const std::string& host = {}, int port = 0);

// Runs `cleanup` when the tests are done, while the application object (and
// so Qt's database drivers) still exists.
void AtTestsEnd(std::function<void()> cleanup);

} // namespace wardlock_test
