#pragma once
// The core's pair of texts for the built-in password key and the fallback
// stored form. Private to the core (not installed); the core's tests include
// it to recompute stored forms independently. Changing a value changes every
// stored password: existing databases would refuse all their users.

#include "keymix.h"
#include "modifykey_texts.h"

namespace Security::keytexts {

constexpr char kPasswordKeyFirst[] = "wxG~K|<e#Lh$@APQ";
constexpr char kPasswordKeySecond[] = "fX|'i4+BC#r]Crr3";

// The stored form when every searched variant holds a zero byte.
constexpr char kStoredFormFallback[] = "E6}&9z^Wi=_eOt~[";

static_assert(keymix::IsTextPair(kPasswordKeyFirst, kPasswordKeySecond, 16));
static_assert(keymix::MixKey(kPasswordKeyFirst, kPasswordKeySecond, kMixTable).length() == 16,
    "a zero byte inside the mixed key would weaken the password key");
static_assert(sizeof(kStoredFormFallback) == 17);

// The built-in password key, mixed afresh on each use and never kept.
inline tor::pswdsstr<16> BuiltInPasswordKey() noexcept
{
    return keymix::MixKey(
        keymix::AtRunTime(kPasswordKeyFirst), keymix::AtRunTime(kPasswordKeySecond), kMixTable);
}

} // namespace Security::keytexts
