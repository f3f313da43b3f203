#include "password_input.h"

#include <QFile>

namespace Security::Schema {

namespace {

QString EnvOption(const QString& name)
{
    return name + QStringLiteral("-env");
}

QString StdinOption(const QString& name)
{
    return name + QStringLiteral("-stdin");
}

} // namespace

PasswordInput::PasswordInput(QCommandLineParser& parser, const QStringList& names)
    : parser_(parser)
    , names_(names)
{
    for (const QString& name : names) {
        parser.addOption(QCommandLineOption(EnvOption(name), QString(), QStringLiteral("VAR")));
        parser.addOption(QCommandLineOption(StdinOption(name)));
    }
}

QList<QCommandLineOption> PasswordInput::Options(const QString& name) const
{
    return { QCommandLineOption(EnvOption(name), QString(), QStringLiteral("VAR")),
        QCommandLineOption(StdinOption(name)) };
}

int PasswordInput::SourceCount(const QString& name, bool directly) const
{
    return int(directly) + int(parser_.isSet(EnvOption(name)))
        + int(parser_.isSet(StdinOption(name)));
}

std::optional<QByteArray> PasswordInput::Value(const QString& name)
{
    if (parser_.isSet(EnvOption(name))) {
        const QString variable = parser_.value(EnvOption(name));
        if (!qEnvironmentVariableIsSet(variable.toLocal8Bit().constData()))
            throw SchemaError(QStringLiteral("the environment variable %1 (--%2) is not set")
                                  .arg(variable, EnvOption(name)));
        return qgetenv(variable.toLocal8Bit().constData());
    }
    if (!parser_.isSet(StdinOption(name)))
        return std::nullopt;
    ReadStandardInput();
    if (!stdinLines_.contains(name))
        throw SchemaError(
            QStringLiteral("standard input holds no line for --%1").arg(StdinOption(name)));
    return stdinLines_.value(name);
}

// All lines at once, so that each name gets its own line whatever order the
// values are asked for in.
void PasswordInput::ReadStandardInput()
{
    if (stdinRead_)
        return;
    stdinRead_ = true;
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        return;
    for (const QString& name : names_) {
        if (!parser_.isSet(StdinOption(name)))
            continue;
        QByteArray line = input.readLine();
        if (line.isEmpty()) // the end of the input
            return;
        if (line.endsWith('\n'))
            line.chop(1);
        if (line.endsWith('\r'))
            line.chop(1);
        stdinLines_.insert(name, line);
    }
}

} // namespace Security::Schema
