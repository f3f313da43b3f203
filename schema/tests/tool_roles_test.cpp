// The wardschema tool and roles that already exist on the PostgreSQL server:
// a role with more rights than its use is refused, an existing role keeps its
// password unless the command line says to reset it, and a run that fails
// leaves every role as it was.

#include "schema_fixture.h"
#include "tool_run.h"

#include <QCoreApplication>

namespace Security::Schema::Testing {
namespace {

class ExistingRolesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!TestServer())
            GTEST_SKIP() << "no PostgreSQL server (WARDLOCK_PG_HOST/PORT/USER)";
        dbname = QStringLiteral("wardschema_roles_%1").arg(QCoreApplication::applicationPid());
    }
    void TearDown() override
    {
        if (!TestServer())
            return;
        Connection server = Connection::OpenPostgreSQL(*TestServer());
        for (const QString& name : { dbname, OwnedDatabase() })
            server.Exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
        server.Exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(OwnedTable()));
        DropRoles(roles);
    }

    // Runs `sql` on the server's maintenance database.
    static void OnServer(const QString& sql)
    {
        Connection::OpenPostgreSQL(*TestServer()).Exec(sql);
    }

    // A role of this case, made with `attributes` and a password of its own.
    QString NewRole(const char* prefix, const QString& attributes = {})
    {
        const QString role = RoleName(prefix);
        roles << role;
        OnServer(QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD 'before-the-run' %2")
                     .arg(role, attributes));
        return role;
    }

    QString OwnedDatabase() const { return dbname + QStringLiteral("_owned"); }
    QString OwnedTable() const { return dbname + QStringLiteral("_owned"); }

    QStringList Create(const QStringList& options) const
    {
        return QStringList { "create", "--pg", PgConnectionText(*TestServer(), dbname),
            "--admin-password", "pw" }
        + options;
    }

    QString dbname;
    QStringList roles;
};

TEST_F(ExistingRolesTest, RolesWithMoreRightsThanTheirUseAreRefusedAndLeftAsTheyWere)
{
    const struct {
        const char* name;
        const char* option; // the role's use
        QString attributes;
        // What makes the role unfit, set up after it is made (%1 = role).
        QString setup;
        const char* message;
    } cases[] = {
        { "superuser", "--runtime-role", "SUPERUSER", {}, "superuser" },
        { "may create roles", "--runtime-role", "CREATEROLE", {}, "create roles" },
        { "may create databases", "--runtime-role", "CREATEDB", {}, "create databases" },
        { "bypasses row security", "--runtime-role", "BYPASSRLS", {}, "row-level security" },
        { "replication", "--runtime-role", "REPLICATION", {}, "replication" },
        { "member of a role that writes", "--runtime-role", {}, "GRANT pg_write_all_data TO %1",
            "member of pg_write_all_data" },
        { "owns a database", "--runtime-role", {},
            "CREATE DATABASE " + OwnedDatabase() + " OWNER %1", "owns 1 object" },
        { "owns a table", "--runtime-role", {},
            "CREATE TABLE " + OwnedTable() + " (x integer); ALTER TABLE " + OwnedTable()
                + " OWNER TO %1",
            "owns 1 object" },
        // Its password would lie in the database, where every login reads it.
        { "superuser as the administration role", "--admin-role", "SUPERUSER", {}, "superuser" },
        { "administration role that may create roles", "--admin-role", "CREATEROLE", {},
            "create roles" },
    };
    int number = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString role
            = NewRole(QStringLiteral("wx%1").arg(++number).toLatin1().constData(), c.attributes);
        if (!c.setup.isEmpty())
            for (const QString& statement : c.setup.arg(role).split(u';', Qt::SkipEmptyParts))
                OnServer(statement);
        const QString before = StoredPassword(role);
        const QString other
            = QLatin1String(c.option) == u"--runtime-role" ? RoleName("wxad") : RoleName("wxrt");
        roles << other;
        const ToolRun run = RunTool(Create({ c.option, role,
            QLatin1String(c.option) == u"--runtime-role" ? "--admin-role" : "--runtime-role", other,
            "--admin-role-password", "given", "--runtime-password", "given",
            "--reset-role-passwords" }));
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains(role) && run.err.contains(QLatin1String(c.message)))
            << run.err.toStdString();
        EXPECT_FALSE(DatabaseExists(dbname));
        EXPECT_EQ(StoredPassword(role), before);
        EXPECT_EQ(StoredPassword(other), QString()) << "no role was made";
        OnServer(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(OwnedDatabase()));
        OnServer(QStringLiteral("DROP TABLE IF EXISTS %1").arg(OwnedTable()));
    }

    // The server's own superuser, the account the tool connects with.
    const QString superuser = TestServer()->user;
    const QString before = StoredPassword(superuser);
    const ToolRun run = RunTool(Create({ "--runtime-role", superuser, "--admin-role",
        RoleName("wxad"), "--admin-role-password", "given" }));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("superuser"))) << run.err.toStdString();
    EXPECT_EQ(StoredPassword(superuser), before);
    EXPECT_FALSE(DatabaseExists(dbname));
}

TEST_F(ExistingRolesTest, ExistingRolesKeepTheirPasswordsUnlessResetIsAsked)
{
    const QString runtime = NewRole("wkrt");
    const QString admin = NewRole("wkad");
    const QString runtimeBefore = StoredPassword(runtime);
    const QString adminBefore = StoredPassword(admin);
    const QStringList roleOptions = { "--runtime-role", runtime, "--admin-role", admin,
        "--runtime-password", "new-runtime", "--admin-role-password", "new-admin" };

    const ToolRun kept = RunTool(Create(roleOptions));
    ASSERT_EQ(kept.exitCode, 0) << kept.err.toStdString();
    EXPECT_EQ(StoredPassword(runtime), runtimeBefore);
    EXPECT_EQ(StoredPassword(admin), adminBefore);
    EXPECT_TRUE(kept.out.contains(QStringLiteral("its password is kept")))
        << kept.out.toStdString();

    const ToolRun reset
        = RunTool(Create(roleOptions + QStringList { "--force", "--reset-role-passwords" }));
    ASSERT_EQ(reset.exitCode, 0) << reset.err.toStdString();
    EXPECT_NE(StoredPassword(runtime), runtimeBefore);
    EXPECT_NE(StoredPassword(admin), adminBefore);
}

TEST_F(ExistingRolesTest, AFailedReplacementLeavesTheRolesAsTheyWere)
{
    const QString runtime = RoleName("wfrt");
    const QString admin = RoleName("wfad");
    const QString newAdmin = RoleName("wfnew");
    roles << runtime << admin << newAdmin;
    const QStringList first = { "--runtime-role", runtime, "--admin-role", admin,
        "--runtime-password", "first", "--admin-role-password", "first" };
    ASSERT_EQ(RunTool(Create(first)).exitCode, 0);
    const QString runtimeBefore = StoredPassword(runtime);
    const QString adminBefore = StoredPassword(admin);
    ASSERT_NE(runtimeBefore, QString());

    // Somebody works in the database: it cannot be dropped.
    PgConnInfo info = *TestServer();
    info.dbname = dbname;
    Connection user = Connection::OpenPostgreSQL(info);
    user.Exec(QStringLiteral("INSERT INTO SecurityParams (Name, FValue) VALUES ('kept', 'x')"));

    const struct {
        const char* name;
        QStringList options;
    } cases[] = {
        { "new passwords for both roles",
            { "--runtime-role", runtime, "--admin-role", admin, "--runtime-password", "second",
                "--admin-role-password", "second", "--reset-role-passwords" } },
        { "a new administration role",
            { "--runtime-role", runtime, "--admin-role", newAdmin, "--reset-role-passwords" } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ToolRun run = RunTool(Create(c.options + QStringList { "--force" }));
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains(QStringLiteral("in use"))) << run.err.toStdString();
        EXPECT_EQ(StoredPassword(runtime), runtimeBefore);
        EXPECT_EQ(StoredPassword(admin), adminBefore);
        EXPECT_FALSE(
            Connection::OpenPostgreSQL(*TestServer())
                .Scalar(QStringLiteral("SELECT 1 FROM pg_roles WHERE rolname = ?"), { newAdmin })
                .isValid())
            << "a role made for the run is gone again";
        EXPECT_EQ(user.Scalar(QStringLiteral("SELECT FValue FROM SecurityParams WHERE Name = "
                                             "'kept'"))
                      .toString(),
            QStringLiteral("x"));
    }
}

} // namespace
} // namespace Security::Schema::Testing
