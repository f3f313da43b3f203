-- Wardlock security database, SQLite: procedures and parameterised saved
-- queries, kept as statements in SecProcedures/SecProcedureSteps (SQLite has
-- no stored procedures). Each body has a twin in postgresql/03_functions.sql
-- that must give the same rows.
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

INSERT INTO SecProcedures (Name, Params, ReturnsRows) VALUES
    ('QUsers',                 'Filter bool, UserID int', 1),
    ('QGroups',                'GroupID int, Filter bool', 1),
    ('GroupsAllowed',          'GroupID int, ForceAddMod bool', 1),
    ('CheckAllowedGroup',      'SourceGroupID int, DestGroupID int', 1),
    ('InsertGroupParams',      'GroupID int, YesString text, ParamName text', 0),
    ('InsertGroupRights',      'GroupID int, FView bool, FInsert bool, FModify bool, FDelete bool, FormName text', 0),
    ('InsertGroupGroupRights', 'DefView smallint, DefInsert smallint, DefModify smallint, DefDelete smallint, GroupName text', 0),
    ('InsertGroupGroupParams', 'GroupName text', 0),
    ('InsertCopyGroupParams',  'GroupName text, CopyGroupID int', 0),
    ('InsertCopyGroupRights',  'DefView smallint, DefInsert smallint, DefModify smallint, DefDelete smallint, GroupName text, CopyGroupID int', 0),
    ('InsertUserRights',       'NewGroupID int, ParentUserID int, UserID int, ParentGroupID int, GroupID int', 0),
    ('InsertUserParams',       'NewGroupID int, ParentUserID int, UserID int, YesString text, GroupID int, ParentGroupID int', 0),
    ('InsertNewUserParams',    'UserName text, UserID int, GroupID int, NewUGroupID int, YesString text', 0),
    ('InsertNewUserRights',    'UserName text, UserID int, GroupID int, NewUGroupID int', 0);

-- All users, or only user UserID when Filter is true; by full name.
INSERT INTO SecProcedureSteps (Name, Step, Statement) VALUES ('QUsers', 1,
'SELECT Users.* FROM Users
WHERE NOT :Filter OR Users.UserID = :UserID
ORDER BY Users.FullName, Users.UserID');

-- All groups, or only group GroupID when Filter is true; by full name. RecNo
-- is the column the administration numbers its rows in.
INSERT INTO SecProcedureSteps (Name, Step, Statement) VALUES ('QGroups', 1,
'SELECT Groups.*, 1 AS RecNo FROM Groups
WHERE NOT :Filter OR Groups.GroupID = :GroupID
ORDER BY Groups.FullName, Groups.GroupID');

-- The groups GroupID administers (any ModGroups row) that do not administer
-- themselves nor any group outside what GroupID administers; only groups with
-- ForceAddMod set when ForceAddMod is true. By full name.
INSERT INTO SecProcedureSteps (Name, Step, Statement) VALUES ('GroupsAllowed', 1,
'SELECT Groups.* FROM Groups
WHERE Groups.GroupID NOT IN (
        SELECT DISTINCT ModGroups.GroupID FROM ModGroups
        WHERE ModGroups.GroupID = Groups.GroupID
          AND (ModGroups.ModGroupID NOT IN (
                   SELECT ModGroupID FROM ModGroups WHERE ModGroups.GroupID = :GroupID)
               OR ModGroups.ModGroupID = Groups.GroupID))
  AND Groups.GroupID IN (SELECT ModGroupID FROM ModGroups WHERE ModGroups.GroupID = :GroupID)
  AND (NOT :ForceAddMod OR Groups.ForceAddMod)
ORDER BY Groups.FullName, Groups.GroupID');

-- One row (DestGroupID) when DestGroupID administers a group that
-- SourceGroupID does not; no row otherwise.
INSERT INTO SecProcedureSteps (Name, Step, Statement) VALUES ('CheckAllowedGroup', 1,
'SELECT DISTINCT ModGroups.GroupID FROM ModGroups
WHERE ModGroups.GroupID = :DestGroupID
  AND ModGroups.ModGroupID NOT IN (
      SELECT Source.ModGroupID FROM ModGroups Source WHERE Source.GroupID = :SourceGroupID)');

-- A new parameter: every group gets a row with the default value, except that
-- the creating administrator's group GroupID gets YesString for a protected
-- Boolean parameter, so that the administrator holds the parameter he defined
-- and may grant it.
INSERT INTO SecProcedureSteps (Name, Step, Statement) VALUES ('InsertGroupParams', 1,
'INSERT INTO GroupParams (ParamID, GroupID, FValue)
SELECT Params.ParamID, Groups.GroupID,
       CASE WHEN Groups.GroupID = :GroupID AND Params.FProtected AND ParamTypes.Name = ''Boolean''
            THEN :YesString ELSE Params.DefaultValue END
FROM Params
INNER JOIN ParamTypes ON ParamTypes.ParamTypeID = Params.ParamTypeID
CROSS JOIN Groups
WHERE Params.Name = :ParamName
ORDER BY Groups.GroupID');

-- A new form: group GroupID (the creating administrator's) gets the given
-- rights, every other group the form's defaults.
INSERT INTO SecProcedureSteps (Name, Step, Statement) VALUES ('InsertGroupRights', 1,
'INSERT INTO GroupRights (FormID, GroupID, FView, FInsert, FModify, FDelete)
SELECT Forms.FormID, Groups.GroupID,
       CASE WHEN Groups.GroupID = :GroupID THEN :FView ELSE Forms.DefView END,
       CASE WHEN Groups.GroupID = :GroupID THEN :FInsert ELSE Forms.DefInsert END,
       CASE WHEN Groups.GroupID = :GroupID THEN :FModify ELSE Forms.DefModify END,
       CASE WHEN Groups.GroupID = :GroupID THEN :FDelete ELSE Forms.DefDelete END
FROM Forms CROSS JOIN Groups
WHERE Forms.Name = :FormName
ORDER BY Groups.GroupID');

-- A new group: a row for every form, each right from its check-box state.
INSERT INTO SecProcedureSteps (Name, Step, Statement) VALUES ('InsertGroupGroupRights', 1,
'INSERT INTO GroupRights (FormID, GroupID, FView, FInsert, FModify, FDelete)
SELECT Forms.FormID, Groups.GroupID,
       CASE :DefView WHEN 0 THEN false WHEN 1 THEN true ELSE Forms.DefView END,
       CASE :DefInsert WHEN 0 THEN false WHEN 1 THEN true ELSE Forms.DefInsert END,
       CASE :DefModify WHEN 0 THEN false WHEN 1 THEN true ELSE Forms.DefModify END,
       CASE :DefDelete WHEN 0 THEN false WHEN 1 THEN true ELSE Forms.DefDelete END
FROM Forms CROSS JOIN Groups
WHERE Groups.Name = :GroupName
ORDER BY Forms.FormID');

-- A new group: a row for every parameter with its default value.
INSERT INTO SecProcedureSteps (Name, Step, Statement) VALUES ('InsertGroupGroupParams', 1,
'INSERT INTO GroupParams (ParamID, GroupID, FValue)
SELECT Params.ParamID, Groups.GroupID, Params.DefaultValue
FROM Params CROSS JOIN Groups
WHERE Groups.Name = :GroupName
ORDER BY Params.ParamID');

-- A new group copying group CopyGroupID's values; a parameter the copied group
-- has no row for takes its default value.
INSERT INTO SecProcedureSteps (Name, Step, Statement) VALUES ('InsertCopyGroupParams', 1,
'INSERT INTO GroupParams (ParamID, GroupID, FValue)
SELECT Params.ParamID, Groups.GroupID,
       CASE WHEN Source.GroupParamID IS NULL THEN Params.DefaultValue ELSE Source.FValue END
FROM Params CROSS JOIN Groups
LEFT JOIN GroupParams Source ON Source.ParamID = Params.ParamID AND Source.GroupID = :CopyGroupID
WHERE Groups.Name = :GroupName
ORDER BY Params.ParamID');

-- A new group copying group CopyGroupID's rights; a checked or unchecked state
-- overrides the copy, a form the copied group has no row for takes its defaults.
INSERT INTO SecProcedureSteps (Name, Step, Statement) VALUES ('InsertCopyGroupRights', 1,
'INSERT INTO GroupRights (FormID, GroupID, FView, FInsert, FModify, FDelete)
SELECT Forms.FormID, Groups.GroupID,
       CASE :DefView WHEN 0 THEN false WHEN 1 THEN true ELSE COALESCE(Source.FView, Forms.DefView) END,
       CASE :DefInsert WHEN 0 THEN false WHEN 1 THEN true ELSE COALESCE(Source.FInsert, Forms.DefInsert) END,
       CASE :DefModify WHEN 0 THEN false WHEN 1 THEN true ELSE COALESCE(Source.FModify, Forms.DefModify) END,
       CASE :DefDelete WHEN 0 THEN false WHEN 1 THEN true ELSE COALESCE(Source.FDelete, Forms.DefDelete) END
FROM Forms CROSS JOIN Groups
LEFT JOIN GroupRights Source ON Source.FormID = Forms.FormID AND Source.GroupID = :CopyGroupID
WHERE Groups.Name = :GroupName
ORDER BY Forms.FormID');

-- User UserID moves from group GroupID to NewGroupID, moved by a restricted
-- administrator (ParentUserID of group ParentGroupID). On every form where the
-- user has no row of his own, a right that the new group grants, the old group
-- did not and the administrator does not hold himself would be handed to the
-- user by the move: the user gets an own row with the new group's rights minus
-- those (new AND (old OR administrator)). What he held before he keeps.
INSERT INTO SecProcedureSteps (Name, Step, Statement) VALUES ('InsertUserRights', 1,
'INSERT INTO UserRights (FormID, UserID, FView, FInsert, FModify, FDelete)
SELECT FormID, :UserID,
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
    LEFT JOIN GroupRights OldRights ON OldRights.FormID = NewRights.FormID AND OldRights.GroupID = :GroupID
    LEFT JOIN UserRights AdminOwn ON AdminOwn.FormID = NewRights.FormID AND AdminOwn.UserID = :ParentUserID
    LEFT JOIN GroupRights AdminGroup ON AdminGroup.FormID = NewRights.FormID AND AdminGroup.GroupID = :ParentGroupID
    WHERE NewRights.GroupID = :NewGroupID
      AND NOT EXISTS (SELECT 1 FROM UserRights Own
                      WHERE Own.UserID = :UserID AND Own.FormID = NewRights.FormID)
) AS Compared
WHERE (NView AND NOT OView AND NOT AView) OR (NInsert AND NOT OInsert AND NOT AInsert)
   OR (NModify AND NOT OModify AND NOT AModify) OR (NDelete AND NOT ODelete AND NOT ADelete)
ORDER BY FormID');

-- The same move for parameter values: on every protected parameter where the
-- user has no row of his own, a new group value that differs from the old
-- group's and that the administrator could not grant (the ceiling above) gives
-- the user an own row keeping the old group's value.
INSERT INTO SecProcedureSteps (Name, Step, Statement) VALUES ('InsertUserParams', 1,
'INSERT INTO UserParams (ParamID, UserID, FValue)
SELECT ParamID, :UserID, OldV
FROM (
    SELECT ParamID, TypeName, NewV, OldV, AdminV,
           CASE WHEN length(NewS) BETWEEN 1 AND 10 AND NewS NOT GLOB ''*[^0-9]*''
                 AND CAST(NewV AS INTEGER) BETWEEN -2147483648 AND 2147483647
                THEN CAST(NewV AS INTEGER) ELSE -2147483648 END AS NewI,
           CASE WHEN length(AdminS) BETWEEN 1 AND 10 AND AdminS NOT GLOB ''*[^0-9]*''
                 AND CAST(AdminV AS INTEGER) BETWEEN -2147483648 AND 2147483647
                THEN CAST(AdminV AS INTEGER) ELSE -2147483648 END AS AdminI
    FROM (
        SELECT ParamID, TypeName, NewV, OldV, AdminV,
               CASE WHEN substr(NewV, 1, 1) IN (''+'', ''-'') THEN substr(NewV, 2) ELSE NewV END AS NewS,
               CASE WHEN substr(AdminV, 1, 1) IN (''+'', ''-'') THEN substr(AdminV, 2) ELSE AdminV END AS AdminS
        FROM (
            SELECT NewValues.ParamID, ParamTypes.Name AS TypeName,
                   COALESCE(NewValues.FValue, '''') AS NewV,
                   COALESCE(OldValues.FValue, '''') AS OldV,
                   CASE WHEN AdminOwn.UserParamID IS NULL THEN COALESCE(AdminGroup.FValue, '''')
                        ELSE COALESCE(AdminOwn.FValue, '''') END AS AdminV
            FROM GroupParams NewValues
            INNER JOIN Params ON Params.ParamID = NewValues.ParamID
            INNER JOIN ParamTypes ON ParamTypes.ParamTypeID = Params.ParamTypeID
            LEFT JOIN GroupParams OldValues ON OldValues.ParamID = NewValues.ParamID AND OldValues.GroupID = :GroupID
            LEFT JOIN UserParams AdminOwn ON AdminOwn.ParamID = NewValues.ParamID AND AdminOwn.UserID = :ParentUserID
            LEFT JOIN GroupParams AdminGroup ON AdminGroup.ParamID = NewValues.ParamID AND AdminGroup.GroupID = :ParentGroupID
            WHERE NewValues.GroupID = :NewGroupID AND Params.FProtected
              AND NOT EXISTS (SELECT 1 FROM UserParams Own
                              WHERE Own.UserID = :UserID AND Own.ParamID = NewValues.ParamID)
        ) AS Raw
    ) AS Signed
) AS Compared
WHERE NewV <> OldV
  AND NOT (CASE TypeName
               WHEN ''Boolean'' THEN NewV <> :YesString OR AdminV = :YesString
               WHEN ''Integer'' THEN AdminI >= NewI
               ELSE NewV = '''' OR NewV = AdminV
           END)
ORDER BY ParamID');

-- A new user UserName in group NewUGroupID, created by a restricted
-- administrator (UserID of group GroupID): on every form where the group
-- grants a right the administrator does not hold, the user gets an own row
-- with the group's rights limited to the administrator's (group AND
-- administrator).
INSERT INTO SecProcedureSteps (Name, Step, Statement) VALUES ('InsertNewUserRights', 1,
'INSERT INTO UserRights (FormID, UserID, FView, FInsert, FModify, FDelete)
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
    INNER JOIN Users ON Users.Name = :UserName
    LEFT JOIN UserRights AdminOwn ON AdminOwn.FormID = GroupRights.FormID AND AdminOwn.UserID = :UserID
    LEFT JOIN GroupRights AdminGroup ON AdminGroup.FormID = GroupRights.FormID AND AdminGroup.GroupID = :GroupID
    WHERE GroupRights.GroupID = :NewUGroupID
      AND NOT EXISTS (SELECT 1 FROM UserRights Own
                      WHERE Own.UserID = Users.UserID AND Own.FormID = GroupRights.FormID)
) AS Compared
WHERE (GView AND NOT AView) OR (GInsert AND NOT AInsert)
   OR (GModify AND NOT AModify) OR (GDelete AND NOT ADelete)
ORDER BY FormID');

-- The same for a new user's parameter values: on every protected parameter
-- whose group value the administrator could not grant (the ceiling above),
-- the user gets an own row with the administrator's own value.
INSERT INTO SecProcedureSteps (Name, Step, Statement) VALUES ('InsertNewUserParams', 1,
'INSERT INTO UserParams (ParamID, UserID, FValue)
SELECT ParamID, NewUserID, AdminV
FROM (
    SELECT ParamID, NewUserID, TypeName, GroupV, AdminV,
           CASE WHEN length(GroupS) BETWEEN 1 AND 10 AND GroupS NOT GLOB ''*[^0-9]*''
                 AND CAST(GroupV AS INTEGER) BETWEEN -2147483648 AND 2147483647
                THEN CAST(GroupV AS INTEGER) ELSE -2147483648 END AS GroupI,
           CASE WHEN length(AdminS) BETWEEN 1 AND 10 AND AdminS NOT GLOB ''*[^0-9]*''
                 AND CAST(AdminV AS INTEGER) BETWEEN -2147483648 AND 2147483647
                THEN CAST(AdminV AS INTEGER) ELSE -2147483648 END AS AdminI
    FROM (
        SELECT ParamID, NewUserID, TypeName, GroupV, AdminV,
               CASE WHEN substr(GroupV, 1, 1) IN (''+'', ''-'') THEN substr(GroupV, 2) ELSE GroupV END AS GroupS,
               CASE WHEN substr(AdminV, 1, 1) IN (''+'', ''-'') THEN substr(AdminV, 2) ELSE AdminV END AS AdminS
        FROM (
            SELECT GroupParams.ParamID, Users.UserID AS NewUserID, ParamTypes.Name AS TypeName,
                   COALESCE(GroupParams.FValue, '''') AS GroupV,
                   CASE WHEN AdminOwn.UserParamID IS NULL THEN COALESCE(AdminGroup.FValue, '''')
                        ELSE COALESCE(AdminOwn.FValue, '''') END AS AdminV
            FROM GroupParams
            INNER JOIN Users ON Users.Name = :UserName
            INNER JOIN Params ON Params.ParamID = GroupParams.ParamID
            INNER JOIN ParamTypes ON ParamTypes.ParamTypeID = Params.ParamTypeID
            LEFT JOIN UserParams AdminOwn ON AdminOwn.ParamID = GroupParams.ParamID AND AdminOwn.UserID = :UserID
            LEFT JOIN GroupParams AdminGroup ON AdminGroup.ParamID = GroupParams.ParamID AND AdminGroup.GroupID = :GroupID
            WHERE GroupParams.GroupID = :NewUGroupID AND Params.FProtected
              AND NOT EXISTS (SELECT 1 FROM UserParams Own
                              WHERE Own.UserID = Users.UserID AND Own.ParamID = GroupParams.ParamID)
        ) AS Raw
    ) AS Signed
) AS Compared
WHERE NOT (CASE TypeName
               WHEN ''Boolean'' THEN GroupV <> :YesString OR AdminV = :YesString
               WHEN ''Integer'' THEN AdminI >= GroupI
               ELSE GroupV = '''' OR GroupV = AdminV
           END)
ORDER BY ParamID');
