// The library's one export, SecObjectFactory, and its registered classes.

#include "provider.h"

namespace {
const Security::TSecProviderClass registeredClasses[] = {
    { "ADOAdm", &Security::MakeProvider<Security::ADOAdmDBProvider> },
};
} // namespace

WARDLOCK_PROVIDER_FACTORY(registeredClasses)
