// The wardschema tool run as a process: what it creates and seeds, how it
// checks, and that bad input gives a clear message, a non-zero exit and no
// change. On PostgreSQL also the two roles and what each may do.

#include "created_database.h"
#include "passwords.h"
#include "pg_sql.h"
#include "schema_fixture.h"
#include "schema_model.h"
#include "tool_run.h"

#include <wardlock/encoding.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QProcessEnvironment>
#include <QSqlError>
#include <QTemporaryDir>

namespace Security::Schema::Testing {
namespace {

QByteArray FileHash(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

class ToolTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString Path(const char* name) const { return dir.filePath(QLatin1String(name)); }
    QTemporaryDir dir;
};

TEST_F(ToolTest, WrongCommandLinesAreRefusedWithUsage)
{
    const QString file = Path("security.db");
    const struct {
        const char* name;
        QStringList arguments;
        const char* message;
    } cases[] = {
        { "no command", {}, "no command given" },
        { "unknown command", { "frobnicate", "--sqlite", file }, "unknown command" },
        { "no database", { "create", "--admin-password", "pw" }, "exactly one of" },
        { "two databases",
            { "create", "--sqlite", file, "--pg", "dbname=x", "--admin-password", "pw" },
            "exactly one of" },
        { "no administrator password", { "create", "--sqlite", file },
            "--admin-password is required" },
        { "option of create given to check", { "check", "--sqlite", file, "--force" },
            "does not apply to check" },
        { "runtime role on SQLite",
            { "create", "--sqlite", file, "--admin-password", "pw", "--runtime-role", "r" },
            "PostgreSQL only" },
        { "unknown option", { "create", "--sqlite", file, "--colour" }, "Unknown option" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ToolRun run = RunTool(c.arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.contains(QLatin1String(c.message))) << run.err.toStdString();
        EXPECT_FALSE(QFile::exists(file));
    }
    const ToolRun help = RunTool({ QStringLiteral("--help") });
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("wardschema create"))) << help.out.toStdString();
}

TEST_F(ToolTest, BadInputChangesNothing)
{
    const QString file = Path("security.db");
    const struct {
        const char* name;
        QStringList arguments;
        const char* message;
    } cases[] = {
        { "password too long", { "--admin-password", "0123456789abcdefX" }, "longer than 16" },
        { "empty password", { "--admin-password", "" }, "must not be empty" },
        { "role name with a quote", { "--admin-password", "pw", "--admin-role", "ward\"admin" },
            "is not allowed" },
        { "role name with an apostrophe", { "--admin-password", "pw", "--admin-role", "o'brien" },
            "is not allowed" },
        { "program identifier too long",
            { "--admin-password", "pw", "--prog-id", "0123456789abcdefX" }, "1 to 16 characters" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ToolRun run = RunTool(QStringList { "create", "--sqlite", file } + c.arguments);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains(QLatin1String(c.message))) << run.err.toStdString();
        EXPECT_FALSE(QFile::exists(file));
    }
    const QString nowhere = Path("missing-folder/security.db");
    const ToolRun run = RunTool({ "create", "--sqlite", nowhere, "--admin-password", "pw" });
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("does not exist"))) << run.err.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList {})
        << "no temporary file is left behind";
}

TEST_F(ToolTest, AnExistingFileIsKeptUnlessForced)
{
    const QString file = Path("security.db");
    {
        QFile existing(file);
        ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
        existing.write("somebody's data");
    }
    const QByteArray before = FileHash(file);
    const QStringList create = { "create", "--sqlite", file, "--admin-password", "secret" };
    const ToolRun refused = RunTool(create);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("already exists")))
        << refused.err.toStdString();
    EXPECT_EQ(FileHash(file), before);

    const ToolRun forced = RunTool(create + QStringList { "--force" });
    EXPECT_EQ(forced.exitCode, 0) << forced.err.toStdString();
    EXPECT_NE(FileHash(file), before);
    EXPECT_EQ(RunTool({ "check", "--sqlite", file }).exitCode, 0);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
        QStringList { QStringLiteral("security.db") });
}

TEST_F(ToolTest, PasswordsFromElsewhereAreRefusedClearlyWhenMissingOrTwice)
{
    const QString file = Path("security.db");
    const QStringList create = { "create", "--sqlite", file };
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("WARD_TEST_UNSET"));
    environment.insert(QStringLiteral("WARD_TEST_ADMIN"), QStringLiteral("from-env"));
    const struct {
        const char* name;
        QStringList arguments;
        QByteArray input;
        int exitCode;
        const char* message;
    } cases[] = {
        { "variable not set", { "--admin-password-env", "WARD_TEST_UNSET" }, {}, 1,
            "WARD_TEST_UNSET (--admin-password-env) is not set" },
        { "no line on standard input", { "--admin-password-stdin" }, {}, 1,
            "holds no line for --admin-password-stdin" },
        { "second line missing", { "--admin-password-stdin", "--admin-role-password-stdin" },
            "first\n", 1, "holds no line for --admin-role-password-stdin" },
        { "given and from the environment",
            { "--admin-password", "pw", "--admin-password-env", "WARD_TEST_ADMIN" }, {}, 2,
            "in one way only" },
        { "from the environment and standard input",
            { "--admin-password-env", "WARD_TEST_ADMIN", "--admin-password-stdin" }, "pw\n", 2,
            "in one way only" },
        { "connection password on SQLite", { "--admin-password", "pw", "--pg-password-stdin" },
            "pw\n", 2, "PostgreSQL only" },
        { "runtime password on SQLite",
            { "--admin-password", "pw", "--runtime-password-env", "WARD_TEST_ADMIN" }, {}, 2,
            "PostgreSQL only" },
        { "an empty line is an empty password", { "--admin-password-stdin" }, "\n", 1,
            "must not be empty" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ToolRun run = RunTool(create + c.arguments, c.input, environment);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_TRUE(run.err.contains(QLatin1String(c.message))) << run.err.toStdString();
        EXPECT_FALSE(QFile::exists(file));
    }
    const ToolRun help = RunTool({ QStringLiteral("--help") });
    for (const char* option : { "--NAME-env VAR", "--NAME-stdin", "pg-password" })
        EXPECT_TRUE(help.out.contains(QLatin1String(option))) << option;
}

TEST_F(ToolTest, CheckRefusesWhatIsNotASecurityDatabase)
{
    const QString missing = Path("missing.db");
    const ToolRun none = RunTool({ "check", "--sqlite", missing });
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_TRUE(none.err.contains(QStringLiteral("does not exist"))) << none.err.toStdString();
    EXPECT_FALSE(QFile::exists(missing)) << "check must not create the file";

    const QString other = Path("other.db");
    {
        Connection connection = Connection::OpenSQLite(other, true);
        connection.Exec(QStringLiteral("CREATE TABLE Users (UserID INTEGER PRIMARY KEY)"));
    }
    const ToolRun wrong = RunTool({ "check", "--sqlite", other });
    EXPECT_EQ(wrong.exitCode, 1);
    for (const char* problem :
        { "table Users lacks column Name", "missing table Groups", "missing view QForms" })
        EXPECT_TRUE(wrong.err.contains(QLatin1String(problem))) << wrong.err.toStdString();
}

TEST_P(CreatedDatabaseTest, CreateSeedsWhatTheSystemLooksUp)
{
    const QStringList target = Target(QStringLiteral("seeded"));
    const ToolRun run = RunTool(QStringList { "create" } + target + Roles()
        + QStringList { "--admin-password", "s3cret!", "--admin-role-password", "Acc0unt-Pw",
            "--prog-id", "Test.ProgID" });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(RunTool(QStringList { "check" } + target).exitCode, 0);

    Connection db = Open(target);
    auto setting = [&](const char* name) {
        return db
            .Scalar(QStringLiteral("SELECT FValue FROM SecurityParams WHERE Name = ?"),
                { QLatin1String(name) })
            .toString();
    };
    EXPECT_EQ(setting("SecurityAutoLog"), QStringLiteral("Wdk580217;QmTr#6"));
    EXPECT_EQ(setting("YesString"), QStringLiteral("Yes"));
    EXPECT_EQ(setting("NoString"), QStringLiteral("No"));
    EXPECT_EQ(setting("ProgID"), QStringLiteral("Test.ProgID"));
    EXPECT_EQ(setting("ResNrk7a~d3nEge"), adminRole);
    const QString encoded = setting("Res74hG^e5(dhF");
    EXPECT_EQ(encoded.size(), 16);
    EXPECT_EQ(DecodeAccountPassword(encoded), QByteArray("Acc0unt-Pw"));

    // The administrator logs in with his password as the login compares it.
    const Rows admin = Select(db,
        QStringLiteral("SELECT Users.Passwd, Users.GroupID FROM Users "
                       "INNER JOIN Groups ON Users.GroupID = Groups.GroupID "
                       "WHERE Users.Name = 'admin'"));
    ASSERT_EQ(admin.rows.size(), 1);
    const QByteArray stored = admin.rows[0][0].toString().toLatin1();
    ASSERT_EQ(stored.size(), 16);
    EXPECT_TRUE(CheckPswd("s3cret!", tor::pswdsstr<16>(stored)));
    EXPECT_FALSE(CheckPswd("wrong", tor::pswdsstr<16>(stored)));

    // His group administers itself and holds every right on both forms.
    const int group = admin.rows[0][1].toInt();
    EXPECT_EQ(db.Scalar(QStringLiteral("SELECT Type FROM ModGroups WHERE GroupID = ? AND "
                                       "ModGroupID = ?"),
                    { group, group })
                  .toInt(),
        2);
    const Rows rights = Select(db,
        QStringLiteral("SELECT Forms.Name, FView, FInsert, FModify, "
                       "FDelete FROM GroupRights INNER JOIN Forms ON "
                       "Forms.FormID = GroupRights.FormID WHERE "
                       "GroupID = ? ORDER BY Forms.Name"),
        { group });
    ASSERT_EQ(rights.rows.size(), 2);
    for (const QVariantList& row : rights.rows) {
        SCOPED_TRACE(row[0].toString().toStdString());
        for (int i = 1; i <= 4; ++i)
            EXPECT_TRUE(row[i].toBool());
    }
    EXPECT_EQ(rights.rows[0][0].toString(), QStringLiteral("SecProjecting"));
    EXPECT_EQ(rights.rows[1][0].toString(), QStringLiteral("Security"));
    EXPECT_EQ(
        Select(db, QStringLiteral("SELECT Name FROM ParamTypes ORDER BY Name")).rows.size(), 4);
}

TEST_P(CreatedDatabaseTest, PasswordsNeedNotStandOnTheCommandLine)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WARD_TEST_ROLE_PASSWORD"), QStringLiteral("R0le pw;x"));
    const struct {
        const char* name;
        QStringList options;
        QByteArray input;
        const char* adminPassword;
        const char* rolePassword;
    } cases[] = {
        { "both from standard input, one line each",
            { "--admin-role-password-stdin", "--admin-password-stdin" }, "Adm1n 'pw\r\nR0le;pw\n",
            "Adm1n 'pw", "R0le;pw" },
        { "from the environment and standard input",
            { "--admin-password-stdin", "--admin-role-password-env", "WARD_TEST_ROLE_PASSWORD" },
            "no line end", "no line end", "R0le pw;x" },
    };
    int number = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QStringList target = Target(QStringLiteral("input%1").arg(++number));
        const ToolRun run = RunTool(
            QStringList { "create" } + target + Roles() + c.options, c.input, environment);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        Connection db = Open(target);
        const QByteArray stored
            = db.Scalar(QStringLiteral("SELECT Passwd FROM Users WHERE Name = 'admin'"))
                  .toString()
                  .toLatin1();
        EXPECT_TRUE(CheckPswd(c.adminPassword, tor::pswdsstr<16>(stored)));
        EXPECT_EQ(DecodeAccountPassword(
                      db.Scalar(QStringLiteral("SELECT FValue FROM SecurityParams WHERE Name = ?"),
                            { QStringLiteral("Res74hG^e5(dhF") })
                          .toString()),
            QByteArray(c.rolePassword));
    }
}

TEST_P(CreatedDatabaseTest, DemoAddsTheExampleRows)
{
    const QStringList target = Target(QStringLiteral("demo"));
    const ToolRun run = RunTool(
        QStringList { "demo" } + target + Roles() + QStringList { "--admin-password", "admin" });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(RunTool(QStringList { "check" } + target).exitCode, 0);

    Connection db = Open(target);
    const Rows demo = Select(db, QStringLiteral("SELECT Passwd FROM Users WHERE Name = 'demo'"));
    ASSERT_EQ(demo.rows.size(), 1);
    EXPECT_TRUE(CheckPswd("demo", tor::pswdsstr<16>(demo.rows[0][0].toString().toLatin1())));
    EXPECT_EQ(
        db.Scalar(QStringLiteral("SELECT COUNT(*) FROM Forms WHERE Name = 'MainFrm'")).toInt(), 1);
    EXPECT_EQ(db.Scalar(QStringLiteral("SELECT COUNT(*) FROM Groups")).toInt(), 4);
    EXPECT_GT(db.Scalar(QStringLiteral("SELECT COUNT(*) FROM UserParams")).toInt(), 0);
}

TEST_P(CreatedDatabaseTest, ForceReplacesASecurityDatabase)
{
    const QStringList target = Target(QStringLiteral("replaced"));
    const QStringList create = QStringList { "create" } + target + Roles()
        + QStringList { "--admin-password", "first", "--admin-role-password", "rolepw" };
    ASSERT_EQ(RunTool(create).exitCode, 0);
    {
        Connection db = Open(target);
        db.Exec(QStringLiteral("INSERT INTO SecurityParams (Name, FValue) VALUES ('marker', 'x')"));
    }
    const ToolRun refused = RunTool(create);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("already exists")))
        << refused.err.toStdString();
    {
        Connection db = Open(target);
        EXPECT_EQ(db.Scalar(QStringLiteral("SELECT COUNT(*) FROM SecurityParams WHERE Name = "
                                           "'marker'"))
                      .toInt(),
            1);
    }
    const ToolRun forced = RunTool(create + QStringList { "--force" });
    ASSERT_EQ(forced.exitCode, 0) << forced.err.toStdString();
    Connection db = Open(target);
    EXPECT_EQ(db.Scalar(QStringLiteral("SELECT COUNT(*) FROM SecurityParams WHERE Name = 'marker'"))
                  .toInt(),
        0);
}

INSTANTIATE_TEST_SUITE_P(Engines, CreatedDatabaseTest,
    ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
    [](const ::testing::TestParamInfo<Engine>& info) {
        return info.param == Engine::SQLite ? std::string("SQLite") : std::string("PostgreSQL");
    });

class PostgreSQLToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!TestServer())
            GTEST_SKIP() << "no PostgreSQL server (WARDLOCK_PG_HOST/PORT/USER)";
        dbname = QStringLiteral("wardschema_pgtool_%1").arg(QCoreApplication::applicationPid());
    }
    void TearDown() override
    {
        if (!TestServer())
            return;
        Connection server = Connection::OpenPostgreSQL(*TestServer());
        server.Exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(dbname));
        DropRoles({ runtimeRole, adminRole });
    }
    QStringList CreateArguments(const QString& database) const
    {
        return { "create", "--pg", PgConnectionText(*TestServer(), database), "--runtime-role",
            runtimeRole, "--admin-role", adminRole, "--admin-password", "pw" };
    }
    // A connection as one of the roles (the test server trusts its users).
    Connection As(const QString& role)
    {
        PgConnInfo info = *TestServer();
        info.user = role;
        info.dbname = dbname;
        return Connection::OpenPostgreSQL(info);
    }
    QString dbname;
    const QString runtimeRole = RoleName("wrt");
    const QString adminRole = RoleName("wad");
};

TEST_F(PostgreSQLToolTest, TheRuntimeRoleMayOnlyRead)
{
    const ToolRun run = RunTool(CreateArguments(dbname));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    Connection runtime = As(runtimeRole);

    auto refused = [&](const QString& sql) {
        QSqlQuery query(runtime.Database());
        const bool ok = query.exec(sql);
        EXPECT_FALSE(ok) << "allowed: " << sql.toStdString();
        EXPECT_TRUE(query.lastError().databaseText().contains(QStringLiteral("permission denied")))
            << sql.toStdString() << ": " << query.lastError().databaseText().toStdString();
    };
    for (const ExpectedRelation& table : ExpectedTables(Engine::PostgreSQL)) {
        SCOPED_TRACE(table.name.toStdString());
        const QString column = table.columns.first();
        refused(QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table.name));
        refused(QStringLiteral("UPDATE %1 SET %2 = %2").arg(table.name, column));
        refused(QStringLiteral("DELETE FROM %1").arg(table.name));
    }
    refused(QStringLiteral("SELECT InsertGroupGroupParams('Admins')"));
    refused(QStringLiteral("SELECT * FROM ModGroups"));
    refused(QStringLiteral("SELECT * FROM ParamTypes"));
    refused(QStringLiteral("CREATE TABLE Intruder (x integer)"));

    // What the login and the runtime queries read.
    for (const char* table : { "Users", "Groups", "Forms", "Params", "GroupRights", "UserRights",
             "GroupParams", "UserParams", "SecurityParams" })
        EXPECT_NO_THROW(runtime.Exec(QStringLiteral("SELECT * FROM %1").arg(QLatin1String(table))))
            << table;

    // Nobody but the owner may add objects (older servers let everybody).
    Connection owner = Connection::OpenPostgreSQL(*TestServer(), dbname);
    for (const QString& role : { QStringLiteral("public"), runtimeRole, adminRole })
        EXPECT_FALSE(
            owner
                .Scalar(
                    QStringLiteral("SELECT has_schema_privilege(?, 'public', 'CREATE')"), { role })
                .toBool())
            << role.toStdString();

    Connection admin = As(adminRole);
    EXPECT_NO_THROW(admin.Exec(QStringLiteral("INSERT INTO SecurityParams (Name, FValue) VALUES "
                                              "('AdminWrites', 'x')")));
    EXPECT_NO_THROW(admin.Exec(QStringLiteral("INSERT INTO Groups (Name, FullName) VALUES "
                                              "('fresh', 'Fresh group')")));
    EXPECT_NO_THROW(CallProcedure(admin, QStringLiteral("InsertGroupGroupParams"),
        { { QStringLiteral("GroupName"), QStringLiteral("fresh") } }));
}

TEST_F(PostgreSQLToolTest, BadInputChangesNothing)
{
    // An existing database that is not to be touched.
    {
        Connection server = Connection::OpenPostgreSQL(*TestServer());
        server.Exec(QStringLiteral("CREATE DATABASE %1").arg(dbname));
        Connection existing = Connection::OpenPostgreSQL(*TestServer(), dbname);
        existing.Exec(QStringLiteral("CREATE TABLE Precious (x integer)"));
    }
    const ToolRun exists = RunTool(CreateArguments(dbname));
    EXPECT_EQ(exists.exitCode, 1);
    EXPECT_TRUE(exists.err.contains(QStringLiteral("already exists"))) << exists.err.toStdString();
    EXPECT_NO_THROW(Connection::OpenPostgreSQL(*TestServer(), dbname)
                        .Exec(QStringLiteral("SELECT * FROM Precious")));

    const QString fresh = dbname + QStringLiteral("_fresh");
    const struct {
        const char* name;
        QStringList arguments;
        const char* message;
    } cases[] = {
        { "database name with a quote",
            { "create", "--pg", PgConnectionText(*TestServer(), QStringLiteral("x\"y")),
                "--admin-password", "pw" },
            "is not allowed" },
        { "role name with a quote",
            CreateArguments(fresh) + QStringList { "--runtime-role", "a\"b" }, "is not allowed" },
        { "same name for both roles",
            CreateArguments(fresh) + QStringList { "--admin-role", runtimeRole }, "must differ" },
        { "unreachable server",
            { "create", "--pg",
                QStringLiteral("host=127.0.0.1 port=1 dbname=%1 user=%2")
                    .arg(fresh, TestServer()->user),
                "--admin-password", "pw" },
            "cannot connect" },
    };
    Connection server = Connection::OpenPostgreSQL(*TestServer());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ToolRun run = RunTool(c.arguments);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains(QLatin1String(c.message))) << run.err.toStdString();
        EXPECT_FALSE(DatabaseExists(fresh));
        // Its own temporary database only: other tests create theirs on the
        // same server meanwhile.
        EXPECT_FALSE(server
                         .Scalar(QStringLiteral("SELECT 1 FROM pg_database WHERE datname LIKE ?"),
                             { QStringLiteral("wardschema\\_new\\_%1\\_%").arg(run.pid) })
                         .isValid())
            << "no temporary database is left behind";
    }
    EXPECT_FALSE(
        server.Scalar(QStringLiteral("SELECT 1 FROM pg_roles WHERE rolname = ?"), { runtimeRole })
            .isValid())
        << "no role was created";
}

TEST_F(PostgreSQLToolTest, TheConnectionPasswordComesFromStandardInputOrTheEnvironment)
{
    ASSERT_EQ(RunTool(CreateArguments(dbname)).exitCode, 0);
    // The test server checks this account's password (scripts/services.sh).
    const QString account = QStringLiteral("WardToolPassword");
    const QString password = QStringLiteral("Srv pw;'x\\");
    {
        Connection server = Connection::OpenPostgreSQL(*TestServer());
        ExecFormatted(server,
            QStringLiteral("DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = %L) "
                           "THEN CREATE ROLE %I LOGIN; END IF; END $$"),
            { account, account });
        ExecFormatted(server, QStringLiteral("ALTER ROLE %I PASSWORD %L"), { account, password });
        ExecFormatted(server, QStringLiteral("GRANT %I TO %I"), { adminRole, account });
    }
    PgConnInfo info = *TestServer();
    info.user = account;
    const QStringList check = { "check", "--pg", PgConnectionText(info, dbname) };
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WARD_TEST_PG_PASSWORD"), password);
    environment.remove(QStringLiteral("PGPASSWORD"));
    QProcessEnvironment libpqEnvironment = environment;
    libpqEnvironment.insert(QStringLiteral("PGPASSWORD"), password);
    const struct {
        const char* name;
        QStringList options;
        QByteArray input;
        const QProcessEnvironment& environment;
        int exitCode;
    } cases[] = {
        { "standard input", { "--pg-password-stdin" }, password.toUtf8() + "\n", environment, 0 },
        { "environment", { "--pg-password-env", "WARD_TEST_PG_PASSWORD" }, {}, environment, 0 },
        { "libpq's own variable", {}, {}, libpqEnvironment, 0 },
        { "wrong password", { "--pg-password-stdin" }, "wrong\n", environment, 1 },
        { "no password", {}, {}, environment, 1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ToolRun run = RunTool(check + c.options, c.input, c.environment);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
        if (c.exitCode != 0) {
            EXPECT_TRUE(run.err.contains(QStringLiteral("cannot connect")))
                << run.err.toStdString();
        }
    }
    const ToolRun twice = RunTool(
        { "check", "--pg", PgConnectionText(info, dbname) + " password=x", "--pg-password-stdin" },
        "x\n");
    EXPECT_EQ(twice.exitCode, 2);
    EXPECT_TRUE(twice.err.contains(QStringLiteral("one way only"))) << twice.err.toStdString();
}

TEST_F(PostgreSQLToolTest, AnExistingAdministrationRoleNeedsItsPassword)
{
    {
        Connection server = Connection::OpenPostgreSQL(*TestServer());
        server.Exec(QStringLiteral("CREATE ROLE \"%1\" LOGIN").arg(adminRole));
    }
    const ToolRun refused = RunTool(CreateArguments(dbname));
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("--admin-role-password")))
        << refused.err.toStdString();
    EXPECT_FALSE(DatabaseExists(dbname));

    const ToolRun given
        = RunTool(CreateArguments(dbname) + QStringList { "--admin-role-password", "known" });
    EXPECT_EQ(given.exitCode, 0) << given.err.toStdString();
}

} // namespace
} // namespace Security::Schema::Testing
