// Access by name for plug-ins and applications running inside the
// administration module, the Hidden filter's suspension, the current rows'
// values the dialogs read, and editing the current user.

#include "formbuild.h"
#include "valuehelpers.h"

#include <wardlock/data/dbdataset.h>
#include <wardlock/keeper/dmodexceptions.h>
#include <wardlock/keeper/intnofield.h>
#include <wardlock/keeper/parameditor.h>
#include <wardlock/keeper/secdmodsmp.h>
#include <wardlock/security.h>

#include <algorithm>
#include <cstring>

namespace Security {

using vcl::TDataSet;
using namespace ValueHelpers;

namespace {

tor::pswdsstr<16> Text16(const vcl::TField* field)
{
    return tor::pswdsstr<16>(field->AsString());
}

void CopyName(char (&target)[17], const std::string& name)
{
    std::memset(target, 0, sizeof target);
    std::memcpy(target, name.data(), std::min<std::size_t>(name.size(), 16));
}

void ReturnTo(vcl::TDataSet* dataSet, vcl::TBookmark& mark)
{
    if (dataSet->State() == vcl::dsBrowse && dataSet->BookmarkValid(mark))
        dataSet->GotoBookmark(mark);
    mark = {};
}

// Ends a filter suspension however the scope is left.
template<class Module> struct Suspension {
    Module& module;
    void (Module::*end)();
    ~Suspension() { (module.*end)(); }
};

} // namespace

// ---------------------------------------------------------------- filter suspension

// Filter suspension. The outermost end puts back the filter and the row that
// was current when the suspension began (when it is still shown).
void TSecDModSmpDlgFrm::BeginPTrans()
{
    if (paramsNesting_++ > 0)
        return;
    Params->DisableControls();
    paramsMark_ = Params->GetBookmark();
    paramsWereFiltered_ = Params->Filtered();
    if (paramsWereFiltered_)
        SetParamsFiltered(false);
}

void TSecDModSmpDlgFrm::EndPTrans()
{
    if (paramsNesting_ == 0 || --paramsNesting_ > 0)
        return;
    if (paramsWereFiltered_)
        SetParamsFiltered(true);
    ReturnTo(Params, paramsMark_);
    Params->EnableControls();
}

void TSecDModSmpDlgFrm::BeginPRTrans()
{
    BeginPTrans();
    if (formsNesting_++ > 0)
        return;
    Forms->DisableControls();
    formsMark_ = Forms->GetBookmark();
    formsWereFiltered_ = Forms->Filtered();
    if (formsWereFiltered_)
        SetFormsFiltered(false);
}

void TSecDModSmpDlgFrm::EndPRTrans()
{
    EndPTrans();
    if (formsNesting_ == 0 || --formsNesting_ > 0)
        return;
    if (formsWereFiltered_)
        SetFormsFiltered(true);
    ReturnTo(Forms, formsMark_);
    Forms->EnableControls();
}

void TSecDModSmpDlgFrm::SetParamsFiltered(bool filtered)
{
    if (Params->Filtered() == filtered)
        return;
    TSecDModSmpDlgBaseFrm::SetParamsFiltered(filtered);
    if (GetFilterAwareNumbers())
        FillParams();
}

void TSecDModSmpDlgFrm::SetFormsFiltered(bool filtered)
{
    if (Forms->Filtered() == filtered)
        return;
    TSecDModSmpDlgBaseFrm::SetFormsFiltered(filtered);
    if (GetFilterAwareNumbers())
        FillForms();
}

// ---------------------------------------------------------------- by name

tor::pswdsstr<16> TSecDModSmpDlgFrm::GetParam(const char* name)
{
    BeginPTrans();
    Suspension<TSecDModSmpDlgFrm> end { *this, &TSecDModSmpDlgFrm::EndPTrans };
    return name && Params->Locate("Name", name) ? Text16(ParamsValue) : tor::pswdsstr<16>();
}

tor::pswdsstr<16> TSecDModSmpDlgFrm::GetPswdParam(const char* name)
{
    BeginPTrans();
    Suspension<TSecDModSmpDlgFrm> end { *this, &TSecDModSmpDlgFrm::EndPTrans };
    return name && Params->Locate("Name", name) ? Raw16(ParamsValue) : tor::pswdsstr<16>();
}

void TSecDModSmpDlgFrm::SetParam(const char* name, const char* value)
{
    SetParamValue(name, QString::fromUtf8(value ? value : ""));
}

void TSecDModSmpDlgFrm::SetPswdParam(const char* name, const tor::pswdsstr<16>& value)
{
    SetParamValue(name, QString::fromLatin1(RawOf(value)));
}

void TSecDModSmpDlgFrm::SetParamValue(const char* name, const QVariant& value)
{
    const std::string wanted = name ? name : "";
    BeginPTrans();
    Suspension<TSecDModSmpDlgFrm> end { *this, &TSecDModSmpDlgFrm::EndPTrans };
    if (!Params->Locate("Name", wanted))
        throw EParamNameNotFound(wanted);
    if (ParamsProtected->AsBoolean() && !Unrestricted()
        && (!ParamsUserCanModify->AsBoolean() || CUserID() != LoggedUserID()
            || ViewMode() != vmUsers))
        RefuseWiderRights();
    // A refused value is never left in an edit: the filter comes back next.
    EditAndPost(Params, [&] { ParamsValue->SetValue(value); });
}

tor::pswdsstr<16> TSecDModSmpDlgFrm::GetDBParam(const char* name)
{
    tor::pswdsstr<16> value;
    FormBuild::WithAllRows(*SecurityParams, [&] {
        if (name && SecurityParams->Locate("Name", name))
            value = Text16(SecurityParamsValue);
    });
    return value;
}

tor::pswdsstr<16> TSecDModSmpDlgFrm::GetPswdDBParam(const char* name)
{
    tor::pswdsstr<16> value;
    FormBuild::WithAllRows(*SecurityParams, [&] {
        if (name && SecurityParams->Locate("Name", name))
            value = Raw16(SecurityParamsValue);
    });
    return value;
}

bool TSecDModSmpDlgFrm::MayChangeSettings()
{
    // GetRight answers the form's ID; the logged user's mask lands in Mask.
    Rights().GetRight("SecProjecting");
    return (Rights().Mask & srModify) != 0;
}

void TSecDModSmpDlgFrm::SetDBParam(const char* name, const char* value)
{
    if (!name || !MayChangeSettings())
        return;
    // Hidden rows (the administration account's among them) are written too.
    FormBuild::WithAllRows(*SecurityParams, [&] {
        if (SecurityParams->Locate("Name", name))
            EditAndPost(
                SecurityParams, [&] { SecurityParamsValue->SetAsString(value ? value : ""); });
    });
}

void TSecDModSmpDlgFrm::SetPswdDBParam(const char* name, const tor::pswdsstr<16>& value)
{
    if (!name || !MayChangeSettings())
        return;
    FormBuild::WithAllRows(*SecurityParams, [&] {
        if (SecurityParams->Locate("Name", name))
            EditAndPost(SecurityParams, [&] { SecurityParamsValue->SetRaw(RawOf(value)); });
    });
}

bool TSecDModSmpDlgFrm::LocateForm(const char* formName)
{
    return formName && Forms->Locate("Name", formName);
}

SecRightsMask TSecDModSmpDlgFrm::GetRight(const char* formName)
{
    BeginPRTrans();
    Suspension<TSecDModSmpDlgFrm> end { *this, &TSecDModSmpDlgFrm::EndPRTrans };
    if (!LocateForm(formName))
        throw ERightNameNotFound(formName ? formName : "");
    return MaskOf(FormsView, FormsInsert, FormsModify, FormsDelete);
}

void TSecDModSmpDlgFrm::SetRight(const char* formName, SecRightsMask rights)
{
    if (!Unrestricted())
        RefuseWiderRights();
    BeginPRTrans();
    Suspension<TSecDModSmpDlgFrm> end { *this, &TSecDModSmpDlgFrm::EndPRTrans };
    if (!LocateForm(formName))
        throw ERightNameNotFound(formName ? formName : "");
    EditAndPost(
        Forms, [&] { StoreMask(rights, FormsView, FormsInsert, FormsModify, FormsDelete); });
}

// ---------------------------------------------------------------- the current rows

int TSecDModSmpDlgFrm::CUserID()
{
    return HasCurrentRow(Users) ? UsersUserID->AsInteger() : -1;
}

int TSecDModSmpDlgFrm::CGroupID()
{
    return HasCurrentRow(Groups) ? GroupsGroupID->AsInteger() : -1;
}

bool TSecDModSmpDlgFrm::ParamUserCanModify()
{
    return HasCurrentRow(Params) && ParamsUserCanModify->AsBoolean();
}

int TSecDModSmpDlgFrm::ParamID()
{
    return HasCurrentRow(Params) ? ParamsParamID->AsInteger() : -1;
}

tor::pswdsstr<16> TSecDModSmpDlgFrm::ParamValue()
{
    return HasCurrentRow(Params) ? Raw16(ParamsValue) : tor::pswdsstr<16>();
}

tor::pswdsstr<16> TSecDModSmpDlgFrm::ParamTypeName()
{
    return HasCurrentRow(Params) ? Text16(ParamsParamTypeName) : tor::pswdsstr<16>();
}

std::string TSecDModSmpDlgFrm::ParamDescription()
{
    return HasCurrentRow(Params) ? ParamsDescription->AsString() : std::string();
}

std::string TSecDModSmpDlgFrm::GroupDescription()
{
    return HasCurrentRow(Groups) ? GroupsDescription->AsString() : std::string();
}

std::string TSecDModSmpDlgFrm::RightDescription()
{
    return HasCurrentRow(Forms) ? FormsDescription->AsString() : std::string();
}

bool TSecDModSmpDlgFrm::RightDefault()
{
    return HasCurrentRow(Forms) && FormsUserRightID->AsInteger() == -1;
}

bool TSecDModSmpDlgFrm::ParamDefault()
{
    return HasCurrentRow(Params) && ParamsUserParamID->AsInteger() == -1;
}

bool TSecDModSmpDlgFrm::GroupModificable()
{
    return false;
}

bool TSecDModSmpDlgFrm::UserModificable()
{
    return false;
}

void TSecDModSmpDlgFrm::CheckAndPost()
{
    for (TDataSet* dataSet : { static_cast<TDataSet*>(Groups), static_cast<TDataSet*>(Users),
             static_cast<TDataSet*>(Forms), static_cast<TDataSet*>(Params) })
        if (dataSet->Active() && IsEditing(dataSet))
            dataSet->Post();
}

// ---------------------------------------------------------------- parameter types

std::string TSecDModSmpDlgFrm::ParamTypeDllName()
{
    return ParamTypeFncName(-1);
}

std::string TSecDModSmpDlgFrm::ParamTypeFncName(int fncType)
{
    static const char* const columns[]
        = { "InsFncName", "ItrFncName", "RenFncName", "ShowFncName", "KeyFncName" };
    const char* column = fncType == -1 ? "DllName"
        : fncType >= 0 && fncType < 5  ? columns[fncType]
                                       : nullptr;
    if (!column || !HasCurrentRow(Params))
        return {};
    const QVariant value
        = ParamTypes->Lookup("ParamTypeID", { ParamsParamTypeID->Value() }, column);
    return value.isNull() ? std::string() : value.toString().toStdString();
}

tor::pswdsstr<16> TSecDModSmpDlgFrm::ParamTypeKey()
{
    if (!HasCurrentRow(Params))
        return {};
    const QVariant value
        = ParamTypes->Lookup("ParamTypeID", { ParamsParamTypeID->Value() }, "FKey");
    return tor::pswdsstr<16>(value.toString().toLatin1());
}

int TSecDModSmpDlgFrm::GetParamTypeID(const char* typeName)
{
    const std::string name = typeName ? typeName : "";
    const QVariant id = ParamTypes->Lookup("Name", { QString::fromStdString(name) }, "ParamTypeID");
    if (id.isNull())
        throw EParamTypeNotFound(name);
    return id.toInt();
}

tor::pswdsstr<16> TSecDModSmpDlgFrm::GetParamTypeName(int typeID)
{
    const QVariant name = ParamTypes->Lookup("ParamTypeID", { typeID }, "Name");
    if (name.isNull())
        throw EPrmTypeNumberNotFound(typeID);
    return tor::pswdsstr<16>(name.toString().toUtf8());
}

void TSecDModSmpDlgFrm::FillEditorInt(TSecSmpParamEd& editor)
{
    if (editor.Reason != TSecSmpParamEd::rInsert && HasCurrentRow(Params)) {
        const int typeID = ParamsParamTypeID->AsInteger();
        const tor::pswdsstr<16> typeName = GetParamTypeName(typeID);
        editor.ParamID = ParamsParamID->AsInteger();
        editor.ParamTypeID = typeID;
        CopyName(editor.TypeName, typeName.c_str());
        if (editor.Reason == TSecSmpParamEd::rRename) {
            if (editor.Data)
                CopyName(*static_cast<char(*)[17]>(editor.Data), ParamsName->AsString());
        } else {
            CopyName(editor.Name, ParamsName->AsString());
        }
    }
    FillAllKeys(editor, editor.ParamID, CUserID(), editor.ParamTypeID);
}

// ---------------------------------------------------------------- finding rows

bool TSecDModSmpDlgFrm::FindParam(const char* name)
{
    return name && Params->Locate("Name", name);
}

bool TSecDModSmpDlgFrm::FindParam(int paramID)
{
    return Params->Locate("ParamID", paramID);
}

bool TSecDModSmpDlgFrm::FindUser(int userID)
{
    return Users->Locate("UserID", userID);
}

bool TSecDModSmpDlgFrm::FindGroup(int groupID)
{
    return Groups->Locate("GroupID", groupID);
}

// ---------------------------------------------------------------- users

namespace {

SecPasswdOption OptionOf(const vcl::TField* field)
{
    const int value = field->AsInteger();
    return value == 1 ? spoOn : value == 2 ? spoAsGroup : spoOff;
}

bool GroupFlag(vcl::TDataSet* groups, int groupID, const char* column)
{
    const QVariant value = groups->Lookup("GroupID", { groupID }, column);
    return !value.isNull() && value.toBool();
}

} // namespace

TSecUserInfo TSecDModSmpDlgFrm::UserInfo()
{
    TSecUserInfo info;
    if (!HasCurrentRow(Users))
        return info;
    // The name as stored in the user's row: a name cut to 16 bytes elsewhere
    // must never come back as his name.
    info.Name = tor::pswdsstr<16>(UsersName->AsString());
    info.FullName = UsersFullName->AsString();
    info.Passwd = CurrentUserPasswd();
    info.UserID = UsersUserID->AsInteger();
    info.GroupID = UsersGroupID->AsInteger();
    info.AllowChangePswd = OptionOf(UsersAllowChangePswd);
    info.AllowNullPasswd = OptionOf(UsersAllowNullPasswd);
    info.NoChPswdAtLogin = OptionOf(UsersNoChPswdAtLogin);
    info.AccountEnabled = OptionOf(UsersAccountEnabled);
    info.PasswdControl = OptionOf(UsersPasswdControl);
    info.GroupAllowChangePswd = GroupFlag(Groups, info.GroupID, "AllowChangePswd");
    info.GroupAllowNullPasswd = GroupFlag(Groups, info.GroupID, "AllowNullPasswd");
    info.GroupNoChPswdAtLogin = GroupFlag(Groups, info.GroupID, "NoChPswdAtLogin");
    info.GroupAccountEnabled = GroupFlag(Groups, info.GroupID, "AccountEnabled");
    info.GroupPasswdControl = GroupFlag(Groups, info.GroupID, "PasswdControl");
    return info;
}

TSecGroupInfo TSecDModSmpDlgFrm::GroupInfo()
{
    TSecGroupInfo info;
    if (!HasCurrentRow(Groups))
        return info;
    info.Name = tor::pswdsstr<16>(GroupsName->AsString());
    info.FullName = GroupsFullName->AsString();
    info.GroupID = GroupsGroupID->AsInteger();
    info.AllowChangePswd = GroupsAllowChangePswd->AsBoolean();
    info.AllowNullPasswd = GroupsAllowNullPasswd->AsBoolean();
    info.NoChPswdAtLogin = GroupsNoChPswdAtLogin->AsBoolean();
    info.AccountEnabled = GroupsAccountEnabled->AsBoolean();
    info.PasswdControl = GroupsPasswdControl->AsBoolean();
    return info;
}

void TSecDModSmpDlgFrm::ChangeUser(const char* name, const char* fullName,
    const tor::pswdsstr<16>& passwd, SecPasswdOption allowChangePswd,
    SecPasswdOption allowNullPasswd, SecPasswdOption noChPswdAtLogin,
    SecPasswdOption accountEnabled, SecPasswdOption passwdControl)
{
    if (!HasCurrentRow(Users))
        return;
    const TStoredPasswd stored = StoredFormOf(passwd, Raw16(UsersPasswd),
        UsersPasswordHash ? UsersPasswordHash->AsString() : std::string());
    EditAndPost(Users, [&] {
        UsersName->SetAsString(name ? name : "");
        UsersFullName->SetAsString(fullName ? fullName : "");
        // The stored form byte for byte, never through the UTF-8 text path.
        UsersPasswd->SetRaw(RawOf(stored.passwd));
        if (UsersPasswordHash)
            UsersPasswordHash->SetValue(stored.hash);
        UsersAllowChangePswd->SetAsInteger(allowChangePswd);
        UsersAllowNullPasswd->SetAsInteger(allowNullPasswd);
        UsersNoChPswdAtLogin->SetAsInteger(noChPswdAtLogin);
        UsersAccountEnabled->SetAsInteger(accountEnabled);
        UsersPasswdControl->SetAsInteger(passwdControl);
    });
    if (UsersUserID->AsInteger() == LoggedUserID())
        FillUser();
}

// The current user and his group become the logged-in security's record,
// with the option values exactly as the Users row stores them.
void TSecDModSmpDlgFrm::FillUser()
{
    if (!Security() || !HasCurrentRow(Users))
        return;
    const TSecUserInfo info = UserInfo();
    Security()->SetUserInfo(info.Passwd, info.Name.c_str(), info.FullName.c_str(),
        info.AllowChangePswd, info.AllowNullPasswd, info.NoChPswdAtLogin, info.AccountEnabled,
        info.PasswdControl);
    if (Groups->Lookup("GroupID", { info.GroupID }, "GroupID").isNull())
        return;
    Security()->SetGroupInfo(info.GroupAllowChangePswd, info.GroupAllowNullPasswd,
        info.GroupNoChPswdAtLogin, info.GroupAccountEnabled, info.GroupPasswdControl);
}

} // namespace Security
