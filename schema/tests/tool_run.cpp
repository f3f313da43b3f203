#include "tool_run.h"

#include "schema_fixture.h"

#include <QCoreApplication>
#include <QProcess>

namespace Security::Schema::Testing {

ToolRun RunTool(
    const QStringList& arguments, const QByteArray& input, const QProcessEnvironment& environment)
{
    QProcess process;
    if (!environment.isEmpty())
        process.setProcessEnvironment(environment);
    process.start(QStringLiteral(WARDSCHEMA_TOOL), arguments);
    ToolRun run;
    if (!process.waitForStarted(30000)) {
        ADD_FAILURE() << "wardschema did not start: " << process.errorString().toStdString();
        return run;
    }
    run.pid = process.processId();
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000)) {
        ADD_FAILURE() << "wardschema did not finish: " << process.errorString().toStdString();
        process.kill();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QString PgConnectionText(const PgConnInfo& info, const QString& dbname)
{
    return QStringLiteral("host=%1 port=%2 dbname=%3 user=%4")
        .arg(info.host)
        .arg(info.port)
        .arg(dbname, info.user);
}

QString RoleName(const char* prefix)
{
    return QStringLiteral("%1_%2")
        .arg(QLatin1String(prefix))
        .arg(QCoreApplication::applicationPid());
}

void DropRoles(const QStringList& roles)
{
    Connection server = Connection::OpenPostgreSQL(*TestServer());
    for (const QString& role : roles)
        server.Exec(QStringLiteral("DROP ROLE IF EXISTS \"%1\"").arg(role));
}

bool DatabaseExists(const QString& name)
{
    Connection server = Connection::OpenPostgreSQL(*TestServer());
    return server.Scalar(QStringLiteral("SELECT 1 FROM pg_database WHERE datname = ?"), { name })
        .isValid();
}

QString StoredPassword(const QString& role)
{
    Connection server = Connection::OpenPostgreSQL(*TestServer());
    return server
        .Scalar(QStringLiteral("SELECT rolpassword FROM pg_authid WHERE rolname = ?"), { role })
        .toString();
}

} // namespace Security::Schema::Testing
