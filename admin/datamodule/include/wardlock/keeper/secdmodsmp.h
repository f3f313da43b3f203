#pragma once
// TSecDModSmpDlgFrm: the database-neutral administration data module of the
// simple dialog, and the base of the full one. It builds its "form" (the
// datasets, fields, update objects and data sources every engine shares),
// opens it, fills the edited subject's rights and values into the memory
// fields of Forms and Params, writes edits back into the user (or group)
// tables, enforces the ceilings and applies or cancels the cached changes.
//
// A provider supplies only the connection (UseConnection) and the database
// primitives (SetQueryParamAs..., DataSet..., transactions); see
// admprimitives.h for the implementation every engine of the dataset layer
// shares, and admconnected.h for the constructor that connects and calls
// BuildForm, RestrictTo and Open.

#include <wardlock/data/dataset.h>
#include <wardlock/keeper/secdmodbase.h>

#include <QByteArray>
#include <QVariant>

#include <bitset>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

namespace vcl {
class TBooleanField;
class TCustomConnection;
class TDBDataSet;
class TIntegerField;
class TSmallintField;
class TStringField;
class TUpdateSQL;
} // namespace vcl

namespace tor {
class TIntNoField;
class TMemBooleanField;
class TMemIntegerField;
class TMemStringField;
} // namespace tor

namespace Security {

// Which statements read users, groups and the group checks: the module's
// own SQL texts (old databases), or the database's saved queries QUsers,
// QGroups, CheckAllowedGroup and GroupsAllowed (new databases).
enum class TSecLayout { Old, New };

// How a module's form is built: the layout and the parameter binding.
struct TSecFormOptions {
    // Which statements read users, groups and the group checks.
    TSecLayout layout = TSecLayout::Old;
    // False: the user and group update statements bind by position (their
    // ":Name" markers become "pName"), as databases without named
    // parameters need.
    bool namedParams = true;
};

// The simple administration data module on the dataset layer: the datasets, data sources, fields,
// update objects and event handlers of its form, and the operations of the interface written once
// for every engine. A provider subclass connects it (UseConnection) and the dialogs drive it.
// Database failures throw the ESecDBException family with a string-table message.
class TSecDModSmpDlgFrm : public TSecDModDlgBaseFrm {
public:
    // `userID`/`groupID` -1: all users and groups; otherwise only that user
    // (and the logged user's group). `cachedMode` false writes at each post.
    TSecDModSmpDlgFrm(TSecurity* security, bool cachedMode, int userID, int groupID);
    ~TSecDModSmpDlgFrm() override;

    // --- the form: datasets ---
    vcl::TDBDataSet* Users = nullptr;
    vcl::TDBDataSet* Groups = nullptr;
    vcl::TDBDataSet* Forms = nullptr;
    vcl::TDBDataSet* Params = nullptr;
    vcl::TDBDataSet* GroupParams = nullptr;
    vcl::TDBDataSet* GroupRights = nullptr;
    vcl::TDBDataSet* UserParams = nullptr;
    vcl::TDBDataSet* UserRights = nullptr;
    vcl::TDBDataSet* NewUserParams = nullptr;
    vcl::TDBDataSet* NewUserRights = nullptr;
    vcl::TDBDataSet* ParamTypes = nullptr;
    vcl::TDBDataSet* SecurityParams = nullptr;

    // --- data sources (the dataset's name + "DS") ---
    vcl::TDataSource* UsersDS = nullptr;
    vcl::TDataSource* GroupsDS = nullptr;
    vcl::TDataSource* FormsDS = nullptr;
    vcl::TDataSource* ParamsDS = nullptr;
    vcl::TDataSource* ParamTypesDS = nullptr;
    vcl::TDataSource* GroupRightsDS = nullptr;
    vcl::TDataSource* GroupParamsDS = nullptr;
    vcl::TDataSource* SecurityParamsDS = nullptr;
    vcl::TDataSource* UserRightsDS = nullptr;
    vcl::TDataSource* UserParamsDS = nullptr;

    // --- fields ---
    vcl::TIntegerField* UsersUserID = nullptr;
    vcl::TStringField* UsersName = nullptr;
    vcl::TStringField* UsersFullName = nullptr;
    vcl::TIntegerField* UsersGroupID = nullptr;
    vcl::TStringField* UsersPasswd = nullptr;
    // The Argon2id string column; null when the database has none.
    vcl::TStringField* UsersPasswordHash = nullptr;
    vcl::TIntegerField* UsersPasswdControl = nullptr;
    vcl::TIntegerField* UsersAllowNullPasswd = nullptr;
    vcl::TIntegerField* UsersAllowChangePswd = nullptr;
    vcl::TIntegerField* UsersNoChPswdAtLogin = nullptr;
    vcl::TIntegerField* UsersAccountEnabled = nullptr;

    // The Groups dataset's fields.
    vcl::TIntegerField* GroupsGroupID = nullptr;
    vcl::TStringField* GroupsName = nullptr;
    vcl::TStringField* GroupsFullName = nullptr;
    vcl::TStringField* GroupsDescription = nullptr;
    vcl::TBooleanField* GroupsPasswdControl = nullptr;
    vcl::TBooleanField* GroupsAllowNullPasswd = nullptr;
    vcl::TBooleanField* GroupsAllowChangePswd = nullptr;
    vcl::TBooleanField* GroupsNoChPswdAtLogin = nullptr;
    vcl::TBooleanField* GroupsAccountEnabled = nullptr;
    vcl::TBooleanField* GroupsForceAddMod = nullptr;

    // The Forms dataset's fields (with the logged user's rights on each form).
    vcl::TIntegerField* FormsFormID = nullptr;
    tor::TIntNoField* FormsRecNo = nullptr;
    vcl::TStringField* FormsName = nullptr;
    vcl::TStringField* FormsFullName = nullptr;
    vcl::TStringField* FormsDescription = nullptr;
    vcl::TBooleanField* FormsDefView = nullptr;
    vcl::TBooleanField* FormsDefModify = nullptr;
    vcl::TBooleanField* FormsDefInsert = nullptr;
    vcl::TBooleanField* FormsDefDelete = nullptr;
    vcl::TBooleanField* FormsHidden = nullptr;
    tor::TMemBooleanField* FormsView = nullptr;
    tor::TMemBooleanField* FormsInsert = nullptr;
    tor::TMemBooleanField* FormsModify = nullptr;
    tor::TMemBooleanField* FormsDelete = nullptr;
    tor::TMemIntegerField* FormsUserRightID = nullptr;

    // The Params dataset's fields (with the value for the user or group shown).
    vcl::TIntegerField* ParamsParamID = nullptr;
    tor::TIntNoField* ParamsRecNo = nullptr;
    vcl::TStringField* ParamsName = nullptr;
    vcl::TStringField* ParamsFullName = nullptr;
    vcl::TIntegerField* ParamsParamTypeID = nullptr;
    vcl::TStringField* ParamsDescription = nullptr;
    vcl::TBooleanField* ParamsUserCanModify = nullptr;
    vcl::TStringField* ParamsDefaultValue = nullptr;
    vcl::TBooleanField* ParamsHidden = nullptr;
    vcl::TBooleanField* ParamsProtected = nullptr;
    vcl::TStringField* ParamsParamTypeName = nullptr;
    tor::TMemStringField* ParamsValue = nullptr;
    tor::TMemIntegerField* ParamsUserParamID = nullptr;

    // The fields of the groups' parameter values and rights.
    vcl::TIntegerField* GroupParamsGroupParamID = nullptr;
    vcl::TIntegerField* GroupParamsParamID = nullptr;
    vcl::TIntegerField* GroupParamsGroupID = nullptr;
    vcl::TStringField* GroupParamsValue = nullptr;
    vcl::TIntegerField* GroupRightsRightID = nullptr;
    vcl::TIntegerField* GroupRightsFormID = nullptr;
    vcl::TIntegerField* GroupRightsGroupID = nullptr;
    vcl::TBooleanField* GroupRightsView = nullptr;
    vcl::TBooleanField* GroupRightsModify = nullptr;
    vcl::TBooleanField* GroupRightsInsert = nullptr;
    vcl::TBooleanField* GroupRightsDelete = nullptr;

    // The fields of the user's own parameter values and rights.
    vcl::TIntegerField* UserParamsUserParamID = nullptr;
    vcl::TIntegerField* UserParamsParamID = nullptr;
    vcl::TIntegerField* UserParamsUserID = nullptr;
    vcl::TStringField* UserParamsValue = nullptr;
    vcl::TIntegerField* UserRightsRightID = nullptr;
    vcl::TIntegerField* UserRightsFormID = nullptr;
    vcl::TIntegerField* UserRightsUserID = nullptr;
    vcl::TBooleanField* UserRightsView = nullptr;
    vcl::TBooleanField* UserRightsModify = nullptr;
    vcl::TBooleanField* UserRightsInsert = nullptr;
    vcl::TBooleanField* UserRightsDelete = nullptr;

    // The fields of a new user's parameter values and rights.
    vcl::TIntegerField* NewUserParamsParamID = nullptr;
    vcl::TIntegerField* NewUserParamsUserID = nullptr;
    vcl::TStringField* NewUserParamsValue = nullptr;
    vcl::TIntegerField* NewUserRightsFormID = nullptr;
    vcl::TIntegerField* NewUserRightsUserID = nullptr;
    vcl::TBooleanField* NewUserRightsView = nullptr;
    vcl::TBooleanField* NewUserRightsModify = nullptr;
    vcl::TBooleanField* NewUserRightsInsert = nullptr;
    vcl::TBooleanField* NewUserRightsDelete = nullptr;

    // The ParamTypes dataset's fields.
    vcl::TIntegerField* ParamTypesParamTypeID = nullptr;
    vcl::TStringField* ParamTypesName = nullptr;
    vcl::TStringField* ParamTypesFullName = nullptr;
    vcl::TStringField* ParamTypesDllName = nullptr;
    vcl::TStringField* ParamTypesShowFncName = nullptr;
    vcl::TStringField* ParamTypesItrFncName = nullptr;
    vcl::TStringField* ParamTypesInsFncName = nullptr;
    vcl::TStringField* ParamTypesRenFncName = nullptr;
    vcl::TStringField* ParamTypesKeyFncName = nullptr;
    vcl::TStringField* ParamTypesKey = nullptr;

    // The SecurityParams dataset's fields (the database-wide settings).
    vcl::TStringField* SecurityParamsName = nullptr;
    vcl::TStringField* SecurityParamsFullName = nullptr;
    vcl::TStringField* SecurityParamsValue = nullptr;
    vcl::TBooleanField* SecurityParamsHidden = nullptr;

    // --- update objects ---
    vcl::TUpdateSQL* UpdateUsers = nullptr;
    vcl::TUpdateSQL* UpdateGroups = nullptr;
    vcl::TUpdateSQL* UpdateUserRights = nullptr;
    vcl::TUpdateSQL* UpdateUserParams = nullptr;
    vcl::TUpdateSQL* UpdateNewUserRights = nullptr;
    vcl::TUpdateSQL* UpdateNewUserParams = nullptr;

    // --- operations of the interface ---
    void SetDefaultRights() override;
    void SetDefaultParams() override;
    tor::pswdsstr<16> GetParam(const char* name) override;
    tor::pswdsstr<16> GetPswdParam(const char* name) override;
    tor::pswdsstr<16> GetDBParam(const char* name) override;
    void SetParam(const char* name, const char* value) override;
    void SetPswdParam(const char* name, const tor::pswdsstr<16>& value) override;
    void SetDBParam(const char* name, const char* value) override;
    void SetPswdDBParam(const char* name, const tor::pswdsstr<16>& value) override;
    SecRightsMask GetRight(const char* formName) override;
    void SetRight(const char* formName, SecRightsMask rights) override;
    void ApplyUpdates() override;
    bool CancelUpdates() override;
    void Refresh() override;
    void RefreshAll() override;
    void BeginPRTrans() override;
    void EndPRTrans() override;
    void BeginPTrans() override;
    void EndPTrans() override;
    void SetParamsFiltered(bool filtered) override;
    void SetFormsFiltered(bool filtered) override;
    bool AlterRights() override;
    bool AlterParams() override;
    void ChangeUser(const char* name, const char* fullName, const tor::pswdsstr<16>& passwd,
        SecPasswdOption allowChangePswd, SecPasswdOption allowNullPasswd,
        SecPasswdOption noChPswdAtLogin, SecPasswdOption accountEnabled,
        SecPasswdOption passwdControl) override;
    bool GroupModificable() override;
    bool UserModificable() override;
    std::string ParamTypeDllName() override;
    std::string ParamTypeFncName(int fncType) override;
    tor::pswdsstr<16> ParamTypeKey() override;
    void FillEditorInt(TSecSmpParamEd& editor) override;
    bool FindParam(const char* name) override;
    bool FindParam(int paramID) override;
    bool FindUser(int userID) override;
    TSecUserInfo UserInfo() override;
    TSecGroupInfo GroupInfo() override;
    std::string LoginLockEnd(int userID) override;
    void ClearLoginLock(int userID) override;
    void ApplyUserFilter() override;
    int GetParamTypeID(const char* typeName) override;
    tor::pswdsstr<16> GetParamTypeName(int typeID) override;
    void CheckAndPost() override;
    int CUserID() override;
    int CGroupID() override;
    bool ParamUserCanModify() override;
    int ParamID() override;
    tor::pswdsstr<16> ParamValue() override;
    tor::pswdsstr<16> ParamTypeName() override;
    std::string ParamDescription() override;
    std::string GroupDescription() override;
    std::string RightDescription() override;
    bool RightDefault() override;
    bool ParamDefault() override;
    bool CanCancel() override { return cachedMode_; }
    tor::pswdsstr<16> GetPswdDBParam(const char* name) override;

    // Full-dialog operations: "Operation not supported" (FindGroup works).
    bool InsParam(
        const char*, const char*, int, const char*, bool, bool, bool, const char*) override;
    bool InsParam(
        const char*, const char*, const char*, const char*, bool, bool, bool, const char*) override;
    bool DelParam() override;
    bool RenParam(const char*) override;
    void InsRight(const char*, const char*, const char*, bool, bool, bool, bool, bool, bool, bool,
        bool, bool) override;
    void DelRight() override;
    vcl::TDataSet* NewUserStart() override;
    void NewUserCancel(vcl::TDataSet*) override;
    void NewUserEnd(const char*, const char*, const tor::pswdsstr<16>&, int, SecPasswdOption,
        SecPasswdOption, SecPasswdOption, SecPasswdOption, SecPasswdOption) override;
    void ChangeGroup(
        const char*, const char*, const char*, bool, bool, bool, bool, bool, int) override;
    void ChangeGroup(int) override;
    void DelUser() override;
    void DelGroup() override;
    std::uint16_t NewGroupStart() override;
    int NewGroupMiddle(const char*, const char*, const char*, bool, bool, bool, bool, bool, bool,
        int, bool, int, TCheckBoxState, TCheckBoxState, TCheckBoxState, TCheckBoxState,
        unsigned short, int) override;
    void NewGroupEnd(bool) override;
    bool ChangeUserGroupStart() override;
    void ChangeUserGroupEnd() override;
    std::span<const GroupHierarchyEntry> ChangeGroupHierachyStart(std::uint16_t&) override;
    void ChangeGroupHierachyEnd(
        const ModGroupIterator&, const ModGroupIterator&, std::span<const int>) override;
    void StartParamOp() override;
    void CommitParamOp() override;
    void RollbackParamOp() override;
    bool FindGroup(int groupID) override;
    void ApplyParamTypes() override;
    void CancelParamTypes() override;
    void ApplySecParams() override;
    void CancelSecParams() override;
    void ApplyGroupFilter() override;

    // The row numbers of Params and Forms are not re-read under a filter.
    virtual bool GetFilterAwareNumbers() const { return false; }
    // Fill the edited subject's values into the memory fields of Params and
    // Forms (one walk over the group's and the user's rows, no query).
    virtual void FillParams();
    virtual void FillForms();

    // --- database primitives (the provider's) ---
    virtual void SetQueryParamAsString(
        vcl::TComponent* command, const char* name, const char* value)
        = 0;
    virtual void SetQueryParamAsInteger(vcl::TComponent* command, const char* name, int value) = 0;
    virtual void SetQueryParamAsBoolean(vcl::TComponent* command, const char* name, bool value) = 0;
    // Raw bytes (one character per byte), for stored passwords and encoded values.
    virtual void SetQueryParamAsRaw(
        vcl::TComponent* command, const char* name, const QByteArray& bytes)
        = 0;
    // A dataset's cached updates: whether any are pending, commit, apply (throws the database's
    // error), cancel; and closing and opening it again.
    virtual bool DataSetUpdatesPending(vcl::TDataSet* dataSet) = 0;
    virtual void DataSetCommitUpdates(vcl::TDataSet* dataSet) = 0;
    virtual void DataSetApplyUpdates(vcl::TDataSet* dataSet) = 0;
    virtual void DataSetCancelUpdates(vcl::TDataSet* dataSet) = 0;
    virtual void DataSetReopen(vcl::TDataSet* dataSet) = 0;
    // The transaction of the module's connection (the database's errors are thrown).
    virtual void StartTransaction() = 0;
    virtual void Commit() = 0;
    virtual void Rollback() = 0;
    virtual bool InTransaction() = 0;

    // --- non-virtual operations ---
    void Open();
    // Marks every table with pending cached updates for the next Refresh.
    void SaveRefreshState();
    void RemoveRefreshState();
    void RefreshTables();
    vcl::TDataSet* GetTable(TSecTables table) const;
    // Copies the current user and his group into the security's logged-user record.
    void FillUser();
    bool CachedMode() const noexcept { return cachedMode_; }
    bool ValuesEdited() const noexcept { return valuesEdited_; }

    // --- event handlers bound by the form ---
    virtual void UsersBeforePost(vcl::TDataSet* dataSet);
    virtual void UsersAfterScroll(vcl::TDataSet* dataSet);
    virtual void GroupRightsBeforeEdit(vcl::TDataSet* dataSet);
    virtual void GroupParamsBeforeEdit(vcl::TDataSet* dataSet);
    virtual void ParamsBeforePost(vcl::TDataSet* dataSet);
    virtual void FormsBeforePost(vcl::TDataSet* dataSet);
    virtual void ParamsBeforeEdit(vcl::TDataSet* dataSet);
    virtual void ParamsValueBeforeUpdate(vcl::TField* field);
    virtual void ParamsAfterScroll(vcl::TDataSet* dataSet);
    virtual void FormsRecNoBeforeUpdate(vcl::TDataSet* dataSet);
    virtual void FormsBeforeEdit(vcl::TDataSet* dataSet);
    virtual void FormsAfterScroll(vcl::TDataSet* dataSet);

protected:
    // The dataset class, for the handlers' signatures.
    using TDataSet = vcl::TDataSet;

    // The provider points a dataset or command at its connection.
    virtual void UseConnection(vcl::TDBDataSet& dataSet) = 0;
    // Creates the form's components (the full module adds its own).
    virtual void BuildForm(const TSecFormOptions& options);
    // The components both modules share; `full` gives the full module's
    // variants (numbered groups, definitions that can be written).
    void BuildCommonForm(const TSecFormOptions& options, bool full);
    // The one-user restriction of the constructor's ids (after connecting:
    // procedures learn their parameters from the database).
    virtual void RestrictTo(int userID, int groupID);

    // The user and group the module was made for (-1: all).
    int RestrictUserID() const noexcept { return restrictUserID_; }
    int RestrictGroupID() const noexcept { return restrictGroupID_; }
    void MarkForRefresh(TSecTables table) { refreshSet_.set(static_cast<size_t>(table)); }
    bool MarkedForRefresh(TSecTables table) const
    {
        return refreshSet_.test(static_cast<size_t>(table));
    }
    void SetValuesEdited(bool value) noexcept { valuesEdited_ = value; }
    // Clears the modified flag only when no table holds pending updates.
    void ClearModifiedIfClean();
    // The two password columns of a user row being written: the legacy
    // column and the Argon2id string (null: none).
    struct TStoredPasswd {
        // The legacy column's encoded password.
        tor::pswdsstr<16> passwd;
        // The Argon2id string, or a null value when the row has none.
        QVariant hash;
    };
    // What a row whose columns hold `current` and `currentHash` stores for a
    // password given in the legacy form `passwd`: the Argon2id string the
    // login session made for it when the database stores those (the legacy
    // column then gets the marker); the row's columns unchanged when `passwd`
    // is what the row already holds; else the legacy form.
    TStoredPasswd StoredFormOf(const tor::pswdsstr<16>& passwd, const tor::pswdsstr<16>& current,
        const std::string& currentHash) const;
    // The current user's stored password as the dialogs compare it: for a
    // user stored as an Argon2id string, the legacy form of the password
    // this session verified or set for him; else the legacy column (for such
    // a user the marker, which matches no password).
    tor::pswdsstr<16> CurrentUserPasswd() const;
    // Whether the database has the Argon2id column (and failed-login locks).
    bool HasPasswordHashColumn() const noexcept { return UsersPasswordHash != nullptr; }
    // Reopens the ten tables (the datasets of TSecTables).
    void ReopenTables();
    // The logged administrator's own effective value of option `option` of
    // his Users row (0..4 in the order of TSecUserInfo), from the security.
    int LoggedUserID() const;
    int LoggedGroupID() const;
    // The subject whose values are filled: the current user (view mode 0)
    // or the current group. -1 when there is none.
    int SubjectUserID();
    int SubjectGroupID();
    // Whether the memory values belong to a subject (view modes 0 and 1).
    bool ShowsSubject() const;
    // Finishes an edit of Params and Forms (post or cancel).
    void FinishValueEdits();
    // Throws "Operation not supported".
    [[noreturn]] static void NotSupported();
    // Builds a query component of this form.
    vcl::TDBDataSet* NewQuery(const char* name, std::initializer_list<const char*> lines);
    vcl::TDBDataSet* NewStoredProc(const char* name, const char* procedure);
    vcl::TUpdateSQL* NewUpdate(const char* name, vcl::TDBDataSet* dataSet, const char* modifySql,
        const char* insertSql, const char* deleteSql);
    vcl::TDataSource* NewSource(vcl::TDBDataSet* dataSet);
    // The row number of a Params / Forms row by its ParamID / FormID (rows of
    // the unfiltered result); -1 when unknown.
    int ParamRowOf(int paramID) const;
    int FormRowOf(int formID) const;
    // The filling guard: while set, the write-back handlers do nothing.
    bool Filling() const noexcept { return filling_; }
    struct FillingFlag;
    struct FillScope;
    // Checks a change of the current user's group before it is posted
    // (the simple module refuses any; the full one asks the hierarchy).
    virtual void CheckUserMove(int oldGroupID, int newGroupID);
    // Marks the module modified when it caches its edits.
    void MarkModifiedInCachedMode();
    // Runs `body` in a transaction: committed when it returns, rolled back
    // (the first failure rethrown) when it throws.
    void Transacted(const std::function<void()>& body);
    bool AnyUpdatesPending();
    // Applies the caches of the ten tables and SecurityParams (no transaction).
    void ApplyCachedTables();
    // The bookkeeping after the cached changes were committed.
    void AfterApplied();

private:
    void BuildDataSets(const TSecFormOptions& options, bool full);
    void BuildFields(bool full);
    void IndexRows(TDataSet* dataSet, vcl::TIntegerField* idField, vcl::TField* recNo,
        std::unordered_map<int, int>& rowOf);
    void WriteBackParam(int row, const QVariant& value);
    void WriteBackRights(int row);
    bool LocateNewUserRow(TDataSet* dataSet, int userID, const char* keyField, int key);
    void DeleteOwnParam(int id, int userID, int paramID);
    void DeleteOwnRights(int id, int userID, int formID);
    void HandLoggedUserBack();
    void SetParamValue(const char* name, const QVariant& value);
    // Whether the logged user holds Modify on the design form, which
    // database settings need.
    bool MayChangeSettings();
    bool LocateForm(const char* formName);
    // Before the users are first opened: the Argon2id column's field and the
    // user statements that write it, when the database has the column.
    void PreparePasswordStorage();

    bool cachedMode_;
    // The simple module's user statements bind by position.
    bool positionalUserUpdates_ = false;
    int restrictUserID_;
    int restrictGroupID_;
    std::bitset<kSecTableCount> refreshSet_;
    bool filling_ = false;
    bool valuesEdited_ = false;
    int paramsNesting_ = 0;
    bool paramsWereFiltered_ = false;
    vcl::TBookmark paramsMark_;
    int formsNesting_ = 0;
    bool formsWereFiltered_ = false;
    vcl::TBookmark formsMark_;
    std::unordered_map<int, int> paramRowOf_;
    std::unordered_map<int, int> formRowOf_;
};

} // namespace Security
