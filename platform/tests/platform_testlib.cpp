// A tiny library that the library tests load at run time by file name.

#include "wardlock/platform/application.h"

namespace wardtest {
// Same accessor name as the test program's: each must get its own object.
WARDLOCK_MODULE_APPLICATION(ModuleApplication)
} // namespace wardtest

extern "C" int WardTestAnswer()
{
    return 42;
}

extern "C" void* WardTestModuleApplication()
{
    return &wardtest::ModuleApplication();
}
