#include "pg_sql.h"

namespace Security::Schema {

QString FormatOnServer(Connection& connection, const QString& pattern, const QVariantList& values)
{
    QStringList markers;
    for (qsizetype i = 0; i < values.size(); ++i)
        markers << QStringLiteral("CAST(? AS text)");
    return connection
        .Scalar(QStringLiteral("SELECT format(CAST(? AS text), %1)").arg(markers.join(u',')),
            QVariantList { pattern } + values)
        .toString();
}

void ExecFormatted(Connection& connection, const QString& pattern, const QVariantList& values)
{
    connection.Exec(FormatOnServer(connection, pattern, values));
}

} // namespace Security::Schema
