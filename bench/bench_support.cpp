#include "bench_support.h"

#include <wardlock/platform/settings.h>
#include <wardlock/security.h>

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QSqlError>

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

extern char** environ;

namespace bench {

namespace {
const char* const kSandboxVariable = "WARDLOCK_BENCH_SANDBOX";
} // namespace

std::string SandboxFolder()
{
    const char* folder = std::getenv(kSandboxVariable);
    return folder ? folder : "";
}

int RunInSandbox(char** argv)
{
    char pattern[] = "/tmp/wardlock-bench.XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string folder = pattern;
    vcl::SetSettingsFolders(folder + "/system", folder + "/user");
    {
        vcl::TRegistry registry(vcl::TRootKey::LocalMachine);
        registry.OpenKey("\\Software\\Torvane\\Wardlock\\DBProviders", true);
        registry.WriteString("Torvane:BDE", "wardbde.dll");
    }
    setenv("WARDLOCK_SYSTEM_CONFIG", (folder + "/system").c_str(), 1);
    setenv("WARDLOCK_USER_CONFIG", (folder + "/user").c_str(), 1);
    setenv(kSandboxVariable, folder.c_str(), 1);
    pid_t child = 0;
    int status = 1;
    if (posix_spawn(&child, "/proc/self/exe", nullptr, nullptr, argv, environ) == 0
        && waitpid(child, &status, 0) >= 0)
        status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    QDir(QString::fromStdString(folder)).removeRecursively();
    return status;
}

int Main(int argc, char** argv, const std::function<void()>& beforeTeardown)
{
    if (SandboxFolder().empty())
        return RunInSandbox(argv);
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (beforeTeardown)
        beforeTeardown();
    using Security::TSecurity;
    while (!TSecurity::SecList.Empty())
        delete TSecurity::SecList.First()->Security;
    return 0;
}

void Exec(QSqlQuery& query, const QString& sql, const QVariantList& values)
{
    query.prepare(sql);
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        throw std::runtime_error(sql.toStdString() + ": " + query.lastError().text().toStdString());
}

void CreateSecurityDb(const std::string& file)
{
    QProcess tool;
    tool.start(QStringLiteral(WARDLOCK_BENCH_WARDSCHEMA),
        { "create", "--sqlite", QString::fromStdString(file), "--admin-password", kAdminPassword });
    if (!tool.waitForFinished(120000) || tool.exitCode() != 0)
        throw std::runtime_error("wardschema failed: " + tool.readAllStandardError().toStdString());
}

void AddSqliteAlias(const std::string& alias, const std::string& file)
{
    vcl::TRegistry registry(vcl::TRootKey::LocalMachine);
    registry.OpenKey("\\Software\\Torvane\\Wardlock\\Aliases\\" + alias, true);
    registry.WriteString("Driver", "QSQLITE");
    registry.WriteString("Database", file);
}

} // namespace bench
