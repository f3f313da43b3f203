// wardschema: creates, fills and checks Wardlock security databases on SQLite
// and PostgreSQL.

#include "create.h"
#include "security_db.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

using namespace Security::Schema;

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

const char kUsage[]
    = "Usage:\n"
      "  wardschema create (--sqlite FILE | --pg CONNECTION) --admin-password PASSWORD [options]\n"
      "  wardschema demo   (--sqlite FILE | --pg CONNECTION) --admin-password PASSWORD [options]\n"
      "  wardschema check  (--sqlite FILE | --pg CONNECTION)\n"
      "\n"
      "create  makes a new security database: tables, saved queries, procedures, the\n"
      "        administrators' group \"Admins\" with the user \"admin\", the forms\n"
      "        \"Security\" and \"SecProjecting\", the built-in parameter types and settings.\n"
      "demo    the same, plus the demo program's users, groups, forms and parameters.\n"
      "check   reports what a database lacks to be a security database.\n"
      "\n"
      "CONNECTION is a PostgreSQL connection text, e.g.\n"
      "  \"host=localhost port=5432 dbname=security user=postgres password=secret\"\n"
      "The named database is created; the user must be allowed to create databases\n"
      "and roles.\n"
      "\n"
      "Options:\n"
      "  --force                    replace an existing database\n"
      "  --admin-password PASSWORD  password of the user \"admin\" (1 to 16 bytes)\n"
      "  --runtime-role NAME        PostgreSQL role that may only read, for the\n"
      "                             programs' login (default SecurityCheck)\n"
      "  --runtime-password PW      its password (default KDplenovit)\n"
      "  --admin-role NAME          role the administration module connects with\n"
      "                             (default wardadmin); stored in the database\n"
      "  --admin-role-password PW   its password, stored encoded (1 to 16 bytes;\n"
      "                             default: a random one, for a new role)\n"
      "  --prog-id TEXT             the \"ProgID\" setting (default Torvane.Wardlock)\n"
      "  --reset-role-passwords     give roles that exist already the passwords above\n"
      "Roles belong to the whole PostgreSQL server and may serve other databases.\n"
      "An existing role is used as it is: its password is kept unless\n"
      "--reset-role-passwords is given. A role with more rights than its use is\n"
      "refused: a superuser, or one that may create roles or databases, bypass\n"
      "row-level security or replicate; for the runtime role also a member of other\n"
      "roles or the owner of any object.\n"
      "\n"
      "Exit status: 0 done, 1 failed (nothing was changed), 2 wrong command line.\n";

QTextStream& Err()
{
    static QTextStream stream(stderr);
    return stream;
}

int UsageError(const QString& message)
{
    Err() << "wardschema: " << message << "\n"
          << "Run \"wardschema --help\" for the usage.\n";
    Err().flush();
    return kExitUsage;
}

int Failed(const QString& message)
{
    Err() << "wardschema: " << message << "\n";
    Err().flush();
    return kExitFailed;
}

// A statement that failed inside a PostgreSQL transaction can only be released
// by the rollback; Qt's warning about it would stand before the real message.
void QuietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.startsWith(QStringLiteral("Unable to free statement")))
        return;
    Err() << qFormatLogMessage(type, context, message) << "\n";
    Err().flush();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(QuietMessages);
    QCoreApplication::setApplicationName(QStringLiteral("wardschema"));

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList { QStringLiteral("help"), QStringLiteral("h") });
    const QCommandLineOption sqlite(QStringLiteral("sqlite"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption pg(QStringLiteral("pg"), QString(), QStringLiteral("CONNECTION"));
    const QCommandLineOption force(QStringLiteral("force"));
    const QCommandLineOption adminPassword(
        QStringLiteral("admin-password"), QString(), QStringLiteral("PASSWORD"));
    const QCommandLineOption runtimeRole(
        QStringLiteral("runtime-role"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption runtimePassword(
        QStringLiteral("runtime-password"), QString(), QStringLiteral("PW"));
    const QCommandLineOption adminRole(
        QStringLiteral("admin-role"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption adminRolePassword(
        QStringLiteral("admin-role-password"), QString(), QStringLiteral("PW"));
    const QCommandLineOption progId(QStringLiteral("prog-id"), QString(), QStringLiteral("TEXT"));
    const QCommandLineOption resetRolePasswords(QStringLiteral("reset-role-passwords"));
    const QList<QCommandLineOption> createOnly = { force, adminPassword, runtimeRole,
        runtimePassword, adminRole, adminRolePassword, progId, resetRolePasswords };
    parser.addOptions({ help, sqlite, pg });
    parser.addOptions(createOnly);
    if (!parser.parse(QCoreApplication::arguments()))
        return UsageError(parser.errorText());
    if (parser.isSet(help)) {
        QTextStream(stdout) << kUsage;
        return 0;
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return UsageError(positional.isEmpty()
                ? QStringLiteral("no command given (create, demo or check)")
                : QStringLiteral("unexpected argument \"%1\"").arg(positional[1]));
    const QString command = positional[0];
    if (command != u"create" && command != u"demo" && command != u"check")
        return UsageError(QStringLiteral("unknown command \"%1\"").arg(command));
    if (parser.isSet(sqlite) == parser.isSet(pg))
        return UsageError(QStringLiteral("give exactly one of --sqlite FILE and --pg CONNECTION"));
    for (const QStringList& names : { sqlite.names(), pg.names() })
        if (parser.values(names[0]).size() > 1)
            return UsageError(QStringLiteral("--%1 is given more than once").arg(names[0]));

    try {
        const Engine engine = parser.isSet(sqlite) ? Engine::SQLite : Engine::PostgreSQL;
        PgConnInfo info;
        if (engine == Engine::PostgreSQL)
            info = ParsePgConnInfo(parser.value(pg));
        const QString target = engine == Engine::SQLite
            ? parser.value(sqlite)
            : QStringLiteral("PostgreSQL database \"%1\"").arg(info.dbname);

        if (command == u"check") {
            for (const QCommandLineOption& option : createOnly)
                if (parser.isSet(option))
                    return UsageError(
                        QStringLiteral("--%1 does not apply to check").arg(option.names().first()));
            if (engine == Engine::PostgreSQL && info.dbname.isEmpty())
                return UsageError(
                    QStringLiteral("the connection text names no database (dbname=...)"));
            Connection connection = engine == Engine::SQLite
                ? Connection::OpenSQLite(target, false, true)
                : Connection::OpenPostgreSQL(info);
            const QStringList problems = CheckDatabase(connection);
            if (!problems.isEmpty())
                return Failed(QStringLiteral("%1 is not a complete security database:\n  %2")
                                  .arg(target, problems.join(QStringLiteral("\n  "))));
            QTextStream(stdout) << target << ": a complete security database\n";
            return 0;
        }

        if (!parser.isSet(adminPassword))
            return UsageError(QStringLiteral("--admin-password is required"));
        CreateOptions options;
        options.engine = engine;
        options.sqliteFile = parser.value(sqlite);
        options.pg = info;
        options.adminPassword = parser.value(adminPassword).toUtf8();
        options.force = parser.isSet(force);
        options.demo = command == u"demo";
        if (parser.isSet(runtimeRole))
            options.runtimeRole = parser.value(runtimeRole);
        if (parser.isSet(runtimePassword))
            options.runtimePassword = parser.value(runtimePassword).toUtf8();
        if (parser.isSet(adminRole))
            options.adminRole = parser.value(adminRole);
        if (parser.isSet(adminRolePassword))
            options.adminRolePassword = parser.value(adminRolePassword).toUtf8();
        if (parser.isSet(progId))
            options.progId = parser.value(progId);
        options.resetRolePasswords = parser.isSet(resetRolePasswords);
        if (engine == Engine::SQLite
            && (parser.isSet(runtimeRole) || parser.isSet(runtimePassword)
                || parser.isSet(resetRolePasswords)))
            return UsageError(QStringLiteral("--runtime-role, --runtime-password and "
                                             "--reset-role-passwords apply to PostgreSQL only"));

        const QStringList notes = CreateSecurityDatabase(options);
        QTextStream out(stdout);
        out << "created " << target << (options.demo ? " with the demo data" : "") << "\n";
        if (engine == Engine::PostgreSQL)
            out << "roles: " << options.runtimeRole << " (read only), " << options.adminRole
                << " (administration)\n";
        for (const QString& note : notes)
            out << note << "\n";
        return 0;
    } catch (const SchemaError& error) {
        return Failed(error.Message());
    }
}
