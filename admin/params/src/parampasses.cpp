#include "parampasses.h"

#include "paramrows.h"
#include "pluginrunner.h"

#include <wardlock/data/dataset.h>
#include <wardlock/data/fields.h>
#include <wardlock/keeper/dmodexceptions.h>
#include <wardlock/keeper/paramedhost.h>
#include <wardlock/keeper/secdmodbase.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

namespace Security::ParamPasses {

namespace {

struct TRename {
    int paramID;
    std::string oldName;
};

// What the passes running now have done; one per user-interface thread.
struct TPassState {
    // Parameters whose delete or default pass is running.
    std::vector<int> running;
    // The renames of the outermost rename pass (null outside one).
    std::vector<TRename>* renames = nullptr;
    bool undoing = false;
    // Names inserted by the outermost insert (the datasets see them only
    // after a refresh).
    std::set<std::string>* inserted = nullptr;
};

TPassState& State()
{
    static thread_local TPassState state;
    return state;
}

bool Running(int paramID)
{
    const auto& running = State().running;
    return std::find(running.begin(), running.end(), paramID) != running.end();
}

class TRunning {
public:
    explicit TRunning(int paramID) { State().running.push_back(paramID); }
    ~TRunning() { State().running.pop_back(); }
    TRunning(const TRunning&) = delete;
    TRunning& operator=(const TRunning&) = delete;
};

// The outermost insert keeps the names it inserted.
class TInsertScope {
public:
    TInsertScope()
        : owner_(!State().inserted)
    {
        if (owner_)
            State().inserted = &names_;
    }
    ~TInsertScope()
    {
        if (owner_)
            State().inserted = nullptr;
    }
    TInsertScope(const TInsertScope&) = delete;
    TInsertScope& operator=(const TInsertScope&) = delete;

private:
    bool owner_;
    std::set<std::string> names_;
};

// Message `id`, followed by " : " and the text of `error` unless that text is
// already a message `id` of an inner pass.
ESecDModException Wrapped(TSecStringId id, const std::exception& error)
{
    const std::string head = SecString(id);
    const std::string text = error.what();
    if (text.rfind(head, 0) == 0)
        return ESecDModException(text);
    return ESecDModException(head + " : " + text);
}

TSecParamEdFullHost& FullHostOf(const TSecSmpParamEd& editor)
{
    auto* host = dynamic_cast<TSecParamEdFullHost*>(editor.Owner);
    if (!host)
        throw vcl::Exception("Operation not supported");
    return *host;
}

bool DeleteCallback(const TSecSmpParamEd& editor, const char* name)
{
    return DeleteByName(FullHostOf(editor), name);
}

bool DefaultCallback(const TSecSmpParamEd& editor, const char* name)
{
    if (!editor.Owner)
        throw ESecNotFound();
    return DefaultByName(*editor.Owner, name);
}

std::string Text(const char* text)
{
    return text ? std::string(text) : std::string();
}

// Puts back every name of the failed pass, newest first. Best effort: the
// failure being reported matters more than one name that cannot return.
void UndoRenames(TSecDModDlgBaseFrm& module, const std::vector<TRename>& renames)
{
    State().undoing = true;
    for (auto it = renames.rbegin(); it != renames.rend(); ++it) {
        try {
            if (module.FindParam(it->paramID))
                module.RenParam(it->oldName.c_str());
        } catch (const std::exception&) {
        }
    }
    State().undoing = false;
}

} // namespace

TSecDModSmpDlgBaseFrm& ModuleOf(TSecParamEdHost& host)
{
    TSecDModSmpDlgBaseFrm* module = host.SmpDataModule();
    if (!module)
        throw ESecNotFound();
    return *module;
}

TSecDModDlgBaseFrm& FullModuleOf(TSecParamEdFullHost& host)
{
    TSecDModDlgBaseFrm* module = host.DataModule();
    if (!module)
        throw ESecNotFound();
    return *module;
}

// ---------------------------------------------------------------- by name

bool InsertByName(TSecParamEdFullHost& host, const TSecSmpParamEd& like, const char* name,
    const char* fullName, const char* description, const char* defaultValue, const char* typeName)
{
    TInsertScope scope;
    TSecDModDlgBaseFrm& module = FullModuleOf(host);
    ParamRows::TAllParams all(module);
    const std::string wanted = Text(name);
    if (wanted.empty() || Text(fullName).empty())
        throw ESecDModException(sEnterNames, {});
    if (State().inserted->count(wanted) || ParamRows::OtherParamNamed(module, wanted, -1) != -1)
        throw ESecDModException(sParamNameTaken, wanted);
    const int typeID = module.GetParamTypeID(typeName);
    if (!module.InsParam(name, fullName, typeID, defaultValue, like.Hidden, like.UserCanModify,
            like.Protected, description))
        return false;
    State().inserted->insert(wanted);
    TSecParamEd inserted(&host, typeID, name, fullName, description, defaultValue, typeName,
        like.UserCanModify, like.Hidden, like.Protected, nullptr);
    inserted.Window = like.Window;
    return InsertPass(inserted);
}

bool DeleteByName(TSecParamEdFullHost& host, const char* name)
{
    TSecDModDlgBaseFrm& module = FullModuleOf(host);
    ParamRows::TAllParams all(module);
    if (!name || !module.FindParam(name))
        return true;
    DeletePass(host, module.ParamID());
    return true;
}

bool DefaultByName(TSecParamEdHost& host, const char* name)
{
    TSecDModSmpDlgBaseFrm& module = ModuleOf(host);
    ParamRows::TAllParams all(module);
    if (!name || !module.FindParam(name))
        return true;
    DefaultPass(host, module.ParamID());
    return true;
}

bool RenameByName(TSecParamEdFullHost& host, const char* oldName, const char* newName)
{
    TSecDModDlgBaseFrm& module = FullModuleOf(host);
    ParamRows::TAllParams all(module);
    if (!oldName || !module.FindParam(oldName))
        throw EParamNameNotFound(Text(oldName));
    const int paramID = module.ParamID();
    const std::string wanted = Text(newName);
    if (wanted.empty())
        throw ESecDModException(sEnterNames, {});
    if (ParamRows::OtherParamNamed(module, wanted, paramID) != -1)
        throw ESecDModException(sParamNameTaken, wanted);
    module.FindParam(paramID);
    if (State().renames)
        State().renames->push_back({ paramID, oldName });
    // The module's posted-row hook runs the rename pass of this parameter.
    return module.RenParam(newName);
}

// ---------------------------------------------------------------- passes

bool InsertPass(const TSecSmpParamEd& inserted)
{
    return ParamEditors::RunInsert(inserted);
}

void DeletePass(TSecParamEdFullHost& host, int paramID)
{
    TSecDModDlgBaseFrm& module = FullModuleOf(host);
    ParamRows::TAllParams all(module);
    if (Running(paramID))
        return;
    TRunning running(paramID);
    try {
        if (!module.FindParam(paramID))
            return;
        TSecParamEd iterate(&host, &DeleteCallback, nullptr);
        if (!ParamEditors::RunIterate(iterate))
            throw ESecDModException(sDeleteParamFailed, {});
        if (module.FindParam(paramID))
            module.DelParam();
    } catch (const std::exception& error) {
        throw Wrapped(sDeleteParamFailed, error);
    }
}

bool DefaultSubParams(TSecParamEdHost& host, int paramID)
{
    TSecDModSmpDlgBaseFrm& module = ModuleOf(host);
    ParamRows::TAllParams all(module);
    if (!module.FindParam(paramID))
        return true;
    TRunning running(paramID);
    TSecSmpParamEd iterate(&host, &DefaultCallback, nullptr);
    return ParamEditors::RunIterate(iterate);
}

void DefaultPass(TSecParamEdHost& host, int paramID)
{
    TSecDModSmpDlgBaseFrm& module = ModuleOf(host);
    ParamRows::TAllParams all(module);
    if (Running(paramID))
        return;
    try {
        const bool subParams = DefaultSubParams(host, paramID);
        // The callbacks moved the current row: the parameter itself again.
        if (module.FindParam(paramID))
            module.SetDefaultParams();
        if (!subParams)
            throw ESecDModException(sDeleteParamFailed, {});
    } catch (const std::exception& error) {
        throw Wrapped(sDeleteParamFailed, error);
    }
}

void RenamePass(TSecParamEdFullHost& host, const std::string& oldName)
{
    if (State().undoing)
        return;
    TSecDModDlgBaseFrm& module = FullModuleOf(host);
    ParamRows::TAllParams all(module);
    const int paramID = module.ParamID();
    // The outermost pass keeps the renames of all passes below it and undoes
    // them when any fails; the inner ones only report.
    std::vector<TRename> renames;
    const bool outermost = !State().renames;
    if (outermost) {
        State().renames = &renames;
        renames.push_back({ paramID, oldName });
    }
    struct EndPass {
        bool outermost;
        ~EndPass()
        {
            if (outermost)
                State().renames = nullptr;
        }
    } end { outermost };
    std::string failure;
    try {
        TSecParamEd rename(&host, module.Current.Params, TSecSmpParamEd::rRename, nullptr);
        const std::string newName = static_cast<const char*>(rename.Data);
        if (ParamRows::OtherParamNamed(module, newName, paramID) != -1)
            throw ESecDModException(sParamNameTaken, newName);
        module.FindParam(paramID);
        std::memset(rename.Name, 0, sizeof rename.Name);
        std::memcpy(rename.Name, oldName.data(), std::min(oldName.size(), kParamNameBytes));
        if (!ParamEditors::RunRename(rename))
            failure = std::string(SecString(sRenameParamFailed)) + ".";
    } catch (const std::exception& error) {
        if (!outermost)
            throw;
        failure = Wrapped(sRenameParamFailed, error).Message();
    }
    if (failure.empty())
        return;
    if (outermost)
        UndoRenames(module, renames);
    throw ESecDModException(failure);
}

} // namespace Security::ParamPasses
