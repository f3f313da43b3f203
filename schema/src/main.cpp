// wardschema: creates, fills and checks Wardlock security databases on SQLite
// and PostgreSQL.

#include "create.h"
#include "login_guard.h"
#include "password_input.h"
#include "security_db.h"
#include "upgrade.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <optional>
#include <utility>

using namespace Security::Schema;

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

const char kUsage[]
    = "Usage:\n"
      "  wardschema create (--sqlite FILE | --pg CONNECTION) --admin-password PASSWORD [options]\n"
      "  wardschema demo   (--sqlite FILE | --pg CONNECTION) --admin-password PASSWORD [options]\n"
      "  wardschema upgrade (--sqlite FILE | --pg CONNECTION) [login options]\n"
      "  wardschema check  (--sqlite FILE | --pg CONNECTION) [--pg-password-env VAR |\n"
      "                    --pg-password-stdin]\n"
      "\n"
      "create  makes a new security database: tables, saved queries, procedures, the\n"
      "        administrators' group \"Admins\" with the user \"admin\", the forms\n"
      "        \"Security\" and \"SecProjecting\", the built-in parameter types and settings.\n"
      "demo    the same, plus the demo program's users, groups, forms and parameters.\n"
      "upgrade adds Argon2id password storage and failed-login throttling to an\n"
      "        existing security database (all or nothing; once there, only the login\n"
      "        options given change anything). Both stay off until switched on.\n"
      "check   reports what a database lacks to be a security database, and lists the\n"
      "        users whose password is still in the legacy form.\n"
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
      "\n"
      "Login options (create, demo and upgrade; settings of the database, which the\n"
      "administration dialog shows too):\n"
      "  --password-storage MODE    argon2id: passwords set from now on are stored as\n"
      "                             Argon2id strings; legacy: in the legacy form\n"
      "  --lock-after N             N failed logins of one user name within the lock\n"
      "                             period lock the name for the period (0: never)\n"
      "  --lock-seconds S           the lock period in seconds (default 900)\n"
      "  --force-password-change    (upgrade) users still on the legacy form must\n"
      "                             change their password at the next login\n"
      "\n"
      "Roles belong to the whole PostgreSQL server and may serve other databases.\n"
      "An existing role is used as it is: its password is kept unless\n"
      "--reset-role-passwords is given. A role with more rights than its use is\n"
      "refused: a superuser, or one that may create roles or databases, bypass\n"
      "row-level security or replicate; for the runtime role also a member of other\n"
      "roles or the owner of any object.\n"
      "\n"
      "Passwords need not stand on the command line, where other users of the\n"
      "machine can read them. Each of --admin-password, --runtime-password,\n"
      "--admin-role-password and the password of the PostgreSQL connection\n"
      "(NAME pg-password) also comes as:\n"
      "  --NAME-env VAR             the value of the environment variable VAR\n"
      "  --NAME-stdin               a line of standard input; several come one line\n"
      "                             each, in the order pg-password, admin-password,\n"
      "                             runtime-password, admin-role-password\n"
      "e.g. --admin-password-env WARD_ADMIN_PW. The connection password may also\n"
      "come from libpq's own PGPASSWORD or ~/.pgpass.\n"
      "\n"
      "Exit status: 0 done, 1 failed (nothing was changed), 2 wrong command line.\n";

// A whole number of a login option, or nothing when it is none.
std::optional<int> WholeNumber(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

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
    const QCommandLineOption passwordStorage(
        QStringLiteral("password-storage"), QString(), QStringLiteral("MODE"));
    const QCommandLineOption lockAfter(
        QStringLiteral("lock-after"), QString(), QStringLiteral("N"));
    const QCommandLineOption lockSeconds(
        QStringLiteral("lock-seconds"), QString(), QStringLiteral("S"));
    const QCommandLineOption forcePasswordChange(QStringLiteral("force-password-change"));
    const QList<QCommandLineOption> loginOptions
        = { passwordStorage, lockAfter, lockSeconds, forcePasswordChange };
    QList<QCommandLineOption> createOnly = { force, adminPassword, runtimeRole, runtimePassword,
        adminRole, adminRolePassword, progId, resetRolePasswords };
    parser.addOptions({ help, sqlite, pg });
    parser.addOptions(createOnly);
    parser.addOptions(loginOptions);
    // In this order, standard input gives one line to each -stdin option.
    const QString pgPassword = QStringLiteral("pg-password");
    const QList<QCommandLineOption> directPasswords
        = { adminPassword, runtimePassword, adminRolePassword };
    PasswordInput passwords(parser,
        { pgPassword, adminPassword.names()[0], runtimePassword.names()[0],
            adminRolePassword.names()[0] });
    for (const QCommandLineOption& option : directPasswords)
        createOnly += passwords.Options(option.names()[0]);
    if (!parser.parse(QCoreApplication::arguments()))
        return UsageError(parser.errorText());
    if (parser.isSet(help)) {
        QTextStream(stdout) << kUsage;
        return 0;
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return UsageError(positional.isEmpty()
                ? QStringLiteral("no command given (create, demo, upgrade or check)")
                : QStringLiteral("unexpected argument \"%1\"").arg(positional[1]));
    const QString command = positional[0];
    if (command != u"create" && command != u"demo" && command != u"check" && command != u"upgrade")
        return UsageError(QStringLiteral("unknown command \"%1\"").arg(command));
    if (parser.isSet(sqlite) == parser.isSet(pg))
        return UsageError(QStringLiteral("give exactly one of --sqlite FILE and --pg CONNECTION"));
    for (const QStringList& names : { sqlite.names(), pg.names() })
        if (parser.values(names[0]).size() > 1)
            return UsageError(QStringLiteral("--%1 is given more than once").arg(names[0]));

    const Engine engine = parser.isSet(sqlite) ? Engine::SQLite : Engine::PostgreSQL;
    // Each password comes one way only.
    for (const QCommandLineOption& option : directPasswords)
        if (passwords.SourceCount(option.names()[0], parser.isSet(option)) > 1)
            return UsageError(
                QStringLiteral("give the password of --%1 in one way only").arg(option.names()[0]));
    const bool pgPasswordAsked = passwords.SourceCount(pgPassword, false) > 0;
    if (engine == Engine::SQLite && pgPasswordAsked)
        return UsageError(
            QStringLiteral("--%1-env and --%1-stdin apply to PostgreSQL only").arg(pgPassword));

    try {
        PgConnInfo info;
        if (engine == Engine::PostgreSQL)
            info = ParsePgConnInfo(parser.value(pg));
        if (pgPasswordAsked && !info.password.isEmpty())
            return UsageError(QStringLiteral("the connection text holds a password already; "
                                             "give it in one way only"));
        if (const std::optional<QByteArray> password = passwords.Value(pgPassword))
            info.password = QString::fromUtf8(*password);
        const QString target = engine == Engine::SQLite
            ? parser.value(sqlite)
            : QStringLiteral("PostgreSQL database \"%1\"").arg(info.dbname);

        // The login options as settings to write.
        LoginGuardSettings loginGuard;
        if (parser.isSet(passwordStorage)) {
            const QString mode = parser.value(passwordStorage);
            if (mode != u"argon2id" && mode != u"legacy")
                return UsageError(
                    QStringLiteral("--password-storage takes argon2id or legacy, not \"%1\"")
                        .arg(mode));
            loginGuard.argon2id = mode == u"argon2id";
        }
        for (const auto& [option, value] : { std::pair { &lockAfter, &loginGuard.lockAfter },
                 std::pair { &lockSeconds, &loginGuard.lockSeconds } }) {
            if (!parser.isSet(*option))
                continue;
            *value = WholeNumber(parser.value(*option));
            if (!*value)
                return UsageError(QStringLiteral("--%1 takes a whole number, not \"%2\"")
                                      .arg(option->names()[0], parser.value(*option)));
        }

        if (command == u"check" || command == u"upgrade") {
            for (const QCommandLineOption& option : createOnly)
                if (parser.isSet(option))
                    return UsageError(QStringLiteral("--%1 does not apply to %2")
                                          .arg(option.names().first(), command));
            if (engine == Engine::PostgreSQL && info.dbname.isEmpty())
                return UsageError(
                    QStringLiteral("the connection text names no database (dbname=...)"));
        }
        if (command == u"check") {
            for (const QCommandLineOption& option : loginOptions)
                if (parser.isSet(option))
                    return UsageError(
                        QStringLiteral("--%1 does not apply to check").arg(option.names().first()));
            Connection connection = engine == Engine::SQLite
                ? Connection::OpenSQLite(target, false, true)
                : Connection::OpenPostgreSQL(info);
            QStringList problems = CheckDatabase(connection);
            // What storage and throttling need is only asked of a complete database.
            if (problems.isEmpty())
                problems = CheckLoginGuard(connection);
            if (!problems.isEmpty())
                return Failed(QStringLiteral("%1 is not a complete security database:\n  %2")
                                  .arg(target, problems.join(QStringLiteral("\n  "))));
            QTextStream out(stdout);
            out << target << ": a complete security database\n";
            const QStringList legacy = LegacyPasswordUsers(connection);
            if (!legacy.isEmpty())
                out << "users whose password is still in the legacy form: "
                    << legacy.join(QStringLiteral(", ")) << "\n";
            const QStringList without = UsersWithoutPassword(connection);
            if (!without.isEmpty())
                out << "users without a password: " << without.join(QStringLiteral(", ")) << "\n";
            return 0;
        }
        if (command == u"upgrade") {
            UpgradeOptions options;
            options.engine = engine;
            options.sqliteFile = parser.value(sqlite);
            options.pg = info;
            options.settings = loginGuard;
            options.forcePasswordChange = parser.isSet(forcePasswordChange);
            const QStringList notes = UpgradeSecurityDatabase(options);
            QTextStream out(stdout);
            out << "upgraded " << target << "\n";
            for (const QString& note : notes)
                out << note << "\n";
            return 0;
        }
        if (parser.isSet(forcePasswordChange))
            return UsageError(QStringLiteral("--force-password-change applies to upgrade only"));

        if (engine == Engine::SQLite
            && (parser.isSet(runtimeRole) || parser.isSet(resetRolePasswords)
                || passwords.SourceCount(runtimePassword.names()[0], parser.isSet(runtimePassword))
                    > 0))
            return UsageError(QStringLiteral("--runtime-role, --runtime-password and "
                                             "--reset-role-passwords apply to PostgreSQL only"));
        if (passwords.SourceCount(adminPassword.names()[0], parser.isSet(adminPassword)) == 0)
            return UsageError(QStringLiteral("--admin-password is required"));
        // A password given on the command line, or from where it says.
        auto password = [&](const QCommandLineOption& option) -> std::optional<QByteArray> {
            if (parser.isSet(option))
                return parser.value(option).toUtf8();
            return passwords.Value(option.names()[0]);
        };

        CreateOptions options;
        options.engine = engine;
        options.sqliteFile = parser.value(sqlite);
        options.pg = info;
        options.adminPassword = *password(adminPassword);
        options.force = parser.isSet(force);
        options.demo = command == u"demo";
        if (parser.isSet(runtimeRole))
            options.runtimeRole = parser.value(runtimeRole);
        if (const std::optional<QByteArray> runtime = password(runtimePassword))
            options.runtimePassword = *runtime;
        if (parser.isSet(adminRole))
            options.adminRole = parser.value(adminRole);
        options.adminRolePassword = password(adminRolePassword);
        if (parser.isSet(progId))
            options.progId = parser.value(progId);
        options.resetRolePasswords = parser.isSet(resetRolePasswords);
        options.loginGuard = loginGuard;

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
