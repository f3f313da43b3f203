// A small program that the process tests start, so that what happens when a
// program loads a provider or ends is seen from outside.
//
//   wardtestprobe provider KEY NAME
//       Loads the provider KEY of the provider table and asks its factory for
//       NAME; prints "loaded" or "refused".
//   wardtestprobe login APP ALIAS USER PASSWORD
//       Registers a security on ALIAS (provider "Torvane:BDE", automatic login
//       off, as the secured-form example does), logs USER in silently and
//       returns from main while still logged in. APP is the application object
//       main holds meanwhile: "widgets", "core" or "none".
// Exit status 0 on success, 2 for bad arguments, 3 when the login fails.

#include <wardlock/rights.h>
#include <wardlock/security.h>

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

int ProbeProvider(const char* key, const char* name)
{
    Security::TSecurity security(nullptr, key, name, nullptr);
    std::puts(security.GetDBProvider(key, name, nullptr) ? "loaded" : "refused");
    return 0;
}

int LoginAndReturn(int argc, char** argv)
{
    const std::string app = argv[2];
    // Registered before the application object exists, as the example does.
    Security::TSecRights::AddSecurity("Probe", argv[3], "Torvane:BDE", "BDE", nullptr,
        "SecurityCheck", "KDplenovit", argv[4], argv[5], nullptr, false);
    std::unique_ptr<QCoreApplication> application;
    if (app == "widgets")
        application = std::make_unique<QApplication>(argc, argv);
    else if (app == "core")
        application = std::make_unique<QCoreApplication>(argc, argv);
    else if (app != "none")
        return 2;
    Security::TSecRights rights("Probe");
    if (!rights.Login(Security::saltSilent) || !rights.Logged())
        return 3;
    std::puts("logged in");
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "provider") == 0)
        return ProbeProvider(argv[2], argv[3]);
    if (argc == 6 && std::strcmp(argv[1], "login") == 0)
        return LoginAndReturn(argc, argv);
    std::fputs("usage: wardtestprobe provider KEY NAME | login APP ALIAS USER PASSWORD\n", stderr);
    return 2;
}
