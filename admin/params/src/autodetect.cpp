#include "autodetect.h"

#include "pluginlibrary.h"

#include <wardlock/data/dataset.h>
#include <wardlock/data/fields.h>
#include <wardlock/keeper/parameditor.h>
#include <wardlock/keeper/secdmodbase.h>
#include <wardlock/keeper/strings.h>
#include <wardlock/platform/dialogs.h>

#include <cstring>
#include <memory>
#include <new>

namespace Security::ParamEditors {

namespace {

constexpr std::size_t kMaxName = 255;
// Room behind the record a careless plug-in may write into unnoticed by
// anybody else; it must stay as it was.
constexpr std::size_t kGuard = 1024;
constexpr unsigned char kGuardByte = 0x5C;

// A slot's text when it ends within 255 bytes.
std::optional<std::string> SlotText(const char* slot)
{
    const std::size_t length = strnlen(slot, sizeof(TSecFncNamesRecord::InsFncName));
    if (length > kMaxName)
        return std::nullopt;
    return std::string(slot, length);
}

void ShowFailure(void* window)
{
    vcl::MessageBox(window, SecString(sAutodetectFailed), SecString(sCaptionError),
        vcl::MB_OK | vcl::MB_ICONEXCLAMATION);
}

void Store(vcl::TDataSet& types, const TDetectedNames& names)
{
    const bool editing = types.State() == vcl::dsEdit || types.State() == vcl::dsInsert;
    if (!editing)
        types.Edit();
    try {
        types.FieldByName("InsFncName")->SetAsString(names.Insert);
        types.FieldByName("ItrFncName")->SetAsString(names.Iterate);
        types.FieldByName("ShowFncName")->SetAsString(names.Show);
        types.FieldByName("RenFncName")->SetAsString(names.Rename);
        types.FieldByName("KeyFncName")->SetAsString(names.Key);
        types.FieldByName("FKey")->SetRaw(names.KeyValue.toByteArray());
        if (!editing)
            types.Post();
    } catch (...) {
        if (!editing)
            types.Cancel();
        throw;
    }
}

} // namespace

std::optional<TDetectedNames> DetectFunctionNames(
    const std::string& dllName, const tor::pswdsstr<16>& progID, void* window)
{
    TEditorLibrary library(dllName);
    auto detect = reinterpret_cast<TParamEdNamesFn>(library.Proc(kFunctionNamesExport));
    if (!detect)
        return std::nullopt;
    // The record with a guard behind it.
    auto block = std::make_unique<unsigned char[]>(sizeof(TSecFncNamesRecord) + kGuard);
    std::memset(block.get() + sizeof(TSecFncNamesRecord), kGuardByte, kGuard);
    auto* record = new (block.get()) TSecFncNamesRecord {};
    std::memcpy(record->Key, progID.data(), tor::pswdsstr<16>::size_bytes);
    try {
        detect(record, window);
    } catch (...) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < kGuard; ++i)
        if (block[sizeof(TSecFncNamesRecord) + i] != kGuardByte)
            return std::nullopt;
    TDetectedNames names;
    const struct {
        const char* slot;
        std::string* name;
    } results[] = {
        { record->InsFncName, &names.Insert },
        { record->RenFncName, &names.Rename },
        { record->ShowFncName, &names.Show },
        { record->ItrFncName, &names.Iterate },
        { record->KeyFncName, &names.Key },
    };
    for (const auto& slot : results) {
        const std::optional<std::string> text = SlotText(slot.slot);
        if (!text)
            return std::nullopt;
        *slot.name = *text;
    }
    names.KeyValue = tor::pswdsstr<16>::from_raw(static_cast<const void*>(record->Key));
    // A key is text: at most 16 bytes, up to its first zero.
    names.KeyValue = tor::pswdsstr<16>(std::string_view(names.KeyValue.data(), 16));
    return names;
}

bool AutodetectParamType(TSecDModSmpDlgBaseFrm& module, void* window)
{
    if (vcl::MessageBox(window, SecString(sAutodetectAsk), SecString(sCaptionQuestion),
            vcl::MB_YESNO | vcl::MB_ICONQUESTION)
        != vcl::IDYES)
        return false;
    vcl::TDataSet* types
        = module.Current.ParamTypesDS ? module.Current.ParamTypesDS->DataSet() : nullptr;
    if (!types || !types->Active() || types->IsEmpty()) {
        ShowFailure(window);
        return false;
    }
    const std::string dllName = types->FieldByName("DllName")->AsString();
    const std::optional<TDetectedNames> names
        = DetectFunctionNames(dllName, module.GetDBParam("ProgID"), window);
    if (!names) {
        ShowFailure(window);
        return false;
    }
    Store(*types, *names);
    return true;
}

} // namespace Security::ParamEditors
