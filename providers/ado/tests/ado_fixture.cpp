// The shared login and rights cases (written against BdeTest in
// providers/bde/tests) run a second time through the ADO provider: the
// fixture registers its securities on "Torvane:ADO:Vcl5" with the example
// connection template naming an ODBC data source of the test's own database
// (SQLite3 driver, or psqlODBC on PostgreSQL). The alias the fixture also
// writes stays for the cases that name the BDE provider themselves.

#include "bde_fixture.h"
#include "odbc_source.h"

namespace wardlock_test {

const FixtureTarget& TestedTarget()
{
    static const FixtureTarget target { "AdoTestAlias", "Torvane:ADO:Vcl5", "ADO",
        "LocalCursor=1, BatchUpdates=1",
        [](SecurityDb& db, const std::string&) { return AdoTemplate(AddOdbcSource(db)); } };
    return target;
}

} // namespace wardlock_test
