#include "wardlock/platform/library.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <vector>

namespace vcl {

namespace {

bool endsWithIgnoringCase(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size()
        && std::equal(suffix.rbegin(), suffix.rend(), text.rbegin(),
            [](unsigned char a, unsigned char b) { return std::tolower(a) == std::tolower(b); });
}

bool isAbsolute(const std::string& path)
{
    return !path.empty() && path[0] == '/';
}

bool isRegularFile(const std::string& path)
{
    struct stat info { };
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Failures stay quiet: take the loader's message so it neither leaks into a
// later dlerror() call of someone else nor gets printed.
void* quietDlopen(const std::string& file)
{
    void* handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        ::dlerror();
    return handle;
}

// The folders the loader searches for a bare name on behalf of the Wardlock
// libraries, in its order, as it reports them: LD_LIBRARY_PATH (an empty
// entry shows as "."), the RUNPATH with $ORIGIN expanded, the system folders.
std::vector<std::string> librarySearchFolders()
{
    Dl_info info {};
    if (!::dladdr(reinterpret_cast<void*>(&librarySearchFolders), &info) || !info.dli_fname
        || !isAbsolute(info.dli_fname))
        return {};
    void* self = ::dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
    if (!self) {
        ::dlerror();
        return {};
    }
    std::vector<std::string> folders;
    Dl_serinfo size {};
    if (::dlinfo(self, RTLD_DI_SERINFOSIZE, &size) == 0) {
        // Dl_serinfo ends in a flexible array; the loader says how big it is.
        std::vector<std::max_align_t> buffer(
            (size.dls_size + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t));
        auto* list = reinterpret_cast<Dl_serinfo*>(buffer.data());
        if (::dlinfo(self, RTLD_DI_SERINFOSIZE, list) == 0
            && ::dlinfo(self, RTLD_DI_SERINFO, list) == 0)
            for (unsigned i = 0; i < list->dls_cnt; ++i)
                folders.emplace_back(list->dls_serpath[i].dls_name);
    }
    ::dlerror();
    ::dlclose(self);
    return folders;
}

} // namespace

std::string LibraryFileName(const std::string& file)
{
    const auto slash = file.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : file.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? file : file.substr(slash + 1);
    if (base.empty())
        return file;
    if (endsWithIgnoringCase(base, ".dll"))
        base.resize(base.size() - 4);
    else if (base.find('.') != std::string::npos)
        return file; // "X.so", "X.so.5" or another explicit extension
    return folder + "lib" + base + ".so";
}

std::string LibraryFolder()
{
    Dl_info info {};
    if (!::dladdr(reinterpret_cast<void*>(&LibraryFolder), &info) || !info.dli_fname)
        return {};
    const std::string path = info.dli_fname;
    // Only an absolute folder: a relative one would mean whatever the current
    // directory is when it is used.
    if (!isAbsolute(path))
        return {};
    return path.substr(0, path.rfind('/'));
}

void* LoadLibraryBySystemSearch(const std::string& file)
{
    const std::string name = LibraryFileName(file);
    if (name.empty() || name.find('/') != std::string::npos)
        return nullptr;
    // Already loaded under that name: the loader answers without a search.
    if (void* loaded = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD))
        return loaded;
    ::dlerror();
    const std::vector<std::string> folders = librarySearchFolders();
    for (const std::string& folder : folders) {
        if (!isAbsolute(folder))
            continue;
        const std::string path = folder + (folder.back() == '/' ? "" : "/") + name;
        if (isRegularFile(path))
            if (void* library = quietDlopen(path))
                return library;
    }
    // Not in any listed folder: the loader's cache remains, which it consults
    // only after the listed folders. It may take the name only when no folder
    // it would read relative to the current directory (an empty or relative
    // entry of LD_LIBRARY_PATH) holds such a file.
    for (const std::string& folder : folders)
        if (!isAbsolute(folder) && isRegularFile((folder.empty() ? "." : folder) + "/" + name))
            return nullptr;
    return quietDlopen(name);
}

void* LoadLibrary(const std::string& file)
{
    if (file.empty())
        return nullptr;
    const std::string name = LibraryFileName(file);
    if (name.find('/') != std::string::npos)
        return isAbsolute(name) ? quietDlopen(name) : nullptr;
    const std::string folder = LibraryFolder();
    if (!folder.empty() && isRegularFile(folder + "/" + name))
        return quietDlopen(folder + "/" + name);
    return LoadLibraryBySystemSearch(name);
}

void* GetProcAddress(void* library, const std::string& name)
{
    if (!library || name.empty())
        return nullptr;
    const std::string symbol = name[0] == '_' ? name.substr(1) : name;
    if (symbol.empty())
        return nullptr;
    ::dlerror();
    void* address = ::dlsym(library, symbol.c_str());
    if (!address) {
        ::dlerror();
        return nullptr;
    }
    // dlsym also searches the library's dependencies; an export must belong to
    // the library itself, as with the Windows call.
    link_map* libraryMap = nullptr;
    link_map* symbolMap = nullptr;
    Dl_info info {};
    if (::dlinfo(library, RTLD_DI_LINKMAP, &libraryMap) != 0
        || !::dladdr1(address, &info, reinterpret_cast<void**>(&symbolMap), RTLD_DL_LINKMAP)
        || symbolMap != libraryMap) {
        ::dlerror();
        return nullptr;
    }
    return address;
}

bool FreeLibrary(void* library)
{
    if (!library)
        return false;
    if (::dlclose(library) != 0) {
        ::dlerror();
        return false;
    }
    return true;
}

} // namespace vcl
