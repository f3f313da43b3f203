// The administration cases through the BDE provider: securities on
// "Torvane:BDE" whose database is the test database's alias; the modules
// come from its sibling wardkeeperbde ("BDEAdm").

#include "admin_fixture.h"

#include <wardlock/data/connection.h>

namespace wardlock_test {

const AdminTarget& TestedAdminTarget()
{
    static const AdminTarget target { "AdmBdeAlias", "Torvane:BDE", "BDE",
        [](SecurityDb&, const std::string& alias) { return alias; },
        [](bool newLayout, bool cachedMode) {
            return std::string("RecordsetStoredProcs=") + (newLayout ? "1" : "0")
                + ", CachedUpdates=" + (cachedMode ? "1" : "0") + ", BDESQLParams=0";
        },
        [](Security::TSecDModSmpDlgBaseFrm& module) {
            ConnectionView view;
            auto* database = dynamic_cast<vcl::TDatabase*>(module.FindComponent("SecurityDlg"));
            if (!database)
                return view;
            view = { true, database->Connected(), database->Params().Values("USER NAME"),
                database->Params().Values("PASSWORD"), database->AliasName() };
            return view;
        },
        true };
    return target;
}

} // namespace wardlock_test
