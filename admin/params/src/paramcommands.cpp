#include "paramcommands.h"

#include "parampasses.h"
#include "pluginrunner.h"

#include <wardlock/keeper/dmodexceptions.h>
#include <wardlock/keeper/paramedhost.h>
#include <wardlock/keeper/parameditor.h>
#include <wardlock/keeper/secdmodbase.h>

#include <optional>

namespace Security::ParamCommands {

using ParamPasses::FullModuleOf;
using ParamPasses::ModuleOf;

namespace {

ESecDModException Failed(TSecStringId id, const std::exception& error)
{
    return ESecDModException(std::string(SecString(id)) + " : " + error.what());
}

// The filter suspension of Params and Forms, ended however the scope is left.
class TPRTrans {
public:
    explicit TPRTrans(TSecDModSmpDlgBaseFrm& module)
        : module_(module)
    {
        module_.BeginPRTrans();
    }
    ~TPRTrans() { End(); }
    void End()
    {
        if (open_)
            module_.EndPRTrans();
        open_ = false;
    }
    TPRTrans(const TPRTrans&) = delete;
    TPRTrans& operator=(const TPRTrans&) = delete;

private:
    TSecDModSmpDlgBaseFrm& module_;
    bool open_ = true;
};

} // namespace

void NewParam(TSecParamEdFullHost& host, const TNewParamData& data)
{
    TSecDModDlgBaseFrm& module = FullModuleOf(host);
    module.StartParamOp();
    bool inserted = false;
    try {
        const tor::pswdsstr<16> typeName = module.GetParamTypeName(data.ParamTypeID);
        const TSecParamEd like(&host, data.Name.c_str(), data.FullName.c_str(),
            data.Description.c_str(), data.DefaultValue.c_str(), data.UserCanModify, data.Hidden,
            data.Protected, nullptr);
        inserted = ParamPasses::InsertByName(host, like, data.Name.c_str(), data.FullName.c_str(),
            data.Description.c_str(), data.DefaultValue.c_str(), typeName.c_str());
        if (inserted)
            module.CommitParamOp();
    } catch (const std::exception& error) {
        try {
            module.RollbackParamOp();
        } catch (const std::exception&) {
        }
        throw Failed(sInsertParamFailed, error);
    }
    if (!inserted) {
        module.RollbackParamOp();
        throw ESecDModException(sInsertParamFailed, {});
    }
}

void DeleteParam(TSecParamEdFullHost& host)
{
    TSecDModDlgBaseFrm& module = FullModuleOf(host);
    const int paramID = module.ParamID();
    TPRTrans all(module);
    std::optional<std::string> failure;
    try {
        if (module.FindParam(paramID))
            ParamPasses::DeletePass(host, paramID);
    } catch (const std::exception& error) {
        failure = error.what();
    }
    // What was deleted is written even when the pass failed halfway, as the
    // dialogs always did; the parameter can be deleted again.
    try {
        module.ApplyUpdates();
    } catch (const std::exception& error) {
        if (!failure)
            failure = error.what();
    }
    all.End();
    if (failure)
        throw ESecDModException(*failure);
}

void ResetParamToDefault(TSecParamEdHost& host)
{
    TSecDModSmpDlgBaseFrm& module = ModuleOf(host);
    const int paramID = module.ParamID();
    TPRTrans all(module);
    try {
        module.SetDefaultParams();
        // A type whose editor cannot iterate still has the parameter reset.
        ParamPasses::DefaultSubParams(host, paramID);
    } catch (const std::exception& error) {
        all.End();
        module.FindParam(paramID);
        throw Failed(sDefaultParamFailed, error);
    }
    all.End();
    module.FindParam(paramID);
}

bool EditParamValue(TSecParamEdHost& host)
{
    TSecDModSmpDlgBaseFrm& module = ModuleOf(host);
    const int paramID = module.ParamID();
    const tor::pswdsstr<16> value = module.ParamValue();
    const TSecSmpParamEd context(&host, module.Current.Params, host.Window(), value.c_str());
    const std::string name = context.Name;
    bool cancelled = true;
    tor::pswdsstr<16> newValue;
    {
        TPRTrans all(module);
        try {
            if (!module.FindParam(paramID))
                throw ESecDModException(sParamNumberNotFound, std::to_string(paramID));
            newValue = ParamEditors::RunEdit(context, cancelled);
        } catch (const std::exception& error) {
            all.End();
            module.FindParam(paramID);
            throw Failed(sParamValueChangeFailed, error);
        }
    }
    if (!cancelled)
        module.SetParam(name.c_str(), newValue.c_str());
    module.FindParam(paramID);
    return !cancelled;
}

void ParamPosted(TSecParamEdFullHost& host, const std::string& oldName, bool renamed)
{
    if (renamed)
        ParamPasses::RenamePass(host, oldName);
}

} // namespace Security::ParamCommands
