#include "schema_model.h"

namespace Security::Schema {

namespace {

QStringList Columns(const char* list)
{
    return QString::fromLatin1(list).split(u' ', Qt::SkipEmptyParts);
}

} // namespace

QList<ExpectedRelation> ExpectedTables(Engine engine)
{
    QList<ExpectedRelation> tables = {
        { "Users",
            Columns("UserID Name FullName GroupID Passwd PasswdControl AllowNullPasswd "
                    "AllowChangePswd NoChPswdAtLogin AccountEnabled") },
        { "Groups",
            Columns("GroupID Name FullName Description PasswdControl AllowNullPasswd "
                    "AllowChangePswd NoChPswdAtLogin AccountEnabled Position ForceAddMod") },
        { "Forms",
            Columns("FormID Name FullName Description DefView DefInsert DefModify DefDelete "
                    "Hidden") },
        { "GroupRights", Columns("RightID FormID GroupID FView FInsert FModify FDelete") },
        { "UserRights", Columns("RightID FormID UserID FView FInsert FModify FDelete") },
        { "Params",
            Columns("ParamID Name FullName ParamTypeID Description UserCanModify "
                    "DefaultValue Hidden FProtected") },
        { "GroupParams", Columns("GroupParamID ParamID GroupID FValue") },
        { "UserParams", Columns("UserParamID ParamID UserID FValue") },
        { "ParamTypes",
            Columns("ParamTypeID Name FullName DllName ShowFncName ItrFncName "
                    "InsFncName RenFncName KeyFncName FKey") },
        { "SecurityParams", Columns("Name FullName FValue Hidden") },
        { "ModGroups", Columns("GroupID ModGroupID Type") },
    };
    if (engine == Engine::SQLite) {
        tables.append({ "SecProcedures", Columns("Name Params ReturnsRows") });
        tables.append({ "SecProcedureSteps", Columns("Name Step Statement") });
    }
    return tables;
}

QList<ExpectedRelation> ExpectedViews()
{
    return {
        { "QParams",
            Columns("ParamID Name FullName ParamTypeID Description UserCanModify "
                    "DefaultValue Hidden FProtected") },
        { "QForms",
            Columns("FormID Name FullName Description DefView DefModify DefInsert "
                    "DefDelete Hidden") },
        { "QParamTypes",
            Columns("ParamTypeID Name FullName DllName ShowFncName ItrFncName "
                    "InsFncName RenFncName KeyFncName FKey") },
        { "QGroupParams", Columns("GroupParamID ParamID GroupID FValue") },
        { "QGroupRights", Columns("RightID FormID GroupID FView FModify FInsert FDelete") },
        { "QUserParams", Columns("UserParamID ParamID UserID FValue") },
        { "QUserRights", Columns("RightID FormID UserID FView FModify FInsert FDelete") },
        { "QSecurityParams", Columns("Name FullName FValue Hidden") },
        { "QModGroups", Columns("GroupID ModGroupID Type") },
    };
}

QList<ExpectedProcedure> ExpectedProcedures()
{
    return {
        { "QUsers", "Filter bool, UserID int", true },
        { "QGroups", "GroupID int, Filter bool", true },
        { "GroupsAllowed", "GroupID int, ForceAddMod bool", true },
        { "CheckAllowedGroup", "SourceGroupID int, DestGroupID int", true },
        { "InsertGroupParams", "GroupID int, YesString text, ParamName text", false },
        { "InsertGroupRights",
            "GroupID int, FView bool, FInsert bool, FModify bool, FDelete bool, FormName text",
            false },
        { "InsertGroupGroupRights",
            "DefView smallint, DefInsert smallint, DefModify smallint, DefDelete smallint, "
            "GroupName text",
            false },
        { "InsertGroupGroupParams", "GroupName text", false },
        { "InsertCopyGroupParams", "GroupName text, CopyGroupID int", false },
        { "InsertCopyGroupRights",
            "DefView smallint, DefInsert smallint, DefModify smallint, DefDelete smallint, "
            "GroupName text, CopyGroupID int",
            false },
        { "InsertUserRights",
            "NewGroupID int, ParentUserID int, UserID int, ParentGroupID int, GroupID int", false },
        { "InsertUserParams",
            "NewGroupID int, ParentUserID int, UserID int, YesString text, GroupID int, "
            "ParentGroupID int",
            false },
        { "InsertNewUserParams",
            "UserName text, UserID int, GroupID int, NewUGroupID int, YesString text", false },
        { "InsertNewUserRights", "UserName text, UserID int, GroupID int, NewUGroupID int", false },
    };
}

QList<ExpectedRelation> ExpectedLoginGuardRelations()
{
    return {
        { "LoginFailures", Columns("UserID Failures WindowStart LockedUntil") },
        { "LoginThrottleSettings", Columns("FailuresBeforeLock LockSeconds") },
    };
}

QList<ExpectedProcedure> ExpectedLoginGuardProcedures()
{
    return {
        { "LoginLocked", "UserName text", true },
        { "RecordLoginFailure", "UserName text", false },
        { "ClearLoginLock", "UserID int", false },
    };
}

} // namespace Security::Schema
