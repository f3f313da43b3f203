#pragma once
// What the user, group and password dialogs need of the running security: the
// logged user's record (his options limit what he may grant) and the runtime
// data module, which encodes and checks passwords the way this security
// stores them.

#include <wardlock/datamodule.h>
#include <wardlock/types.h>

namespace Security {

class TSecurity;

struct TLoggedUser {
    const TSecUser& User;
    const TSecDModBaseFrm& Passwords;

    // The running security's; throws ESecExcept when it is not logged in.
    static TLoggedUser Of(const TSecurity& security);
};

} // namespace Security
