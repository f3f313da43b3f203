// The ADO data module over ODBC data sources, on SQLite (SQLite3 driver) and
// PostgreSQL (psqlODBC): the password filled in at the first preparation and
// kept afterwards, failed preparations that leave the module able to connect
// again, the users query and its exact-name filter, parameters, and the
// provider library's factory.

#include "datamodule.h"
#include "odbc_source.h"
#include "provider.h"
#include "secdb.h"

#include <wardlock/data/ado.h>
#include <wardlock/platform/exception.h>
#include <wardlock/platform/library.h>
#include <wardlock/provider.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace Security;
using wardlock_test::Engine;
using wardlock_test::kDbPassword;
using wardlock_test::kDbUser;

namespace {

std::string WithPassword(const std::string& dsn, const std::string& password)
{
    return "Provider=MSDASQL.1;Persist Security Info=True;User ID=SecurityCheck;Password="
        + password + ";Data Source=" + dsn;
}

class AdoDataModuleTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override
    {
        if (!wardlock_test::EngineAvailable(GetParam()))
            GTEST_SKIP() << "PostgreSQL is not configured (WARDLOCK_PG_*)";
        db_ = std::make_unique<wardlock_test::SecurityDb>(GetParam(), "AdoTest");
        dsn_ = wardlock_test::AddOdbcSource(*db_);
        template_ = wardlock_test::AdoTemplate(dsn_);
        module_ = std::make_unique<TSecDModADOFrm>(nullptr, "AdoTest", template_.c_str(), kDbUser);
    }

    std::string ConnectionString() const { return module_->SecurityDB->ConnectionString(); }

    std::unique_ptr<wardlock_test::SecurityDb> db_;
    std::string dsn_;
    std::string template_;
    std::unique_ptr<TSecDModADOFrm> module_;
};

TEST_P(AdoDataModuleTest, FirstPreparationFillsThePasswordAndLaterOnesKeepIt)
{
    EXPECT_EQ(ConnectionString(), WithPassword(dsn_, "%s"));
    ASSERT_TRUE(module_->PrepareLogin(kDbPassword));
    EXPECT_TRUE(module_->SecurityDB->Connected());
    EXPECT_EQ(ConnectionString(), WithPassword(dsn_, kDbPassword)) << "the rest is unchanged";
    auto* users = dynamic_cast<vcl::TADOQuery*>(module_->UsersDataSet());
    ASSERT_NE(users, nullptr);
    EXPECT_TRUE(users->Prepared());
    EXPECT_TRUE(users->Filtered());

    // Not logged in: PostLogin frees the users query and disconnects.
    module_->PostLogin();
    EXPECT_EQ(module_->UsersDataSet(), nullptr);
    EXPECT_FALSE(module_->SecurityDB->Connected());

    // Disconnected, another password: the string has no placeholder left.
    ASSERT_TRUE(module_->PrepareLogin("another"));
    EXPECT_EQ(ConnectionString(), WithPassword(dsn_, kDbPassword));
    // Still connected: the password is not even looked at.
    ASSERT_TRUE(module_->PrepareLogin("third"));
    EXPECT_EQ(ConnectionString(), WithPassword(dsn_, kDbPassword));
}

TEST_P(AdoDataModuleTest, PlaceholderTextInsideAFilledPasswordIsNeverFilledAgain)
{
    ASSERT_TRUE(module_->PrepareLogin("pw%sx"));
    module_->PostLogin();
    ASSERT_FALSE(module_->SecurityDB->Connected());
    ASSERT_TRUE(module_->PrepareLogin("other"));
    EXPECT_EQ(ConnectionString(), WithPassword(dsn_, "pw%sx"));
}

TEST_P(AdoDataModuleTest, FailedPreparationRestoresTheBuiltStringSoTheModuleCanConnectAgain)
{
    db_->DeleteSetting("SecurityAutoLog");
    EXPECT_FALSE(module_->PrepareLogin("first"));
    EXPECT_FALSE(module_->SecurityDB->Connected());
    EXPECT_EQ(module_->UsersDataSet(), nullptr);
    EXPECT_EQ(ConnectionString(), module_->BuiltConnectionString());
    EXPECT_EQ(ConnectionString(), WithPassword(dsn_, "%s"));

    db_->SetSetting("SecurityAutoLog", QStringLiteral("Wdk580217;QmTr#6"));
    ASSERT_TRUE(module_->PrepareLogin("second"));
    EXPECT_EQ(ConnectionString(), WithPassword(dsn_, "second"));
}

TEST_P(AdoDataModuleTest, WrongSignatureOrMissingSourceFailQuietly)
{
    db_->SetSetting("SecurityAutoLog", QStringLiteral("Wdk580217;QmTr#7"));
    EXPECT_FALSE(module_->PrepareLogin(kDbPassword));

    TSecDModADOFrm missing(
        nullptr, "Missing", wardlock_test::AdoTemplate("WardNoSuchSource").c_str(), kDbUser);
    EXPECT_FALSE(missing.PrepareLogin(kDbPassword));
    EXPECT_EQ(missing.SecurityDB->ConnectionString(), missing.BuiltConnectionString());

    // Values that cannot be written into the string are refused, not pasted.
    TSecDModADOFrm badUser(nullptr, "BadUser", template_.c_str(), "a;'\"");
    EXPECT_FALSE(badUser.PrepareLogin(kDbPassword));
    EXPECT_FALSE(module_->PrepareLogin("a;'\""));
    EXPECT_EQ(ConnectionString(), module_->BuiltConnectionString());
}

TEST_P(AdoDataModuleTest, PasswordWithSeparatorIsQuoted)
{
    // The SQLite drivers end a value at every ';', so they are never given
    // one: the preparation fails and the built string comes back.
    if (GetParam() == Engine::SQLite) {
        EXPECT_FALSE(module_->PrepareLogin("pw;Data Source=Elsewhere"));
        EXPECT_EQ(ConnectionString(), module_->BuiltConnectionString());
        return;
    }
    // A trust-authenticated server ignores the password; what matters is
    // that the data source is still the one named.
    ASSERT_TRUE(module_->PrepareLogin("pw;Data Source=Elsewhere"));
    EXPECT_EQ(vcl::TADOConnection::ConnectionStringValue(ConnectionString(), "Password"),
        "pw;Data Source=Elsewhere");
    EXPECT_EQ(vcl::TADOConnection::ConnectionStringValue(ConnectionString(), "Data Source"), dsn_);
}

TEST_P(AdoDataModuleTest, LoginReadsTheUserAndPreparingAgainLogsOut)
{
    ASSERT_TRUE(module_->PrepareLogin(kDbPassword));
    ASSERT_TRUE(module_->Login("admin", wardlock_test::kAdminPassword));
    TSecUser user;
    module_->FillUser(user);
    EXPECT_EQ(std::string(user.Name.c_str()), "admin");
    module_->PostLogin();
    EXPECT_EQ(module_->UsersDataSet(), nullptr);
    EXPECT_TRUE(module_->SecurityDB->Connected()) << "a logged module stays connected";
    EXPECT_EQ(std::string(module_->GetDBParam("YesString").c_str()), "Yes");

    ASSERT_TRUE(module_->PrepareLogin(kDbPassword));
    EXPECT_FALSE(module_->Logged());
    EXPECT_FALSE(module_->Login("admin", "wrong"));
    module_->PostLogin();
    EXPECT_FALSE(module_->SecurityDB->Connected());

    ASSERT_TRUE(module_->PrepareLogin(kDbPassword));
    ASSERT_TRUE(module_->Login("admin", wardlock_test::kAdminPassword));
    module_->Logout();
    EXPECT_FALSE(module_->Logged());
    EXPECT_FALSE(module_->SecurityDB->Connected());
}

TEST_P(AdoDataModuleTest, UsersFilterAcceptsOnlyTheExactName)
{
    const int group = db_->AddGroup("Staff");
    const int upper = db_->AddUser("Admin", group, std::string("upper"));
    ASSERT_TRUE(module_->PrepareLogin(kDbPassword));

    // A database that compares names without regard to case returns both rows.
    vcl::TADOQuery query(module_.get());
    query.SetConnection(module_->SecurityDB);
    query.SQL().Add(
        "select UserID, Name from Users where lower(Name) = lower(:Name) order by UserID");
    query.OnFilterRecord = [this](vcl::TDataSet* dataSet, bool& accept) {
        module_->UsersFilterRecord(dataSet, accept);
    };
    query.SetFiltered(true);
    module_->DSSetParam(&query, "Name", "Admin");
    query.Open();
    EXPECT_EQ(query.UnfilteredRecordCount(), 2);
    ASSERT_EQ(query.RecordCount(), 1);
    EXPECT_EQ(query.FieldByName("UserID")->AsInteger(), upper);
    query.Close();

    // Through the users query itself.
    EXPECT_FALSE(module_->Login("ADMIN", "upper"));
    module_->PostLogin();
    ASSERT_TRUE(module_->PrepareLogin(kDbPassword));
    ASSERT_TRUE(module_->Login("Admin", "upper"));
    TSecUser user;
    module_->FillUser(user);
    EXPECT_EQ(user.UserID, upper);
}

TEST_P(AdoDataModuleTest, DSSetParamSetsAdoQueryParametersAndIgnoresOtherDatasets)
{
    auto* groupRights = static_cast<vcl::TADOQuery*>(module_->GroupRights);
    module_->DSSetParam(groupRights, "groupid", 7);
    EXPECT_EQ(groupRights->ParamByName("GroupID").AsInteger(), 7);
    module_->DSSetParam(groupRights, "GroupID", "12");
    EXPECT_EQ(groupRights->ParamByName("GroupID").AsString(), "12");

    vcl::TQuery bdeQuery;
    bdeQuery.SQL().Add("select 1 where 1 = :GroupID");
    module_->DSSetParam(&bdeQuery, "GroupID", 3);
    module_->DSSetParam(&bdeQuery, "GroupID", "3");
    EXPECT_FALSE(bdeQuery.ParamByName("GroupID").Bound());
    module_->DSSetParam(nullptr, "GroupID", 3);
}

INSTANTIATE_TEST_SUITE_P(Engines, AdoDataModuleTest,
    ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
    [](const auto& info) { return wardlock_test::EngineName(info.param); });

// ------------------------------------------------------------------ factory

TEST(AdoFactory, CreatesTheAdoProviderAndItsDataModules)
{
    void* library = vcl::LoadLibrary(WARDLOCK_TEST_WARDADO);
    ASSERT_NE(library, nullptr);
    auto objectFactory
        = reinterpret_cast<SecObjectFactoryFn>(vcl::GetProcAddress(library, "_SecObjectFactory"));
    ASSERT_NE(objectFactory, nullptr);
    SecFactoryProc factory = objectFactory();
    ASSERT_NE(factory, nullptr);

    TSecFactoryRequest request;
    EXPECT_EQ(factory("ado", secFactoryCreate, &request), nullptr);
    EXPECT_EQ(factory("BDE", secFactoryCreate, &request), nullptr);
    auto* provider = static_cast<DBProviderBase*>(factory("ADO", secFactoryCreate, &request));
    ASSERT_NE(provider, nullptr);
    EXPECT_EQ(provider->RegisteredName(), "ADO");
    ASSERT_TRUE(provider->SetOptions("LocalCursor=1, BatchUpdates=1"));
    EXPECT_EQ(provider->OptionsText(), "LocalCursor=1, BatchUpdates=1");
    EXPECT_EQ(provider->Option("LocalCursor"), "1");

    const std::string connectionTemplate = wardlock_test::AdoTemplate("WardDemo");
    TSecDModRequest create { nullptr, "Sample", connectionTemplate.c_str(), kDbUser };
    TSecDModFrm* module = provider->CreateDataModule(create);
    auto* adoModule = dynamic_cast<TSecDModADOFrm*>(module);
    ASSERT_NE(adoModule, nullptr);
    EXPECT_EQ(adoModule->Name(), "Sample");
    EXPECT_EQ(adoModule->SecurityDB->ConnectionString(), WithPassword("WardDemo", "%s"));
    provider->DestroyObject({ nullptr, module });

    // The administration requests go to the sibling "wardkeeperado5.dll"
    // (found in the library folder when not beside the program), created as
    // "ADOAdm" with the options text; a request without a logged security
    // gets no module from it (message 2).
    provider->SetHostDirectory("/nonexistent/");
    for (const bool simple : { false, true }) {
        try {
            if (simple)
                provider->CreateSmpDlgModule({});
            else
                provider->CreateDlgModule({});
            ADD_FAILURE() << "a module without a security";
        } catch (const vcl::Exception& error) {
            EXPECT_EQ(error.Message(), "The system was not able to connect to Security database.");
        }
    }
    ASSERT_NE(provider->SiblingProvider(), nullptr);
    EXPECT_EQ(provider->SiblingProvider()->RegisteredName(), "ADOAdm");
    EXPECT_EQ(provider->SiblingProvider()->OptionsText(), "LocalCursor=1, BatchUpdates=1");

    TSecFactoryRequest destroy { nullptr, provider };
    EXPECT_EQ(factory("ADO", secFactoryDestroy, &destroy), nullptr);
    vcl::FreeLibrary(library);
}

} // namespace
