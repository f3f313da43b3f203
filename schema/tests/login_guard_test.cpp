// The procedures of failed-login throttling, called as the runtime calls
// them: N failures of one user name within the period lock it for the
// period; a running lock is not extended and ends by itself; failures older
// than the period start the count again; unknown names and switched-off
// settings count nothing; the administration clears a lock.

#include "login_guard.h"
#include "schema_fixture.h"

#include <wardlock/loginthrottle.h>

#include <QDateTime>

namespace Security::Schema::Testing {
namespace {

class LoginGuardTest : public SchemaTest {
protected:
    void SetUp() override
    {
        SchemaTest::SetUp();
        if (IsSkipped())
            return;
        AddLoginGuard(Db());
        LoginGuardSettings settings;
        settings.lockAfter = 3;
        settings.lockSeconds = 60;
        ApplyLoginGuardSettings(Db(), settings);
        clerk = AddUser(QStringLiteral("clerk"), QStringLiteral("Clerk"),
            AddGroup(QStringLiteral("clerks"), QStringLiteral("Clerks")));
    }

    void Set(const char* name, const QVariant& value)
    {
        Db().Exec(QStringLiteral("UPDATE SecurityParams SET FValue = ? WHERE Name = ?"),
            { value, QLatin1String(name) });
    }
    void Fail(const QString& name = QStringLiteral("clerk"))
    {
        Call(QStringLiteral("RecordLoginFailure"), { { QStringLiteral("UserName"), name } });
    }
    // The end of the lock as LoginLocked gives it; nothing while not locked.
    std::optional<QDateTime> LockEnd(const QString& name = QStringLiteral("clerk"))
    {
        const Rows rows
            = Call(QStringLiteral("LoginLocked"), { { QStringLiteral("UserName"), name } });
        if (rows.rows.isEmpty())
            return std::nullopt;
        EXPECT_EQ(rows.rows.size(), 1);
        return QDateTime::fromString(rows.rows[0][0].toString(), Qt::ISODate);
    }
    int Failures()
    {
        const QVariant count = Db().Scalar(
            QStringLiteral("SELECT Failures FROM LoginFailures WHERE UserID = ?"), { clerk });
        return count.isValid() ? count.toInt() : -1;
    }
    // As if `seconds` had passed since every failure and lock.
    void Age(int seconds)
    {
        if (engine() == Engine::SQLite)
            Db().Exec(QStringLiteral("UPDATE LoginFailures SET WindowStart = WindowStart - ? / "
                                     "86400.0, LockedUntil = LockedUntil - ? / 86400.0"),
                { seconds, seconds });
        else
            Db().Exec(QStringLiteral("UPDATE LoginFailures SET WindowStart = WindowStart - "
                                     "make_interval(secs => ?), LockedUntil = LockedUntil - "
                                     "make_interval(secs => ?)"),
                { seconds, seconds });
    }
    // Seconds from now to `end`.
    static qint64 SecondsTo(const QDateTime& end)
    {
        return QDateTime::currentDateTimeUtc().secsTo(end);
    }

    int clerk = 0;
};

TEST_P(LoginGuardTest, TheLimitOfFailuresLocksTheNameForThePeriod)
{
    Fail();
    Fail();
    EXPECT_EQ(Failures(), 2);
    EXPECT_FALSE(LockEnd());
    Fail();
    const std::optional<QDateTime> end = LockEnd();
    ASSERT_TRUE(end);
    EXPECT_TRUE(end->isValid());
    EXPECT_NEAR(SecondsTo(*end), 60, 5);

    // Failures while locked neither extend the lock nor count.
    const QVariant lockedUntil
        = Db().Scalar(QStringLiteral("SELECT LockedUntil FROM LoginFailures"));
    Fail();
    Fail();
    EXPECT_EQ(Db().Scalar(QStringLiteral("SELECT LockedUntil FROM LoginFailures")), lockedUntil);
    EXPECT_EQ(Failures(), 3);

    // The lock ends by itself; the next failure starts the count again.
    Age(61);
    EXPECT_FALSE(LockEnd());
    Fail();
    EXPECT_EQ(Failures(), 1);
    EXPECT_FALSE(LockEnd());
}

TEST_P(LoginGuardTest, FailuresOlderThanThePeriodNoLongerCount)
{
    Fail();
    Fail();
    Age(61);
    Fail();
    EXPECT_EQ(Failures(), 1);
    Fail();
    EXPECT_FALSE(LockEnd());
    Fail();
    EXPECT_TRUE(LockEnd());
}

TEST_P(LoginGuardTest, NamesNobodyHasAndSettingsThatSwitchItOffCountNothing)
{
    // Names are compared byte for byte, as at login.
    for (const char* name : { "nobody", "Clerk", "clerk ", "" })
        Fail(QLatin1String(name));
    EXPECT_EQ(Count(QStringLiteral("LoginFailures")), 0);

    for (const char* value : { "0", "", "three", "-3", "1000000000" }) {
        SCOPED_TRACE(value);
        Set(LoginThrottle::kFailuresSetting, QLatin1String(value));
        Fail();
        EXPECT_EQ(Failures(), -1);
    }
    Db().Exec(QStringLiteral("DELETE FROM SecurityParams WHERE Name = 'LockAfterFails'"));
    Fail();
    EXPECT_EQ(Failures(), -1);
}

TEST_P(LoginGuardTest, TheDatabaseReadsTheSettingsAsTheRuntimeDoes)
{
    for (const char* value :
        { "5", " 12 ", "0", "", "-3", "+3", "5x", "1e3", "999999999", "1000000000" }) {
        SCOPED_TRACE(value);
        Set(LoginThrottle::kFailuresSetting, QLatin1String(value));
        Set(LoginThrottle::kPeriodSetting, QLatin1String(value));
        const Rows rows = Select(Db(),
            QStringLiteral("SELECT FailuresBeforeLock, LockSeconds FROM LoginThrottleSettings"));
        ASSERT_EQ(rows.rows.size(), 1);
        const int number = LoginThrottle::SettingNumber(value);
        EXPECT_EQ(rows.rows[0][0].toInt(), number);
        EXPECT_EQ(
            rows.rows[0][1].toInt(), number > 0 ? number : LoginThrottle::kDefaultPeriodSeconds);
    }
}

TEST_P(LoginGuardTest, ALockWithoutAPeriodSettingLastsTheDefault)
{
    Set(LoginThrottle::kPeriodSetting, QStringLiteral("soon"));
    Set(LoginThrottle::kFailuresSetting, QStringLiteral("1"));
    Fail();
    const std::optional<QDateTime> end = LockEnd();
    ASSERT_TRUE(end);
    EXPECT_NEAR(SecondsTo(*end), LoginThrottle::kDefaultPeriodSeconds, 5);
}

TEST_P(LoginGuardTest, TheAdministrationClearsALockAndDeletingTheUserForgetsIt)
{
    for (int i = 0; i < 3; ++i)
        Fail();
    ASSERT_TRUE(LockEnd());
    Call(QStringLiteral("ClearLoginLock"), { { QStringLiteral("UserID"), clerk } });
    EXPECT_FALSE(LockEnd());
    EXPECT_EQ(Failures(), -1);

    Fail();
    Db().Exec(QStringLiteral("DELETE FROM Users WHERE UserID = ?"), { clerk });
    EXPECT_EQ(Count(QStringLiteral("LoginFailures")), 0);
}

WARDSCHEMA_BOTH_ENGINES(LoginGuardTest);

} // namespace
} // namespace Security::Schema::Testing
