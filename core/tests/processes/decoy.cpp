// A library that must never be loaded: the process tests put copies of it
// into the folder a program runs in, under the names the program would look
// for. Loaded, it says so on standard error and in the file named by
// WARDLOCK_DECOY_MARKER.

#include <cstdio>
#include <cstdlib>

namespace {

__attribute__((constructor)) void AnnounceDecoy()
{
    std::fputs("decoy library loaded\n", stderr);
    if (const char* marker = std::getenv("WARDLOCK_DECOY_MARKER"))
        if (std::FILE* file = std::fopen(marker, "a")) {
            std::fputs("loaded\n", file);
            std::fclose(file);
        }
}

} // namespace

extern "C" void* SecObjectFactory()
{
    return nullptr;
}
