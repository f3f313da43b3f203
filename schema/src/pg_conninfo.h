#pragma once
// The PostgreSQL connection text of the command line, "host=... port=...
// dbname=... user=... password=...", in libpq's key=value form.

#include <QString>
#include <QStringList>

namespace Security::Schema {

struct PgConnInfo {
    QString host;
    int port = -1; // -1: the driver's default
    QString dbname;
    QString user;
    QString password;
    // Further key='value' pairs for the driver, values quoted as libpq reads
    // them (none may hold ';', which Qt's driver turns into a blank).
    QStringList otherOptions;
};

// Throws SchemaError on text that is not a list of key=value pairs, on a port
// that is not a number, on a repeated key, and on a ';' in an extra value.
PgConnInfo ParsePgConnInfo(const QString& text);

} // namespace Security::Schema
