// Logs a user in to warddemo's security, as warddemo registers it, without
// any dialog, and prints the values the application sees: one line
// "NAME=VALUE" for each parameter named on the command line (GetParam). Lets
// a script check what an administrator stored from a fresh login.
// Usage: wardtestparamprobe USER PASSWORD PARAM...
// Exit status: 0 printed, 1 the login failed, 2 bad arguments.

#include "mainform.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s USER PASSWORD PARAM...\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    Security::TSecurity* security = RegisterWardDemoSecurity();
    // Connects as warddemo would, then logs the user in without a dialog.
    if (!Security::TSecRights::PrepareLogin(security)
        || !Security::TSecRights::Login(security, argv[1], argv[2])) {
        std::fprintf(stderr, "%s could not log in\n", argv[1]);
        return 1;
    }
    // Already logged in: binding asks nobody.
    const Security::TSecRights rights("WardDemo");
    for (int i = 3; i < argc; ++i)
        std::printf("%s=%s\n", argv[i], rights.GetParam(argv[i]).c_str());
    return 0;
}
