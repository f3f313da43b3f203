#include "securitychangepasswdfrm.h"

#include "dialogchecks.h"

#include <wardlock/platform/dialogs.h>

namespace Security {

TSecurityChangePasswdFrm::TSecurityChangePasswdFrm(vcl::TComponent* owner, TLoggedUser logged)
    : vcl::TForm(owner)
    , logged_(logged)
{
    setupUi(this);
    boxes_ = { AllowChange, NoNullPasswd, ChPasswd, Disabled, PasswdControl };
    for (TPasswdOption option : kPasswdOptions)
        boxes_[option]->CanChange
            = [this, option](Qt::CheckState next) { return CanChange(option, next); };
    connect(OKBtn, &QPushButton::clicked, this, &TSecurityChangePasswdFrm::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &TSecurityChangePasswdFrm::reject);
    SetUserMode({}, {}, stored_);
}

TSecurityChangePasswdFrm::~TSecurityChangePasswdFrm() = default;

tor::TFourStateCheckBox* TSecurityChangePasswdFrm::OptionBox(TPasswdOption option) const
{
    return boxes_[option];
}

void TSecurityChangePasswdFrm::SetUserMode(const TUserOptions& options,
    const TOptionFlags& groupOptions, const tor::pswdsstr<16>& stored, bool askOldPasswd)
{
    optionsMode_ = false;
    groupOptions_ = groupOptions;
    stored_ = stored;
    passwd_ = stored;
    const bool control = logged_.User.EffPasswdControl();
    for (TPasswdOption option : kPasswdOptions) {
        tor::TFourStateCheckBox* box = boxes_[option];
        box->setTristate(true);
        box->SetGrayedChecked(CheckedFor(option, groupOptions[option]));
        box->setCheckState(CheckStateOf(option, options[option]));
        box->setEnabled(control);
    }
    Passwd->setEnabled(askOldPasswd && !control);
    NewPasswd->setEnabled(true);
    SecondPasswd->setEnabled(true);
}

void TSecurityChangePasswdFrm::SetOptionsMode(const TOptionFlags& requested)
{
    optionsMode_ = true;
    const TOptionFlags shown = ClampToAdministrator(requested, EffectiveOptionsOf(logged_.User));
    const bool control = logged_.User.EffPasswdControl();
    for (TPasswdOption option : kPasswdOptions) {
        tor::TFourStateCheckBox* box = boxes_[option];
        box->setTristate(false);
        box->setChecked(CheckedFor(option, shown[option]));
        box->setEnabled(control);
    }
    for (QLineEdit* edit : { Passwd, NewPasswd, SecondPasswd })
        edit->setEnabled(false);
}

void TSecurityChangePasswdFrm::SetForced()
{
    forced_ = true;
    CancelBtn->setEnabled(false);
    setWindowFlag(Qt::WindowCloseButtonHint, false);
    tor::TFourStateCheckBox* box = boxes_[poNoChPswdAtLogin];
    if (box->ShownChecked())
        box->setCheckState(Qt::Unchecked);
}

void TSecurityChangePasswdFrm::ClearPasswords()
{
    for (QLineEdit* edit : { Passwd, NewPasswd, SecondPasswd })
        edit->clear();
}

TUserOptions TSecurityChangePasswdFrm::UserOptions() const
{
    TUserOptions options {};
    for (TPasswdOption option : kPasswdOptions)
        options[option] = ValueOf(option, boxes_[option]->checkState());
    return options;
}

TOptionFlags TSecurityChangePasswdFrm::GroupOptions() const
{
    TOptionFlags options {};
    for (TPasswdOption option : kPasswdOptions)
        options[option] = FlagOf(option, boxes_[option]->isChecked());
    return options;
}

bool TSecurityChangePasswdFrm::CanChange(TPasswdOption option, Qt::CheckState next)
{
    if (!WiderThanAdministrator(
            option, next, groupOptions_[option], EffectiveOptionsOf(logged_.User)))
        return true;
    ShowSecMessage(this, sWiderRights, sCaptionError, vcl::MB_ICONSTOP);
    return false;
}

bool TSecurityChangePasswdFrm::CheckPasswords()
{
    if (!CheckTextLimits(this,
            { { Passwd, kPasswdBytes }, { NewPasswd, kPasswdBytes },
                { SecondPasswd, kPasswdBytes } }))
        return false;
    if (NewPasswd->text() != SecondPasswd->text()) {
        ShowSecMessage(this, sPasswordsDiffer, sCaptionError, vcl::MB_ICONSTOP);
        SecondPasswd->setFocus();
        SecondPasswd->selectAll();
        return false;
    }
    // Without password control nobody may leave a password empty that his
    // own policy forbids, and he has to know the old one.
    const bool control = logged_.User.EffPasswdControl();
    if (NewPasswd->text().isEmpty() && !logged_.User.EffAllowNullPasswd() && !control) {
        ShowSecMessage(this, sPasswordEmpty, sCaptionError, vcl::MB_ICONSTOP);
        NewPasswd->setFocus();
        return false;
    }
    if (Passwd->text().isEmpty() && NewPasswd->text().isEmpty()) {
        passwd_ = stored_;
        return true;
    }
    if (!control && !logged_.Passwords.CheckPswd(Utf8(Passwd).c_str(), stored_)) {
        ShowSecMessage(this, sPasswordIncorrect, sCaptionError, vcl::MB_ICONSTOP);
        Passwd->setFocus();
        Passwd->selectAll();
        return false;
    }
    passwd_ = logged_.Passwords.IntEncode(Utf8(NewPasswd).c_str());
    return true;
}

void TSecurityChangePasswdFrm::accept()
{
    if (optionsMode_ || CheckPasswords())
        vcl::TForm::accept();
}

void TSecurityChangePasswdFrm::reject()
{
    if (!forced_)
        vcl::TForm::reject();
}

bool RunGroupOptions(vcl::TComponent* owner, TLoggedUser logged, TOptionFlags& options)
{
    TSecurityChangePasswdFrm dialog(owner, logged);
    dialog.SetOptionsMode(options);
    if (dialog.ShowModal() != vcl::mrOk)
        return false;
    options = dialog.GroupOptions();
    return true;
}

} // namespace Security
