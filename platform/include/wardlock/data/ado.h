#pragma once
// ADO stand-ins: a connection described by an ADO connection string and a
// query on it. "Provider=MSDASQL...;User ID=..;Password=..;Data Source=DSN"
// is an ODBC data source reached through unixODBC (Qt's QODBC driver).

#include "wardlock/data/connection.h"
#include "wardlock/data/dbdataset.h"

#include <string>

namespace vcl {

// The ADO connection modes (cmRead connects read-only), cursor types and lock types.
enum TConnectMode { cmUnknown, cmRead, cmWrite, cmReadWrite, cmShareDenyNone };
enum TCursorType { ctUnspecified, ctOpenForwardOnly, ctKeyset, ctDynamic, ctStatic };
enum TADOLockType { ltUnspecified, ltReadOnly, ltPessimistic, ltOptimistic, ltBatchOptimistic };

// ADO-style connection: an ADO connection string whose "Provider=MSDASQL..." means ODBC ("Data
// Source" the DSN, "User ID" and "Password" its UID and PWD). Values holding the connection
// string's separators reach the driver quoted in ODBC's braces.
class TADOConnection : public TCustomConnection {
public:
    // A closed connection, owned by `owner`.
    explicit TADOConnection(TComponent* owner = nullptr);
    ~TADOConnection() override;

    // The connection string as set.
    const std::string& ConnectionString() const noexcept { return connectionString_; }
    // Only while disconnected.
    void SetConnectionString(const std::string& text);
    // cmRead connects read-only and makes the queries on it refuse edits.
    TConnectMode Mode() const noexcept { return mode_; }
    void SetMode(TConnectMode mode) { mode_ = mode; }

    // Connects through `connectionString` this once, without keeping it:
    // ConnectionString stays as it was set (for example without the
    // password), so the credentials live only in the open connection.
    // Throws EDatabaseError when already connected.
    void OpenWith(const std::string& connectionString);

    // ADO names of the transaction operations.
    void BeginTrans() { StartTransaction(); }
    void CommitTrans() { Commit(); }
    void RollbackTrans() { Rollback(); }

    // Value of one item of the connection string ("" when absent); names
    // compare without regard to case.
    static std::string ConnectionStringValue(
        const std::string& connectionString, const std::string& name);

protected:
    // The ODBC connection of the connection string; throws EDatabaseError for a provider other
    // than MSDASQL, or when it names no data source.
    ConnectTarget GetConnectTarget() override;

private:
    std::string connectionString_;
    // The string OpenWith connects through, while it connects.
    const std::string* connectingWith_ = nullptr;
    TConnectMode mode_ = cmUnknown;
};

// A query through an ADO connection, with ADO's names for its parameters and batch updates.
class TADOQuery : public TCustomQuery {
public:
    // A closed query, owned by `owner`.
    explicit TADOQuery(TComponent* owner = nullptr);
    ~TADOQuery() override;

    // The connection the query runs on (not owned; null when none).
    TADOConnection* Connection() const noexcept { return connection_; }
    void SetConnection(TADOConnection* connection);
    // The query's parameters (Params under ADO's name).
    TParams& Parameters() noexcept { return Params(); }

    // All rows are fetched at open; forward-only still allows moving back.
    TCursorType CursorType() const noexcept { return cursorType_; }
    void SetCursorType(TCursorType type) { cursorType_ = type; }
    // ltReadOnly refuses edits; ltBatchOptimistic caches them until
    // UpdateBatch; the others post each row at once (single-table selects).
    TADOLockType LockType() const noexcept { return lockType_; }
    void SetLockType(TADOLockType type);
    void UpdateBatch();
    void CancelBatch() { CancelUpdates(); }

protected:
    bool GetCanModify() const override;
    bool WantsLive() const override { return lockType_ != ltReadOnly; }

private:
    TADOConnection* connection_ = nullptr;
    TCursorType cursorType_ = ctKeyset;
    TADOLockType lockType_ = ltOptimistic;
};

// A stored procedure reached through an ADO connection (same rules as
// TStoredProc: PostgreSQL functions, or the SQLite procedure tables).
class TADOStoredProc : public TStoredProc {
public:
    // A closed stored procedure, owned by `owner`.
    explicit TADOStoredProc(TComponent* owner = nullptr)
        : TStoredProc(owner)
    {
    }
    // The connection the procedure runs on (not owned; null when none).
    TADOConnection* Connection() const noexcept { return connection_; }
    void SetConnection(TADOConnection* connection)
    {
        TStoredProc::SetConnection(connection);
        connection_ = connection;
    }

private:
    TADOConnection* connection_ = nullptr;
};

} // namespace vcl
