#pragma once
// The administration fixture with one plain user: bob, in the group Clerks,
// whose policy lets him change his own password and forces nothing.

#include "admin_fixture.h"

namespace wardlock_test {

class ClerkTest : public AdminTest {
protected:
    void SetUp() override
    {
        AdminTest::SetUp();
        if (IsSkipped())
            return;
        GroupPolicy mayChange;
        mayChange.allowChangePswd = true;
        clerks = AddGroup("Clerks", mayChange);
        bob = AddUser("bob", clerks);
    }

    int clerks = 0;
    int bob = 0;
};

} // namespace wardlock_test
