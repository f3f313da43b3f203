#pragma once
// Storing the administration account: the user name and password with which
// the administration module connects to the security database, kept in two
// settings rows. The tool reaches them through the parameter editor the core
// hands out for the modify key, writes the password in the encoded form the
// module decodes, and reads both rows back from the database afterwards, so
// that a refused or lost change is reported instead of passing silently.

#include <wardlock/pswdsstr.h>
#include <wardlock/rights.h>

#include <optional>
#include <string>

namespace Lockwright {

// The settings rows of the administration account.
inline constexpr const char* kAccountUserSetting = "ResNrk7a~d3nEge";
inline constexpr const char* kAccountPasswordSetting = "Res74hG^e5(dhF";
// The form whose Modify right allows changing database settings.
inline constexpr const char* kDesignForm = "SecProjecting";

// The key the core's parameter editor asks for, mixed afresh on each call
// and never kept.
tor::pswdsstr<16> ModifyKey();

// The password as the administration module reads it back: encoded with the
// module's account key. None when the encoded block holds a zero byte, which
// a text column cannot keep (the module would read a shorter block and
// connect with a wrong password).
std::optional<tor::pswdsstr<16>> EncodeAccountPassword(const std::string& password);

enum class StoreResult {
    Stored,
    // The user name or the password has more than 16 bytes.
    TooLong,
    // The password cannot be stored (its encoded form holds a zero byte).
    PasswordUnstorable,
    // No editor (nobody logged in, or the module failed), no Modify right on
    // the design form, or the rows read back differ from what was written.
    Refused,
};

// Stores `user` and `password` (UTF-8) as the administration account of the
// security `rights` is bound to. Nothing is written unless both can be
// stored; a change that did not reach the database answers Refused. Errors
// of the library or the administration module are shown by them or thrown.
StoreResult StoreAccount(
    Security::TSecRights& rights, const std::string& user, const std::string& password);

} // namespace Lockwright
