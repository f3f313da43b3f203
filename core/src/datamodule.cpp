// The runtime data module: the database signature check and the rights and
// parameter lookups (the login itself is in datamodule_login.cpp). Every lookup is a
// locate on the dataset's hash index (exact, case-sensitive), so its cost does
// not grow with the number of forms or parameters and no SQL runs per call.
// The datasets are a snapshot between login and logout, so each answer is
// located once and remembered until the datasets are opened or closed again.

#include <wardlock/datamodule.h>

#include "text_cut.h"

#include <wardlock/data/dataset.h>
#include <wardlock/data/fields.h>

#include <QVariant>

#include <string_view>
#include <unordered_map>

namespace Security {

namespace {

const char* const kSignatureName = "SecurityAutoLog";
const char* const kSignatureValue = "Wdk580217;QmTr#6";

bool IsOpen(const vcl::TDataSet* dataSet)
{
    return dataSet && dataSet->Active();
}

tor::pswdsstr<16> ValueText(const vcl::TField& field)
{
    return field.IsNull() ? tor::pswdsstr<16>() : detail::CutText<16>(field.AsString());
}

SecRightsMask RowMask(const vcl::TField* view, const vcl::TField* insert, const vcl::TField* modify,
    const vcl::TField* remove)
{
    SecRightsMask mask = 0;
    if (view->AsBoolean())
        mask |= srView;
    if (insert->AsBoolean())
        mask |= srInsert;
    if (modify->AsBoolean())
        mask |= srModify;
    if (remove->AsBoolean())
        mask |= srDelete;
    return mask;
}

template<class Field>
Field* BindField(vcl::TComponent* owner, vcl::TDataSet* dataSet, const char* componentName,
    const char* fieldName, int size = 0)
{
    auto* field = new Field(owner);
    field->SetName(componentName);
    field->SetFieldName(fieldName);
    if (size > 0)
        field->SetSize(size);
    field->SetDataSet(dataSet);
    return field;
}

// Lets a name map be searched with the caller's text, without building a
// std::string per question.
struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const noexcept
    {
        return std::hash<std::string_view> {}(name);
    }
};

template<class Value>
using NameMap = std::unordered_map<std::string, Value, NameHash, std::equal_to<>>;

// The dataset events after which the remembered answers may be stale.
constexpr vcl::TDataSet::TDataSetNotifyEvent vcl::TDataSet::*kForgettingEvents[] = {
    &vcl::TDataSet::AfterOpen,
    &vcl::TDataSet::AfterClose,
    &vcl::TDataSet::AfterRefresh,
    &vcl::TDataSet::AfterPost,
    &vcl::TDataSet::AfterDelete,
};

struct FormAnswer {
    int formID;
    int mask;
};

// The remembered answer for `key`, computed by `locate` on first use.
template<class Map, class Key, class Locate>
const typename Map::mapped_type& Remembered(Map& map, const Key& key, Locate&& locate)
{
    if (auto found = map.find(key); found != map.end())
        return found->second;
    return map.emplace(typename Map::key_type(key), locate()).first->second;
}

} // namespace

struct TSecDModFrm::Memo {
    NameMap<FormAnswer> formsByName;
    std::unordered_map<int, int> masksByFormID;
    NameMap<int> paramIDsByName;
    std::unordered_map<int, tor::pswdsstr<16>> paramsByID;
    std::unordered_map<int, tor::pswdsstr<16>> pswdParamsByID;
    NameMap<tor::pswdsstr<16>> dbParamsByName;
    NameMap<tor::pswdsstr<16>> pswdDBParamsByName;

    void Clear() noexcept
    {
        formsByName.clear();
        masksByFormID.clear();
        paramIDsByName.clear();
        paramsByID.clear();
        pswdParamsByID.clear();
        dbParamsByName.clear();
        pswdDBParamsByName.clear();
    }
};

// ---------------------------------------------------------------- TSecDModFrm

TSecDModFrm::TSecDModFrm(vcl::TComponent* owner)
    : TSecDModBaseFrm(owner)
    , memo_(std::make_unique<Memo>())
{
}

TSecDModFrm::TSecDModFrm(vcl::TComponent* owner, const char*, const char*, const char*)
    : TSecDModFrm(owner)
{
}

void TSecDModFrm::ForgetAnswers() noexcept
{
    memo_->Clear();
}

TSecDModFrm::~TSecDModFrm()
{
    // The datasets outlive this level of the object (the component base
    // frees them), so they must no longer reach the memo.
    for (vcl::TDataSet* dataSet :
        { Forms, Params, GroupRights, UserRights, GroupParams, UserParams, SecurityParams }) {
        if (!dataSet)
            continue;
        for (auto event : kForgettingEvents)
            dataSet->*event = nullptr;
    }
}

void TSecDModFrm::SetDataSets(vcl::TDataSet* forms, vcl::TDataSet* params,
    vcl::TDataSet* groupRights, vcl::TDataSet* userRights, vcl::TDataSet* groupParams,
    vcl::TDataSet* userParams, vcl::TDataSet* securityParams)
{
    using vcl::TBooleanField;
    using vcl::TIntegerField;
    using vcl::TStringField;
    Forms = forms;
    Params = params;
    GroupRights = groupRights;
    UserRights = userRights;
    GroupParams = groupParams;
    UserParams = userParams;
    SecurityParams = securityParams;

    FormsFormID = BindField<TIntegerField>(this, forms, "FormsFormID", "FormID");
    FormsName = BindField<TStringField>(this, forms, "FormsName", "Name", 16);
    ParamsParamID = BindField<TIntegerField>(this, params, "ParamsParamID", "ParamID");
    ParamsName = BindField<TStringField>(this, params, "ParamsName", "Name", 16);
    GroupRightsFormID = BindField<TIntegerField>(this, groupRights, "GroupRightsFormID", "FormID");
    GroupRightsView = BindField<TBooleanField>(this, groupRights, "GroupRightsView", "FView");
    GroupRightsInsert = BindField<TBooleanField>(this, groupRights, "GroupRightsInsert", "FInsert");
    GroupRightsModify = BindField<TBooleanField>(this, groupRights, "GroupRightsModify", "FModify");
    GroupRightsDelete = BindField<TBooleanField>(this, groupRights, "GroupRightsDelete", "FDelete");
    UserRightsFormID = BindField<TIntegerField>(this, userRights, "UserRightsFormID", "FormID");
    UserRightsView = BindField<TBooleanField>(this, userRights, "UserRightsView", "FView");
    UserRightsInsert = BindField<TBooleanField>(this, userRights, "UserRightsInsert", "FInsert");
    UserRightsModify = BindField<TBooleanField>(this, userRights, "UserRightsModify", "FModify");
    UserRightsDelete = BindField<TBooleanField>(this, userRights, "UserRightsDelete", "FDelete");
    GroupParamsParamID
        = BindField<TIntegerField>(this, groupParams, "GroupParamsParamID", "ParamID");
    GroupParamsValue = BindField<TStringField>(this, groupParams, "GroupParamsValue", "FValue", 16);
    UserParamsParamID = BindField<TIntegerField>(this, userParams, "UserParamsParamID", "ParamID");
    UserParamsValue = BindField<TStringField>(this, userParams, "UserParamsValue", "FValue", 16);
    SecurityParamsName
        = BindField<TStringField>(this, securityParams, "SecurityParamsName", "Name", 16);
    SecurityParamsValue
        = BindField<TStringField>(this, securityParams, "SecurityParamsValue", "FValue", 32);

    // Whoever opens, closes or refreshes a dataset (a provider, a login step,
    // the application) makes the remembered answers stale; handlers already
    // set keep running.
    ForgetAnswers();
    for (vcl::TDataSet* dataSet :
        { forms, params, groupRights, userRights, groupParams, userParams, securityParams }) {
        if (!dataSet)
            continue;
        for (auto event : kForgettingEvents) {
            vcl::TDataSet::TDataSetNotifyEvent previous = dataSet->*event;
            dataSet->*event = [this, previous](vcl::TDataSet* sender) {
                ForgetAnswers();
                if (previous)
                    previous(sender);
            };
        }
    }
}

bool TSecDModFrm::PrepareLogin(const char*)
{
    ForgetAnswers();
    ForgetModernForms();
    // Re-read, so that a reused data module checks the database as it is now.
    SecurityParams->Close();
    SecurityParams->Open();
    if (!SecurityParams->Locate("Name", kSignatureName) || SecurityParamsValue->IsNull()
        || SecurityParamsValue->AsString() != kSignatureValue)
        throw vcl::Exception("Wrong Database");
    ReadLoginSettings();
    return true;
}

void TSecDModFrm::PostLogin()
{
    if (users_)
        users_->Close();
}

void TSecDModFrm::Logout()
{
    SetLogged(false);
    ForgetAnswers();
    ForgetModernForms();
}

// ------------------------------------------------------------------- rights

bool TSecDModFrm::ValuesReady() const
{
    return Logged() && IsOpen(Forms) && IsOpen(Params) && IsOpen(GroupRights) && IsOpen(UserRights)
        && IsOpen(GroupParams) && IsOpen(UserParams);
}

int TSecDModFrm::UserOrGroupMask(int formID)
{
    // A user row replaces the group row completely; the two never combine.
    if (UserRights->Locate("FormID", QVariant(formID)))
        return RowMask(UserRightsView, UserRightsInsert, UserRightsModify, UserRightsDelete);
    if (GroupRights->Locate("FormID", QVariant(formID)))
        return RowMask(GroupRightsView, GroupRightsInsert, GroupRightsModify, GroupRightsDelete);
    return 0;
}

int TSecDModFrm::LocateRight(const char* formName, int& formID)
{
    formID = -1;
    if (!Forms->Locate("Name", formName))
        return 0;
    formID = FormsFormID->AsInteger();
    return UserOrGroupMask(formID);
}

int TSecDModFrm::GetRight(const char* formName, int& formID)
{
    formID = -1;
    if (!ValuesReady() || !formName)
        return 0;
    const FormAnswer& answer = Remembered(memo_->formsByName, std::string_view(formName), [&] {
        FormAnswer located {};
        located.mask = LocateRight(formName, located.formID);
        return located;
    });
    formID = answer.formID;
    return answer.mask;
}

int TSecDModFrm::GetRight(int formID)
{
    if (!ValuesReady())
        return 0;
    return Remembered(memo_->masksByFormID, formID, [&] { return UserOrGroupMask(formID); });
}

// --------------------------------------------------------------- parameters

vcl::TStringField* TSecDModFrm::LocateValue(int paramID)
{
    // The user's row wins, even when its value is null.
    if (UserParams->Locate("ParamID", QVariant(paramID)))
        return UserParamsValue;
    if (GroupParams->Locate("ParamID", QVariant(paramID)))
        return GroupParamsValue;
    return nullptr;
}

int TSecDModFrm::FindParamID(const char* paramName)
{
    if (!ValuesReady() || !paramName)
        return -1;
    return Remembered(memo_->paramIDsByName, std::string_view(paramName),
        [&] { return Params->Locate("Name", paramName) ? ParamsParamID->AsInteger() : -1; });
}

tor::pswdsstr<16> TSecDModFrm::LocateParam(int paramID)
{
    const vcl::TStringField* value = LocateValue(paramID);
    return value ? ValueText(*value) : tor::pswdsstr<16>();
}

tor::pswdsstr<16> TSecDModFrm::GetParam(int paramID)
{
    if (!ValuesReady())
        return {};
    return Remembered(memo_->paramsByID, paramID, [&] { return LocateParam(paramID); });
}

tor::pswdsstr<16> TSecDModFrm::GetParam(const char* paramName, int& paramID)
{
    paramID = FindParamID(paramName);
    return paramID == -1 ? tor::pswdsstr<16>() : GetParam(paramID);
}

tor::pswdsstr<16> TSecDModFrm::LocatePswdParam(int paramID)
{
    const vcl::TStringField* value = LocateValue(paramID);
    if (!value || value->IsNull())
        return {};
    return detail::RawValue(value->AsRaw());
}

tor::pswdsstr<16> TSecDModFrm::GetPswdParam(int paramID)
{
    if (!ValuesReady())
        return {};
    return Remembered(memo_->pswdParamsByID, paramID, [&] { return LocatePswdParam(paramID); });
}

tor::pswdsstr<16> TSecDModFrm::GetPswdParam(const char* paramName, int& paramID)
{
    paramID = FindParamID(paramName);
    return paramID == -1 ? tor::pswdsstr<16>() : GetPswdParam(paramID);
}

tor::pswdsstr<16> TSecDModFrm::LocateDBParam(const char* name)
{
    if (!SecurityParams->Locate("Name", name))
        return {};
    return ValueText(*SecurityParamsValue);
}

tor::pswdsstr<16> TSecDModFrm::GetDBParam(const char* name)
{
    if (!IsOpen(SecurityParams) || !name)
        return {};
    return Remembered(
        memo_->dbParamsByName, std::string_view(name), [&] { return LocateDBParam(name); });
}

tor::pswdsstr<16> TSecDModFrm::GetPswdDBParam(const char* name)
{
    if (!IsOpen(SecurityParams) || !name)
        return {};
    return Remembered(
        memo_->pswdDBParamsByName, std::string_view(name), [&] { return LocatePswdDBParam(name); });
}

tor::pswdsstr<16> TSecDModFrm::LocatePswdDBParam(const char* name)
{
    if (!SecurityParams->Locate("Name", name) || SecurityParamsValue->IsNull())
        return {};
    // The column holds up to 32 bytes; the value is its first 16, up to the
    // first zero byte.
    const QByteArray raw = SecurityParamsValue->AsRaw().left(SecurityParamsValue->DataSize() - 1);
    return tor::pswdsstr<16>(
        std::string_view(raw.constData(), static_cast<std::size_t>(raw.size())));
}

} // namespace Security
