-- Wardlock security database, SQLite: tables, keys and indexes.
--
-- Widths are written as varchar(n) for documentation; SQLite does not enforce
-- them (PostgreSQL does). Booleans are stored as 0/1 and kept so by CHECK
-- constraints, so that "not :Filter" and "where false" mean what they say.
-- Keys use AUTOINCREMENT so that the id of a deleted row is never handed out
-- again: the administration caches ids between reads and writes.
--
-- Foreign keys are only enforced when the connection runs
-- "PRAGMA foreign_keys = ON"; every connection to this database must do so,
-- or the cascades below (deleting a group removes its users, ...) do not run.
--
-- Names: Name is unique (compared byte for byte, so "Admin" and "admin" are two
-- different users) in Users, Groups, Forms, Params and ParamTypes, because the
-- procedures and the administration find the row they just inserted by its
-- Name, and the login compares names byte for byte. Groups.FullName is unique
-- as well: groups are listed and walked in FullName order, and two equal full
-- names would leave that order to chance.

CREATE TABLE Groups (
    GroupID         INTEGER PRIMARY KEY AUTOINCREMENT,
    Name            varchar(16)  NOT NULL CHECK (Name <> ''),
    FullName        varchar(50)  NOT NULL,
    Description     varchar(255),
    PasswdControl   BOOLEAN NOT NULL DEFAULT 0 CHECK (PasswdControl IN (0, 1)),
    AllowNullPasswd BOOLEAN NOT NULL DEFAULT 0 CHECK (AllowNullPasswd IN (0, 1)),
    AllowChangePswd BOOLEAN NOT NULL DEFAULT 1 CHECK (AllowChangePswd IN (0, 1)),
    NoChPswdAtLogin BOOLEAN NOT NULL DEFAULT 0 CHECK (NoChPswdAtLogin IN (0, 1)),
    AccountEnabled  BOOLEAN NOT NULL DEFAULT 1 CHECK (AccountEnabled IN (0, 1)),
    Position        INTEGER NOT NULL DEFAULT 0,
    ForceAddMod     BOOLEAN NOT NULL DEFAULT 0 CHECK (ForceAddMod IN (0, 1))
);
CREATE UNIQUE INDEX GroupsName ON Groups (Name);
CREATE UNIQUE INDEX GroupsFullName ON Groups (FullName);

-- The five policy columns of a user are SecPasswdOption values:
-- 0 off, 1 on, 2 as the group.
CREATE TABLE Users (
    UserID          INTEGER PRIMARY KEY AUTOINCREMENT,
    Name            varchar(16)  NOT NULL CHECK (Name <> ''),
    FullName        varchar(50)  NOT NULL,
    GroupID         INTEGER NOT NULL REFERENCES Groups (GroupID) ON DELETE CASCADE,
    Passwd          varchar(16),  -- 16 raw bytes, one character per byte; null or '' = none
    PasswdControl   SMALLINT NOT NULL DEFAULT 2 CHECK (PasswdControl IN (0, 1, 2)),
    AllowNullPasswd SMALLINT NOT NULL DEFAULT 2 CHECK (AllowNullPasswd IN (0, 1, 2)),
    AllowChangePswd SMALLINT NOT NULL DEFAULT 2 CHECK (AllowChangePswd IN (0, 1, 2)),
    NoChPswdAtLogin SMALLINT NOT NULL DEFAULT 2 CHECK (NoChPswdAtLogin IN (0, 1, 2)),
    AccountEnabled  SMALLINT NOT NULL DEFAULT 2 CHECK (AccountEnabled IN (0, 1, 2))
);
CREATE UNIQUE INDEX UsersName ON Users (Name);
CREATE INDEX UsersGroupID ON Users (GroupID);

CREATE TABLE Forms (
    FormID      INTEGER PRIMARY KEY AUTOINCREMENT,
    Name        varchar(16)  NOT NULL CHECK (Name <> ''),
    FullName    varchar(50)  NOT NULL,
    Description varchar(255),
    DefView     BOOLEAN NOT NULL DEFAULT 0 CHECK (DefView IN (0, 1)),
    DefInsert   BOOLEAN NOT NULL DEFAULT 0 CHECK (DefInsert IN (0, 1)),
    DefModify   BOOLEAN NOT NULL DEFAULT 0 CHECK (DefModify IN (0, 1)),
    DefDelete   BOOLEAN NOT NULL DEFAULT 0 CHECK (DefDelete IN (0, 1)),
    Hidden      BOOLEAN NOT NULL DEFAULT 0 CHECK (Hidden IN (0, 1))
);
CREATE UNIQUE INDEX FormsName ON Forms (Name);

CREATE TABLE ParamTypes (
    ParamTypeID INTEGER PRIMARY KEY AUTOINCREMENT,
    Name        varchar(16)  NOT NULL CHECK (Name <> ''),
    FullName    varchar(50)  NOT NULL,
    DllName     varchar(255),  -- editor plug-in library; empty: none
    ShowFncName varchar(255),
    ItrFncName  varchar(255),
    InsFncName  varchar(255),
    RenFncName  varchar(255),
    KeyFncName  varchar(255),
    FKey        varchar(16)    -- raw bytes, one character per byte
);
CREATE UNIQUE INDEX ParamTypesName ON ParamTypes (Name);

-- A type that parameters still use cannot be deleted (no cascade: that would
-- silently delete parameters and every value of them).
CREATE TABLE Params (
    ParamID       INTEGER PRIMARY KEY AUTOINCREMENT,
    Name          varchar(16)  NOT NULL CHECK (Name <> ''),
    FullName      varchar(50)  NOT NULL,
    ParamTypeID   INTEGER NOT NULL REFERENCES ParamTypes (ParamTypeID),
    Description   varchar(255),
    UserCanModify BOOLEAN NOT NULL DEFAULT 0 CHECK (UserCanModify IN (0, 1)),
    DefaultValue  varchar(16),
    Hidden        BOOLEAN NOT NULL DEFAULT 0 CHECK (Hidden IN (0, 1)),
    FProtected    BOOLEAN NOT NULL DEFAULT 0 CHECK (FProtected IN (0, 1))
);
CREATE UNIQUE INDEX ParamsName ON Params (Name);
CREATE INDEX ParamsParamTypeID ON Params (ParamTypeID);

-- One row per (group, form) and per (group, parameter): the administration
-- reads a group's rows in Forms/Params order and takes the k-th row for the
-- k-th form/parameter, so the procedures give every group exactly one row for
-- every form and parameter, and the unique keys forbid a second one.
CREATE TABLE GroupRights (
    RightID INTEGER PRIMARY KEY AUTOINCREMENT,
    FormID  INTEGER NOT NULL REFERENCES Forms (FormID) ON DELETE CASCADE,
    GroupID INTEGER NOT NULL REFERENCES Groups (GroupID) ON DELETE CASCADE,
    FView   BOOLEAN NOT NULL DEFAULT 0 CHECK (FView IN (0, 1)),
    FInsert BOOLEAN NOT NULL DEFAULT 0 CHECK (FInsert IN (0, 1)),
    FModify BOOLEAN NOT NULL DEFAULT 0 CHECK (FModify IN (0, 1)),
    FDelete BOOLEAN NOT NULL DEFAULT 0 CHECK (FDelete IN (0, 1))
);
CREATE UNIQUE INDEX GroupRightsGroupForm ON GroupRights (GroupID, FormID);
CREATE INDEX GroupRightsFormID ON GroupRights (FormID);

-- A user's own rows replace the group's row for that form or parameter.
CREATE TABLE UserRights (
    RightID INTEGER PRIMARY KEY AUTOINCREMENT,
    FormID  INTEGER NOT NULL REFERENCES Forms (FormID) ON DELETE CASCADE,
    UserID  INTEGER NOT NULL REFERENCES Users (UserID) ON DELETE CASCADE,
    FView   BOOLEAN NOT NULL DEFAULT 0 CHECK (FView IN (0, 1)),
    FInsert BOOLEAN NOT NULL DEFAULT 0 CHECK (FInsert IN (0, 1)),
    FModify BOOLEAN NOT NULL DEFAULT 0 CHECK (FModify IN (0, 1)),
    FDelete BOOLEAN NOT NULL DEFAULT 0 CHECK (FDelete IN (0, 1))
);
CREATE UNIQUE INDEX UserRightsUserForm ON UserRights (UserID, FormID);
CREATE INDEX UserRightsFormID ON UserRights (FormID);

CREATE TABLE GroupParams (
    GroupParamID INTEGER PRIMARY KEY AUTOINCREMENT,
    ParamID      INTEGER NOT NULL REFERENCES Params (ParamID) ON DELETE CASCADE,
    GroupID      INTEGER NOT NULL REFERENCES Groups (GroupID) ON DELETE CASCADE,
    FValue       varchar(16)  -- text, or 16 raw bytes of an encoded value
);
CREATE UNIQUE INDEX GroupParamsGroupParam ON GroupParams (GroupID, ParamID);
CREATE INDEX GroupParamsParamID ON GroupParams (ParamID);

CREATE TABLE UserParams (
    UserParamID INTEGER PRIMARY KEY AUTOINCREMENT,
    ParamID     INTEGER NOT NULL REFERENCES Params (ParamID) ON DELETE CASCADE,
    UserID      INTEGER NOT NULL REFERENCES Users (UserID) ON DELETE CASCADE,
    FValue      varchar(16)
);
CREATE UNIQUE INDEX UserParamsUserParam ON UserParams (UserID, ParamID);
CREATE INDEX UserParamsParamID ON UserParams (ParamID);

-- Database-wide settings; "SecurityAutoLog" marks the database as a security
-- database. The runtime reads at most 16 characters of FValue.
CREATE TABLE SecurityParams (
    Name     varchar(16) PRIMARY KEY NOT NULL,
    FullName varchar(50),
    FValue   varchar(32),
    Hidden   BOOLEAN NOT NULL DEFAULT 0 CHECK (Hidden IN (0, 1))
);

-- The group hierarchy: members of GroupID may administer ModGroupID.
-- Type: 0 negative, 1 weak, 2 strong. A group may name itself (an
-- administrators' group that administers itself is unrestricted).
CREATE TABLE ModGroups (
    GroupID    INTEGER NOT NULL REFERENCES Groups (GroupID) ON DELETE CASCADE,
    ModGroupID INTEGER NOT NULL REFERENCES Groups (GroupID) ON DELETE CASCADE,
    Type       SMALLINT NOT NULL CHECK (Type IN (0, 1, 2)),
    PRIMARY KEY (GroupID, ModGroupID)
);
CREATE INDEX ModGroupsModGroupID ON ModGroups (ModGroupID);

-- SQLite has no stored procedures: the procedures and the parameterised saved
-- queries keep their bodies here, and the dataset layer's TStoredProc runs
-- the steps of one name in ascending order inside a savepoint.
CREATE TABLE SecProcedures (
    Name        TEXT PRIMARY KEY,   -- matched exactly
    Params      TEXT NOT NULL,      -- declared parameters in order, e.g. 'GroupID int, YesString text'
    ReturnsRows INTEGER NOT NULL    -- 1: the last step is a SELECT whose rows are the result
);
CREATE TABLE SecProcedureSteps (
    Name      TEXT NOT NULL REFERENCES SecProcedures (Name) ON DELETE CASCADE,
    Step      INTEGER NOT NULL,     -- run in ascending order
    Statement TEXT NOT NULL,        -- one statement; parameters as :Name
    PRIMARY KEY (Name, Step)
);
