#include "schema_model.h"
#include "security_db.h"

#include <QSqlQuery>
#include <QSqlRecord>

#include <optional>

namespace Security::Schema {

namespace {

void CheckRelations(Connection& connection, const QList<ExpectedRelation>& expected,
    const QString& kind, QStringList& problems)
{
    for (const ExpectedRelation& relation : expected) {
        const std::optional<QStringList> columns = ColumnsOf(connection, relation.name);
        if (!columns) {
            problems << QStringLiteral("missing %1 %2").arg(kind, relation.name);
            continue;
        }
        for (const QString& column : relation.columns)
            if (!columns->contains(column, Qt::CaseInsensitive))
                problems
                    << QStringLiteral("%1 %2 lacks column %3").arg(kind, relation.name, column);
    }
}

QString Describe(const QList<ProcedureParam>& params)
{
    QStringList items;
    for (const ProcedureParam& param : params)
        items << param.name + u' ' + param.type;
    return items.join(QStringLiteral(", "));
}

bool SameParams(const QList<ProcedureParam>& a, const QList<ProcedureParam>& b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i)
        if (a[i].name.compare(b[i].name, Qt::CaseInsensitive) != 0 || a[i].type != b[i].type)
            return false;
    return true;
}

void CheckProcedures(
    Connection& connection, const QList<ExpectedProcedure>& procedures, QStringList& problems)
{
    for (const ExpectedProcedure& procedure : procedures) {
        QList<ProcedureParam> declared;
        try {
            declared = DeclaredParams(connection, procedure.name);
        } catch (const SchemaError&) {
            problems << QStringLiteral("missing procedure %1").arg(procedure.name);
            continue;
        }
        // The expected list goes through the same parser as the stored one.
        QList<ProcedureParam> expected;
        for (const QString& item : procedure.params.split(QStringLiteral(", "))) {
            const QStringList parts = item.split(u' ');
            expected.append({ parts[0], parts[1] });
        }
        if (!SameParams(declared, expected))
            problems << QStringLiteral("procedure %1 declares (%2), expected (%3)")
                            .arg(procedure.name, Describe(declared), procedure.params);
        if (connection.engine() == Engine::SQLite) {
            const Rows info = Select(connection,
                QStringLiteral("SELECT ReturnsRows, (SELECT COUNT(*) FROM "
                               "SecProcedureSteps s WHERE s.Name = p.Name) "
                               "FROM SecProcedures p WHERE p.Name = ?"),
                { procedure.name });
            if (info.rows[0][1].toInt() == 0)
                problems << QStringLiteral("procedure %1 has no steps").arg(procedure.name);
            if ((info.rows[0][0].toInt() == 1) != procedure.returnsRows)
                problems << QStringLiteral("procedure %1 should %2 rows")
                                .arg(procedure.name,
                                    procedure.returnsRows ? QStringLiteral("return")
                                                          : QStringLiteral("return no"));
        }
    }
}

// The administration fills values by walking a group's rows in step with the
// forms and parameters: every group needs exactly one row for each.
void CheckGroupRows(Connection& connection, QStringList& problems)
{
    struct Pair {
        const char* owner;
        const char* table;
        const char* key;
        const char* what;
    };
    const Pair pairs[] = { { "Forms", "GroupRights", "FormID", "rights row for form" },
        { "Params", "GroupParams", "ParamID", "value row for parameter" } };
    for (const Pair& pair : pairs) {
        const Rows missing = Select(connection,
            QStringLiteral("SELECT Groups.Name, %1.Name FROM Groups CROSS JOIN %1 "
                           "WHERE NOT EXISTS (SELECT 1 FROM %2 r WHERE r.GroupID = "
                           "Groups.GroupID AND r.%3 = %1.%3) "
                           "ORDER BY Groups.Name, %1.Name")
                .arg(
                    QLatin1String(pair.owner), QLatin1String(pair.table), QLatin1String(pair.key)));
        for (const QVariantList& row : missing.rows)
            problems << QStringLiteral("group %1 has no %2 %3")
                            .arg(row[0].toString(), QLatin1String(pair.what), row[1].toString());
    }
}

} // namespace

// The columns of a table or view, or nothing when there is none of that name.
// PostgreSQL is asked through its catalog, so that a missing relation does not
// spoil a surrounding transaction; SQLite is probed.
std::optional<QStringList> ColumnsOf(Connection& connection, const QString& relation)
{
    QStringList columns;
    if (connection.engine() == Engine::PostgreSQL) {
        const Rows rows = Select(connection,
            QStringLiteral("SELECT a.attname FROM pg_attribute a "
                           "JOIN pg_class c ON c.oid = a.attrelid "
                           "WHERE c.relname = lower(?) AND c.relkind IN "
                           "('r', 'v') AND pg_table_is_visible(c.oid) "
                           "AND a.attnum > 0 AND NOT a.attisdropped "
                           "ORDER BY a.attnum"),
            { relation });
        if (rows.rows.isEmpty())
            return std::nullopt;
        for (const QVariantList& row : rows.rows)
            columns << row[0].toString();
        return columns;
    }
    QSqlQuery query(connection.Database());
    if (!query.exec(QStringLiteral("SELECT * FROM %1 WHERE 1 = 0").arg(relation)))
        return std::nullopt;
    const QSqlRecord record = query.record();
    for (int i = 0; i < record.count(); ++i)
        columns << record.fieldName(i);
    return columns;
}

bool HasPasswordHashColumn(Connection& connection)
{
    const std::optional<QStringList> columns = ColumnsOf(connection, QStringLiteral("Users"));
    return columns && columns->contains(QStringLiteral("PasswordHash"), Qt::CaseInsensitive);
}

QStringList CheckDatabase(Connection& connection)
{
    QStringList problems;
    CheckRelations(
        connection, ExpectedTables(connection.engine()), QStringLiteral("table"), problems);
    const bool tablesPresent = problems.isEmpty();
    CheckRelations(connection, ExpectedViews(), QStringLiteral("view"), problems);
    if (connection.engine() == Engine::PostgreSQL || tablesPresent)
        CheckProcedures(connection, ExpectedProcedures(), problems);
    if (!tablesPresent)
        return problems;
    // Password storage and throttling: all of it once the column is there.
    if (HasPasswordHashColumn(connection)) {
        CheckRelations(
            connection, ExpectedLoginGuardRelations(), QStringLiteral("relation"), problems);
        CheckProcedures(connection, ExpectedLoginGuardProcedures(), problems);
    }

    const QVariant signature
        = connection.Scalar(QStringLiteral("SELECT FValue FROM SecurityParams WHERE Name = ?"),
            { QString::fromLatin1(kSignatureName) });
    if (!signature.isValid())
        problems << QStringLiteral("missing the signature row %1 of SecurityParams")
                        .arg(QLatin1String(kSignatureName));
    else if (signature.toString() != QLatin1String(kSignatureValue))
        problems << QStringLiteral("the signature row %1 of SecurityParams holds a wrong value")
                        .arg(QLatin1String(kSignatureName));

    if (connection.engine() == Engine::SQLite) {
        // Rows written while foreign keys were off.
        const Rows broken = Select(connection, QStringLiteral("PRAGMA foreign_key_check"));
        for (const QVariantList& row : broken.rows)
            problems << QStringLiteral("row %1 of %2 refers to a missing row of %3")
                            .arg(row[1].toString(), row[0].toString(), row[2].toString());
    }
    CheckGroupRows(connection, problems);
    return problems;
}

} // namespace Security::Schema
