// The registry of securities, the provider table and provider loading, the
// factory procedure, provider options and the administration sibling, and
// rights objects that are unbound or not logged in. Nothing here needs a
// security database.

#include "fakekeeper.h"
#include "modifykey_texts.h"
#include "sandbox.h"

#include <wardlock/connectiontemplate.h>
#include <wardlock/data/strings.h>
#include <wardlock/datamodule.h>
#include <wardlock/encoding.h>
#include <wardlock/platform/application.h>
#include <wardlock/platform/component.h>
#include <wardlock/platform/dialogs.h>
#include <wardlock/platform/library.h>
#include <wardlock/platform/settings.h>
#include <wardlock/provider.h>
#include <wardlock/rights.h>

#include <QWidget>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace Security;

namespace {

// Deletes every security a test registered, also when it fails.
class RegistryTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        while (!TSecurity::SecList.Empty())
            delete TSecurity::SecList.First()->Security;
    }

    static TSecurity* Add(const char* name, const char* providerKey = "Torvane:BDE",
        const char* providerName = "BDE", bool autoLogin = false)
    {
        return TSecRights::AddSecurity(name, "NoAlias", providerKey, providerName, nullptr,
            "SecurityCheck", "secret", nullptr, autoLogin);
    }

    static std::vector<std::string> RegisteredNames()
    {
        std::vector<std::string> names;
        for (auto node = TSecurity::SecList.First(); node; node = node->Next)
            names.push_back(node->Security->Name());
        return names;
    }
};

tor::pswdsstr<16> TheModifyKey()
{
    return keymix::MixKey(
        keytexts::kModifyKeyFirst, keytexts::kModifyKeySecond, keytexts::kMixTable);
}

// ------------------------------------------------------------ provider table

TEST(ProviderTable, HoldsEveryValueOfTheSettingsSectionAsKeyEqualsFile)
{
    ASSERT_NE(TSecurity::DBProvs, nullptr);
    const vcl::TStrings& table = *TSecurity::DBProvs;
    EXPECT_EQ(table.Values("Torvane:BDE"), "wardbde.dll");
    EXPECT_EQ(table.Values("Test:Fake"), "wardtestprov.dll");
    EXPECT_NE(table.IndexOfName("Test:Empty"), -1) << "a line with an empty value is kept";
    EXPECT_EQ(table.Values("Test:Empty"), "");
}

TEST(ProviderTable, IsReadOnlyOnceAtLoad)
{
    vcl::TRegistry registry(vcl::TRootKey::LocalMachine);
    ASSERT_TRUE(registry.OpenKey("\\Software\\Torvane\\Wardlock\\DBProviders", false));
    registry.WriteString("Test:Late", "wardtestprov.dll");
    EXPECT_EQ(TSecurity::DBProvs->IndexOfName("Test:Late"), -1);
    TSecurity security(nullptr, "Test:Late", "Fake", nullptr);
    EXPECT_FALSE(security.GetDBProvider("Test:Late", "Fake", nullptr))
        << "only a new process sees a key added after the library loaded";
    registry.DeleteValue("Test:Late");
}

// -------------------------------------------------------------- registration

// The ODBC provider's wide connection template ("%ws", padding, UTF-16 units)
// has zero bytes inside: the security keeps all of it, not a C-string copy
// that would read as an empty template.
TEST_F(RegistryTest, DatabaseTextKeepsAWideTemplateWhole)
{
    const std::u16string text = u"DSN=W\u00e4rd;User ID=%s;Password=%s";
    const std::string wide = ado::WideTemplate(text);
    const struct {
        const char* name;
        const char* given;
        std::string kept;
    } cases[] = {
        { "Wide", wide.c_str(), wide },
        { "Narrow", "DSN=Ward;User ID=%s;Password=%s", "DSN=Ward;User ID=%s;Password=%s" },
        { "MarkerPrefix", "%wsx", "%wsx" },
        { "Null", nullptr, "" },
    };
    for (const auto& c : cases) {
        TSecurity* security
            = TSecRights::AddSecurity(c.name, c.given, "K", "P", nullptr, "u", "p", nullptr, false);
        ASSERT_NE(security, nullptr) << c.name;
        EXPECT_EQ(security->Database(), c.kept) << c.name;
    }
    EXPECT_EQ(ado::TemplateText(std::string_view(wide)), QString::fromStdU16String(text));
}

TEST_F(RegistryTest, AddSecurityOverloadsStoreTheirLoginType)
{
    auto callback = +[](TSecurity*, void*) { return true; };
    struct Case {
        const char* name;
        std::function<TSecurity*(const char*, bool)> add;
        SecAutoLoginType type;
    };
    const auto common = [](const char* name) { return name; };
    (void)common;
    const std::vector<Case> cases = {
        { "Plain",
            [](const char* n, bool a) {
                return TSecRights::AddSecurity(n, "Db", "K", "P", nullptr, "u", "p", nullptr, a);
            },
            saltNone },
        { "Silent",
            [](const char* n, bool a) {
                return TSecRights::AddSecurity(
                    n, "Db", "K", "P", nullptr, "u", "p", "user", "pw", nullptr, a);
            },
            saltSilent },
        { "Dialog",
            [](const char* n, bool a) {
                return TSecStdRights::AddSecurity(
                    n, "Db", "K", "P", nullptr, "u", "p", "Text", nullptr, a);
            },
            saltDialog },
        { "Retry",
            [](const char* n, bool a) {
                return TSecStdRights::AddSecurity(n, "Db", "K", "P", nullptr, "u", "p", "fail",
                    "retry", "caption", "Text", nullptr, a);
            },
            saltDialogRetry },
        { "Callback",
            [callback](const char* n, bool a) {
                return TSecRights::AddSecurity(
                    n, "Db", "K", "P", nullptr, "u", "p", callback, nullptr, a);
            },
            saltCallback },
        { "CoreCallback",
            [callback](const char* n, bool a) {
                return TSecurity::AddSecurity(
                    n, "Db", "K", "P", nullptr, "u", "p", callback, nullptr, a);
            },
            saltCallback },
    };
    for (const Case& c : cases) {
        for (const bool autoLogin : { true, false }) {
            SCOPED_TRACE(std::string(c.name) + (autoLogin ? " autoLogin" : " manual"));
            const std::string name = std::string(c.name) + (autoLogin ? "A" : "M");
            TSecurity* security = c.add(name.c_str(), autoLogin);
            ASSERT_NE(security, nullptr);
            EXPECT_EQ(security->Name(), name);
            EXPECT_EQ(security->LoginType(), c.type);
            EXPECT_EQ(security->BindCount(), autoLogin ? 0 : -1);
            EXPECT_EQ(security->Database(), "Db");
            EXPECT_EQ(security->ProviderKey(), "K");
            EXPECT_EQ(security->ProviderName(), "P");
            EXPECT_EQ(security->DBUser(), "u");
            EXPECT_EQ(security->Owner(), vcl::FindApplication(security));
            EXPECT_EQ(TSecurity::SecList.Last()->Security, security) << "appended at the end";
            EXPECT_FALSE(security->Logged());
            EXPECT_EQ(security->Provider(), nullptr) << "nothing is loaded at registration";
        }
    }
}

TEST_F(RegistryTest, InvalidOrDuplicateNamesRegisterNothing)
{
    Add("Accounts");
    struct Case {
        const char* label;
        const char* name;
    };
    const Case cases[] = {
        { "same name", "Accounts" },
        { "other case", "ACCOUNTS" }, // names are unique without regard to case
        { "not an identifier", "two words" },
        { "leading digit", "1Accounts" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_THROW(Add(c.name), vcl::EComponentError);
        EXPECT_EQ(RegisteredNames(), std::vector<std::string> { "Accounts" });
    }
}

TEST_F(RegistryTest, FindSecurityIsExactAndCaseSensitive)
{
    TSecurity* accounts = Add("Accounts");
    TSecurity* stock = Add("Stock");
    EXPECT_EQ(TSecRights::FindSecurity("Accounts"), accounts);
    EXPECT_EQ(TSecRights::FindSecurity("Stock"), stock);
    EXPECT_EQ(TSecurity::FindSecurity("Stock")->Security, stock);
    for (const char* absent : { "accounts", "ACCOUNTS", "Account", "Accounts ", "", "Nothing" })
        EXPECT_EQ(TSecRights::FindSecurity(absent), nullptr) << absent;
    EXPECT_EQ(TSecRights::FindSecurity(nullptr), nullptr);
    EXPECT_EQ(TSecurity::FindSecurity(nullptr), nullptr);
}

TEST_F(RegistryTest, NullTextsRegisterAnUnnamedSecurity)
{
    TSecurity* security = TSecRights::AddSecurity(nullptr, nullptr, nullptr, nullptr, nullptr,
        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, true);
    ASSERT_NE(security, nullptr);
    EXPECT_EQ(security->Name(), "");
    EXPECT_EQ(security->Database(), "");
    EXPECT_FALSE(security->PrepareLogin()) << "no provider key";
    std::vector<std::string> boxes;
    vcl::ScopedMessageBoxHook hook([&](const vcl::MessageBoxRequest& request) {
        boxes.push_back(request.caption + ": " + request.text);
        return vcl::IDOK;
    });
    EXPECT_FALSE(security->Login(saltDialogRetry)) << "no provider: the connection fails";
    EXPECT_EQ(boxes, std::vector<std::string> { "Wardlock: " });
    EXPECT_EQ(security->LoginDialog(), nullptr);
}

TEST_F(RegistryTest, DeleteSecurityUnlinksOnlyThatSecurity)
{
    Add("First");
    Add("Middle");
    Add("Last");
    EXPECT_FALSE(TSecRights::DeleteSecurity("middle")) << "case-sensitive";
    EXPECT_FALSE(TSecRights::DeleteSecurity("Nothing"));
    EXPECT_FALSE(TSecRights::DeleteSecurity(nullptr));
    EXPECT_EQ(RegisteredNames(), (std::vector<std::string> { "First", "Middle", "Last" }));
    EXPECT_TRUE(TSecStdRights::DeleteSecurity("Middle"));
    EXPECT_EQ(RegisteredNames(), (std::vector<std::string> { "First", "Last" }));
    EXPECT_EQ(TSecurity::SecList.First()->Next, TSecurity::SecList.Last());
    EXPECT_EQ(TSecurity::SecList.Last()->Prev, TSecurity::SecList.First());
    EXPECT_TRUE(TSecRights::DeleteSecurity("Last"));
    EXPECT_TRUE(TSecRights::DeleteSecurity("First"));
    EXPECT_TRUE(TSecurity::SecList.Empty());
    EXPECT_EQ(TSecurity::SecList.Last(), nullptr);
    // The name is free again.
    EXPECT_NO_THROW(Add("Middle"));
}

TEST_F(RegistryTest, ShortConstructorKnowsOnlyItsProvider)
{
    TSecurity security(nullptr, "Test:Fake", "Fake", nullptr);
    EXPECT_EQ(security.Name(), "");
    EXPECT_EQ(security.BindCount(), 0);
    EXPECT_EQ(TSecurity::SecList.Last()->Security, &security);
    EXPECT_EQ(security.LoginType(), saltNone);
}

// ---------------------------------------------------------- provider loading

TEST_F(RegistryTest, GetDBProviderFailsQuietlyOnEveryBrokenEntry)
{
    struct Case {
        const char* label;
        const char* key;
        const char* name;
    };
    const Case cases[] = {
        { "key not in the table", "Test:Unknown", "Fake" },
        { "null key", nullptr, "Fake" },
        { "line with an empty value", "Test:Empty", "Fake" },
        { "library that does not exist", "Test:Missing", "Fake" },
        { "library without SecObjectFactory", "Test:NoFactory", "Fake" },
        { "SecObjectFactory returns null", "Test:NullFactory", "Fake" },
        { "provider name in other case", "Test:Fake", "fake" },
        { "unregistered provider name", "Test:Fake", "Other" },
        { "null provider name", "Test:Fake", nullptr },
        { "provider whose constructor throws", "Test:Fake", "Throwing" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TSecurity security(nullptr, c.key, c.name, nullptr);
        EXPECT_FALSE(security.GetDBProvider(c.key, c.name, nullptr));
        EXPECT_EQ(security.Provider(), nullptr);
        EXPECT_FALSE(security.PrepareLogin());
        EXPECT_EQ(security.DataModule(), nullptr);
    }
}

TEST_F(RegistryTest, GetDBProviderKeepsTheProviderAndPassesTheOptions)
{
    char options[] = "RecordsetStoredProcs=0, CachedUpdates=1 ,BDESQLParams = 0";
    TSecurity security(nullptr, "Test:Fake", "Fake", options);
    ASSERT_TRUE(security.GetDBProvider("Test:Fake", "Fake", options));
    DBProviderBase* provider = security.Provider();
    ASSERT_NE(provider, nullptr);
    EXPECT_EQ(provider->RegisteredName(), "Fake");
    EXPECT_EQ(provider->Owner(), &security);
    EXPECT_EQ(provider->OptionsText(), options);
    EXPECT_EQ(provider->Option("BDESQLParams"), "0");
    // Provider keys are value names of the settings section, which the
    // registry compares without regard to case.
    TSecurity lowerKey(nullptr, "test:FAKE", "Fake", nullptr);
    EXPECT_TRUE(lowerKey.GetDBProvider("test:FAKE", "Fake", nullptr));
    // A provider once held is kept, whatever is asked later.
    EXPECT_TRUE(security.GetDBProvider("Test:Missing", "Other", nullptr));
    EXPECT_EQ(security.Provider(), provider);
    // The provider loads but makes no data module: the preparation fails.
    EXPECT_FALSE(security.PrepareLogin());
    EXPECT_EQ(security.DataModule(), nullptr);
}

// The options text as an application writes it: a literal, or the text of a
// string that is gone before the provider loads. Every registration form
// takes it and keeps its own copy; the void* forms are still there.
TEST_F(RegistryTest, AddSecurityTakesTheOptionsAsText)
{
    using VoidForm = TSecurity* (*)(const char*, const char*, const char*, const char*, void*,
        const char*, const char*, EncoderHook, bool);
    [[maybe_unused]] constexpr VoidForm voidForm = &TSecRights::AddSecurity;

    auto callback = +[](TSecurity*, void*) { return true; };
    using Add = std::function<TSecurity*(const char* name, const char* options)>;
    const std::vector<std::pair<const char*, Add>> forms = {
        { "Plain",
            [](const char* n, const char* o) {
                return TSecRights::AddSecurity(
                    n, "Db", "Test:Fake", "Fake", o, "u", "p", nullptr, false);
            } },
        { "Dialog",
            [](const char* n, const char* o) {
                return TSecStdRights::AddSecurity(
                    n, "Db", "Test:Fake", "Fake", o, "u", "p", "Text", nullptr, false);
            } },
        { "Silent",
            [](const char* n, const char* o) {
                return TSecRights::AddSecurity(
                    n, "Db", "Test:Fake", "Fake", o, "u", "p", "user", "pw", nullptr, false);
            } },
        { "Retry",
            [](const char* n, const char* o) {
                return TSecRights::AddSecurity(n, "Db", "Test:Fake", "Fake", o, "u", "p", "fail",
                    "retry", "caption", "Text", nullptr, false);
            } },
        { "Callback",
            [callback](const char* n, const char* o) {
                return TSecRights::AddSecurity(
                    n, "Db", "Test:Fake", "Fake", o, "u", "p", callback, nullptr, false);
            } },
        { "CoreCallback",
            [callback](const char* n, const char* o) {
                return TSecurity::AddSecurity(
                    n, "Db", "Test:Fake", "Fake", o, "u", "p", callback, nullptr, false);
            } },
    };
    for (const auto& [form, add] : forms) {
        SCOPED_TRACE(form);
        TSecurity* security = nullptr;
        {
            std::string options = "CachedUpdates=1, BDESQLParams=0";
            security = add(form, options.c_str());
            options.assign(options.size(), 'x'); // the caller's text changes, then goes
        }
        ASSERT_NE(security, nullptr);
        EXPECT_STREQ(static_cast<const char*>(security->ProviderOptions()),
            "CachedUpdates=1, BDESQLParams=0");
        security->PrepareLogin(); // loads the provider (which makes no data module)
        ASSERT_NE(security->Provider(), nullptr);
        EXPECT_EQ(security->Provider()->OptionsText(), "CachedUpdates=1, BDESQLParams=0");
        EXPECT_EQ(security->Provider()->Option("CachedUpdates"), "1");

        const std::string other = std::string(form) + "Null";
        EXPECT_EQ(add(other.c_str(), static_cast<const char*>(nullptr))->ProviderOptions(), nullptr)
            << "a null text is no options";
    }
    // A literal where the options go.
    TSecurity* literal = TSecRights::AddSecurity(
        "Literal", "Db", "Test:Fake", "Fake", "LocalCursor=1", "u", "p", nullptr, false);
    EXPECT_STREQ(static_cast<const char*>(literal->ProviderOptions()), "LocalCursor=1");
}

TEST(ProviderOptions, SetOptionsParsesCommaSeparatedItems)
{
    struct Case {
        const char* text;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        { "RecordsetStoredProcs=0, CachedUpdates=1, BDESQLParams=0",
            { "RecordsetStoredProcs=0", "CachedUpdates=1", "BDESQLParams=0" } },
        { "LocalCursor=1, BatchUpdates=1", { "LocalCursor=1", "BatchUpdates=1" } },
        { "  A = 1 ,, B=2,  ", { "A=1", "B=2" } },
        { "Flag", { "Flag" } },
        { "", {} },
        { nullptr, {} },
    };
    class Provider : public DBProviderBase {
    public:
        using DBProviderBase::CreateOptionsList;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text ? c.text : "(null)");
        Provider provider;
        provider.Create("X");
        EXPECT_TRUE(provider.SetOptions("Stale=1"));
        EXPECT_EQ(provider.Options(), nullptr) << "no list unless the provider makes one";
        provider.CreateOptionsList();
        EXPECT_TRUE(provider.SetOptions(c.text));
        EXPECT_EQ(provider.OptionsText(), c.text ? c.text : "");
        ASSERT_NE(provider.Options(), nullptr);
        EXPECT_EQ(provider.Options()->Lines(), c.lines) << "replaces the earlier content";
    }
}

// ------------------------------------------------------- factory procedure

TEST(Factory, DispatchCreatesByExactNameAndDestroysNullSafely)
{
    class Provider : public DBProviderBase { };
    const TSecProviderClass table[]
        = { { "BDE", &MakeProvider<Provider> }, { "BDEAdm", &MakeProvider<Provider> } };
    TSecurity* owner = reinterpret_cast<TSecurity*>(0x1234);
    struct Case {
        const char* name;
        bool created;
    };
    for (const Case c : { Case { "BDE", true }, Case { "BDEAdm", true }, Case { "bde", false },
             Case { "BDE ", false }, Case { "", false }, Case { nullptr, false } }) {
        SCOPED_TRACE(c.name ? c.name : "(null)");
        TSecFactoryRequest request { owner, nullptr };
        auto* provider
            = static_cast<DBProviderBase*>(SecFactoryDispatch(table, 2, c.name, 7, &request));
        EXPECT_EQ(provider != nullptr, c.created);
        if (!provider)
            continue;
        EXPECT_EQ(provider->RegisteredName(), c.name);
        EXPECT_EQ(provider->Owner(), owner);
        request.Provider = provider;
        EXPECT_EQ(SecFactoryDispatch(table, 2, c.name, 8, &request), nullptr);
        EXPECT_EQ(request.Provider, nullptr);
    }
    TSecFactoryRequest empty;
    EXPECT_EQ(SecFactoryDispatch(table, 2, "BDE", 8, &empty), nullptr) << "null object";
    EXPECT_EQ(SecFactoryDispatch(table, 2, "BDE", 8, nullptr), nullptr) << "null request";
    EXPECT_EQ(SecFactoryDispatch(table, 2, "BDE", 9, &empty), nullptr) << "unknown command";
    auto* orphan = static_cast<DBProviderBase*>(SecFactoryDispatch(table, 2, "BDE", 7, nullptr));
    ASSERT_NE(orphan, nullptr) << "a null request creates an object without owner";
    EXPECT_EQ(orphan->Owner(), nullptr);
    delete orphan;
}

TEST(Factory, ProviderLibraryExportsTheFactoryProcedure)
{
    void* library = vcl::LoadLibrary("wardbde.dll");
    ASSERT_NE(library, nullptr);
    auto objectFactory
        = reinterpret_cast<SecObjectFactoryFn>(vcl::GetProcAddress(library, "_SecObjectFactory"));
    ASSERT_NE(objectFactory, nullptr);
    SecFactoryProc factory = objectFactory();
    ASSERT_NE(factory, nullptr);
    TSecFactoryRequest request;
    EXPECT_EQ(factory("bde", 7, &request), nullptr);
    EXPECT_EQ(factory("BDEAdm", 7, &request), nullptr) << "the administration class is elsewhere";
    auto* provider = static_cast<DBProviderBase*>(factory("BDE", 7, &request));
    ASSERT_NE(provider, nullptr);
    EXPECT_EQ(provider->RegisteredName(), "BDE");
    ASSERT_NE(provider->Options(), nullptr) << "the BDE provider reads options";
    request.Provider = provider;
    EXPECT_EQ(factory("BDE", 8, &request), nullptr);
    TSecFactoryRequest none;
    EXPECT_EQ(factory("BDE", 8, &none), nullptr);
    EXPECT_EQ(factory("BDE", 8, nullptr), nullptr);
    EXPECT_EQ(factory("BDE", 0, nullptr), nullptr);
    vcl::FreeLibrary(library);
}

// --------------------------------------------------- administration sibling

struct SiblingState {
    int modules = -1;
    int providers = -1;
    std::string options;
    bool loaded = false;
};

SiblingState SiblingNow()
{
    SiblingState state;
    const std::string file = vcl::LibraryFolder() + "/libwardtestprovadm5.so";
    void* library = ::dlopen(file.c_str(), RTLD_NOW | RTLD_NOLOAD);
    state.loaded = library != nullptr;
    if (!library)
        return state;
    using StateFn = void (*)(int*, int*, const char**);
    const char* options = nullptr;
    reinterpret_cast<StateFn>(::dlsym(library, "WardlockTestSiblingState"))(
        &state.modules, &state.providers, &options);
    state.options = options;
    ::dlclose(library);
    return state;
}

TEST_F(RegistryTest, SiblingIsLoadedForTheFirstAdministrationModuleAndUnloadedAfterTheLast)
{
    char options[] = "CachedUpdates=1";
    TSecurity security(nullptr, "Test:Fake", "Fake", options);
    ASSERT_TRUE(security.GetDBProvider("Test:Fake", "Fake", options));
    DBProviderBase* provider = security.Provider();
    // Not in the program's folder: found in the library folder.
    provider->SetHostDirectory("/nonexistent/");
    EXPECT_FALSE(SiblingNow().loaded);

    const TSecAdmRequest request { &security, 3, 4 };
    auto* first = provider->CreateSmpDlgModule(request);
    ASSERT_NE(first, nullptr);
    SiblingState state = SiblingNow();
    EXPECT_TRUE(state.loaded);
    EXPECT_EQ(state.modules, 1);
    EXPECT_EQ(state.providers, 1);
    EXPECT_EQ(state.options, "CachedUpdates=1") << "the sibling gets the same options text";
    EXPECT_EQ(provider->SiblingProvider()->RegisteredName(), "FakeAdm");
    EXPECT_EQ(provider->SiblingProvider()->Owner(), &security);

    auto* second = provider->CreateDlgModule(request);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(SiblingNow().modules, 2);

    provider->DestroyObject({ &security, reinterpret_cast<vcl::TComponent*>(first) });
    state = SiblingNow();
    EXPECT_TRUE(state.loaded) << "the second module's code must stay";
    EXPECT_EQ(state.modules, 1);

    provider->DestroyObject({ &security, reinterpret_cast<vcl::TComponent*>(second) });
    EXPECT_FALSE(SiblingNow().loaded) << "unloaded with the last module";
    EXPECT_EQ(provider->SiblingProvider(), nullptr);
    EXPECT_EQ(provider->SiblingCount(), 0);

    // Loaded again on demand.
    auto* again = provider->CreateSmpDlgModule(request);
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(SiblingNow().loaded);
    provider->DestroyObject({ &security, reinterpret_cast<vcl::TComponent*>(again) });
    EXPECT_FALSE(SiblingNow().loaded);
}

TEST_F(RegistryTest, MissingSiblingYieldsNoAdministrationModule)
{
    TSecurity security(nullptr, "Torvane:BDE", "BDE", nullptr);
    ASSERT_TRUE(security.GetDBProvider("Torvane:BDE", "BDE", nullptr));
    DBProviderBase* provider = security.Provider();
    provider->SetHostDirectory("/nonexistent/");
    const TSecAdmRequest request { &security, -1, -1 };
    // Until the BDE administration provider exists beside the core, both are
    // null; with it they are modules (whose destruction is its own business).
    if (!SiblingNow().loaded && !vcl::LoadLibrary(vcl::LibraryFolder() + "/wardkeeperbde5.dll")) {
        EXPECT_EQ(provider->CreateSmpDlgModule(request), nullptr);
        EXPECT_EQ(provider->CreateDlgModule(request), nullptr);
        EXPECT_EQ(provider->SiblingCount(), 0);
    }
    EXPECT_EQ(provider->HostDirectory(), "/nonexistent/");
}

TEST(ProviderBase, BaseOperationsCreateNothing)
{
    DBProviderBase provider;
    provider.Create(nullptr);
    EXPECT_EQ(provider.RegisteredName(), "");
    EXPECT_EQ(provider.CreateDataModule({}), nullptr);
    EXPECT_EQ(provider.CreateSmpDlgModule({}), nullptr);
    EXPECT_EQ(provider.CreateDlgModule({}), nullptr);
    auto* component = new vcl::TComponent;
    provider.DestroyObject({ nullptr, component }); // deletes it (ASan would see a leak)
    provider.DestroyObject({ nullptr, nullptr });
}

// ------------------------------------------------- login without a database

TEST_F(RegistryTest, LoginTypesWithoutADatabase)
{
    static int calls;
    static void* seenData;
    static TSecurity* seenSecurity;
    calls = 0;
    auto callback = +[](TSecurity* security, void* data) {
        ++calls;
        seenSecurity = security;
        seenData = data;
        return true;
    };
    int token = 0;
    TSecurity* security = TSecRights::AddSecurity(
        "Callback", "Db", "Test:Fake", "Fake", nullptr, "u", "p", callback, &token, false);
    EXPECT_TRUE(security->Login(saltCallback));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(seenSecurity, security);
    EXPECT_EQ(seenData, &token);
    EXPECT_TRUE(security->AutoLogin()) << "AutoLogin runs the registered type";
    EXPECT_EQ(calls, 2);

    EXPECT_FALSE(security->Login(saltNone));
    EXPECT_FALSE(security->Login(static_cast<SecAutoLoginType>(5)));
    EXPECT_FALSE(security->Login(static_cast<SecAutoLoginType>(255)));
    EXPECT_FALSE(security->Login(saltSilent)) << "the provider makes no data module";
    EXPECT_FALSE(security->Login("admin", "x")) << "no data module";
    EXPECT_FALSE(security->Login()) << "no prepared dialog";
    EXPECT_EQ(calls, 2);

    TSecurity* none = Add("NoCallback");
    none->SetCallbackLogin(nullptr, nullptr);
    EXPECT_FALSE(none->Login(saltCallback));
}

TEST_F(RegistryTest, FailedAutomaticLoginThrowsAndLeavesNoBinding)
{
    auto refuse = +[](TSecurity*, void*) { return false; };
    TSecurity* security = TSecRights::AddSecurity(
        "Refusing", "Db", "Test:Fake", "Fake", nullptr, "u", "p", refuse, nullptr, true);
    EXPECT_THROW(TSecRights rights("Refusing"), ESecAutoLoginFailed);
    EXPECT_THROW(TSecStdRights rights(security), ESecExcept);
    EXPECT_EQ(security->BindCount(), 0) << "a rights object that was never made holds nothing";

    TSecRights rights(static_cast<TSecurity*>(nullptr));
    EXPECT_THROW(rights.Bind("Refusing"), ESecAutoLoginFailed);
    EXPECT_TRUE(rights.Binded()) << "Bind keeps the security; the destructor unbinds";
    EXPECT_EQ(security->BindCount(), 1);
    rights.Bind(static_cast<TSecurity*>(nullptr));
    EXPECT_EQ(security->BindCount(), 0);
}

TEST_F(RegistryTest, PlainRegistrationWithAutoLoginCannotBeBound)
{
    Add("Plain", "Test:Fake", "Fake", true);
    EXPECT_THROW(TSecRights rights("Plain"), ESecAutoLoginFailed) << "login type 0 always fails";
}

TEST_F(RegistryTest, ManualSecuritiesBindWithoutLoggingIn)
{
    static int calls = 0;
    auto count = +[](TSecurity*, void*) {
        ++calls;
        return false;
    };
    TSecurity* security = TSecRights::AddSecurity(
        "Manual", "Db", "Test:Fake", "Fake", nullptr, "u", "p", count, nullptr, false);
    {
        TSecRights first("Manual");
        TSecStdRights second(security);
        TSecRights copy(first);
        EXPECT_TRUE(first.Binded());
        EXPECT_TRUE(second.Binded());
        EXPECT_TRUE(copy.Binded());
        EXPECT_EQ(security->BindCount(), -1);
    }
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(security->BindCount(), -1);

    TSecRights unbound("NotRegistered");
    EXPECT_FALSE(unbound.Binded());
    EXPECT_FALSE(unbound.Bind("NotRegistered"));
    EXPECT_TRUE(unbound.Bind("Manual"));
    EXPECT_EQ(unbound.Security(), security);
    EXPECT_EQ(calls, 0);
}

// ------------------------------------------------- rights without a login

TEST_F(RegistryTest, QueriesOfUnboundOrLoggedOutObjectsAnswerNotFound)
{
    Add("Idle");
    TSecRights unbound(static_cast<TSecurity*>(nullptr));
    TSecRights idle("Idle");
    TSecStdRights idleStd("Idle");
    for (TSecRightsBase* rights :
        std::initializer_list<TSecRightsBase*> { &unbound, &idle, &idleStd }) {
        rights->Mask = 0xFF;
        EXPECT_EQ(rights->GetRight("Security"), -1);
        EXPECT_EQ(rights->Mask, 0);
        rights->Mask = 0xFF;
        EXPECT_EQ(rights->GetRight(7), 7) << "the id comes back unchanged";
        EXPECT_EQ(rights->Mask, 0);
        EXPECT_EQ(rights->GetRight(nullptr), -1);
        EXPECT_TRUE(rights->GetParam("Any").empty());
        EXPECT_TRUE(rights->GetParam(1).empty());
        EXPECT_TRUE(rights->GetParam(nullptr).empty());
        EXPECT_TRUE(rights->GetPswdParam("Any").empty());
        EXPECT_TRUE(rights->GetPswdParam(1).empty());
        EXPECT_FALSE(rights->GetBoolParam("Any"));
        EXPECT_FALSE(rights->GetBoolParam(1));
        EXPECT_EQ(rights->GetIntParam("Any"), INT_MIN);
        EXPECT_EQ(rights->GetIntParam(1), INT_MIN);
        EXPECT_TRUE(rights->GetDBParam("YesString").empty());
        EXPECT_TRUE(rights->GetPswdDBParam("YesString").empty());
        EXPECT_FALSE(rights->GetBoolDBParam("YesString"));
        EXPECT_FALSE(rights->GetBoolDBParam(nullptr));
        // The user record before any login: empty and zero.
        EXPECT_TRUE(rights->UserName().empty());
        EXPECT_TRUE(rights->UserFullName().empty());
        EXPECT_TRUE(rights->UserPasswd().empty());
        EXPECT_EQ(rights->UserID(), 0);
        EXPECT_EQ(rights->GroupID(), 0);
        EXPECT_FALSE(rights->GetAllowChangePswd());
        EXPECT_FALSE(rights->GroupForceAddMod());
        EXPECT_FALSE(rights->Logged());
        EXPECT_FALSE(rights->Login());
        EXPECT_EQ(rights->ModifyStart(TheModifyKey()), nullptr);
    }
    EXPECT_FALSE(unbound.PrepareLogin());
    EXPECT_FALSE(unbound.PrepareLoginWindow(nullptr));
    EXPECT_FALSE(unbound.AutoLogin());
    EXPECT_FALSE(unbound.Login(saltCallback));
    EXPECT_FALSE(unbound.Login("admin", "x"));
    EXPECT_FALSE(unbound.Login("a", "b", "c", "d"));
    unbound.PostLogin();
    unbound.Logout();
    unbound.ShowDlg(nullptr, true);
    unbound.ModifyEnd(nullptr);
    EXPECT_FALSE(TSecRights::PrepareLogin(nullptr));
    EXPECT_FALSE(TSecStdRights::Logged(nullptr));
    EXPECT_FALSE(TSecRights::Login(nullptr, saltSilent));
    EXPECT_FALSE(TSecRights::Login(nullptr, "u", "p"));
    EXPECT_FALSE(TSecRights::AutoLogin(nullptr));
    TSecRights::PostLogin(nullptr);
    TSecRights::Logout(nullptr);
    TSecRights::ShowSmpDlg(nullptr, nullptr, false);
}

TEST_F(RegistryTest, AssignmentCopiesTheMaskAndRebinds)
{
    TSecurity* a = Add("SecA", "Test:Fake", "Fake", false);
    TSecurity* b = Add("SecB", "Test:Fake", "Fake", false);
    TSecRights left(a);
    TSecRights right(b);
    right.Mask = srView | srDelete;
    left = right;
    EXPECT_EQ(left.Security(), b);
    EXPECT_EQ(left.Mask, srView | srDelete);
    TSecRights copy(left);
    EXPECT_EQ(copy.Mask, srView | srDelete);
    EXPECT_EQ(copy.Security(), b);
    copy = copy;
    EXPECT_EQ(copy.Security(), b);
}

TEST_F(RegistryTest, AdministrationUpdatesTheUserRecord)
{
    TSecurity* security = Add("Updated");
    TSecStdRights rights(security);
    const tor::pswdsstr<16> stored = IntEncode("new password");
    security->SetUserInfo(
        stored, "a-very-long-user-name", "Full Name", spoOn, spoOff, spoAsGroup, spoOn, spoOff);
    security->SetGroupInfo(false, true, true, false, true);
    EXPECT_EQ(rights.UserPasswd(), stored) << "all 17 bytes";
    EXPECT_EQ(rights.UserName().str(), "a-very-long-user") << "the first 16 characters";
    EXPECT_EQ(std::string(rights.UserFullName().c_str()), "Full Name");
    EXPECT_EQ(rights.UserAllowChangePswd(), spoOn);
    EXPECT_EQ(rights.UserAllowNullPasswd(), spoOff);
    EXPECT_EQ(rights.UserNoChPswdAtLogin(), spoAsGroup);
    EXPECT_EQ(rights.UserAccountEnabled(), spoOn);
    EXPECT_EQ(rights.UserPasswdControl(), spoOff);
    EXPECT_FALSE(rights.GroupAllowChangePswd());
    EXPECT_TRUE(rights.GroupAllowNullPasswd());
    EXPECT_TRUE(rights.GroupNoChPswdAtLogin());
    EXPECT_FALSE(rights.GroupAccountEnabled());
    EXPECT_TRUE(rights.GroupPasswdControl());
    EXPECT_TRUE(rights.GetNoChPswdAtLogin()) << "2 takes the group's flag";
    EXPECT_TRUE(rights.GetAllowChangePswd());
    EXPECT_FALSE(rights.GetAllowNullPasswd());
    EXPECT_EQ(rights.UserID(), 0) << "identifiers unchanged";
    security->SetUserInfo(stored, nullptr, nullptr, spoOff, spoOff, spoOff, spoOff, spoOff);
    EXPECT_TRUE(rights.UserName().empty());
}

// ---------------------------------------- administration module entry points

class AdminEntryTest : public RegistryTest {
protected:
    void SetUp() override
    {
        // Held by the test, so that the record outlives the core's unload.
        keeper_ = ::dlopen("libwardkeeper5.so", RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(keeper_, nullptr) << "the fake administration module is on the search path";
        record_ = reinterpret_cast<FakeKeeperRecordFn>(::dlsym(keeper_, "FakeKeeperRecordOf"))();
        *record_ = {};
    }
    void TearDown() override
    {
        RegistryTest::TearDown();
        if (keeper_)
            ::dlclose(keeper_);
    }
    void* keeper_ = nullptr;
    FakeKeeperRecord* record_ = nullptr;
};

TEST_F(AdminEntryTest, NothingHappensWhileNotLoggedIn)
{
    TSecurity* security = Add("NotLogged");
    TSecRights rights(security);
    rights.ShowDlg(nullptr, true);
    rights.ShowSmpDlg(nullptr, true);
    security->ShowChPasswdDlg();
    security->ShowForceChPasswdDlg();
    EXPECT_EQ(rights.ModifyStart(TheModifyKey()), nullptr);
    EXPECT_EQ(record_->showDlg + record_->showSmpDlg + record_->showChPasswdDlg
            + record_->showForceChPasswdDlg + record_->modifyStart,
        0);
    // ModifyEnd has no condition.
    char editor;
    rights.ModifyEnd(reinterpret_cast<TSecParamEd*>(&editor));
    EXPECT_EQ(record_->modifyEnd, 1);
    EXPECT_EQ(record_->lastSecurity, security);
    EXPECT_EQ(record_->lastEditor, &editor);
}

TEST(ModifyKey, OnlyTheMixedKeyIsAccepted)
{
    const tor::pswdsstr<16> key = TheModifyKey();
    EXPECT_TRUE(TSecurity::CheckModifyKey(key));
    tor::pswdsstr<16> other = key;
    other[0] = static_cast<char>(other[0] ^ 1);
    EXPECT_FALSE(TSecurity::CheckModifyKey(other));
    EXPECT_FALSE(TSecurity::CheckModifyKey(tor::pswdsstr<16>()));
    tor::pswdsstr<16> trailing = key;
    trailing[16] = 'x'; // all 17 bytes count
    EXPECT_FALSE(TSecurity::CheckModifyKey(trailing));
}

// ------------------------------------------------------ process-wide settings

TEST(ProcessSettings, WindowMdiClientAndDecoder)
{
    QWidget window;
    TSecRights::SetAppHWnd(vcl::WindowHandle(&window));
    TSecurity security(nullptr, "K", "P", nullptr);
    EXPECT_EQ(vcl::FindApplication(
                  TSecRights::AddSecurity("HWndProbe", "", "", "", nullptr, "", "", nullptr, false))
                  ->Handle(),
        vcl::WindowHandle(&window));
    TSecRights::DeleteSecurity("HWndProbe");
    TSecRights::SetAppHWnd(nullptr);

    int client = 0;
    TSecStdRights::SetMDIClient(&client);
    EXPECT_EQ(TSecRights::GetMDIClient(), &client);
    EXPECT_EQ(TSecurity::MDIClient, &client);
    TSecRights::SetMDIClient(nullptr);

    EXPECT_EQ(TSecurity::DecodePasswd, &TSecurity::SimpleDecodePasswd);
    char out[8] = "xxxxxxx";
    EXPECT_STREQ(TSecurity::SimpleDecodePasswd("secret", out), "secret");
    auto upper = +[](const char* stored, char* buffer) {
        std::size_t i = 0;
        for (; stored[i]; ++i)
            buffer[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(stored[i])));
        buffer[i] = 0;
        return buffer;
    };
    TSecRights::SetPasswdDecoder(upper);
    EXPECT_EQ(TSecurity::DecodePasswd, upper);
    TSecStdRights::SetPasswdDecoder(&TSecurity::SimpleDecodePasswd);
}

// ------------------------------------------------------------ library unload

// A component owned by a security dies with it and says so.
class Witness : public vcl::TComponent {
public:
    explicit Witness(vcl::TComponent* owner)
        : vcl::TComponent(owner)
        , ownerName_(owner->Name())
    {
    }
    ~Witness() override { std::fprintf(stderr, "gone %s\n", ownerName_.c_str()); }

private:
    std::string ownerName_;
};

[[noreturn]] void RegisterAndExit()
{
    for (const char* name : { "First", "Second", "Third" })
        new Witness(
            TSecRights::AddSecurity(name, "Db", "K", "P", nullptr, "u", "p", nullptr, false));
    TSecRights::DeleteSecurity("Second");
    new Witness(
        TSecRights::AddSecurity("Fourth", "Db", "K", "P", nullptr, "u", "p", nullptr, false));
    std::fflush(stderr);
    std::exit(0);
}

TEST(LibraryUnload, DestroysEverySecurityFirstToLast)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(RegisterAndExit(), ::testing::ExitedWithCode(0),
        "gone Second\ngone First\ngone Third\ngone Fourth\n");
}

TEST(PasswordPolicy, EffectiveValueFollowsTheGroupOnlyForTwo)
{
    struct Case {
        SecPasswdOption user;
        bool group;
        bool effective;
    };
    const Case cases[] = {
        { spoOff, false, false }, { spoOff, true, false }, { spoOn, false, true },
        { spoOn, true, true }, { spoAsGroup, false, false }, { spoAsGroup, true, true },
        { static_cast<SecPasswdOption>(7), false, true }, // any other value counts as set
    };
    for (const Case& c : cases)
        EXPECT_EQ(EffectiveOption(c.user, c.group), c.effective) << int(c.user) << " / " << c.group;
}

} // namespace
