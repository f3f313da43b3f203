#include "pluginrunner.h"

#include "databasetype.h"
#include "guardedcontext.h"
#include "paramrows.h"
#include "pluginlibrary.h"

#include <wardlock/keeper/dmodexceptions.h>
#include <wardlock/keeper/paramedhost.h>
#include <wardlock/keeper/secdmodbase.h>

#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace Security::ParamEditors {

namespace {

constexpr const char* kProgIDSetting = "ProgID";

bool Named(const char* typeName, const char* name)
{
    return std::strncmp(typeName, name, kParamNameBytes + 1) == 0;
}

// A copy of `context` filled from the current parameter row (every kind but
// insert): message 202 when that fails.
TSecParamEd Filled(const TSecSmpParamEd& context, TFncTypes kind)
{
    TSecParamEd filled(context);
    if (kind == fncInsert)
        return filled;
    try {
        filled.DataModule()->FillEditorInt(filled);
    } catch (const std::exception&) {
        throw EParamTypeNotFound(filled.TypeName);
    }
    return filled;
}

ParamRows::TParamTypeRecord TypeOf(const TSecSmpParamEd& context)
{
    std::optional<ParamRows::TParamTypeRecord> type
        = ParamRows::FindParamType(*context.DataModule(), context.ParamTypeID);
    if (!type)
        throw EPrmTypeNumberNotFound(context.ParamTypeID);
    return *type;
}

// Calls `call` with the guarded copy. An exception leaves as a plain
// exception of this module holding its text: its own type may live in the
// library, which is released before anybody catches it.
template<class Call> auto Guarded(TGuardedContext& guarded, const std::string& library, Call&& call)
{
    using Result = decltype(call(guarded.Context()));
    std::optional<Result> result;
    std::optional<std::string> failure;
    try {
        result = call(guarded.Context());
    } catch (const std::exception& error) {
        failure = error.what();
    } catch (...) {
        failure = SecFormat(sEditorUnknownError, library);
    }
    if (!guarded.Intact())
        throw ESecDModException(sEditorDamagedData, library);
    if (failure)
        throw vcl::Exception(*failure);
    return *result;
}

// The key function named by the type, called with the "ProgID" setting,
// must give the key the type stores (message 221 otherwise).
void CheckAuthenticity(const TSecSmpParamEd& context, const ParamRows::TParamTypeRecord& type,
    const TEditorLibrary& library)
{
    const std::string& keyFunction = type.FncNames[fncKey];
    if (keyFunction.empty())
        return;
    auto key = reinterpret_cast<TParamEdKeyFn>(library.Proc(keyFunction));
    if (!key)
        throw ESecDModException(sEditorNotAuthentic, {});
    const tor::pswdsstr<16> progID = context.DataModule()->GetDBParam(kProgIDSetting);
    tor::pswdsstr<16> answer;
    try {
        answer = key(progID);
    } catch (...) {
        throw ESecDModException(sEditorNotAuthentic, {});
    }
    if (answer != type.Key)
        throw ESecDModException(sEditorNotAuthentic, {});
}

// Steps 3 to 6 for a library type: load, check, find the entry point, call
// it through a guarded copy. `absent` answers a missing entry point (none:
// message 204).
template<class Fn, class Call, class Result>
Result CallLibrary(
    const TSecSmpParamEd& filled, TFncTypes kind, std::optional<Result> absent, Call&& call)
{
    const ParamRows::TParamTypeRecord type = TypeOf(filled);
    TEditorLibrary library(type.DllName);
    if (!library.Loaded())
        throw ESecDModException(sLibraryNotFound, type.DllName);
    CheckAuthenticity(filled, type, library);
    const std::string& function = type.FncNames[kind];
    auto entry = reinterpret_cast<Fn>(function.empty() ? nullptr : library.Proc(function));
    if (!entry) {
        if (absent)
            return *absent;
        throw ESecDModException(SecFormat(sEntryPointNotFound, function, type.DllName));
    }
    TGuardedContext guarded(filled);
    return Guarded(
        guarded, type.DllName, [&](TSecParamEd& context) { return call(entry, context); });
}

bool RunBool(const TSecSmpParamEd& context, TFncTypes kind)
{
    const TSecParamEd filled = Filled(context, kind);
    if (IsSimpleType(filled.TypeName))
        return true;
    if (Named(filled.TypeName, DatabaseType::kTypeName)) {
        switch (kind) {
        case fncInsert:
            return DatabaseType::Insert(filled);
        case fncIterate:
            return DatabaseType::Iterate(filled);
        default:
            return DatabaseType::Rename(filled);
        }
    }
    const std::optional<bool> absent
        = kind == fncIterate ? std::optional<bool>(false) : std::nullopt;
    return CallLibrary<bool (*)(const TSecParamEd&)>(
        filled, kind, absent, [](auto entry, TSecParamEd& guarded) { return entry(guarded); });
}

} // namespace

bool IsSimpleType(const char* typeName)
{
    return Named(typeName, "Default") || Named(typeName, "Boolean") || Named(typeName, "Integer");
}

bool RunInsert(const TSecSmpParamEd& context)
{
    return RunBool(context, fncInsert);
}

bool RunIterate(const TSecSmpParamEd& context)
{
    return RunBool(context, fncIterate);
}

bool RunRename(const TSecSmpParamEd& context)
{
    return RunBool(context, fncRename);
}

tor::pswdsstr<16> RunEdit(const TSecSmpParamEd& context, bool& cancelled)
{
    cancelled = false;
    TSecParamEd filled = Filled(context, fncShow);
    if (IsSimpleType(filled.TypeName))
        return {};
    if (Named(filled.TypeName, DatabaseType::kTypeName)) {
        // The database editor stores passwords through the application's
        // decoder, handed over in the callback field.
        DatabaseType::SetDecoder(filled, filled.Owner ? filled.Owner->PasswdDecoder() : nullptr);
        return DatabaseType::Edit(filled, cancelled);
    }
    struct Outcome {
        tor::pswdsstr<16> value;
        bool cancelled;
    };
    const Outcome outcome = CallLibrary<TParamEdShowFn>(
        filled, fncShow, std::optional<Outcome>(), [](TParamEdShowFn entry, TSecParamEd& guarded) {
            bool userCancelled = false;
            const tor::pswdsstr<16> raw = entry(guarded, userCancelled);
            // At most 16 bytes, up to the first zero, whatever came back.
            return Outcome { tor::pswdsstr<16>(std::string_view(raw.data(), 16)), userCancelled };
        });
    cancelled = outcome.cancelled;
    return cancelled ? tor::pswdsstr<16>() : outcome.value;
}

} // namespace Security::ParamEditors
