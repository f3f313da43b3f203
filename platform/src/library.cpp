#include "wardlock/platform/library.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>

namespace vcl {

namespace {

bool endsWithIgnoringCase(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size()
        && std::equal(suffix.rbegin(), suffix.rend(), text.rbegin(),
            [](unsigned char a, unsigned char b) { return std::tolower(a) == std::tolower(b); });
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
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

void* LoadLibrary(const std::string& file)
{
    if (file.empty())
        return nullptr;
    const std::string name = LibraryFileName(file);
    if (name.find('/') != std::string::npos)
        return quietDlopen(name);
    const std::string besideUs = LibraryFolder() + "/" + name;
    if (isRegularFile(besideUs))
        return quietDlopen(besideUs);
    return quietDlopen(name);
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
