#pragma once
// The logged user's own password change and the forced change after login:
// the password dialog built from the running security's record. Both only
// collect; the caller stores the result (and puts it into the security).

#include "loggeduser.h"
#include "passwdoptions.h"

#include <wardlock/pswdsstr.h>

#include <optional>

namespace vcl {
class TComponent;
}

namespace Security {

struct TPasswdChange {
    // The stored form to keep (the old one when the password was left).
    tor::pswdsstr<16> Passwd;
    TUserOptions Options {};
};

// Shows the dialog in user mode with the logged user's password, options and
// group flags. Nothing is shown, and nothing returned, when his policy does
// not let him change his password; nothing is returned when he cancels.
std::optional<TPasswdChange> RunOwnPasswdChange(vcl::TComponent* owner, TLoggedUser logged);

// The same dialog, which cannot be cancelled, shown again (after message 90)
// for as long as the password stays what it was.
TPasswdChange RunForcedPasswdChange(vcl::TComponent* owner, TLoggedUser logged);

} // namespace Security
