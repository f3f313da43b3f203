#include "wardlock/data/connection.h"

#include "text_util.h"
#include "wardlock/data/dbdataset.h"
#include "wardlock/platform/settings.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <atomic>
#include <memory>

namespace vcl {

namespace {

std::atomic<int> connectionCounter { 0 };

std::vector<TDatabase*>& AllDatabases()
{
    static std::vector<TDatabase*> list;
    return list;
}

std::vector<TSession*>& AllSessions()
{
    static std::vector<TSession*> list;
    return list;
}

const std::string kDefaultSession = "Default";

bool SameSession(const std::string& a, const std::string& b)
{
    return text::EqualsNoCase(a.empty() ? kDefaultSession : a, b.empty() ? kDefaultSession : b);
}

} // namespace

// ---------------------------------------------------------------- TCustomConnection

TCustomConnection::TCustomConnection(TComponent* owner)
    : TComponent(owner)
{
    connectionName_ = QStringLiteral("wardlock_%1").arg(++connectionCounter);
}

TCustomConnection::~TCustomConnection()
{
    try {
        DoDisconnect();
    } catch (...) {
    }
    for (TDBDataSet* ds : std::vector<TDBDataSet*>(dataSets_))
        ds->ConnectionClosing();
    dataSets_.clear();
}

void TCustomConnection::SetConnected(bool connected)
{
    if (connected)
        Open();
    else
        Close();
}

void TCustomConnection::Open()
{
    if (connected_)
        return;
    if (BeforeConnect)
        BeforeConnect(this);
    DoConnect();
    if (AfterConnect)
        AfterConnect(this);
}

void TCustomConnection::Close()
{
    if (!connected_)
        return;
    if (BeforeDisconnect)
        BeforeDisconnect(this);
    for (TDBDataSet* ds : std::vector<TDBDataSet*>(dataSets_))
        ds->ConnectionClosing();
    DoDisconnect();
    if (AfterDisconnect)
        AfterDisconnect(this);
}

void TCustomConnection::DoConnect()
{
    ConnectTarget target = GetConnectTarget();
    if (target.driver.isEmpty())
        throw EDatabaseError("No database driver given for '" + Name() + "'");
    if (!QSqlDatabase::isDriverAvailable(target.driver))
        throw EDatabaseError(
            "The database driver " + target.driver.toStdString() + " is not available");
    if (target.driver == u"QSQLITE" && target.databaseName != u":memory:" && !AllowCreate()
        && !QFileInfo::exists(target.databaseName))
        throw EDatabaseError(
            "Database file '" + target.databaseName.toStdString() + "' does not exist");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(target.driver, connectionName_);
        db.setDatabaseName(target.databaseName);
        if (!target.host.isEmpty())
            db.setHostName(target.host);
        if (target.port > 0)
            db.setPort(target.port);
        if (!target.user.isEmpty())
            db.setUserName(target.user);
        if (!target.password.isEmpty())
            db.setPassword(target.password);
        QString options = target.options;
        if (target.driver == u"QODBC" && target.readOnly)
            options += QStringLiteral(";SQL_ATTR_ACCESS_MODE=SQL_MODE_READ_ONLY");
        if (target.driver == u"QSQLITE" && target.readOnly)
            options += QStringLiteral(";QSQLITE_OPEN_READONLY");
        if (!options.isEmpty())
            db.setConnectOptions(options.startsWith(u';') ? options.mid(1) : options);
        if (!db.open()) {
            std::string message = text::ErrorText(db.lastError());
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(connectionName_);
            throw EDatabaseError("Cannot connect to the database: " + message);
        }
        engine_ = TSqlEngine::SQLite;
        if (target.driver == u"QPSQL" || db.driver()->dbmsType() == QSqlDriver::PostgreSQL)
            engine_ = TSqlEngine::PostgreSQL;
        if (engine_ == TSqlEngine::SQLite) {
            // Cascading deletes of the security database rely on foreign keys.
            QSqlQuery pragma(db);
            pragma.exec(QStringLiteral("PRAGMA foreign_keys = ON"));
        }
    }
    connected_ = true;
    inTransaction_ = false;
}

void TCustomConnection::DoDisconnect()
{
    if (!connected_)
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
        if (inTransaction_)
            db.rollback();
        db.close();
    }
    // Every QSqlQuery on the connection is gone by now (datasets fetch all
    // rows at once and release their statements when the connection closes).
    QSqlDatabase::removeDatabase(connectionName_);
    connected_ = false;
    inTransaction_ = false;
    engine_ = TSqlEngine::None;
}

void TCustomConnection::StartTransaction()
{
    Open();
    if (inTransaction_)
        throw EDatabaseError("A transaction is already active");
    QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
    if (!db.transaction())
        throw EDatabaseError("Cannot start a transaction: " + text::ErrorText(db.lastError()));
    inTransaction_ = true;
}

void TCustomConnection::Commit()
{
    if (!connected_ || !inTransaction_)
        throw EDatabaseError("No transaction is active");
    QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
    if (!db.commit()) {
        std::string message = text::ErrorText(db.lastError());
        // A failed commit leaves nothing usable: end the transaction.
        db.rollback();
        inTransaction_ = false;
        throw EDatabaseError("Commit failed: " + message);
    }
    inTransaction_ = false;
}

void TCustomConnection::Rollback()
{
    if (!connected_ || !inTransaction_)
        throw EDatabaseError("No transaction is active");
    QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
    inTransaction_ = false;
    if (!db.rollback())
        throw EDatabaseError("Rollback failed: " + text::ErrorText(db.lastError()));
}

int TCustomConnection::Execute(const std::string& sql)
{
    Open();
    QSqlQuery query(QSqlDatabase::database(connectionName_, false));
    if (!query.exec(QString::fromStdString(sql)))
        throw EDatabaseError(text::ErrorText(query.lastError()));
    return query.numRowsAffected();
}

void TCustomConnection::Attach(TDBDataSet* dataSet)
{
    if (std::find(dataSets_.begin(), dataSets_.end(), dataSet) == dataSets_.end())
        dataSets_.push_back(dataSet);
}

void TCustomConnection::Detach(TDBDataSet* dataSet)
{
    dataSets_.erase(std::remove(dataSets_.begin(), dataSets_.end(), dataSet), dataSets_.end());
}

// ---------------------------------------------------------------- TDatabase

TDatabase::TDatabase(TComponent* owner)
    : TCustomConnection(owner)
{
    AllDatabases().push_back(this);
}

TDatabase::~TDatabase()
{
    auto& all = AllDatabases();
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

void TDatabase::SetAliasName(const std::string& alias)
{
    if (Connected())
        throw EDatabaseError("Cannot change the alias of a connected database");
    aliasName_ = alias;
    if (!alias.empty())
        driverName_.clear();
}

void TDatabase::SetDriverName(const std::string& driver)
{
    if (Connected())
        throw EDatabaseError("Cannot change the driver of a connected database");
    driverName_ = driver;
    if (!driver.empty())
        aliasName_.clear();
}

void TDatabase::SetDatabaseName(const std::string& name)
{
    if (Connected())
        throw EDatabaseError("Cannot change the name of a connected database");
    databaseName_ = name;
}

void TDatabase::SetSessionName(const std::string& name)
{
    if (Connected())
        throw EDatabaseError("Cannot change the session of a connected database");
    sessionName_ = name;
}

TDatabase* TDatabase::Find(const std::string& databaseName, const std::string& sessionName)
{
    for (TDatabase* db : AllDatabases())
        if (text::EqualsNoCase(db->databaseName_, databaseName)
            && SameSession(db->sessionName_, sessionName))
            return db;
    return nullptr;
}

bool TDatabase::AllowCreate() const
{
    const std::string v = text::Lower(params_.Values("CREATE"));
    return v == "true" || v == "1" || v == "yes";
}

TCustomConnection::ConnectTarget TDatabase::GetConnectTarget()
{
    TStrings login = params_;
    if (LoginPrompt() && OnLogin)
        OnLogin(this, login);
    ConnectTarget target;
    std::string driver, database, host, port;
    if (!aliasName_.empty()) {
        TRegistry registry(TRootKey::LocalMachine);
        if (!registry.OpenKey("\\Software\\Torvane\\Wardlock\\Aliases\\" + aliasName_, false))
            throw EDatabaseError("Unknown alias: " + aliasName_);
        driver = registry.ReadString("Driver");
        database = registry.ReadString("Database");
        host = registry.ReadString("Host");
        port = registry.ReadString("Port");
    } else if (!driverName_.empty()) {
        driver = driverName_;
        database = login.Values("DATABASE NAME");
        if (database.empty())
            database = login.Values("PATH");
        host = login.Values("SERVER NAME");
        if (host.empty())
            host = login.Values("HOST NAME");
        port = login.Values("PORT");
    } else {
        throw EDatabaseError("Database '" + databaseName_ + "' has neither an alias nor a driver");
    }
    const std::string d = text::Lower(driver);
    if (d == "qsqlite" || d == "sqlite" || d == "sqlite3" || d.empty())
        target.driver = QStringLiteral("QSQLITE");
    else if (d == "qpsql" || d == "postgresql" || d == "postgres" || d == "pgsql")
        target.driver = QStringLiteral("QPSQL");
    else
        throw EDatabaseError("Unsupported database driver '" + driver + "'");
    target.databaseName = QString::fromStdString(database);
    target.host = QString::fromStdString(host);
    bool ok = false;
    int p = QString::fromStdString(port).toInt(&ok);
    target.port = ok ? p : -1;
    target.user = QString::fromStdString(login.Values("USER NAME"));
    target.password = QString::fromStdString(login.Values("PASSWORD"));
    return target;
}

void TDatabase::ApplyUpdates(const std::vector<TDBDataSet*>& dataSets)
{
    StartTransaction();
    try {
        for (TDBDataSet* ds : dataSets)
            ds->ApplyUpdates();
        Commit();
    } catch (...) {
        if (InTransaction())
            Rollback();
        throw;
    }
    for (TDBDataSet* ds : dataSets)
        ds->CommitUpdates();
}

// ---------------------------------------------------------------- TSession

TSession::TSession(TComponent* owner)
    : TComponent(owner)
{
    AllSessions().push_back(this);
}

TSession::~TSession()
{
    auto& all = AllSessions();
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

TSession* TSession::Find(const std::string& sessionName)
{
    const std::string& name = sessionName.empty() ? kDefaultSession : sessionName;
    for (TSession* s : AllSessions())
        if (text::EqualsNoCase(s->sessionName_, name))
            return s;
    if (text::EqualsNoCase(name, kDefaultSession))
        return &Default();
    return nullptr;
}

TSession& TSession::Default()
{
    static TSession* session = [] {
        auto* s = new TSession(); // lives for the process, like the framework's global session
        s->sessionName_ = kDefaultSession;
        return s;
    }();
    return *session;
}

void TSession::SetSessionName(const std::string& name)
{
    if (name == sessionName_)
        return;
    for (TSession* s : AllSessions())
        if (s != this && text::EqualsNoCase(s->sessionName_, name))
            throw EDatabaseError("Duplicate session name '" + name + "'");
    sessionName_ = name;
    autoSessionName_ = false;
}

void TSession::SetAutoSessionName(bool value)
{
    autoSessionName_ = value;
    if (!value)
        return;
    const std::string base = Name().empty() ? "Session" : Name();
    for (int n = 1;; ++n) {
        std::string candidate = base + "_" + std::to_string(n);
        bool used = false;
        for (TSession* s : AllSessions())
            used = used || (s != this && text::EqualsNoCase(s->sessionName_, candidate));
        if (!used) {
            sessionName_ = candidate;
            return;
        }
    }
}

TDatabase* TSession::FindDatabase(const std::string& databaseName) const
{
    return TDatabase::Find(databaseName, sessionName_);
}

TDatabase* TSession::OpenDatabase(const std::string& databaseName)
{
    TDatabase* db = FindDatabase(databaseName);
    if (!db) {
        // A dataset may name an alias directly: a temporary database for it.
        TRegistry registry(TRootKey::LocalMachine);
        if (!registry.KeyExists("\\Software\\Torvane\\Wardlock\\Aliases\\" + databaseName))
            throw EDatabaseError("Unknown database: " + databaseName);
        db = new TDatabase(this);
        db->SetAliasName(databaseName);
        db->SetDatabaseName(databaseName);
        db->SetSessionName(sessionName_);
        db->SetLoginPrompt(false);
        db->temporary_ = true;
    }
    db->Open();
    return db;
}

std::vector<std::string> TSession::GetAliasNames()
{
    TRegistry registry(TRootKey::LocalMachine);
    if (!registry.OpenKey("\\Software\\Torvane\\Wardlock\\Aliases", false))
        return {};
    return registry.GetKeyNames();
}

} // namespace vcl
