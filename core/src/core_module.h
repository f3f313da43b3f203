#pragma once
// The core library's own application object (it owns every TSecurity and
// parents the library's dialogs and message boxes) and the module helpers
// shared by the core's sources.

#include <wardlock/platform/application.h>

#include <string>

namespace Security::detail {

WARDLOCK_MODULE_APPLICATION(Application)

// Caption of the core's own message boxes.
inline constexpr const char* kMessageCaption = "Wardlock";

// A C text as a string; null gives "".
inline std::string Text(const char* text)
{
    return text ? std::string(text) : std::string();
}

// Called after a data module has connected: arranges that every security's
// data module is given back (its connection closed) before Qt SQL is torn
// down at the end of the program, whether or not the user is logged out.
void ArrangeConnectionClosing();

// Loads the administration module ("wardkeeper5.dll") by the system's
// standard search (LD_LIBRARY_PATH, then the core's own folder, then the
// system folders; never the current directory); null when it is absent.
void* LoadAdminModule();

} // namespace Security::detail
