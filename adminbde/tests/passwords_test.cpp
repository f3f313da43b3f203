// Passwords the administration sets: a database that stores Argon2id strings
// gets the string the session made, with the marker in the legacy column; a
// database without the column, or one that has not opted in, is written as
// before. Failed-login locks are seen and cleared through the module.

#include "admin_fixture.h"

#include <wardlock/datamodule.h>
#include <wardlock/encoding.h>
#include <wardlock/passwordhash.h>

using namespace Security;

namespace wardlock_test {

namespace {

class PasswordsTest : public AdminTest {
protected:
    void SetUp() override
    {
        AdminTest::SetUp();
        if (IsSkipped())
            return;
        clerks = AddGroup("Clerks");
        bob = AddUser("bob", clerks);
    }

    void OptIn() { db().SetSetting(kPasswordStorageSetting, kPasswordStorageArgon2id); }

    // The password's legacy form as the password dialogs make it: through
    // the logged session, which keeps its Argon2id string.
    static tor::pswdsstr<16> Encoded(TSecurity* security, const char* password)
    {
        return security->DataModule()->IntEncode(password);
    }

    QByteArray StoredPasswd(int userID)
    {
        return db()
            .Scalar("select Passwd from Users where UserID = :p1", { userID })
            .toString()
            .toLatin1();
    }
    QVariant StoredHash(int userID)
    {
        return db().Scalar("select PasswordHash from Users where UserID = :p1", { userID });
    }
    static QByteArray Bytes(const tor::pswdsstr<16>& value)
    {
        return QByteArray(value.data(), static_cast<qsizetype>(value.length()));
    }

    // Changes the current user's password only.
    static void SetPasswd(TSecDModSmpDlgBaseFrm& module, const tor::pswdsstr<16>& passwd)
    {
        const TSecUserInfo info = module.UserInfo();
        module.ChangeUser(info.Name.c_str(), info.FullName.c_str(), passwd, info.AllowChangePswd,
            info.AllowNullPasswd, info.NoChPswdAtLogin, info.AccountEnabled, info.PasswdControl);
    }

    void ExpectModern(int userID, const char* password)
    {
        EXPECT_EQ(StoredPasswd(userID), Bytes(ModernFormMarker()));
        const std::string hash = StoredHash(userID).toString().toStdString();
        EXPECT_TRUE(PasswordHash::IsHash(hash)) << hash;
        EXPECT_TRUE(PasswordHash::Verify(hash, password));
    }
    void ExpectLegacy(int userID, const char* password)
    {
        EXPECT_EQ(StoredPasswd(userID), Bytes(IntEncode(password)));
        EXPECT_TRUE(StoredHash(userID).isNull());
    }

    int clerks = 0;
    int bob = 0;
};

// Every way the modules write a user's row: the full and the simple module,
// cached and direct, both layouts.
TEST_P(PasswordsTest, AChangedPasswordMovesTheUserToTheNewForm)
{
    OptIn();
    struct Case {
        const char* name;
        bool full;
        ModuleOptions options;
    };
    const Case cases[] = {
        { "full, old layout, cached", true, { false, true } },
        { "full, new layout, direct", true, { true, false } },
        { "simple, old layout, cached", false, { false, true } },
        { "simple, new layout, direct", false, { true, false } },
    };
    int round = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string password = "New-Pw" + std::to_string(++round);
        TSecurity* admin = LoginAdmin(c.options);
        ASSERT_NE(admin, nullptr);
        auto full = c.full ? FullModule(admin) : nullptr;
        auto simple = c.full ? nullptr : SimpleModule(admin);
        TSecDModSmpDlgBaseFrm& module
            = c.full ? static_cast<TSecDModSmpDlgBaseFrm&>(*full) : *simple;
        ASSERT_TRUE(module.FindUser(bob));
        SetPasswd(module, Encoded(admin, password.c_str()));
        if (c.options.cachedMode)
            module.ApplyUpdates();
        ExpectModern(bob, password.c_str());
        EXPECT_NE(LoginAs("bob", password), nullptr);
    }
}

TEST_P(PasswordsTest, ANewUserGetsTheNewForm)
{
    OptIn();
    TSecurity* admin = LoginAdmin();
    auto module = FullModule(admin);
    ASSERT_NE(module->NewUserStart(), nullptr);
    module->NewUserEnd("carl", "Carl", Encoded(admin, "Carl-Pw1"), clerks, spoAsGroup, spoAsGroup,
        spoAsGroup, spoAsGroup, spoAsGroup);
    const int carl = UserID("carl");
    ASSERT_GT(carl, 0);
    ExpectModern(carl, "Carl-Pw1");
    EXPECT_NE(LoginAs("carl", "Carl-Pw1"), nullptr);
}

// Edits that leave the password alone leave both columns alone: a legacy
// user stays legacy, a user with a string keeps it (and the marker).
TEST_P(PasswordsTest, OtherEditsKeepTheStoredForm)
{
    OptIn();
    const int modern = db().AddModernUser("mona", clerks, "Mona-Pw1");
    const std::string hash = StoredHash(modern).toString().toStdString();
    auto module = FullModule(LoginAdmin());
    for (const int id : { bob, modern }) {
        ASSERT_TRUE(module->FindUser(id));
        const TSecUserInfo info = module->UserInfo();
        module->ChangeUser(info.Name.c_str(), "Renamed", info.Passwd, info.AllowChangePswd,
            info.AllowNullPasswd, info.NoChPswdAtLogin, info.AccountEnabled, info.PasswdControl);
    }
    module->ApplyUpdates();
    ExpectLegacy(bob, kPassword);
    EXPECT_EQ(StoredPasswd(modern), Bytes(ModernFormMarker()));
    EXPECT_EQ(StoredHash(modern).toString().toStdString(), hash);
    EXPECT_NE(LoginAs("mona", "Mona-Pw1"), nullptr);
}

// The logged user stored as a string sees the legacy form of the password
// he logged in with (the dialogs compare it), and changes it.
TEST_P(PasswordsTest, TheLoggedUserSeesHisVerifiedPassword)
{
    OptIn();
    const int admins = db().Scalar("select GroupID from Users where Name = 'admin'").toInt();
    const int mona = db().AddModernUser("mona", admins, "Mona-Pw1");
    TSecurity* security = LoginAs("mona", "Mona-Pw1");
    ASSERT_NE(security, nullptr);
    auto module = SimpleModule(security, mona, admins);
    ASSERT_TRUE(module->FindUser(mona));
    EXPECT_EQ(module->UserInfo().Passwd, IntEncode("Mona-Pw1"));
    SetPasswd(*module, Encoded(security, "Mona-Pw2"));
    module->ApplyUpdates();
    ExpectModern(mona, "Mona-Pw2");
    EXPECT_EQ(security->User().Passwd, IntEncode("Mona-Pw2"));
}

// Without the setting the legacy form is written, and a string left from
// before is dropped so that it no longer decides the login.
TEST_P(PasswordsTest, ADatabaseThatHasNotOptedInStoresTheLegacyForm)
{
    const int modern = db().AddModernUser("mona", clerks, "Mona-Pw1");
    TSecurity* admin = LoginAdmin();
    auto module = FullModule(admin);
    ASSERT_TRUE(module->FindUser(modern));
    SetPasswd(*module, Encoded(admin, "Mona-Pw2"));
    module->ApplyUpdates();
    ExpectLegacy(modern, "Mona-Pw2");
    EXPECT_NE(LoginAs("mona", "Mona-Pw2"), nullptr);
}

// A database made before the string column is written exactly as before,
// whatever its settings say.
TEST_P(PasswordsTest, ADatabaseWithoutTheColumnWorksAsBefore)
{
    db().MakeLegacy();
    OptIn();
    TSecurity* admin = LoginAdmin();
    auto module = FullModule(admin);
    ASSERT_TRUE(module->FindUser(bob));
    SetPasswd(*module, Encoded(admin, "Bob-Pw2"));
    module->ApplyUpdates();
    EXPECT_EQ(StoredPasswd(bob), Bytes(IntEncode("Bob-Pw2")));
    ASSERT_NE(module->NewUserStart(), nullptr);
    module->NewUserEnd("carl", "Carl", Encoded(admin, "Carl-Pw1"), clerks, spoAsGroup, spoAsGroup,
        spoAsGroup, spoAsGroup, spoAsGroup);
    EXPECT_EQ(StoredPasswd(UserID("carl")), Bytes(IntEncode("Carl-Pw1")));
    EXPECT_EQ(module->LoginLockEnd(bob), "");
}

// A cancelled change writes neither column.
TEST_P(PasswordsTest, ACancelledChangeWritesNothing)
{
    OptIn();
    TSecurity* admin = LoginAdmin();
    auto module = FullModule(admin);
    ASSERT_TRUE(module->FindUser(bob));
    SetPasswd(*module, Encoded(admin, "Bob-Pw2"));
    EXPECT_TRUE(module->CancelUpdates());
    ExpectLegacy(bob, kPassword);
}

TEST_P(PasswordsTest, AnAdministratorSeesAndClearsALock)
{
    db().SetSetting("LockAfterFails", "2");
    db().SetSetting("LockSeconds", "3600");
    auto module = FullModule(LoginAdmin());
    EXPECT_EQ(module->LoginLockEnd(bob), "");
    // Two refused logins through the runtime provider lock the name.
    for (int attempt = 0; attempt < 2; ++attempt) {
        TSecurity* probe = AddUnprepared();
        ASSERT_TRUE(probe->PrepareLogin());
        EXPECT_FALSE(probe->Login("bob", "wrong"));
    }
    const std::string end = module->LoginLockEnd(bob);
    EXPECT_EQ(end.size(), 20u) << end;
    module->ClearLoginLock(bob);
    EXPECT_EQ(module->LoginLockEnd(bob), "");
    EXPECT_EQ(Count("select count(*) from LoginFailures"), 0);
    EXPECT_NE(LoginAs("bob", kPassword), nullptr);
}

WARDLOCK_ADMIN_ENGINES(PasswordsTest);

} // namespace
} // namespace wardlock_test
