#pragma once
// Datasets over a database connection: the shared engine (TDBDataSet), SQL
// queries (TCustomQuery, TQuery), stored procedures (TStoredProc) and update
// objects (TUpdateSQL).
//
// Statements: named parameters are ":Name" (not inside string literals; "::"
// is a cast, not a parameter). A text without ":Name" markers binds the
// parameter list by position: '?' takes the next parameter, and an identifier
// "p" + a parameter's name takes that parameter (the form ":Name" becomes
// after replacing every ':' by 'p'). A trailing ';' and blanks are accepted.
// On PostgreSQL, bracketed names ([FView]) are written without brackets.

#include "wardlock/data/connection.h"
#include "wardlock/data/dataset.h"
#include "wardlock/data/params.h"
#include "wardlock/data/strings.h"

#include <QString>

#include <memory>
#include <string>

class QSqlQuery;

namespace vcl {

class TDatabase;
class TUpdateSQL;

// A dataset over a database result: finds its connection (see DatabaseName) and, for live results,
// writes rows back with generated statements. Database failures throw EDatabaseError with the
// driver's text.
class TDBDataSet : public TDataSet {
public:
    // A closed dataset owned by `owner`.
    explicit TDBDataSet(TComponent* owner = nullptr);
    ~TDBDataSet() override;

    // BDE-style connection lookup: DatabaseName within SessionName (empty =
    // "Default"); a direct database pointer wins over the names.
    const std::string& DatabaseName() const noexcept { return databaseName_; }
    void SetDatabaseName(const std::string& name);
    const std::string& SessionName() const noexcept { return sessionName_; }
    void SetSessionName(const std::string& name);
    TDatabase* Database() const noexcept { return database_; }
    void SetDatabase(TDatabase* database);
    // A connection of any kind, used directly (it wins over Database and the
    // names): a query or stored procedure on an ADO connection, for code that
    // builds its datasets whatever the engine.
    void SetConnection(TCustomConnection* connection);

    // The connection the dataset uses (resolved on demand; null when none).
    TCustomConnection* ActiveConnection() const;

    // How generated statements of live results identify a row.
    TUpdateMode UpdateMode() const noexcept { return updateMode_; }
    void SetUpdateMode(TUpdateMode mode) { updateMode_ = mode; }

protected:
    bool GetCanModify() const override;
    void InternalOpen() override;
    void InternalClose() override;
    void InternalPostRecord(TUpdateKind kind) override;
    void InternalApplyRecord(TUpdateKind kind) override;
    void InternalAfterInsert() override;

    // Runs the dataset's statement for Open and returns it positioned before
    // the first row (forward-only); the subclass keeps ownership.
    virtual QSqlQuery* ExecuteForOpen() = 0;
    // Called after the rows were fetched (e.g. to release a savepoint).
    virtual void AfterFetch() { }
    // Whether the result may be written back with generated statements.
    virtual bool WantsLive() const { return false; }
    // The statement text of a single-table select, for the live analysis.
    virtual std::string SelectText() const { return {}; }

    // Resolves and connects the connection; throws when there is none.
    TCustomConnection& RequireConnection();
    // Drops prepared statements (the connection closes or changes).
    virtual void ReleaseStatements() { }

private:
    friend class TCustomConnection;
    friend class TUpdateSQL;
    void ConnectionClosing();
    void AnalyseLive();
    void ExecLive(TUpdateKind kind);

    std::string databaseName_;
    std::string sessionName_;
    TDatabase* database_ = nullptr;
    TCustomConnection* direct_ = nullptr; // SetConnection
    mutable TCustomConnection* attached_ = nullptr;
    TUpdateMode updateMode_ = upWhereAll;
    // Live analysis of the last open.
    std::string liveTable_;
    std::vector<std::string> liveKey_;
    std::vector<std::string> liveColumns_; // columns of the table (as the database names them)
    bool live_ = false;
    QVariant insertedKey_; // key the database assigned to the last live insert
};

// A dataset defined by an SQL text with parameters.
class TCustomQuery : public TDBDataSet {
public:
    // A closed query owned by `owner`.
    explicit TCustomQuery(TComponent* owner = nullptr);
    ~TCustomQuery() override;

    // The statement as lines. Changing it unprepares and re-reads the
    // parameter names (values of same-named parameters are kept).
    TStrings& SQL() noexcept { return sql_; }
    const TStrings& SQL() const noexcept { return sql_; }
    TParams& Params() noexcept { return params_; }
    const TParams& Params() const noexcept { return params_; }
    TParam& ParamByName(const std::string& name) { return params_.ParamByName(name); }
    int ParamCount() const noexcept { return params_.Count(); }
    // Whether changing SQL re-reads the parameters (default true).
    bool ParamCheck() const noexcept { return paramCheck_; }
    void SetParamCheck(bool check) { paramCheck_ = check; }

    // Prepares the statement on the open connection (EDatabaseError when the database refuses it),
    // drops it, tells whether it is prepared.
    void Prepare();
    void Unprepare();
    bool Prepared() const noexcept;
    // Prepares now when the connection is open; otherwise remembers the
    // request and prepares on first use (as the ADO Prepared flag does).
    void SetPrepared(bool prepared);

    // Runs a statement that returns no rows.
    void ExecSQL();
    // Rows changed by the last ExecSQL (-1 when unknown).
    int RowsAffected() const noexcept { return rowsAffected_; }

    // The statement as sent to the database with its parameters bound,
    // after the dialect rewrites (for diagnostics and tests).
    std::string PreparedText();

protected:
    QSqlQuery* ExecuteForOpen() override;
    void ReleaseStatements() override;
    std::string SelectText() const override { return sql_.Text(); }

private:
    void SqlChanged();
    QSqlQuery& PreparedQuery();
    void BindParams(QSqlQuery& query);

    TStrings sql_;
    TParams params_;
    bool paramCheck_ = true;
    bool prepareRequested_ = false;
    int rowsAffected_ = -1;
    struct Statement;
    std::unique_ptr<Statement> statement_;
};

// BDE-style query.
class TQuery : public TCustomQuery {
public:
    // A closed query owned by `owner`.
    explicit TQuery(TComponent* owner = nullptr);
    ~TQuery() override;

    // Ask for an editable result: a single-table select posts its rows with
    // generated statements keyed by the table's primary key.
    bool RequestLive() const noexcept { return requestLive_; }
    void SetRequestLive(bool live) { requestLive_ = live; }
    bool Constrained() const noexcept { return constrained_; }
    void SetConstrained(bool constrained) { constrained_ = constrained; }

protected:
    bool WantsLive() const override { return requestLive_; }

private:
    bool requestLive_ = false;
    bool constrained_ = false;
};

// A procedure or parameterised saved query of the database, called by name.
// PostgreSQL: a function (its parameters read from the catalog). SQLite: the
// steps kept in the database's SecProcedures/SecProcedureSteps tables, run in
// order inside a savepoint.
class TStoredProc : public TDBDataSet {
public:
    // A closed procedure owned by `owner`.
    explicit TStoredProc(TComponent* owner = nullptr);
    ~TStoredProc() override;

    // The procedure's name in the database; changing it unprepares.
    const std::string& StoredProcName() const noexcept { return procName_; }
    void SetStoredProcName(const std::string& name);
    // The declared parameters in order (read from the database by Prepare,
    // or on first use).
    TParams& Params();
    TParam& ParamByName(const std::string& name) { return Params().ParamByName(name); }
    int ParamCount() { return Params().Count(); }
    TParamBindMode ParamBindMode() const noexcept { return bindMode_; }
    void SetParamBindMode(TParamBindMode mode) { bindMode_ = mode; }

    // Reads the procedure's definition and prepares it (EDatabaseError when the database has no
    // such procedure); Unprepare drops it; Prepared tells whether it is prepared; SetPrepared does
    // either.
    void Prepare();
    void Unprepare();
    bool Prepared() const noexcept { return prepared_; }
    void SetPrepared(bool prepared);
    // Runs the procedure; a result it returns is discarded.
    void ExecProc();

protected:
    QSqlQuery* ExecuteForOpen() override;
    void AfterFetch() override;
    void ReleaseStatements() override;

private:
    struct Definition;
    const Definition& Define();
    void Run(bool wantRows);

    std::string procName_;
    TParams params_;
    TParamBindMode bindMode_ = pbByName;
    bool prepared_ = false;
    bool savepointOpen_ = false;
    std::unique_ptr<Definition> definition_;
    std::unique_ptr<QSqlQuery> result_;
};

// Update object: the statements that write one cached (or posted) row.
// Parameters named as fields take the row's new values, "OLD_" + field name
// its original values.
class TUpdateSQL : public TDataSetUpdateObject {
public:
    // An update object owned by `owner`.
    explicit TUpdateSQL(TComponent* owner = nullptr);
    ~TUpdateSQL() override;

    // The statement lines for each kind of change.
    TStrings& ModifySQL() { return SQL(ukModify); }
    TStrings& InsertSQL() { return SQL(ukInsert); }
    TStrings& DeleteSQL() { return SQL(ukDelete); }
    TStrings& SQL(TUpdateKind kind);
    // The query that runs the statement of `kind` (its Params may be saved
    // and restored around a rewrite of its text).
    TQuery& Query(TUpdateKind kind);

    // The dataset whose rows the object writes (not owned).
    TDataSet* DataSet() const override { return dataSet_; }
    void SetDataSet(TDataSet* dataSet) override { dataSet_ = dataSet; }

    // Fills the parameters of `kind` from the dataset's current row.
    void SetParams(TUpdateKind kind);
    // Runs the statement of `kind`; EDatabaseError "Update failed" unless it
    // changed exactly one row.
    void ExecSQL(TUpdateKind kind);
    void Apply(TUpdateKind kind) override;

private:
    TDataSet* dataSet_ = nullptr;
    std::unique_ptr<TQuery> queries_[3];
};

} // namespace vcl
