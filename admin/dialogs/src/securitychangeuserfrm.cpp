#include "securitychangeuserfrm.h"

#include "dialogchecks.h"
#include "securitychangepasswdfrm.h"

#include <wardlock/platform/dialogs.h>

namespace Security {

TSecurityChangeUserFrm::TSecurityChangeUserFrm(vcl::TComponent* owner, TLoggedUser logged)
    : vcl::TForm(owner)
    , logged_(logged)
{
    setupUi(this);
    connect(RemovePasswdBtn, &QPushButton::clicked, this,
        &TSecurityChangeUserFrm::RemovePasswdBtnClick);
    connect(ChangePasswdBtn, &QPushButton::clicked, this,
        &TSecurityChangeUserFrm::ChangePasswdBtnClick);
    connect(ClearLockBtn, &QPushButton::clicked, this, &TSecurityChangeUserFrm::ClearLockBtnClick);
    connect(OKBtn, &QPushButton::clicked, this, &TSecurityChangeUserFrm::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &TSecurityChangeUserFrm::reject);
    SetData({});
}

TSecurityChangeUserFrm::~TSecurityChangeUserFrm() = default;

void TSecurityChangeUserFrm::SetData(const TSecUserInfo& user)
{
    user_ = user;
    passwdChanged_ = false;
    UserName->setText(QString::fromStdString(user.Name.str()));
    FullName->setText(QString::fromStdString(user.FullName));
    const TSecUser& admin = logged_.User;
    const bool himself = user.UserID == admin.UserID;
    RemovePasswdBtn->setEnabled(admin.EffPasswdControl());
    ChangePasswdBtn->setEnabled(himself ? admin.EffAllowChangePswd() : admin.EffPasswdControl());
    SetLoginLock({});
}

void TSecurityChangeUserFrm::SetLoginLock(const std::string& lockEnd)
{
    lockCleared_ = false;
    LoginLock->setText(lockEnd.empty()
            ? tr("Not locked")
            : tr("Locked until %1 (UTC)")
                  .arg(QString::fromStdString(lockEnd).replace(u'T', u' ').remove(u'Z')));
    ClearLockBtn->setEnabled(!lockEnd.empty() && logged_.User.EffPasswdControl());
}

void TSecurityChangeUserFrm::ClearLockBtnClick()
{
    lockCleared_ = true;
    LoginLock->setText(tr("Cleared on OK"));
    ClearLockBtn->setEnabled(false);
}

TSecUserInfo TSecurityChangeUserFrm::Data() const
{
    TSecUserInfo user = user_;
    user.Name = tor::pswdsstr<16>(std::string_view(Utf8(UserName)));
    user.FullName = Utf8(FullName);
    return user;
}

void TSecurityChangeUserFrm::RemovePasswdBtnClick()
{
    user_.Passwd = logged_.Passwords.IntEncode("");
    passwdChanged_ = true;
}

void TSecurityChangeUserFrm::ChangePasswdBtnClick()
{
    TSecurityChangePasswdFrm dialog(this, logged_);
    dialog.SetUserMode(UserOptionsOf(user_), GroupOptionsOf(user_), user_.Passwd);
    if (dialog.ShowModal() != vcl::mrOk)
        return;
    user_.Passwd = dialog.EncodedPasswd();
    SetUserOptions(user_, dialog.UserOptions());
    passwdChanged_ = true;
}

void TSecurityChangeUserFrm::accept()
{
    if (CheckNames(this, UserName, FullName)
        && CheckTextLimits(this, { { UserName, kNameBytes }, { FullName, kFullNameBytes } }))
        vcl::TForm::accept();
}

} // namespace Security
