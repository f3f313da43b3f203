#include "demo_environment.h"

#include <wardlock/platform/settings.h>

#include <QDir>
#include <QProcess>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace examples_test {

namespace {
const char* const kRunVariable = "WARDLOCK_EXAMPLES_RUN";
}

const std::string& RunFolder()
{
    static const std::string folder = [] {
        const char* value = std::getenv(kRunVariable);
        return std::string(value ? value : "");
    }();
    return folder;
}

std::string DemoDatabase()
{
    return RunFolder() + "/warddemo.sqlite";
}

void WriteProgramSettings(const std::string& folder, const std::string& database)
{
    vcl::SetSettingsFolders(folder, folder + "-user");
    vcl::TRegistry registry(vcl::TRootKey::LocalMachine);
    if (!registry.OpenKey("\\Software\\Torvane\\Wardlock\\DBProviders", true))
        throw std::runtime_error("cannot write the provider table");
    registry.WriteString("Torvane:BDE", "wardbde.dll");
    registry.WriteString("Torvane:ADO:Vcl5", "wardado.dll");
    if (!registry.OpenKey("\\Software\\Torvane\\Wardlock\\Aliases\\WardDemo2", true))
        throw std::runtime_error("cannot write the alias");
    registry.WriteString("Driver", "QSQLITE");
    registry.WriteString("Database", database);
    vcl::SetSettingsFolders({}, {});
}

QProcessEnvironment ProgramEnvironment(const std::string& settingsFolder)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(
        QStringLiteral("WARDLOCK_SYSTEM_CONFIG"), QString::fromStdString(settingsFolder));
    environment.insert(
        QStringLiteral("WARDLOCK_USER_CONFIG"), QString::fromStdString(settingsFolder + "-user"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.remove(QString::fromLatin1(kRunVariable));
    return environment;
}

// Called by the test main in the parent process: makes the environment and
// returns the folder.
std::string MakeRunEnvironment()
{
    char pattern[] = "/tmp/wardlock-examples.XXXXXX";
    if (!mkdtemp(pattern))
        throw std::runtime_error("cannot make a temporary folder");
    const std::string folder = pattern;
    const std::string database = folder + "/warddemo.sqlite";
    QProcess tool;
    tool.start(QStringLiteral(WARDLOCK_TEST_WARDSCHEMA),
        { QStringLiteral("demo"), QStringLiteral("--sqlite"), QString::fromStdString(database),
            QStringLiteral("--admin-password"), QString::fromLatin1(kAdminPassword) });
    if (!tool.waitForFinished(60000) || tool.exitCode() != 0)
        throw std::runtime_error(
            "wardschema demo failed: " + tool.readAllStandardError().toStdString());

    WriteProgramSettings(folder + "/system", database);
    std::ofstream ini(folder + "/odbc.ini");
    ini << "[WardDemo]\nDriver=SQLite3\nDatabase=" << database << "\nTimeout=5000\n";
    if (!ini)
        throw std::runtime_error("cannot write the DSN file");

    setenv("WARDLOCK_SYSTEM_CONFIG", (folder + "/system").c_str(), 1);
    setenv("WARDLOCK_USER_CONFIG", (folder + "/system-user").c_str(), 1);
    setenv("ODBCINI", (folder + "/odbc.ini").c_str(), 1);
    setenv(kRunVariable, folder.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return folder;
}

} // namespace examples_test
