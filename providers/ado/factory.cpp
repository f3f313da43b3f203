// The library's one export, SecObjectFactory, and its registered classes.

#include "provider.h"

namespace {
const Security::TSecProviderClass registeredClasses[] = {
    { "ADO", &Security::MakeProvider<Security::ADODBProvider> },
};
} // namespace

WARDLOCK_PROVIDER_FACTORY(registeredClasses)
