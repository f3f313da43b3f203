// The library's one export, SecObjectFactory, and its registered classes.

#include "provider.h"

namespace {
const Security::TSecProviderClass registeredClasses[] = {
    { "BDEAdm", &Security::MakeProvider<Security::BDEAdmDBProvider> },
};
} // namespace

WARDLOCK_PROVIDER_FACTORY(registeredClasses)
