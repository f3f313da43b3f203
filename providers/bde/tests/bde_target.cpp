// The BDE provider's own test program: securities on "Torvane:BDE" whose
// database is the test database's alias.

#include "bde_fixture.h"

namespace wardlock_test {

const FixtureTarget& TestedTarget()
{
    static const FixtureTarget target { "BdeTestAlias", "Torvane:BDE", "BDE", kDemoOptions,
        [](SecurityDb&, const std::string& alias) { return alias; } };
    return target;
}

} // namespace wardlock_test
