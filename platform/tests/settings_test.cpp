#include "wardlock/platform/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

using namespace vcl;

namespace {

const char* const providersKey = "Software\\Torvane\\Wardlock\\DBProviders";

// Both scopes point at fresh temporary folders for each test.
class Settings : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(systemDir_.isValid() && userDir_.isValid());
        SetSettingsFolders(systemDir_.path().toStdString(), userDir_.path().toStdString());
    }
    void TearDown() override { SetSettingsFolders("", ""); }

    static std::string fileText(TRootKey root)
    {
        QFile file(QString::fromStdString(SettingsFileName(root)));
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    }

    QTemporaryDir systemDir_;
    QTemporaryDir userDir_;
};

TEST_F(Settings, ScopesAreSeparateFilesInTheirFolders)
{
    EXPECT_EQ(SettingsFileName(TRootKey::LocalMachine),
        systemDir_.path().toStdString() + "/Torvane/Wardlock.ini");
    EXPECT_EQ(SettingsFileName(TRootKey::CurrentUser),
        userDir_.path().toStdString() + "/Torvane/Wardlock.ini");

    TRegistry machine(TRootKey::LocalMachine);
    ASSERT_TRUE(machine.OpenKey(providersKey, true));
    machine.WriteString("Torvane:BDE", "wardbde.dll");

    TRegistry user(TRootKey::CurrentUser);
    EXPECT_FALSE(user.OpenKey(providersKey, false));
    EXPECT_FALSE(user.KeyExists("\\Software"));
    EXPECT_EQ(fileText(TRootKey::CurrentUser), "");
}

TEST_F(Settings, WritesAreOnDiskAndSeenByAnotherRegistryAtOnce)
{
    TRegistry writer(TRootKey::LocalMachine);
    TRegistry reader(TRootKey::LocalMachine);
    ASSERT_TRUE(writer.OpenKey(providersKey, true));
    EXPECT_FALSE(reader.OpenKey(providersKey, false)) << "the key has no value yet";

    writer.WriteString("Torvane:ADO", "wardado.dll");
    EXPECT_NE(fileText(TRootKey::LocalMachine).find("wardado.dll"), std::string::npos);
    ASSERT_TRUE(reader.OpenKey(providersKey, false));
    EXPECT_EQ(reader.ReadString("Torvane:ADO"), "wardado.dll");

    writer.WriteString("Torvane:ADO", "other.dll");
    EXPECT_EQ(reader.ReadString("Torvane:ADO"), "other.dll");
}

TEST_F(Settings, NamesAndValuesRoundTripExactly)
{
    // Each pair is written under the same key and must read back unchanged.
    const std::vector<std::pair<std::string, std::string>> values = {
        { "Torvane:BDE", "wardbde.dll" },
        { "torvane:bde", "lower case is another name" },
        { "TORVANE:BDE", "" },
        { "Width", "640" },
        { "with space", " leading and trailing " },
        { "a/b", "slash in a name" },
        { "a\\b", "backslash in a name" },
        { "100%", "per cent %2F stays" },
        { "%2F", "looks escaped" },
        { "Größe", "Ünïcode" },
        { "x=y;#[z]", "LocalCursor=1, BatchUpdates=1" },
        { "quotes", "\"quoted\" and 'single'" },
        { "at", "@Variant(junk)" },
        { "lines", "one\ntwo" },
    };
    {
        TRegistry writer(TRootKey::CurrentUser);
        ASSERT_TRUE(writer.OpenKey("Software\\Torvane\\Wardlock\\1.0\\Layout", true));
        for (const auto& [name, value] : values)
            writer.WriteString(name, value);
    }
    TRegistry reader(TRootKey::CurrentUser);
    ASSERT_TRUE(reader.OpenKey("\\Software\\Torvane\\Wardlock\\1.0\\Layout", false));
    std::vector<std::string> expectedNames;
    for (const auto& [name, value] : values) {
        SCOPED_TRACE(name);
        expectedNames.push_back(name);
        EXPECT_TRUE(reader.ValueExists(name));
        EXPECT_EQ(reader.ReadString(name), value);
    }
    std::vector<std::string> names = reader.GetValueNames();
    std::sort(names.begin(), names.end());
    std::sort(expectedNames.begin(), expectedNames.end());
    EXPECT_EQ(names, expectedNames);
    EXPECT_FALSE(reader.ValueExists("Torvane:bde"));
}

TEST_F(Settings, KeyNamesRoundTripAndListAsSubkeys)
{
    TRegistry registry(TRootKey::CurrentUser);
    const std::vector<std::string> sections = { "Users", "users", "Rights Values", "a/b", "50%" };
    for (const auto& section : sections) {
        ASSERT_TRUE(registry.OpenKey("\\Layout\\SecurityDlg\\" + section, true));
        registry.WriteInteger("Col0", 80);
    }
    ASSERT_TRUE(registry.OpenKey("\\Layout\\SecurityDlg", false));
    std::vector<std::string> names = registry.GetKeyNames();
    std::vector<std::string> expected = sections;
    std::sort(names.begin(), names.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
    for (const auto& section : sections) {
        SCOPED_TRACE(section);
        EXPECT_TRUE(registry.KeyExists(section));
    }
    EXPECT_FALSE(registry.KeyExists("USERS"));
}

TEST_F(Settings, OpenKeyPathsAndMissingKeys)
{
    TRegistry registry(TRootKey::CurrentUser);
    EXPECT_EQ(registry.CurrentPath(), "");
    ASSERT_TRUE(registry.OpenKey("Software\\Torvane", true));
    ASSERT_TRUE(registry.OpenKey("Wardlock", true)); // relative to the open key
    EXPECT_EQ(registry.CurrentPath(), "Software\\Torvane\\Wardlock");
    registry.WriteString("Here", "1");

    // A missing key without creating: false, and the open key stays.
    EXPECT_FALSE(registry.OpenKey("Missing", false));
    EXPECT_FALSE(registry.OpenKey("\\Missing", false));
    EXPECT_EQ(registry.CurrentPath(), "Software\\Torvane\\Wardlock");
    EXPECT_EQ(registry.ReadString("Here"), "1");

    ASSERT_TRUE(registry.OpenKey("\\Other\\", true)); // absolute; extra separators ignored
    EXPECT_EQ(registry.CurrentPath(), "Other");
    registry.CloseKey();
    EXPECT_EQ(registry.CurrentPath(), "");
    EXPECT_TRUE(registry.KeyExists("Software\\Torvane\\Wardlock"));
    EXPECT_TRUE(registry.OpenKey("Software\\Torvane\\Wardlock", false));

    registry.SetRootKey(TRootKey::LocalMachine);
    EXPECT_EQ(registry.CurrentPath(), "") << "changing the root closes the key";
    EXPECT_FALSE(registry.KeyExists("\\Software"));
}

TEST_F(Settings, IntegersAndTheirErrors)
{
    TRegistry registry(TRootKey::CurrentUser);
    ASSERT_TRUE(registry.OpenKey("Layout", true));
    registry.WriteInteger("Width", 1234);
    registry.WriteInteger("Offset", -7);
    registry.WriteString("Text", "12");
    registry.WriteString("Word", "wide");

    EXPECT_EQ(registry.ReadInteger("Width"), 1234);
    EXPECT_EQ(registry.ReadInteger("Offset"), -7);
    EXPECT_EQ(registry.ReadInteger("Text"), 12);
    EXPECT_EQ(registry.ReadString("Width"), "1234");
    EXPECT_THROW(registry.ReadInteger("Word"), ERegistryException);
    EXPECT_THROW(registry.ReadInteger("Missing"), ERegistryException);
    EXPECT_EQ(registry.ReadString("Missing"), "");
    EXPECT_THROW(registry.WriteString("", "x"), ERegistryException);
}

TEST_F(Settings, DeletingValuesAndKeys)
{
    TRegistry registry(TRootKey::CurrentUser);
    ASSERT_TRUE(registry.OpenKey("\\A\\B\\C", true));
    registry.WriteString("deep", "1");
    ASSERT_TRUE(registry.OpenKey("\\A", true));
    registry.WriteString("keep", "1");
    registry.WriteString("drop", "1");

    EXPECT_TRUE(registry.DeleteValue("drop"));
    EXPECT_FALSE(registry.DeleteValue("drop"));
    EXPECT_FALSE(registry.ValueExists("drop"));

    EXPECT_TRUE(registry.DeleteKey("B")); // with its subkeys
    EXPECT_FALSE(registry.KeyExists("B"));
    EXPECT_FALSE(registry.KeyExists("\\A\\B\\C"));
    EXPECT_FALSE(registry.DeleteKey("B"));
    EXPECT_TRUE(registry.ValueExists("keep"));

    TRegistry other(TRootKey::CurrentUser);
    EXPECT_FALSE(other.OpenKey("\\A\\B", false)) << "the deletion is on disk";
    EXPECT_TRUE(other.DeleteKey("\\A"));
    EXPECT_FALSE(other.KeyExists("A"));
}

TEST_F(Settings, ReadsAHandWrittenProviderTable)
{
    // What an installation writes: plain or escaped ':' in names, and an
    // unquoted value with commas.
    const std::string file = SettingsFileName(TRootKey::LocalMachine);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(QString::fromStdString(file)).path()));
    std::ofstream(file) << "[Software/Torvane/Wardlock/DBProviders]\n"
                           "Torvane:BDE=wardbde.dll\n"
                           "Torvane%3AADO=/opt/wardlock/lib/wardado.dll\n"
                           "Options=LocalCursor=1, BatchUpdates=1\n";

    TRegistry registry(TRootKey::LocalMachine);
    ASSERT_TRUE(registry.OpenKey(providersKey, false));
    EXPECT_EQ(registry.GetValueNames(),
        (std::vector<std::string> { "Options", "Torvane:ADO", "Torvane:BDE" }));
    EXPECT_EQ(registry.ReadString("Torvane:BDE"), "wardbde.dll");
    EXPECT_EQ(registry.ReadString("Torvane:ADO"), "/opt/wardlock/lib/wardado.dll");
    EXPECT_EQ(registry.ReadString("Options"), "LocalCursor=1, BatchUpdates=1");
}

TEST_F(Settings, UnwritableStoreFailsLoudlyAndCreatesNothing)
{
    // A folder below a plain file can never be created, not even by root.
    const std::string blocker = userDir_.filePath("blocker").toStdString();
    std::ofstream(blocker) << "x";
    SetSettingsFolders(systemDir_.path().toStdString(), blocker + "/sub");

    TRegistry registry(TRootKey::CurrentUser);
    EXPECT_FALSE(registry.OpenKey("Layout", true));
    EXPECT_EQ(registry.CurrentPath(), "");
    EXPECT_THROW(registry.WriteString("Width", "1"), ERegistryException);
    EXPECT_THROW(registry.WriteInteger("Width", 1), ERegistryException);
}

// Keeps an environment variable as it was before the test.
class EnvironmentGuard {
public:
    explicit EnvironmentGuard(const char* name)
        : name_(name)
    {
        if (const char* value = std::getenv(name)) {
            had_ = true;
            value_ = value;
        }
        ::unsetenv(name);
    }
    ~EnvironmentGuard()
    {
        if (had_)
            ::setenv(name_, value_.c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    bool had_ = false;
    std::string value_;
};

// The environment names the folders unless a test has set them.
TEST(SettingsFolders, OverrideThenEnvironmentThenQtDefault)
{
    EnvironmentGuard userEnv("WARDLOCK_USER_CONFIG");
    EnvironmentGuard systemEnv("WARDLOCK_SYSTEM_CONFIG");
    SetSettingsFolders("", "");
    const std::string qtDefault = SettingsFileName(TRootKey::CurrentUser);
    EXPECT_NE(qtDefault.find("Torvane/Wardlock.ini"), std::string::npos) << qtDefault;
    EXPECT_NE(SettingsFileName(TRootKey::LocalMachine), qtDefault);

    ASSERT_EQ(::setenv("WARDLOCK_USER_CONFIG", "/home/u/wardlock-test", 1), 0);
    ASSERT_EQ(::setenv("WARDLOCK_SYSTEM_CONFIG", "/etc/wardlock-test", 1), 0);
    EXPECT_EQ(
        SettingsFileName(TRootKey::CurrentUser), "/home/u/wardlock-test/Torvane/Wardlock.ini");
    EXPECT_EQ(SettingsFileName(TRootKey::LocalMachine), "/etc/wardlock-test/Torvane/Wardlock.ini");

    SetSettingsFolders("/sys-override", "");
    EXPECT_EQ(SettingsFileName(TRootKey::LocalMachine), "/sys-override/Torvane/Wardlock.ini");
    EXPECT_EQ(
        SettingsFileName(TRootKey::CurrentUser), "/home/u/wardlock-test/Torvane/Wardlock.ini");
    SetSettingsFolders("", "");
}

} // namespace
