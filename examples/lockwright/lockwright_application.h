#pragma once
// The tool's own application object: owner of its message boxes (the main
// window) and their caption.

#include <wardlock/platform/application.h>

namespace Lockwright {
WARDLOCK_MODULE_APPLICATION(Application)
} // namespace Lockwright
