// The editor context: its construction (the texts it owns, each with a guard
// behind it) and the operations a plug-in calls, forwarded to the owner's
// data module or to the parameter passes.

#include "parampasses.h"
#include "paramrows.h"
#include "valuehelpers.h"

#include <wardlock/data/dataset.h>
#include <wardlock/data/fields.h>
#include <wardlock/keeper/dmodexceptions.h>
#include <wardlock/keeper/paramedhost.h>
#include <wardlock/keeper/parameditor.h>
#include <wardlock/keeper/secdmodbase.h>
#include <wardlock/platform/exception.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace Security {

namespace {

// An owned text: [lead guard][capacity][text ... capacity][guard].
constexpr std::size_t kLeadBytes = 16;
constexpr std::size_t kGuardBytes = 256;
constexpr unsigned char kGuardByte = 0xC5;
constexpr std::uint64_t kLeadMark = 0x5EC0BAD0C0FFEE5Aull;

// Column sizes of the parameter's texts.
constexpr std::size_t kFullNameBytes = 50;
constexpr std::size_t kDescriptionBytes = 255;
constexpr std::size_t kValueBytes = 16;

TSecurity* SecurityOf(TSecParamEdHost* owner)
{
    return owner ? owner->Security() : nullptr;
}

void CopyName(char (&target)[17], const char* text)
{
    std::memset(target, 0, sizeof target);
    if (text)
        std::memcpy(target, text, strnlen(text, kParamNameBytes));
}

char* Lead(char* text)
{
    return text - kLeadBytes;
}

bool TextIntact(const char* text) noexcept
{
    if (!text)
        return true;
    std::uint64_t mark = 0;
    std::size_t capacity = 0;
    std::memcpy(&mark, text - kLeadBytes, sizeof mark);
    std::memcpy(&capacity, text - kLeadBytes + sizeof mark, sizeof capacity);
    if (mark != kLeadMark)
        return false;
    const auto* guard = reinterpret_cast<const unsigned char*>(text + capacity);
    return std::all_of(guard, guard + kGuardBytes, [](unsigned char b) { return b == kGuardByte; });
}

void FreeText(char*& text) noexcept
{
    if (text)
        delete[] Lead(text);
    text = nullptr;
}

std::string FieldText(vcl::TDataSet* params, const char* field)
{
    const vcl::TField* found = params->FindField(field);
    return found ? found->AsString() : std::string();
}

bool FieldFlag(vcl::TDataSet* params, const char* field)
{
    const vcl::TField* found = params->FindField(field);
    return found && found->AsBoolean();
}

TSecParamEdFullHost* FullOwner(TSecParamEdHost* owner)
{
    return dynamic_cast<TSecParamEdFullHost*>(owner);
}

// A sub name whose full name is the parameter's own would act on the
// parameter itself.
bool IsParentName(const tor::pswdsstr<16>& full, const char* parent)
{
    return std::strncmp(full.c_str(), parent, kParamNameBytes) == 0;
}

} // namespace

// ---------------------------------------------------------------- owned texts

char* TSecSmpParamEd::OwnedText(const char* text, std::size_t capacity)
{
    const std::size_t length = text ? std::strlen(text) : 0;
    capacity = std::max(capacity, length) + 1;
    char* block = new char[kLeadBytes + capacity + kGuardBytes];
    std::memcpy(block, &kLeadMark, sizeof kLeadMark);
    std::memcpy(block + sizeof kLeadMark, &capacity, sizeof capacity);
    char* buffer = block + kLeadBytes;
    std::memset(buffer, 0, capacity);
    if (length)
        std::memcpy(buffer, text, length);
    std::memset(buffer + capacity, kGuardByte, kGuardBytes);
    return buffer;
}

void TSecSmpParamEd::SetTexts(
    const char* fullName, const char* description, const char* defaultValue)
{
    FreeText(FullName);
    FreeText(Description);
    FreeText(DefaultValue);
    FullName = OwnedText(fullName, kFullNameBytes);
    Description = OwnedText(description, kDescriptionBytes);
    DefaultValue = OwnedText(defaultValue, kValueBytes);
    OwnsBuffers = true;
}

void TSecSmpParamEd::OwnData(const char* text)
{
    FreeText(ownedData_);
    ownedData_
        = OwnedText(text ? std::string(text, strnlen(text, kValueBytes)).c_str() : "", kValueBytes);
    Data = ownedData_;
}

void TSecSmpParamEd::FreeBuffers() noexcept
{
    if (OwnsBuffers) {
        FreeText(FullName);
        FreeText(Description);
        FreeText(DefaultValue);
    }
    FreeText(ownedData_);
}

bool TSecSmpParamEd::BuffersIntact() const noexcept
{
    if (OwnsBuffers
        && !(TextIntact(FullName) && TextIntact(Description) && TextIntact(DefaultValue)))
        return false;
    return TextIntact(ownedData_);
}

// ---------------------------------------------------------------- construction

TSecSmpParamEd::TSecSmpParamEd(TSecParamEdHost* owner)
    : Window(owner ? owner->Window() : nullptr)
    , Rights(SecurityOf(owner))
    , Owner(owner)
{
    SetTexts("", "", "");
}

TSecSmpParamEd::TSecSmpParamEd(TSecParamEdHost* owner, const char* name)
    : TSecSmpParamEd(owner)
{
    CopyName(Name, name);
}

TSecSmpParamEd::TSecSmpParamEd(
    TSecParamEdHost* owner, vcl::TDataSet* params, void* window, const char* value)
    : TSecSmpParamEd(owner)
{
    Reason = rShow;
    Window = window;
    FillFromRow(params);
    OwnData(value);
}

TSecSmpParamEd::TSecSmpParamEd(
    TSecParamEdHost* owner, vcl::TDataSet* params, int reason, void* data)
    : TSecSmpParamEd(owner)
{
    Reason = reason;
    Data = data;
    if (reason == rRename)
        OwnData("");
    else if (reason == rShow)
        OwnData(DataModule()->ParamValue().c_str());
    FillFromRow(params);
}

TSecSmpParamEd::TSecSmpParamEd(TSecParamEdHost* owner, Callback callback, void* data)
    : TSecSmpParamEd(owner)
{
    Reason = rIterate;
    Iterate = callback;
    Data = data;
}

TSecSmpParamEd::TSecSmpParamEd(TSecParamEdHost* owner, const char* name, const char* fullName,
    const char* description, const char* defaultValue, bool userCanModify, bool hidden,
    bool isProtected, void* data)
    : TSecSmpParamEd(owner, name)
{
    SetTexts(fullName, description, defaultValue);
    UserCanModify = userCanModify;
    Hidden = hidden;
    Protected = isProtected;
    Data = data;
}

TSecSmpParamEd::TSecSmpParamEd(TSecParamEdHost* owner, int typeID, const char* name,
    const char* fullName, const char* description, const char* defaultValue, const char* typeName,
    bool userCanModify, bool hidden, bool isProtected, void* data)
    : TSecSmpParamEd(
        owner, name, fullName, description, defaultValue, userCanModify, hidden, isProtected, data)
{
    Reason = rInsert;
    ParamTypeID = typeID;
    CopyName(TypeName, typeName);
    if (TSecDModSmpDlgBaseFrm* module = owner ? owner->SmpDataModule() : nullptr)
        module->FillEditorInt(*this);
}

TSecSmpParamEd::TSecSmpParamEd(const TSecSmpParamEd& other)
    : Reason(other.Reason)
    , ParamTypeID(other.ParamTypeID)
    , ParamID(other.ParamID)
    , Data(other.Data)
    , UserCanModify(other.UserCanModify)
    , Hidden(other.Hidden)
    , Protected(other.Protected)
    , Iterate(other.Iterate)
    , Window(other.Window)
    , Rights(other.Rights)
    , Owner(other.Owner)
{
    std::memcpy(Keys, other.Keys, sizeof Keys);
    std::memcpy(Name, other.Name, sizeof Name);
    std::memcpy(TypeName, other.TypeName, sizeof TypeName);
    SetTexts(other.FullName, other.Description, other.DefaultValue);
    if (other.ownedData_ && other.Data == other.ownedData_)
        OwnData(other.ownedData_);
}

TSecSmpParamEd::~TSecSmpParamEd()
{
    FreeBuffers();
}

void TSecSmpParamEd::FillFromRow(vcl::TDataSet* params)
{
    if (!params || !params->Active() || params->IsEmpty())
        return;
    SetTexts(FieldText(params, "FullName").c_str(), FieldText(params, "Description").c_str(),
        FieldText(params, "DefaultValue").c_str());
    UserCanModify = FieldFlag(params, "UserCanModify");
    Hidden = FieldFlag(params, "Hidden");
    Protected = FieldFlag(params, "FProtected");
    if (TSecDModSmpDlgBaseFrm* module = DataModule())
        module->FillEditorInt(*this);
}

TSecDModSmpDlgBaseFrm* TSecSmpParamEd::DataModule() const
{
    TSecDModSmpDlgBaseFrm* module = Owner ? Owner->SmpDataModule() : nullptr;
    if (!module)
        throw ESecNotFound();
    return module;
}

// ---------------------------------------------------------------- by name

tor::pswdsstr<16> TSecSmpParamEd::GetParam(const char* name) const
{
    return DataModule()->GetParam(name);
}

bool TSecSmpParamEd::GetBoolParam(const char* name) const
{
    TSecDModSmpDlgBaseFrm* module = DataModule();
    return module->GetParam(name) == module->YesString();
}

int TSecSmpParamEd::GetIntParam(const char* name) const
{
    return ValueHelpers::StrToIntDef(GetParam(name).c_str(), ValueHelpers::kMinInt);
}

void TSecSmpParamEd::SetParam(const char* name, const char* value) const
{
    DataModule()->SetParam(name, value);
}

void TSecSmpParamEd::SetPswdParam(const char* name, const tor::pswdsstr<16>& value) const
{
    DataModule()->SetPswdParam(name, value);
}

void TSecSmpParamEd::SetBoolParam(const char* name, bool value) const
{
    TSecDModSmpDlgBaseFrm* module = DataModule();
    module->SetParam(name, (value ? module->YesString() : module->NoString()).c_str());
}

void TSecSmpParamEd::SetIntParam(const char* name, int value) const
{
    SetParam(name, std::to_string(value).c_str());
}

SecRightsMask TSecSmpParamEd::GetRight(const char* formName) const
{
    return DataModule()->GetRight(formName);
}

void TSecSmpParamEd::SetRight(const char* formName, SecRightsMask rights) const
{
    DataModule()->SetRight(formName, rights);
}

tor::pswdsstr<16> TSecSmpParamEd::GetDBParam(const char* name) const
{
    return DataModule()->GetDBParam(name);
}

tor::pswdsstr<16> TSecSmpParamEd::GetPswdDBParam(const char* name) const
{
    return DataModule()->GetPswdDBParam(name);
}

bool TSecSmpParamEd::GetBoolDBParam(const char* name) const
{
    TSecDModSmpDlgBaseFrm* module = DataModule();
    return module->GetDBParam(name) == module->YesString();
}

void TSecSmpParamEd::SetDBParam(const char* name, const char* value) const
{
    DataModule()->SetDBParam(name, value);
}

void TSecSmpParamEd::SetBoolDBParam(const char* name, bool value) const
{
    TSecDModSmpDlgBaseFrm* module = DataModule();
    module->SetDBParam(name, (value ? module->YesString() : module->NoString()).c_str());
}

void TSecSmpParamEd::SetPswdDBParam(const char* name, const tor::pswdsstr<16>& value) const
{
    DataModule()->SetPswdDBParam(name, value);
}

// ---------------------------------------------------------------- sub-parameters

tor::pswdsstr<16> TSecSmpParamEd::SubParamName(const char* subName) const
{
    return ParamRows::SubName(Name, subName);
}

namespace {

// The full name of a sub-parameter for a getter: none when it is the parent's.
template<class Result, class Get>
Result SubGet(const TSecSmpParamEd& editor, const char* subName, Get&& get)
{
    const tor::pswdsstr<16> full = editor.SubParamName(subName);
    if (IsParentName(full, editor.Name))
        return Result {};
    return get(full.c_str());
}

// The full name of a sub-parameter for a setter: refused when it is the parent's.
tor::pswdsstr<16> SubSetName(const TSecSmpParamEd& editor, const char* subName)
{
    const tor::pswdsstr<16> full = editor.SubParamName(subName);
    if (IsParentName(full, editor.Name))
        throw ESecDModException(sSubParamIsParent, full.str());
    return full;
}

} // namespace

tor::pswdsstr<16> TSecSmpParamEd::GetSubParam(const char* subName) const
{
    return SubGet<tor::pswdsstr<16>>(
        *this, subName, [this](const char* full) { return GetParam(full); });
}

tor::pswdsstr<16> TSecSmpParamEd::GetPswdSubParam(const char* subName) const
{
    return SubGet<tor::pswdsstr<16>>(
        *this, subName, [this](const char* full) { return DataModule()->GetPswdParam(full); });
}

bool TSecSmpParamEd::GetBoolSubParam(const char* subName) const
{
    return SubGet<bool>(*this, subName, [this](const char* full) { return GetBoolParam(full); });
}

void TSecSmpParamEd::SetSubParam(const char* subName, const char* value) const
{
    SetParam(SubSetName(*this, subName).c_str(), value);
}

void TSecSmpParamEd::SetPswdSubParam(const char* subName, const tor::pswdsstr<16>& value) const
{
    SetPswdParam(SubSetName(*this, subName).c_str(), value);
}

void TSecSmpParamEd::SetBoolSubParam(const char* subName, bool value) const
{
    SetBoolParam(SubSetName(*this, subName).c_str(), value);
}

SecRightsMask TSecSmpParamEd::GetSubRight(const char* subName) const
{
    return SubGet<SecRightsMask>(
        *this, subName, [this](const char* full) { return GetRight(full); });
}

void TSecSmpParamEd::SetSubRight(const char* subName, SecRightsMask rights) const
{
    SetRight(SubSetName(*this, subName).c_str(), rights);
}

bool TSecSmpParamEd::DefSubParam(const char* subName) const
{
    return ParamPasses::DefaultByName(*Owner, SubSetName(*this, subName).c_str());
}

bool TSecSmpParamEd::DefParam(const char* name) const
{
    return ParamPasses::DefaultByName(*Owner, name);
}

// ---------------------------------------------------------------- the full context

TSecParamEd::TSecParamEd(TSecParamEdFullHost* owner)
    : TSecSmpParamEd(owner)
{
}

TSecParamEd::TSecParamEd(TSecParamEdFullHost* owner, const char* name)
    : TSecSmpParamEd(owner, name)
{
}

TSecParamEd::TSecParamEd(
    TSecParamEdFullHost* owner, vcl::TDataSet* params, void* window, const char* value)
    : TSecSmpParamEd(owner, params, window, value)
{
}

TSecParamEd::TSecParamEd(TSecParamEdFullHost* owner, vcl::TDataSet* params, int reason, void* data)
    : TSecSmpParamEd(owner, params, reason, data)
{
}

TSecParamEd::TSecParamEd(TSecParamEdFullHost* owner, Callback callback, void* data)
    : TSecSmpParamEd(owner, callback, data)
{
}

TSecParamEd::TSecParamEd(TSecParamEdFullHost* owner, const char* name, const char* fullName,
    const char* description, const char* defaultValue, bool userCanModify, bool hidden,
    bool isProtected, void* data)
    : TSecSmpParamEd(
        owner, name, fullName, description, defaultValue, userCanModify, hidden, isProtected, data)
{
}

TSecParamEd::TSecParamEd(TSecParamEdFullHost* owner, int typeID, const char* name,
    const char* fullName, const char* description, const char* defaultValue, const char* typeName,
    bool userCanModify, bool hidden, bool isProtected, void* data)
    : TSecSmpParamEd(owner, typeID, name, fullName, description, defaultValue, typeName,
        userCanModify, hidden, isProtected, data)
{
}

TSecParamEd::TSecParamEd(const TSecParamEd& other) = default;

TSecParamEd::TSecParamEd(const TSecSmpParamEd& other)
    : TSecSmpParamEd(other)
{
}

TSecParamEdFullHost* TSecParamEd::FullHost() const
{
    TSecParamEdFullHost* host = FullOwner(Owner);
    if (!host)
        throw vcl::Exception("Operation not supported");
    return host;
}

TSecDModDlgBaseFrm* TSecParamEd::FullDataModule() const
{
    TSecDModDlgBaseFrm* module = FullHost()->DataModule();
    if (!module)
        throw ESecNotFound();
    return module;
}

bool TSecParamEd::InsParam(const char* name, const char* fullName, const char* description,
    const char* defaultValue, const char* typeName) const
{
    return ParamPasses::InsertByName(
        *FullHost(), *this, name, fullName, description, defaultValue, typeName);
}

bool TSecParamEd::InsSubParam(const char* subName, const char* fullNameSuffix,
    const char* description, const char* defaultValue, const char* typeName) const
{
    const tor::pswdsstr<16> full = SubSetName(*this, subName);
    const std::string fullName = ParamRows::CutText(
        std::string(FullName ? FullName : "") + (fullNameSuffix ? fullNameSuffix : ""),
        kFullNameBytes);
    return InsParam(full.c_str(), fullName.c_str(), description, defaultValue, typeName);
}

bool TSecParamEd::DelParam(const char* name) const
{
    return ParamPasses::DeleteByName(*FullHost(), name);
}

bool TSecParamEd::DelSubParam(const char* subName) const
{
    return DelParam(SubSetName(*this, subName).c_str());
}

bool TSecParamEd::RenParam(const char* oldName, const char* newName) const
{
    return ParamPasses::RenameByName(*FullHost(), oldName, newName);
}

bool TSecParamEd::RenSubParam(const char* oldSubName, const char* newSubName) const
{
    const tor::pswdsstr<16> oldFull = SubSetName(*this, oldSubName);
    const char* newParent = static_cast<const char*>(Data);
    if (!newParent)
        throw vcl::Exception("Operation not supported");
    char newParentName[17] = {};
    CopyName(newParentName, newParent);
    const tor::pswdsstr<16> newFull = ParamRows::SubName(newParentName, newSubName);
    if (IsParentName(newFull, newParentName))
        throw ESecDModException(sSubParamIsParent, newFull.str());
    return RenParam(oldFull.c_str(), newFull.c_str());
}

} // namespace Security
