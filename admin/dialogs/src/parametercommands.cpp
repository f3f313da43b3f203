#include "parametercommands.h"

#include "securitysmpdlgbasefrm.h"

#include <wardlock/keeper/secdmodbase.h>
#include <wardlock/keeper/strings.h>
#include <wardlock/platform/application.h>
#include <wardlock/platform/dialogs.h>

namespace Security {

void ShowNotAvailable(QWidget* owner, const std::string& what)
{
    vcl::MessageBox(vcl::WindowHandle(owner), what + " is not available in this build.",
        SecString(sCaptionInformation), vcl::MB_OK | vcl::MB_ICONINFORMATION);
}

void RunNewParam(QWidget* owner, TSecDModDlgBaseFrm&)
{
    ShowNotAvailable(owner, "Creating a parameter");
}

void RunDeleteParam(QWidget* owner, TSecDModDlgBaseFrm& module)
{
    // A type with an editor library keeps sub-parameters that only its
    // plug-in can name: deleting the parameter alone would leave them.
    if (!module.ParamTypeDllName().empty()) {
        ShowNotAvailable(owner, "Deleting a parameter of an editor plug-in's type");
        return;
    }
    const int paramID = module.ParamID();
    bool deleted = false;
    std::string cause;
    try {
        module.BeginPRTrans();
        deleted = !module.FindParam(paramID) || module.DelParam();
        module.ApplyUpdates();
    } catch (const std::exception& error) {
        deleted = false;
        cause = error.what();
    }
    try {
        module.EndPRTrans();
    } catch (const std::exception& error) {
        if (cause.empty())
            cause = error.what();
        deleted = false;
    }
    if (!deleted)
        ShowCommandFailure(owner, sDeleteParamFailed, cause);
}

void RunParamTypes(QWidget* owner, TSecDModDlgBaseFrm&)
{
    ShowNotAvailable(owner, "The parameter types dialog");
}

void RunSecurityParams(QWidget* owner, TSecDModDlgBaseFrm&)
{
    ShowNotAvailable(owner, "The security parameters dialog");
}

void FollowParamRename(QWidget* owner, TSecDModDlgBaseFrm& module, const std::string&)
{
    // Only an editor plug-in knows the sub-parameters to rename with it.
    if (!module.ParamTypeDllName().empty())
        ShowNotAvailable(owner, "Renaming the sub-parameters of an editor plug-in's type");
}

} // namespace Security
