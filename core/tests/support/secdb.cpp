#include "secdb.h"

#include "sandbox.h"

#include <wardlock/data/connection.h>
#include <wardlock/data/dbdataset.h>
#include <wardlock/encoding.h>
#include <wardlock/passwordhash.h>

#include "legacy_database.h"

#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <unistd.h>

#include <cstdlib>
#include <map>
#include <stdexcept>

namespace wardlock_test {

namespace {

struct PgServer {
    std::string host;
    int port = 0;
    std::string user;
};

std::optional<PgServer> PgFromEnvironment()
{
    const char* host = std::getenv("WARDLOCK_PG_HOST");
    const char* port = std::getenv("WARDLOCK_PG_PORT");
    const char* user = std::getenv("WARDLOCK_PG_USER");
    if (!host || !port || !user || !*host)
        return std::nullopt;
    return PgServer { host, std::atoi(port), user };
}

std::string PgConnectionText(const PgServer& server, const std::string& database)
{
    return "host=" + server.host + " port=" + std::to_string(server.port) + " dbname=" + database
        + " user=" + server.user;
}

// CREATE/DROP DATABASE through a maintenance connection to "postgres".
void PgMaintenance(const std::string& statement)
{
    const PgServer server = *PgFromEnvironment();
    const QString name = QStringLiteral("wardlock_test_maintenance");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(QString::fromStdString(server.host));
        db.setPort(server.port);
        db.setUserName(QString::fromStdString(server.user));
        db.setDatabaseName(QStringLiteral("postgres"));
        if (!db.open())
            throw std::runtime_error("PostgreSQL: " + db.lastError().text().toStdString());
        QSqlQuery query(db);
        if (!query.exec(QString::fromStdString(statement)))
            throw std::runtime_error(statement + ": " + query.lastError().text().toStdString());
    }
    QSqlDatabase::removeDatabase(name);
}

void RunSchemaTool(const QStringList& arguments)
{
    QProcess tool;
    tool.start(QStringLiteral(WARDLOCK_TEST_WARDSCHEMA), arguments);
    if (!tool.waitForFinished(120000) || tool.exitStatus() != QProcess::NormalExit
        || tool.exitCode() != 0)
        throw std::runtime_error("wardschema failed: " + tool.readAllStandardError().toStdString());
}

// One template database per engine and run, dropped when the run ends.
class Templates {
public:
    Templates()
    {
        AtTestsEnd([this] { DropAll(); });
    }

    void DropAll()
    {
        for (const auto& [engine, name] : made_) {
            try {
                if (engine == Engine::PostgreSQL)
                    PgMaintenance("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
            } catch (const std::exception&) {
            }
        }
        made_.clear();
    }

    const std::string& Get(Engine engine)
    {
        auto found = made_.find(engine);
        if (found != made_.end())
            return found->second;
        std::string name;
        if (engine == Engine::SQLite) {
            name = SandboxFolder() + "/template.sqlite";
            RunSchemaTool({ QStringLiteral("create"), QStringLiteral("--sqlite"),
                QString::fromStdString(name), QStringLiteral("--admin-password"),
                QString::fromLatin1(kAdminPassword) });
        } else {
            name = "wl_tmpl_" + std::to_string(getpid());
            PgMaintenance("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
            RunSchemaTool({ QStringLiteral("create"), QStringLiteral("--pg"),
                QString::fromStdString(PgConnectionText(*PgFromEnvironment(), name)),
                QStringLiteral("--admin-password"), QString::fromLatin1(kAdminPassword),
                QStringLiteral("--runtime-role"), QString::fromLatin1(kDbUser),
                QStringLiteral("--runtime-password"), QString::fromLatin1(kDbPassword),
                // Roles belong to the server: a role left by an earlier run is
                // reused with this password.
                QStringLiteral("--admin-role-password"), QStringLiteral("WardAdmTest5") });
        }
        return made_.emplace(engine, name).first->second;
    }

private:
    std::map<Engine, std::string> made_;
};

Templates& TheTemplates()
{
    static Templates templates;
    return templates;
}

int NextNumber()
{
    static int number = 0;
    return ++number;
}

} // namespace

std::string EngineName(Engine engine)
{
    return engine == Engine::SQLite ? "SQLite" : "PostgreSQL";
}

bool EngineAvailable(Engine engine)
{
    return engine == Engine::SQLite || PgFromEnvironment().has_value();
}

QVariant RawBytes(const tor::pswdsstr<16>& value)
{
    return QByteArray(value.data(), static_cast<qsizetype>(value.length()));
}

SecurityDb::SecurityDb(Engine engine, std::string alias)
    : engine_(engine)
    , alias_(std::move(alias))
{
    const std::string& source = TheTemplates().Get(engine);
    const std::string number = std::to_string(NextNumber());
    if (engine == Engine::SQLite) {
        database_ = SandboxFolder() + "/db" + number + ".sqlite";
        QFile::remove(QString::fromStdString(database_));
        if (!QFile::copy(QString::fromStdString(source), QString::fromStdString(database_)))
            throw std::runtime_error("cannot copy the template database");
        WriteAlias(alias_, "QSQLITE", database_);
    } else {
        database_ = "wl_" + std::to_string(getpid()) + "_" + number;
        PgMaintenance("CREATE DATABASE " + database_ + " TEMPLATE " + source);
        const PgServer server = *PgFromEnvironment();
        WriteAlias(alias_, "QPSQL", database_, server.host, server.port);
    }
    Connect();
}

SecurityDb::~SecurityDb()
{
    Disconnect();
    try {
        if (engine_ == Engine::PostgreSQL)
            PgMaintenance("DROP DATABASE IF EXISTS " + database_ + " WITH (FORCE)");
        else
            QFile::remove(QString::fromStdString(database_));
    } catch (const std::exception&) {
    }
}

void SecurityDb::Connect()
{
    if (writer_)
        return;
    writer_ = std::make_unique<vcl::TDatabase>();
    writer_->SetDatabaseName("Writer" + std::to_string(NextNumber()));
    writer_->SetLoginPrompt(false);
    if (engine_ == Engine::SQLite) {
        writer_->SetDriverName("QSQLITE");
        writer_->Params().Add("DATABASE NAME=" + database_);
    } else {
        const PgServer server = *PgFromEnvironment();
        writer_->SetDriverName("QPSQL");
        writer_->Params().Add("DATABASE NAME=" + database_);
        writer_->Params().Add("SERVER NAME=" + server.host);
        writer_->Params().Add("PORT=" + std::to_string(server.port));
        writer_->Params().Add("USER NAME=" + server.user);
    }
    writer_->Open();
}

void SecurityDb::Disconnect()
{
    writer_.reset();
}

namespace {
void BindAll(vcl::TQuery& query, const std::vector<QVariant>& params)
{
    for (std::size_t i = 0; i < params.size(); ++i) {
        vcl::TParam& param = query.ParamByName("p" + std::to_string(i + 1));
        const QVariant& value = params[i];
        if (value.typeId() == QMetaType::QByteArray)
            param.SetRaw(value.toByteArray()); // one character per byte
        else if (value.typeId() == QMetaType::Bool)
            param.SetAsBoolean(value.toBool());
        else if (value.isNull())
            param.Clear();
        else
            param.SetValue(value);
    }
}
} // namespace

void SecurityDb::Exec(const std::string& sql, const std::vector<QVariant>& params)
{
    Connect();
    vcl::TQuery query;
    query.SetDatabase(writer_.get());
    query.SQL().Add(sql);
    BindAll(query, params);
    query.ExecSQL();
}

QVariant SecurityDb::Scalar(const std::string& sql, const std::vector<QVariant>& params)
{
    Connect();
    vcl::TQuery query;
    query.SetDatabase(writer_.get());
    query.SQL().Add(sql);
    BindAll(query, params);
    query.Open();
    return query.IsEmpty() ? QVariant() : query.Fields(0)->Value();
}

int SecurityDb::AddGroup(const std::string& name, const GroupPolicy& policy)
{
    Exec("insert into Groups (Name, FullName, AllowChangePswd, AllowNullPasswd, NoChPswdAtLogin, "
         "AccountEnabled, PasswdControl) values (:p1, :p2, :p3, :p4, :p5, :p6, :p7)",
        { QString::fromStdString(name), QString::fromStdString(name + " group"),
            policy.allowChangePswd, policy.allowNullPasswd, policy.noChPswdAtLogin,
            policy.accountEnabled, policy.passwdControl });
    return Scalar("select GroupID from Groups where Name = :p1", { QString::fromStdString(name) })
        .toInt();
}

int SecurityDb::AddUser(const std::string& name, int groupID, std::optional<std::string> password,
    const UserPolicy& policy)
{
    const QVariant stored
        = password ? RawBytes(Security::IntEncode(password->c_str())) : QVariant();
    Exec("insert into Users (Name, FullName, GroupID, Passwd, AllowChangePswd, AllowNullPasswd, "
         "NoChPswdAtLogin, AccountEnabled, PasswdControl) "
         "values (:p1, :p2, :p3, :p4, :p5, :p6, :p7, :p8, :p9)",
        { QString::fromStdString(name), QString::fromStdString("Full " + name), groupID, stored,
            policy.allowChangePswd, policy.allowNullPasswd, policy.noChPswdAtLogin,
            policy.accountEnabled, policy.passwdControl });
    return Scalar("select UserID from Users where Name = :p1", { QString::fromStdString(name) })
        .toInt();
}

int SecurityDb::AddModernUser(const std::string& name, int groupID, const std::string& password,
    std::optional<tor::pswdsstr<16>> legacy)
{
    const int userID = AddUser(name, groupID, std::nullopt);
    Exec("update Users set Passwd = :p1, PasswordHash = :p2 where UserID = :p3",
        { RawBytes(legacy.value_or(Security::ModernFormMarker())),
            QString::fromStdString(Security::PasswordHash::Make(password.c_str())), userID });
    return userID;
}

void SecurityDb::MakeLegacy()
{
    // Unprepared: PostgreSQL prepares no ALTER or DROP.
    Connect();
    for (const std::string& statement :
        Security::Schema::Testing::LegacyDatabaseStatements(engine_ == Engine::SQLite))
        writer_->Execute(statement);
}

void SecurityDb::AgeLoginFailures(int seconds)
{
    if (engine_ == Engine::SQLite)
        Exec("update LoginFailures set WindowStart = WindowStart - :p1 / 86400.0, "
             "LockedUntil = LockedUntil - :p2 / 86400.0",
            { seconds, seconds });
    else
        Exec("update LoginFailures set WindowStart = WindowStart - make_interval(secs => :p1), "
             "LockedUntil = LockedUntil - make_interval(secs => :p2)",
            { seconds, seconds });
}

int SecurityDb::AddForm(const std::string& name)
{
    Exec("insert into Forms (Name, FullName) values (:p1, :p2)",
        { QString::fromStdString(name), QString::fromStdString(name + " form") });
    return Scalar("select FormID from Forms where Name = :p1", { QString::fromStdString(name) })
        .toInt();
}

int SecurityDb::AddParam(const std::string& name)
{
    Exec("insert into Params (Name, FullName, ParamTypeID) "
         "values (:p1, :p2, (select min(ParamTypeID) from ParamTypes))",
        { QString::fromStdString(name), QString::fromStdString(name + " parameter") });
    return Scalar("select ParamID from Params where Name = :p1", { QString::fromStdString(name) })
        .toInt();
}

// One row of rights or of a parameter value per owner, replacing any earlier
// one: `table` is GroupRights/UserRights/GroupParams/UserParams, `owner` its
// GroupID or UserID column.
void SecurityDb::ReplaceRow(const std::string& table, const std::string& owner, int ownerID,
    const std::string& keyColumn, int key, const std::string& columns,
    const std::vector<QVariant>& values)
{
    Exec("delete from " + table + " where " + owner + " = :p1 and " + keyColumn + " = :p2",
        { ownerID, key });
    std::string marks = ":p1, :p2";
    std::vector<QVariant> params { ownerID, key };
    for (const QVariant& value : values) {
        params.push_back(value);
        marks += ", :p" + std::to_string(params.size());
    }
    Exec("insert into " + table + " (" + owner + ", " + keyColumn + ", " + columns + ") values ("
            + marks + ")",
        params);
}

namespace {
std::vector<QVariant> MaskValues(int mask)
{
    return { (mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0, (mask & 8) != 0 };
}
const char* const kRightColumns = "FView, FInsert, FModify, FDelete";
} // namespace

void SecurityDb::SetGroupRight(int groupID, int formID, int mask)
{
    ReplaceRow(
        "GroupRights", "GroupID", groupID, "FormID", formID, kRightColumns, MaskValues(mask));
}

void SecurityDb::SetUserRight(int userID, int formID, int mask)
{
    ReplaceRow("UserRights", "UserID", userID, "FormID", formID, kRightColumns, MaskValues(mask));
}

void SecurityDb::SetGroupParam(int groupID, int paramID, const QVariant& value)
{
    ReplaceRow("GroupParams", "GroupID", groupID, "ParamID", paramID, "FValue", { value });
}

void SecurityDb::SetUserParam(int userID, int paramID, const QVariant& value)
{
    ReplaceRow("UserParams", "UserID", userID, "ParamID", paramID, "FValue", { value });
}

void SecurityDb::SetSetting(const std::string& name, const QVariant& value)
{
    DeleteSetting(name);
    Exec("insert into SecurityParams (Name, FullName, FValue) values (:p1, :p2, :p3)",
        { QString::fromStdString(name), QString::fromStdString(name), value });
}

void SecurityDb::DeleteSetting(const std::string& name)
{
    Exec("delete from SecurityParams where Name = :p1", { QString::fromStdString(name) });
}

} // namespace wardlock_test
