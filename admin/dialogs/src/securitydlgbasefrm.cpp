#include "securitydlgbasefrm.h"

#include "parametercommands.h"

#include <wardlock/keeper/secdmodbase.h>
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
        if (renamed)
            FollowParamRename(this, *DModule(), oldName);
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

void TSecurityDlgBaseFrm::NewParam()
{
    RunNewParam(this, *DModule());
}

void TSecurityDlgBaseFrm::DeleteParam()
{
    RunDeleteParam(this, *DModule());
}

void TSecurityDlgBaseFrm::ParamTypes()
{
    RunParamTypes(this, *DModule());
}

void TSecurityDlgBaseFrm::SecurityParams()
{
    RunSecurityParams(this, *DModule());
}

} // namespace Security
