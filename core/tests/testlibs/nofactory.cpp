// A library in the provider table that does not export SecObjectFactory.
extern "C" __attribute__((visibility("default"))) int WardlockTestNotAFactory()
{
    return 0;
}
