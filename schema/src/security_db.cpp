#include "security_db.h"

#include "sql_script.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlRecord>

#include <utility>

// Resources must be initialised outside any namespace.
static void InitSchemaResources()
{
    Q_INIT_RESOURCE(wardschema_sql);
}

namespace Security::Schema {

namespace {

QString NextConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("wardschema-%1").arg(counter.fetchAndAddRelaxed(1));
}

QString Shorten(const QString& sql)
{
    QString oneLine = sql.simplified();
    if (oneLine.size() > 100)
        oneLine = oneLine.left(97) + QStringLiteral("...");
    return oneLine;
}

QString DriverText(const QSqlError& error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.driverText().trimmed();
    return text;
}

bool IsIdentifier(const QString& name)
{
    static const QRegularExpression identifier(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return identifier.match(name).hasMatch();
}

// The four parameter types of the procedures, from the catalog's type names.
QString NormalisedType(const QString& type)
{
    const QString t = type.trimmed().toLower();
    if (t == u"integer" || t == u"int" || t == u"int4")
        return QStringLiteral("int");
    if (t == u"smallint" || t == u"int2")
        return QStringLiteral("smallint");
    if (t == u"boolean" || t == u"bool")
        return QStringLiteral("bool");
    if (t == u"text" || t.startsWith(u"character varying") || t.startsWith(u"varchar"))
        return QStringLiteral("text");
    return t;
}

QString PgTypeName(const QString& type)
{
    if (type == u"int")
        return QStringLiteral("integer");
    if (type == u"bool")
        return QStringLiteral("boolean");
    return type; // smallint, text
}

// "GroupID int, YesString text" -> declared parameters.
QList<ProcedureParam> ParseParamList(const QString& text)
{
    QList<ProcedureParam> params;
    for (const QString& item : text.split(u',', Qt::SkipEmptyParts)) {
        const QString trimmed = item.trimmed();
        const qsizetype space = trimmed.indexOf(u' ');
        if (space < 0)
            throw SchemaError(QStringLiteral("malformed parameter \"%1\"").arg(trimmed));
        params.append({ trimmed.left(space), NormalisedType(trimmed.mid(space + 1)) });
    }
    return params;
}

QVariant ConvertArgument(
    const QVariant& value, const ProcedureParam& param, Engine engine, const QString& procedure)
{
    if (!value.isValid() || value.isNull())
        return QVariant();
    if (param.type == u"bool") {
        const bool b = value.toBool();
        return engine == Engine::SQLite ? QVariant(b ? 1 : 0) : QVariant(b);
    }
    if (param.type == u"int" || param.type == u"smallint") {
        bool ok = false;
        const int i = value.toInt(&ok);
        if (!ok)
            throw SchemaError(QStringLiteral("%1: parameter %2 needs an integer, got \"%3\"")
                                  .arg(procedure, param.name, value.toString()));
        return i;
    }
    return value.toString();
}

Rows Collect(QSqlQuery& query)
{
    Rows rows;
    const QSqlRecord record = query.record();
    for (int i = 0; i < record.count(); ++i)
        rows.columns << record.fieldName(i);
    while (query.next()) {
        QVariantList row;
        for (int i = 0; i < record.count(); ++i)
            row << query.value(i);
        rows.rows << row;
    }
    return rows;
}

} // namespace

// --- Connection ---

Connection Connection::OpenSQLite(const QString& file, bool create, bool readOnly)
{
    if (!create && !QFileInfo::exists(file))
        throw SchemaError(QStringLiteral("%1 does not exist").arg(file));
    Connection connection(NextConnectionName(), Engine::SQLite);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection.name_);
    db.setDatabaseName(file);
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000");
    if (readOnly)
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    db.setConnectOptions(options);
    if (!db.open())
        throw SchemaError(
            QStringLiteral("cannot open %1: %2").arg(file, DriverText(db.lastError())));
    // Cascades and references hold only with foreign keys on, per connection.
    connection.Exec(QStringLiteral("PRAGMA foreign_keys = ON"));
    return connection;
}

Connection Connection::OpenPostgreSQL(const PgConnInfo& info, const QString& database)
{
    Connection connection(NextConnectionName(), Engine::PostgreSQL);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection.name_);
    const QString dbname = database.isEmpty() ? info.dbname : database;
    db.setHostName(info.host);
    if (info.port > 0)
        db.setPort(info.port);
    db.setDatabaseName(dbname);
    db.setUserName(info.user);
    db.setPassword(info.password);
    db.setConnectOptions(info.otherOptions.join(u';'));
    if (!db.open()) {
        const QString where = info.host.isEmpty()
            ? QStringLiteral("the local server")
            : QStringLiteral("%1:%2").arg(info.host).arg(info.port > 0 ? info.port : 5432);
        throw SchemaError(QStringLiteral("cannot connect to PostgreSQL at %1, database \"%2\": %3")
                              .arg(where, dbname, DriverText(db.lastError())));
    }
    // NOTICE lines ("table does not exist, skipping") are not for the user.
    connection.Exec(QStringLiteral("SET client_min_messages = warning"));
    return connection;
}

Connection Connection::Borrow(const QString& qtConnectionName, Engine engine)
{
    return Connection(qtConnectionName, engine, false);
}

Connection::Connection(Connection&& other) noexcept
    : name_(std::exchange(other.name_, QString()))
    , engine_(other.engine_)
    , owned_(other.owned_)
{
}

Connection::~Connection()
{
    if (name_.isEmpty() || !owned_)
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(name_, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(name_);
}

QSqlDatabase Connection::Database() const
{
    return QSqlDatabase::database(name_, false);
}

QSqlQuery Connection::Exec(const QString& sql, const QVariantList& values)
{
    QSqlQuery query(Database());
    bool ok;
    if (values.isEmpty()) {
        ok = query.exec(sql);
    } else {
        ok = query.prepare(sql);
        if (ok) {
            for (const QVariant& value : values)
                query.addBindValue(value);
            ok = query.exec();
        }
    }
    if (!ok)
        throw SchemaError(QStringLiteral("database error: %1\n  in: %2")
                              .arg(DriverText(query.lastError()), Shorten(sql)));
    return query;
}

QVariant Connection::Scalar(const QString& sql, const QVariantList& values)
{
    QSqlQuery query = Exec(sql, values);
    return query.next() ? query.value(0) : QVariant();
}

void Connection::Begin()
{
    QSqlDatabase db = Database();
    if (!db.transaction())
        throw SchemaError(
            QStringLiteral("cannot start a transaction: %1").arg(DriverText(db.lastError())));
}

void Connection::Commit()
{
    QSqlDatabase db = Database();
    if (!db.commit())
        throw SchemaError(QStringLiteral("commit failed: %1").arg(DriverText(db.lastError())));
}

void Connection::Rollback() noexcept
{
    Database().rollback();
}

// --- Scripts ---

namespace {

QStringList ScriptsIn(const QString& folder)
{
    InitSchemaResources();
    QStringList scripts;
    const QDir dir(folder);
    for (const QString& name :
        dir.entryList({ QStringLiteral("*.sql") }, QDir::Files, QDir::Name)) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            throw SchemaError(QStringLiteral("cannot read the embedded script %1").arg(name));
        scripts << QString::fromUtf8(file.readAll());
    }
    if (scripts.isEmpty())
        throw SchemaError(QStringLiteral("no schema scripts are embedded in this program"));
    return scripts;
}

QString EngineFolder(Engine engine)
{
    return engine == Engine::SQLite ? QStringLiteral(":/wardschema/sqlite")
                                    : QStringLiteral(":/wardschema/postgresql");
}

} // namespace

QStringList SchemaScripts(Engine engine)
{
    return ScriptsIn(EngineFolder(engine));
}

QStringList UpgradeScripts(Engine engine)
{
    return ScriptsIn(EngineFolder(engine) + QStringLiteral("/upgrade"));
}

void RunScripts(Connection& connection, const QStringList& scripts)
{
    for (const QString& script : scripts)
        for (const QString& statement : SplitSqlScript(script))
            connection.Exec(statement);
}

void ApplySchema(Connection& connection)
{
    RunScripts(connection, SchemaScripts(connection.engine()));
}

// --- Rows and procedures ---

int Rows::Column(const QString& name) const
{
    for (int i = 0; i < columns.size(); ++i)
        if (columns[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

Rows Select(Connection& connection, const QString& sql, const QVariantList& values)
{
    QSqlQuery query = connection.Exec(sql, values);
    return Collect(query);
}

QList<ProcedureParam> DeclaredParams(Connection& connection, const QString& procedure)
{
    if (connection.engine() == Engine::SQLite) {
        const QVariant params = connection.Scalar(
            QStringLiteral("SELECT Params FROM SecProcedures WHERE Name = ?"), { procedure });
        if (!params.isValid())
            throw SchemaError(QStringLiteral("no procedure named %1").arg(procedure));
        return ParseParamList(params.toString());
    }
    const Rows found = Select(connection,
        QStringLiteral("SELECT pg_get_function_identity_arguments(p.oid) "
                       "FROM pg_proc p "
                       "WHERE p.proname = lower(?) AND "
                       "pg_function_is_visible(p.oid)"),
        { procedure });
    if (found.rows.isEmpty())
        throw SchemaError(QStringLiteral("no procedure named %1").arg(procedure));
    if (found.rows.size() > 1)
        throw SchemaError(QStringLiteral("more than one function named %1").arg(procedure));
    return ParseParamList(found.rows[0][0].toString());
}

Rows CallProcedure(
    Connection& connection, const QString& procedure, const QList<NamedValue>& arguments)
{
    const QList<ProcedureParam> declared = DeclaredParams(connection, procedure);
    auto declaredIndex = [&](const QString& name) {
        for (int i = 0; i < declared.size(); ++i)
            if (declared[i].name.compare(name, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    };
    QVariantList values(declared.size());
    for (const NamedValue& argument : arguments) {
        const int index = declaredIndex(argument.name);
        if (index < 0)
            throw SchemaError(
                QStringLiteral("%1 has no parameter %2").arg(procedure, argument.name));
        values[index]
            = ConvertArgument(argument.value, declared[index], connection.engine(), procedure);
    }

    if (connection.engine() == Engine::PostgreSQL) {
        if (!IsIdentifier(procedure))
            throw SchemaError(QStringLiteral("\"%1\" is not a procedure name").arg(procedure));
        const QVariant returnsVoid = connection.Scalar(
            QStringLiteral("SELECT p.prorettype = 'void'::regtype FROM pg_proc p "
                           "WHERE p.proname = lower(?) AND pg_function_is_visible(p.oid)"),
            { procedure });
        QStringList markers;
        for (const ProcedureParam& param : declared)
            markers << QStringLiteral("CAST(? AS %1)").arg(PgTypeName(param.type));
        const QString call = procedure + u'(' + markers.join(QStringLiteral(", ")) + u')';
        const QString sql = returnsVoid.toBool() ? QStringLiteral("SELECT ") + call
                                                 : QStringLiteral("SELECT * FROM ") + call;
        Rows rows = Select(connection, sql, values);
        if (returnsVoid.toBool())
            rows = Rows {};
        return rows;
    }

    // SQLite: the steps of the procedure, in a savepoint.
    const bool returnsRows = connection
                                 .Scalar(QStringLiteral("SELECT ReturnsRows FROM SecProcedures "
                                                        "WHERE Name = ?"),
                                     { procedure })
                                 .toInt()
        == 1;
    const Rows steps = Select(connection,
        QStringLiteral("SELECT Step, Statement FROM SecProcedureSteps "
                       "WHERE Name = ? ORDER BY Step"),
        { procedure });
    connection.Exec(QStringLiteral("SAVEPOINT wardschema_call"));
    try {
        Rows result;
        for (const QVariantList& step : steps.rows) {
            const PositionalStatement statement = ToPositional(step[1].toString());
            QVariantList bound;
            for (const QString& name : statement.names) {
                const int index = declaredIndex(name);
                if (index < 0)
                    throw SchemaError(
                        QStringLiteral("step %1 of %2 uses :%3, which is not a declared parameter")
                            .arg(step[0].toString(), procedure, name));
                bound << values[index];
            }
            // A statement without markers still goes through prepare, so that
            // null-valued parameters and marker-free steps take the same path.
            QSqlQuery query(connection.Database());
            if (!query.prepare(statement.text))
                throw SchemaError(
                    QStringLiteral("%1, step %2: %3")
                        .arg(procedure, step[0].toString(), DriverText(query.lastError())));
            for (const QVariant& value : bound)
                query.addBindValue(value);
            if (!query.exec())
                throw SchemaError(
                    QStringLiteral("%1, step %2: %3")
                        .arg(procedure, step[0].toString(), DriverText(query.lastError())));
            result = Collect(query);
        }
        connection.Exec(QStringLiteral("RELEASE wardschema_call"));
        return returnsRows ? result : Rows {};
    } catch (...) {
        try {
            connection.Exec(QStringLiteral("ROLLBACK TO wardschema_call"));
            connection.Exec(QStringLiteral("RELEASE wardschema_call"));
        } catch (...) {
            // The original error is the one worth reporting.
        }
        throw;
    }
}

} // namespace Security::Schema
