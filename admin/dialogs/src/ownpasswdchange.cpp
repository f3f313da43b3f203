#include "ownpasswdchange.h"

#include "dialogchecks.h"
#include "securitychangepasswdfrm.h"

#include <wardlock/platform/dialogs.h>

namespace Security {

namespace {

void ShowForUser(TSecurityChangePasswdFrm& dialog, const TSecUser& user)
{
    dialog.SetUserMode(UserOptionsOf(user), GroupOptionsOf(user), user.Passwd);
}

} // namespace

std::optional<TPasswdChange> RunOwnPasswdChange(vcl::TComponent* owner, TLoggedUser logged)
{
    if (!logged.User.EffAllowChangePswd())
        return std::nullopt;
    TSecurityChangePasswdFrm dialog(owner, logged);
    ShowForUser(dialog, logged.User);
    if (dialog.ShowModal() != vcl::mrOk)
        return std::nullopt;
    return TPasswdChange { dialog.EncodedPasswd(), dialog.UserOptions() };
}

TPasswdChange RunForcedPasswdChange(vcl::TComponent* owner, TLoggedUser logged)
{
    TSecurityChangePasswdFrm dialog(owner, logged);
    ShowForUser(dialog, logged.User);
    dialog.SetForced();
    for (;;) {
        // Only an accepted run with another password ends it; a run ended any
        // other way (the window system) counts as unchanged.
        if (dialog.ShowModal() == vcl::mrOk && dialog.EncodedPasswd() != dialog.StoredPasswd())
            return TPasswdChange { dialog.EncodedPasswd(), dialog.UserOptions() };
        ShowSecMessage(&dialog, sSamePassword, sCaptionError, vcl::MB_ICONSTOP);
        dialog.ClearPasswords();
    }
}

} // namespace Security
