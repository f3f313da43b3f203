#pragma once
// Reading SQL text: splitting a script into statements and turning named
// parameter markers (:Name) into positional ones.

#include <QString>
#include <QStringList>

namespace Security::Schema {

// Splits `script` at the semicolons that end statements. Semicolons inside
// string literals ('...'), quoted identifiers ("..."), dollar-quoted bodies
// ($$...$$, $tag$...$tag$) and comments do not split. Comments are kept in
// their statement; statements that hold only comments and blanks are dropped.
QStringList SplitSqlScript(const QString& script);

// A statement with its :Name markers replaced by '?', and the names in the
// order of their markers (a name used twice appears twice). Markers inside
// literals, quoted identifiers and comments, and PostgreSQL's "::type" casts,
// are left alone.
struct PositionalStatement {
    QString text;
    QStringList names;
};
PositionalStatement ToPositional(const QString& statement);

} // namespace Security::Schema
