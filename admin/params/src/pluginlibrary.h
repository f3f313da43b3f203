#pragma once
// Where parameter-editor libraries come from. A parameter type names its
// library in the security database, and every administrator's program then
// loads and runs it, so only known folders are searched: the folder of the
// Wardlock libraries and the folders listed in the system-scope settings
// under kPluginFoldersKey (one value per folder, absolute paths only). A bare
// name ("valuepad.dll", "libvaluepad.so") is looked up in them in that order;
// a name with a folder is taken only when that folder is one of them. Nothing
// else is ever loaded.

#include <string>
#include <vector>

namespace Security::ParamEditors {

inline constexpr const char* kPluginFoldersKey = "\\Software\\Torvane\\Wardlock\\ParamEditors";

// The folders searched, in order (canonical paths, existing folders only).
std::vector<std::string> PluginFolders();

// The file to load for the library name a parameter type stores; empty when
// the name is empty, lies outside the folders or is not found there.
std::string ResolveLibrary(const std::string& dllName);

// A library loaded for one call and released when this ends.
class TEditorLibrary {
public:
    // Loads `dllName` as ResolveLibrary finds it; Loaded() tells whether it did.
    explicit TEditorLibrary(const std::string& dllName);
    ~TEditorLibrary();
    TEditorLibrary(const TEditorLibrary&) = delete;
    TEditorLibrary& operator=(const TEditorLibrary&) = delete;

    bool Loaded() const noexcept { return handle_ != nullptr; }
    // The library's own export `name` (one leading '_' dropped); null when absent.
    void* Proc(const std::string& name) const;

private:
    void* handle_ = nullptr;
};

} // namespace Security::ParamEditors
