#include "pluginlibrary.h"

#include <wardlock/platform/library.h>
#include <wardlock/platform/settings.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace Security::ParamEditors {

namespace fs = std::filesystem;

namespace {

// The canonical form of an absolute folder that exists; empty otherwise.
std::string CanonicalFolder(const std::string& folder)
{
    if (folder.empty() || folder.front() != '/')
        return {};
    std::error_code error;
    const fs::path canonical = fs::canonical(folder, error);
    if (error || !fs::is_directory(canonical, error))
        return {};
    return canonical.string();
}

bool IsRegularFile(const fs::path& path)
{
    std::error_code error;
    return fs::is_regular_file(path, error);
}

} // namespace

std::vector<std::string> PluginFolders()
{
    std::vector<std::string> folders;
    auto add = [&](const std::string& folder) {
        const std::string canonical = CanonicalFolder(folder);
        if (!canonical.empty()
            && std::find(folders.begin(), folders.end(), canonical) == folders.end())
            folders.push_back(canonical);
    };
    add(vcl::LibraryFolder());
    vcl::TRegistry registry(vcl::TRootKey::LocalMachine);
    if (registry.OpenKey(kPluginFoldersKey, false))
        for (const std::string& name : registry.GetValueNames())
            add(registry.ReadString(name));
    return folders;
}

std::string ResolveLibrary(const std::string& dllName)
{
    if (dllName.empty())
        return {};
    // Names stored on Windows may carry backslashes: a folder as well.
    std::string name = dllName;
    std::replace(name.begin(), name.end(), '\\', '/');
    name = vcl::LibraryFileName(name);
    const std::vector<std::string> folders = PluginFolders();
    const auto slash = name.rfind('/');
    if (slash == std::string::npos) {
        for (const std::string& folder : folders) {
            const fs::path candidate = fs::path(folder) / name;
            if (IsRegularFile(candidate))
                return candidate.string();
        }
        return {};
    }
    const std::string folder = CanonicalFolder(slash == 0 ? "/" : name.substr(0, slash));
    const std::string file = name.substr(slash + 1);
    if (folder.empty() || file.empty() || file == "." || file == "..")
        return {};
    if (std::find(folders.begin(), folders.end(), folder) == folders.end())
        return {};
    const fs::path candidate = fs::path(folder) / file;
    return IsRegularFile(candidate) ? candidate.string() : std::string();
}

TEditorLibrary::TEditorLibrary(const std::string& dllName)
{
    const std::string file = ResolveLibrary(dllName);
    if (!file.empty())
        handle_ = vcl::LoadLibrary(file);
}

TEditorLibrary::~TEditorLibrary()
{
    vcl::FreeLibrary(handle_);
}

void* TEditorLibrary::Proc(const std::string& name) const
{
    return vcl::GetProcAddress(handle_, name);
}

} // namespace Security::ParamEditors
