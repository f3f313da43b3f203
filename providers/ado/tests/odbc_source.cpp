#include "odbc_source.h"

#include "sandbox.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace wardlock_test {

std::string AddOdbcSource(const SecurityDb& db)
{
    static int count = 0;
    const std::string file = SandboxFolder() + "/odbc.ini";
    // unixODBC reads the file at every connect, so sources may be added as
    // the run goes on.
    setenv("ODBCINI", file.c_str(), 1);
    const std::string name = "WardAdoTest" + std::to_string(++count);
    std::ofstream ini(file, std::ios::app);
    ini << "[" << name << "]\n";
    if (db.engine() == Engine::SQLite) {
        ini << "Driver=SQLite3\nDatabase=" << db.database() << "\nTimeout=5000\n";
    } else {
        ini << "Driver=PostgreSQL Unicode\nServername=" << std::getenv("WARDLOCK_PG_HOST")
            << "\nPort=" << std::getenv("WARDLOCK_PG_PORT") << "\nDatabase=" << db.database()
            << "\nBoolsAsChar=0\n"; // booleans as booleans, not "1"/"0" text
    }
    ini << "\n";
    if (!ini)
        throw std::runtime_error("cannot write " + file);
    return name;
}

std::string AdoTemplate(const std::string& dsn)
{
    return "Provider=MSDASQL.1;Persist Security Info=True;User ID=%s;Password=%s;Data Source="
        + dsn;
}

} // namespace wardlock_test
