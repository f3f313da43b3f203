// Preparing a login through the BDE provider: the database signature,
// unreachable, foreign and locked databases, the database password, the
// query texts with and without parameter markers, and names that a database
// compares without regard to case.

#include "bde_fixture.h"

#include "../datamodule.h"
#include "sandbox.h"

#include <wardlock/data/connection.h>
#include <wardlock/data/dbdataset.h>
#include <wardlock/datamodule.h>

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <fstream>

using namespace Security;

namespace wardlock_test {
namespace {

using PreparationTest = BdeTest;

vcl::TQuery* QueryOf(TSecurity* security, const char* name)
{
    return dynamic_cast<vcl::TQuery*>(security->DataModule()->FindComponent(name));
}

vcl::TDatabase* DatabaseOf(TSecurity* security)
{
    return dynamic_cast<vcl::TDatabase*>(security->DataModule()->FindComponent("SecurityDB"));
}

TEST_P(PreparationTest, SignatureRowDecidesAndTheNextGoodPreparationSucceeds)
{
    struct Case {
        const char* label;
        std::optional<std::string> value;
    };
    const Case cases[] = {
        { "missing row", std::nullopt },
        { "other value", "Wdk580217;QmTr#7" },
        { "other case", "wdk580217;qmtr#6" },
        { "empty", "" },
    };
    TSecurity* security = AddSilent("clerk", kClerkPassword, false);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        if (c.value)
            db().SetSetting("SecurityAutoLog", QString::fromStdString(*c.value));
        else
            db().DeleteSetting("SecurityAutoLog");
        EXPECT_FALSE(security->PrepareLogin());
        ASSERT_NE(security->DataModule(), nullptr) << "the module stays, not logged in";
        EXPECT_FALSE(security->Logged());
        EXPECT_FALSE(DatabaseOf(security)->Connected()) << "a failed preparation disconnects";
        EXPECT_EQ(DatabaseOf(security)->Params().Values("PASSWORD"), "")
            << "and forgets the password";
        EXPECT_EQ(security->DataModule()->UsersDataSet(), nullptr);
        db().SetSetting("SecurityAutoLog", "Wdk580217;QmTr#6");
        EXPECT_TRUE(security->PrepareLogin());
        EXPECT_TRUE(security->Login("clerk", kClerkPassword));
        security->Logout();
    }
}

TEST_P(PreparationTest, UnreachableAndForeignDatabasesFailQuietly)
{
    const std::string folder = SandboxFolder();
    {
        std::ofstream text(folder + "/not-a-database.sqlite");
        text << "just some text, not a database\n";
    }
    {
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "foreign");
        other.setDatabaseName(QString::fromStdString(folder + "/foreign.sqlite"));
        ASSERT_TRUE(other.open());
        QSqlQuery(other).exec("create table SecurityParams (Name text, Other text)");
        other.close();
    }
    QSqlDatabase::removeDatabase("foreign");
    struct Case {
        const char* label;
        std::string driver;
        std::string database;
    };
    const Case cases[] = {
        { "missing file", "QSQLITE", folder + "/missing.sqlite" },
        { "text file", "QSQLITE", folder + "/not-a-database.sqlite" },
        { "other schema", "QSQLITE", folder + "/foreign.sqlite" },
        { "unknown driver", "QNOSUCH", "x" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        WriteAlias("Broken", c.driver, c.database);
        TSecurity* security = TSecRights::AddSecurity(NewName().c_str(), "Broken", "Torvane:BDE",
            "BDE", nullptr, kDbUser, kDbPassword, "clerk", kClerkPassword, nullptr, false);
        EXPECT_FALSE(security->PrepareLogin());
        EXPECT_FALSE(security->Login(saltSilent));
        EXPECT_NE(security->Provider(), nullptr) << "the provider itself loaded";
    }
    EXPECT_FALSE(QFile::exists(QString::fromStdString(folder + "/missing.sqlite")))
        << "nothing is created";
    TSecurity* noAlias = TSecRights::AddSecurity(NewName().c_str(), "NoSuchAlias", "Torvane:BDE",
        "BDE", nullptr, kDbUser, kDbPassword, "clerk", kClerkPassword, nullptr, false);
    EXPECT_FALSE(noAlias->PrepareLogin());
}

TEST_P(PreparationTest, LockedDatabaseFailsAndWorksOnceReleased)
{
    if (GetParam() != Engine::SQLite)
        GTEST_SKIP() << "file locks are an SQLite matter";
    db().Disconnect();
    QSqlDatabase locker = QSqlDatabase::addDatabase("QSQLITE", "locker");
    locker.setDatabaseName(QString::fromStdString(db().database()));
    ASSERT_TRUE(locker.open());
    QSqlQuery lock(locker);
    ASSERT_TRUE(lock.exec("begin exclusive"));
    TSecurity* security = AddSilent("clerk", kClerkPassword, false);
    EXPECT_FALSE(security->PrepareLogin());
    ASSERT_TRUE(lock.exec("rollback"));
    lock = QSqlQuery();
    locker.close();
    locker = QSqlDatabase();
    QSqlDatabase::removeDatabase("locker");
    EXPECT_TRUE(security->PrepareLogin());
    EXPECT_TRUE(security->Login("clerk", kClerkPassword));
}

TEST_P(PreparationTest, WrongDatabaseAccountFailsAndTheRightOneSucceeds)
{
    if (GetParam() != Engine::PostgreSQL)
        GTEST_SKIP() << "SQLite has no database accounts";
    TSecurity* wrong = TSecRights::AddSecurity(NewName().c_str(), alias().c_str(), "Torvane:BDE",
        "BDE", nullptr, "no_such_role", "x", "clerk", kClerkPassword, nullptr, false);
    EXPECT_FALSE(wrong->PrepareLogin());
    EXPECT_NE(LoginAs("clerk", kClerkPassword), nullptr);
}

TEST_P(PreparationTest, WrongDatabasePasswordFailsAndTheNextGoodPreparationSucceeds)
{
    if (GetParam() != Engine::PostgreSQL)
        GTEST_SKIP() << "SQLite has no database passwords";
    // The test server checks this account's password (scripts/services.sh); it
    // reads what the runtime account reads.
    const char* account = "WardPasswordCheck";
    const char* password = "Kd-right-one";
    {
        // Roles belong to the whole server; statements that cannot be prepared.
        QSqlDatabase admin = QSqlDatabase::addDatabase("QPSQL", "password-check-admin");
        admin.setHostName(qEnvironmentVariable("WARDLOCK_PG_HOST"));
        admin.setPort(qEnvironmentVariableIntValue("WARDLOCK_PG_PORT"));
        admin.setUserName(qEnvironmentVariable("WARDLOCK_PG_USER"));
        admin.setDatabaseName("postgres");
        ASSERT_TRUE(admin.open()) << admin.lastError().text().toStdString();
        QSqlQuery sql(admin);
        ASSERT_TRUE(sql.exec("DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = "
                             "'WardPasswordCheck') THEN CREATE ROLE \"WardPasswordCheck\" LOGIN "
                             "PASSWORD 'Kd-right-one'; END IF; END $$"))
            << sql.lastError().text().toStdString();
        ASSERT_TRUE(sql.exec("GRANT \"SecurityCheck\" TO \"WardPasswordCheck\""))
            << sql.lastError().text().toStdString();
        sql = QSqlQuery();
        admin.close();
        admin = QSqlDatabase();
        QSqlDatabase::removeDatabase("password-check-admin");
    }
    TSecurity* wrong = TSecRights::AddSecurity(NewName().c_str(), alias().c_str(), "Torvane:BDE",
        "BDE", nullptr, account, "not-the-password", "clerk", kClerkPassword, nullptr, false);
    EXPECT_FALSE(wrong->PrepareLogin());
    EXPECT_FALSE(wrong->Login(saltSilent));
    ASSERT_NE(wrong->DataModule(), nullptr) << "the data module stays, not connected";
    vcl::TDatabase* database = DatabaseOf(wrong);
    ASSERT_NE(database, nullptr);
    EXPECT_FALSE(database->Connected());
    EXPECT_EQ(database->Params().Values("PASSWORD"), "") << "a failed preparation forgets it";
    TSecurity* right = TSecRights::AddSecurity(NewName().c_str(), alias().c_str(), "Torvane:BDE",
        "BDE", nullptr, account, password, "clerk", kClerkPassword, nullptr, false);
    EXPECT_TRUE(right->PrepareLogin());
    EXPECT_TRUE(right->Login("clerk", kClerkPassword));
}

TEST_P(PreparationTest, DatabasePasswordIsTakenOnlyWhileDisconnected)
{
    TSecurity* security = AddSilent("clerk", kClerkPassword, false);
    ASSERT_TRUE(security->PrepareLogin());
    vcl::TDatabase* database = DatabaseOf(security);
    EXPECT_EQ(database->Params().Values("USER NAME"), kDbUser);
    EXPECT_EQ(database->Params().Values("PASSWORD"), kDbPassword);
    EXPECT_EQ(database->AliasName(), alias());
    EXPECT_TRUE(database->Connected());
    // A failed login disconnects at the end of the phase.
    EXPECT_FALSE(security->Login("clerk", "wrong"));
    security->PostLogin();
    EXPECT_FALSE(database->Connected());
    EXPECT_TRUE(security->Login(saltSilent));
    EXPECT_TRUE(database->Connected()) << "stays connected while logged in";
}

TEST_P(PreparationTest, ParameterMarkersFollowTheBdeSqlParamsOption)
{
    struct Case {
        const char* options;
        bool rewritten;
    };
    const Case cases[] = {
        { kDemoOptions, true },
        { "BDESQLParams = 0", true },
        { "BDESQLParams=1", false },
        { "RecordsetStoredProcs=0, CachedUpdates=1", false },
        { "BDESQLParams=00", false }, // only exactly "0" switches it off
        { nullptr, false },
    };
    const int form = db().AddForm("Orders");
    db().SetGroupRight(clerks, form, srView);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options ? c.options : "(no options)");
        TSecurity* security = AddSilent("clerk", kClerkPassword, false, c.options);
        ASSERT_TRUE(security->PrepareLogin());
        const std::pair<const char*, const char*> queries[] = { { "GroupParams", "GroupID" },
            { "UserParams", "UserID" }, { "GroupRights", "GroupID" }, { "UserRights", "UserID" } };
        for (const auto& [query, param] : queries) {
            vcl::TQuery* q = QueryOf(security, query);
            ASSERT_NE(q, nullptr) << query;
            const std::string text = q->SQL().Text();
            EXPECT_EQ(text.find(':') == std::string::npos, c.rewritten) << text;
            EXPECT_EQ(text.find(std::string("p") + param) != std::string::npos, c.rewritten);
            EXPECT_NE(q->Params().FindParam(param), nullptr) << "the parameter stays";
        }
        EXPECT_EQ(QueryOf(security, "Forms")->SQL().Text(), "select FormID, Name\nfrom Forms;\n");
        EXPECT_EQ(QueryOf(security, "SecurityParams")->SQL().Text(),
            "select Name, [FValue]\nfrom SecurityParams\n");
        ASSERT_TRUE(security->Login("clerk", kClerkPassword)) << "bound by position or by name";
        security->PostLogin();
        TSecRights rights(security);
        EXPECT_EQ(rights.GetRight("Orders"), form);
        EXPECT_EQ(rights.Mask, srView);
    }
}

TEST_P(PreparationTest, NameThatDiffersOnlyInCaseIsRefusedEvenWhenTheDatabaseMatchesIt)
{
    if (GetParam() != Engine::SQLite)
        GTEST_SKIP() << "simulated with an SQLite collation";
    db().AddUser("Admin2", clerks, "upper");
    // The users as a database that compares names without regard to case
    // would show them.
    db().Exec("alter table Users rename to UsersData");
    db().Exec("create view Users as select UserID, Name collate nocase as Name, FullName, "
              "GroupID, Passwd, PasswdControl, AllowNullPasswd, AllowChangePswd, "
              "NoChPswdAtLogin, AccountEnabled from UsersData");
    ASSERT_EQ(db().Scalar("select count(*) from Users where Name = 'admin2'").toInt(), 1);
    EXPECT_EQ(LoginAs("admin2", "upper"), nullptr) << "only the row 'Admin2' matched";
    EXPECT_NE(LoginAs("Admin2", "upper"), nullptr);
    // With both spellings present the exact one is taken, whichever comes first.
    db().Exec(
        "insert into UsersData (Name, FullName, GroupID, Passwd) values ('admin2', 'l', :p1, :p2)",
        { clerks, RawBytes(IntEncode("lower")) });
    TSecurity* lower = LoginAs("admin2", "lower");
    ASSERT_NE(lower, nullptr);
    EXPECT_EQ(std::string(lower->User().Name.c_str()), "admin2");
    EXPECT_EQ(LoginAs("admin2", "upper"), nullptr);
}

TEST_P(PreparationTest, DataModuleIsNamedAfterTheSecurityAndOwnedByIt)
{
    TSecurity* security = AddSilent("clerk", kClerkPassword, false);
    ASSERT_TRUE(security->PrepareLogin());
    TSecDModFrm* module = security->DataModule();
    EXPECT_EQ(module->Name(), security->Name());
    EXPECT_EQ(module->Owner(), security);
    for (const char* name : { "SecuritySession", "SecurityDB", "Forms", "Params", "GroupRights",
             "UserRights", "GroupParams", "UserParams", "SecurityParams", "GroupRightsFormID",
             "UserParamsValue", "SecurityParamsValue" })
        EXPECT_NE(module->FindComponent(name), nullptr) << name;
    EXPECT_EQ(DatabaseOf(security)->DatabaseName(), "SecurityDB");
    EXPECT_EQ(static_cast<TSecDModBDEFrm*>(module)->GetAlias(), alias());
    // Parameters go only to queries and stored procedures.
    vcl::TComponent plain;
    EXPECT_NO_THROW(module->DSSetParam(&plain, "GroupID", 1));
    EXPECT_NO_THROW(module->DSSetParam(&plain, "Name", "x"));
    EXPECT_NO_THROW(module->DSSetParam(nullptr, "Name", nullptr));
    EXPECT_FALSE(DatabaseOf(security)->LoginPrompt());
    // Two data modules at once use sessions of their own.
    TSecurity* second = AddSilent("clerk", kClerkPassword, false);
    ASSERT_TRUE(second->PrepareLogin());
    EXPECT_NE(DatabaseOf(second)->SessionName(), DatabaseOf(security)->SessionName());
    ASSERT_TRUE(second->Login("clerk", kClerkPassword));
    ASSERT_TRUE(security->Login("clerk", kClerkPassword));
}

} // namespace

WARDLOCK_INSTANTIATE_ENGINES(PreparationTest);

} // namespace wardlock_test
