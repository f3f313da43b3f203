#pragma once
// Database faults on demand for the administration cases: a trigger on every
// table the modules write fails the Nth write to the table named by
// InjectFault, so a statement sequence can be failed at each of its steps.

#include "secdb.h"

#include <string>

namespace wardlock_test {

// Creates the InjectedFault table and the triggers (once per database).
void InstallFaultTriggers(SecurityDb& db);
// Fails the `failAt`th write (counted from 1) to `table` from now on.
void InjectFault(SecurityDb& db, const char* table, int failAt);
// No write fails any more.
void HealFault(SecurityDb& db);
// Every row of the written tables, in key order, as text.
std::string Snapshot(SecurityDb& db);

} // namespace wardlock_test
