#pragma once
// The settings store: a registry-like tree of keys holding named values, kept
// in INI files. The system scope (machine-wide settings such as the provider
// table) and the user scope (per-user settings such as dialog layouts) are
// separate files:  <folder>/Torvane/Wardlock.ini.
//
// A key path such as "Software\\Torvane\\Wardlock\\DBProviders" is a chain of
// nested groups. Key and value names are case-sensitive and kept exactly (a
// name such as "Torvane:BDE" round-trips). A key exists while it holds a value
// or a subkey; an empty key is not stored. Every write is flushed at once, so
// another TRegistry (or process) sees it.

#include "wardlock/platform/exception.h"

#include <string>
#include <vector>

namespace vcl {

// The two scopes: the machine's (the registry's HKEY_LOCAL_MACHINE) and the user's
// (HKEY_CURRENT_USER).
enum class TRootKey {
    LocalMachine, // system scope
    CurrentUser, // user scope
};

// A write that could not be stored, an integer read of a missing or
// non-numeric value, or an invalid value name.
class ERegistryException : public Exception {
public:
    // Made with the message text.
    using Exception::Exception;
};

// Points the two scopes at folders (tests use temporary ones). An empty folder
// returns that scope to its default: the folder named by the environment
// variable WARDLOCK_SYSTEM_CONFIG / WARDLOCK_USER_CONFIG when set, else Qt's
// standard INI location for the scope.
void SetSettingsFolders(const std::string& systemFolder, const std::string& userFolder);

// The INI file that holds the given scope.
std::string SettingsFileName(TRootKey root);

// A cursor on the settings store: a scope and an open key in it. Each call reads or writes the INI
// file at once.
class TRegistry {
public:
    // At the root of `root`'s scope.
    explicit TRegistry(TRootKey root = TRootKey::CurrentUser)
        : root_(root)
    {
    }

    // The scope this registry reads and writes.
    TRootKey RootKey() const noexcept { return root_; }
    // Changing the root closes the current key.
    void SetRootKey(TRootKey root);

    // Key paths are separated by backslashes. A path that starts with a
    // backslash is absolute; any other is relative to the current key.
    // Returns false (and keeps the current key) when the key does not exist
    // and `canCreate` is false, or when it would have to be created in a
    // scope that cannot be written.
    bool OpenKey(const std::string& key, bool canCreate);
    // Back to the root.
    void CloseKey() noexcept { current_.clear(); }
    // The open key's path without a leading backslash ("" at the root).
    std::string CurrentPath() const;

    // The names of the open key's values and of its subkeys; whether a value exists.
    std::vector<std::string> GetValueNames() const;
    std::vector<std::string> GetKeyNames() const;
    bool ValueExists(const std::string& name) const;

    // The value as text; "" when it does not exist.
    std::string ReadString(const std::string& name) const;
    // Throws ERegistryException when the value is missing or not an integer.
    int ReadInteger(const std::string& name) const;
    // Throw ERegistryException when the store cannot be written.
    void WriteString(const std::string& name, const std::string& value);
    void WriteInteger(const std::string& name, int value);

    // True when the value existed and was removed.
    bool DeleteValue(const std::string& name);
    // Removes the key with all its values and subkeys (relative or absolute
    // path as for OpenKey); true when it existed and was removed.
    bool DeleteKey(const std::string& key);
    bool KeyExists(const std::string& key) const;

private:
    std::vector<std::string> Resolve(const std::string& key) const;

    TRootKey root_;
    std::vector<std::string> current_; // path components of the open key
};

} // namespace vcl
