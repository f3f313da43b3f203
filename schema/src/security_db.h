#pragma once
// The security database on SQLite and PostgreSQL: connections, the schema
// scripts, calling its procedures, checking a database, and the seed and demo
// rows. Used by the wardschema tool and its tests.

#include "pg_conninfo.h"

#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>
#include <stdexcept>

namespace Security::Schema {

enum class Engine { SQLite, PostgreSQL };

// Every failure of this layer: bad input, a refused operation or a database
// error, with a message meant for the person running the tool.
class SchemaError : public std::runtime_error {
public:
    explicit SchemaError(const QString& message)
        : std::runtime_error(message.toStdString())
    {
    }
    QString Message() const { return QString::fromStdString(what()); }
};

// One named Qt SQL connection, removed again when this object goes away.
class Connection {
public:
    // SQLite: the file must exist unless `create` is set; foreign keys are
    // switched on, as every connection to a security database must do.
    static Connection OpenSQLite(const QString& file, bool create, bool readOnly = false);
    // PostgreSQL: `database` replaces the dbname of `info` when not empty.
    static Connection OpenPostgreSQL(const PgConnInfo& info, const QString& database = {});

    // A Qt SQL connection made elsewhere (by the dataset layer, say); it is
    // left open and registered when this object goes away.
    static Connection Borrow(const QString& qtConnectionName, Engine engine);

    Connection(Connection&& other) noexcept;
    Connection& operator=(Connection&&) = delete;
    Connection(const Connection&) = delete;
    ~Connection();

    Engine engine() const { return engine_; }
    QSqlDatabase Database() const;

    // Runs one statement with positional values; throws SchemaError with the
    // driver's message on failure.
    QSqlQuery Exec(const QString& sql, const QVariantList& values = {});
    // The first column of the first row, or an invalid value when no row.
    QVariant Scalar(const QString& sql, const QVariantList& values = {});

    void Begin();
    void Commit();
    void Rollback() noexcept;

private:
    Connection(QString name, Engine engine, bool owned = true)
        : name_(std::move(name))
        , engine_(engine)
        , owned_(owned)
    {
    }
    QString name_;
    Engine engine_;
    bool owned_;
};

// Runs the schema scripts of the connection's engine (tables, views,
// procedures) in the current transaction.
void ApplySchema(Connection& connection);
// The script texts as embedded in the tool, in the order they run.
QStringList SchemaScripts(Engine engine);
// The scripts an upgrade runs (each statement may run again).
QStringList UpgradeScripts(Engine engine);
// Runs every statement of the scripts in the current transaction.
void RunScripts(Connection& connection, const QStringList& scripts);

// A result: column names as the engine reports them, and the rows.
struct Rows {
    QStringList columns;
    QList<QVariantList> rows;
    int Column(const QString& name) const; // case-insensitive; -1 when absent
};

// A declared parameter of a procedure: name and type (int, smallint, text,
// bool) as the database declares them.
struct ProcedureParam {
    QString name;
    QString type;
};
QList<ProcedureParam> DeclaredParams(Connection& connection, const QString& procedure);

// Calls a procedure or parameterised saved query of the database by name.
// Arguments are matched to the declared parameters by name without regard to
// case; a declared parameter not given is null; an argument that is not
// declared throws. On SQLite the steps run inside a savepoint, so a failing
// step leaves nothing behind. Returns the rows of row-returning ones.
struct NamedValue {
    QString name;
    QVariant value;
};
Rows CallProcedure(
    Connection& connection, const QString& procedure, const QList<NamedValue>& arguments);

// Runs a query and collects its rows.
Rows Select(Connection& connection, const QString& sql, const QVariantList& values = {});

// The columns of a table or view, or nothing when there is none of that name.
std::optional<QStringList> ColumnsOf(Connection& connection, const QString& relation);
// Whether Users has the column of Argon2id strings (the database has been
// made or upgraded with password storage and throttling).
bool HasPasswordHashColumn(Connection& connection);

// Everything wrong with a database as a security database: missing signature,
// tables, columns, views, procedures, parameters; rows that break the
// one-row-per-group-and-form/parameter rule; with the column of Argon2id
// strings, also the table, view and procedures of throttling. Empty when all
// is well.
QStringList CheckDatabase(Connection& connection);

// The seed of a new security database.
struct SeedOptions {
    QByteArray adminPassword; // of the user "admin"
    QString accountUser; // administration account (database user)
    QByteArray accountPassword; // its password, stored encoded
    QString progId; // the "ProgID" setting
};
void Seed(Connection& connection, const SeedOptions& options);

// The demo rows used by the example programs (after Seed).
void AddDemoData(Connection& connection);

// Values of the seed that callers and tests refer to.
inline constexpr char kSignatureName[] = "SecurityAutoLog";
inline constexpr char kSignatureValue[] = "Wdk580217;QmTr#6";
inline constexpr char kAccountUserSetting[] = "ResNrk7a~d3nEge";
inline constexpr char kAccountPasswordSetting[] = "Res74hG^e5(dhF";
inline constexpr char kAdminGroupName[] = "Admins";
inline constexpr char kAdminUserName[] = "admin";

} // namespace Security::Schema
