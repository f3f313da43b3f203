-- Wardlock security database, PostgreSQL: failed-login throttling, part of
-- what "wardschema upgrade" adds to an existing database and what a new one
-- gets from the start (the tool adds the column Users.PasswordHash itself,
-- since the statement may not run twice). Every statement here may run again
-- on a database that has it already. Twin of sqlite/upgrade/.
--
-- Settings (SecurityParams): "LockAfterFails" failed logins of one user name
-- within "LockSeconds" seconds lock the name for "LockSeconds" seconds. A
-- value counts when it is 1 to 9 decimal digits (spaces around allowed);
-- "LockAfterFails" otherwise means no throttling, "LockSeconds" 900.
--
-- The runtime role may read only: it counts failures through
-- RecordLoginFailure, which runs with the owner's rights and can do nothing
-- but count the failures of an existing user.

CREATE TABLE IF NOT EXISTS LoginFailures (
    UserID      integer PRIMARY KEY REFERENCES Users (UserID) ON DELETE CASCADE,
    Failures    integer NOT NULL,     -- failures since WindowStart
    WindowStart timestamptz NOT NULL, -- the first failure counted
    LockedUntil timestamptz           -- set once the count reached the limit
);

CREATE OR REPLACE VIEW LoginThrottleSettings AS
SELECT COALESCE((SELECT CAST(btrim(FValue, ' ') AS integer) FROM SecurityParams
                 WHERE Name = 'LockAfterFails' AND btrim(FValue, ' ') ~ '^[0-9]{1,9}$'), 0)
           AS FailuresBeforeLock,
       COALESCE((SELECT CAST(btrim(FValue, ' ') AS integer) FROM SecurityParams
                 WHERE Name = 'LockSeconds' AND btrim(FValue, ' ') ~ '^[0-9]{1,9}$'
                   AND CAST(btrim(FValue, ' ') AS integer) > 0), 900)
           AS LockSeconds;

-- One row, the end of the lock (UTC, ISO 8601), while the user named
-- UserName is locked; no row otherwise (also for a name nobody has).
CREATE OR REPLACE FUNCTION LoginLocked(UserName text) RETURNS TABLE (LockEnd text)
LANGUAGE sql STABLE AS $$
    SELECT to_char(LoginFailures.LockedUntil AT TIME ZONE 'UTC', 'YYYY-MM-DD"T"HH24:MI:SS"Z"')
    FROM LoginFailures INNER JOIN Users ON Users.UserID = LoginFailures.UserID
    WHERE Users.Name = $1 AND LoginFailures.LockedUntil > clock_timestamp()
$$;

-- Counts a failed login of the user named UserName. A lock that has ended,
-- or a count older than the lock period, starts the count again; a running
-- lock is not extended. A name nobody has, or throttling switched off,
-- counts nothing.
CREATE OR REPLACE FUNCTION RecordLoginFailure(UserName text) RETURNS void
LANGUAGE plpgsql SECURITY DEFINER SET search_path = public, pg_temp AS $$
DECLARE
    limit_   integer;
    period_  interval;
    user_    integer;
    now_     timestamptz := clock_timestamp();
    count_   integer;
    start_   timestamptz;
    until_   timestamptz;
BEGIN
    SELECT FailuresBeforeLock, make_interval(secs => LockSeconds) INTO limit_, period_
    FROM LoginThrottleSettings;
    IF limit_ <= 0 THEN
        RETURN;
    END IF;
    SELECT Users.UserID INTO user_ FROM Users WHERE Users.Name = $1;
    IF user_ IS NULL THEN
        RETURN;
    END IF;
    INSERT INTO LoginFailures (UserID, Failures, WindowStart) VALUES (user_, 0, now_)
    ON CONFLICT (UserID) DO NOTHING;
    SELECT Failures, WindowStart, LockedUntil INTO count_, start_, until_
    FROM LoginFailures WHERE LoginFailures.UserID = user_ FOR UPDATE;
    IF until_ > now_ THEN
        RETURN;
    END IF;
    IF until_ IS NOT NULL OR start_ + period_ <= now_ THEN
        count_ := 0;
        start_ := now_;
    END IF;
    count_ := count_ + 1;
    UPDATE LoginFailures
    SET Failures = count_, WindowStart = start_,
        LockedUntil = CASE WHEN count_ >= limit_ THEN now_ + period_ END
    WHERE LoginFailures.UserID = user_;
END
$$;

-- Ends the lock of user UserID and forgets his failures (the administration).
CREATE OR REPLACE FUNCTION ClearLoginLock(UserID integer) RETURNS void
LANGUAGE sql AS $$
    DELETE FROM LoginFailures WHERE LoginFailures.UserID = $1
$$;

-- Only the roles the tool grants it to may count failures.
REVOKE EXECUTE ON FUNCTION LoginLocked(text), RecordLoginFailure(text), ClearLoginLock(integer)
    FROM PUBLIC;
