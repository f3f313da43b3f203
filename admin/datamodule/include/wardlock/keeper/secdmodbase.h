#pragma once
// The administration data module as the dialogs see it: TSecDModSmpDlgBaseFrm
// (what the simple dialog drives) and TSecDModDlgBaseFrm (what the full dialog
// and the hierarchy editor drive). A data module owns the datasets of one
// security database, keeps the rights and parameter values of the user (or
// group) being edited in memory beside them, caches every edit until it is
// applied or cancelled, and never lets the logged administrator hand out more
// than he holds. The dialogs never touch SQL: everything goes through these
// operations, the hooks below and the datasets and data sources in Current.
//
// Obtained from the security's provider (CreateSmpDlgModule, CreateDlgModule)
// and given back through its DestroyObject.

#include <wardlock/keeper/adminrecords.h>
#include <wardlock/keeper/grouphierarchy.h>
#include <wardlock/platform/component.h>
#include <wardlock/pswdsstr.h>
#include <wardlock/rights.h>
#include <wardlock/types.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace vcl {
class TDataSet;
class TDataSource;
class TField;
} // namespace vcl

namespace Security {

class TSecSmpParamEd;

// The ten cached datasets, in the order every loop over "the tables" takes.
enum TSecTables : int {
    stUsers = 0,
    stGroups = 1,
    stForms = 2,
    stParams = 3,
    stGroupParams = 4,
    stGroupRights = 5,
    stUserRights = 6,
    stUserParams = 7,
    stNewUserRights = 8,
    stNewUserParams = 9,
};
// The number of TSecTables.
inline constexpr int kSecTableCount = 10;

// What the full dialog shows; decides whose values the module holds.
enum TSecViewMode : int {
    vmUsers = 0, // the current user's values
    vmGroups = 1, // the current group's values
    vmDefinitions = 2, // rights or parameter definitions: no subject
    vmOther = 3, // any other page: no subject
};

// A check box's state as the new-group dialog passes the default rights.
enum TCheckBoxState : int { cbUnchecked = 0, cbChecked = 1, cbGrayed = 2 };

// Answers of the ask-to-apply hook.
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

// The interface the administration dialogs drive (see the file comment): the operations on the
// edited users, groups, rights and parameters. A provider makes the module for a security (its
// owner) and takes it back through DestroyObject; the database errors come as the ESecDModException
// family.
class TSecDModSmpDlgBaseFrm : public vcl::TComponent {
public:
    // The data module of `security`, owned by it. The integers are the user
    // and group to administer; the implementations take them.
    TSecDModSmpDlgBaseFrm(TSecurity* security, int userID, int groupID);
    ~TSecDModSmpDlgBaseFrm() override;

    // --- hooks set by the dialogs; an unset hook is skipped ---
    // Ask whether to apply: kAnswerYes, kAnswerNo, anything else cancels.
    std::function<int()> OnAskApply;
    // Confirm discarding the cached changes: true discards.
    std::function<bool()> OnConfirmDiscard;
    // The modified flag changed.
    std::function<void(bool modified)> OnModifiedChanged;
    // A value wider than the administrator's own was refused. The module
    // throws message 96 itself after the hook returns (the hook may throw an
    // exception of its own instead).
    std::function<void()> OnRefuseWiderRights;
    // The current row of the datasets, the parameter or the form changed.
    std::function<void()> OnStateChanged;
    std::function<void()> OnParamRowChanged;
    std::function<void()> OnFormRowChanged;

    // --- the datasets and data sources as the dialogs see them (filled by Open) ---
    struct TCurrent {
        // The datasets (not owned).
        vcl::TDataSet* Users = nullptr;
        vcl::TDataSet* Groups = nullptr;
        vcl::TDataSet* Forms = nullptr;
        vcl::TDataSet* Params = nullptr;
        vcl::TDataSet* SecurityParams = nullptr;
        // Their data sources (not owned).
        vcl::TDataSource* UsersDS = nullptr;
        vcl::TDataSource* GroupsDS = nullptr;
        vcl::TDataSource* FormsDS = nullptr;
        vcl::TDataSource* ParamsDS = nullptr;
        vcl::TDataSource* SecurityParamsDS = nullptr;
        vcl::TDataSource* ParamTypesDS = nullptr;
    } Current; // filled by Open

    // --- operations ---
    // The current right, or parameter, of the edited user goes back to his group's value.
    virtual void SetDefaultRights() = 0;
    virtual void SetDefaultParams() = 0;
    // The edited subject's value of a parameter (a password-type one as the stored 17 bytes), and a
    // security-database setting.
    virtual tor::pswdsstr<16> GetParam(const char* name) = 0;
    virtual tor::pswdsstr<16> GetPswdParam(const char* name) = 0;
    virtual tor::pswdsstr<16> GetDBParam(const char* name) = 0;
    // Set them (the password forms store the 17 bytes as given).
    virtual void SetParam(const char* name, const char* value) = 0;
    virtual void SetPswdParam(const char* name, const tor::pswdsstr<16>& value) = 0;
    virtual void SetDBParam(const char* name, const char* value) = 0;
    virtual void SetPswdDBParam(const char* name, const tor::pswdsstr<16>& value) = 0;
    // The edited subject's rights on a form, and setting them.
    virtual SecRightsMask GetRight(const char* formName) = 0;
    virtual void SetRight(const char* formName, SecRightsMask rights) = 0;
    // ApplyUpdates writes every cached change in one transaction; CancelUpdates discards them
    // (false when the user declined); Refresh reopens the datasets that had changes, RefreshAll all
    // ten; both refill the values.
    virtual void ApplyUpdates() = 0;
    virtual bool CancelUpdates() = 0;
    virtual void Refresh() = 0;
    virtual void RefreshAll() = 0;
    // Suspend the Hidden filter of Params and Forms (PR) or of Params only (P) until the matching
    // End; they nest.
    virtual void BeginPRTrans() = 0;
    virtual void EndPRTrans() = 0;
    virtual void BeginPTrans() = 0;
    virtual void EndPTrans() = 0;
    // Switch the Hidden filter of Params, or of Forms.
    virtual void SetParamsFiltered(bool filtered);
    virtual void SetFormsFiltered(bool filtered);
    // The ceilings: true when the current right row (its rights beyond the administrator's are
    // cleared), or the current parameter's value, had to be cut back.
    virtual bool AlterRights() = 0;
    virtual bool AlterParams() = 0;
    // `passwd` is the stored form (17 raw bytes), written byte for byte.
    virtual void ChangeUser(const char* name, const char* fullName, const tor::pswdsstr<16>& passwd,
        SecPasswdOption allowChangePswd, SecPasswdOption allowNullPasswd,
        SecPasswdOption noChPswdAtLogin, SecPasswdOption accountEnabled,
        SecPasswdOption passwdControl)
        = 0;
    // Whether the current group, and the current user, may be modified by the logged administrator.
    virtual bool GroupModificable() = 0;
    virtual bool UserModificable() = 0;
    // The current parameter type's plug-in library, entry point of a TFncTypes kind ("" for other
    // kinds), and stored key.
    virtual std::string ParamTypeDllName() = 0;
    virtual std::string ParamTypeFncName(int fncType) = 0;
    virtual tor::pswdsstr<16> ParamTypeKey() = 0;
    // Fills the parameter's part of an editor context.
    virtual void FillEditorInt(TSecSmpParamEd& editor) = 0;
    // Make the parameter with that name or ID, or the user with that ID, current; false when there
    // is none.
    virtual bool FindParam(const char* name) = 0;
    virtual bool FindParam(int paramID) = 0;
    virtual bool FindUser(int userID) = 0;
    // The current user (with his group's flags) and the current group.
    virtual TSecUserInfo UserInfo() = 0;
    virtual TSecGroupInfo GroupInfo() = 0;
    // Failed-login locks (databases that throttle failed logins): the end of
    // the user's lock (UTC, "YYYY-MM-DDTHH:MM:SSZ"), empty while he is not
    // locked or the database cannot lock; and ending it at once, his counted
    // failures forgotten (written at once, in its own transaction).
    virtual std::string LoginLockEnd(int userID) = 0;
    virtual void ClearLoginLock(int userID) = 0;
    // Refills the values after the current user changed.
    virtual void ApplyUserFilter() = 0;
    // A parameter type's ID by name (EParamTypeNotFound when absent), and its name by ID
    // (EPrmTypeNumberNotFound).
    virtual int GetParamTypeID(const char* typeName) = 0;
    virtual tor::pswdsstr<16> GetParamTypeName(int typeID) = 0;
    // Posts Groups, Users, Forms and Params when they are being edited, in this order.
    virtual void CheckAndPost() = 0;
    // The current user's and group's IDs.
    virtual int CUserID() = 0;
    virtual int CGroupID() = 0;
    // The current parameter: whether the user may modify it, its ID, its value for the edited
    // subject, its type's name and its description.
    virtual bool ParamUserCanModify() = 0;
    virtual int ParamID() = 0;
    virtual tor::pswdsstr<16> ParamValue() = 0;
    virtual tor::pswdsstr<16> ParamTypeName() = 0;
    virtual std::string ParamDescription() = 0;
    // The current group's, and right's, description.
    virtual std::string GroupDescription() = 0;
    virtual std::string RightDescription() = 0;
    // Whether the current right, or parameter, takes the group's value (the user has no row of his
    // own).
    virtual bool RightDefault() = 0;
    virtual bool ParamDefault() = 0;
    // Whether changes are cached and so can be cancelled.
    virtual bool CanCancel() = 0;
    // The stored bytes of a security-database setting, unconverted (an
    // encoded password), as SetPswdDBParam writes them; zero bytes when absent.
    virtual tor::pswdsstr<16> GetPswdDBParam(const char* name) = 0;
    // Bookmarks of Params and Forms survive their filter.
    virtual bool GetFilterAwareBookmarks() const { return true; }

    // --- pending changes ---
    // Nothing modified: true. Otherwise the ask-to-apply hook decides: Yes
    // applies (true), No cancels (the result of CancelUpdates), anything
    // else false. Without the hook the changes are applied.
    bool AskAndUpdate();
    // As AskAndUpdate, but Yes answers true without applying.
    bool AskAboutUpdate();
    // The modified flag: something is cached that Apply would write.
    bool Modified() const noexcept { return modified_; }
    // Sets the modified flag and tells the modified-changed hook.
    void setModified(bool modified);
    // Calls the state-changed hook.
    void SetMod();

    // --- the security and the logged administrator ---
    TSecurity* Security() const noexcept { return security_; }
    TSecRights& Rights() noexcept { return rights_; }
    // The logged administrator may modify his own group: no ceiling applies.
    bool Unrestricted() const noexcept { return unrestricted_; }
    // While set, a change of the current user (or group) refills the values.
    bool FilterSuspension() const noexcept { return filterSuspension_; }
    void SetFilterSuspension(bool value) noexcept { filterSuspension_ = value; }
    // The security's yes and no texts.
    tor::pswdsstr<16> YesString() const;
    tor::pswdsstr<16> NoString() const;
    // The administration account stored in the security database (the rows
    // "ResNrk7a~d3nEge" and "Res74hG^e5(dhF"), read through the logged
    // security; the password decoded. Empty when the security is not logged.
    tor::pswdsstr<16> GetDBUser() const;
    tor::pswdsstr<16> GetDBPasswd() const;

    // The editor's key fields: ParamID, UserID and ParamTypeID, each
    // combined with its constant (parameditor.h).
    void FillParamKeys(TSecSmpParamEd& editor, int paramID, int userID) const;
    void FillAllKeys(TSecSmpParamEd& editor, int paramID, int userID, int paramTypeID) const;

protected:
    // Raises the refusal: the hook, then message 96.
    [[noreturn]] void RefuseWiderRights();
    void SetUnrestricted(bool value) noexcept { unrestricted_ = value; }

private:
    TSecurity* security_;
    TSecRights rights_;
    bool modified_ = false;
    bool unrestricted_ = false;
    bool filterSuspension_ = true;
};

// The full dialog's data module: groups, the group hierarchy, creating
// users, groups, rights and parameters, moving users between groups.
class TSecDModDlgBaseFrm : public TSecDModSmpDlgBaseFrm {
public:
    using TSecDModSmpDlgBaseFrm::TSecDModSmpDlgBaseFrm;
    ~TSecDModDlgBaseFrm() override;

    // --- hooks of the full dialog; an unset hook is skipped ---
    // Called after a Params row was posted (with its old name and whether it was renamed), when a
    // user's group is validated or changed, and when a parameter name is validated.
    std::function<void(const std::string& oldName, bool renamed)> OnParamPosted;
    std::function<void(vcl::TDataSet* users)> OnUserGroupValidate;
    std::function<void(vcl::TDataSet* users)> OnUserGroupChange;
    std::function<void(vcl::TField* name)> OnParamNameValidate;

    // What the full dialog shows.
    TSecViewMode ViewMode() const noexcept { return viewMode_; }
    // Set by the full dialog on each page change.
    void SetViewMode(TSecViewMode mode) noexcept { viewMode_ = mode; }

    // Create a parameter (its type by ID, or by name: EParamTypeNotFound when absent) with the
    // logged group's value, in its own transaction (EDBOperationFailed on failure); true.
    virtual bool InsParam(const char* name, const char* fullName, int paramTypeID,
        const char* defaultValue, bool hidden, bool userCanModify, bool isProtected,
        const char* description)
        = 0;
    virtual bool InsParam(const char* name, const char* fullName, const char* paramTypeName,
        const char* defaultValue, bool hidden, bool userCanModify, bool isProtected,
        const char* description)
        = 0;
    // Delete the current parameter (cached) or rename it; true.
    virtual bool DelParam() = 0;
    virtual bool RenParam(const char* newName) = 0;
    // Creates a right (a form) with its defaults and the logged group's rights, in its own
    // transaction (EDBOperationFailed on failure).
    virtual void InsRight(const char* name, const char* fullName, const char* description,
        bool defInsert, bool defDelete, bool defModify, bool defView, bool hidden, bool insert,
        bool deleteRight, bool modify, bool view)
        = 0;
    // Deletes the current right (cached).
    virtual void DelRight() = 0;
    // The groups a new user may be placed in (the Groups dataset, filtered),
    // or null when there is none.
    virtual vcl::TDataSet* NewUserStart() = 0;
    // Ends a new user's creation without creating him (groups: what NewUserStart gave).
    virtual void NewUserCancel(vcl::TDataSet* groups) = 0;
    // Creates the new user in the chosen group, with the values the logged administrator may give,
    // in one transaction (EDBOperationFailed on failure).
    virtual void NewUserEnd(const char* name, const char* fullName, const tor::pswdsstr<16>& passwd,
        int groupID, SecPasswdOption allowChangePswd, SecPasswdOption allowNullPasswd,
        SecPasswdOption noChPswdAtLogin, SecPasswdOption accountEnabled,
        SecPasswdOption passwdControl)
        = 0;
    // Edits the current group (all its values, or its position in the hierarchy editor only).
    virtual void ChangeGroup(const char* name, const char* fullName, const char* description,
        bool allowChangePswd, bool allowNullPasswd, bool noChPswdAtLogin, bool accountEnabled,
        bool passwdControl, int position)
        = 0;
    virtual void ChangeGroup(int position) = 0;
    // Delete the current user, or group with its users (cached).
    virtual void DelUser() = 0;
    virtual void DelGroup() = 0;
    // The administrator's row in the hierarchy table.
    virtual std::uint16_t NewGroupStart() = 0;
    // Creates the group (with rights and values, copied from other groups
    // when asked); its GroupID.
    virtual int NewGroupMiddle(const char* name, const char* fullName, const char* description,
        bool allowChangePswd, bool allowNullPasswd, bool noChPswdAtLogin, bool accountEnabled,
        bool passwdControl, bool rightsFromGroup, int rightsGroupID, bool paramsFromGroup,
        int paramsGroupID, TCheckBoxState defInsert, TCheckBoxState defDelete,
        TCheckBoxState defModify, TCheckBoxState defView, unsigned short unused, int position)
        = 0;
    // Ends a new group's creation: refreshes when it was created.
    virtual void NewGroupEnd(bool created) = 0;
    // Whether the current user may be moved out of his group.
    virtual bool ChangeUserGroupStart() = 0;
    // After UsersGroupID was set to the new group: checks and writes the move.
    virtual void ChangeUserGroupEnd() = 0;
    // The hierarchy table (one entry per group, in Groups order) and the
    // administrator's row. Valid until ChangeGroupHierachyEnd.
    virtual std::span<const GroupHierarchyEntry> ChangeGroupHierachyStart(
        std::uint16_t& administratorRow)
        = 0;
    // Writes the removed and added edges; rows from the table's size up name
    // newGroupIDs[row - size] (-1: never created, the edge is skipped). Null
    // iterators end the change without writing.
    virtual void ChangeGroupHierachyEnd(const ModGroupIterator& added,
        const ModGroupIterator& removed, std::span<const int> newGroupIDs)
        = 0;
    virtual void StartParamOp() = 0;
    virtual void CommitParamOp() = 0;
    virtual void RollbackParamOp() = 0;
    virtual bool FindGroup(int groupID) = 0;
    virtual void ApplyParamTypes() = 0;
    virtual void CancelParamTypes() = 0;
    virtual void ApplySecParams() = 0;
    virtual void CancelSecParams() = 0;
    virtual void ApplyGroupFilter() = 0;

private:
    TSecViewMode viewMode_ = vmUsers;
};

} // namespace Security
