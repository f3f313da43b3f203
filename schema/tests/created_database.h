#pragma once
// A database made by the wardschema tool for one case, on either engine
// (PostgreSQL cases skip themselves without a server); the case's databases
// and roles are dropped at its end.

#include "schema_fixture.h"
#include "tool_run.h"

#include <QCoreApplication>
#include <QTemporaryDir>

namespace Security::Schema::Testing {

class CreatedDatabaseTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override
    {
        if (GetParam() == Engine::PostgreSQL && !TestServer())
            GTEST_SKIP() << "no PostgreSQL server (WARDLOCK_PG_HOST/PORT/USER)";
        ASSERT_TRUE(dir.isValid());
    }
    void TearDown() override
    {
        if (GetParam() == Engine::PostgreSQL && TestServer()) {
            for (const QString& name : databases) {
                Connection server = Connection::OpenPostgreSQL(*TestServer());
                server.Exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
            }
            DropRoles({ runtimeRole, adminRole });
        }
    }

    // Runs the tool on a new database of this case; returns its target options.
    QStringList Target(const QString& name)
    {
        if (GetParam() == Engine::SQLite)
            return { QStringLiteral("--sqlite"), dir.filePath(name + QStringLiteral(".db")) };
        const QString dbname = QStringLiteral("wardschema_tool_%1_%2")
                                   .arg(name)
                                   .arg(QCoreApplication::applicationPid());
        databases << dbname;
        return { QStringLiteral("--pg"), PgConnectionText(*TestServer(), dbname) };
    }
    QStringList Roles() const
    {
        if (GetParam() == Engine::SQLite)
            return { QStringLiteral("--admin-role"), adminRole };
        return { QStringLiteral("--runtime-role"), runtimeRole, QStringLiteral("--admin-role"),
            adminRole };
    }
    Connection Open(const QStringList& target)
    {
        if (GetParam() == Engine::SQLite)
            return Connection::OpenSQLite(target[1], false);
        return Connection::OpenPostgreSQL(ParsePgConnInfo(target[1]));
    }

    QTemporaryDir dir;
    QStringList databases;
    const QString runtimeRole = RoleName("wrt");
    const QString adminRole = RoleName("wad");
};

} // namespace Security::Schema::Testing
