#pragma once
// The same cases on SQLite and PostgreSQL: a fixture parameterised by engine.
// SQLite runs in memory; PostgreSQL in one database per test program, created
// on first use on the server named by WARDLOCK_PG_HOST/PORT/USER (the cases
// are skipped without them). Each case runs inside a transaction that is
// rolled back at its end, so cases do not see each other's rows.
//
// The cases reach the database as the libraries do: through the dataset
// layer's TDatabase, TQuery and TStoredProc. Fixture rows are written on the
// same connection with plain statements.

#include "security_db.h"

#include <wardlock/data/connection.h>
#include <wardlock/data/dataset.h>

#include <gtest/gtest.h>

#include <QString>
#include <QVariant>

#include <memory>
#include <optional>
#include <ostream>

// Readable QStrings in failure messages.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace Security::Schema::Testing {

// The server of the test run, or nothing when the variables are not set.
std::optional<PgConnInfo> TestServer();

// A database of its own on the test server, dropped by the destructor.
class ScratchDatabase {
public:
    explicit ScratchDatabase(const QString& prefix);
    ~ScratchDatabase();
    const QString& Name() const { return name_; }
    PgConnInfo Info() const; // the server's connection info naming this database

private:
    QString name_;
};

class SchemaTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override;
    void TearDown() override;

    Connection& Db() { return *connection_; }
    Engine engine() const { return GetParam(); }

    // Runs `sql` and expects it to fail; the transaction stays usable.
    void ExpectFails(const QString& sql, const QVariantList& values = {});
    // The same for a procedure call.
    void ExpectCallFails(const QString& procedure, const QList<NamedValue>& arguments);

    // Rows written inside one scope are rolled back at its end: one case of a
    // table, on a fixture of its own.
    class CaseScope {
    public:
        explicit CaseScope(Connection& connection);
        ~CaseScope();

    private:
        Connection& connection_;
    };
    // Leaves the rest of the case without foreign-key enforcement.
    void DisableForeignKeys();

    // Rows of the fixture, by direct inserts (the procedures are under test).
    int AddGroup(const QString& name, const QString& fullName, bool forceAddMod = false);
    int AddUser(const QString& name, const QString& fullName, int groupId);
    int AddForm(const QString& name, int defaultMask = 0);
    int AddParam(const QString& name, const QString& type, const QString& defaultValue,
        bool isProtected = false);
    void SetGroupRight(int groupId, int formId, int mask);
    void SetUserRight(int userId, int formId, int mask);
    void SetGroupValue(int groupId, int paramId, const QVariant& value);
    void SetUserValue(int userId, int paramId, const QVariant& value);
    void AddRelation(int groupId, int modGroupId, int type);
    void AddSignature();

    // Reads: a rights mask (View 1, Insert 2, Modify 4, Delete 8) or -1 when
    // there is no row; a value or nothing when there is no row.
    int GroupRight(int groupId, int formId);
    int UserRight(int userId, int formId);
    std::optional<QString> GroupValue(int groupId, int paramId);
    std::optional<QString> UserValue(int userId, int paramId);
    int Count(
        const QString& table, const QString& where = QString(), const QVariantList& values = {});

    // A procedure or saved query through TStoredProc, its parameters set by
    // name (those not given are null).
    Rows Call(const QString& procedure, const QList<NamedValue>& arguments);
    // A statement through TQuery, with :Name parameters: rows, or none.
    Rows Query(const QString& sql, const QList<NamedValue>& parameters = {});
    void ExecQuery(const QString& sql, const QList<NamedValue>& parameters = {});
    // The integer column `column` of every row.
    static QList<int> Ints(const Rows& rows, const QString& column);

private:
    static Rows Collect(vcl::TDataSet& dataSet);
    int Mask(const QString& table, const QString& owner, int ownerId, int formId);
    std::optional<QString> Value(
        const QString& table, const QString& owner, int ownerId, int paramId);
    std::unique_ptr<vcl::TDatabase> database_;
    std::unique_ptr<Connection> connection_; // the database's own Qt connection
};

// Both engines; PostgreSQL cases skip themselves without a server.
#define WARDSCHEMA_BOTH_ENGINES(Suite)                                                             \
    INSTANTIATE_TEST_SUITE_P(Engines, Suite,                                                       \
        ::testing::Values(                                                                         \
            ::Security::Schema::Engine::SQLite, ::Security::Schema::Engine::PostgreSQL),           \
        [](const ::testing::TestParamInfo<::Security::Schema::Engine>& info) {                     \
            return info.param == ::Security::Schema::Engine::SQLite ? std::string("SQLite")        \
                                                                    : std::string("PostgreSQL");   \
        })

} // namespace Security::Schema::Testing
