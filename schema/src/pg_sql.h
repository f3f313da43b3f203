#pragma once
// Statements PostgreSQL cannot take parameters in (roles, databases,
// privileges): names and texts are quoted by the server's own format() (%I a
// name, %L a text), exactly as the server reads them back.

#include "security_db.h"

namespace Security::Schema {

// `pattern` with its %I and %L filled from `values`, quoted by the server.
QString FormatOnServer(Connection& connection, const QString& pattern, const QVariantList& values);

// Runs `pattern` filled as above.
void ExecFormatted(Connection& connection, const QString& pattern, const QVariantList& values);

} // namespace Security::Schema
