#pragma once
// TSecDModDlgFrm: the database-neutral data module of the full administration
// dialog. Beyond the simple module it edits a group's values instead of a
// user's, evaluates the group hierarchy (which groups, and so which users, the
// logged administrator may touch), creates users, groups, rights and
// parameters through database commands, moves users between groups and
// applies parameter types and security settings on their own.
//
// The hierarchy: table ModGroups holds (GroupID, ModGroupID, Type), "members
// of GroupID may administer ModGroupID". Type 2 reaches ModGroupID and,
// transitively, what it reaches through Type 2; Type 0 then takes a group
// away; Type 1 gives a group back (not followed further). A group listing
// itself with Type 2 makes its members unrestricted.

#include <wardlock/keeper/secdmodsmp.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace Security {

// The full administration data module on the dataset layer: the simple module's form and operations
// plus groups, the group hierarchy and the creation of users, groups, rights and parameters (each
// command sequence in its own transaction, EDBOperationFailed on failure). A provider subclass
// connects it.
class TSecDModDlgFrm : public TSecDModSmpDlgFrm {
public:
    // As TSecDModSmpDlgFrm's constructor.
    TSecDModDlgFrm(TSecurity* security, bool cachedMode, int userID, int groupID);
    ~TSecDModDlgFrm() override;

    // --- the form's own components ---
    vcl::TIntegerField* GroupsPosition = nullptr;
    tor::TIntNoField* GroupsRecNo = nullptr;
    tor::TMemBooleanField* GroupsModificable = nullptr;
    vcl::TBooleanField* UsersModificable = nullptr;

    // The group hierarchy table (ModGroups), its fields and data source.
    vcl::TDBDataSet* ModGroups = nullptr;
    vcl::TIntegerField* ModGroupsGroupID = nullptr;
    vcl::TIntegerField* ModGroupsModGroupID = nullptr;
    vcl::TIntegerField* ModGroupsType = nullptr;
    vcl::TDataSource* ModGroupsDS = nullptr;
    // Used directly by the user dialogs.
    vcl::TDBDataSet* CheckAllowedGroup = nullptr;
    vcl::TDBDataSet* GroupsAllowed = nullptr;

    // Commands (run through the primitives).
    vcl::TDBDataSet* InsertRights = nullptr;
    vcl::TDBDataSet* InsertParams = nullptr;
    vcl::TDBDataSet* InsertGroups = nullptr;
    vcl::TDBDataSet* InsertUsers = nullptr;
    vcl::TDBDataSet* InsertGroupRights = nullptr;
    vcl::TDBDataSet* InsertGroupParams = nullptr;
    vcl::TDBDataSet* InsertGroupGroupRights = nullptr;
    vcl::TDBDataSet* InsertGroupGroupParams = nullptr;
    vcl::TDBDataSet* InsertCopyGroupRights = nullptr;
    vcl::TDBDataSet* InsertCopyGroupParams = nullptr;
    vcl::TDBDataSet* InsertUserRights = nullptr;
    vcl::TDBDataSet* InsertUserParams = nullptr;
    vcl::TDBDataSet* InsertNewUserRights = nullptr;
    vcl::TDBDataSet* InsertNewUserParams = nullptr;
    vcl::TDBDataSet* InsertModGroups = nullptr;
    vcl::TDBDataSet* DeleteModGroups = nullptr;
    vcl::TDBDataSet* ModifyModGroups = nullptr;

    // --- full-dialog operations ---
    bool InsParam(const char* name, const char* fullName, int paramTypeID, const char* defaultValue,
        bool hidden, bool userCanModify, bool isProtected, const char* description) override;
    bool InsParam(const char* name, const char* fullName, const char* paramTypeName,
        const char* defaultValue, bool hidden, bool userCanModify, bool isProtected,
        const char* description) override;
    bool DelParam() override;
    bool RenParam(const char* newName) override;
    void InsRight(const char* name, const char* fullName, const char* description, bool defInsert,
        bool defDelete, bool defModify, bool defView, bool hidden, bool insert, bool deleteRight,
        bool modify, bool view) override;
    void DelRight() override;
    vcl::TDataSet* NewUserStart() override;
    void NewUserCancel(vcl::TDataSet* groups) override;
    void NewUserEnd(const char* name, const char* fullName, const tor::pswdsstr<16>& passwd,
        int groupID, SecPasswdOption allowChangePswd, SecPasswdOption allowNullPasswd,
        SecPasswdOption noChPswdAtLogin, SecPasswdOption accountEnabled,
        SecPasswdOption passwdControl) override;
    void ChangeGroup(const char* name, const char* fullName, const char* description,
        bool allowChangePswd, bool allowNullPasswd, bool noChPswdAtLogin, bool accountEnabled,
        bool passwdControl, int position) override;
    void ChangeGroup(int position) override;
    void DelUser() override;
    void DelGroup() override;
    std::uint16_t NewGroupStart() override;
    int NewGroupMiddle(const char* name, const char* fullName, const char* description,
        bool allowChangePswd, bool allowNullPasswd, bool noChPswdAtLogin, bool accountEnabled,
        bool passwdControl, bool rightsFromGroup, int rightsGroupID, bool paramsFromGroup,
        int paramsGroupID, TCheckBoxState defInsert, TCheckBoxState defDelete,
        TCheckBoxState defModify, TCheckBoxState defView, unsigned short unused,
        int position) override;
    void NewGroupEnd(bool created) override;
    bool ChangeUserGroupStart() override;
    void ChangeUserGroupEnd() override;
    std::span<const GroupHierarchyEntry> ChangeGroupHierachyStart(
        std::uint16_t& administratorRow) override;
    void ChangeGroupHierachyEnd(const ModGroupIterator& added, const ModGroupIterator& removed,
        std::span<const int> newGroupIDs) override;
    void StartParamOp() override;
    void CommitParamOp() override;
    void RollbackParamOp() override;
    void ApplyParamTypes() override;
    void CancelParamTypes() override;
    void ApplySecParams() override;
    void CancelSecParams() override;
    void ApplyGroupFilter() override;

    bool GroupModificable() override;
    bool UserModificable() override;
    void Refresh() override;
    void RefreshAll() override;

    // --- primitives of the full module ---
    virtual void PrepareQuery(vcl::TComponent* command) = 0;
    virtual void UnprepareQuery(vcl::TComponent* command) = 0;
    virtual void ExecQuery(vcl::TComponent* command) = 0;
    // The GroupID of the group named `name` (bound, names are unique); -1
    // when there is none.
    virtual int GetGroupIDByName(const char* name) = 0;

    // --- the hierarchy ---
    void Open();
    // Rebuilds the hierarchy table from Groups and ModGroups (throws when
    // there are more groups than 16-bit row numbers address).
    void RefreshGroupsModGroups();
    void RefreshModGroups();
    // Which groups the administrator of row `row` may modify; sets the
    // unrestricted flag. No valid row: nothing is modifiable.
    void RefreshModificable(std::uint16_t row);
    // -1 when the administrator may place a user into the group of row
    // `row`; otherwise a row that group could administer and he cannot.
    int CanChangeGroup(std::uint16_t row, std::uint16_t unused = 0) const;
    // The hierarchy table's row of a GroupID (-1 when unknown).
    int GroupRowOf(int groupID) const;
    // Whether the group of row `row` is modifiable for the administrator.
    bool RowModificable(int row) const;
    int AdministratorRow() const noexcept { return adminRow_; }
    std::span<const GroupHierarchyEntry> Hierarchy() const noexcept { return hierarchy_; }

    // --- event handlers bound by the form ---
    void UsersCalcFields(vcl::TDataSet* dataSet);
    void GroupsNewUserFilter(vcl::TDataSet* dataSet, bool& accept);
    void GroupsAfterScroll(vcl::TDataSet* dataSet);
    void GroupsBeforePost(vcl::TDataSet* dataSet);
    void GroupsAfterDelete(vcl::TDataSet* dataSet);
    void UsersAfterDelete(vcl::TDataSet* dataSet);
    void UsersGroupIDValidate(vcl::TField* field);
    void UsersGroupIDChange(vcl::TField* field);
    void ParamsBeforeEdit(vcl::TDataSet* dataSet) override;
    // Handlers the form binds: a posted parameter, a parameter name to check, a parameter type
    // about to be posted.
    void ParamsAfterPost(vcl::TDataSet* dataSet);
    void ParamsNameValidate(vcl::TField* field);
    void ParamTypesBeforePost(vcl::TDataSet* dataSet);

protected:
    void BuildForm(const TSecFormOptions& options) override;
    void CheckUserMove(int oldGroupID, int newGroupID) override;

private:
    // A copy of the hierarchy table handed to the hierarchy editor: its row
    // numbers stay those of the table when the editor opened (a group created
    // during the save rebuilds the live table).
    struct HandedOut {
        std::vector<GroupHierarchyEntry> entries;
        std::vector<std::uint16_t> rows;
    };

    void BuildCommands(const TSecFormOptions& options);
    void FillGroupValues();
    void LocateAdministrator();
    void RebuildAfterGroupChange();
    void ClearNewUserFilter();
    bool MayPlaceUserIn(int groupID) const;
    void ExecCommands(std::initializer_list<vcl::TDBDataSet*> commands);
    // Stores the Argon2id string (null: none) of the user named `name`.
    void WritePasswordHash(const char* name, const QVariant& hash);
    void SetGroupNameAndRights(vcl::TDBDataSet* command, const char* name, TCheckBoxState defInsert,
        TCheckBoxState defDelete, TCheckBoxState defModify, TCheckBoxState defView);
    void UndoGroupMove(int userID);
    // The set of rows the group of row `row` may modify (steps 2-4 of the
    // evaluation), as flags per row.
    std::vector<std::uint8_t> ReachOf(int row, bool* unrestricted) const;

    std::vector<GroupHierarchyEntry> hierarchy_;
    std::vector<std::uint16_t> listRows_;
    std::unordered_map<int, int> groupRowOf_;
    std::vector<std::uint8_t> modifiable_;
    int adminRow_ = -1;
    HandedOut handedOut_;
    std::string rememberedParamName_;
    int savedDisableCount_ = 0;
};

} // namespace Security
