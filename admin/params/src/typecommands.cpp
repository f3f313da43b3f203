// The full dialog's "&Types" and "Securit&y params": each runs its dialog
// over the module's cached rows, then applies or discards them.

#include "keeper_application.h"
#include "paramcommands.h"
#include "parampasses.h"
#include "securitydatabaseparamsfrm.h"
#include "securityparamtypesfrm.h"

#include <wardlock/keeper/dmodexceptions.h>
#include <wardlock/keeper/paramedhost.h>
#include <wardlock/keeper/secdmodbase.h>
#include <wardlock/platform/dialogs.h>

#include <functional>
#include <memory>

namespace Security::ParamCommands {

namespace {

// Applies after OK, discards otherwise; either failing is message 214.
bool Conclude(
    bool accepted, const std::function<void()>& apply, const std::function<void()>& discard)
{
    try {
        if (accepted)
            apply();
        else
            discard();
    } catch (const std::exception& error) {
        throw ESecDModException(std::string(SecString(sOperationFailed)) + " : " + error.what());
    }
    return accepted;
}

} // namespace

bool ShowParamTypes(TSecParamEdFullHost& host, SecRightsMask designRights)
{
    TSecDModDlgBaseFrm& module = ParamPasses::FullModuleOf(host);
    bool accepted = false;
    {
        auto form = std::make_unique<TSecurityParamTypesFrm>(
            &keeper::Application(), module, designRights, host.Window());
        accepted = form->ShowModal() == vcl::mrOk;
    }
    return Conclude(
        accepted, [&module] { module.ApplyParamTypes(); },
        [&module] { module.CancelParamTypes(); });
}

bool ShowSecurityParams(TSecParamEdFullHost& host, SecRightsMask designRights)
{
    TSecDModDlgBaseFrm& module = ParamPasses::FullModuleOf(host);
    bool accepted = false;
    {
        auto form = std::make_unique<TSecurityDatabaseParamsFrm>(
            &keeper::Application(), module.Current.SecurityParamsDS, designRights);
        accepted = form->ShowModal() == vcl::mrOk;
    }
    return Conclude(
        accepted, [&module] { module.ApplySecParams(); }, [&module] { module.CancelSecParams(); });
}

} // namespace Security::ParamCommands
