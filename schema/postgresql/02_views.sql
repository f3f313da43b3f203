-- Wardlock security database, PostgreSQL: the saved queries without parameters.
--
-- Orderings the administration relies on (it fills values by one sequential
-- walk, not by a query per row):
--   QParams, QForms            by ParamID / FormID;
--   QGroupParams, QGroupRights by GroupID, then ParamID / FormID, so that a
--                              group's rows are contiguous and its k-th row
--                              belongs to the k-th row of QParams / QForms;
--   QUserParams, QUserRights   by UserID, then ParamID / FormID;
--   QModGroups                 by the administering group in the order in
--                              which groups are listed (FullName, GroupID as
--                              tie-breaker), then by Type; ModGroupID last
--                              only to make the order complete.
-- The same orderings hold on SQLite.

CREATE VIEW QParams AS
    SELECT ParamID, Name, FullName, ParamTypeID, Description, UserCanModify, DefaultValue,
           Hidden, FProtected
    FROM Params
    ORDER BY ParamID;

CREATE VIEW QForms AS
    SELECT FormID, Name, FullName, Description, DefView, DefModify, DefInsert, DefDelete, Hidden
    FROM Forms
    ORDER BY FormID;

CREATE VIEW QParamTypes AS
    SELECT ParamTypeID, Name, FullName, DllName, ShowFncName, ItrFncName, InsFncName,
           RenFncName, KeyFncName, FKey
    FROM ParamTypes
    ORDER BY ParamTypeID;

CREATE VIEW QGroupParams AS
    SELECT GroupParamID, ParamID, GroupID, FValue
    FROM GroupParams
    ORDER BY GroupID, ParamID;

CREATE VIEW QGroupRights AS
    SELECT RightID, FormID, GroupID, FView, FModify, FInsert, FDelete
    FROM GroupRights
    ORDER BY GroupID, FormID;

CREATE VIEW QUserParams AS
    SELECT UserParamID, ParamID, UserID, FValue
    FROM UserParams
    ORDER BY UserID, ParamID;

CREATE VIEW QUserRights AS
    SELECT RightID, FormID, UserID, FView, FModify, FInsert, FDelete
    FROM UserRights
    ORDER BY UserID, FormID;

CREATE VIEW QSecurityParams AS
    SELECT Name, FullName, FValue, Hidden
    FROM SecurityParams
    ORDER BY Name;

CREATE VIEW QModGroups AS
    SELECT ModGroups.GroupID, ModGroups.ModGroupID, ModGroups.Type
    FROM ModGroups
    INNER JOIN Groups ON Groups.GroupID = ModGroups.GroupID
    ORDER BY Groups.FullName, ModGroups.GroupID, ModGroups.Type, ModGroups.ModGroupID;
