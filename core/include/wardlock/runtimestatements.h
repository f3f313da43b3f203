#pragma once
// The statements every runtime provider's data module sends to the security
// database, line by line as its form holds them (each list ends with null).
// They are the system's own texts: the providers differ in how they connect
// and bind parameters, never in what they ask.

namespace Security::RuntimeStatements {

// The forms, the parameters, the logged user's group's and his own rights and parameter values, and
// the database-wide settings.
inline constexpr const char* const Forms[] = { "select FormID, Name", "from Forms;", nullptr };
inline constexpr const char* const Params[] = { "select ParamID, Name", "from Params;", nullptr };
inline constexpr const char* const GroupRights[]
    = { "select  FormID, [FView], [FInsert], [FModify], [FDelete]", "from GroupRights",
          "where GroupRights.GroupID=:GroupID;", nullptr };
inline constexpr const char* const UserRights[]
    = { "select FormID, [FView], [FInsert], [FModify], [FDelete]", "from UserRights",
          "where UserRights.UserID=:UserID;", nullptr };
inline constexpr const char* const GroupParams[] = { "select ParamID, FValue", "from GroupParams",
    "where GroupParams.GroupID=:GroupID; ", nullptr };
inline constexpr const char* const UserParams[]
    = { "select ParamID, FValue", "from UserParams", "where UserParams.UserID=:UserID;", nullptr };
inline constexpr const char* const SecurityParams[]
    = { "select Name, [FValue]", "from SecurityParams", nullptr };

// The users query of a login's preparation: the account with its group's
// policy, looked up by the parameter Name.
inline constexpr const char* const Users
    = "select Users.*, Groups.AllowChangePswd as GroupAllowChangePswd,Groups.AllowNullPasswd as "
      "GroupAllowNullPasswd,Groups.NoChPswdAtLogin as GroupNoChPswdAtLogin,Groups.AccountEnabled "
      "as GroupAccountEnabled,Groups.PasswdControl as GroupPasswdControl from Users inner join "
      "Groups on Users.GroupID = Groups.GroupID where Users.Name = :Name";

} // namespace Security::RuntimeStatements
