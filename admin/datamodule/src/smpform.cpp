// The form of the administration data modules: the datasets, fields, update
// objects and data sources every engine shares, their events, the one-user
// restriction, and opening them.

#include "formbuild.h"
#include "formstatements.h"
#include "valuehelpers.h"

#include <wardlock/data/dbdataset.h>
#include <wardlock/keeper/dmodexceptions.h>
#include <wardlock/keeper/intnofield.h>
#include <wardlock/keeper/mutfields.h>
#include <wardlock/keeper/secdmodsmp.h>
#include <wardlock/security.h>

#include <algorithm>

namespace Security {

using namespace FormBuild;
using ValueHelpers::SuspensionOff;
namespace Sql = FormStatements;
using vcl::TBooleanField;
using vcl::TDataSet;
using vcl::TDBDataSet;
using vcl::TIntegerField;
using vcl::TStringField;

TSecDModSmpDlgFrm::TSecDModSmpDlgFrm(TSecurity* security, bool cachedMode, int userID, int groupID)
    : TSecDModDlgBaseFrm(security, userID, groupID)
    , cachedMode_(cachedMode)
    , restrictUserID_(userID)
    , restrictGroupID_(groupID)
{
}

TSecDModSmpDlgFrm::~TSecDModSmpDlgFrm() = default;

vcl::TDBDataSet* TSecDModSmpDlgFrm::NewQuery(
    const char* name, std::initializer_list<const char*> lines)
{
    auto* query = new vcl::TQuery(this);
    query->SetName(name);
    for (const char* line : lines)
        query->SQL().Add(line);
    UseConnection(*query);
    return query;
}

vcl::TDBDataSet* TSecDModSmpDlgFrm::NewStoredProc(const char* name, const char* procedure)
{
    auto* proc = new vcl::TStoredProc(this);
    proc->SetName(name);
    proc->SetStoredProcName(procedure);
    UseConnection(*proc);
    return proc;
}

vcl::TUpdateSQL* TSecDModSmpDlgFrm::NewUpdate(const char* name, TDBDataSet* dataSet,
    const char* modifySql, const char* insertSql, const char* deleteSql)
{
    auto* update = new vcl::TUpdateSQL(this);
    update->SetName(name);
    if (modifySql)
        update->ModifySQL().SetText(modifySql);
    if (insertSql)
        update->InsertSQL().SetText(insertSql);
    if (deleteSql)
        update->DeleteSQL().SetText(deleteSql);
    if (dataSet)
        dataSet->SetUpdateObject(update);
    return update;
}

vcl::TDataSource* TSecDModSmpDlgFrm::NewSource(TDBDataSet* dataSet)
{
    auto* source = new vcl::TDataSource(this);
    source->SetName(dataSet->Name() + "DS");
    source->SetDataSet(dataSet);
    return source;
}

void TSecDModSmpDlgFrm::BuildForm(const TSecFormOptions& options)
{
    BuildCommonForm(options, false);
}

void TSecDModSmpDlgFrm::BuildCommonForm(const TSecFormOptions& options, bool full)
{
    BuildDataSets(options, full);
    BuildFields(full);
    UsersDS = NewSource(Users);
    GroupsDS = NewSource(Groups);
    FormsDS = NewSource(Forms);
    ParamsDS = NewSource(Params);
    ParamTypesDS = NewSource(ParamTypes);
    GroupRightsDS = NewSource(GroupRights);
    GroupParamsDS = NewSource(GroupParams);
    SecurityParamsDS = NewSource(SecurityParams);
    UserRightsDS = NewSource(UserRights);
    UserParamsDS = NewSource(UserParams);
}

// The datasets with their statements, caches, update objects and events.
// Events are bound here, before any numbering field joins its dataset: a
// numbering field chains the handlers it finds (AfterOpen when it joins, the
// others at every open), so a handler assigned later would replace its own.
void TSecDModSmpDlgFrm::BuildDataSets(const TSecFormOptions& options, bool full)
{
    const bool newLayout = options.layout == TSecLayout::New;
    auto numbered = [this](const char* name, std::initializer_list<const char*> lines) {
        auto* query = new tor::TNoQuery(this);
        query->SetName(name);
        for (const char* line : lines)
            query->SQL().Add(line);
        UseConnection(*query);
        return query;
    };
    auto on = [this](void (TSecDModSmpDlgFrm::*handler)(TDataSet*)) {
        return [this, handler](TDataSet* dataSet) { (this->*handler)(dataSet); };
    };
    auto applied
        = [](TDataSet*, vcl::TUpdateKind, vcl::TUpdateAction& action) { action = vcl::uaApplied; };

    Params = numbered("Params", { Sql::Params[0] });
    Forms = numbered("Forms", { Sql::Forms[0] });
    for (TDBDataSet* definitions : { Params, Forms }) {
        definitions->SetFilter(Sql::HiddenFilter);
        definitions->SetFiltered(true);
    }
    if (full) {
        NewUpdate("UpdateParams", Params, Sql::UpdateParams.modify, Sql::UpdateParams.insert,
            Sql::UpdateParams.remove);
        NewUpdate("UpdateForms", Forms, Sql::UpdateForms.modify, Sql::UpdateForms.insert,
            Sql::UpdateForms.remove);
    } else {
        // The simple module never writes definitions: their rows carry only
        // the memory values, which the write-back stores elsewhere.
        Params->OnUpdateRecord = applied;
        Forms->OnUpdateRecord = applied;
    }
    Params->BeforeEdit = on(&TSecDModSmpDlgFrm::ParamsBeforeEdit);
    Params->BeforePost = on(&TSecDModSmpDlgFrm::ParamsBeforePost);
    Params->AfterScroll = on(&TSecDModSmpDlgFrm::ParamsAfterScroll);
    Params->AfterOpen = [this](TDataSet* dataSet) {
        IndexRows(dataSet, ParamsParamID, ParamsRecNo, paramRowOf_);
    };
    Forms->BeforeEdit = on(&TSecDModSmpDlgFrm::FormsBeforeEdit);
    Forms->BeforePost = on(&TSecDModSmpDlgFrm::FormsBeforePost);
    Forms->AfterScroll = on(&TSecDModSmpDlgFrm::FormsAfterScroll);
    Forms->AfterOpen
        = [this](TDataSet* dataSet) { IndexRows(dataSet, FormsFormID, FormsRecNo, formRowOf_); };

    ParamTypes = NewQuery("ParamTypes", { Sql::ParamTypes[0] });
    GroupParams = NewQuery("GroupParams", { Sql::GroupParams[0], Sql::GroupParams[1] });
    GroupRights = NewQuery("GroupRights", { Sql::GroupRights[0], Sql::GroupRights[1] });
    UserParams = NewQuery("UserParams", { Sql::UserParams[0], Sql::UserParams[1] });
    UserRights = NewQuery("UserRights", { Sql::UserRights[0], Sql::UserRights[1] });
    SecurityParams = NewQuery("SecurityParams", { Sql::SecurityParams[0] });
    NewUserParams = NewQuery(
        "NewUserParams", { Sql::NewUserParams[0], Sql::NewUserParams[1], Sql::NewUserParams[2] });
    NewUserRights = NewQuery(
        "NewUserRights", { Sql::NewUserRights[0], Sql::NewUserRights[1], Sql::NewUserRights[2] });
    SecurityParams->SetFilter(Sql::HiddenFilter);
    SecurityParams->SetFiltered(true);
    GroupParams->BeforeEdit = on(&TSecDModSmpDlgFrm::GroupParamsBeforeEdit);
    GroupRights->BeforeEdit = on(&TSecDModSmpDlgFrm::GroupRightsBeforeEdit);

    UpdateUserRights = NewUpdate("UpdateUserRights", UserRights, Sql::UpdateUserRights.modify,
        Sql::UpdateUserRights.insert, Sql::UpdateUserRights.remove);
    UpdateUserParams = NewUpdate("UpdateUserParams", UserParams, Sql::UpdateUserParams.modify,
        Sql::UpdateUserParams.insert, Sql::UpdateUserParams.remove);
    UpdateNewUserRights
        = NewUpdate("UpdateNewUserRights", NewUserRights, Sql::UpdateNewUserRights.modify,
            Sql::UpdateNewUserRights.insert, Sql::UpdateNewUserRights.remove);
    UpdateNewUserParams
        = NewUpdate("UpdateNewUserParams", NewUserParams, Sql::UpdateNewUserParams.modify,
            Sql::UpdateNewUserParams.insert, Sql::UpdateNewUserParams.remove);
    if (full) {
        NewUpdate("UpdateParamTypes", ParamTypes, Sql::UpdateParamTypes.modify,
            Sql::UpdateParamTypes.insert, Sql::UpdateParamTypes.remove);
        NewUpdate("UpdateSecurityParams", SecurityParams, Sql::UpdateSecurityParams.modify,
            Sql::UpdateSecurityParams.insert, Sql::UpdateSecurityParams.remove);
        NewUpdate(
            "UpdateGroupRights", GroupRights, Sql::UpdateGroupRights.modify, nullptr, nullptr);
        NewUpdate(
            "UpdateGroupParams", GroupParams, Sql::UpdateGroupParams.modify, nullptr, nullptr);
    }

    if (newLayout) {
        Users = NewStoredProc("Users", "QUsers");
        if (full) {
            auto* groups = new tor::TNoStoredProc(this);
            groups->SetName("Groups");
            groups->SetStoredProcName("QGroups");
            UseConnection(*groups);
            Groups = groups;
        } else {
            Groups = NewStoredProc("Groups", "QGroups");
        }
    } else {
        Users = NewQuery(
            "Users", { Sql::OldUsers[0], Sql::OldUsers[1], Sql::OldUsers[2], Sql::OldUsers[3] });
        const auto& groupsSql = full ? Sql::OldGroups : Sql::OldSmpGroups;
        std::initializer_list<const char*> groupLines
            = { groupsSql[0], groupsSql[1], groupsSql[2], groupsSql[3] };
        Groups = full ? numbered("Groups", groupLines) : NewQuery("Groups", groupLines);
        DeclareParam(*Users, "Filter", vcl::ftBoolean);
        DeclareParam(*Users, "UserID", vcl::ftInteger);
        DeclareParam(*Groups, "Filter", vcl::ftBoolean);
        DeclareParam(*Groups, "GroupID", vcl::ftInteger);
    }
    UpdateUsers = NewUpdate("UpdateUsers", Users, Sql::UpdateUsers.modify, Sql::UpdateUsers.insert,
        Sql::UpdateUsers.remove);
    const Sql::Update& groupsUpdate = full ? Sql::UpdateGroups : Sql::UpdateSmpGroups;
    UpdateGroups = NewUpdate(
        "UpdateGroups", Groups, groupsUpdate.modify, groupsUpdate.insert, groupsUpdate.remove);
    positionalUserUpdates_ = !options.namedParams && !full;
    if (positionalUserUpdates_) {
        for (vcl::TUpdateSQL* update : { UpdateUsers, UpdateGroups })
            for (auto kind : { vcl::ukModify, vcl::ukInsert, vcl::ukDelete })
                BindByPosition(update->Query(kind));
    }
    Users->BeforePost = on(&TSecDModSmpDlgFrm::UsersBeforePost);
    Users->AfterScroll = on(&TSecDModSmpDlgFrm::UsersAfterScroll);

    // Every table caches its edits; without cached mode the value tables and
    // users are written at each post.
    for (TDBDataSet* dataSet : { Users, Groups, Forms, Params, GroupParams, GroupRights, UserRights,
             UserParams, NewUserRights, NewUserParams, ParamTypes, SecurityParams })
        dataSet->SetCachedUpdates(true);
    if (!cachedMode_) {
        for (TDBDataSet* dataSet : { GroupRights, GroupParams, UserRights, UserParams,
                 NewUserRights, NewUserParams, Users, ParamTypes, SecurityParams })
            dataSet->SetCachedUpdates(false);
        // Groups too (the full module's groups included): in direct mode
        // nothing waits for an apply the dialogs never offer.
        Groups->SetCachedUpdates(false);
    }
}

void TSecDModSmpDlgFrm::BuildFields(bool full)
{
    UsersUserID = MakeField<TIntegerField>(this, Users, "UsersUserID", "UserID");
    UsersName = MakeField<TStringField>(this, Users, "UsersName", "Name", 16);
    UsersFullName = MakeField<TStringField>(this, Users, "UsersFullName", "FullName", 50);
    UsersGroupID = MakeField<TIntegerField>(this, Users, "UsersGroupID", "GroupID");
    UsersPasswd = MakeField<TStringField>(this, Users, "UsersPasswd", "Passwd", 16);
    UsersPasswdControl
        = MakeField<TIntegerField>(this, Users, "UsersPasswdControl", "PasswdControl");
    UsersAllowNullPasswd
        = MakeField<TIntegerField>(this, Users, "UsersAllowNullPasswd", "AllowNullPasswd");
    UsersAllowChangePswd
        = MakeField<TIntegerField>(this, Users, "UsersAllowChangePswd", "AllowChangePswd");
    UsersNoChPswdAtLogin
        = MakeField<TIntegerField>(this, Users, "UsersNoChPswdAtLogin", "NoChPswdAtLogin");
    UsersAccountEnabled
        = MakeField<TIntegerField>(this, Users, "UsersAccountEnabled", "AccountEnabled");

    GroupsGroupID = MakeField<TIntegerField>(this, Groups, "GroupsGroupID", "GroupID");
    GroupsName = MakeField<TStringField>(this, Groups, "GroupsName", "Name", 16);
    GroupsFullName = MakeField<TStringField>(this, Groups, "GroupsFullName", "FullName", 50);
    GroupsDescription
        = MakeField<TStringField>(this, Groups, "GroupsDescription", "Description", 255);
    GroupsPasswdControl
        = MakeField<TBooleanField>(this, Groups, "GroupsPasswdControl", "PasswdControl");
    GroupsAllowNullPasswd
        = MakeField<TBooleanField>(this, Groups, "GroupsAllowNullPasswd", "AllowNullPasswd");
    GroupsAllowChangePswd
        = MakeField<TBooleanField>(this, Groups, "GroupsAllowChangePswd", "AllowChangePswd");
    GroupsNoChPswdAtLogin
        = MakeField<TBooleanField>(this, Groups, "GroupsNoChPswdAtLogin", "NoChPswdAtLogin");
    GroupsAccountEnabled
        = MakeField<TBooleanField>(this, Groups, "GroupsAccountEnabled", "AccountEnabled");
    if (!full)
        GroupsForceAddMod
            = MakeField<TBooleanField>(this, Groups, "GroupsForceAddMod", "ForceAddMod");

    FormsFormID = MakeField<TIntegerField>(this, Forms, "FormsFormID", "FormID");
    FormsName = MakeField<TStringField>(this, Forms, "FormsName", "Name", 16);
    FormsFullName = MakeField<TStringField>(this, Forms, "FormsFullName", "FullName", 50);
    FormsDescription = MakeField<TStringField>(this, Forms, "FormsDescription", "Description", 255);
    FormsDefView = MakeField<TBooleanField>(this, Forms, "FormsDefView", "DefView");
    FormsDefModify = MakeField<TBooleanField>(this, Forms, "FormsDefModify", "DefModify");
    FormsDefInsert = MakeField<TBooleanField>(this, Forms, "FormsDefInsert", "DefInsert");
    FormsDefDelete = MakeField<TBooleanField>(this, Forms, "FormsDefDelete", "DefDelete");
    FormsHidden = MakeField<TBooleanField>(this, Forms, "FormsHidden", "Hidden");
    FormsRecNo = MakeNumbering(this, Forms, "FormsRecNo");
    FormsView = MakeMemField<tor::TMemBooleanField>(this, FormsRecNo, "FormsView", "FView");
    FormsInsert = MakeMemField<tor::TMemBooleanField>(this, FormsRecNo, "FormsInsert", "FInsert");
    FormsModify = MakeMemField<tor::TMemBooleanField>(this, FormsRecNo, "FormsModify", "FModify");
    FormsDelete = MakeMemField<tor::TMemBooleanField>(this, FormsRecNo, "FormsDelete", "FDelete");
    FormsUserRightID
        = MakeMemField<tor::TMemIntegerField>(this, FormsRecNo, "FormsUserRightID", "UserRightID");
    FormsRecNo->BeforeUpdate = [this](TDataSet* dataSet) { FormsRecNoBeforeUpdate(dataSet); };

    ParamsParamID = MakeField<TIntegerField>(this, Params, "ParamsParamID", "ParamID");
    ParamsParamID->SetReadOnly(full);
    ParamsName = MakeField<TStringField>(this, Params, "ParamsName", "Name", 16);
    ParamsFullName = MakeField<TStringField>(this, Params, "ParamsFullName", "FullName", 50);
    ParamsParamTypeID = MakeField<TIntegerField>(this, Params, "ParamsParamTypeID", "ParamTypeID");
    ParamsDescription
        = MakeField<TStringField>(this, Params, "ParamsDescription", "Description", 255);
    ParamsUserCanModify
        = MakeField<TBooleanField>(this, Params, "ParamsUserCanModify", "UserCanModify");
    ParamsDefaultValue
        = MakeField<TStringField>(this, Params, "ParamsDefaultValue", "DefaultValue", 16);
    ParamsHidden = MakeField<TBooleanField>(this, Params, "ParamsHidden", "Hidden");
    ParamsProtected = MakeField<TBooleanField>(this, Params, "ParamsProtected", "FProtected");
    ParamsParamTypeName
        = MakeField<TStringField>(this, Params, "ParamsParamTypeName", "ParamTypeName", 16);
    ParamsParamTypeName->SetFieldKind(vcl::fkLookup);
    ParamsParamTypeName->SetLookupDataSet(ParamTypes);
    ParamsParamTypeName->SetKeyFields("ParamTypeID");
    ParamsParamTypeName->SetLookupKeyFields("ParamTypeID");
    ParamsParamTypeName->SetLookupResultField("Name");
    ParamsRecNo = MakeNumbering(this, Params, "ParamsRecNo");
    ParamsValue
        = MakeMemField<tor::TMemStringField>(this, ParamsRecNo, "ParamsValue", "FValue", 16);
    ParamsUserParamID = MakeMemField<tor::TMemIntegerField>(
        this, ParamsRecNo, "ParamsUserParamID", "UserParamID");
    ParamsValue->BeforeUpdate = [this](vcl::TField* field) { ParamsValueBeforeUpdate(field); };

    GroupParamsGroupParamID
        = MakeField<TIntegerField>(this, GroupParams, "GroupParamsGroupParamID", "GroupParamID");
    GroupParamsParamID
        = MakeField<TIntegerField>(this, GroupParams, "GroupParamsParamID", "ParamID");
    GroupParamsGroupID
        = MakeField<TIntegerField>(this, GroupParams, "GroupParamsGroupID", "GroupID");
    GroupParamsValue = MakeField<TStringField>(this, GroupParams, "GroupParamsValue", "FValue", 16);
    GroupRightsRightID
        = MakeField<TIntegerField>(this, GroupRights, "GroupRightsRightID", "RightID");
    GroupRightsFormID = MakeField<TIntegerField>(this, GroupRights, "GroupRightsFormID", "FormID");
    GroupRightsGroupID
        = MakeField<TIntegerField>(this, GroupRights, "GroupRightsGroupID", "GroupID");
    MakeRightFields(this, GroupRights, "GroupRights", GroupRightsView, GroupRightsModify,
        GroupRightsInsert, GroupRightsDelete);
    for (TBooleanField* right :
        { GroupRightsView, GroupRightsModify, GroupRightsInsert, GroupRightsDelete })
        right->SetRequired(true);

    UserParamsUserParamID
        = MakeField<TIntegerField>(this, UserParams, "UserParamsUserParamID", "UserParamID");
    UserParamsParamID = MakeField<TIntegerField>(this, UserParams, "UserParamsParamID", "ParamID");
    UserParamsUserID = MakeField<TIntegerField>(this, UserParams, "UserParamsUserID", "UserID");
    UserParamsValue = MakeField<TStringField>(this, UserParams, "UserParamsValue", "FValue", 16);
    UserRightsRightID = MakeField<TIntegerField>(this, UserRights, "UserRightsRightID", "RightID");
    UserRightsFormID = MakeField<TIntegerField>(this, UserRights, "UserRightsFormID", "FormID");
    UserRightsUserID = MakeField<TIntegerField>(this, UserRights, "UserRightsUserID", "UserID");
    MakeRightFields(this, UserRights, "UserRights", UserRightsView, UserRightsModify,
        UserRightsInsert, UserRightsDelete);

    NewUserParamsParamID
        = MakeField<TIntegerField>(this, NewUserParams, "NewUserParamsParamID", "ParamID");
    NewUserParamsUserID
        = MakeField<TIntegerField>(this, NewUserParams, "NewUserParamsUserID", "UserID");
    NewUserParamsValue
        = MakeField<TStringField>(this, NewUserParams, "NewUserParamsValue", "FValue", 16);
    NewUserRightsFormID
        = MakeField<TIntegerField>(this, NewUserRights, "NewUserRightsFormID", "FormID");
    NewUserRightsUserID
        = MakeField<TIntegerField>(this, NewUserRights, "NewUserRightsUserID", "UserID");
    MakeRightFields(this, NewUserRights, "NewUserRights", NewUserRightsView, NewUserRightsModify,
        NewUserRightsInsert, NewUserRightsDelete);

    ParamTypesParamTypeID
        = MakeField<TIntegerField>(this, ParamTypes, "ParamTypesParamTypeID", "ParamTypeID");
    ParamTypesParamTypeID->SetReadOnly(true);
    ParamTypesName = MakeField<TStringField>(this, ParamTypes, "ParamTypesName", "Name", 16);
    ParamTypesFullName
        = MakeField<TStringField>(this, ParamTypes, "ParamTypesFullName", "FullName", 50);
    ParamTypesDllName
        = MakeField<TStringField>(this, ParamTypes, "ParamTypesDllName", "DllName", 255);
    ParamTypesShowFncName
        = MakeField<TStringField>(this, ParamTypes, "ParamTypesShowFncName", "ShowFncName", 255);
    ParamTypesItrFncName
        = MakeField<TStringField>(this, ParamTypes, "ParamTypesItrFncName", "ItrFncName", 255);
    ParamTypesInsFncName
        = MakeField<TStringField>(this, ParamTypes, "ParamTypesInsFncName", "InsFncName", 255);
    ParamTypesRenFncName
        = MakeField<TStringField>(this, ParamTypes, "ParamTypesRenFncName", "RenFncName", 255);
    ParamTypesKeyFncName
        = MakeField<TStringField>(this, ParamTypes, "ParamTypesKeyFncName", "KeyFncName", 255);
    ParamTypesKey = MakeField<TStringField>(this, ParamTypes, "ParamTypesKey", "FKey", 16);

    SecurityParamsName
        = MakeField<TStringField>(this, SecurityParams, "SecurityParamsName", "Name", 16);
    SecurityParamsFullName
        = MakeField<TStringField>(this, SecurityParams, "SecurityParamsFullName", "FullName", 50);
    SecurityParamsValue
        = MakeField<TStringField>(this, SecurityParams, "SecurityParamsValue", "FValue", 32);
    SecurityParamsHidden
        = MakeField<TBooleanField>(this, SecurityParams, "SecurityParamsHidden", "Hidden");
}

// Restricts every dataset to one user and his group (all when either id is
// -1), with the ids bound, never pasted into the statements.
void TSecDModSmpDlgFrm::RestrictTo(int userID, int groupID)
{
    const bool all = userID == -1 || groupID == -1;
    for (TDBDataSet* dataSet : { Users, Groups })
        SetQueryParamAsInteger(dataSet, "Filter", all ? 0 : 1);
    SetQueryParamAsInteger(Users, "UserID", all ? 0 : userID);
    if (all)
        return;
    RestrictStatement(*UserRights, "QUserRights.UserID", "UserID", userID);
    RestrictStatement(*UserParams, "QUserParams.UserID", "UserID", userID);
    RestrictStatement(*GroupRights, "QGroupRights.GroupID", "GroupID", groupID);
    RestrictStatement(*GroupParams, "QGroupParams.GroupID", "GroupID", groupID);
}

void TSecDModSmpDlgFrm::Open()
{
    Current.Users = Users;
    Current.Groups = Groups;
    Current.Forms = Forms;
    Current.Params = Params;
    Current.SecurityParams = SecurityParams;
    Current.UsersDS = UsersDS;
    Current.GroupsDS = GroupsDS;
    Current.FormsDS = FormsDS;
    Current.ParamsDS = ParamsDS;
    Current.SecurityParamsDS = SecurityParamsDS;
    Current.ParamTypesDS = ParamTypesDS;
    SetQueryParamAsInteger(Groups, "GroupID", LoggedGroupID());
    PreparePasswordStorage();
    {
        // Values are filled once everything is open.
        SuspensionOff noRefill(*this);
        // ParamTypes before Params: the type-name lookup reads it.
        for (TDBDataSet* dataSet :
            { GroupRights, GroupParams, UserRights, UserParams, NewUserRights, NewUserParams,
                ParamTypes, Groups, Params, Forms, Users, SecurityParams })
            dataSet->Open();
    }
    SetFilterSuspension(true);
    SetViewMode(vmUsers);
    ApplyUserFilter();
}

// Records, for each ID of a definition, the number of its row in the
// unfiltered result (the numbering field's value).
void TSecDModSmpDlgFrm::IndexRows(TDataSet* dataSet, TIntegerField* idField, vcl::TField* recNo,
    std::unordered_map<int, int>& rowOf)
{
    rowOf.clear();
    if (!idField || !recNo)
        return;
    WithAllRows(*dataSet, [&] {
        rowOf.reserve(static_cast<size_t>(dataSet->RecordCount()));
        for (dataSet->First(); !dataSet->Eof(); dataSet->Next())
            rowOf.emplace(idField->AsInteger(), recNo->AsInteger());
    });
}

int TSecDModSmpDlgFrm::ParamRowOf(int paramID) const
{
    auto found = paramRowOf_.find(paramID);
    return found == paramRowOf_.end() ? -1 : found->second;
}

int TSecDModSmpDlgFrm::FormRowOf(int formID) const
{
    auto found = formRowOf_.find(formID);
    return found == formRowOf_.end() ? -1 : found->second;
}

TDataSet* TSecDModSmpDlgFrm::GetTable(TSecTables table) const
{
    switch (table) {
    case stUsers:
        return Users;
    case stGroups:
        return Groups;
    case stForms:
        return Forms;
    case stParams:
        return Params;
    case stGroupParams:
        return GroupParams;
    case stGroupRights:
        return GroupRights;
    case stUserRights:
        return UserRights;
    case stUserParams:
        return UserParams;
    case stNewUserRights:
        return NewUserRights;
    case stNewUserParams:
        return NewUserParams;
    }
    return nullptr;
}

} // namespace Security
