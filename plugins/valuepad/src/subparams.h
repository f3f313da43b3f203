#pragma once
// The plug-in's own application object and the five sub-parameters a
// parameter of its type keeps, in the order every operation visits them.

#include <wardlock/platform/application.h>

namespace Valuepad {

WARDLOCK_MODULE_APPLICATION(Application)

struct TSubParam {
    const char* name;
    const char* fullNameSuffix;
    const char* description;
};

inline constexpr TSubParam kSubParams[] = {
    { "Surnm", " - Surname", "Internal[Valuepad] - Surname" },
    { "Name", " - Name", "Internal[Valuepad] - Name" },
    { "Strt", " - Street", "Internal[Valuepad] - Street" },
    { "House", " - House", "Internal[Valuepad] - House" },
    { "Place", " - Place", "Internal[Valuepad] - Place" },
};

// Every field holds at most this many bytes (UTF-8).
inline constexpr int kFieldBytes = 16;

} // namespace Valuepad
