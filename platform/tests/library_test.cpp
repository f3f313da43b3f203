#include "wardlock/platform/application.h"
#include "wardlock/platform/library.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using namespace vcl;

namespace wardtest {
// The same accessor name as in the test library (see platform_testlib.cpp).
WARDLOCK_MODULE_APPLICATION(ModuleApplication)
} // namespace wardtest

namespace {

const char* const testLibrary = "wardplatformtest.dll";

bool fileExists(const std::string& path)
{
    struct stat info { };
    return ::stat(path.c_str(), &info) == 0;
}

// Asks the loader without taking a lasting reference.
bool isLoaded(const std::string& path)
{
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle)
        ::dlclose(handle);
    return handle != nullptr;
}

struct FileNameCase {
    const char* file;
    const char* expected;
};

class LibraryFileNames : public testing::TestWithParam<FileNameCase> { };

TEST_P(LibraryFileNames, MapToSharedObjects)
{
    EXPECT_EQ(LibraryFileName(GetParam().file), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, LibraryFileNames,
    testing::Values(FileNameCase { "wardbde.dll", "libwardbde.so" },
        FileNameCase { "wardkeeper5.DLL", "libwardkeeper5.so" },
        FileNameCase { "/a/b/X.dll", "/a/b/libX.so" },
        FileNameCase { "sub.d/X.dll", "sub.d/libX.so" },
        // Windows adds ".dll" to a name without extension.
        FileNameCase { "valuepad", "libvaluepad.so" }, FileNameCase { "sub.d/X", "sub.d/libX.so" },
        FileNameCase { "libX.so", "libX.so" }, FileNameCase { "/opt/libX.so.5", "/opt/libX.so.5" },
        FileNameCase { "/a/b/", "/a/b/" }));

TEST(Library, FolderHoldsThePlatformLibrary)
{
    const std::string folder = LibraryFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(fileExists(folder + "/libwardplatform.so")) << folder;
}

TEST(Library, LoadsByDllNameAndFindsOwnExports)
{
    void* library = LoadLibrary(testLibrary);
    ASSERT_NE(library, nullptr);
    link_map* map = nullptr;
    ASSERT_EQ(::dlinfo(library, RTLD_DI_LINKMAP, &map), 0);
    EXPECT_EQ(std::string(map->l_name), LibraryFolder() + "/libwardplatformtest.so");

    using Answer = int (*)();
    auto answer = reinterpret_cast<Answer>(GetProcAddress(library, "WardTestAnswer"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    // A decorated name finds the undecorated C symbol.
    EXPECT_EQ(GetProcAddress(library, "_WardTestAnswer"), reinterpret_cast<void*>(answer));

    EXPECT_TRUE(FreeLibrary(library));
}

TEST(Library, FailuresAreQuiet)
{
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    EXPECT_EQ(LoadLibrary("wardnosuchlibrary.dll"), nullptr);
    EXPECT_EQ(LoadLibrary("/nonexistent/folder/X.dll"), nullptr);
    EXPECT_EQ(LoadLibrary(""), nullptr);

    void* library = LoadLibrary(testLibrary);
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(GetProcAddress(library, "NoSuchExport"), nullptr);
    EXPECT_EQ(GetProcAddress(library, "_"), nullptr);
    EXPECT_EQ(GetProcAddress(library, ""), nullptr);
    // malloc is reachable from the library through its dependencies, but it
    // is not the library's own export.
    EXPECT_EQ(GetProcAddress(library, "malloc"), nullptr);
    EXPECT_EQ(GetProcAddress(nullptr, "WardTestAnswer"), nullptr);
    EXPECT_FALSE(FreeLibrary(nullptr));
    EXPECT_TRUE(FreeLibrary(library));

    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(::dlerror(), nullptr) << "a loader error was left behind";
}

TEST(Library, EachLoadTakesAReferenceAndTheLastFreeUnloads)
{
    const std::string path = LibraryFolder() + "/libwardplatformtest.so";
    ASSERT_FALSE(isLoaded(path)) << "another test kept the library loaded";

    void* first = LoadLibrary(testLibrary);
    void* second = LoadLibrary(testLibrary);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);

    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_TRUE(isLoaded(path));
    EXPECT_NE(GetProcAddress(second, "WardTestAnswer"), nullptr);

    EXPECT_TRUE(FreeLibrary(second));
    EXPECT_FALSE(isLoaded(path));
}

TEST(Library, EachModuleHasItsOwnApplication)
{
    void* library = LoadLibrary(testLibrary);
    ASSERT_NE(library, nullptr);
    using Accessor = void* (*)();
    auto moduleApplication
        = reinterpret_cast<Accessor>(GetProcAddress(library, "WardTestModuleApplication"));
    ASSERT_NE(moduleApplication, nullptr);

    void* theirs = moduleApplication();
    EXPECT_NE(theirs, nullptr);
    EXPECT_EQ(moduleApplication(), theirs);
    EXPECT_NE(theirs, static_cast<void*>(&wardtest::ModuleApplication()));
    EXPECT_EQ(&wardtest::ModuleApplication(), &wardtest::ModuleApplication());
    EXPECT_TRUE(FreeLibrary(library));
}

// A library that lies in the current directory (and a folder below it) is
// reached only through its absolute path: neither the bare-name search nor a
// relative path ever takes it, whatever folder the program runs in.
TEST(Library, NeverLoadsFromTheCurrentDirectory)
{
    namespace fs = std::filesystem;
    char pattern[] = "/tmp/wardlock-cwd.XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const fs::path folder = pattern;
    const fs::path original = LibraryFolder() + "/libwardplatformtest.so";
    fs::create_directory(folder / "sub");
    fs::copy_file(original, folder / "libwardcwdprobe.so");
    fs::copy_file(original, folder / "sub" / "libwardcwdprobe.so");
    const fs::path previous = fs::current_path();
    fs::current_path(folder);

    for (const char* file : { "wardcwdprobe.dll", "libwardcwdprobe.so", "./wardcwdprobe.dll",
             "./libwardcwdprobe.so", "sub/wardcwdprobe.dll", "sub/../wardcwdprobe.dll" }) {
        void* library = LoadLibrary(file);
        EXPECT_EQ(library, nullptr) << file;
        FreeLibrary(library);
        EXPECT_EQ(LoadLibraryBySystemSearch(file), nullptr) << file;
    }
    // The same file by its absolute path loads: the refusals above are about
    // where it lies, not about the file.
    void* library = LoadLibrary((folder / "libwardcwdprobe.so").string());
    EXPECT_NE(library, nullptr);
    FreeLibrary(library);

    fs::current_path(previous);
    fs::remove_all(folder);
}

} // namespace
