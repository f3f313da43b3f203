// The full administration data module's form: the numbered groups with their
// hierarchy flags, the hierarchy rows, the group checks of the user dialogs,
// the commands, and opening it all.

#include "formbuild.h"
#include "formstatements.h"
#include "valuehelpers.h"

#include <wardlock/data/dbdataset.h>
#include <wardlock/keeper/dmodexceptions.h>
#include <wardlock/keeper/intnofield.h>
#include <wardlock/keeper/mutfields.h>
#include <wardlock/keeper/secdmoddlg.h>
#include <wardlock/security.h>

namespace Security {

using namespace FormBuild;
namespace Sql = FormStatements;
using vcl::TDataSet;
using vcl::TDBDataSet;
using vcl::TIntegerField;

TSecDModDlgFrm::TSecDModDlgFrm(TSecurity* security, bool cachedMode, int userID, int groupID)
    : TSecDModSmpDlgFrm(security, cachedMode, userID, groupID)
{
}

TSecDModDlgFrm::~TSecDModDlgFrm() = default;

void TSecDModDlgFrm::BuildForm(const TSecFormOptions& options)
{
    BuildCommonForm(options, true);

    // The full module's events; bound before GroupsRecNo joins Groups.
    auto on = [this](void (TSecDModDlgFrm::*handler)(TDataSet*)) {
        return [this, handler](TDataSet* dataSet) { (this->*handler)(dataSet); };
    };
    Groups->AfterScroll = on(&TSecDModDlgFrm::GroupsAfterScroll);
    Groups->BeforePost = on(&TSecDModDlgFrm::GroupsBeforePost);
    Groups->AfterDelete = on(&TSecDModDlgFrm::GroupsAfterDelete);
    Users->AfterDelete = on(&TSecDModDlgFrm::UsersAfterDelete);
    Users->OnCalcFields = on(&TSecDModDlgFrm::UsersCalcFields);
    Params->AfterPost = on(&TSecDModDlgFrm::ParamsAfterPost);
    ParamTypes->BeforePost = on(&TSecDModDlgFrm::ParamTypesBeforePost);
    UsersGroupID->OnValidate = [this](vcl::TField* field) { UsersGroupIDValidate(field); };
    UsersGroupID->OnChange = [this](vcl::TField* field) { UsersGroupIDChange(field); };
    ParamsName->OnValidate = [this](vcl::TField* field) { ParamsNameValidate(field); };

    GroupsPosition = MakeField<TIntegerField>(this, Groups, "GroupsPosition", "Position");
    GroupsRecNo = MakeNumbering(this, Groups, "GroupsRecNo");
    GroupsModificable = MakeMemField<tor::TMemBooleanField>(
        this, GroupsRecNo, "GroupsModificable", "Modificable");
    UsersModificable = new vcl::TBooleanField(this);
    UsersModificable->SetName("UsersModificable");
    UsersModificable->SetFieldName("Modificable");
    UsersModificable->SetFieldKind(vcl::fkCalculated);
    UsersModificable->SetDataSet(Users);

    ModGroups = NewQuery("ModGroups", { Sql::ModGroups[0], Sql::ModGroups[1] });
    ModGroupsGroupID = MakeField<TIntegerField>(this, ModGroups, "ModGroupsGroupID", "GroupID");
    ModGroupsModGroupID
        = MakeField<TIntegerField>(this, ModGroups, "ModGroupsModGroupID", "ModGroupID");
    ModGroupsType = MakeField<TIntegerField>(this, ModGroups, "ModGroupsType", "Type");
    ModGroupsDS = NewSource(ModGroups);

    BuildCommands(options);
}

void TSecDModDlgFrm::BuildCommands(const TSecFormOptions& options)
{
    if (options.layout == TSecLayout::New) {
        CheckAllowedGroup = NewStoredProc("CheckAllowedGroup", "CheckAllowedGroup");
        GroupsAllowed = NewStoredProc("GroupsAllowed", "GroupsAllowed");
    } else {
        const auto& check = Sql::OldCheckAllowedGroup;
        CheckAllowedGroup = NewQuery(
            "CheckAllowedGroup", { check[0], check[1], check[2], check[3], check[4], check[5] });
        const auto& allowed = Sql::OldGroupsAllowed;
        GroupsAllowed = NewQuery("GroupsAllowed",
            { allowed[0], allowed[1], allowed[2], allowed[3], allowed[4], allowed[5], allowed[6],
                allowed[7], allowed[8], allowed[9], allowed[10], allowed[11], allowed[12],
                allowed[13], allowed[14] });
        DeclareParam(*CheckAllowedGroup, "SourceGroupID", vcl::ftInteger);
        DeclareParam(*CheckAllowedGroup, "DestGroupID", vcl::ftInteger);
        DeclareParam(*GroupsAllowed, "GroupID", vcl::ftInteger);
        DeclareParam(*GroupsAllowed, "ForceAddMod", vcl::ftBoolean);
    }

    InsertParams = NewQuery("InsertParams", { Sql::UpdateParams.insert });
    InsertRights = NewQuery("InsertRights", { Sql::UpdateForms.insert });
    InsertGroups = NewQuery("InsertGroups", { Sql::UpdateGroups.insert });
    InsertUsers = NewQuery("InsertUsers", { Sql::UpdateUsers.insert });
    InsertGroupParams = NewStoredProc("InsertGroupParams", "InsertGroupParams");
    InsertGroupRights = NewStoredProc("InsertGroupRights", "InsertGroupRights");
    InsertGroupGroupRights = NewStoredProc("InsertGroupGroupRights", "InsertGroupGroupRights");
    InsertGroupGroupParams = NewStoredProc("InsertGroupGroupParams", "InsertGroupGroupParams");
    InsertCopyGroupRights = NewStoredProc("InsertCopyGroupRights", "InsertCopyGroupRights");
    InsertCopyGroupParams = NewStoredProc("InsertCopyGroupParams", "InsertCopyGroupParams");
    InsertUserRights = NewStoredProc("InsertUserRights", "InsertUserRights");
    InsertUserParams = NewStoredProc("InsertUserParams", "InsertUserParams");
    InsertNewUserRights = NewStoredProc("InsertNewUserRights", "InsertNewUserRights");
    InsertNewUserParams = NewStoredProc("InsertNewUserParams", "InsertNewUserParams");
    InsertModGroups = NewQuery("InsertModGroups", { Sql::InsertModGroups });
    DeleteModGroups = NewQuery("DeleteModGroups", { Sql::DeleteModGroups });
    ModifyModGroups = NewQuery("ModifyModGroups", { Sql::ModifyModGroups });
    for (TDBDataSet* command : { InsertModGroups, DeleteModGroups })
        for (const char* name : { "GroupID", "ModGroupID" })
            DeclareParam(*command, name, vcl::ftInteger);
    DeclareParam(*InsertModGroups, "Type", vcl::ftSmallint);
}

void TSecDModDlgFrm::Open()
{
    TSecDModSmpDlgFrm::Open();
    RefreshGroupsModGroups();
    FindUser(LoggedUserID());
    FindGroup(LoggedGroupID());
    LocateAdministrator();
}

// The administrator's row in the hierarchy table and what he may modify.
void TSecDModDlgFrm::LocateAdministrator()
{
    adminRow_ = GroupRowOf(LoggedGroupID());
    RefreshModificable(adminRow_ < 0 ? UINT16_MAX : static_cast<std::uint16_t>(adminRow_));
    if (Users->Active())
        Users->Resync();
}

// After Groups was read again: a new table, the administrator's row, the
// flags.
void TSecDModDlgFrm::RebuildAfterGroupChange()
{
    RefreshGroupsModGroups();
    LocateAdministrator();
}

void TSecDModDlgFrm::Refresh()
{
    const bool groupsStale = MarkedForRefresh(stGroups);
    Groups->DisableControls();
    struct Enable {
        TDataSet* groups;
        ~Enable() { groups->EnableControls(); }
    } enable { Groups };
    TSecDModSmpDlgFrm::Refresh();
    if (groupsStale && !MarkedForRefresh(stGroups))
        RebuildAfterGroupChange();
}

void TSecDModDlgFrm::RefreshAll()
{
    TSecDModSmpDlgFrm::RefreshAll();
    RebuildAfterGroupChange();
}

} // namespace Security
