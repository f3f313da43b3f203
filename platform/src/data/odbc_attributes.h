#pragma once
// The user name and password in the connection string that Qt's ODBC driver
// hands to the driver manager: it appends ";UID=<user>;PWD=<password>" with
// the values as they stand, so a ';' in a password would add attributes of
// its own (another database, a library to load). ODBC's own quoting is braces
// with '}' doubled; not every driver reads them.

#include <QString>

#include <string>

namespace vcl::odbc {

// `value` as it may stand after "UID=" or "PWD=": braced when it holds ';'
// or starts with '{', otherwise unchanged (psqlODBC keeps braces as part of
// a user name, so they are used only where they are needed).
QString AttributeValue(const QString& value);

// Whether the driver of data source `dsn` reads a braced value as one value.
// Only drivers known to do so count: the SQLite drivers end a value at every
// ';', braces or not, and so does a driver that cannot be identified.
bool DriverReadsBraces(const std::string& dsn);

// `value`, the database `what` ("user name", "password") for data source
// `dsn`, written as above; throws EDatabaseError when it holds ';' and the
// driver cannot read it as one value.
QString CredentialValue(const std::string& dsn, const std::string& value, const char* what);

} // namespace vcl::odbc
