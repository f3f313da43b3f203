#pragma once
// Turns a security database the tool made into one as earlier versions of the
// tool made them, without password storage and throttling: the statements
// that remove the column Users.PasswordHash, the table and view of
// throttling, its procedures and its settings rows. Header only: the core's
// tests run the same statements through their own connection.

#include <string>
#include <vector>

namespace Security::Schema::Testing {

inline std::vector<std::string> LegacyDatabaseStatements(bool sqlite)
{
    std::vector<std::string> statements = {
        "ALTER TABLE Users DROP COLUMN PasswordHash",
        "DROP VIEW LoginThrottleSettings",
        "DROP TABLE LoginFailures",
        "DELETE FROM SecurityParams WHERE Name IN ('PasswordStorage', 'LockAfterFails', "
        "'LockSeconds')",
    };
    if (sqlite) {
        statements.push_back("DELETE FROM SecProcedureSteps WHERE Name IN ('LoginLocked', "
                             "'RecordLoginFailure', 'ClearLoginLock')");
        statements.push_back("DELETE FROM SecProcedures WHERE Name IN ('LoginLocked', "
                             "'RecordLoginFailure', 'ClearLoginLock')");
    } else {
        statements.push_back("DROP FUNCTION LoginLocked(text), RecordLoginFailure(text), "
                             "ClearLoginLock(integer)");
    }
    return statements;
}

} // namespace Security::Schema::Testing
