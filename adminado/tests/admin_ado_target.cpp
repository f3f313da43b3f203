// The administration cases through the ADO provider: securities on
// "Torvane:ADO:Vcl5" whose database is the example connection template
// naming an ODBC data source of the test database (SQLite3 driver, or
// psqlODBC on PostgreSQL); the modules come from its sibling wardkeeperado
// ("ADOAdm").

#include "admin_fixture.h"
#include "odbc_source.h"

#include <wardlock/data/ado.h>

namespace wardlock_test {

const AdminTarget& TestedAdminTarget()
{
    static const AdminTarget target { "AdmAdoAlias", "Torvane:ADO:Vcl5", "ADO",
        [](SecurityDb& db, const std::string&) { return AdoTemplate(AddOdbcSource(db)); },
        [](bool newLayout, bool cachedMode) {
            return std::string("LocalCursor=1, BatchUpdates=") + (cachedMode ? "1" : "0")
                + ", RecordsetStoredProcs=" + (newLayout ? "1" : "0");
        },
        [](Security::TSecDModSmpDlgBaseFrm& module) {
            using vcl::TADOConnection;
            ConnectionView view;
            auto* connection = dynamic_cast<TADOConnection*>(module.FindComponent("SecurityDlg"));
            if (!connection)
                return view;
            const std::string& text = connection->ConnectionString();
            view = { true, connection->Connected(),
                TADOConnection::ConnectionStringValue(text, "User ID"),
                TADOConnection::ConnectionStringValue(text, "Password"),
                TADOConnection::ConnectionStringValue(text, "Data Source") };
            return view;
        },
        false };
    return target;
}

} // namespace wardlock_test
