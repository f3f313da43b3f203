-- Wardlock security database, PostgreSQL: procedures and parameterised saved
-- queries as functions. The dataset layer's TStoredProc reads the declared
-- parameter names from the catalog and calls "SELECT * FROM name(...)" for
-- row-returning functions and "SELECT name(...)" for the void ones. Each body
-- has a twin in sqlite/03_procedures.sql that must give the same rows.
--
-- Bodies refer to their parameters by position ($1, ...): in an SQL function a
-- column of the same name as a parameter (GroupID, UserID) would win.
--
-- Conventions shared by every body:
--  * A right or value a user inherits is his group's row; a user row replaces
--    it completely. "The administrator's own" right or value is his user row
--    if he has one, else his group's row, else nothing (no right, '').
--  * Rights given as smallint check-box states: 0 unchecked (false), 1 checked
--    (true), anything else (2, grayed) takes the form's default (or the copied
--    group's right).
--  * Ceiling on protected parameters, as the administration applies it when an
--    administrator edits a value: type "Boolean": a value equal to YesString
--    needs the administrator's own value to be YesString; type "Integer": the
--    administrator's own value must be >= the value (both read as a decimal
--    32-bit integer with optional sign, anything else counting as
--    -2147483648); any other type: the value must be '' or the
--    administrator's own value.
--  * Names identify the row just inserted; Name is unique, so they name at
--    most one row. An unknown name inserts nothing.

-- A parameter value read as an integer for the ceiling of "Integer"
-- parameters.
CREATE FUNCTION SecStrToInt(Digits text) RETURNS integer
LANGUAGE sql IMMUTABLE AS $$
    SELECT CASE WHEN $1 ~ '^[+-]?[0-9]{1,10}$'
                 AND CAST($1 AS bigint) BETWEEN -2147483648 AND 2147483647
                THEN CAST($1 AS integer) ELSE -2147483648 END
$$;

-- All users, or only user UserID when Filter is true; by full name.
CREATE FUNCTION QUsers(Filter boolean, UserID integer) RETURNS SETOF Users
LANGUAGE sql STABLE AS $$
    SELECT Users.* FROM Users
    WHERE NOT $1 OR Users.UserID = $2
    ORDER BY Users.FullName, Users.UserID
$$;

-- The row of QGroups: every Groups column and RecNo, the column the
-- administration numbers its rows in. (RETURNS TABLE would clash: its column
-- GroupID would be a second parameter of that name.)
CREATE TYPE QGroupsRow AS (
    GroupID         integer,
    Name            varchar(16),
    FullName        varchar(50),
    Description     varchar(255),
    PasswdControl   boolean,
    AllowNullPasswd boolean,
    AllowChangePswd boolean,
    NoChPswdAtLogin boolean,
    AccountEnabled  boolean,
    Position        integer,
    ForceAddMod     boolean,
    RecNo           integer
);

-- All groups, or only group GroupID when Filter is true; by full name.
CREATE FUNCTION QGroups(GroupID integer, Filter boolean) RETURNS SETOF QGroupsRow
LANGUAGE sql STABLE AS $$
    SELECT Groups.*, 1 AS RecNo FROM Groups
    WHERE NOT $2 OR Groups.GroupID = $1
    ORDER BY Groups.FullName, Groups.GroupID
$$;

-- The groups GroupID administers (any ModGroups row) that do not administer
-- themselves nor any group outside what GroupID administers; only groups with
-- ForceAddMod set when ForceAddMod is true. By full name.
CREATE FUNCTION GroupsAllowed(GroupID integer, ForceAddMod boolean) RETURNS SETOF Groups
LANGUAGE sql STABLE AS $$
    SELECT Groups.* FROM Groups
    WHERE Groups.GroupID NOT IN (
            SELECT DISTINCT ModGroups.GroupID FROM ModGroups
            WHERE ModGroups.GroupID = Groups.GroupID
              AND (ModGroups.ModGroupID NOT IN (
                       SELECT ModGroupID FROM ModGroups WHERE ModGroups.GroupID = $1)
                   OR ModGroups.ModGroupID = Groups.GroupID))
      AND Groups.GroupID IN (SELECT ModGroupID FROM ModGroups WHERE ModGroups.GroupID = $1)
      AND (NOT $2 OR Groups.ForceAddMod)
    ORDER BY Groups.FullName, Groups.GroupID
$$;

-- One row (DestGroupID) when DestGroupID administers a group that
-- SourceGroupID does not; no row otherwise. A row type of its own, so that the
-- catalog lists only the two parameters (RETURNS TABLE would list GroupID too).
CREATE TYPE CheckAllowedGroupRow AS (GroupID integer);
CREATE FUNCTION CheckAllowedGroup(SourceGroupID integer, DestGroupID integer)
RETURNS SETOF CheckAllowedGroupRow
LANGUAGE sql STABLE AS $$
    SELECT DISTINCT ModGroups.GroupID FROM ModGroups
    WHERE ModGroups.GroupID = $2
      AND ModGroups.ModGroupID NOT IN (
          SELECT Source.ModGroupID FROM ModGroups Source WHERE Source.GroupID = $1)
$$;

-- A new parameter: every group gets a row with the default value, except that
-- the creating administrator's group GroupID gets YesString for a protected
-- Boolean parameter, so that the administrator holds the parameter he defined
-- and may grant it.
CREATE FUNCTION InsertGroupParams(GroupID integer, YesString text, ParamName text) RETURNS void
LANGUAGE sql AS $$
    INSERT INTO GroupParams (ParamID, GroupID, FValue)
    SELECT Params.ParamID, Groups.GroupID,
           CASE WHEN Groups.GroupID = $1 AND Params.FProtected AND ParamTypes.Name = 'Boolean'
                THEN $2 ELSE Params.DefaultValue END
    FROM Params
    INNER JOIN ParamTypes ON ParamTypes.ParamTypeID = Params.ParamTypeID
    CROSS JOIN Groups
    WHERE Params.Name = $3
    ORDER BY Groups.GroupID
$$;

-- A new form: group GroupID (the creating administrator's) gets the given
-- rights, every other group the form's defaults.
CREATE FUNCTION InsertGroupRights(GroupID integer, FView boolean, FInsert boolean,
                                  FModify boolean, FDelete boolean, FormName text) RETURNS void
LANGUAGE sql AS $$
    INSERT INTO GroupRights (FormID, GroupID, FView, FInsert, FModify, FDelete)
    SELECT Forms.FormID, Groups.GroupID,
           CASE WHEN Groups.GroupID = $1 THEN $2 ELSE Forms.DefView END,
           CASE WHEN Groups.GroupID = $1 THEN $3 ELSE Forms.DefInsert END,
           CASE WHEN Groups.GroupID = $1 THEN $4 ELSE Forms.DefModify END,
           CASE WHEN Groups.GroupID = $1 THEN $5 ELSE Forms.DefDelete END
    FROM Forms CROSS JOIN Groups
    WHERE Forms.Name = $6
    ORDER BY Groups.GroupID
$$;

-- A new group: a row for every form, each right from its check-box state.
CREATE FUNCTION InsertGroupGroupRights(DefView smallint, DefInsert smallint, DefModify smallint,
                                       DefDelete smallint, GroupName text) RETURNS void
LANGUAGE sql AS $$
    INSERT INTO GroupRights (FormID, GroupID, FView, FInsert, FModify, FDelete)
    SELECT Forms.FormID, Groups.GroupID,
           CASE $1 WHEN 0 THEN false WHEN 1 THEN true ELSE Forms.DefView END,
           CASE $2 WHEN 0 THEN false WHEN 1 THEN true ELSE Forms.DefInsert END,
           CASE $3 WHEN 0 THEN false WHEN 1 THEN true ELSE Forms.DefModify END,
           CASE $4 WHEN 0 THEN false WHEN 1 THEN true ELSE Forms.DefDelete END
    FROM Forms CROSS JOIN Groups
    WHERE Groups.Name = $5
    ORDER BY Forms.FormID
$$;

-- A new group: a row for every parameter with its default value.
CREATE FUNCTION InsertGroupGroupParams(GroupName text) RETURNS void
LANGUAGE sql AS $$
    INSERT INTO GroupParams (ParamID, GroupID, FValue)
    SELECT Params.ParamID, Groups.GroupID, Params.DefaultValue
    FROM Params CROSS JOIN Groups
    WHERE Groups.Name = $1
    ORDER BY Params.ParamID
$$;

-- A new group copying group CopyGroupID's values; a parameter the copied group
-- has no row for takes its default value.
CREATE FUNCTION InsertCopyGroupParams(GroupName text, CopyGroupID integer) RETURNS void
LANGUAGE sql AS $$
    INSERT INTO GroupParams (ParamID, GroupID, FValue)
    SELECT Params.ParamID, Groups.GroupID,
           CASE WHEN Source.GroupParamID IS NULL THEN Params.DefaultValue ELSE Source.FValue END
    FROM Params CROSS JOIN Groups
    LEFT JOIN GroupParams Source ON Source.ParamID = Params.ParamID AND Source.GroupID = $2
    WHERE Groups.Name = $1
    ORDER BY Params.ParamID
$$;

-- A new group copying group CopyGroupID's rights; a checked or unchecked state
-- overrides the copy, a form the copied group has no row for takes its defaults.
CREATE FUNCTION InsertCopyGroupRights(DefView smallint, DefInsert smallint, DefModify smallint,
                                      DefDelete smallint, GroupName text, CopyGroupID integer)
RETURNS void
LANGUAGE sql AS $$
    INSERT INTO GroupRights (FormID, GroupID, FView, FInsert, FModify, FDelete)
    SELECT Forms.FormID, Groups.GroupID,
           CASE $1 WHEN 0 THEN false WHEN 1 THEN true ELSE COALESCE(Source.FView, Forms.DefView) END,
           CASE $2 WHEN 0 THEN false WHEN 1 THEN true ELSE COALESCE(Source.FInsert, Forms.DefInsert) END,
           CASE $3 WHEN 0 THEN false WHEN 1 THEN true ELSE COALESCE(Source.FModify, Forms.DefModify) END,
           CASE $4 WHEN 0 THEN false WHEN 1 THEN true ELSE COALESCE(Source.FDelete, Forms.DefDelete) END
    FROM Forms CROSS JOIN Groups
    LEFT JOIN GroupRights Source ON Source.FormID = Forms.FormID AND Source.GroupID = $6
    WHERE Groups.Name = $5
    ORDER BY Forms.FormID
$$;

-- User UserID moves from group GroupID to NewGroupID, moved by a restricted
-- administrator (ParentUserID of group ParentGroupID). On every form where the
-- user has no row of his own, a right that the new group grants, the old group
-- did not and the administrator does not hold himself would be handed to the
-- user by the move: the user gets an own row with the new group's rights minus
-- those (new AND (old OR administrator)). What he held before he keeps.
CREATE FUNCTION InsertUserRights(NewGroupID integer, ParentUserID integer, UserID integer,
                                 ParentGroupID integer, GroupID integer) RETURNS void
LANGUAGE sql AS $$
    INSERT INTO UserRights (FormID, UserID, FView, FInsert, FModify, FDelete)
    SELECT FormID, $3,
           NView AND (OView OR AView), NInsert AND (OInsert OR AInsert),
           NModify AND (OModify OR AModify), NDelete AND (ODelete OR ADelete)
    FROM (
        SELECT NewRights.FormID,
               NewRights.FView AS NView, NewRights.FInsert AS NInsert,
               NewRights.FModify AS NModify, NewRights.FDelete AS NDelete,
               COALESCE(OldRights.FView, false) AS OView, COALESCE(OldRights.FInsert, false) AS OInsert,
               COALESCE(OldRights.FModify, false) AS OModify, COALESCE(OldRights.FDelete, false) AS ODelete,
               CASE WHEN AdminOwn.RightID IS NULL THEN COALESCE(AdminGroup.FView, false) ELSE AdminOwn.FView END AS AView,
               CASE WHEN AdminOwn.RightID IS NULL THEN COALESCE(AdminGroup.FInsert, false) ELSE AdminOwn.FInsert END AS AInsert,
               CASE WHEN AdminOwn.RightID IS NULL THEN COALESCE(AdminGroup.FModify, false) ELSE AdminOwn.FModify END AS AModify,
               CASE WHEN AdminOwn.RightID IS NULL THEN COALESCE(AdminGroup.FDelete, false) ELSE AdminOwn.FDelete END AS ADelete
        FROM GroupRights NewRights
        LEFT JOIN GroupRights OldRights ON OldRights.FormID = NewRights.FormID AND OldRights.GroupID = $5
        LEFT JOIN UserRights AdminOwn ON AdminOwn.FormID = NewRights.FormID AND AdminOwn.UserID = $2
        LEFT JOIN GroupRights AdminGroup ON AdminGroup.FormID = NewRights.FormID AND AdminGroup.GroupID = $4
        WHERE NewRights.GroupID = $1
          AND NOT EXISTS (SELECT 1 FROM UserRights Own
                          WHERE Own.UserID = $3 AND Own.FormID = NewRights.FormID)
    ) AS Compared
    WHERE (NView AND NOT OView AND NOT AView) OR (NInsert AND NOT OInsert AND NOT AInsert)
       OR (NModify AND NOT OModify AND NOT AModify) OR (NDelete AND NOT ODelete AND NOT ADelete)
    ORDER BY FormID
$$;

-- The same move for parameter values: on every protected parameter where the
-- user has no row of his own, a new group value that differs from the old
-- group's and that the administrator could not grant (the ceiling above) gives
-- the user an own row keeping the old group's value.
CREATE FUNCTION InsertUserParams(NewGroupID integer, ParentUserID integer, UserID integer,
                                 YesString text, GroupID integer, ParentGroupID integer)
RETURNS void
LANGUAGE sql AS $$
    INSERT INTO UserParams (ParamID, UserID, FValue)
    SELECT ParamID, $3, OldV
    FROM (
        SELECT NewValues.ParamID, ParamTypes.Name AS TypeName,
               COALESCE(NewValues.FValue, '') AS NewV,
               COALESCE(OldValues.FValue, '') AS OldV,
               CASE WHEN AdminOwn.UserParamID IS NULL THEN COALESCE(AdminGroup.FValue, '')
                    ELSE COALESCE(AdminOwn.FValue, '') END AS AdminV
        FROM GroupParams NewValues
        INNER JOIN Params ON Params.ParamID = NewValues.ParamID
        INNER JOIN ParamTypes ON ParamTypes.ParamTypeID = Params.ParamTypeID
        LEFT JOIN GroupParams OldValues ON OldValues.ParamID = NewValues.ParamID AND OldValues.GroupID = $5
        LEFT JOIN UserParams AdminOwn ON AdminOwn.ParamID = NewValues.ParamID AND AdminOwn.UserID = $2
        LEFT JOIN GroupParams AdminGroup ON AdminGroup.ParamID = NewValues.ParamID AND AdminGroup.GroupID = $6
        WHERE NewValues.GroupID = $1 AND Params.FProtected
          AND NOT EXISTS (SELECT 1 FROM UserParams Own
                          WHERE Own.UserID = $3 AND Own.ParamID = NewValues.ParamID)
    ) AS Compared
    WHERE NewV <> OldV
      AND NOT (CASE TypeName
                   WHEN 'Boolean' THEN NewV <> $4 OR AdminV = $4
                   WHEN 'Integer' THEN SecStrToInt(AdminV) >= SecStrToInt(NewV)
                   ELSE NewV = '' OR NewV = AdminV
               END)
    ORDER BY ParamID
$$;

-- A new user UserName in group NewUGroupID, created by a restricted
-- administrator (UserID of group GroupID): on every form where the group
-- grants a right the administrator does not hold, the user gets an own row
-- with the group's rights limited to the administrator's (group AND
-- administrator).
CREATE FUNCTION InsertNewUserRights(UserName text, UserID integer, GroupID integer,
                                    NewUGroupID integer) RETURNS void
LANGUAGE sql AS $$
    INSERT INTO UserRights (FormID, UserID, FView, FInsert, FModify, FDelete)
    SELECT FormID, NewUserID,
           GView AND AView, GInsert AND AInsert, GModify AND AModify, GDelete AND ADelete
    FROM (
        SELECT GroupRights.FormID, Users.UserID AS NewUserID,
               GroupRights.FView AS GView, GroupRights.FInsert AS GInsert,
               GroupRights.FModify AS GModify, GroupRights.FDelete AS GDelete,
               CASE WHEN AdminOwn.RightID IS NULL THEN COALESCE(AdminGroup.FView, false) ELSE AdminOwn.FView END AS AView,
               CASE WHEN AdminOwn.RightID IS NULL THEN COALESCE(AdminGroup.FInsert, false) ELSE AdminOwn.FInsert END AS AInsert,
               CASE WHEN AdminOwn.RightID IS NULL THEN COALESCE(AdminGroup.FModify, false) ELSE AdminOwn.FModify END AS AModify,
               CASE WHEN AdminOwn.RightID IS NULL THEN COALESCE(AdminGroup.FDelete, false) ELSE AdminOwn.FDelete END AS ADelete
        FROM GroupRights
        INNER JOIN Users ON Users.Name = $1
        LEFT JOIN UserRights AdminOwn ON AdminOwn.FormID = GroupRights.FormID AND AdminOwn.UserID = $2
        LEFT JOIN GroupRights AdminGroup ON AdminGroup.FormID = GroupRights.FormID AND AdminGroup.GroupID = $3
        WHERE GroupRights.GroupID = $4
          AND NOT EXISTS (SELECT 1 FROM UserRights Own
                          WHERE Own.UserID = Users.UserID AND Own.FormID = GroupRights.FormID)
    ) AS Compared
    WHERE (GView AND NOT AView) OR (GInsert AND NOT AInsert)
       OR (GModify AND NOT AModify) OR (GDelete AND NOT ADelete)
    ORDER BY FormID
$$;

-- The same for a new user's parameter values: on every protected parameter
-- whose group value the administrator could not grant (the ceiling above),
-- the user gets an own row with the administrator's own value.
CREATE FUNCTION InsertNewUserParams(UserName text, UserID integer, GroupID integer,
                                    NewUGroupID integer, YesString text) RETURNS void
LANGUAGE sql AS $$
    INSERT INTO UserParams (ParamID, UserID, FValue)
    SELECT ParamID, NewUserID, AdminV
    FROM (
        SELECT GroupParams.ParamID, Users.UserID AS NewUserID, ParamTypes.Name AS TypeName,
               COALESCE(GroupParams.FValue, '') AS GroupV,
               CASE WHEN AdminOwn.UserParamID IS NULL THEN COALESCE(AdminGroup.FValue, '')
                    ELSE COALESCE(AdminOwn.FValue, '') END AS AdminV
        FROM GroupParams
        INNER JOIN Users ON Users.Name = $1
        INNER JOIN Params ON Params.ParamID = GroupParams.ParamID
        INNER JOIN ParamTypes ON ParamTypes.ParamTypeID = Params.ParamTypeID
        LEFT JOIN UserParams AdminOwn ON AdminOwn.ParamID = GroupParams.ParamID AND AdminOwn.UserID = $2
        LEFT JOIN GroupParams AdminGroup ON AdminGroup.ParamID = GroupParams.ParamID AND AdminGroup.GroupID = $3
        WHERE GroupParams.GroupID = $4 AND Params.FProtected
          AND NOT EXISTS (SELECT 1 FROM UserParams Own
                          WHERE Own.UserID = Users.UserID AND Own.ParamID = GroupParams.ParamID)
    ) AS Compared
    WHERE NOT (CASE TypeName
                   WHEN 'Boolean' THEN GroupV <> $5 OR AdminV = $5
                   WHEN 'Integer' THEN SecStrToInt(AdminV) >= SecStrToInt(GroupV)
                   ELSE GroupV = '' OR GroupV = AdminV
               END)
    ORDER BY ParamID
$$;
