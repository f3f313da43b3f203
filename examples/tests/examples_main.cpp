// The test main: makes the programs' environment (demo_environment.h), runs
// this program again inside it, and removes it afterwards.

#include "demo_environment.h"

#include <QApplication>
#include <QDir>

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <exception>

extern char** environ;

namespace examples_test {
std::string MakeRunEnvironment();
}

int main(int argc, char** argv)
{
    if (examples_test::RunFolder().empty()) {
        std::string folder;
        try {
            QCoreApplication setup(argc, argv);
            folder = examples_test::MakeRunEnvironment();
        } catch (const std::exception& error) {
            std::fprintf(stderr, "examples_tests: %s\n", error.what());
            return 1;
        }
        pid_t child = 0;
        int status = 1;
        if (posix_spawn(&child, "/proc/self/exe", nullptr, nullptr, argv, environ) != 0)
            std::perror("posix_spawn");
        else if (waitpid(child, &status, 0) < 0)
            std::perror("waitpid");
        else
            status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        QDir(QString::fromStdString(folder)).removeRecursively();
        return status;
    }
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
