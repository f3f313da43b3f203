#pragma once
// ODBC data sources for tests: each security database gets a data source of
// its own in a DSN file of the test run (the file named by ODBCINI), through
// the SQLite3 driver or the "PostgreSQL Unicode" driver.

#include "secdb.h"

#include <string>

namespace wardlock_test {

// Adds a data source for `db` and returns its name.
std::string AddOdbcSource(const SecurityDb& db);

// The example connection template with `dsn` as its data source.
std::string AdoTemplate(const std::string& dsn);

} // namespace wardlock_test
