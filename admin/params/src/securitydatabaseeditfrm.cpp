#include "securitydatabaseeditfrm.h"

#include "databasetype.h"
#include "dialogchecks.h"
#include "keeper_application.h"

#include <wardlock/keeper/parameditor.h>
#include <wardlock/platform/dialogs.h>

#include <string_view>

namespace Security {

TSecurityDatabaseEditFrm::TSecurityDatabaseEditFrm(vcl::TComponent* owner, TSecSmpParamEd* context)
    : vcl::TForm(owner)
    , context_(context)
{
    setupUi(this);
    // A fixed dialog without system buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    connect(OKBtn, &QPushButton::clicked, this, &TSecurityDatabaseEditFrm::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &TSecurityDatabaseEditFrm::reject);
    const char* value = static_cast<const char*>(context_->Data);
    DatabaseName->setText(QString::fromUtf8(value ? value : ""));
    UserName->setText(QString::fromUtf8(context_->GetSubParam(DatabaseType::kUserSub).c_str()));
}

TSecurityDatabaseEditFrm::~TSecurityDatabaseEditFrm() = default;

tor::pswdsstr<16> TSecurityDatabaseEditFrm::Value() const
{
    return tor::pswdsstr<16>(std::string_view(Utf8(DatabaseName)));
}

void TSecurityDatabaseEditFrm::accept()
{
    if (!CheckTextLimits(this,
            { { DatabaseName, kNameBytes }, { UserName, kNameBytes }, { Passwd, kPasswdBytes },
                { NewPasswd, kPasswdBytes }, { SecondPasswd, kPasswdBytes } }))
        return;
    try {
        if (Store())
            vcl::TForm::accept();
    } catch (const std::exception& error) {
        keeper::Application().ShowException(error);
    }
}

bool TSecurityDatabaseEditFrm::Store()
{
    if (NewPasswd->text() != SecondPasswd->text()) {
        ShowSecMessage(this, sPasswordsDiffer, sCaptionError, vcl::MB_ICONWARNING);
        NewPasswd->setFocus();
        return false;
    }
    if (!Passwd->text().isEmpty() || !NewPasswd->text().isEmpty()) {
        const tor::pswdsstr<16> stored = context_->GetPswdSubParam(DatabaseType::kPasswdSub);
        // A parameter without a stored password accepts any old password.
        if (!stored.empty() && DatabaseType::StoredPassword(*context_, Utf8(Passwd)) != stored) {
            ShowSecMessage(this, sPasswordIncorrect, sCaptionError, vcl::MB_ICONWARNING);
            Passwd->setFocus();
            return false;
        }
        const auto newStored = DatabaseType::StoredPassword(*context_, Utf8(NewPasswd));
        if (!newStored) {
            ShowSecMessage(this, sPasswordHoldsZero, sCaptionError, vcl::MB_ICONWARNING);
            NewPasswd->setFocus();
            return false;
        }
        context_->SetPswdSubParam(DatabaseType::kPasswdSub, *newStored);
    }
    context_->SetSubParam(DatabaseType::kUserSub, Utf8(UserName).c_str());
    return true;
}

} // namespace Security
