// The main of the sandboxed test programs (see sandbox.h). The provider table
// comes from the compile definition WARDLOCK_TEST_PROVIDERS ("key=file" items
// separated by ','), the fake administration module's folder from
// WARDLOCK_TEST_LIBRARY_PATH.

#include "sandbox.h"

#include <wardlock/platform/dialogs.h>
#include <wardlock/platform/settings.h>

#include <QApplication>
#include <QDir>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace wardlock_test {

namespace {
const char* const kSandboxVariable = "WARDLOCK_TEST_SANDBOX";
}

const std::string& SandboxFolder()
{
    static const std::string folder = [] {
        const char* value = std::getenv(kSandboxVariable);
        return std::string(value ? value : "");
    }();
    return folder;
}

void WriteAlias(const std::string& name, const std::string& driver, const std::string& database,
    const std::string& host, int port)
{
    vcl::TRegistry registry(vcl::TRootKey::LocalMachine);
    registry.DeleteKey("\\Software\\Torvane\\Wardlock\\Aliases\\" + name);
    if (!registry.OpenKey("\\Software\\Torvane\\Wardlock\\Aliases\\" + name, true))
        throw std::runtime_error("cannot write the alias " + name);
    registry.WriteString("Driver", driver);
    registry.WriteString("Database", database);
    if (!host.empty()) {
        registry.WriteString("Host", host);
        registry.WriteString("Port", std::to_string(port));
    }
}

namespace {
std::vector<std::function<void()>>& Cleanups()
{
    static std::vector<std::function<void()>> cleanups;
    return cleanups;
}
} // namespace

void AtTestsEnd(std::function<void()> cleanup)
{
    Cleanups().push_back(std::move(cleanup));
}

namespace {

// Parent side: prepare the folders, run the program again inside them.
int RunInSandbox(char** argv)
{
    char pattern[] = "/tmp/wardlock-test.XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string folder = pattern;
    const std::string system = folder + "/system";
    const std::string user = folder + "/user";
    vcl::SetSettingsFolders(system, user);
    {
        vcl::TRegistry registry(vcl::TRootKey::LocalMachine);
        registry.OpenKey("\\Software\\Torvane\\Wardlock\\DBProviders", true);
        const QStringList items
            = QString::fromUtf8(WARDLOCK_TEST_PROVIDERS).split(u',', Qt::SkipEmptyParts);
        for (const QString& item : items) {
            const auto equals = item.indexOf(u'=');
            registry.WriteString(
                item.left(equals).toStdString(), item.mid(equals + 1).toStdString());
        }
    }
    setenv("WARDLOCK_SYSTEM_CONFIG", system.c_str(), 1);
    setenv("WARDLOCK_USER_CONFIG", user.c_str(), 1);
    setenv(kSandboxVariable, folder.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Programs that test the real administration module set
    // WARDLOCK_TEST_REAL_KEEPER: the core then finds it in the library folder.
    if (!std::getenv("WARDLOCK_TEST_REAL_KEEPER")) {
        std::string libraryPath = WARDLOCK_TEST_LIBRARY_PATH;
        if (const char* old = std::getenv("LD_LIBRARY_PATH"); old && *old)
            libraryPath += std::string(":") + old;
        setenv("LD_LIBRARY_PATH", libraryPath.c_str(), 1);
    }

    pid_t child = 0;
    int status = 1;
    if (posix_spawn(&child, "/proc/self/exe", nullptr, nullptr, argv, environ) != 0) {
        std::perror("posix_spawn");
    } else if (waitpid(child, &status, 0) < 0) {
        std::perror("waitpid");
        status = 1;
    } else {
        status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    QDir(QString::fromStdString(folder)).removeRecursively();
    return status;
}

} // namespace

} // namespace wardlock_test

int main(int argc, char** argv)
{
    if (wardlock_test::SandboxFolder().empty())
        return wardlock_test::RunInSandbox(argv);
    QApplication application(argc, argv);
    // Nothing may wait for a user: a box or dialog a test did not script
    // fails the test and is answered with Cancel.
    vcl::SetMessageBoxHook([](const vcl::MessageBoxRequest& request) {
        ADD_FAILURE() << "unexpected message box: " << request.caption << ": " << request.text;
        return vcl::IDCANCEL;
    });
    vcl::SetModalHook([](QDialog& dialog) {
        ADD_FAILURE() << "unexpected modal dialog: " << dialog.windowTitle().toStdString();
        dialog.reject();
    });
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    for (auto& cleanup : wardlock_test::Cleanups())
        cleanup();
    return result;
}
