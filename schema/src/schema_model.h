#pragma once
// What a security database must hold, as the other libraries rely on it: the
// tables and columns, the saved queries and their columns, the procedures and
// their declared parameters. The check of a database compares against this.

#include "security_db.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace Security::Schema {

struct ExpectedRelation {
    QString name;
    QStringList columns;
};

struct ExpectedProcedure {
    QString name;
    QString params; // declared parameters in order, as in SecProcedures.Params
    bool returnsRows;
};

// The tables of the engine (SQLite adds the two procedure tables).
QList<ExpectedRelation> ExpectedTables(Engine engine);
// The saved queries without parameters (views).
QList<ExpectedRelation> ExpectedViews();
// The ten procedures and the four parameterised saved queries.
QList<ExpectedProcedure> ExpectedProcedures();
// What password storage and throttling add: the table and view, the
// procedures.
QList<ExpectedRelation> ExpectedLoginGuardRelations();
QList<ExpectedProcedure> ExpectedLoginGuardProcedures();

} // namespace Security::Schema
