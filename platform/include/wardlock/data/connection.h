#pragma once
// Connections to a database: TCustomConnection (one Qt SQL connection of its
// own, transactions, the datasets opened on it), TDatabase (connects by alias
// from the settings store, or by driver and parameters) and TSession (a named
// scope in which datasets find their TDatabase by DatabaseName).
//
// Aliases live in the system scope of the settings store under
// "Software\Torvane\Wardlock\Aliases\<AliasName>" with the values "Driver"
// (QSQLITE or QPSQL), "Database" (file path or database name), "Host", "Port".

#include "wardlock/data/db.h"
#include "wardlock/data/strings.h"
#include "wardlock/platform/component.h"

#include <QString>

#include <functional>
#include <string>
#include <vector>

namespace vcl {

class TDBDataSet;

// The SQL dialect behind a connection.
enum class TSqlEngine { None, SQLite, PostgreSQL };

// A database connection of the dataset layer: one Qt SQL connection of its own, its transactions
// and the datasets opened on it. Connection failures throw EDatabaseError with the driver's text.
class TCustomConnection : public TComponent {
public:
    // A closed connection, owned by `owner`.
    explicit TCustomConnection(TComponent* owner = nullptr);
    ~TCustomConnection() override;

    // Connects (no-op when connected); throws EDatabaseError when the connection fails.
    void Open();
    // Closes every dataset opened on the connection, rolls back an open
    // transaction and disconnects.
    void Close();
    bool Connected() const noexcept { return connected_; }
    void SetConnected(bool connected);
    bool LoginPrompt() const noexcept { return loginPrompt_; }
    void SetLoginPrompt(bool prompt) { loginPrompt_ = prompt; }

    // Transactions: one at a time; throw EDatabaseError when the database refuses, or when
    // StartTransaction finds one open or Commit and Rollback find none.
    void StartTransaction();
    void Commit();
    void Rollback();
    bool InTransaction() const noexcept { return inTransaction_; }

    // Runs one statement without parameters; returns the rows affected.
    int Execute(const std::string& sql);

    // The dialect and the Qt SQL connection (valid while connected).
    TSqlEngine Engine() const noexcept { return engine_; }
    const QString& QtConnectionName() const noexcept { return connectionName_; }
    // Datasets opened on this connection.
    int DataSetCount() const noexcept { return static_cast<int>(dataSets_.size()); }
    TDBDataSet* DataSets(int index) const { return dataSets_.at(static_cast<size_t>(index)); }

    // Events around connecting and disconnecting (unset ones are skipped).
    std::function<void(TCustomConnection*)> BeforeConnect, AfterConnect, BeforeDisconnect,
        AfterDisconnect;

protected:
    // What to connect to, filled in by the subclass's DoConnect.
    struct ConnectTarget {
        QString driver; // QSQLITE, QPSQL, QODBC
        // Driver parameters (empty: the driver's default) and whether the connection is read-only.
        QString databaseName;
        QString host;
        int port = -1;
        QString user;
        QString password;
        QString options;
        bool readOnly = false;
    };
    // What to connect to; throws EDatabaseError when the settings name nothing usable.
    virtual ConnectTarget GetConnectTarget() = 0;
    // Whether a missing SQLite file may be created.
    virtual bool AllowCreate() const { return false; }

private:
    friend class TDBDataSet;
    void Attach(TDBDataSet* dataSet);
    void Detach(TDBDataSet* dataSet);
    void DoConnect();
    void DoDisconnect();

    QString connectionName_;
    TSqlEngine engine_ = TSqlEngine::None;
    bool connected_ = false;
    bool loginPrompt_ = true;
    bool inTransaction_ = false;
    std::vector<TDBDataSet*> dataSets_;
};

// BDE-style database component.
class TDatabase : public TCustomConnection {
public:
    // A closed database, owned by `owner`, in the default session.
    explicit TDatabase(TComponent* owner = nullptr);
    ~TDatabase() override;

    // The alias in the settings store (only while disconnected).
    const std::string& AliasName() const noexcept { return aliasName_; }
    void SetAliasName(const std::string& alias);
    // Driver without alias: QSQLITE or QPSQL (also "SQLITE", "POSTGRESQL");
    // params "DATABASE NAME" (or "PATH"), "SERVER NAME" (or "HOST NAME"), "PORT".
    const std::string& DriverName() const noexcept { return driverName_; }
    void SetDriverName(const std::string& driver);
    // The name datasets use to find this database (within its session).
    const std::string& DatabaseName() const noexcept { return databaseName_; }
    void SetDatabaseName(const std::string& name);
    // Empty means the default session ("Default").
    const std::string& SessionName() const noexcept { return sessionName_; }
    void SetSessionName(const std::string& name);
    // "USER NAME=...", "PASSWORD=..." and driver parameters. "CREATE=TRUE"
    // lets a missing SQLite file be created (otherwise it is an error).
    TStrings& Params() noexcept { return params_; }
    const TStrings& Params() const noexcept { return params_; }
    bool KeepConnection() const noexcept { return keepConnection_; }
    void SetKeepConnection(bool keep) { keepConnection_ = keep; }
    // Made by a session for a dataset that named an alias directly.
    bool Temporary() const noexcept { return temporary_; }

    // Called when LoginPrompt is true, with the params to fill in; without a
    // handler the params are used as they are (there is no built-in dialog).
    std::function<void(TDatabase*, TStrings& loginParams)> OnLogin;

    // Applies the cached updates of the datasets in one transaction and
    // commits their caches; rolls back and rethrows on failure.
    void ApplyUpdates(const std::vector<TDBDataSet*>& dataSets);

    // The database with that name in that session (empty = "Default"), or null.
    static TDatabase* Find(const std::string& databaseName, const std::string& sessionName);

protected:
    // The alias's, or the driver's and params', connection.
    ConnectTarget GetConnectTarget() override;
    bool AllowCreate() const override;

private:
    friend class TSession;
    std::string aliasName_;
    std::string driverName_;
    std::string databaseName_;
    std::string sessionName_;
    TStrings params_;
    bool keepConnection_ = true;
    bool temporary_ = false;
};

// A named scope of databases: datasets find their TDatabase by DatabaseName within their session.
class TSession : public TComponent {
public:
    // A session owned by `owner` (the caller names it).
    explicit TSession(TComponent* owner = nullptr);
    ~TSession() override;

    // The session's name, by which databases and datasets find it.
    const std::string& SessionName() const noexcept { return sessionName_; }
    // Throws EDatabaseError when another session has the name.
    void SetSessionName(const std::string& name);
    bool AutoSessionName() const noexcept { return autoSessionName_; }
    // Gives the session a unique name: the component's name (or "Session")
    // followed by "_1", "_2", ...
    void SetAutoSessionName(bool value);

    // The database of this session with that name; an alias name gives a
    // temporary database of this session, connected on first use.
    TDatabase* OpenDatabase(const std::string& databaseName);
    TDatabase* FindDatabase(const std::string& databaseName) const;
    // Names of the aliases in the settings store.
    static std::vector<std::string> GetAliasNames();

    // The session with that name, or null.
    static TSession* Find(const std::string& sessionName);
    // The session named "Default" (made on first use).
    static TSession& Default();

private:
    std::string sessionName_;
    bool autoSessionName_ = false;
};

} // namespace vcl
