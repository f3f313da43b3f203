#pragma once
// Passwords that need not stand on the command line, where every user of the
// machine can read them: each password NAME of the tool also comes as
// --NAME-env VAR (the value of an environment variable) or --NAME-stdin (one
// line of standard input; several such come one line each, in the order the
// names are declared).

#include "security_db.h"

#include <QByteArray>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace Security::Schema {

class PasswordInput {
public:
    // Declares --NAME-env and --NAME-stdin on `parser` for each of `names`.
    PasswordInput(QCommandLineParser& parser, const QStringList& names);

    // The options declared for `name`.
    QList<QCommandLineOption> Options(const QString& name) const;

    // How many ways `name` is given: `directly` (on the command line), from
    // the environment, from standard input. More than one is a usage error.
    int SourceCount(const QString& name, bool directly) const;

    // The password `name` from the environment or standard input, nothing
    // when neither is asked for. Throws SchemaError when the variable is not
    // set or standard input holds no line for it.
    std::optional<QByteArray> Value(const QString& name);

private:
    void ReadStandardInput();

    QCommandLineParser& parser_;
    QStringList names_;
    QMap<QString, QByteArray> stdinLines_;
    bool stdinRead_ = false;
};

} // namespace Security::Schema
