// Password storage and throttling through the tool: new databases made with
// them, "upgrade" of databases made before them (all or nothing, and a second
// run changes nothing), "check" naming the users still on the legacy form and
// settings the database cannot honour, and on PostgreSQL a runtime role that
// still writes no table.

#include "created_database.h"
#include "legacy_database.h"
#include "login_guard.h"
#include "passwords.h"
#include "schema_model.h"

#include <wardlock/encoding.h>
#include <wardlock/passwordhash.h>

#include <QSqlError>
#include <QSqlQuery>

namespace Security::Schema::Testing {
namespace {

class UpgradeTest : public CreatedDatabaseTest {
protected:
    bool SQLite() const { return GetParam() == Engine::SQLite; }

    // A database of this case; `extra` options go to "create".
    QStringList Made(const QString& name, const QStringList& extra = {})
    {
        const QStringList target = Target(name);
        const ToolRun run = RunTool(QStringList { "create" } + target + Roles()
            + QStringList { "--admin-password", kAdminPassword, "--admin-role-password",
                "Acc0unt-Pw" }
            + extra);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return target;
    }

    // A database as the tool made them before password storage and throttling.
    QStringList MadeLegacy(const QString& name)
    {
        const QStringList target = Made(name);
        Connection db = Open(target);
        db.Begin();
        for (const std::string& statement : LegacyDatabaseStatements(SQLite()))
            db.Exec(QString::fromStdString(statement));
        db.Commit();
        return target;
    }

    ToolRun Upgrade(const QStringList& target, const QStringList& options = {})
    {
        return RunTool(QStringList { "upgrade" } + target + options);
    }

    // Everything an upgrade could change: objects and their definitions,
    // procedure bodies, privileges, settings and users.
    QStringList Snapshot(const QStringList& target)
    {
        Connection db = Open(target);
        QStringList lines;
        auto add = [&](const QString& sql) {
            for (const QVariantList& row : Select(db, sql).rows) {
                QStringList cells;
                for (const QVariant& cell : row)
                    cells << (cell.isNull() ? QStringLiteral("<null>") : cell.toString());
                lines << cells.join(u'|');
            }
        };
        if (SQLite()) {
            add(QStringLiteral("SELECT type, name, sql FROM sqlite_master ORDER BY type, name"));
            add(QStringLiteral("SELECT * FROM SecProcedures ORDER BY Name"));
            add(QStringLiteral("SELECT * FROM SecProcedureSteps ORDER BY Name, Step"));
        } else {
            add(QStringLiteral("SELECT c.relname, c.relkind, c.relacl::text, "
                               "(SELECT string_agg(a.attname || ' ' || format_type(a.atttypid, "
                               "a.atttypmod), ', ' ORDER BY a.attnum) FROM pg_attribute a "
                               "WHERE a.attrelid = c.oid AND a.attnum > 0 AND NOT "
                               "a.attisdropped) FROM pg_class c WHERE c.relnamespace = "
                               "'public'::regnamespace ORDER BY c.relname"));
            add(QStringLiteral("SELECT p.oid::regprocedure::text, md5(p.prosrc), "
                               "p.proacl::text, p.prosecdef FROM pg_proc p WHERE "
                               "p.pronamespace = 'public'::regnamespace ORDER BY 1"));
        }
        add(QStringLiteral("SELECT Name, FullName, FValue, Hidden FROM SecurityParams ORDER BY "
                           "Name"));
        add(QStringLiteral("SELECT * FROM Users ORDER BY UserID"));
        return lines;
    }

    QVariant Setting(Connection& db, const char* name)
    {
        return db.Scalar(QStringLiteral("SELECT FValue FROM SecurityParams WHERE Name = ?"),
            { QLatin1String(name) });
    }

    // A trigger that makes every new settings row fail.
    void RefuseNewSettings(Connection& db)
    {
        if (SQLite()) {
            db.Exec(QStringLiteral("CREATE TRIGGER RefuseSettings BEFORE INSERT ON "
                                   "SecurityParams BEGIN SELECT RAISE(ABORT, 'injected "
                                   "failure'); END"));
            return;
        }
        db.Exec(QStringLiteral("CREATE FUNCTION RefuseSettings() RETURNS trigger LANGUAGE "
                               "plpgsql AS $$ BEGIN RAISE EXCEPTION 'injected failure'; END $$"));
        db.Exec(QStringLiteral("CREATE TRIGGER RefuseSettings BEFORE INSERT ON SecurityParams "
                               "FOR EACH ROW EXECUTE FUNCTION RefuseSettings()"));
    }
    void AllowNewSettings(Connection& db)
    {
        if (SQLite()) {
            db.Exec(QStringLiteral("DROP TRIGGER RefuseSettings"));
            return;
        }
        db.Exec(QStringLiteral("DROP TRIGGER RefuseSettings ON SecurityParams"));
        db.Exec(QStringLiteral("DROP FUNCTION RefuseSettings()"));
    }

    static constexpr const char* kAdminPassword = "s3cret!";
};

TEST_P(UpgradeTest, AddsStorageAndThrottlingOnceAndASecondRunChangesNothing)
{
    const QStringList target = MadeLegacy(QStringLiteral("legacy"));
    const QStringList legacy = Snapshot(target);
    const ToolRun before = RunTool(QStringList { "check" } + target);
    ASSERT_EQ(before.exitCode, 0) << before.err.toStdString();
    EXPECT_TRUE(before.out.contains(QStringLiteral("still in the legacy form: admin")))
        << before.out.toStdString();

    const QStringList options
        = { "--password-storage", "argon2id", "--lock-after", "4", "--lock-seconds", "120" };
    const ToolRun first = Upgrade(target, options);
    ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
    EXPECT_TRUE(first.out.contains(QStringLiteral("added Argon2id password storage")))
        << first.out.toStdString();
    {
        Connection db = Open(target);
        EXPECT_TRUE(HasLoginGuard(db));
        EXPECT_EQ(Setting(db, "PasswordStorage").toString(), QStringLiteral("argon2id"));
        EXPECT_EQ(Setting(db, "LockAfterFails").toString(), QStringLiteral("4"));
        EXPECT_EQ(Setting(db, "LockSeconds").toString(), QStringLiteral("120"));
        // The administrator keeps his password in the form he has until he
        // changes it.
        const Rows admin = Select(
            db, QStringLiteral("SELECT Passwd, PasswordHash FROM Users WHERE Name = 'admin'"));
        EXPECT_TRUE(admin.rows[0][1].isNull());
        EXPECT_TRUE(
            CheckPswd(kAdminPassword, tor::pswdsstr<16>(admin.rows[0][0].toString().toLatin1())));
    }
    const QStringList upgraded = Snapshot(target);
    EXPECT_NE(upgraded, legacy);

    const ToolRun second = Upgrade(target, options);
    ASSERT_EQ(second.exitCode, 0) << second.err.toStdString();
    EXPECT_TRUE(second.out.contains(QStringLiteral("there already"))) << second.out.toStdString();
    EXPECT_EQ(Snapshot(target), upgraded);
    // Without settings on the command line the database's are kept.
    ASSERT_EQ(Upgrade(target).exitCode, 0);
    EXPECT_EQ(Snapshot(target), upgraded);
    EXPECT_EQ(RunTool(QStringList { "check" } + target).exitCode, 0);
}

TEST_P(UpgradeTest, AFailingUpgradeLeavesTheDatabaseAsItWas)
{
    const QStringList target = MadeLegacy(QStringLiteral("failing"));
    {
        Connection db = Open(target);
        RefuseNewSettings(db);
    }
    const QStringList before = Snapshot(target);
    const ToolRun failed = Upgrade(target, { "--password-storage", "argon2id" });
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_TRUE(failed.err.contains(QStringLiteral("injected failure")))
        << failed.err.toStdString();
    // Nothing of it stayed: not the column added first, nor the procedures.
    EXPECT_EQ(Snapshot(target), before);
    {
        Connection db = Open(target);
        EXPECT_FALSE(HasPasswordHashColumn(db));
        AllowNewSettings(db);
    }
    const ToolRun retried = Upgrade(target, { "--password-storage", "argon2id" });
    EXPECT_EQ(retried.exitCode, 0) << retried.err.toStdString();
}

TEST_P(UpgradeTest, CreateStoresArgon2idStringsWhenAskedAndTheLegacyFormOtherwise)
{
    for (const bool argon2id : { false, true }) {
        SCOPED_TRACE(argon2id ? "argon2id" : "legacy");
        const QStringList target
            = Made(argon2id ? QStringLiteral("modern") : QStringLiteral("plain"),
                argon2id ? QStringList { "--password-storage", "argon2id" } : QStringList {});
        Connection db = Open(target);
        EXPECT_TRUE(HasLoginGuard(db));
        EXPECT_EQ(Setting(db, "PasswordStorage").toString(),
            argon2id ? QStringLiteral("argon2id") : QString());
        // Throttling is off until asked for.
        EXPECT_EQ(Setting(db, "LockAfterFails").toString(), QStringLiteral("0"));
        const Rows admin = Select(
            db, QStringLiteral("SELECT Passwd, PasswordHash FROM Users WHERE Name = 'admin'"));
        const tor::pswdsstr<16> passwd(admin.rows[0][0].toString().toLatin1());
        if (argon2id) {
            EXPECT_EQ(passwd, ModernFormMarker());
            EXPECT_TRUE(
                PasswordHash::Verify(admin.rows[0][1].toString().toStdString(), kAdminPassword));
            EXPECT_FALSE(PasswordHash::Verify(admin.rows[0][1].toString().toStdString(), "s3cret"));
        } else {
            EXPECT_TRUE(admin.rows[0][1].isNull());
            EXPECT_TRUE(CheckPswd(kAdminPassword, passwd));
        }
        const ToolRun check = RunTool(QStringList { "check" } + target);
        EXPECT_EQ(check.exitCode, 0) << check.err.toStdString();
        EXPECT_EQ(check.out.contains(QStringLiteral("legacy form: admin")), !argon2id)
            << check.out.toStdString();
    }
}

TEST_P(UpgradeTest, CheckNamesWhatTheDatabaseCannotHonour)
{
    const QStringList legacy = MadeLegacy(QStringLiteral("asks"));
    const QStringList modern = Made(QStringLiteral("modern"), { "--password-storage", "argon2id" });
    struct Case {
        const char* name;
        const QStringList* target;
        const char* sql;
        const char* problem;
    };
    const Case cases[] = {
        { "Argon2id asked of a database without the column", &legacy,
            "INSERT INTO SecurityParams (Name, FValue) VALUES ('PasswordStorage', 'argon2id')",
            "Users has no column PasswordHash (run wardschema upgrade)" },
        { "throttling asked of a database that cannot count", &legacy,
            "INSERT INTO SecurityParams (Name, FValue) VALUES ('LockAfterFails', '3')",
            "cannot count them (run wardschema upgrade)" },
        { "a string that is none", &modern,
            "UPDATE Users SET PasswordHash = 'plain text' WHERE Name = 'admin'",
            "user admin: PasswordHash holds no Argon2id string" },
        { "a legacy column an older library would accept", &modern,
            "UPDATE Users SET Passwd = Name WHERE Name = 'admin'",
            "user admin: has an Argon2id password, but the legacy column" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        {
            Connection db = Open(*c.target);
            db.Begin();
            db.Exec(QLatin1String(c.sql));
            db.Commit();
        }
        const ToolRun check = RunTool(QStringList { "check" } + *c.target);
        EXPECT_EQ(check.exitCode, 1);
        EXPECT_TRUE(check.err.contains(QLatin1String(c.problem))) << check.err.toStdString();
        // Undone for the next case: the snapshot's settings and users rows.
        Connection db = Open(*c.target);
        db.Exec(QStringLiteral(
            "DELETE FROM SecurityParams WHERE Name IN ('PasswordStorage', "
            "'LockAfterFails') AND FValue IN ('argon2id', '3') AND FullName IS NULL"));
        if (c.target == &modern) {
            db.Exec(QStringLiteral(
                        "UPDATE Users SET Passwd = ?, PasswordHash = ? WHERE Name = 'admin'"),
                { QString::fromLatin1(ModernFormMarker().data(), 16),
                    QString::fromStdString(PasswordHash::Make(kAdminPassword)) });
        }
        EXPECT_EQ(RunTool(QStringList { "check" } + *c.target).exitCode, 0);
    }
}

TEST_P(UpgradeTest, ForcedPasswordChangeReachesTheLegacyUsersOnly)
{
    const QStringList target = MadeLegacy(QStringLiteral("forced"));
    {
        Connection db = Open(target);
        db.Exec(QStringLiteral("INSERT INTO Users (Name, FullName, GroupID, Passwd) SELECT "
                               "'nopass', 'No password', GroupID, NULL FROM Groups WHERE Name = "
                               "'Admins'"));
    }
    const ToolRun run = Upgrade(target, { "--force-password-change" });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("1 user on the legacy password form must change")))
        << run.out.toStdString();
    Connection db = Open(target);
    const Rows rows = Select(db,
        QStringLiteral("SELECT Name, NoChPswdAtLogin, AllowChangePswd FROM Users ORDER BY Name"));
    ASSERT_EQ(rows.rows.size(), 2);
    EXPECT_EQ(rows.rows[0][0].toString(), QStringLiteral("admin"));
    EXPECT_EQ(rows.rows[0][1].toInt(), 0) << "has to change it at the next login";
    EXPECT_EQ(rows.rows[0][2].toInt(), 1) << "and may";
    EXPECT_EQ(rows.rows[1][1].toInt(), 2) << "a user without a password is left alone";
    EXPECT_EQ(rows.rows[1][2].toInt(), 2);
}

TEST_P(UpgradeTest, BadLoginOptionsAreRefusedAndChangeNothing)
{
    const QStringList target = MadeLegacy(QStringLiteral("bad"));
    const QStringList before = Snapshot(target);
    const struct {
        QStringList options;
        const char* message;
    } cases[] = {
        { { "--password-storage", "des" }, "takes argon2id or legacy" },
        { { "--lock-after", "many" }, "--lock-after takes a whole number" },
        { { "--lock-after", "-1" }, "must be 0 to 999999999" },
        { { "--lock-seconds", "0" }, "1 to 999999999 seconds" },
        { { "--admin-password", "x" }, "--admin-password does not apply to upgrade" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const ToolRun run = Upgrade(target, c.options);
        EXPECT_NE(run.exitCode, 0);
        EXPECT_TRUE(run.err.contains(QLatin1String(c.message))) << run.err.toStdString();
    }
    EXPECT_EQ(Snapshot(target), before);
}

INSTANTIATE_TEST_SUITE_P(Engines, UpgradeTest,
    ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
    [](const ::testing::TestParamInfo<Engine>& info) {
        return info.param == Engine::SQLite ? std::string("SQLite") : std::string("PostgreSQL");
    });

// PostgreSQL: the runtime role counts failed logins through the procedure
// that runs with the owner's rights, and still writes no table; made so by
// "create" and by "upgrade" alike.
class RuntimeRoleTest : public UpgradeTest { };

TEST_P(RuntimeRoleTest, CountsFailuresOnlyThroughTheProcedureAndWritesNoTable)
{
    for (const bool upgraded : { false, true }) {
        SCOPED_TRACE(upgraded ? "upgraded" : "created");
        const QString name = upgraded ? QStringLiteral("upgraded") : QStringLiteral("created");
        const QStringList target = upgraded ? MadeLegacy(name) : Made(name);
        if (upgraded) {
            ASSERT_EQ(Upgrade(target).exitCode, 0);
        }
        Connection owner = Open(target);
        owner.Exec(
            QStringLiteral("UPDATE SecurityParams SET FValue = '2' WHERE Name = 'LockAfterFails'"));

        PgConnInfo info = ParsePgConnInfo(target[1]);
        info.user = runtimeRole;
        Connection runtime = Connection::OpenPostgreSQL(info);
        // No table of the database may be written, the new one included.
        const Rows writable = Select(owner,
            QStringLiteral("SELECT c.relname FROM pg_class c WHERE c.relnamespace = "
                           "'public'::regnamespace AND c.relkind IN ('r', 'v') AND "
                           "has_table_privilege(?, c.oid, 'INSERT, UPDATE, DELETE, TRUNCATE')"),
            { runtimeRole });
        EXPECT_TRUE(writable.rows.isEmpty()) << writable.rows.size();
        auto refused = [&](const QString& sql) {
            QSqlQuery query(runtime.Database());
            EXPECT_FALSE(query.exec(sql)) << "allowed: " << sql.toStdString();
            EXPECT_TRUE(
                query.lastError().databaseText().contains(QStringLiteral("permission denied")))
                << sql.toStdString() << ": " << query.lastError().databaseText().toStdString();
        };
        refused(QStringLiteral("INSERT INTO LoginFailures (UserID, Failures, WindowStart) SELECT "
                               "UserID, 0, now() FROM Users"));
        refused(QStringLiteral("DELETE FROM LoginFailures"));
        refused(QStringLiteral("SELECT ClearLoginLock(1)"));
        refused(QStringLiteral("SELECT * FROM LoginThrottleSettings"));

        // Counting, through the procedure only.
        for (int i = 0; i < 2; ++i)
            EXPECT_NO_THROW(CallProcedure(runtime, QStringLiteral("RecordLoginFailure"),
                { { QStringLiteral("UserName"), QStringLiteral("admin") } }));
        EXPECT_EQ(CallProcedure(runtime, QStringLiteral("LoginLocked"),
                      { { QStringLiteral("UserName"), QStringLiteral("admin") } })
                      .rows.size(),
            1);
        // A role the database grants nothing may not count.
        const QString stranger = RoleName("wstranger");
        Connection::OpenPostgreSQL(*TestServer())
            .Exec(QStringLiteral("CREATE ROLE %1 LOGIN").arg(stranger));
        owner.Exec(QStringLiteral("GRANT CONNECT ON DATABASE %1 TO %2").arg(info.dbname, stranger));
        {
            PgConnInfo strangerInfo = info;
            strangerInfo.user = stranger;
            Connection outsider = Connection::OpenPostgreSQL(strangerInfo);
            QSqlQuery query(outsider.Database());
            EXPECT_FALSE(query.exec(QStringLiteral("SELECT RecordLoginFailure('admin')")));
        }
        owner.Exec(
            QStringLiteral("REVOKE CONNECT ON DATABASE %1 FROM %2").arg(info.dbname, stranger));
        DropRoles({ stranger });
    }
}

INSTANTIATE_TEST_SUITE_P(PostgreSQL, RuntimeRoleTest, ::testing::Values(Engine::PostgreSQL),
    [](const ::testing::TestParamInfo<Engine>&) { return std::string("PostgreSQL"); });

} // namespace
} // namespace Security::Schema::Testing
