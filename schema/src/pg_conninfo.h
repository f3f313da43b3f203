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
    QStringList otherOptions; // further key=value pairs, passed on to the driver
};

// Throws SchemaError on text that is not a list of key=value pairs, on a port
// that is not a number, and on a repeated key.
PgConnInfo ParsePgConnInfo(const QString& text);

} // namespace Security::Schema
