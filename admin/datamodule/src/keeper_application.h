#pragma once
// The administration module's own application object: the exports that the
// core calls hand it the host's window, and it parents every dialog and
// message box of the module (forms owned by it follow that window).

#include <wardlock/platform/application.h>

namespace Security::keeper {

WARDLOCK_MODULE_APPLICATION(Application)

} // namespace Security::keeper
