// Running an editor's entry point: where its library may come from, the
// authenticity check, missing entry points, and a library that throws
// everything it can. Nothing of a refused library is ever loaded.

#include "params_fixture.h"

#include "paramcommands.h"
#include "pluginlibrary.h"
#include "sandbox.h"

#include <wardlock/keeper/strings.h>
#include <wardlock/platform/library.h>
#include <wardlock/platform/settings.h>

#include <QDir>
#include <QFile>

#include <dlfcn.h>

#include <filesystem>

using namespace Security;
using namespace Security::ParamEditors;

namespace wardlock_test {

namespace {

std::string Then(TSecStringId outer, const std::string& inner)
{
    return std::string(SecString(outer)) + " : " + inner;
}

bool IsLoaded(const std::string& file)
{
    void* handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle)
        ::dlclose(handle);
    return handle != nullptr;
}

// A copy of the test editor in a folder nobody named.
std::string CopyOutside()
{
    const QString folder = QString::fromStdString(SandboxFolder()) + "/elsewhere";
    QDir().mkpath(folder);
    const QString copy = folder + "/libwardtestparamed.so";
    QFile::remove(copy);
    QFile::copy(QString::fromStdString(vcl::LibraryFolder() + "/libwardtestparamed.so"), copy);
    return copy.toStdString();
}

// The library folder as the search gives it (symbolic parts resolved).
std::string Libraries()
{
    return std::filesystem::canonical(vcl::LibraryFolder()).string();
}

TEST(PluginLibraryTest, OnlyTheLibraryFolderAndNamedFoldersAreSearched)
{
    const std::string libraries = Libraries();
    const std::string editor = libraries + "/libwardtestparamed.so";
    const std::string outside = CopyOutside();
    struct Case {
        std::string name;
        std::string found;
    };
    const Case cases[] = {
        { "wardtestparamed.dll", editor },
        { "libwardtestparamed.so", editor },
        { editor, editor },
        { libraries + "/../lib/libwardtestparamed.so", editor },
        // Not in the library folder, and no other folder is named.
        { "wardtestthrower.dll", "" },
        { outside, "" },
        { "../lib/libwardtestparamed.so", "" },
        { "lib/libwardtestparamed.so", "" },
        { "C:\\Plugins\\wardtestparamed.dll", "" },
        { "", "" },
        { libraries + "/", "" },
    };
    for (const Case& test : cases)
        EXPECT_EQ(ResolveLibrary(test.name), test.found) << test.name;

    ExtraPluginFolder named;
    EXPECT_EQ(ResolveLibrary("wardtestthrower.dll"), kExtraFolder + "/libwardtestthrower.so");
    EXPECT_EQ(ResolveLibrary(kExtraFolder + "/libwardtestthrower.so"),
        kExtraFolder + "/libwardtestthrower.so");
    EXPECT_EQ(ResolveLibrary(outside), "");
}

TEST(PluginLibraryTest, RelativeFoldersInTheSettingsAreIgnored)
{
    ExtraPluginFolder relative("extraplugins");
    EXPECT_EQ(PluginFolders(), std::vector<std::string> { Libraries() });
}

class RunnerTest : public ParamsTest {
protected:
    // A parameter of type `typeID` as the current one, its value "start".
    void MakeCurrent(int typeID)
    {
        db().Exec("insert into Params (Name, FullName, ParamTypeID, Description, UserCanModify, "
                  "DefaultValue, Hidden, FProtected) values ('Probe', 'Probe', :p1, '', :p2, "
                  "'start', :p3, :p4)",
            { typeID, false, false, false });
        db().Exec("insert into GroupParams (ParamID, GroupID, FValue) select :p1, GroupID, "
                  "'start' from Groups",
            { ParamID("Probe") });
        ReloadTypes();
        Module().RefreshAll();
        Select("Probe");
    }
    // The value column's editor on the probe: the failure's text, if any.
    std::string Edit()
    {
        return MessageOf([&] { ParamCommands::EditParamValue(Host()); });
    }
};

TEST_P(RunnerTest, AuthenticityIsCheckedWhenTheTypeNamesAKeyFunction)
{
    const QVariant rightKey = RawBytes(tor::pswdsstr<16>(kTestEditorKey));
    const QVariant otherKey = RawBytes(tor::pswdsstr<16>("Some other key!!"));
    struct Case {
        const char* why;
        std::string keyFunction;
        QVariant storedKey;
        bool authentic;
    };
    const Case cases[] = {
        { "no key function: no check", "", {}, true },
        { "the key matches", "TestEdKey", rightKey, true },
        { "the library answers another key", "TestEdWrongKey", rightKey, false },
        { "the key function is missing", "NoSuchKeyFunction", rightKey, false },
        { "the type stores another key", "TestEdKey", otherKey, false },
    };
    int number = 0;
    for (const Case& test : cases) {
        SCOPED_TRACE(test.why);
        const int type = AddType("Key" + std::to_string(++number),
            { "wardtestparamed.dll", "TestEdIns", "TestEdItr", "TestEdRen", "TestEdShow",
                test.keyFunction, test.storedKey });
        db().Exec("delete from Params where Name = 'Probe'");
        MakeCurrent(type);
        EXPECT_EQ(Edit(),
            test.authentic ? "" : Then(sParamValueChangeFailed, SecString(sEditorNotAuthentic)));
        Select("Probe");
        EXPECT_EQ(Module().ParamValue().str(), test.authentic ? "ed:start" : "start");
        Module().CancelUpdates();
    }
}

TEST_P(RunnerTest, ARefusedLibraryIsNeverLoaded)
{
    const std::string outside = CopyOutside();
    MakeCurrent(AddType("Outside", { outside, "", "", "", "TestEdShow", "", {} }));
    EXPECT_EQ(Edit(), Then(sParamValueChangeFailed, SecFormat(sLibraryNotFound, outside)));
    EXPECT_FALSE(IsLoaded(outside));
    EXPECT_EQ(Module().ParamValue().str(), "start");
}

TEST_P(RunnerTest, MissingLibraryOrEntryPoint)
{
    struct Case {
        const char* why;
        TypeSetup type;
        std::string message;
    };
    const Case cases[] = {
        { "no library named", { "", "", "", "", "TestEdShow", "", {} },
            Then(sParamValueChangeFailed, SecFormat(sLibraryNotFound, "")) },
        { "no such library", { "wardnosuchlibrary.dll", "", "", "", "TestEdShow", "", {} },
            Then(sParamValueChangeFailed, SecFormat(sLibraryNotFound, "wardnosuchlibrary.dll")) },
        { "no such entry point", { "wardtestparamed.dll", "", "", "", "NoSuchEdit", "", {} },
            Then(sParamValueChangeFailed,
                SecFormat(sEntryPointNotFound, "NoSuchEdit", "wardtestparamed.dll")) },
        { "no edit function named", { "wardtestparamed.dll", "", "", "", "", "", {} },
            Then(sParamValueChangeFailed,
                SecFormat(sEntryPointNotFound, "", "wardtestparamed.dll")) },
    };
    int number = 0;
    for (const Case& test : cases) {
        SCOPED_TRACE(test.why);
        db().Exec("delete from Params where Name = 'Probe'");
        MakeCurrent(AddType("Missing" + std::to_string(++number), test.type));
        EXPECT_EQ(Edit(), test.message);
        EXPECT_EQ(Module().ParamValue().str(), "start");
    }
}

// Every way the thrower fails is reported by the command that ran it; the
// module goes on, and the parameter keeps its value.
TEST_P(RunnerTest, AThrowingEditorNeverTakesTheModuleDown)
{
    ExtraPluginFolder named;
    const int thrower = AddType("Thrower",
        { "wardtestthrower.dll", "ThrowerIns", "ThrowerItr", "ThrowerRen", "ThrowerShow", "", {} });
    EXPECT_EQ(MessageOf([&] { NewParam("Fresh", thrower); }),
        Then(sInsertParamFailed, SecFormat(sEditorUnknownError, "wardtestthrower.dll")));
    EXPECT_FALSE(Exists("Fresh"));

    MakeCurrent(thrower);
    EXPECT_EQ(Edit(), Then(sParamValueChangeFailed, "the thrower's own error"));
    EXPECT_EQ(Module().ParamValue().str(), "start");
    EXPECT_EQ(MessageOf([&] { TSecParamEd(&Host()).RenParam("Probe", "Probe2"); }),
        Then(sRenameParamFailed,
            SecFormat(sEntryPointNotFound, "ThrowerRen", "wardtestthrower.dll")));
    Select("Probe");
    EXPECT_EQ(MessageOf([&] { ParamCommands::DeleteParam(Host()); }),
        Then(sDeleteParamFailed, "the thrower cannot iterate"));
    EXPECT_TRUE(Exists("Probe"));
    EXPECT_FALSE(Exists("Probe2"));
}

INSTANTIATE_TEST_SUITE_P(
    Engines, RunnerTest, ::testing::Values(Engine::SQLite, Engine::PostgreSQL), AdminEngineName);

} // namespace

} // namespace wardlock_test
