-- Wardlock security database, SQLite: failed-login throttling, part of what
-- "wardschema upgrade" adds to an existing database and what a new one gets
-- from the start (the tool adds the column Users.PasswordHash itself, since
-- the statement may not run twice). Every statement here may run again on a
-- database that has it already. Twin of postgresql/upgrade/.
--
-- Settings (SecurityParams): "LockAfterFails" failed logins of one user name
-- within "LockSeconds" seconds lock the name for "LockSeconds" seconds. A
-- value counts when it is 1 to 9 decimal digits (spaces around allowed);
-- "LockAfterFails" otherwise means no throttling, "LockSeconds" 900.
--
-- SQLite has no accounts: whoever can open the file can write it. As on
-- PostgreSQL, the runtime only counts failures through the procedure
-- RecordLoginFailure, whose steps live in the database.

-- Times are Julian day numbers (UTC), as julianday('now') gives them.
CREATE TABLE IF NOT EXISTS LoginFailures (
    UserID      INTEGER PRIMARY KEY REFERENCES Users (UserID) ON DELETE CASCADE,
    Failures    INTEGER NOT NULL,  -- failures since WindowStart
    WindowStart REAL NOT NULL,     -- the first failure counted
    LockedUntil REAL               -- set once the count reached the limit
);

CREATE VIEW IF NOT EXISTS LoginThrottleSettings AS
SELECT COALESCE((SELECT CAST(trim(FValue, ' ') AS INTEGER) FROM SecurityParams
                 WHERE Name = 'LockAfterFails' AND trim(FValue, ' ') <> ''
                   AND length(trim(FValue, ' ')) <= 9
                   AND trim(FValue, ' ') NOT GLOB '*[^0-9]*'), 0)
           AS FailuresBeforeLock,
       COALESCE((SELECT CAST(trim(FValue, ' ') AS INTEGER) FROM SecurityParams
                 WHERE Name = 'LockSeconds' AND trim(FValue, ' ') <> ''
                   AND length(trim(FValue, ' ')) <= 9
                   AND trim(FValue, ' ') NOT GLOB '*[^0-9]*'
                   AND CAST(trim(FValue, ' ') AS INTEGER) > 0), 900)
           AS LockSeconds;

DELETE FROM SecProcedureSteps WHERE Name IN ('LoginLocked', 'RecordLoginFailure', 'ClearLoginLock');
DELETE FROM SecProcedures WHERE Name IN ('LoginLocked', 'RecordLoginFailure', 'ClearLoginLock');
INSERT INTO SecProcedures (Name, Params, ReturnsRows) VALUES
    ('LoginLocked',        'UserName text', 1),
    ('RecordLoginFailure', 'UserName text', 0),
    ('ClearLoginLock',     'UserID int', 0);

-- One row, the end of the lock (UTC, ISO 8601), while the user named
-- UserName is locked; no row otherwise (also for a name nobody has).
INSERT INTO SecProcedureSteps (Name, Step, Statement) VALUES ('LoginLocked', 1,
'SELECT strftime(''%Y-%m-%dT%H:%M:%SZ'', LoginFailures.LockedUntil) AS LockEnd
FROM LoginFailures INNER JOIN Users ON Users.UserID = LoginFailures.UserID
WHERE Users.Name = :UserName AND LoginFailures.LockedUntil > julianday(''now'')');

-- Counts a failed login of the user named UserName. A lock that has ended,
-- or a count older than the lock period, starts the count again; a running
-- lock is not extended. A name nobody has, or throttling switched off,
-- counts nothing. The steps run in one savepoint.
INSERT INTO SecProcedureSteps (Name, Step, Statement) VALUES ('RecordLoginFailure', 1,
'INSERT OR IGNORE INTO LoginFailures (UserID, Failures, WindowStart)
SELECT Users.UserID, 0, julianday(''now'')
FROM Users CROSS JOIN LoginThrottleSettings
WHERE Users.Name = :UserName AND LoginThrottleSettings.FailuresBeforeLock > 0');
-- Not locked now: count the failure (the right side reads the old values).
INSERT INTO SecProcedureSteps (Name, Step, Statement) VALUES ('RecordLoginFailure', 2,
'UPDATE LoginFailures
SET Failures = CASE WHEN LockedUntil IS NOT NULL
                      OR WindowStart + (SELECT LockSeconds FROM LoginThrottleSettings) / 86400.0
                         <= julianday(''now'')
                    THEN 1 ELSE Failures + 1 END,
    WindowStart = CASE WHEN LockedUntil IS NOT NULL
                         OR WindowStart + (SELECT LockSeconds FROM LoginThrottleSettings) / 86400.0
                            <= julianday(''now'')
                       THEN julianday(''now'') ELSE WindowStart END,
    LockedUntil = NULL
WHERE UserID = (SELECT Users.UserID FROM Users WHERE Users.Name = :UserName)
  AND (LockedUntil IS NULL OR LockedUntil <= julianday(''now''))
  AND (SELECT FailuresBeforeLock FROM LoginThrottleSettings) > 0');
-- The count reached the limit: lock for the period.
INSERT INTO SecProcedureSteps (Name, Step, Statement) VALUES ('RecordLoginFailure', 3,
'UPDATE LoginFailures
SET LockedUntil = julianday(''now'') + (SELECT LockSeconds FROM LoginThrottleSettings) / 86400.0
WHERE UserID = (SELECT Users.UserID FROM Users WHERE Users.Name = :UserName)
  AND LockedUntil IS NULL
  AND (SELECT FailuresBeforeLock FROM LoginThrottleSettings) > 0
  AND Failures >= (SELECT FailuresBeforeLock FROM LoginThrottleSettings)');

-- Ends the lock of user UserID and forgets his failures (the administration).
INSERT INTO SecProcedureSteps (Name, Step, Statement) VALUES ('ClearLoginLock', 1,
'DELETE FROM LoginFailures WHERE UserID = :UserID');
