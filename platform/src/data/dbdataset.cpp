#include "wardlock/data/dbdataset.h"

#include "sql_text.h"
#include "text_util.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlIndex>
#include <QSqlQuery>
#include <QSqlRecord>

namespace vcl {

namespace {

TFieldType TypeOf(const QSqlField& field)
{
    switch (field.metaType().id()) {
    case QMetaType::Bool:
        return ftBoolean;
    case QMetaType::Short:
    case QMetaType::UShort:
        return ftSmallint;
    case QMetaType::Int:
    case QMetaType::UInt:
        return field.typeID() == 21 ? ftSmallint : ftInteger; // 21: PostgreSQL int2
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return ftLargeint;
    case QMetaType::Double:
    case QMetaType::Float:
        return ftFloat;
    case QMetaType::QByteArray:
        return ftBlob;
    case QMetaType::QDate:
    case QMetaType::QTime:
    case QMetaType::QDateTime:
        return ftDateTime;
    default:
        return ftString;
    }
}

} // namespace

// ---------------------------------------------------------------- TDBDataSet

TDBDataSet::TDBDataSet(TComponent* owner)
    : TDataSet(owner)
{
}

TDBDataSet::~TDBDataSet()
{
    CloseWithoutEvents();
    if (attached_)
        attached_->Detach(this);
    attached_ = nullptr;
}

void TDBDataSet::SetDatabaseName(const std::string& name)
{
    CheckInactive();
    databaseName_ = name;
}

void TDBDataSet::SetSessionName(const std::string& name)
{
    CheckInactive();
    sessionName_ = name;
}

void TDBDataSet::SetDatabase(TDatabase* database)
{
    CheckInactive();
    database_ = database;
    if (database)
        databaseName_ = database->DatabaseName();
}

void TDBDataSet::SetConnection(TCustomConnection* connection)
{
    if (connection == direct_)
        return;
    CheckInactive();
    direct_ = connection;
}

TCustomConnection* TDBDataSet::ActiveConnection() const
{
    if (direct_)
        return direct_;
    if (database_)
        return database_;
    return TDatabase::Find(databaseName_, sessionName_);
}

TCustomConnection& TDBDataSet::RequireConnection()
{
    TCustomConnection* conn = ActiveConnection();
    if (!conn) {
        if (databaseName_.empty())
            DatabaseError("No database given");
        TSession* session = TSession::Find(sessionName_);
        if (!session)
            DatabaseError("Unknown session: " + sessionName_);
        conn = session->OpenDatabase(databaseName_);
    }
    conn->Open();
    if (attached_ != conn) {
        ReleaseStatements();
        if (attached_)
            attached_->Detach(this);
        attached_ = conn;
        conn->Attach(this);
    }
    return *conn;
}

void TDBDataSet::ConnectionClosing()
{
    Close();
    ReleaseStatements();
    if (attached_)
        attached_->Detach(this);
    attached_ = nullptr;
}

bool TDBDataSet::GetCanModify() const
{
    if (!TDataSet::GetCanModify())
        return false;
    return live_ || UpdateObject() || (CachedUpdates() && OnUpdateRecord);
}

void TDBDataSet::InternalOpen()
{
    RequireConnection();
    live_ = false;
    QSqlQuery* query = ExecuteForOpen();
    try {
        const QSqlRecord record = query->record();
        std::vector<ColumnInfo> columns;
        columns.reserve(static_cast<size_t>(record.count()));
        for (int i = 0; i < record.count(); ++i) {
            const QSqlField f = record.field(i);
            columns.push_back(
                { f.name().toStdString(), TypeOf(f), f.length() > 0 ? f.length() : 0 });
        }
        DefineColumns(columns);
        RecordLoader loader(*this);
        std::vector<int> wanted;
        for (int i = 0; i < record.count(); ++i)
            if (loader.Wanted(i))
                wanted.push_back(i);
        while (query->next()) {
            loader.BeginRecord();
            for (int i : wanted)
                loader.SetValue(i, query->value(i));
        }
        if (query->lastError().isValid())
            DatabaseError(text::ErrorText(query->lastError()));
        query->finish();
    } catch (...) {
        query->finish();
        AfterFetch();
        throw;
    }
    AfterFetch();
    if (WantsLive())
        AnalyseLive();
}

void TDBDataSet::InternalClose()
{
    live_ = false;
}

void TDBDataSet::AnalyseLive()
{
    live_ = false;
    liveTable_ = sql::SingleTable(SelectText());
    if (liveTable_.empty())
        return;
    QSqlDatabase db = QSqlDatabase::database(attached_->QtConnectionName(), false);
    QString table = QString::fromStdString(liveTable_);
    if (attached_->Engine() == TSqlEngine::PostgreSQL)
        table = table.toLower(); // unquoted names fold to lower case
    const QSqlRecord columns = db.record(table);
    if (columns.isEmpty())
        return;
    liveColumns_.clear();
    for (int i = 0; i < columns.count(); ++i)
        liveColumns_.push_back(columns.fieldName(i).toStdString());
    liveKey_.clear();
    const QSqlIndex key = db.primaryIndex(table);
    for (int i = 0; i < key.count(); ++i)
        liveKey_.push_back(key.fieldName(i).toStdString());
    live_ = true;
}

void TDBDataSet::InternalPostRecord(TUpdateKind kind)
{
    if (UpdateObject()) {
        UpdateObject()->Apply(kind);
        return;
    }
    if (!live_)
        DatabaseError("Cannot modify a read-only dataset");
    ExecLive(kind);
}

void TDBDataSet::InternalApplyRecord(TUpdateKind kind)
{
    if (!live_)
        DatabaseError("No update object or OnUpdateRecord handler to apply the cached updates");
    ExecLive(kind);
}

void TDBDataSet::InternalAfterInsert()
{
    if (insertedKey_.isNull() || liveKey_.size() != 1)
        return;
    if (TField* key = FindField(liveKey_.front()))
        if (key->IsNull())
            StoreCurrentValue(key, insertedKey_);
    insertedKey_ = QVariant();
}

// Generated statements for a live single-table result.
void TDBDataSet::ExecLive(TUpdateKind kind)
{
    TCustomConnection& conn = *attached_;
    const TSqlEngine engine = conn.Engine();
    auto isColumn = [&](TField* f) {
        if (f->FieldKind() != fkData)
            return false;
        for (const auto& c : liveColumns_)
            if (text::EqualsNoCase(c, f->FieldName()))
                return true;
        return false;
    };
    auto isKey = [&](TField* f) {
        for (const auto& k : liveKey_)
            if (text::EqualsNoCase(k, f->FieldName()))
                return true;
        return false;
    };
    auto same
        = [](const QVariant& a, const QVariant& b) { return a.isNull() == b.isNull() && a == b; };
    std::vector<TField*> columns;
    for (int i = 0; i < FieldCount(); ++i)
        if (isColumn(Fields(i)))
            columns.push_back(Fields(i));

    QString sqlText;
    std::vector<QVariant> binds;
    auto bind = [&](TField* f, const QVariant& v) {
        binds.push_back(sql::BindValue(v, f->DataType(), engine, f->FieldName()));
    };
    auto where = [&](const std::vector<TField*>& changed) {
        QStringList parts;
        const bool keyOnly = updateMode_ != upWhereAll && !liveKey_.empty();
        for (TField* f : columns) {
            bool use = !keyOnly || isKey(f)
                || (updateMode_ == upWhereChanged
                    && std::find(changed.begin(), changed.end(), f) != changed.end());
            if (!use)
                continue;
            const QVariant old = f->OldValue();
            if (old.isNull()) {
                parts << QString::fromStdString(f->FieldName()) + QStringLiteral(" IS NULL");
            } else {
                parts << QString::fromStdString(f->FieldName()) + QStringLiteral(" = ?");
                bind(f, old);
            }
        }
        return parts.join(QStringLiteral(" AND "));
    };
    const QString table = QString::fromStdString(liveTable_);
    QString returning;
    if (kind == ukModify) {
        std::vector<TField*> changed;
        for (TField* f : columns)
            if (!same(f->Value(), f->OldValue()))
                changed.push_back(f);
        if (changed.empty())
            return;
        QStringList sets;
        for (TField* f : changed) {
            sets << QString::fromStdString(f->FieldName()) + QStringLiteral(" = ?");
            bind(f, f->Value());
        }
        sqlText = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                      .arg(table, sets.join(u", "), where(changed));
    } else if (kind == ukInsert) {
        QStringList names, marks;
        for (TField* f : columns) {
            const QVariant v = f->Value();
            if (v.isNull())
                continue; // let the database fill defaults and keys
            names << QString::fromStdString(f->FieldName());
            marks << QStringLiteral("?");
            bind(f, v);
        }
        sqlText = names.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table)
                                  : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                        .arg(table, names.join(u", "), marks.join(u", "));
        if (engine == TSqlEngine::PostgreSQL && liveKey_.size() == 1) {
            TField* key = FindField(liveKey_.front());
            if (key && key->Value().isNull())
                returning = QString::fromStdString(liveKey_.front());
        }
        if (!returning.isEmpty())
            sqlText += QStringLiteral(" RETURNING ") + returning;
    } else {
        sqlText = QStringLiteral("DELETE FROM %1 WHERE %2").arg(table, where({}));
    }
    QSqlQuery query(QSqlDatabase::database(conn.QtConnectionName(), false));
    if (!query.prepare(sqlText))
        DatabaseError(text::ErrorText(query.lastError()));
    for (size_t i = 0; i < binds.size(); ++i)
        query.bindValue(static_cast<int>(i), binds[i]);
    if (!query.exec())
        DatabaseError(text::ErrorText(query.lastError()));
    if (kind == ukInsert) {
        insertedKey_ = QVariant();
        if (!returning.isEmpty() && query.next())
            insertedKey_ = query.value(0);
        else if (engine == TSqlEngine::SQLite && liveKey_.size() == 1) {
            insertedKey_ = query.lastInsertId();
            if (!insertedKey_.isValid()) {
                // ODBC cannot tell; SQLite itself can, on the same connection.
                QSqlQuery rowid(QSqlDatabase::database(conn.QtConnectionName(), false));
                if (rowid.exec(QStringLiteral("SELECT last_insert_rowid()")) && rowid.next())
                    insertedKey_ = rowid.value(0);
            }
        }
        return;
    }
    if (query.numRowsAffected() != 1 && query.numRowsAffected() != -1)
        DatabaseError("Update failed: the row was changed or deleted by another user");
}

// ---------------------------------------------------------------- TCustomQuery

struct TCustomQuery::Statement {
    QString connection;
    QString text;
    std::vector<int> binds;
    TSqlEngine engine = TSqlEngine::None;
    std::unique_ptr<QSqlQuery> query;
};

TCustomQuery::TCustomQuery(TComponent* owner)
    : TDBDataSet(owner)
{
    sql_.OnChange = [this] { SqlChanged(); };
}

TCustomQuery::~TCustomQuery()
{
    CloseWithoutEvents();
    statement_.reset();
}

void TCustomQuery::SqlChanged()
{
    if (Active())
        Close();
    statement_.reset();
    if (!paramCheck_)
        return;
    TParams fresh;
    for (const auto& name : TParams::ParseNames(sql_.Text()))
        fresh.CreateParam(ftUnknown, name);
    fresh.AssignValues(params_);
    params_ = std::move(fresh);
}

void TCustomQuery::ReleaseStatements()
{
    statement_.reset();
}

bool TCustomQuery::Prepared() const noexcept
{
    return statement_ != nullptr || prepareRequested_;
}

void TCustomQuery::SetPrepared(bool prepared)
{
    if (!prepared) {
        Unprepare();
        return;
    }
    TCustomConnection* conn = ActiveConnection();
    if (conn && conn->Connected())
        Prepare();
    else
        prepareRequested_ = true;
}

void TCustomQuery::Prepare()
{
    PreparedQuery();
}

void TCustomQuery::Unprepare()
{
    if (Active())
        Close();
    statement_.reset();
    prepareRequested_ = false;
}

QSqlQuery& TCustomQuery::PreparedQuery()
{
    TCustomConnection& conn = RequireConnection();
    sql::Translated translated = sql::Translate(sql_.Text(), params_, conn.Engine());
    if (translated.text.trimmed().isEmpty())
        DatabaseError("No SQL statement available");
    if (statement_ && statement_->text == translated.text
        && statement_->connection == conn.QtConnectionName()) {
        statement_->binds = std::move(translated.binds);
        return *statement_->query;
    }
    statement_.reset();
    auto st = std::make_unique<Statement>();
    st->connection = conn.QtConnectionName();
    st->engine = conn.Engine();
    st->text = translated.text;
    st->binds = std::move(translated.binds);
    st->query = std::make_unique<QSqlQuery>(QSqlDatabase::database(st->connection, false));
    st->query->setForwardOnly(true);
    if (!st->query->prepare(st->text))
        DatabaseError(text::ErrorText(st->query->lastError()));
    statement_ = std::move(st);
    return *statement_->query;
}

void TCustomQuery::BindParams(QSqlQuery& query)
{
    for (size_t i = 0; i < statement_->binds.size(); ++i) {
        const TParam& p = params_[statement_->binds[i]];
        if (!p.Bound())
            DatabaseError("No value for parameter '" + p.Name() + "'");
        query.bindValue(static_cast<int>(i), sql::BindValue(p, statement_->engine));
    }
}

std::string TCustomQuery::PreparedText()
{
    PreparedQuery();
    return statement_->text.toStdString();
}

QSqlQuery* TCustomQuery::ExecuteForOpen()
{
    QSqlQuery& query = PreparedQuery();
    BindParams(query);
    if (!query.exec())
        DatabaseError(text::ErrorText(query.lastError()));
    return &query;
}

void TCustomQuery::ExecSQL()
{
    CheckInactive();
    QSqlQuery& query = PreparedQuery();
    BindParams(query);
    if (!query.exec())
        DatabaseError(text::ErrorText(query.lastError()));
    rowsAffected_ = query.numRowsAffected();
    query.finish();
}

// ---------------------------------------------------------------- TQuery

TQuery::TQuery(TComponent* owner)
    : TCustomQuery(owner)
{
}
TQuery::~TQuery() = default;

// ---------------------------------------------------------------- TUpdateSQL

TUpdateSQL::TUpdateSQL(TComponent* owner)
    : TDataSetUpdateObject(owner)
{
    for (auto& q : queries_)
        q = std::make_unique<TQuery>();
}

TUpdateSQL::~TUpdateSQL()
{
    if (dataSet_ && dataSet_->UpdateObject() == this)
        dataSet_->SetUpdateObject(nullptr);
}

TStrings& TUpdateSQL::SQL(TUpdateKind kind)
{
    return Query(kind).SQL();
}

TQuery& TUpdateSQL::Query(TUpdateKind kind)
{
    if (kind < ukModify || kind > ukDelete)
        throw EDatabaseError("Invalid update kind");
    return *queries_[kind];
}

void TUpdateSQL::SetParams(TUpdateKind kind)
{
    if (!dataSet_)
        throw EDatabaseError("The update object has no dataset");
    TParams& params = Query(kind).Params();
    for (int i = 0; i < params.Count(); ++i) {
        TParam& p = params[i];
        std::string name = p.Name();
        const bool old = name.size() > 4 && text::EqualsNoCase(name.substr(0, 4), "OLD_");
        TField* field = dataSet_->FindField(old ? name.substr(4) : name);
        if (!field)
            continue;
        if (p.DataType() == ftUnknown)
            p.SetDataType(field->DataType());
        p.SetValue(old ? field->OldValue() : field->Value());
    }
}

void TUpdateSQL::ExecSQL(TUpdateKind kind)
{
    TQuery& q = Query(kind);
    if (q.SQL().Text().find_first_not_of(" \t\r\n") == std::string::npos)
        throw EDatabaseError("No SQL statement for this kind of update");
    auto* owner = dynamic_cast<TDBDataSet*>(dataSet_);
    if (!owner)
        throw EDatabaseError("The update object's dataset has no database");
    TCustomConnection& conn = owner->RequireConnection();
    if (q.ActiveConnection() != &conn) {
        q.direct_ = &conn;
        static_cast<TDBDataSet&>(q).ReleaseStatements();
    }
    q.ExecSQL();
    if (q.RowsAffected() != 1 && q.RowsAffected() != -1)
        throw EDatabaseError("Update failed");
}

void TUpdateSQL::Apply(TUpdateKind kind)
{
    SetParams(kind);
    ExecSQL(kind);
}

} // namespace vcl
