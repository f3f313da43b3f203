#include "securitydlgbasefrm.h"

#include "paramcommands.h"
#include "securitynewparamfrm.h"

#include <wardlock/keeper/secdmodbase.h>
#include <wardlock/platform/dialogs.h>
#include <wardlock/provider.h>

namespace Security {

namespace {
constexpr const char* kDesignForm = "SecProjecting";
} // namespace

TSecurityDlgBaseFrm::TSecurityDlgBaseFrm(vcl::TComponent* owner, TSecurity* security)
    : TSecuritySmpDlgBaseFrm(owner, security,
        [security](DBProviderBase& provider) -> TSecDModSmpDlgBaseFrm* {
            return provider.CreateDlgModule({ security, -1, -1 });
        })
    , desRights_(security)
{
    desRights_.GetRight(kDesignForm);
    desMask_ = desRights_.Mask;
    TSecDModDlgBaseFrm* module = DModule();
    module->OnParamPosted = [this](const std::string& oldName, bool renamed) {
        ReportedAsIs([&] { ParamCommands::ParamPosted(*this, oldName, renamed); });
    };
}

TSecurityDlgBaseFrm::~TSecurityDlgBaseFrm()
{
    if (TSecDModDlgBaseFrm* module = DModule()) {
        module->OnParamPosted = nullptr;
        module->OnUserGroupValidate = nullptr;
        module->OnUserGroupChange = nullptr;
        module->OnParamNameValidate = nullptr;
    }
}

TSecDModDlgBaseFrm* TSecurityDlgBaseFrm::DModule() const noexcept
{
    // The module was obtained through CreateDlgModule.
    return static_cast<TSecDModDlgBaseFrm*>(TSecuritySmpDlgBaseFrm::DModule());
}

bool TSecurityDlgBaseFrm::NewParam()
{
    if (!AskAndUpdate())
        return false;
    TSecurityNewParamFrm dialog(this, *DModule());
    if (dialog.ShowModal() != vcl::mrOk)
        return false;
    bool inserted = false;
    ReportedAsIs([&] {
        ParamCommands::NewParam(*this, dialog.Data());
        inserted = true;
    });
    return inserted;
}

void TSecurityDlgBaseFrm::DeleteParam()
{
    ReportedAsIs([&] { ParamCommands::DeleteParam(*this); });
}

void TSecurityDlgBaseFrm::ParamTypes()
{
    ReportedAsIs([&] { ParamCommands::ShowParamTypes(*this, DesMask()); });
}

void TSecurityDlgBaseFrm::SecurityParams()
{
    ReportedAsIs([&] { ParamCommands::ShowSecurityParams(*this, DesMask()); });
}

} // namespace Security
