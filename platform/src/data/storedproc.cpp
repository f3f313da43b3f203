#include "wardlock/data/dbdataset.h"

#include "sql_text.h"
#include "text_util.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace vcl {

namespace {

TFieldType TypeFromName(const std::string& typeName)
{
    const std::string t = text::Lower(text::Trim(typeName));
    if (t == "int" || t == "integer" || t == "int4")
        return ftInteger;
    if (t == "smallint" || t == "int2")
        return ftSmallint;
    if (t == "bigint" || t == "int8")
        return ftLargeint;
    if (t == "bool" || t == "boolean")
        return ftBoolean;
    if (t == "real" || t == "double precision" || t == "float" || t == "double")
        return ftFloat;
    return ftString;
}

std::vector<std::string> SplitComma(const std::string& s)
{
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= s.size()) {
        size_t end = s.find(',', start);
        if (end == std::string::npos)
            end = s.size();
        std::string item = text::Trim(s.substr(start, end - start));
        if (!item.empty())
            out.push_back(item);
        start = end + 1;
    }
    return out;
}

constexpr const char* kSavepoint = "wardlock_proc";

} // namespace

struct TStoredProc::Definition {
    struct Param {
        std::string name;
        TFieldType type;
        std::string sqlType; // PostgreSQL type for the call's casts
    };
    TSqlEngine engine = TSqlEngine::None;
    std::string callName;
    std::vector<Param> params;
    bool returnsRows = false;
    std::vector<std::string> steps; // SQLite
};

TStoredProc::TStoredProc(TComponent* owner)
    : TDBDataSet(owner)
{
}

TStoredProc::~TStoredProc()
{
    CloseWithoutEvents();
    ReleaseStatements();
}

void TStoredProc::SetStoredProcName(const std::string& name)
{
    if (name == procName_)
        return;
    CheckInactive();
    procName_ = name;
    definition_.reset();
    prepared_ = false;
}

void TStoredProc::ReleaseStatements()
{
    result_.reset();
    definition_.reset();
    prepared_ = false;
}

TParams& TStoredProc::Params()
{
    if (!definition_ && !procName_.empty())
        Define();
    return params_;
}

void TStoredProc::Prepare()
{
    Define();
    prepared_ = true;
}

void TStoredProc::Unprepare()
{
    if (Active())
        Close();
    prepared_ = false;
}

void TStoredProc::SetPrepared(bool prepared)
{
    if (prepared)
        Prepare();
    else
        Unprepare();
}

const TStoredProc::Definition& TStoredProc::Define()
{
    TCustomConnection& conn = RequireConnection();
    if (definition_ && definition_->engine == conn.Engine())
        return *definition_;
    if (procName_.empty())
        DatabaseError("No stored procedure name given");
    QSqlDatabase db = QSqlDatabase::database(conn.QtConnectionName(), false);
    auto def = std::make_unique<Definition>();
    def->engine = conn.Engine();
    const QString name = QString::fromStdString(procName_);
    if (conn.Engine() == TSqlEngine::PostgreSQL) {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        q.prepare(QStringLiteral(
            "SELECT p.proname, p.proretset, format_type(p.prorettype, NULL), "
            "array_to_string(p.proargnames, ','), array_to_string(p.proargmodes, ','), "
            "(SELECT string_agg(format_type(t, NULL), ',' ORDER BY o) "
            "   FROM unnest(p.proargtypes::oid[]) WITH ORDINALITY AS u(t, o)) "
            "FROM pg_proc p WHERE p.proname IN (?, lower(?)) AND pg_function_is_visible(p.oid) "
            "ORDER BY p.proname = ? DESC, p.oid LIMIT 1"));
        q.bindValue(0, name);
        q.bindValue(1, name);
        q.bindValue(2, name);
        if (!q.exec())
            DatabaseError(text::ErrorText(q.lastError()));
        if (!q.next())
            DatabaseError("Stored procedure '" + procName_ + "' not found");
        def->callName = q.value(0).toString().toStdString();
        const bool returnsSet = q.value(1).toBool();
        const std::string returnType = q.value(2).toString().toStdString();
        const auto names = SplitComma(q.value(3).toString().toStdString());
        const auto modes = SplitComma(q.value(4).toString().toStdString());
        // format_type names contain no commas except in numeric(p,s), which
        // procedures of the system do not use.
        const auto types = SplitComma(q.value(5).toString().toStdString());
        size_t typeIndex = 0;
        for (size_t i = 0; i < std::max(names.size(), types.size()); ++i) {
            const std::string mode = i < modes.size() ? modes[i] : "i";
            if (mode != "i" && mode != "b" && mode != "v")
                continue; // output or table columns
            if (typeIndex >= types.size())
                break;
            Definition::Param p;
            p.name = i < names.size() ? names[i] : "Param" + std::to_string(typeIndex + 1);
            p.sqlType = types[typeIndex++];
            p.type = TypeFromName(p.sqlType);
            def->params.push_back(p);
        }
        def->returnsRows = returnsSet || returnType != "void";
    } else {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        q.prepare(QStringLiteral("SELECT Params, ReturnsRows FROM SecProcedures WHERE Name = ?"));
        q.bindValue(0, name);
        if (!q.exec())
            DatabaseError(
                "Stored procedure '" + procName_ + "' not found: " + text::ErrorText(q.lastError()));
        if (!q.next())
            DatabaseError("Stored procedure '" + procName_ + "' not found");
        def->callName = procName_;
        for (const auto& decl : SplitComma(q.value(0).toString().toStdString())) {
            size_t space = decl.find_first_of(" \t");
            Definition::Param p;
            p.name = decl.substr(0, space);
            p.sqlType = space == std::string::npos ? "text" : text::Trim(decl.substr(space));
            p.type = TypeFromName(p.sqlType);
            def->params.push_back(p);
        }
        def->returnsRows = q.value(1).toInt() != 0;
        q.finish();
        QSqlQuery steps(db);
        steps.setForwardOnly(true);
        steps.prepare(
            QStringLiteral("SELECT Statement FROM SecProcedureSteps WHERE Name = ? ORDER BY Step"));
        steps.bindValue(0, name);
        if (!steps.exec())
            DatabaseError(text::ErrorText(steps.lastError()));
        while (steps.next())
            def->steps.push_back(steps.value(0).toString().toStdString());
        if (def->steps.empty())
            DatabaseError("Stored procedure '" + procName_ + "' has no steps");
    }
    TParams fresh;
    for (const auto& p : def->params)
        fresh.CreateParam(p.type, p.name);
    fresh.AssignValues(params_);
    for (int i = 0; i < fresh.Count(); ++i)
        fresh[i].SetDataType(def->params[static_cast<size_t>(i)].type);
    params_ = std::move(fresh);
    definition_ = std::move(def);
    return *definition_;
}

void TStoredProc::Run(bool wantRows)
{
    const Definition& def = Define();
    TCustomConnection& conn = RequireConnection();
    QSqlDatabase db = QSqlDatabase::database(conn.QtConnectionName(), false);
    for (int i = 0; i < params_.Count(); ++i)
        if (!params_[i].Bound())
            DatabaseError("No value for parameter '" + params_[i].Name() + "'");
    result_.reset();
    if (def.engine == TSqlEngine::PostgreSQL) {
        QStringList args;
        for (const auto& p : def.params)
            args << QStringLiteral("?::") + QString::fromStdString(p.sqlType);
        const QString call = QString::fromStdString(def.callName) + u'(' + args.join(u", ") + u')';
        auto q = std::make_unique<QSqlQuery>(db);
        q->setForwardOnly(true);
        if (!q->prepare(def.returnsRows ? QStringLiteral("SELECT * FROM ") + call
                                        : QStringLiteral("SELECT ") + call))
            DatabaseError(text::ErrorText(q->lastError()));
        for (int i = 0; i < params_.Count(); ++i)
            q->bindValue(i, sql::BindValue(params_[i], def.engine));
        if (!q->exec())
            DatabaseError(text::ErrorText(q->lastError()));
        if (wantRows)
            result_ = std::move(q);
        return;
    }
    // SQLite: the steps in order inside a savepoint, so a failing step leaves
    // nothing behind.
    auto control = [&](const QString& sql) {
        QSqlQuery c(db);
        if (!c.exec(sql))
            DatabaseError(text::ErrorText(c.lastError()));
    };
    control(QStringLiteral("SAVEPOINT ") + QLatin1String(kSavepoint));
    savepointOpen_ = true;
    try {
        for (size_t s = 0; s < def.steps.size(); ++s) {
            const bool last = s + 1 == def.steps.size();
            sql::Translated t = sql::Translate(def.steps[s], params_, def.engine);
            auto q = std::make_unique<QSqlQuery>(db);
            q->setForwardOnly(true);
            if (!q->prepare(t.text))
                DatabaseError("Step " + std::to_string(s + 1) + " of " + procName_ + ": "
                    + text::ErrorText(q->lastError()));
            for (size_t i = 0; i < t.binds.size(); ++i)
                q->bindValue(static_cast<int>(i), sql::BindValue(params_[t.binds[i]], def.engine));
            if (!q->exec())
                DatabaseError("Step " + std::to_string(s + 1) + " of " + procName_ + ": "
                    + text::ErrorText(q->lastError()));
            if (last && wantRows && def.returnsRows) {
                result_ = std::move(q);
                return; // the savepoint is released after the rows are fetched
            }
        }
    } catch (...) {
        result_.reset();
        QSqlQuery c(db);
        c.exec(QStringLiteral("ROLLBACK TO ") + QLatin1String(kSavepoint));
        c.exec(QStringLiteral("RELEASE ") + QLatin1String(kSavepoint));
        savepointOpen_ = false;
        throw;
    }
    savepointOpen_ = false;
    control(QStringLiteral("RELEASE ") + QLatin1String(kSavepoint));
}

void TStoredProc::ExecProc()
{
    CheckInactive();
    Run(false);
}

QSqlQuery* TStoredProc::ExecuteForOpen()
{
    const Definition& def = Define();
    if (!def.returnsRows)
        DatabaseError("Stored procedure '" + procName_ + "' returns no rows");
    Run(true);
    return result_.get();
}

void TStoredProc::AfterFetch()
{
    result_.reset();
    if (savepointOpen_) {
        savepointOpen_ = false;
        if (TCustomConnection* conn = ActiveConnection()) {
            QSqlQuery c(QSqlDatabase::database(conn->QtConnectionName(), false));
            if (!c.exec(QStringLiteral("RELEASE ") + QLatin1String(kSavepoint)))
                DatabaseError(text::ErrorText(c.lastError()));
        }
    }
}

} // namespace vcl
