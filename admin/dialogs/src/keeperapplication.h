#pragma once
// The administration module's own application object: the exports hand it
// the host's main window, so every dialog and message box of the module is
// owned by the host.

#include <wardlock/platform/application.h>

namespace Security {
WARDLOCK_MODULE_APPLICATION(KeeperApplication)
} // namespace Security
