// Users in the full administration data module: creating them, moving them to
// another group and removing them, each checked against the hierarchy so that
// a restricted administrator never makes a user more than he may administer.

#include "valuehelpers.h"

#include <wardlock/data/dbdataset.h>
#include <wardlock/keeper/dmodexceptions.h>
#include <wardlock/keeper/intnofield.h>
#include <wardlock/keeper/secdmoddlg.h>
#include <wardlock/security.h>

#include <array>

namespace Security {

using vcl::TDataSet;
using namespace ValueHelpers;

void TSecDModDlgFrm::ExecCommands(std::initializer_list<vcl::TDBDataSet*> commands)
{
    for (vcl::TDBDataSet* command : commands)
        ExecQuery(command);
}

void TSecDModDlgFrm::UsersCalcFields(TDataSet*)
{
    UsersModificable->SetAsBoolean(RowModificable(GroupRowOf(UsersGroupID->AsInteger())));
}

bool TSecDModDlgFrm::UserModificable()
{
    return HasCurrentRow(Users) && RowModificable(GroupRowOf(UsersGroupID->AsInteger()));
}

void TSecDModDlgFrm::UsersAfterDelete(TDataSet*)
{
    MarkModifiedInCachedMode();
}

void TSecDModDlgFrm::UsersGroupIDValidate(vcl::TField*)
{
    if (Users->State() != vcl::dsInsert && OnUserGroupValidate)
        OnUserGroupValidate(Users);
}

void TSecDModDlgFrm::UsersGroupIDChange(vcl::TField*)
{
    if (Users->State() != vcl::dsInsert && OnUserGroupChange)
        OnUserGroupChange(Users);
}

// A user may leave a group only when the administrator may place users
// there, and enter one only under the same test.
void TSecDModDlgFrm::CheckUserMove(int oldGroupID, int newGroupID)
{
    if (oldGroupID == newGroupID || Unrestricted())
        return;
    if (!MayPlaceUserIn(oldGroupID) || !MayPlaceUserIn(newGroupID))
        RefuseWiderRights();
}

// ---------------------------------------------------------------- new user

void TSecDModDlgFrm::GroupsNewUserFilter(TDataSet*, bool& accept)
{
    const int row = GroupsRecNo->AsInteger();
    accept = RowModificable(row) && CanChangeGroup(static_cast<std::uint16_t>(row)) == -1;
}

vcl::TDataSet* TSecDModDlgFrm::NewUserStart()
{
    SetFilterSuspension(false);
    if (Unrestricted())
        return Groups;
    Groups->OnFilterRecord
        = [this](TDataSet* dataSet, bool& accept) { GroupsNewUserFilter(dataSet, accept); };
    Groups->SetFiltered(true);
    if (!Groups->IsEmpty())
        return Groups;
    ClearNewUserFilter();
    SetFilterSuspension(true);
    return nullptr;
}

void TSecDModDlgFrm::ClearNewUserFilter()
{
    if (Groups->OnFilterRecord) {
        if (Groups->Active() && Groups->Filtered())
            Groups->SetFiltered(false);
        Groups->OnFilterRecord = nullptr;
    }
}

void TSecDModDlgFrm::NewUserCancel(vcl::TDataSet*)
{
    ClearNewUserFilter();
    SetFilterSuspension(true);
}

// The user and, for a restricted administrator, his starting own rights and
// values (limited to what the administrator holds) in one transaction. The
// group must be one the administrator may place users in.
void TSecDModDlgFrm::NewUserEnd(const char* name, const char* fullName,
    const tor::pswdsstr<16>& passwd, int groupID, SecPasswdOption allowChangePswd,
    SecPasswdOption allowNullPasswd, SecPasswdOption noChPswdAtLogin,
    SecPasswdOption accountEnabled, SecPasswdOption passwdControl)
{
    struct Follow {
        TSecDModDlgFrm& module;
        ~Follow() { module.SetFilterSuspension(true); }
    } follow { *this };
    ClearNewUserFilter();
    if (!MayPlaceUserIn(groupID))
        RefuseWiderRights();
    // Edits waiting in the caches are applied first: the tables read again
    // below would drop them.
    if (AnyUpdatesPending())
        ApplyUpdates();
    const bool restricted = !Unrestricted();
    try {
        SetQueryParamAsString(InsertUsers, "Name", name);
        SetQueryParamAsString(InsertUsers, "FullName", fullName);
        const TStoredPasswd stored = StoredFormOf(passwd, {}, {});
        SetQueryParamAsRaw(InsertUsers, "Passwd", RawOf(stored.passwd));
        SetQueryParamAsInteger(InsertUsers, "GroupID", groupID);
        SetQueryParamAsInteger(InsertUsers, "AllowChangePswd", allowChangePswd);
        SetQueryParamAsInteger(InsertUsers, "AllowNullPasswd", allowNullPasswd);
        SetQueryParamAsInteger(InsertUsers, "NoChPswdAtLogin", noChPswdAtLogin);
        SetQueryParamAsInteger(InsertUsers, "AccountEnabled", accountEnabled);
        SetQueryParamAsInteger(InsertUsers, "PasswdControl", passwdControl);
        if (restricted) {
            for (vcl::TDBDataSet* command : { InsertNewUserRights, InsertNewUserParams }) {
                SetQueryParamAsInteger(command, "UserID", LoggedUserID());
                SetQueryParamAsString(command, "UserName", name);
                SetQueryParamAsInteger(command, "NewUGroupID", groupID);
                SetQueryParamAsInteger(command, "GroupID", LoggedGroupID());
            }
            SetQueryParamAsString(InsertNewUserParams, "YesString", YesString().c_str());
        }
        Transacted([&] {
            ExecQuery(InsertUsers);
            if (HasPasswordHashColumn())
                WritePasswordHash(name, stored.hash);
            if (restricted)
                ExecCommands({ InsertNewUserRights, InsertNewUserParams });
        });
    } catch (const std::exception& error) {
        throw EDBOperationFailed(error.what());
    }
    MarkForRefresh(stUsers);
    if (restricted) {
        MarkForRefresh(stUserRights);
        MarkForRefresh(stUserParams);
    }
    Refresh();
    SetFilterSuspension(true);
    Users->Locate("Name", name ? name : "");
    ApplyUserFilter();
}

void TSecDModDlgFrm::DelUser()
{
    if (!HasCurrentRow(Users))
        return;
    Users->Delete();
    MarkForRefresh(stUsers);
}

// ---------------------------------------------------------------- moving a user

bool TSecDModDlgFrm::ChangeUserGroupStart()
{
    if (Unrestricted())
        return true;
    return HasCurrentRow(Users) && MayPlaceUserIn(UsersGroupID->AsInteger());
}

// Puts the user's row back in his old group, however far the move got.
void TSecDModDlgFrm::UndoGroupMove(int userID)
{
    if (IsEditing(Users)) {
        Users->Cancel();
        return;
    }
    if (!FindUser(userID))
        return;
    if (Users->CachedUpdates())
        Users->RevertRecord();
    else
        DataSetReopen(Users);
    FindUser(userID);
}

// After UsersGroupID was set to the new group. Options "as group" that the
// new group grants but neither the old group nor the administrator holds
// become "off"; a restricted administrator's move writes the user's carried
// over rights and values and the move itself in one transaction.
void TSecDModDlgFrm::ChangeUserGroupEnd()
{
    if (!HasCurrentRow(Users))
        return;
    const QVariant stored = UsersGroupID->OldValue();
    const int newGroup = UsersGroupID->AsInteger();
    const int oldGroup = stored.isNull() ? newGroup : stored.toInt();
    const int userID = UsersUserID->AsInteger();
    if (oldGroup == newGroup)
        return;
    try {
        CheckUserMove(oldGroup, newGroup);
    } catch (...) {
        UndoGroupMove(userID);
        FillForms();
        FillParams();
        throw;
    }
    const bool restricted = !Unrestricted();
    if (restricted && Security()) {
        const TSecUser& admin = Security()->User();
        const std::array<std::pair<vcl::TIntegerField*, const char*>, 5> options { {
            { UsersAllowChangePswd, "AllowChangePswd" },
            { UsersAllowNullPasswd, "AllowNullPasswd" },
            { UsersNoChPswdAtLogin, "NoChPswdAtLogin" },
            { UsersAccountEnabled, "AccountEnabled" },
            { UsersPasswdControl, "PasswdControl" },
        } };
        const std::array<bool, 5> adminHolds { admin.EffAllowChangePswd(),
            admin.EffAllowNullPasswd(), admin.EffNoChPswdAtLogin(), admin.EffAccountEnabled(),
            admin.EffPasswdControl() };
        auto flag = [&](int groupID, const char* column) {
            const QVariant value = Groups->Lookup("GroupID", { groupID }, column);
            return !value.isNull() && value.toBool();
        };
        if (!IsEditing(Users))
            Users->Edit();
        for (size_t i = 0; i < options.size(); ++i) {
            auto [field, column] = options[i];
            if (field->AsInteger() == spoAsGroup && !flag(oldGroup, column) && !adminHolds[i]
                && flag(newGroup, column))
                field->SetAsInteger(spoOff);
        }
    }
    if (!restricted) {
        Users->CheckBrowseMode();
        if (userID == LoggedUserID())
            FillUser();
        FillForms();
        FillParams();
        return;
    }
    try {
        for (vcl::TDBDataSet* command : { InsertUserRights, InsertUserParams }) {
            SetQueryParamAsInteger(command, "UserID", userID);
            SetQueryParamAsInteger(command, "GroupID", oldGroup);
            SetQueryParamAsInteger(command, "ParentUserID", LoggedUserID());
            SetQueryParamAsInteger(command, "ParentGroupID", LoggedGroupID());
            SetQueryParamAsInteger(command, "NewGroupID", newGroup);
        }
        SetQueryParamAsString(InsertUserParams, "YesString", YesString().c_str());
        Transacted([&] {
            ExecCommands({ InsertUserRights, InsertUserParams });
            CheckAndPost();
            ApplyCachedTables();
        });
    } catch (const std::exception& error) {
        // Nothing was written; the move is taken back, other cached edits stay.
        UndoGroupMove(userID);
        FillForms();
        FillParams();
        throw EDBOperationFailed(error.what());
    }
    AfterApplied();
    FindUser(userID);
    if (userID == LoggedUserID())
        FillUser();
}

} // namespace Security
