// The administration cases through the BDE provider: securities on
// "Torvane:BDE" whose database is the test database's alias; the modules
// come from its sibling wardkeeperbde ("BDEAdm").

#include "admin_fixture.h"

namespace wardlock_test {

const AdminTarget& TestedAdminTarget()
{
    static const AdminTarget target { "AdmBdeAlias", "Torvane:BDE", "BDE",
        [](SecurityDb&, const std::string& alias) { return alias; },
        [](bool newLayout, bool cachedMode) {
            return std::string("RecordsetStoredProcs=") + (newLayout ? "1" : "0")
                + ", CachedUpdates=" + (cachedMode ? "1" : "0") + ", BDESQLParams=0";
        } };
    return target;
}

} // namespace wardlock_test
