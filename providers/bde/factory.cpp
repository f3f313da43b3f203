// The library's one export, SecObjectFactory, and its registered classes.

#include "provider.h"

namespace {
const Security::TSecProviderClass registeredClasses[] = {
    { "BDE", &Security::MakeProvider<Security::BDEDBProvider> },
};
} // namespace

WARDLOCK_PROVIDER_FACTORY(registeredClasses)
