#pragma once
// The change-user dialog ("User name change"): a user's name and full name,
// and his password and options through "&Change password ..." (the logged
// user himself, when his policy lets him change his password, or anyone with
// password control for another user) or "&Remove password" (password control
// only), which stores the stored form of the empty password.

#include "loggeduser.h"
#include "passwdoptions.h"
#include "ui_securitychangeuserfrm.h"

#include <wardlock/keeper/adminrecords.h>
#include <wardlock/platform/form.h>

namespace Security {

class TSecurityChangeUserFrm : public vcl::TForm, public Ui::TSecurityChangeUserFrm {
    Q_OBJECT

public:
    TSecurityChangeUserFrm(vcl::TComponent* owner, TLoggedUser logged);
    ~TSecurityChangeUserFrm() override;

    // Fills the dialog from the user's record and sets the password buttons.
    void SetData(const TSecUserInfo& user);
    // The record given, with the name, full name, password and options
    // entered.
    TSecUserInfo Data() const;
    bool PasswdChanged() const noexcept { return passwdChanged_; }
    // The end of the user's failed-login lock (the data module's
    // LoginLockEnd; empty: not locked). With password control the
    // administrator may clear it; the caller clears it on OK when
    // LoginLockCleared().
    void SetLoginLock(const std::string& lockEnd);
    bool LoginLockCleared() const noexcept { return lockCleared_; }

public slots:
    void accept() override;

private:
    void RemovePasswdBtnClick();
    void ChangePasswdBtnClick();
    void ClearLockBtnClick();

    TLoggedUser logged_;
    TSecUserInfo user_;
    bool passwdChanged_ = false;
    bool lockCleared_ = false;
};

} // namespace Security
