#include "loggeduser.h"

#include <wardlock/security.h>

namespace Security {

TLoggedUser TLoggedUser::Of(const TSecurity& security)
{
    const TSecDModFrm* dataModule = security.DataModule();
    if (!dataModule || !security.Logged())
        throw ESecExcept("The security " + security.Name() + " has no logged user.");
    return { security.User(), *dataModule };
}

} // namespace Security
