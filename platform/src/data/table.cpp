#include "wardlock/data/table.h"

#include "text_util.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace vcl {

namespace {

bool IsPlainName(const std::string& name)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return plain.match(QString::fromStdString(name)).hasMatch();
}

} // namespace

TTable::TTable(TComponent* owner)
    : TDBDataSet(owner)
{
}

TTable::~TTable()
{
    CloseWithoutEvents();
    query_.reset();
}

void TTable::SetTableName(const std::string& name)
{
    CheckInactive();
    if (!name.empty() && !IsPlainName(name))
        DatabaseError("Invalid table name '" + name + "'");
    tableName_ = name;
    query_.reset();
}

void TTable::SetIndexFieldNames(const std::string& names)
{
    CheckInactive();
    for (const auto& name : text::SplitFieldList(names))
        if (!IsPlainName(name))
            DatabaseError("Invalid index field name '" + name + "'");
    indexFieldNames_ = names;
}

std::string TTable::SelectText() const
{
    std::string text = "select " + tableName_ + ".*";
    const std::string extra = ExtraColumns();
    if (!extra.empty())
        text += ", " + extra;
    text += " from " + tableName_;
    std::string order;
    for (const auto& name : text::SplitFieldList(indexFieldNames_))
        order += (order.empty() ? " order by " : ", ") + name;
    return text + order;
}

QSqlQuery* TTable::ExecuteForOpen()
{
    if (tableName_.empty())
        DatabaseError("No table name given");
    TCustomConnection& connection = RequireConnection();
    query_
        = std::make_unique<QSqlQuery>(QSqlDatabase::database(connection.QtConnectionName(), false));
    query_->setForwardOnly(true);
    if (!query_->exec(QString::fromStdString(SelectText())))
        DatabaseError(text::ErrorText(query_->lastError()));
    return query_.get();
}

void TTable::ReleaseStatements()
{
    query_.reset();
}

} // namespace vcl
