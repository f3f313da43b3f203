// Connections, sessions, aliases and the small value types, without a server.

#include "wardlock/data/ado.h"
#include "wardlock/data/connection.h"
#include "wardlock/data/dbdataset.h"
#include "wardlock/data/strings.h"
#include "wardlock/platform/settings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <fstream>

using namespace vcl;
using ::testing::ElementsAre;

namespace {

TEST(StringsTest, LinesTextAndNameValuePairs)
{
    TStrings s;
    int changes = 0;
    s.OnChange = [&] { ++changes; };
    s.SetText("select *\r\nfrom T\n");
    EXPECT_EQ(s.Count(), 2);
    EXPECT_EQ(s[1], "from T");
    EXPECT_EQ(s.Text(), "select *\nfrom T\n");
    s.Add("USER NAME=admin");
    s.SetValues("password", "secret");
    EXPECT_EQ(s.Values("user name"), "admin");
    EXPECT_EQ(s.Values("PASSWORD"), "secret");
    s.SetValues("Password", ""); // an empty value removes the line
    EXPECT_EQ(s.IndexOfName("PASSWORD"), -1);
    EXPECT_GE(changes, 4);
    EXPECT_THROW(s.Strings(9), EDatabaseError);
    TStrings copy = s;
    EXPECT_FALSE(copy.OnChange); // the owner's handler is not copied
    EXPECT_EQ(copy, s);
}

TEST(ParamsTest, DeclaredTypeAndConversions)
{
    struct Row {
        const char* label;
        std::function<void(TParam&)> set;
        TFieldType type;
        QVariant typed; // converted for binding
    };
    const Row rows[] = {
        { "integer", [](TParam& p) { p.SetAsInteger(5); }, ftInteger, QVariant(qlonglong(5)) },
        { "boolean", [](TParam& p) { p.SetAsBoolean(true); }, ftBoolean, QVariant(qlonglong(1)) },
        { "text", [](TParam& p) { p.SetAsString("x"); }, ftString, QVariant(QString("x")) },
        { "boolean declared, set from 0",
            [](TParam& p) {
                p.SetDataType(ftBoolean);
                p.SetAsInteger(0);
            },
            ftBoolean, QVariant(qlonglong(0)) },
        { "integer declared, set from text",
            [](TParam& p) {
                p.SetDataType(ftInteger);
                p.SetAsString("42");
            },
            ftInteger, QVariant(qlonglong(42)) },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        TParam p("P");
        row.set(p);
        EXPECT_EQ(p.DataType(), row.type);
        EXPECT_EQ(p.TypedValue(), row.typed);
    }
    TParam bad("Age", ftInteger);
    bad.SetAsString("old");
    EXPECT_THROW(bad.TypedValue(), EConvertError);
}

TEST(ParamsTest, ParseNamesSkipsLiteralsCastsAndDuplicates)
{
    EXPECT_THAT(TParams::ParseNames(
                    "select ':no', a::int from T where x = :X and y = :y and z = :x -- :c\n"),
        ElementsAre("X", "y"));
    EXPECT_THAT(
        TParams::ParseNames("update T set A = :A where ID = :OLD_ID"), ElementsAre("A", "OLD_ID"));
    EXPECT_TRUE(TParams::ParseNames("select pGroupID from T").empty());
}

TEST(AdoConnectionTest, ConnectionStringItems)
{
    const std::string cs = "Provider=MSDASQL.1;Persist Security Info=True;User "
                           "ID=sa;Password='a;b';Data Source=WardDemo";
    EXPECT_EQ(TADOConnection::ConnectionStringValue(cs, "user id"), "sa");
    EXPECT_EQ(TADOConnection::ConnectionStringValue(cs, "Password"), "a;b");
    EXPECT_EQ(TADOConnection::ConnectionStringValue(cs, "DATA SOURCE"), "WardDemo");
    EXPECT_EQ(TADOConnection::ConnectionStringValue(cs, "Missing"), "");
    TADOConnection other;
    other.SetConnectionString("Provider=SQLOLEDB;Data Source=x");
    EXPECT_THROW(other.Open(), EDatabaseError);
    TADOConnection noSource;
    noSource.SetConnectionString("Provider=MSDASQL");
    EXPECT_THROW(noSource.Open(), EDatabaseError);
}

// OpenWith connects through a string it does not keep: the component goes on
// showing the string it was given, and a later Open uses that one.
TEST(AdoConnectionTest, OpenWithConnectsWithoutKeepingTheString)
{
    QTemporaryDir dir;
    const std::string ini = dir.path().toStdString() + "/odbc.ini";
    setenv("ODBCINI", ini.c_str(), 1);
    std::ofstream(ini) << "[WardOpenWith]\nDriver=SQLite3\nDatabase=" << dir.path().toStdString()
                       << "/open_with.db\n";
    TADOConnection connection;
    connection.SetLoginPrompt(false);
    const std::string shown = "Provider=MSDASQL.1;User ID=u;Password=;Data Source=WardNoSuchSource";
    connection.SetConnectionString(shown);
    const std::string secret = "Provider=MSDASQL.1;User ID=u;Password=pw;Data Source=WardOpenWith";
    connection.OpenWith(secret);
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(connection.ConnectionString(), shown);
    EXPECT_THROW(connection.OpenWith(secret), EDatabaseError) << "already open";
    connection.Close();
    EXPECT_THROW(connection.Open(), EDatabaseError) << "the kept string names no such source";
    EXPECT_FALSE(connection.Connected());
}

class AliasTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetSettingsFolders(dir_.path().toStdString() + "/sys", dir_.path().toStdString() + "/usr");
        TRegistry reg(TRootKey::LocalMachine);
        reg.OpenKey("\\Software\\Torvane\\Wardlock\\Aliases\\LiteAlias", true);
        reg.WriteString("Driver", "QSQLITE");
        reg.WriteString("Database", file_);
        TDatabase maker;
        maker.SetDriverName("QSQLITE");
        maker.Params().SetValues("DATABASE NAME", file_);
        maker.Params().SetValues("CREATE", "TRUE");
        maker.SetLoginPrompt(false);
        maker.Execute("CREATE TABLE T (ID INTEGER PRIMARY KEY, Name TEXT)");
        maker.Execute("INSERT INTO T (Name) VALUES ('one')");
    }
    void TearDown() override { SetSettingsFolders("", ""); }

    QTemporaryDir dir_;
    std::string file_ = dir_.path().toStdString() + "/alias.db";
};

TEST_F(AliasTest, DatabaseResolvesItsAliasAndDatasetsFindItBySession)
{
    TSession session;
    session.SetName("SecuritySession");
    session.SetAutoSessionName(true);
    EXPECT_EQ(session.SessionName(), "SecuritySession_1");
    TSession second;
    second.SetAutoSessionName(true);
    EXPECT_EQ(second.SessionName(), "Session_1");
    TSession third;
    third.SetName("SecuritySession");
    third.SetAutoSessionName(true);
    EXPECT_EQ(third.SessionName(), "SecuritySession_2");
    EXPECT_THROW(second.SetSessionName("securitysession_1"), EDatabaseError);

    TDatabase db;
    db.SetAliasName("LiteAlias");
    db.SetDatabaseName("SecurityDB");
    db.SetSessionName(session.SessionName());
    db.SetLoginPrompt(false);
    TQuery q;
    q.SetDatabaseName("SecurityDB");
    q.SetSessionName(session.SessionName());
    q.SQL().Add("select Name from T");
    q.Open(); // connects the database on demand
    EXPECT_TRUE(db.Connected());
    EXPECT_EQ(q.FieldByName("Name")->AsString(), "one");
    // Another session does not see it.
    TQuery other;
    other.SetDatabaseName("SecurityDB");
    other.SetSessionName(second.SessionName());
    other.SQL().Add("select Name from T");
    EXPECT_THROW(other.Open(), EDatabaseError);
    // Closing the database closes its datasets.
    db.Close();
    EXPECT_FALSE(q.Active());
}

TEST_F(AliasTest, DatasetNamingAnAliasGetsATemporaryDatabase)
{
    TQuery q;
    q.SetDatabaseName("LiteAlias");
    q.SQL().Add("select count(*) as N from T");
    q.Open();
    EXPECT_EQ(q.FieldByName("N")->AsInteger(), 1);
    EXPECT_THAT(TSession::GetAliasNames(), ElementsAre("LiteAlias"));
}

TEST_F(AliasTest, BadAliasesAndMissingFilesAreClearErrors)
{
    struct Row {
        const char* label;
        std::function<void(TDatabase&)> setup;
        const char* message;
    };
    const Row rows[] = {
        { "unknown alias", [](TDatabase& d) { d.SetAliasName("NoSuchAlias"); },
            "Unknown alias: NoSuchAlias" },
        { "missing file",
            [this](TDatabase& d) {
                d.SetDriverName("QSQLITE");
                d.Params().SetValues("DATABASE NAME", file_ + ".missing");
            },
            "does not exist" },
        { "unknown driver", [](TDatabase& d) { d.SetDriverName("Paradox"); },
            "Unsupported database driver" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        TDatabase d;
        d.SetLoginPrompt(false);
        row.setup(d);
        try {
            d.Open();
            FAIL() << "connected";
        } catch (const EDatabaseError& e) {
            EXPECT_THAT(e.what(), ::testing::HasSubstr(row.message));
        }
        EXPECT_FALSE(d.Connected());
    }
    EXPECT_FALSE(QFile::exists(QString::fromStdString(file_ + ".missing")));
}

TEST_F(AliasTest, LoginHandlerFillsTheParameters)
{
    TDatabase db;
    db.SetAliasName("LiteAlias");
    std::string seen;
    db.OnLogin = [&](TDatabase*, TStrings& params) {
        seen = params.Values("USER NAME");
        params.SetValues("PASSWORD", "typed");
    };
    db.Params().SetValues("USER NAME", "supervisor");
    db.Open();
    EXPECT_EQ(seen, "supervisor");
    EXPECT_EQ(db.Params().Values("PASSWORD"), ""); // the typed password is not kept
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
