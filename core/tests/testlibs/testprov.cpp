// Test providers: "Fake" creates no data module (so a preparation fails after
// the provider loaded) and has the administration sibling
// "wardtestprovadm5.dll"; "Throwing" fails in its virtual constructor.

#include <wardlock/datamodule.h>
#include <wardlock/provider.h>

#include <stdexcept>

namespace {

class FakeDBProvider : public Security::TRuntimeDBProvider<Security::TSecDModFrm> {
public:
    void Create(const char* registeredName) override
    {
        DBProviderBase::Create(registeredName);
        CreateOptionsList();
    }

protected:
    const char* SiblingFile() const override { return "wardtestprovadm5.dll"; }
};

class ThrowingDBProvider : public Security::DBProviderBase {
public:
    void Create(const char*) override { throw std::runtime_error("cannot create"); }
};

const Security::TSecProviderClass registeredClasses[] = {
    { "Fake", &Security::MakeProvider<FakeDBProvider> },
    { "Throwing", &Security::MakeProvider<ThrowingDBProvider> },
};

} // namespace

WARDLOCK_PROVIDER_FACTORY(registeredClasses)
