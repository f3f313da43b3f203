#include "odbc_attributes.h"

#include "wardlock/data/db.h"

#include <QFileInfo>

#include <odbcinst.h>

#include <array>

namespace vcl::odbc {

namespace {

// Driver libraries verified to read "{...}" (with "}}" for '}') as one value.
constexpr std::array kBraceReadingDrivers = { "psqlodbcw.so", "psqlodbca.so" };

// One entry of the ODBC configuration, as the driver manager reads it (the
// file named by ODBCINI, ~/.odbc.ini, then the system's).
std::string ProfileValue(const std::string& section, const char* entry, const char* file)
{
    std::array<char, 1024> buffer {};
    const int length = SQLGetPrivateProfileString(
        section.c_str(), entry, "", buffer.data(), static_cast<int>(buffer.size()), file);
    return length > 0 ? std::string(buffer.data()) : std::string();
}

// The driver library of a data source, looked up the way the driver manager
// does: "Driver" names a library or an entry of odbcinst.ini.
std::string DriverLibrary(const std::string& dsn)
{
    std::string driver = ProfileValue(dsn, "Driver64", "odbc.ini");
    if (driver.empty())
        driver = ProfileValue(dsn, "Driver", "odbc.ini");
    if (driver.empty() || driver.front() == '/')
        return driver;
    std::string library = ProfileValue(driver, "Driver64", "odbcinst.ini");
    if (library.empty())
        library = ProfileValue(driver, "Driver", "odbcinst.ini");
    return library;
}

} // namespace

QString AttributeValue(const QString& value)
{
    if (!value.contains(u';') && !value.startsWith(u'{'))
        return value;
    QString braced = value;
    braced.replace(u'}', QStringLiteral("}}"));
    return u'{' + braced + u'}';
}

bool DriverReadsBraces(const std::string& dsn)
{
    const QString library = QFileInfo(QString::fromStdString(DriverLibrary(dsn))).fileName();
    for (const char* known : kBraceReadingDrivers)
        if (library == QLatin1String(known))
            return true;
    return false;
}

QString CredentialValue(const std::string& dsn, const std::string& value, const char* what)
{
    if (value.find(';') != std::string::npos && !DriverReadsBraces(dsn))
        throw EDatabaseError(std::string("The ODBC driver of data source '") + dsn
            + "' cannot take a ';' in the database " + what);
    return AttributeValue(QString::fromStdString(value));
}

} // namespace vcl::odbc
