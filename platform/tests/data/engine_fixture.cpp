#include "engine_fixture.h"

#include "wardlock/platform/settings.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdlib>
#include <fstream>
#include <map>
#include <unistd.h>

using namespace vcl;

namespace wltest {

namespace {

struct Environment {
    QTemporaryDir dir;
    std::unique_ptr<QCoreApplication> app;
    std::map<Engine, std::unique_ptr<EngineContext>> contexts;
    std::map<Engine, std::string> unavailable;
    std::vector<std::unique_ptr<TCustomConnection>> connections;
    std::string pgDatabase;

    Environment()
    {
        static int argc = 1;
        static char name[] = "data_tests";
        static char* argv[] = { name, nullptr };
        if (!QCoreApplication::instance())
            app = std::make_unique<QCoreApplication>(argc, argv);
        SetSettingsFolders(
            dir.path().toStdString() + "/system", dir.path().toStdString() + "/user");
        // User data sources of this run only; the drivers stay those of the system.
        const std::string odbcIni = dir.path().toStdString() + "/odbc.ini";
        setenv("ODBCINI", odbcIni.c_str(), 1);
        std::ofstream ini(odbcIni);
        ini << "[WardTestLite]\nDriver=SQLite3\nDatabase=" << dir.path().toStdString()
            << "/odbc.db\nTimeout=5000\n";
        if (const char* host = std::getenv("WARDLOCK_PG_HOST")) {
            pgDatabase = "wl_data_" + std::to_string(getpid());
            ini << "\n[WardTestPg]\nDriver=PostgreSQL Unicode\nServername=" << host
                << "\nPort=" << std::getenv("WARDLOCK_PG_PORT") << "\nDatabase=" << pgDatabase
                << "\nUsername=" << std::getenv("WARDLOCK_PG_USER")
                << "\nBoolsAsChar=0\n"; // booleans as booleans, not "1"/"0" text
        }
    }

    ~Environment()
    {
        contexts.clear();
        connections.clear();
        if (!pgDatabase.empty()) {
            {
                QSqlDatabase admin = QSqlDatabase::addDatabase("QPSQL", "wl_admin_drop");
                admin.setHostName(std::getenv("WARDLOCK_PG_HOST"));
                admin.setPort(std::atoi(std::getenv("WARDLOCK_PG_PORT")));
                admin.setUserName(std::getenv("WARDLOCK_PG_USER"));
                admin.setDatabaseName("postgres");
                if (admin.open())
                    QSqlQuery(admin).exec(
                        QString::fromStdString("DROP DATABASE IF EXISTS " + pgDatabase));
            }
            QSqlDatabase::removeDatabase("wl_admin_drop");
        }
    }

    bool CreatePgDatabase(std::string& why)
    {
        static bool created = false;
        if (created)
            return true;
        bool ok = false;
        {
            QSqlDatabase admin = QSqlDatabase::addDatabase("QPSQL", "wl_admin");
            admin.setHostName(std::getenv("WARDLOCK_PG_HOST"));
            admin.setPort(std::atoi(std::getenv("WARDLOCK_PG_PORT")));
            admin.setUserName(std::getenv("WARDLOCK_PG_USER"));
            admin.setDatabaseName("postgres");
            if (!admin.open()) {
                why = "cannot reach the PostgreSQL server";
            } else {
                QSqlQuery q(admin);
                q.exec(QString::fromStdString("DROP DATABASE IF EXISTS " + pgDatabase));
                ok = q.exec(QString::fromStdString(
                    "CREATE DATABASE " + pgDatabase + " ENCODING 'UTF8' TEMPLATE template0"));
                if (!ok)
                    why = "cannot create the test database";
            }
        }
        QSqlDatabase::removeDatabase("wl_admin");
        created = ok;
        return ok;
    }

    EngineContext* Get(Engine engine, std::string& why)
    {
        if (auto it = contexts.find(engine); it != contexts.end())
            return it->second.get();
        if (auto it = unavailable.find(engine); it != unavailable.end()) {
            why = it->second;
            return nullptr;
        }
        auto ctx = std::make_unique<EngineContext>();
        ctx->engine = engine;
        try {
            switch (engine) {
            case Engine::SQLite: {
                TRegistry reg(TRootKey::LocalMachine);
                reg.OpenKey("\\Software\\Torvane\\Wardlock\\Aliases\\WardTestLite", true);
                reg.WriteString("Driver", "QSQLITE");
                reg.WriteString("Database", dir.path().toStdString() + "/lite.db");
                auto db = std::make_unique<TDatabase>();
                db->SetAliasName("WardTestLite");
                db->SetDatabaseName("WardTest");
                db->SetLoginPrompt(false);
                db->Params().SetValues("CREATE", "TRUE");
                db->Open();
                ctx->connection = db.get();
                connections.push_back(std::move(db));
                break;
            }
            case Engine::PostgreSQL: {
                if (!std::getenv("WARDLOCK_PG_HOST")) {
                    why = "WARDLOCK_PG_HOST is not set";
                    break;
                }
                if (!CreatePgDatabase(why))
                    break;
                TRegistry reg(TRootKey::LocalMachine);
                reg.OpenKey("\\Software\\Torvane\\Wardlock\\Aliases\\WardTestPg", true);
                reg.WriteString("Driver", "QPSQL");
                reg.WriteString("Database", pgDatabase);
                reg.WriteString("Host", std::getenv("WARDLOCK_PG_HOST"));
                reg.WriteString("Port", std::getenv("WARDLOCK_PG_PORT"));
                auto db = std::make_unique<TDatabase>();
                db->SetAliasName("WardTestPg");
                db->SetDatabaseName("WardTestPg");
                db->SetLoginPrompt(false);
                db->Params().SetValues("USER NAME", std::getenv("WARDLOCK_PG_USER"));
                db->Open();
                ctx->connection = db.get();
                connections.push_back(std::move(db));
                break;
            }
            case Engine::OdbcSQLite:
            case Engine::OdbcPostgreSQL: {
                const bool pg = engine == Engine::OdbcPostgreSQL;
                if (pg && (!std::getenv("WARDLOCK_PG_HOST") || !CreatePgDatabase(why))) {
                    if (why.empty())
                        why = "WARDLOCK_PG_HOST is not set";
                    break;
                }
                auto conn = std::make_unique<TADOConnection>();
                conn->SetLoginPrompt(false);
                conn->SetConnectionString(
                    std::string("Provider=MSDASQL.1;Persist Security Info=True;User ID=")
                    + (pg ? std::getenv("WARDLOCK_PG_USER") : "")
                    + ";Password=;Data Source=" + (pg ? "WardTestPg" : "WardTestLite"));
                conn->Open();
                ctx->connection = conn.get();
                connections.push_back(std::move(conn));
                break;
            }
            }
        } catch (const std::exception& e) {
            why = e.what();
        }
        if (!ctx->connection) {
            unavailable[engine] = why;
            return nullptr;
        }
        if (!ctx->IsPostgres()) {
            // Test databases need no durability; this keeps the suite fast.
            ctx->Exec("PRAGMA synchronous = OFF");
            ctx->Exec("PRAGMA journal_mode = MEMORY");
        }
        return (contexts[engine] = std::move(ctx)).get();
    }
};

Environment* env = nullptr;

// Drops the connections and the PostgreSQL database while Qt is still alive.
class Cleanup : public ::testing::Environment {
public:
    void TearDown() override
    {
        delete env;
        env = nullptr;
    }
};
const auto* registered = ::testing::AddGlobalTestEnvironment(new Cleanup);

Environment& Env()
{
    if (!env)
        env = new Environment;
    return *env;
}

} // namespace

std::string EngineName(Engine engine)
{
    switch (engine) {
    case Engine::SQLite:
        return "SQLite";
    case Engine::PostgreSQL:
        return "PostgreSQL";
    case Engine::OdbcSQLite:
        return "OdbcSQLite";
    case Engine::OdbcPostgreSQL:
        return "OdbcPostgreSQL";
    }
    return "?";
}

std::string ParamName(const ::testing::TestParamInfo<Engine>& info)
{
    return EngineName(info.param);
}

EngineContext* Context(Engine engine, std::string& why)
{
    return Env().Get(engine, why);
}

void EngineTest::SetUp()
{
    std::string why;
    ctx_ = Context(GetParam(), why);
    if (!ctx_)
        GTEST_SKIP() << EngineName(GetParam()) << " not available: " << why;
}

std::unique_ptr<TCustomQuery> EngineContext::NewQuery(
    const std::string& sql, TComponent* owner) const
{
    std::unique_ptr<TCustomQuery> q;
    if (IsOdbc()) {
        auto a = std::make_unique<TADOQuery>(owner);
        a->SetConnection(static_cast<TADOConnection*>(connection));
        q = std::move(a);
    } else {
        auto b = std::make_unique<TQuery>(owner);
        b->SetDatabase(static_cast<TDatabase*>(connection));
        q = std::move(b);
    }
    if (!sql.empty())
        q->SQL().SetText(sql);
    return q;
}

std::unique_ptr<TStoredProc> EngineContext::NewProc(const std::string& name) const
{
    std::unique_ptr<TStoredProc> p;
    if (IsOdbc()) {
        auto a = std::make_unique<TADOStoredProc>();
        a->SetConnection(static_cast<TADOConnection*>(connection));
        p = std::move(a);
    } else {
        p = std::make_unique<TStoredProc>();
        p->SetDatabase(static_cast<TDatabase*>(connection));
    }
    p->SetStoredProcName(name);
    return p;
}

void EngineContext::SetLive(TCustomQuery& query, bool live) const
{
    if (auto* a = dynamic_cast<TADOQuery*>(&query))
        a->SetLockType(live ? ltOptimistic : ltReadOnly);
    else if (auto* b = dynamic_cast<TQuery*>(&query))
        b->SetRequestLive(live);
}

void EngineContext::Exec(const std::string& sql) const
{
    connection->Execute(sql);
}

std::string EngineContext::Ddl(std::string sql) const
{
    const std::string pk
        = IsPostgres() ? "SERIAL PRIMARY KEY" : "INTEGER PRIMARY KEY AUTOINCREMENT";
    for (size_t at; (at = sql.find("{pk}")) != std::string::npos;)
        sql.replace(at, 4, pk);
    return sql;
}

void EngineContext::Table(const std::string& name, const std::string& columns) const
{
    Exec("DROP TABLE IF EXISTS " + name + (IsPostgres() ? " CASCADE" : ""));
    Exec(Ddl("CREATE TABLE " + name + " (" + columns + ")"));
}

std::string EngineContext::Scalar(const std::string& sql) const
{
    auto q = NewQuery(sql);
    q->Open();
    std::string v = q->IsEmpty() ? "" : q->Fields(0)->AsString();
    q->Close();
    return v;
}

} // namespace wltest
