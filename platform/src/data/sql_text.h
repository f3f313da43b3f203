#pragma once
// Statement text handling (private): parameter markers, positional binding,
// dialect rewrites.

#include "wardlock/data/connection.h"
#include "wardlock/data/params.h"

#include <QString>

#include <string>
#include <vector>

namespace vcl::sql {

// The distinct ":Name" parameter names in order of first appearance.
std::vector<std::string> ParamNames(const std::string& sql);

// A statement ready for QSqlQuery::prepare: '?' markers, and for each marker
// the index of the parameter it takes.
struct Translated {
    QString text;
    std::vector<int> binds;
};

// Replaces ":Name" markers (or, when there are none and `params` is not
// empty, the positional markers '?' and "p" + name) by '?', applies the
// dialect's rewrites and drops a trailing ';'. Throws EDatabaseError for a
// marker naming no parameter or more '?' than parameters.
Translated Translate(const std::string& sql, const TParams& params, TSqlEngine engine);

// The value to bind for a parameter on the engine (typed for the driver).
QVariant BindValue(const TParam& param, TSqlEngine engine);
// The same for a plain value (no declared type).
QVariant BindValue(
    const QVariant& value, TFieldType type, TSqlEngine engine, const std::string& name);

// Single-table select analysis for live results: the table name, or "" when
// the statement is not a plain select from one table.
std::string SingleTable(const std::string& sql);

} // namespace vcl::sql
