// wardsettings: reads and writes the settings store from the command line
// (scripts use it to write the provider table and database aliases).
//
//   wardsettings [--user] write KEY NAME (VALUE | --value-env VAR | --value-stdin)
//   wardsettings [--user] read KEY NAME
//   wardsettings [--user] delete-key KEY
//
// KEY is a path such as "Software\Torvane\Wardlock\DBProviders". The system
// scope is the default; the folders follow WARDLOCK_SYSTEM_CONFIG and
// WARDLOCK_USER_CONFIG. A secret value need not stand on the command line:
// it may come from an environment variable or a line of standard input.
// Exit status: 0 done, 1 failed or not found, 2 usage.

#include <wardlock/platform/settings.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

int Usage()
{
    std::fputs("Usage: wardsettings [--user] write KEY NAME VALUE\n"
               "       wardsettings [--user] write KEY NAME --value-env VAR\n"
               "       wardsettings [--user] write KEY NAME --value-stdin\n"
               "       wardsettings [--user] read KEY NAME\n"
               "       wardsettings [--user] delete-key KEY\n"
               "--value-env VAR takes the value from the environment variable VAR,\n"
               "--value-stdin from the first line of standard input, so that a secret\n"
               "need not stand on the command line.\n"
               "Exit status: 0 done, 1 failed or not found, 2 wrong command line.\n",
        stderr);
    return 2;
}

int Failed(const std::string& message)
{
    std::fprintf(stderr, "wardsettings: %s\n", message.c_str());
    return 1;
}

// Where "write" takes its value from.
enum class ValueSource { Argument, Environment, StandardInput, None };

ValueSource WriteSource(const std::vector<std::string>& args)
{
    if (args.front() != "write")
        return ValueSource::None;
    if (args.size() == 5 && args[3] == "--value-env")
        return ValueSource::Environment;
    if (args.size() == 4 && args[3] == "--value-stdin")
        return ValueSource::StandardInput;
    if (args.size() == 4 && args[3] != "--value-env")
        return ValueSource::Argument;
    return ValueSource::None;
}

// The value of "write"; nothing, with `error` set, when its source has none.
std::optional<std::string> WrittenValue(
    const std::vector<std::string>& args, ValueSource source, std::string& error)
{
    if (source == ValueSource::Argument)
        return args[3];
    if (source == ValueSource::Environment) {
        if (const char* value = std::getenv(args[4].c_str()))
            return value;
        error = "the environment variable " + args[4] + " is not set";
        return std::nullopt;
    }
    std::string line;
    if (!std::getline(std::cin, line)) {
        error = "standard input holds no line for --value-stdin";
        return std::nullopt;
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
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
        if (const ValueSource source = WriteSource(args); source != ValueSource::None) {
            std::string error;
            const std::optional<std::string> value = WrittenValue(args, source, error);
            if (!value)
                return Failed(error);
            if (!registry.OpenKey(key, true))
                return Failed("cannot create " + args[1]);
            registry.WriteString(args[2], *value);
            return 0;
        }
        if (command == "read" && args.size() == 3) {
            if (!registry.OpenKey(key, false) || !registry.ValueExists(args[2]))
                return 1;
            std::printf("%s\n", registry.ReadString(args[2]).c_str());
            return 0;
        }
        if (command == "delete-key" && args.size() == 2)
            return registry.DeleteKey(key) ? 0 : Failed("no key " + args[1]);
        return Usage();
    } catch (const std::exception& error) {
        return Failed(error.what());
    }
}
