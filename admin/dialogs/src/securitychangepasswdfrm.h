#pragma once
// The password and password-options dialog ("Password change"). In user mode
// it edits a user's password (three edits) and his five options (four-state
// boxes: grayed takes the group's value); in options mode it edits a group's
// five options (two-state boxes). Either way a box cannot be changed to grant
// more than the logged user holds (message 96), and OK checks the password
// rules: the confirmation (92), an empty password (95), the old password of a
// user without password control (93), and that each fits its 16 bytes.
//
// The dialog keeps the stored form of the password it was given; after OK,
// EncodedPasswd() is the new stored form, or the given one when both the old
// and the new password were left empty.

#include "loggeduser.h"
#include "passwdoptions.h"
#include "ui_securitychangepasswdfrm.h"

#include <wardlock/platform/form.h>
#include <wardlock/pswdsstr.h>

#include <array>

namespace Security {

class TSecurityChangePasswdFrm : public vcl::TForm, public Ui::TSecurityChangePasswdFrm {
    Q_OBJECT

public:
    TSecurityChangePasswdFrm(vcl::TComponent* owner, TLoggedUser logged);
    ~TSecurityChangePasswdFrm() override;

    // User mode: the user's options, his group's flags (shown while a box is
    // grayed) and his stored password. The old-password edit is offered only
    // when `askOldPasswd` and the logged user must prove it (he has no
    // password control).
    void SetUserMode(const TUserOptions& options, const TOptionFlags& groupOptions,
        const tor::pswdsstr<16>& stored, bool askOldPasswd = true);
    // Options mode: a group's flags, each shown within the logged user's
    // limit; the password edits are disabled and OK checks no password.
    void SetOptionsMode(const TOptionFlags& requested);
    // The forced change after login: the dialog cannot be cancelled (Cancel
    // is disabled, Escape and closing the window do nothing), and "&User has
    // to change password at next login" is cleared when it would apply.
    void SetForced();
    bool Forced() const noexcept { return forced_; }
    // Empties the three password edits (before the dialog is shown again).
    void ClearPasswords();

    // The stored password given, and the one to store after OK.
    const tor::pswdsstr<16>& StoredPasswd() const noexcept { return stored_; }
    const tor::pswdsstr<16>& EncodedPasswd() const noexcept { return passwd_; }
    TUserOptions UserOptions() const;
    TOptionFlags GroupOptions() const;

    // The box of an option.
    tor::TFourStateCheckBox* OptionBox(TPasswdOption option) const;

public slots:
    void accept() override;
    void reject() override;

private:
    bool CheckPasswords();
    bool CanChange(TPasswdOption option, Qt::CheckState next);

    TLoggedUser logged_;
    std::array<tor::TFourStateCheckBox*, 5> boxes_ {};
    TOptionFlags groupOptions_ {};
    tor::pswdsstr<16> stored_;
    tor::pswdsstr<16> passwd_;
    bool optionsMode_ = false;
    bool forced_ = false;
};

// "&Password options ..." of the group dialogs: the dialog in options mode
// for `options`; true (and `options` taken over) when it ends with OK.
bool RunGroupOptions(vcl::TComponent* owner, TLoggedUser logged, TOptionFlags& options);

} // namespace Security
