#include "securedform.h"

TSecuredForm::TSecuredForm(vcl::TComponent* owner, const char* securityName)
    : TSecuredForm(owner, securityName, DeferredCheck {})
{
    RightsCheck();
}

TSecuredForm::TSecuredForm(vcl::TComponent* owner, const char* securityName, DeferredCheck)
    : vcl::TForm(owner)
    , Rights(securityName)
{
}

TSecuredForm::~TSecuredForm() = default;

void TSecuredForm::RightsCheck()
{
    if (Rights.Binded() && !Rights.Logged())
        Rights.AutoLogin();
    AfterRightsCheck();
}

void TSecuredForm::AfterRightsCheck()
{
    if (OnRightsCheck)
        OnRightsCheck(this);
}
