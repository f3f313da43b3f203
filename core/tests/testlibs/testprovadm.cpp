// The administration sibling of the "Fake" test provider, registered as
// "FakeAdm". Its administration modules are plain components; the export
// WardlockTestSiblingState reports how many live and whether the provider
// object exists.

#include <wardlock/provider.h>

namespace {

int liveModules = 0;
int liveProviders = 0;
std::string lastOptions;

class Module : public vcl::TComponent {
public:
    Module() { ++liveModules; }
    ~Module() override { --liveModules; }
};

class FakeAdmDBProvider : public Security::DBProviderBase {
public:
    FakeAdmDBProvider() { ++liveProviders; }
    ~FakeAdmDBProvider() override { --liveProviders; }

    Security::TSecDModSmpDlgBaseFrm* CreateSmpDlgModule(const Security::TSecAdmRequest&) override
    {
        // The administration classes are not known here; the core passes the
        // pointer through untouched and gives it back to DestroyObject.
        return reinterpret_cast<Security::TSecDModSmpDlgBaseFrm*>(
            static_cast<vcl::TComponent*>(new Module));
    }
    Security::TSecDModDlgBaseFrm* CreateDlgModule(const Security::TSecAdmRequest&) override
    {
        return reinterpret_cast<Security::TSecDModDlgBaseFrm*>(
            static_cast<vcl::TComponent*>(new Module));
    }
    bool SetOptions(const char* options) override
    {
        lastOptions = options ? options : "";
        return DBProviderBase::SetOptions(options);
    }
};

const Security::TSecProviderClass registeredClasses[] = {
    { "FakeAdm", &Security::MakeProvider<FakeAdmDBProvider> },
};

} // namespace

WARDLOCK_PROVIDER_FACTORY(registeredClasses)

extern "C" __attribute__((visibility("default"))) void WardlockTestSiblingState(
    int* modules, int* providers, const char** options)
{
    *modules = liveModules;
    *providers = liveProviders;
    *options = lastOptions.c_str();
}
