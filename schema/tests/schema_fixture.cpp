#include "schema_fixture.h"

#include "schema_model.h"

#include <wardlock/data/dbdataset.h>

#include <QCoreApplication>

namespace Security::Schema::Testing {

namespace {

std::unique_ptr<ScratchDatabase>& SharedPgDatabase()
{
    static std::unique_ptr<ScratchDatabase> database;
    return database;
}

// Drops the shared database when the test program ends.
class SharedPgCleanup : public ::testing::Environment {
public:
    void TearDown() override { SharedPgDatabase().reset(); }
};
const auto* const kCleanup = ::testing::AddGlobalTestEnvironment(new SharedPgCleanup);

} // namespace

std::optional<PgConnInfo> TestServer()
{
    const QByteArray host = qgetenv("WARDLOCK_PG_HOST");
    const QByteArray port = qgetenv("WARDLOCK_PG_PORT");
    const QByteArray user = qgetenv("WARDLOCK_PG_USER");
    if (host.isEmpty() || port.isEmpty() || user.isEmpty())
        return std::nullopt;
    PgConnInfo info;
    info.host = QString::fromLocal8Bit(host);
    info.port = port.toInt();
    info.user = QString::fromLocal8Bit(user);
    info.dbname = QStringLiteral("postgres");
    return info;
}

ScratchDatabase::ScratchDatabase(const QString& prefix)
{
    static int counter = 0;
    name_ = QStringLiteral("wardschema_%1_%2_%3")
                .arg(prefix)
                .arg(QCoreApplication::applicationPid())
                .arg(++counter);
    Connection server = Connection::OpenPostgreSQL(*TestServer());
    server.Exec(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8'").arg(name_));
}

ScratchDatabase::~ScratchDatabase()
{
    try {
        Connection server = Connection::OpenPostgreSQL(*TestServer());
        server.Exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name_));
    } catch (const SchemaError& error) {
        ADD_FAILURE() << "cannot drop " << name_.toStdString() << ": " << error.what();
    }
}

PgConnInfo ScratchDatabase::Info() const
{
    PgConnInfo info = *TestServer();
    info.dbname = name_;
    return info;
}

void SchemaTest::SetUp()
{
    database_ = std::make_unique<vcl::TDatabase>();
    database_->SetLoginPrompt(false);
    if (engine() == Engine::SQLite) {
        database_->SetDriverName("QSQLITE");
        database_->Params().SetValues("DATABASE NAME", ":memory:");
    } else {
        if (!TestServer())
            GTEST_SKIP() << "no PostgreSQL server (WARDLOCK_PG_HOST/PORT/USER)";
        auto& shared = SharedPgDatabase();
        if (!shared) {
            shared = std::make_unique<ScratchDatabase>(QStringLiteral("cases"));
            Connection setup = Connection::OpenPostgreSQL(shared->Info());
            setup.Begin();
            ApplySchema(setup);
            setup.Commit();
        }
        const PgConnInfo info = shared->Info();
        database_->SetDriverName("QPSQL");
        database_->Params().SetValues("DATABASE NAME", info.dbname.toStdString());
        database_->Params().SetValues("SERVER NAME", info.host.toStdString());
        database_->Params().SetValues("PORT", std::to_string(info.port));
        database_->Params().SetValues("USER NAME", info.user.toStdString());
    }
    database_->Open();
    connection_
        = std::make_unique<Connection>(Connection::Borrow(database_->QtConnectionName(), engine()));
    if (engine() == Engine::SQLite)
        ApplySchema(*connection_);
    database_->StartTransaction();
}

void SchemaTest::TearDown()
{
    connection_.reset();
    if (database_ && database_->InTransaction())
        database_->Rollback();
    database_.reset();
}

Rows SchemaTest::Call(const QString& procedure, const QList<NamedValue>& arguments)
{
    bool returnsRows = false;
    for (const ExpectedProcedure& expected : ExpectedProcedures() + ExpectedLoginGuardProcedures())
        if (expected.name == procedure)
            returnsRows = expected.returnsRows;
    vcl::TStoredProc proc;
    proc.SetDatabase(database_.get());
    proc.SetStoredProcName(procedure.toStdString());
    proc.Prepare();
    for (int i = 0; i < proc.ParamCount(); ++i)
        proc.Params()[i].Clear();
    for (const NamedValue& argument : arguments)
        proc.ParamByName(argument.name.toStdString()).SetValue(argument.value);
    if (!returnsRows) {
        proc.ExecProc();
        return {};
    }
    proc.Open();
    return Collect(proc);
}

Rows SchemaTest::Query(const QString& sql, const QList<NamedValue>& parameters)
{
    vcl::TQuery query;
    query.SetDatabase(database_.get());
    query.SQL().SetText(sql.toStdString());
    for (const NamedValue& parameter : parameters)
        query.ParamByName(parameter.name.toStdString()).SetValue(parameter.value);
    query.Open();
    return Collect(query);
}

void SchemaTest::ExecQuery(const QString& sql, const QList<NamedValue>& parameters)
{
    vcl::TQuery query;
    query.SetDatabase(database_.get());
    query.SQL().SetText(sql.toStdString());
    for (const NamedValue& parameter : parameters)
        query.ParamByName(parameter.name.toStdString()).SetValue(parameter.value);
    query.ExecSQL();
}

Rows SchemaTest::Collect(vcl::TDataSet& dataSet)
{
    Rows rows;
    for (const std::string& name : dataSet.FieldNames())
        rows.columns << QString::fromStdString(name);
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
        QVariantList row;
        for (int i = 0; i < dataSet.FieldCount(); ++i)
            row << dataSet.Fields(i)->Value();
        rows.rows << row;
    }
    dataSet.Close();
    return rows;
}

void SchemaTest::ExpectFails(const QString& sql, const QVariantList& values)
{
    Db().Exec(QStringLiteral("SAVEPOINT expect_fails"));
    bool failed = false;
    try {
        Db().Exec(sql, values);
    } catch (const SchemaError&) {
        failed = true;
    }
    Db().Exec(QStringLiteral("ROLLBACK TO expect_fails"));
    Db().Exec(QStringLiteral("RELEASE expect_fails"));
    EXPECT_TRUE(failed) << "expected to fail: " << sql.toStdString();
}

void SchemaTest::ExpectCallFails(const QString& procedure, const QList<NamedValue>& arguments)
{
    Db().Exec(QStringLiteral("SAVEPOINT expect_fails"));
    bool failed = false;
    try {
        Call(procedure, arguments);
    } catch (const vcl::Exception&) {
        failed = true;
    }
    Db().Exec(QStringLiteral("ROLLBACK TO expect_fails"));
    Db().Exec(QStringLiteral("RELEASE expect_fails"));
    EXPECT_TRUE(failed) << "expected " << procedure.toStdString() << " to fail";
}

SchemaTest::CaseScope::CaseScope(Connection& connection)
    : connection_(connection)
{
    connection_.Exec(QStringLiteral("SAVEPOINT case_scope"));
}

SchemaTest::CaseScope::~CaseScope()
{
    try {
        connection_.Exec(QStringLiteral("ROLLBACK TO case_scope"));
        connection_.Exec(QStringLiteral("RELEASE case_scope"));
    } catch (const SchemaError& error) {
        ADD_FAILURE() << "cannot end the case: " << error.what();
    }
}

void SchemaTest::DisableForeignKeys()
{
    if (engine() == Engine::SQLite) {
        // The pragma is a no-op inside a transaction.
        database_->Rollback();
        Db().Exec(QStringLiteral("PRAGMA foreign_keys = OFF"));
        database_->StartTransaction();
    } else {
        // Foreign keys are triggers, which the replica role does not fire.
        Db().Exec(QStringLiteral("SET LOCAL session_replication_role = replica"));
    }
}

int SchemaTest::AddGroup(const QString& name, const QString& fullName, bool forceAddMod)
{
    Db().Exec(QStringLiteral("INSERT INTO Groups (Name, FullName, ForceAddMod) VALUES (?, ?, ?)"),
        { name, fullName, forceAddMod });
    return Db()
        .Scalar(QStringLiteral("SELECT GroupID FROM Groups WHERE Name = ?"), { name })
        .toInt();
}

int SchemaTest::AddUser(const QString& name, const QString& fullName, int groupId)
{
    Db().Exec(QStringLiteral("INSERT INTO Users (Name, FullName, GroupID) VALUES (?, ?, ?)"),
        { name, fullName, groupId });
    return Db().Scalar(QStringLiteral("SELECT UserID FROM Users WHERE Name = ?"), { name }).toInt();
}

int SchemaTest::AddForm(const QString& name, int defaultMask)
{
    Db().Exec(QStringLiteral("INSERT INTO Forms (Name, FullName, DefView, DefInsert, DefModify, "
                             "DefDelete) VALUES (?, ?, ?, ?, ?, ?)"),
        { name, name + QStringLiteral(" form"), (defaultMask & 1) != 0, (defaultMask & 2) != 0,
            (defaultMask & 4) != 0, (defaultMask & 8) != 0 });
    return Db().Scalar(QStringLiteral("SELECT FormID FROM Forms WHERE Name = ?"), { name }).toInt();
}

int SchemaTest::AddParam(
    const QString& name, const QString& type, const QString& defaultValue, bool isProtected)
{
    QVariant typeId = Db().Scalar(
        QStringLiteral("SELECT ParamTypeID FROM ParamTypes WHERE Name = ?"), { type });
    if (!typeId.isValid()) {
        Db().Exec(QStringLiteral("INSERT INTO ParamTypes (Name, FullName) VALUES (?, ?)"),
            { type, type });
        typeId = Db().Scalar(
            QStringLiteral("SELECT ParamTypeID FROM ParamTypes WHERE Name = ?"), { type });
    }
    Db().Exec(QStringLiteral("INSERT INTO Params (Name, FullName, ParamTypeID, DefaultValue, "
                             "FProtected) VALUES (?, ?, ?, ?, ?)"),
        { name, name + QStringLiteral(" parameter"), typeId, defaultValue, isProtected });
    return Db()
        .Scalar(QStringLiteral("SELECT ParamID FROM Params WHERE Name = ?"), { name })
        .toInt();
}

void SchemaTest::SetGroupRight(int groupId, int formId, int mask)
{
    Db().Exec(QStringLiteral("INSERT INTO GroupRights (FormID, GroupID, FView, FInsert, FModify, "
                             "FDelete) VALUES (?, ?, ?, ?, ?, ?)"),
        { formId, groupId, (mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0, (mask & 8) != 0 });
}

void SchemaTest::SetUserRight(int userId, int formId, int mask)
{
    Db().Exec(QStringLiteral("INSERT INTO UserRights (FormID, UserID, FView, FInsert, FModify, "
                             "FDelete) VALUES (?, ?, ?, ?, ?, ?)"),
        { formId, userId, (mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0, (mask & 8) != 0 });
}

void SchemaTest::SetGroupValue(int groupId, int paramId, const QVariant& value)
{
    Db().Exec(QStringLiteral("INSERT INTO GroupParams (ParamID, GroupID, FValue) VALUES (?, ?, ?)"),
        { paramId, groupId, value });
}

void SchemaTest::SetUserValue(int userId, int paramId, const QVariant& value)
{
    Db().Exec(QStringLiteral("INSERT INTO UserParams (ParamID, UserID, FValue) VALUES (?, ?, ?)"),
        { paramId, userId, value });
}

void SchemaTest::AddRelation(int groupId, int modGroupId, int type)
{
    Db().Exec(QStringLiteral("INSERT INTO ModGroups (GroupID, ModGroupID, Type) VALUES (?, ?, ?)"),
        { groupId, modGroupId, type });
}

void SchemaTest::AddSignature()
{
    Db().Exec(QStringLiteral("INSERT INTO SecurityParams (Name, FValue) VALUES (?, ?)"),
        { QLatin1String(kSignatureName), QLatin1String(kSignatureValue) });
}

int SchemaTest::Mask(const QString& table, const QString& owner, int ownerId, int formId)
{
    const Rows rows = Select(Db(),
        QStringLiteral("SELECT FView, FInsert, FModify, FDelete FROM %1 "
                       "WHERE %2 = ? AND FormID = ?")
            .arg(table, owner),
        { ownerId, formId });
    if (rows.rows.isEmpty())
        return -1;
    EXPECT_EQ(rows.rows.size(), 1);
    const QVariantList& row = rows.rows[0];
    return (row[0].toBool() ? 1 : 0) | (row[1].toBool() ? 2 : 0) | (row[2].toBool() ? 4 : 0)
        | (row[3].toBool() ? 8 : 0);
}

int SchemaTest::GroupRight(int groupId, int formId)
{
    return Mask(QStringLiteral("GroupRights"), QStringLiteral("GroupID"), groupId, formId);
}

int SchemaTest::UserRight(int userId, int formId)
{
    return Mask(QStringLiteral("UserRights"), QStringLiteral("UserID"), userId, formId);
}

std::optional<QString> SchemaTest::Value(
    const QString& table, const QString& owner, int ownerId, int paramId)
{
    const Rows rows = Select(Db(),
        QStringLiteral("SELECT FValue FROM %1 WHERE %2 = ? AND ParamID = ?").arg(table, owner),
        { ownerId, paramId });
    if (rows.rows.isEmpty())
        return std::nullopt;
    EXPECT_EQ(rows.rows.size(), 1);
    return rows.rows[0][0].toString();
}

std::optional<QString> SchemaTest::GroupValue(int groupId, int paramId)
{
    return Value(QStringLiteral("GroupParams"), QStringLiteral("GroupID"), groupId, paramId);
}

std::optional<QString> SchemaTest::UserValue(int userId, int paramId)
{
    return Value(QStringLiteral("UserParams"), QStringLiteral("UserID"), userId, paramId);
}

int SchemaTest::Count(const QString& table, const QString& where, const QVariantList& values)
{
    QString sql = QStringLiteral("SELECT COUNT(*) FROM ") + table;
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where;
    return Db().Scalar(sql, values).toInt();
}

QList<int> SchemaTest::Ints(const Rows& rows, const QString& column)
{
    const int index = rows.Column(column);
    EXPECT_GE(index, 0) << "no column " << column.toStdString();
    QList<int> values;
    for (const QVariantList& row : rows.rows)
        values << row.value(index).toInt();
    return values;
}

} // namespace Security::Schema::Testing
