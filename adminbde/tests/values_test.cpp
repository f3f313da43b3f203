// The edited user's values and rights in memory: where each shown value comes
// from (-1 the group's, -2 created since the last apply, a real id), editing,
// resetting to the group's, applying, cancelling, direct writes, and access
// by name.

#include "admin_fixture.h"

#include <wardlock/data/dataset.h>
#include <wardlock/keeper/dmodexceptions.h>
#include <wardlock/keeper/strings.h>

#include <gmock/gmock.h>

using namespace Security;
using ::testing::HasSubstr;

namespace wardlock_test {

namespace {

class ValuesTest : public AdminTest {
protected:
    void SetUp() override
    {
        AdminTest::SetUp();
        if (IsSkipped())
            return;
        clerks = AddGroup("Clerks");
        report = AddForm("ReportFrm", 1);
        language = AddParam("Language", { "Default", "en" });
        bob = AddUser("bob", clerks);
    }

    // The full module of the administrator, on bob.
    ModulePtr<TSecDModDlgBaseFrm> OnBob(const ModuleOptions& options = {})
    {
        auto module = FullModule(LoginAdmin(options));
        EXPECT_TRUE(module->FindUser(bob));
        return module;
    }

    void EditValue(TSecDModSmpDlgBaseFrm& module, const char* param, const char* value)
    {
        ASSERT_TRUE(module.FindParam(param));
        module.Current.Params->Edit();
        module.Current.Params->FieldByName("FValue")->SetAsString(value);
        module.Current.Params->Post();
    }

    void EditRights(TSecDModSmpDlgBaseFrm& module, const char* form, int mask)
    {
        vcl::TDataSet* forms = module.Current.Forms;
        ASSERT_TRUE(forms->Locate("Name", form));
        forms->Edit();
        forms->FieldByName("FView")->SetAsBoolean(mask & 1);
        forms->FieldByName("FInsert")->SetAsBoolean(mask & 2);
        forms->FieldByName("FModify")->SetAsBoolean(mask & 4);
        forms->FieldByName("FDelete")->SetAsBoolean(mask & 8);
        forms->Post();
    }

    int ValueID(TSecDModSmpDlgBaseFrm& module)
    {
        return Number(module.Current.Params, "UserParamID");
    }
    int RightID(TSecDModSmpDlgBaseFrm& module)
    {
        return Number(module.Current.Forms, "UserRightID");
    }

    int clerks = 0;
    int report = 0;
    int language = 0;
    int bob = 0;
};

TEST_P(ValuesTest, ParameterValueIdsFollowEditSecondEditDefaultAndApply)
{
    auto module = OnBob();
    ASSERT_TRUE(module->FindParam("Language"));
    EXPECT_STREQ(module->ParamValue().c_str(), "en");
    EXPECT_EQ(ValueID(*module), -1) << "inherits the group's value";
    EXPECT_TRUE(module->ParamDefault());

    EditValue(*module, "Language", "de");
    EXPECT_EQ(ValueID(*module), -2) << "a value of his own, created since the last apply";
    EXPECT_STREQ(module->ParamValue().c_str(), "de");
    EXPECT_TRUE(module->Modified());
    EXPECT_TRUE(OwnValue(bob, language).isNull()) << "cached, not written";

    EditValue(*module, "Language", "fr");
    EXPECT_EQ(ValueID(*module), -2) << "the same new row is updated";
    EXPECT_STREQ(module->ParamValue().c_str(), "fr");

    module->SetDefaultParams();
    EXPECT_EQ(ValueID(*module), -1);
    EXPECT_STREQ(module->ParamValue().c_str(), "en");

    EditValue(*module, "Language", "it");
    module->ApplyUpdates();
    ASSERT_TRUE(module->FindParam("Language"));
    EXPECT_GT(ValueID(*module), 0) << "after the apply the value has its real id";
    EXPECT_EQ(OwnValue(bob, language).toString(), "it");
    EXPECT_FALSE(module->Modified());

    EditValue(*module, "Language", "es");
    EXPECT_GT(ValueID(*module), 0);
    EXPECT_EQ(OwnValue(bob, language).toString(), "it");
    module->ApplyUpdates();
    EXPECT_EQ(OwnValue(bob, language).toString(), "es");

    module->SetDefaultParams();
    EXPECT_EQ(ValueID(*module), -1);
    module->ApplyUpdates();
    EXPECT_TRUE(OwnValue(bob, language).isNull()) << "the own row was deleted";
}

TEST_P(ValuesTest, RightIdsFollowEditSecondEditDefaultAndApply)
{
    auto module = OnBob();
    EXPECT_EQ(module->GetRight("ReportFrm"), srView);
    ASSERT_TRUE(module->Current.Forms->Locate("Name", "ReportFrm"));
    EXPECT_EQ(RightID(*module), -1);

    EditRights(*module, "ReportFrm", 9);
    EXPECT_EQ(RightID(*module), -2);
    EXPECT_EQ(module->GetRight("ReportFrm"), 9) << "View and Delete";
    EditRights(*module, "ReportFrm", 3);
    EXPECT_EQ(RightID(*module), -2);
    EXPECT_EQ(OwnRights(bob, report), -1);

    module->ApplyUpdates();
    ASSERT_TRUE(module->Current.Forms->Locate("Name", "ReportFrm"));
    EXPECT_GT(RightID(*module), 0);
    EXPECT_EQ(OwnRights(bob, report), 3);

    module->SetDefaultRights();
    EXPECT_EQ(RightID(*module), -1);
    EXPECT_EQ(module->GetRight("ReportFrm"), srView);
    module->ApplyUpdates();
    EXPECT_EQ(OwnRights(bob, report), -1);
}

TEST_P(ValuesTest, DirectModeWritesAtEachPost)
{
    auto module = OnBob({ false, false });
    EXPECT_FALSE(module->CanCancel());
    EditValue(*module, "Language", "de");
    EXPECT_EQ(OwnValue(bob, language).toString(), "de") << "written at the post";
    EditValue(*module, "Language", "nl");
    EXPECT_EQ(OwnValue(bob, language).toString(), "nl") << "the row created before, changed";
    EditRights(*module, "ReportFrm", 5);
    EXPECT_EQ(OwnRights(bob, report), 5);
    module->SetDefaultParams();
    EXPECT_TRUE(OwnValue(bob, language).isNull());
    module->ApplyUpdates();
    ASSERT_TRUE(module->FindParam("Language"));
    EXPECT_EQ(ValueID(*module), -1);
    ASSERT_TRUE(module->Current.Forms->Locate("Name", "ReportFrm"));
    EXPECT_GT(RightID(*module), 0) << "read back with its id";
}

TEST_P(ValuesTest, CancelDropsEditsAndRefillsTheValues)
{
    auto module = OnBob();
    EditValue(*module, "Language", "de");
    EditRights(*module, "ReportFrm", 15);
    int asked = 0;
    module->OnConfirmDiscard = [&] { return ++asked > 1; };
    EXPECT_FALSE(module->CancelUpdates()) << "the discard was declined";
    EXPECT_TRUE(module->Modified());
    ASSERT_TRUE(module->FindParam("Language"));
    EXPECT_STREQ(module->ParamValue().c_str(), "de");

    EXPECT_TRUE(module->CancelUpdates());
    EXPECT_FALSE(module->Modified());
    EXPECT_EQ(module->CUserID(), bob) << "still on the same user";
    ASSERT_TRUE(module->FindParam("Language"));
    EXPECT_STREQ(module->ParamValue().c_str(), "en");
    EXPECT_EQ(ValueID(*module), -1);
    EXPECT_EQ(module->GetRight("ReportFrm"), srView);
    module->ApplyUpdates();
    EXPECT_TRUE(OwnValue(bob, language).isNull());
    EXPECT_EQ(OwnRights(bob, report), -1);
}

TEST_P(ValuesTest, SwitchingUsersRefillsTheirOwnValues)
{
    const int ann = AddUser("ann", clerks);
    db().SetUserParam(ann, language, QString("pl"));
    auto module = OnBob();
    ASSERT_TRUE(module->FindParam("Language"));
    EXPECT_STREQ(module->ParamValue().c_str(), "en");
    ASSERT_TRUE(module->FindUser(ann));
    ASSERT_TRUE(module->FindParam("Language"));
    EXPECT_STREQ(module->ParamValue().c_str(), "pl");
    EXPECT_GT(ValueID(*module), 0);
    EditValue(*module, "Language", "cs");
    ASSERT_TRUE(module->FindUser(bob));
    ASSERT_TRUE(module->FindParam("Language"));
    EXPECT_STREQ(module->ParamValue().c_str(), "en") << "ann's edit stays hers";
    ASSERT_TRUE(module->FindUser(ann));
    ASSERT_TRUE(module->FindParam("Language"));
    EXPECT_STREQ(module->ParamValue().c_str(), "cs");
}

TEST_P(ValuesTest, AccessByName)
{
    AddParam("Secret", { "Default", "x", false, false, true });
    auto module = OnBob();
    EXPECT_TRUE(module->GetParam("NoSuchParam").empty());
    EXPECT_TRUE(module->GetPswdParam("NoSuchParam").empty());
    try {
        module->SetParam("NoSuchParam", "1");
        FAIL() << "no exception";
    } catch (const EParamNameNotFound& error) {
        EXPECT_EQ(error.Message(), "The parameter named NoSuchParam could not be found.");
    }
    try {
        module->GetRight("NoSuchForm");
        FAIL() << "no exception";
    } catch (const ERightNameNotFound& error) {
        EXPECT_EQ(error.Message(), "The right named NoSuchForm could not be found.");
    }
    EXPECT_THROW(module->GetParamTypeID("NoSuchType"), EParamTypeNotFound);
    try {
        module->GetParamTypeName(4711);
        FAIL() << "no exception";
    } catch (const EPrmTypeNumberNotFound& error) {
        EXPECT_THAT(error.Message(), HasSubstr(SecString(sObjectNotFound)));
    }

    // A hidden parameter is found by name while the Hidden filter is on, and
    // the filter is on again afterwards, also after a failure.
    ASSERT_TRUE(module->Current.Params->Filtered());
    EXPECT_STREQ(module->GetParam("Secret").c_str(), "x");
    module->SetParam("Secret", "y");
    EXPECT_STREQ(module->GetParam("Secret").c_str(), "y");
    EXPECT_TRUE(module->Current.Params->Filtered());
    EXPECT_THROW(module->SetParam("NoSuchParam", "1"), EParamNameNotFound);
    EXPECT_TRUE(module->Current.Params->Filtered());
    EXPECT_FALSE(module->FindParam("Secret")) << "hidden again";

    const tor::pswdsstr<16> raw("\xE9\x80\xFFraw");
    module->SetPswdParam("Language", raw);
    EXPECT_EQ(module->GetPswdParam("Language"), raw) << "stored bytes come back unchanged";
    module->ApplyUpdates();
    EXPECT_EQ(OwnValue(bob, language).toString().toLatin1(), QByteArray("\xE9\x80\xFFraw"));
}

TEST_P(ValuesTest, AskingBeforeChanges)
{
    auto module = OnBob();
    int asked = 0;
    module->OnAskApply = [&] {
        ++asked;
        return kAnswerYes;
    };
    EXPECT_TRUE(module->AskAndUpdate());
    EXPECT_EQ(asked, 0) << "nothing to apply, nothing asked";
    EditValue(*module, "Language", "de");
    EXPECT_TRUE(module->AskAndUpdate());
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(OwnValue(bob, language).toString(), "de");
}

WARDLOCK_ADMIN_ENGINES(ValuesTest);

} // namespace

} // namespace wardlock_test
