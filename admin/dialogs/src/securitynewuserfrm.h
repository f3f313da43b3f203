#pragma once
// The new-user dialog ("New user"): name, full name, the group to put him in
// (from the groups the administrator may add users to), and through
// "&Password ..." his password and five options. The options start as the
// administrator's own and never give the new user, with the chosen group,
// more than the administrator holds: they are limited before the password
// dialog opens and again on OK (the group may have changed since).

#include "loggeduser.h"
#include "passwdoptions.h"
#include "ui_securitynewuserfrm.h"

#include <wardlock/platform/form.h>
#include <wardlock/pswdsstr.h>

#include <string>

namespace vcl {
class TDataSet;
class TDataSource;
} // namespace vcl

namespace Security {

struct TNewUserData {
    std::string Name;
    std::string FullName;
    // The stored form.
    tor::pswdsstr<16> Passwd;
    int GroupID = 0;
    TUserOptions Options {};
};

class TSecurityNewUserFrm : public vcl::TForm, public Ui::TSecurityNewUserFrm {
    Q_OBJECT

public:
    // `groups`: fields "GroupID", "FullName", "Description" and the five
    // options as booleans ("AllowChangePswd", "AllowNullPasswd",
    // "NoChPswdAtLogin", "AccountEnabled", "PasswdControl"); its current
    // record is the chosen group.
    TSecurityNewUserFrm(vcl::TComponent* owner, TLoggedUser logged, vcl::TDataSource* groups);
    ~TSecurityNewUserFrm() override;

    // What was entered; complete after OK.
    TNewUserData Data() const;
    // The options as they stand (before OK they may still be limited).
    const TUserOptions& Options() const noexcept { return options_; }

public slots:
    void accept() override;

private:
    void PasswdBtnClick();
    void ShowGroupDescription();
    vcl::TDataSet* GroupsDataSet() const;
    // The chosen group's flags; a flag the dataset lacks counts as off.
    TOptionFlags SelectedGroupOptions() const;
    void LimitOptions();

    TLoggedUser logged_;
    tor::pswdsstr<16> passwd_;
    TUserOptions options_ {};
};

} // namespace Security
