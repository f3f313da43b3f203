#include "pg_conninfo.h"

#include "security_db.h"

#include <QSet>

namespace Security::Schema {

namespace {

// A value as libpq reads it back whole: in quotes, backslashes and quotes
// escaped with a backslash.
QString LibpqQuoted(QString value)
{
    value.replace(u'\\', QStringLiteral("\\\\"));
    value.replace(u'\'', QStringLiteral("\\'"));
    return u'\'' + value + u'\'';
}

} // namespace

PgConnInfo ParsePgConnInfo(const QString& text)
{
    PgConnInfo info;
    QSet<QString> seen;
    qsizetype i = 0;
    const qsizetype size = text.size();
    auto skipSpaces = [&] {
        while (i < size && text[i].isSpace())
            ++i;
    };
    skipSpaces();
    while (i < size) {
        const qsizetype keyStart = i;
        while (i < size && text[i] != u'=' && !text[i].isSpace())
            ++i;
        const QString key = text.mid(keyStart, i - keyStart);
        skipSpaces();
        if (key.isEmpty() || i >= size || text[i] != u'=')
            throw SchemaError(QStringLiteral("malformed PostgreSQL connection text near \"%1\": "
                                             "expected key=value pairs, e.g. \"host=localhost "
                                             "port=5432 dbname=security user=postgres\"")
                                  .arg(text.mid(keyStart, 20)));
        ++i; // '='
        skipSpaces();
        QString value;
        if (i < size && text[i] == u'\'') {
            // Quoted value: backslash escapes the next character.
            ++i;
            bool closed = false;
            while (i < size) {
                if (text[i] == u'\\' && i + 1 < size) {
                    value += text[i + 1];
                    i += 2;
                } else if (text[i] == u'\'') {
                    ++i;
                    closed = true;
                    break;
                } else {
                    value += text[i++];
                }
            }
            if (!closed)
                throw SchemaError(
                    QStringLiteral("unterminated quoted value of \"%1\" in the PostgreSQL "
                                   "connection text")
                        .arg(key));
        } else {
            while (i < size && !text[i].isSpace())
                value += text[i++];
        }
        if (seen.contains(key))
            throw SchemaError(
                QStringLiteral("\"%1\" is given twice in the PostgreSQL connection text").arg(key));
        seen.insert(key);
        if (key == u"host" || key == u"hostaddr") {
            info.host = value;
        } else if (key == u"port") {
            bool ok = false;
            info.port = value.toInt(&ok);
            if (!ok || info.port <= 0 || info.port > 65535)
                throw SchemaError(QStringLiteral("port \"%1\" is not a port number").arg(value));
        } else if (key == u"dbname") {
            info.dbname = value;
        } else if (key == u"user") {
            info.user = value;
        } else if (key == u"password") {
            info.password = value;
        } else {
            // Qt's driver turns every ';' of these into a blank.
            if (value.contains(u';'))
                throw SchemaError(QStringLiteral("the value of \"%1\" in the PostgreSQL "
                                                 "connection text cannot hold ';'")
                                      .arg(key));
            info.otherOptions << key + u'=' + LibpqQuoted(value);
        }
        skipSpaces();
    }
    return info;
}

} // namespace Security::Schema
