#include "wardlock/keeper/secdmodbase.h"

#include "admin_key_texts.h"

#include <wardlock/data/dataset.h>
#include <wardlock/datamodule.h>
#include <wardlock/encoding.h>
#include <wardlock/keeper/dmodexceptions.h>
#include <wardlock/keeper/parameditor.h>
#include <wardlock/security.h>

namespace Security {

namespace {

// The settings rows of the administration account.
constexpr const char* kAccountUserSetting = "ResNrk7a~d3nEge";
constexpr const char* kAccountPasswordSetting = "Res74hG^e5(dhF";

std::int32_t Masked(int value, std::uint32_t mask)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value) ^ mask);
}

} // namespace

TSecDModSmpDlgBaseFrm::TSecDModSmpDlgBaseFrm(TSecurity* security, int, int)
    : vcl::TComponent(security)
    , security_(security)
    , rights_(security)
{
}

TSecDModSmpDlgBaseFrm::~TSecDModSmpDlgBaseFrm() = default;

TSecDModDlgBaseFrm::~TSecDModDlgBaseFrm() = default;

void TSecDModSmpDlgBaseFrm::SetParamsFiltered(bool filtered)
{
    if (Current.Params && Current.Params->Filtered() != filtered)
        Current.Params->SetFiltered(filtered);
}

void TSecDModSmpDlgBaseFrm::SetFormsFiltered(bool filtered)
{
    if (Current.Forms && Current.Forms->Filtered() != filtered)
        Current.Forms->SetFiltered(filtered);
}

bool TSecDModSmpDlgBaseFrm::AskAndUpdate()
{
    if (!modified_)
        return true;
    const int answer = OnAskApply ? OnAskApply() : kAnswerYes;
    if (answer == kAnswerYes) {
        ApplyUpdates();
        return true;
    }
    if (answer == kAnswerNo)
        return CancelUpdates();
    return false;
}

bool TSecDModSmpDlgBaseFrm::AskAboutUpdate()
{
    if (!modified_ || !OnAskApply)
        return true;
    const int answer = OnAskApply();
    if (answer == kAnswerYes)
        return true;
    if (answer == kAnswerNo)
        return CancelUpdates();
    return false;
}

void TSecDModSmpDlgBaseFrm::setModified(bool modified)
{
    modified_ = modified;
    if (OnModifiedChanged)
        OnModifiedChanged(modified);
}

void TSecDModSmpDlgBaseFrm::SetMod()
{
    if (OnStateChanged)
        OnStateChanged();
}

void TSecDModSmpDlgBaseFrm::RefuseWiderRights()
{
    if (OnRefuseWiderRights)
        OnRefuseWiderRights();
    // Without a hook (or with one that returns) the module refuses itself,
    // so that no refused value is ever posted.
    throw ESecDModException(sWiderRights, {});
}

tor::pswdsstr<16> TSecDModSmpDlgBaseFrm::YesString() const
{
    return security_ ? security_->YesString() : tor::pswdsstr<16>();
}

tor::pswdsstr<16> TSecDModSmpDlgBaseFrm::NoString() const
{
    return security_ ? security_->NoString() : tor::pswdsstr<16>();
}

tor::pswdsstr<16> TSecDModSmpDlgBaseFrm::GetDBUser() const
{
    TSecDModFrm* runtime = security_ ? security_->DataModule() : nullptr;
    return runtime ? runtime->GetDBParam(kAccountUserSetting) : tor::pswdsstr<16>();
}

tor::pswdsstr<16> TSecDModSmpDlgBaseFrm::GetDBPasswd() const
{
    TSecDModFrm* runtime = security_ ? security_->DataModule() : nullptr;
    if (!runtime)
        return {};
    const tor::pswdsstr<16> stored = runtime->GetPswdDBParam(kAccountPasswordSetting);
    if (stored.empty())
        return stored;
    return Decode(stored, keytexts::AdminAccountKey());
}

void TSecDModSmpDlgBaseFrm::FillParamKeys(TSecSmpParamEd& editor, int paramID, int userID) const
{
    editor.Keys[0] = Masked(paramID, kParamKeyMask);
    editor.Keys[1] = Masked(userID, kUserKeyMask);
}

void TSecDModSmpDlgBaseFrm::FillAllKeys(
    TSecSmpParamEd& editor, int paramID, int userID, int paramTypeID) const
{
    FillParamKeys(editor, paramID, userID);
    editor.Keys[3] = Masked(paramTypeID, kParamTypeKeyMask);
}

} // namespace Security
