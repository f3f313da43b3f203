#pragma once
// One connection per engine for the shared dataset suite: SQLite (a file in a
// temporary folder, reached by alias), PostgreSQL (a fresh database on the
// server named by WARDLOCK_PG_*), and ODBC data sources written by the test
// (SQLite3 ODBC driver; psqlODBC when the server is there). Engines that are
// not available are skipped.

#include "wardlock/data/ado.h"
#include "wardlock/data/connection.h"
#include "wardlock/data/dbdataset.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace wltest {

enum class Engine { SQLite, PostgreSQL, OdbcSQLite, OdbcPostgreSQL };

std::string EngineName(Engine engine);

struct EngineContext {
    Engine engine;
    vcl::TCustomConnection* connection = nullptr;

    bool IsPostgres() const
    {
        return engine == Engine::PostgreSQL || engine == Engine::OdbcPostgreSQL;
    }
    bool IsOdbc() const { return engine == Engine::OdbcSQLite || engine == Engine::OdbcPostgreSQL; }

    // A query on the connection: TQuery (BDE style) or TADOQuery (ODBC).
    std::unique_ptr<vcl::TCustomQuery> NewQuery(
        const std::string& sql = {}, vcl::TComponent* owner = nullptr) const;
    std::unique_ptr<vcl::TStoredProc> NewProc(const std::string& name) const;
    // Editable result posted at once (RequestLive / an optimistic lock) or
    // a read-only one.
    void SetLive(vcl::TCustomQuery& query, bool live) const;
    // Runs a statement directly (DDL and checks).
    void Exec(const std::string& sql) const;
    // "{pk}" becomes an auto-numbered integer primary key column type.
    std::string Ddl(std::string sql) const;
    // Drops and creates a table.
    void Table(const std::string& name, const std::string& columns) const;
    // First column of the first row as text ("" when none).
    std::string Scalar(const std::string& sql) const;
};

// The context of an engine, or null when the engine is not available here
// (with the reason in `why`).
EngineContext* Context(Engine engine, std::string& why);

class EngineTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override;
    EngineContext& ctx() { return *ctx_; }
    EngineContext* ctx_ = nullptr;
};

std::string ParamName(const ::testing::TestParamInfo<Engine>& info);

} // namespace wltest
