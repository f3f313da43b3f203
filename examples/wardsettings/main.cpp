// wardsettings: reads and writes the settings store from the command line
// (scripts use it to write the provider table and database aliases).
//
//   wardsettings [--user] write KEY NAME VALUE
//   wardsettings [--user] read KEY NAME
//   wardsettings [--user] delete-key KEY
//
// KEY is a path such as "Software\Torvane\Wardlock\DBProviders". The system
// scope is the default; the folders follow WARDLOCK_SYSTEM_CONFIG and
// WARDLOCK_USER_CONFIG. Exit status: 0 done, 1 failed or not found, 2 usage.

#include <wardlock/platform/settings.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

namespace {

int Usage()
{
    std::fputs("Usage: wardsettings [--user] write KEY NAME VALUE\n"
               "       wardsettings [--user] read KEY NAME\n"
               "       wardsettings [--user] delete-key KEY\n",
        stderr);
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    std::vector<std::string> args(argv + 1, argv + argc);
    vcl::TRootKey root = vcl::TRootKey::LocalMachine;
    if (!args.empty() && args.front() == "--user") {
        root = vcl::TRootKey::CurrentUser;
        args.erase(args.begin());
    }
    if (args.empty())
        return Usage();
    const std::string command = args.front();
    const std::string key = args.size() > 1 ? "\\" + args[1] : std::string();
    try {
        vcl::TRegistry registry(root);
        if (command == "write" && args.size() == 4) {
            if (!registry.OpenKey(key, true)) {
                std::fprintf(stderr, "wardsettings: cannot create %s\n", args[1].c_str());
                return 1;
            }
            registry.WriteString(args[2], args[3]);
            return 0;
        }
        if (command == "read" && args.size() == 3) {
            if (!registry.OpenKey(key, false) || !registry.ValueExists(args[2]))
                return 1;
            std::printf("%s\n", registry.ReadString(args[2]).c_str());
            return 0;
        }
        if (command == "delete-key" && args.size() == 2) {
            registry.DeleteKey(key);
            return 0;
        }
        return Usage();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "wardsettings: %s\n", error.what());
        return 1;
    }
}
