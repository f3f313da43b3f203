#pragma once
// The statements of the administration data modules' form: what every
// engine's module sends to the security database. Lines as the form holds
// them; they are the system's own texts.

namespace Security::FormStatements {

// --- datasets of both modules ---
inline constexpr const char* Params[] = { "select QParams.*, 1 as RecNo from Qparams;" };
inline constexpr const char* Forms[] = { "select QForms.*, 1 as RecNo from QForms;" };
inline constexpr const char* ParamTypes[] = { "select * from QParamTypes;" };
inline constexpr const char* GroupParams[] = { "select QGroupParams.*", "from QGroupParams ;" };
inline constexpr const char* GroupRights[] = { "select QGroupRights.*", "from QGroupRights ;" };
inline constexpr const char* UserParams[] = { "select  *", " from QUserParams;" };
inline constexpr const char* UserRights[] = { "select QUserRights.* ", "from QUserRights;" };
inline constexpr const char* SecurityParams[] = { "select * from QSecurityParams;" };
inline constexpr const char* NewUserParams[]
    = { "select QUserParams.* ", "from QUserParams ", "where 0=1;" };
inline constexpr const char* NewUserRights[]
    = { "select QUserRights.* ", "from QUserRights ", "where 0=1;" };
inline constexpr const char* ModGroups[] = { "select QModGroups.*", "from QModGroups ;" };

// The static filter of Params, Forms and SecurityParams.
inline constexpr const char* HiddenFilter = "Hidden = false";

// --- old layout: the module's own texts for users, groups and the checks ---
inline constexpr const char* OldUsers[] = { "SELECT Users.*", "FROM Users",
    "WHERE not :Filter or Users.UserID = :UserID", "ORDER BY FullName;" };
inline constexpr const char* OldGroups[] = { "SELECT Groups.*, 1 AS RecNo", "FROM Groups",
    "WHERE not :Filter or Groups.GroupID=:GroupID", "ORDER BY Groups.FullName;" };
inline constexpr const char* OldSmpGroups[] = { "SELECT Groups.*, 1 AS RecNo", "FROM Groups",
    "WHERE  not :filter or  [Groups].[GroupID]=:GroupID", "ORDER BY Groups.FullName;" };
inline constexpr const char* OldCheckAllowedGroup[] = { "SELECT DISTINCT ModGroups.GroupID",
    "FROM ModGroups", "WHERE GroupID = :DestGroupID and ModGroups.ModGroupID Not In", "(",
    "select ModGroupID from ModGroups where GroupID  = :SourceGroupID", ");" };
inline constexpr const char* OldGroupsAllowed[] = { "SELECT Groups.*", "FROM Groups",
    "WHERE Groups.GroupID Not In (", "  SELECT DISTINCT ModGroups.GroupID", "  FROM ModGroups",
    "  WHERE ModGroups.GroupID = Groups.GroupID and ( ModGroups.ModGroupID Not In (",
    "\tselect ModGroupID",
    "\tfrom ModGroups where ModGroups.GroupID  = :GroupID ) or ModGroups.ModGroupID = "
    "Groups.GroupID",
    "  )", ") And Groups.GroupID In (", "   select ModGroupID", "  from ModGroups",
    "  where ModGroups.GroupID = :GroupID", ") AND ( not :ForceAddMod OR Groups.ForceAddMod )",
    "ORDER BY FullName;" };

// --- update objects (modify, insert, delete) ---
struct Update {
    const char* modify;
    const char* insert;
    const char* remove;
};

inline constexpr Update UpdateParams { "update Params set Name = :Name, FullName = :FullName, "
                                       "ParamTypeID = :ParamTypeID, Description = :Description, "
                                       "UserCanModify = :UserCanModify, DefaultValue = "
                                       ":DefaultValue, Hidden = :Hidden, FProtected = :FProtected "
                                       "where ParamID = :OLD_ParamID",
    "insert into Params (Name, FullName, ParamTypeID, Description, UserCanModify, DefaultValue, "
    "Hidden, FProtected) values (:Name, :FullName, :ParamTypeID, :Description, :UserCanModify, "
    ":DefaultValue, :Hidden, :FProtected)",
    "delete from Params where ParamID = :OLD_ParamID" };

inline constexpr Update UpdateForms { "update forms set Name = :Name, FullName = :FullName, "
                                      "Description = :Description, DefView = :DefView, DefModify "
                                      "= :DefModify, DefInsert = :DefInsert, DefDelete = "
                                      ":DefDelete, Hidden = :Hidden where FormID = :OLD_FormID",
    "insert into forms (Name, FullName, Description, DefView, DefModify, DefInsert, DefDelete, "
    "Hidden) values (:Name, :FullName, :Description, :DefView, :DefModify, :DefInsert, "
    ":DefDelete, :Hidden)",
    "delete from forms where FormID = :OLD_FormID" };

inline constexpr Update UpdateParamTypes { "update ParamTypes set Name = :Name, FullName = "
                                           ":FullName, DllName = :DllName, ShowFncName = "
                                           ":ShowFncName, ItrFncName = :ItrFncName, InsFncName = "
                                           ":InsFncName, RenFncName = :RenFncName, FKey = :FKey, "
                                           "KeyFncName = :KeyFncName where ParamTypeID = "
                                           ":OLD_ParamTypeID",
    "insert into ParamTypes (Name, FullName, DllName, ShowFncName, ItrFncName, InsFncName, "
    "RenFncName, FKey, KeyFncName) values (:Name, :FullName, :DllName, :ShowFncName, "
    ":ItrFncName, :InsFncName, :RenFncName, :FKey, :KeyFncName)",
    "delete from ParamTypes where ParamTypeID = :OLD_ParamTypeID" };

inline constexpr Update UpdateSecurityParams { "update SecurityParams set Name = :Name, FullName "
                                               "= :FullName, FValue = :FValue, Hidden = :Hidden "
                                               "where Name = :OLD_Name",
    "insert into SecurityParams (Name, FullName, FValue, Hidden) values (:Name, :FullName, "
    ":FValue, :Hidden)",
    "delete from SecurityParams where Name = :OLD_Name" };

inline constexpr Update UpdateGroupRights { "update GroupRights set FView = :FView, FModify = "
                                            ":FModify, FInsert = :FInsert, FDelete = :FDelete "
                                            "where RightID = :OLD_RightID",
    nullptr, nullptr };

inline constexpr Update UpdateGroupParams {
    "update GroupParams set FValue = :FValue where GroupParamID = :OLD_GroupParamID", nullptr,
    nullptr
};

inline constexpr Update UpdateUserRights { "update UserRights set FView = :FView, FModify = "
                                           ":FModify, FInsert = :FInsert, FDelete = :FDelete "
                                           "where RightID = :OLD_RightID",
    "insert into UserRights (FormID, UserID, FView, FModify, FInsert, FDelete) values (:FormID, "
    ":UserID, :FView, :FModify, :FInsert, :FDelete)",
    "delete from UserRights where RightID = :OLD_RightID" };

inline constexpr Update UpdateUserParams {
    "update UserParams set FValue = :FValue where UserParamID = :OLD_UserParamID",
    "insert into UserParams (ParamID, UserID, FValue) values (:ParamID, :UserID, :FValue)",
    "delete from UserParams where UserParamID = :OLD_UserParamID"
};

// A value created since the last apply has no id yet: in direct mode it is
// written at once and changed or removed again by its (user, right/parameter).
inline constexpr Update UpdateNewUserRights { "update UserRights set FView = :FView, FModify = "
                                              ":FModify, FInsert = :FInsert, FDelete = :FDelete "
                                              "where UserID = :OLD_UserID and FormID = "
                                              ":OLD_FormID",
    UpdateUserRights.insert,
    "delete from UserRights where UserID = :OLD_UserID and FormID = :OLD_FormID" };

inline constexpr Update UpdateNewUserParams { "update UserParams set FValue = :FValue where "
                                              "UserID = :OLD_UserID and ParamID = :OLD_ParamID",
    UpdateUserParams.insert,
    "delete from UserParams where UserID = :OLD_UserID and ParamID = :OLD_ParamID" };

inline constexpr Update UpdateUsers { "update Users set Name = :Name, FullName = :FullName, "
                                      "GroupID = :GroupID, Passwd = :Passwd, PasswdControl = "
                                      ":PasswdControl, AllowNullPasswd = :AllowNullPasswd, "
                                      "AllowChangePswd = :AllowChangePswd, NoChPswdAtLogin = "
                                      ":NoChPswdAtLogin, AccountEnabled = :AccountEnabled where "
                                      "UserID = :OLD_UserID",
    "insert into Users (Name, FullName, GroupID, Passwd, PasswdControl, AllowNullPasswd, "
    "AllowChangePswd, NoChPswdAtLogin, AccountEnabled) values (:Name, :FullName, :GroupID, "
    ":Passwd, :PasswdControl, :AllowNullPasswd, :AllowChangePswd, :NoChPswdAtLogin, "
    ":AccountEnabled)",
    "delete from Users where UserID = :OLD_UserID" };

// The same with the Argon2id string, for databases that have its column.
inline constexpr Update UpdateUsersWithHash {
    "update Users set Name = :Name, FullName = :FullName, "
    "GroupID = :GroupID, Passwd = :Passwd, PasswordHash = "
    ":PasswordHash, PasswdControl = :PasswdControl, "
    "AllowNullPasswd = :AllowNullPasswd, AllowChangePswd = "
    ":AllowChangePswd, NoChPswdAtLogin = :NoChPswdAtLogin, "
    "AccountEnabled = :AccountEnabled where UserID = "
    ":OLD_UserID",
    "insert into Users (Name, FullName, GroupID, Passwd, PasswordHash, PasswdControl, "
    "AllowNullPasswd, AllowChangePswd, NoChPswdAtLogin, AccountEnabled) values (:Name, :FullName, "
    ":GroupID, :Passwd, :PasswordHash, :PasswdControl, :AllowNullPasswd, :AllowChangePswd, "
    ":NoChPswdAtLogin, :AccountEnabled)",
    UpdateUsers.remove
};

// The full module's groups carry their position in the hierarchy editor.
inline constexpr Update UpdateGroups { "update Groups set Name = :Name, FullName = :FullName, "
                                       "Description = :Description, PasswdControl = "
                                       ":PasswdControl, AllowNullPasswd = :AllowNullPasswd, "
                                       "AllowChangePswd = :AllowChangePswd, NoChPswdAtLogin = "
                                       ":NoChPswdAtLogin, AccountEnabled = :AccountEnabled, "
                                       "Position = :Position where GroupID = :OLD_GroupID",
    "insert into Groups (Name, FullName, Description, PasswdControl, AllowNullPasswd, "
    "AllowChangePswd, NoChPswdAtLogin, AccountEnabled, Position) values (:Name, :FullName, "
    ":Description, :PasswdControl, :AllowNullPasswd, :AllowChangePswd, :NoChPswdAtLogin, "
    ":AccountEnabled, :Position)",
    "delete from Groups where GroupID = :OLD_GroupID" };

// The simple module's groups carry ForceAddMod instead.
inline constexpr Update UpdateSmpGroups { "update Groups set Name = :Name, FullName = :FullName, "
                                          "Description = :Description, PasswdControl = "
                                          ":PasswdControl, AllowNullPasswd = :AllowNullPasswd, "
                                          "AllowChangePswd = :AllowChangePswd, NoChPswdAtLogin = "
                                          ":NoChPswdAtLogin, AccountEnabled = :AccountEnabled, "
                                          "ForceAddMod = :ForceAddMod where GroupID = "
                                          ":OLD_GroupID",
    "insert into Groups (Name, FullName, Description, PasswdControl, AllowNullPasswd, "
    "AllowChangePswd, NoChPswdAtLogin, AccountEnabled, ForceAddMod) values (:Name, :FullName, "
    ":Description, :PasswdControl, :AllowNullPasswd, :AllowChangePswd, :NoChPswdAtLogin, "
    ":AccountEnabled, :ForceAddMod)",
    UpdateGroups.remove };

// --- commands of the full module ---
inline constexpr const char* InsertModGroups
    = "insert into ModGroups (GroupID, ModGroupID, Type) values (:GroupID, :ModGroupID, :Type)";
inline constexpr const char* DeleteModGroups
    = "delete from ModGroups where GroupID = :GroupID and ModGroupID = :ModGroupID";
inline constexpr const char* ModifyModGroups
    = "update ModGroups set GroupID = :GroupID, ModGroupID = :ModGroupID, Type  = :Type WHERE "
      "GroupID = :OLD_GroupID and ModGroupID = :OLD_ModGroupID;";

} // namespace Security::FormStatements
