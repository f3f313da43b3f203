// Password storage and failed-login throttling at login: a database made
// before them logs in as it always did; a user with an Argon2id string logs
// in with it and never with the legacy column's marker; users stored either
// way share a database; N wrong passwords lock a name for the period, the
// right one is then refused like a wrong one, and the lock ends by itself or
// when it is cleared.

#include "bde_fixture.h"

#include <wardlock/encoding.h>
#include <wardlock/passwordhash.h>

#include "builtin_key_texts.h"

using namespace Security;

namespace wardlock_test {
namespace {

class StorageTest : public BdeTest {
protected:
    bool LogsIn(const std::string& user, const std::string& passwd)
    {
        return LoginAs(user, passwd) != nullptr;
    }
    QVariant Failures(int userID)
    {
        return db().Scalar("select Failures from LoginFailures where UserID = :p1", { userID });
    }
    void Throttle(int failures, int seconds)
    {
        db().SetSetting("LockAfterFails", QString::number(failures));
        db().SetSetting("LockSeconds", QString::number(seconds));
    }
};

TEST_P(StorageTest, ADatabaseMadeBeforeStorageAndThrottlingLogsInAsBefore)
{
    db().MakeLegacy();
    // Settings the database cannot honour: storage keeps the legacy form.
    db().SetSetting("PasswordStorage", "argon2id");
    TSecurity* security = LoginAs("clerk", kClerkPassword);
    ASSERT_NE(security, nullptr);
    EXPECT_EQ(security->User().Passwd, IntEncode(kClerkPassword)) << "the stored form";
    EXPECT_FALSE(LogsIn("clerk", "wrong"));
    EXPECT_FALSE(LogsIn("nobody", kClerkPassword));
    // A user without a password passes with any, as before.
    db().AddUser("open", clerks, std::nullopt);
    EXPECT_TRUE(LogsIn("open", "anything"));
}

TEST_P(StorageTest, AnArgon2idUserLogsInWithHisStringOnly)
{
    db().SetSetting("PasswordStorage", "argon2id");
    db().AddModernUser("modern", clerks, "N3w-Pass");
    TSecurity* security = LoginAs("modern", "N3w-Pass");
    ASSERT_NE(security, nullptr);
    // The record holds the legacy form of the password just verified, so
    // dialogs compare and check it as for any user; never the marker.
    EXPECT_EQ(security->User().Passwd, IntEncode("N3w-Pass"));
    for (const char* wrong : { "N3w-pass", "N3w-Pas", "", "N3w-Pass " })
        EXPECT_FALSE(LogsIn("modern", wrong)) << '"' << wrong << '"';
}

TEST_P(StorageTest, TheMarkerMatchesNoPassword)
{
    // The marker decodes to a block with zero bytes: its text up to the
    // first zero is the nearest a password comes to it.
    const tor::pswdsstr<16> plain = Decode(ModernFormMarker(), keytexts::BuiltInPasswordKey());
    const std::string candidates[] = { "", plain.c_str(), "Argon2id" };
    struct Row {
        const char* name;
        bool withString; // an Argon2id string beside the marker
    };
    for (const Row row : { Row { "lost", false }, Row { "kept", true } }) {
        SCOPED_TRACE(row.name);
        const int id = db().AddModernUser(row.name, clerks, "Pw-of-kept");
        if (!row.withString)
            db().Exec("update Users set PasswordHash = null where UserID = :p1", { id });
        for (const std::string& candidate : candidates)
            EXPECT_FALSE(LogsIn(row.name, candidate)) << '"' << candidate << '"';
    }
    // A text in the column that is no Argon2id string matches nothing either.
    const int broken = db().AddModernUser("broken", clerks, "x");
    db().Exec("update Users set PasswordHash = 'x' where UserID = :p1", { broken });
    EXPECT_FALSE(LogsIn("broken", "x"));
}

TEST_P(StorageTest, UsersStoredEitherWayShareADatabase)
{
    db().SetSetting("PasswordStorage", "argon2id");
    db().AddModernUser("modern", clerks, "M0dern");
    // A legacy column left beside a string does not count: the string does.
    db().AddModernUser("moved", clerks, "NewOne", IntEncode("OldOne"));
    EXPECT_TRUE(LogsIn("clerk", kClerkPassword));
    EXPECT_TRUE(LogsIn("modern", "M0dern"));
    EXPECT_FALSE(LogsIn("clerk", "M0dern"));
    EXPECT_FALSE(LogsIn("modern", kClerkPassword));
    EXPECT_TRUE(LogsIn("moved", "NewOne"));
    EXPECT_FALSE(LogsIn("moved", "OldOne"));
}

TEST_P(StorageTest, WrongPasswordsLockTheNameForThePeriod)
{
    Throttle(3, 120);
    const int modern = db().AddModernUser("modern", clerks, "M0dern");
    for (const auto& [name, id, password] : { std::tuple { "clerk", clerk, kClerkPassword },
             std::tuple { "modern", modern, "M0dern" } }) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(LogsIn(name, "wrong1"));
        EXPECT_FALSE(LogsIn(name, "wrong2"));
        EXPECT_EQ(Failures(id).toInt(), 2);
        // Failures below the limit do not stop the right password.
        ASSERT_TRUE(LogsIn(name, password));
        EXPECT_FALSE(LogsIn(name, "wrong3"));
        // Locked: the right password is refused as a wrong one is.
        EXPECT_FALSE(LogsIn(name, password));
        EXPECT_FALSE(LogsIn(name, password));
        // The lock ends by itself.
        db().AgeLoginFailures(121);
        EXPECT_TRUE(LogsIn(name, password));
    }
    // Names nobody has are refused and counted nowhere.
    EXPECT_FALSE(LogsIn("nobody", "x"));
    EXPECT_EQ(db().Scalar("select count(*) from LoginFailures where UserID not in (:p1, :p2)",
                      { clerk, modern })
                  .toInt(),
        0);
}

TEST_P(StorageTest, AClearedLockLetsTheUserInAtOnce)
{
    Throttle(2, 3600);
    EXPECT_FALSE(LogsIn("clerk", "wrong"));
    EXPECT_FALSE(LogsIn("clerk", "wrong"));
    EXPECT_FALSE(LogsIn("clerk", kClerkPassword));
    db().Exec("delete from LoginFailures where UserID = :p1", { clerk });
    EXPECT_TRUE(LogsIn("clerk", kClerkPassword));
}

TEST_P(StorageTest, ThrottlingADatabaseCannotCountRefusesToPrepare)
{
    db().MakeLegacy();
    db().SetSetting("LockAfterFails", "3");
    // Without the lock it asks for, the database is not used at all.
    EXPECT_FALSE(LogsIn("clerk", kClerkPassword));
    db().SetSetting("LockAfterFails", "0");
    EXPECT_TRUE(LogsIn("clerk", kClerkPassword));
}

WARDLOCK_INSTANTIATE_ENGINES(StorageTest);

} // namespace
} // namespace wardlock_test
