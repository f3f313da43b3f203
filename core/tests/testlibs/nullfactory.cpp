// A provider library whose SecObjectFactory returns no factory procedure.
#include <wardlock/security.h>

extern "C" __attribute__((visibility("default"))) Security::SecFactoryProc SecObjectFactory()
{
    return nullptr;
}
