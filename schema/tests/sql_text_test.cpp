// Reading SQL and connection texts: where statements end, which colons are
// parameter markers, and how the PostgreSQL connection text is read.

#include "pg_conninfo.h"
#include "schema_fixture.h"
#include "security_db.h"
#include "sql_script.h"

#include <gtest/gtest.h>

namespace Security::Schema {

inline void PrintTo(const QStringList& list, std::ostream* out)
{
    *out << '[' << list.join(QStringLiteral(" | ")).toStdString() << ']';
}

namespace {

TEST(SplitSqlScript, SplitsOnlyAtStatementEnds)
{
    const struct {
        const char* name;
        const char* script;
        QStringList statements;
    } cases[] = {
        { "two statements", "SELECT 1; SELECT 2;", { "SELECT 1", "SELECT 2" } },
        { "no final semicolon", "SELECT 1;\nSELECT 2", { "SELECT 1", "SELECT 2" } },
        { "semicolon in a literal", "INSERT INTO t VALUES ('a;b'); SELECT 1",
            { "INSERT INTO t VALUES ('a;b')", "SELECT 1" } },
        { "doubled quote in a literal", "SELECT 'it''s; fine'; SELECT 2",
            { "SELECT 'it''s; fine'", "SELECT 2" } },
        { "semicolon in a quoted identifier", "SELECT \"a;b\" FROM t;",
            { "SELECT \"a;b\" FROM t" } },
        // An apostrophe in a comment must not open a literal.
        { "apostrophe in a line comment", "-- the group's rows;\nSELECT 1; SELECT 2",
            { "-- the group's rows;\nSELECT 1", "SELECT 2" } },
        { "block comment", "/* a; 'b */ SELECT 1;", { "/* a; 'b */ SELECT 1" } },
        { "dollar-quoted body",
            "CREATE FUNCTION f() RETURNS int AS $$ SELECT 1; $$ LANGUAGE sql; SELECT 2",
            { "CREATE FUNCTION f() RETURNS int AS $$ SELECT 1; $$ LANGUAGE sql", "SELECT 2" } },
        { "tagged dollar quote", "DO $body$ BEGIN PERFORM 1; END $body$;",
            { "DO $body$ BEGIN PERFORM 1; END $body$" } },
        { "positional parameters are not quotes", "SELECT $1; SELECT $2",
            { "SELECT $1", "SELECT $2" } },
        { "only comments and blanks", "-- nothing here\n ; /* none */ ;", {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SplitSqlScript(QString::fromUtf8(c.script)), c.statements);
    }
}

TEST(ToPositional, ReplacesNamedMarkersInOrder)
{
    const struct {
        const char* name;
        const char* statement;
        const char* text;
        QStringList names;
    } cases[] = {
        { "repeated and reordered", "WHERE a = :B AND b = :A OR c = :B",
            "WHERE a = ? AND b = ? OR c = ?", { "B", "A", "B" } },
        { "colon in a literal", "SELECT ':not' || :Yes", "SELECT ':not' || ?", { "Yes" } },
        { "cast", "SELECT x::text, :P", "SELECT x::text, ?", { "P" } },
        { "comment", "SELECT 1 -- :Gone\n, :Kept", "SELECT 1 -- :Gone\n, ?", { "Kept" } },
        { "underscore and digits", "VALUES (:OLD_Name2)", "VALUES (?)", { "OLD_Name2" } },
        { "lone colon", "SELECT ': ' , a : b", "SELECT ': ' , a : b", {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PositionalStatement result = ToPositional(QString::fromUtf8(c.statement));
        EXPECT_EQ(result.text.toStdString(), c.text);
        EXPECT_EQ(result.names, c.names);
    }
}

TEST(ParsePgConnInfo, ReadsKeyValuePairs)
{
    const PgConnInfo info = ParsePgConnInfo(QStringLiteral(
        "host=db.example port=6543 dbname=security user=wardsuper password='it\\'s secret' "
        "sslmode=require"));
    EXPECT_EQ(info.host.toStdString(), "db.example");
    EXPECT_EQ(info.port, 6543);
    EXPECT_EQ(info.dbname.toStdString(), "security");
    EXPECT_EQ(info.user.toStdString(), "wardsuper");
    EXPECT_EQ(info.password.toStdString(), "it's secret");
    EXPECT_EQ(info.otherOptions, QStringList { QStringLiteral("sslmode='require'") });
    EXPECT_EQ(ParsePgConnInfo(QStringLiteral("dbname = spaced")).dbname.toStdString(), "spaced");
}

TEST(ParsePgConnInfo, ExtraKeysKeepTheirValuesWhole)
{
    const struct {
        const char* text;
        const char* passedOn; // as the driver's connection text gets it
        const char* received; // as the server reports it back
    } cases[] = {
        { "application_name='ward tool'", "application_name='ward tool'", "ward tool" },
        { "application_name=plain", "application_name='plain'", "plain" },
        { "application_name='it\\'s'", "application_name='it\\'s'", "it's" },
        { "application_name='back\\\\slash'", "application_name='back\\\\slash'", "back\\slash" },
        { "application_name='x dbname=other'", "application_name='x dbname=other'",
            "x dbname=other" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const PgConnInfo info = ParsePgConnInfo(QString::fromUtf8(c.text));
        EXPECT_EQ(info.otherOptions, QStringList { QString::fromUtf8(c.passedOn) });
        if (!Testing::TestServer())
            continue;
        PgConnInfo server = *Testing::TestServer();
        server.otherOptions = info.otherOptions;
        Connection connection = Connection::OpenPostgreSQL(server);
        EXPECT_EQ(connection.Scalar(QStringLiteral("SELECT current_setting('application_name')"))
                      .toString()
                      .toStdString(),
            c.received);
        EXPECT_EQ(connection.Scalar(QStringLiteral("SELECT current_database()")).toString(),
            Testing::TestServer()->dbname);
    }
}

TEST(ParsePgConnInfo, RefusesMalformedText)
{
    for (const char* text :
        { "dbname", "=x", "port=abc dbname=x", "port=70000", "dbname=a dbname=b", "password='open",
            // Qt's driver turns every ';' of the extra keys into a blank.
            "application_name='a;b'" }) {
        SCOPED_TRACE(text);
        EXPECT_THROW(ParsePgConnInfo(QString::fromUtf8(text)), SchemaError);
    }
}

} // namespace
} // namespace Security::Schema
