#pragma once
// The administration module's pair of texts for the key of the administration
// account's password, the settings row "Res74hG^e5(dhF" of SecurityParams.
// The creation tool (wardschema) encodes the password with this key and the
// administration module decodes it with the same key; both compile this one
// header in (CMake target wardadminkey). Not installed. Changing a value makes
// every stored administration password unreadable.

#include "keymix.h" // the core's key-mixing routine (header only)
#include "modifykey_texts.h" // kMixTable, the table of every module but valuepad

namespace Security::keytexts {

constexpr char kAdminAccountKeyFirst[] = "ukoknN-0^y9nKxz2";
constexpr char kAdminAccountKeySecond[] = "E(EdZ*luQ/<^P}m2";

static_assert(keymix::IsTextPair(kAdminAccountKeyFirst, kAdminAccountKeySecond, 16));
static_assert(
    keymix::MixKey(kAdminAccountKeyFirst, kAdminAccountKeySecond, kMixTable).length() == 16,
    "a zero byte inside the mixed key would shorten the administration key");

// The key, mixed afresh on each use and never stored.
inline tor::pswdsstr<16> AdminAccountKey() noexcept
{
    return keymix::MixKey(keymix::AtRunTime(kAdminAccountKeyFirst),
        keymix::AtRunTime(kAdminAccountKeySecond), kMixTable);
}

} // namespace Security::keytexts
