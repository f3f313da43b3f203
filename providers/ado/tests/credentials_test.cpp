// Database user names and passwords with the characters that ODBC connection
// strings give a meaning to (';', braces, '=', blanks, quotes), through the
// ADO data module to both ODBC drivers: a right password connects, and text
// inside a value never becomes an attribute of its own (another database).

#include "datamodule.h"
#include "odbc_source.h"
#include "secdb.h"

#include <wardlock/data/ado.h>

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace Security;
using wardlock_test::Engine;

namespace {

// The test server checks this account's password (scripts/services.sh).
constexpr const char* kCheckedAccount = "WardHostilePassword";

std::string Replaced(std::string text, const std::string& marker, const std::string& by)
{
    for (auto at = text.find(marker); at != std::string::npos; at = text.find(marker, at))
        text.replace(at, marker.size(), by), at += by.size();
    return text;
}

class AdoCredentialsTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override
    {
        if (!wardlock_test::EngineAvailable(GetParam()))
            GTEST_SKIP() << "PostgreSQL is not configured (WARDLOCK_PG_*)";
        ASSERT_TRUE(folder_.isValid());
        db_ = std::make_unique<wardlock_test::SecurityDb>(GetParam(), "AdoCredentials");
        // Another security database: an injected "Database=" would reach it
        // and log in there.
        other_ = std::make_unique<wardlock_test::SecurityDb>(GetParam(), "AdoCredentialsOther");
        template_ = wardlock_test::AdoTemplate(wardlock_test::AddOdbcSource(*db_));
        if (GetParam() == Engine::PostgreSQL)
            CreateCheckedAccount();
    }

    bool IsSQLite() const { return GetParam() == Engine::SQLite; }

    // `text` with "@other@" naming the other security database, and "@new@"
    // a database that must never be made (on PostgreSQL the other one).
    std::string WithTargets(const std::string& text) const
    {
        const std::string made = IsSQLite()
            ? folder_.filePath("made-by-injection.sqlite").toStdString()
            : other_->database();
        return Replaced(Replaced(text, "@other@", other_->database()), "@new@", made);
    }

    // Connected, if at all, to the named source; nothing made elsewhere.
    void ExpectOnlyTheNamedSource(TSecDModADOFrm& module, bool prepared) const
    {
        if (prepared)
            EXPECT_EQ(ConnectedDatabase(module, GetParam()), db_->database());
        else
            EXPECT_FALSE(module.SecurityDB->Connected());
        EXPECT_EQ(QDir(folder_.path()).entryList(QDir::Files), QStringList {});
    }

    // Runs `pattern` on the server as its superuser, with the values quoted
    // by the server's format() (%I names, %L texts): role statements cannot be
    // prepared with parameters.
    static void AsSuperuser(const char* pattern, const QStringList& values)
    {
        const QString name = QStringLiteral("credentials-admin");
        {
            QSqlDatabase admin = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
            admin.setHostName(qEnvironmentVariable("WARDLOCK_PG_HOST"));
            admin.setPort(qEnvironmentVariableIntValue("WARDLOCK_PG_PORT"));
            admin.setUserName(qEnvironmentVariable("WARDLOCK_PG_USER"));
            admin.setDatabaseName(QStringLiteral("postgres"));
            ASSERT_TRUE(admin.open()) << admin.lastError().text().toStdString();
            QSqlQuery format(admin);
            QStringList markers;
            for (qsizetype i = 0; i < values.size(); ++i)
                markers << QStringLiteral("CAST(? AS text)");
            ASSERT_TRUE(
                format.prepare(QStringLiteral("SELECT format(?, %1)").arg(markers.join(u','))));
            format.addBindValue(QString::fromLatin1(pattern));
            for (const QString& value : values)
                format.addBindValue(value);
            ASSERT_TRUE(format.exec() && format.next()) << format.lastError().text().toStdString();
            QSqlQuery statement(admin);
            ASSERT_TRUE(statement.exec(format.value(0).toString()))
                << statement.lastError().text().toStdString();
        }
        QSqlDatabase::removeDatabase(name);
    }

    static void CreateCheckedAccount()
    {
        AsSuperuser("DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = %L) THEN "
                    "CREATE ROLE %I LOGIN; END IF; END $$",
            { kCheckedAccount, kCheckedAccount });
        AsSuperuser("GRANT %I TO %I", { wardlock_test::kDbUser, kCheckedAccount });
    }

    static void SetCheckedPassword(const std::string& password)
    {
        AsSuperuser(
            "ALTER ROLE %I PASSWORD %L", { kCheckedAccount, QString::fromStdString(password) });
    }

    // The database the module is connected to, as the engine names it.
    static std::string ConnectedDatabase(TSecDModADOFrm& module, Engine engine)
    {
        vcl::TADOQuery query;
        query.SetConnection(module.SecurityDB);
        query.SQL().Add(engine == Engine::SQLite
                ? "select file from pragma_database_list where name = 'main'"
                : "select current_database()");
        query.Open();
        return query.Fields(0)->AsString();
    }

    QTemporaryDir folder_;
    std::unique_ptr<wardlock_test::SecurityDb> db_;
    std::unique_ptr<wardlock_test::SecurityDb> other_;
    std::string template_;
};

TEST_P(AdoCredentialsTest, HostilePasswordsConnectToTheNamedSourceOnly)
{
    const struct {
        const char* name;
        std::string password;
        // The SQLite drivers end a value at every ';', braces or not: such a
        // password is refused before it reaches the driver.
        bool refusedBySQLite;
    } cases[] = {
        { "semicolon", "p;w", true },
        { "opening brace first", "{pw", false },
        { "braced", "{pw}", false },
        { "closing brace", "p}w", false },
        { "doubled closing braces", "x}};{y", true },
        { "equals sign", "a=b", false },
        { "leading blank", " lead", false },
        { "trailing blank", "trail ", false },
        { "blank inside", "in side", false },
        { "quotes", "q'u\"o", false },
        { "another database", "pw;Database=@other@", true },
        { "breaking out of braces", "pw};Database=@other@;X={", true },
        { "another database to be made", "pw;Database=@new@", true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string password = WithTargets(c.password);
        const char* user = IsSQLite() ? wardlock_test::kDbUser : kCheckedAccount;
        if (!IsSQLite())
            SetCheckedPassword(password);
        TSecDModADOFrm module(nullptr, "Credentials", template_.c_str(), user);
        const bool prepared = module.PrepareLogin(password.c_str());
        EXPECT_EQ(prepared, !(IsSQLite() && c.refusedBySQLite));
        ExpectOnlyTheNamedSource(module, prepared);

        if (!IsSQLite()) {
            TSecDModADOFrm wrong(nullptr, "Credentials", template_.c_str(), user);
            EXPECT_FALSE(wrong.PrepareLogin((password + "x").c_str()))
                << "the password is still checked";
        }
    }
}

TEST_P(AdoCredentialsTest, HostileUserNamesNeverAddAttributes)
{
    const struct {
        const char* name;
        std::string user;
    } cases[] = {
        { "another database", std::string(wardlock_test::kDbUser) + ";Database=@other@" },
        { "breaking out of braces",
            std::string(wardlock_test::kDbUser) + "};Database=@other@;X={" },
        { "another database to be made", std::string(wardlock_test::kDbUser) + ";Database=@new@" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string user = WithTargets(c.user);
        TSecDModADOFrm module(nullptr, "Credentials", template_.c_str(), user.c_str());
        // psqlODBC takes the braced name as a whole, a role that does not
        // exist; the SQLite drivers cannot take it at all.
        ExpectOnlyTheNamedSource(module, module.PrepareLogin(wardlock_test::kDbPassword));
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, AdoCredentialsTest,
    ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
    [](const auto& info) { return wardlock_test::EngineName(info.param); });

} // namespace
