#pragma once
// Dynamic libraries loaded at run time by file name, with the Windows names of
// the calls. A file name "X.dll" means the shared object "libX.so". Every
// failure is quiet: a null handle or pointer, nothing thrown, nothing printed.

#include <string>

namespace vcl {

// Loads a library and returns its handle (null on failure). A bare name is
// searched first in the folder that holds the Wardlock libraries, then as
// LoadLibraryBySystemSearch does; a name with an absolute folder is taken
// from that folder only, and one with a relative folder ("./X.dll",
// "sub/X.dll") is refused, as it would depend on the current directory. Each
// call adds one reference; each FreeLibrary removes one.
void* LoadLibrary(const std::string& file);

// Loads a library by bare name in the system's search order (a library
// already loaded under that name, LD_LIBRARY_PATH, the Wardlock libraries'
// RUNPATH, the system folders and the loader's cache) without ever reading
// the current directory: empty and relative entries of the search path are
// skipped, and a file such an entry would reach makes the load fail rather
// than fall through to the cache. Null for a name with a folder.
void* LoadLibraryBySystemSearch(const std::string& file);

// The address of the library's own export `name`, null when it has none (the
// libraries it depends on are not searched). Exports are C symbols without
// decoration: one leading '_' of `name` is dropped, so "_SecObjectFactory"
// finds SecObjectFactory.
void* GetProcAddress(void* library, const std::string& name);

// Drops one reference; the library is unloaded with the last. False for a
// null handle or when the system refuses.
bool FreeLibrary(void* library);

// The shared-object file name for a library file name: "X.dll" -> "libX.so",
// "/a/b/X.dll" -> "/a/b/libX.so", a name without extension gets one as on
// Windows ("X" -> "libX.so"); any other name is kept.
std::string LibraryFileName(const std::string& file);

// The folder that holds libwardplatform.so (searched first for bare names);
// empty when the loader knows it only by a relative path.
std::string LibraryFolder();

} // namespace vcl
