#include "securitynewuserfrm.h"

#include "dialogchecks.h"
#include "securitychangepasswdfrm.h"

#include <wardlock/data/dataset.h>
#include <wardlock/platform/dialogs.h>

namespace Security {

TSecurityNewUserFrm::TSecurityNewUserFrm(
    vcl::TComponent* owner, TLoggedUser logged, vcl::TDataSource* groups)
    : vcl::TForm(owner)
    , logged_(logged)
    , passwd_(logged.Passwords.IntEncode(""))
    , options_(UserOptionsOf(logged.User))
{
    setupUi(this);
    Groups->SetColumns({ { "FullName", "Full name", true } });
    Groups->SetReadOnly(true);
    Groups->SetRowSelect(true);
    Groups->SetDataSource(groups);
    connect(Groups, &tor::TTorDBGrid::currentRecordChanged, this,
        &TSecurityNewUserFrm::ShowGroupDescription);
    connect(PasswdBtn, &QPushButton::clicked, this, &TSecurityNewUserFrm::PasswdBtnClick);
    connect(OKBtn, &QPushButton::clicked, this, &TSecurityNewUserFrm::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &TSecurityNewUserFrm::reject);
    ShowGroupDescription();
}

TSecurityNewUserFrm::~TSecurityNewUserFrm() = default;

vcl::TDataSet* TSecurityNewUserFrm::GroupsDataSet() const
{
    vcl::TDataSet* groups = Groups->DataSet();
    return groups && groups->Active() && !groups->IsEmpty() ? groups : nullptr;
}

void TSecurityNewUserFrm::ShowGroupDescription()
{
    const vcl::TDataSet* groups = GroupsDataSet();
    const vcl::TField* field = groups ? groups->FindField("Description") : nullptr;
    Description->setPlainText(field ? QString::fromStdString(field->AsString()) : QString());
}

TOptionFlags TSecurityNewUserFrm::SelectedGroupOptions() const
{
    TOptionFlags flags {};
    if (const vcl::TDataSet* groups = GroupsDataSet())
        for (TPasswdOption option : kPasswdOptions)
            if (const vcl::TField* field = groups->FindField(ViewOf(option).groupField))
                flags[option] = !field->IsNull() && field->AsBoolean();
    return flags;
}

void TSecurityNewUserFrm::LimitOptions()
{
    options_
        = ClampToAdministrator(options_, SelectedGroupOptions(), EffectiveOptionsOf(logged_.User));
}

void TSecurityNewUserFrm::PasswdBtnClick()
{
    LimitOptions();
    TSecurityChangePasswdFrm dialog(this, logged_);
    dialog.SetUserMode(options_, SelectedGroupOptions(), passwd_, false);
    if (dialog.ShowModal() != vcl::mrOk)
        return;
    passwd_ = dialog.EncodedPasswd();
    options_ = dialog.UserOptions();
}

TNewUserData TSecurityNewUserFrm::Data() const
{
    TNewUserData data;
    data.Name = Utf8(UserName);
    data.FullName = Utf8(FullName);
    data.Passwd = passwd_;
    if (const vcl::TDataSet* groups = GroupsDataSet())
        if (const vcl::TField* id = groups->FindField("GroupID"))
            data.GroupID = id->AsInteger();
    data.Options = options_;
    return data;
}

void TSecurityNewUserFrm::accept()
{
    if (!CheckNames(this, UserName, FullName)
        || !CheckTextLimits(this, { { UserName, kNameBytes }, { FullName, kFullNameBytes } }))
        return;
    if (!GroupsDataSet()) {
        ShowSecMessage(this, sNoGroupForNewUser, sCaptionInformation, vcl::MB_ICONEXCLAMATION);
        return;
    }
    LimitOptions();
    vcl::TForm::accept();
}

} // namespace Security
