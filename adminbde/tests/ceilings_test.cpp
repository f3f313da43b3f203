// The ceilings: a restricted administrator may not give anybody a right or a
// protected value beyond his own. Refusals raise message 96 whether or not a
// dialog set the refusal hook; the unrestricted administrator has no ceiling.

#include "admin_fixture.h"

#include <wardlock/data/dataset.h>
#include <wardlock/keeper/dmodexceptions.h>
#include <wardlock/keeper/strings.h>

using namespace Security;

namespace wardlock_test {

namespace {

// Boss (group Bosses, which administers Clerks) edits bob of Clerks. Boss's
// own values: MaxDiscount 20, CanExport No, CanPrint Yes, Motto "carpe";
// rights View and Insert on ReportFrm. Bob inherits MaxDiscount 5, CanExport
// Yes, Motto "old", so that every case changes his value.
class CeilingsTest : public AdminTest {
protected:
    void SetUp() override
    {
        AdminTest::SetUp();
        if (IsSkipped())
            return;
        bosses = AddGroup("Bosses");
        clerks = AddGroup("Clerks");
        Relate(bosses, clerks, 2);
        report = AddForm("ReportFrm", 0);
        db().SetGroupRight(bosses, report, srView | srInsert);
        const ParamSetup integer { "Integer", "0", true };
        const ParamSetup boolean { "Boolean", "No", true };
        const ParamSetup text { "Default", "", true };
        discount = AddParam("MaxDiscount", integer);
        AddParam("CanExport", boolean);
        const int canPrint = AddParam("CanPrint", boolean);
        const int motto = AddParam("Motto", text);
        AddParam("Free", { "Default", "" });
        db().SetGroupParam(bosses, discount, QString("20"));
        db().SetGroupParam(bosses, canPrint, QString("Yes"));
        db().SetGroupParam(bosses, motto, QString("carpe"));
        db().SetGroupParam(clerks, discount, QString("5"));
        db().SetGroupParam(clerks, ParamID("CanExport"), QString("Yes"));
        db().SetGroupParam(clerks, motto, QString("old"));
        AddUser("boss", bosses);
        bob = AddUser("bob", clerks);
    }

    ModulePtr<TSecDModDlgBaseFrm> BossOnBob()
    {
        auto module = FullModule(LoginAs("boss", kPassword));
        EXPECT_FALSE(module->Unrestricted());
        EXPECT_TRUE(module->FindUser(bob));
        return module;
    }

    // Edits bob's value; true when the post went through.
    static bool PostValue(TSecDModSmpDlgBaseFrm& module, const char* param, const char* value)
    {
        EXPECT_TRUE(module.FindParam(param)) << param;
        vcl::TDataSet* params = module.Current.Params;
        params->Edit();
        params->FieldByName("FValue")->SetAsString(value);
        try {
            params->Post();
            return true;
        } catch (const ESecDModException& error) {
            EXPECT_EQ(error.Message(), SecString(sWiderRights));
            EXPECT_EQ(params->State(), vcl::dsEdit) << "a refused row stays in edit";
            params->Cancel();
            return false;
        }
    }

    int bosses = 0;
    int clerks = 0;
    int report = 0;
    int discount = 0;
    int bob = 0;
};

struct ValueCase {
    const char* name;
    const char* param;
    const char* value;
    bool accepted;
    const char* stored; // the value kept when accepted
};

const ValueCase kValueCases[] = {
    { "IntegerAboveOwn", "MaxDiscount", "25", false, nullptr },
    { "IntegerEqualToOwn", "MaxDiscount", "20", true, "20" },
    { "IntegerBelowOwn", "MaxDiscount", "-3", true, "-3" },
    { "BooleanYesWithoutOwnYes", "CanExport", "Yes", false, nullptr },
    { "BooleanYesWithOwnYes", "CanPrint", "Yes", true, "Yes" },
    // Any text but the yes text means no: stored as the no text (the group's
    // value is the yes text).
    { "BooleanOtherTextBecomesNo", "CanExport", "maybe", true, "No" },
    { "TextEqualToOwn", "Motto", "carpe", true, "carpe" },
    { "TextOtherThanOwn", "Motto", "diem", false, nullptr },
    { "TextEmpty", "Motto", "", true, "" },
    { "Unprotected", "Free", "anything", true, "anything" },
};

using ValueCeilings = CeilingsTest;

// One row per case: a fresh module each, with the dialogs' hook (which throws
// message 96) and without any hook.
TEST_P(ValueCeilings, EachCaseWithAndWithoutTheDialogsHook)
{
    for (const ValueCase& c : kValueCases) {
        for (const bool withHook : { true, false }) {
            SCOPED_TRACE(std::string(c.name) + (withHook ? " with hook" : " without hook"));
            db().Exec("delete from UserParams where UserID = :p1", { bob });
            auto module = BossOnBob();
            int hookCalls = 0;
            if (withHook)
                module->OnRefuseWiderRights = [&] {
                    ++hookCalls;
                    throw ESecDModException(sWiderRights, {});
                };
            const std::string before = module->GetParam(c.param).c_str();
            EXPECT_EQ(PostValue(*module, c.param, c.value), c.accepted);
            EXPECT_EQ(hookCalls, withHook && !c.accepted ? 1 : 0);
            ASSERT_TRUE(module->FindParam(c.param));
            EXPECT_EQ(module->ParamValue().c_str(), c.accepted ? c.stored : before);
            EXPECT_EQ(module->ParamDefault(), !c.accepted);
            module->ApplyUpdates();
            const QVariant own = OwnValue(bob, ParamID(c.param));
            if (c.accepted)
                EXPECT_EQ(own.toString().toStdString(), c.stored);
            else
                EXPECT_TRUE(own.isNull()) << "nothing reached the database";
        }
    }
}

TEST_P(ValueCeilings, UnrestrictedAdministratorHasNoCeiling)
{
    auto module = FullModule(LoginAdmin());
    ASSERT_TRUE(module->Unrestricted());
    ASSERT_TRUE(module->FindUser(bob));
    EXPECT_TRUE(PostValue(*module, "MaxDiscount", "1000"));
    EXPECT_TRUE(PostValue(*module, "CanExport", "Yes"));
    module->SetRight("ReportFrm", 15);
    module->ApplyUpdates();
    EXPECT_EQ(OwnValue(bob, discount).toString(), "1000");
    EXPECT_EQ(OwnRights(bob, report), 15);
}

TEST_P(ValueCeilings, RightsBeyondTheOwnAreClearedAndRefused)
{
    auto module = BossOnBob();
    vcl::TDataSet* forms = module->Current.Forms;
    ASSERT_TRUE(forms->Locate("Name", "ReportFrm"));
    forms->Edit();
    for (const char* right : { "FView", "FInsert", "FModify", "FDelete" })
        forms->FieldByName(right)->SetAsBoolean(true);
    try {
        forms->Post();
        FAIL() << "posted rights the administrator lacks";
    } catch (const ESecDModException& error) {
        EXPECT_EQ(error.Message(), SecString(sWiderRights));
    }
    ASSERT_EQ(forms->State(), vcl::dsEdit);
    EXPECT_TRUE(Flag(forms, "FView")) << "rights he holds stay as edited";
    EXPECT_TRUE(Flag(forms, "FInsert"));
    EXPECT_FALSE(Flag(forms, "FModify")) << "rights he lacks are cleared";
    EXPECT_FALSE(Flag(forms, "FDelete"));
    forms->Post();
    EXPECT_EQ(module->GetRight("ReportFrm"), srView | srInsert);
    module->ApplyUpdates();
    EXPECT_EQ(OwnRights(bob, report), srView | srInsert);

    EXPECT_THROW(module->SetRight("ReportFrm", srView), ESecDModException)
        << "only an unrestricted administrator sets rights by name";
}

TEST_P(ValueCeilings, ResettingToAGroupBeyondTheOwnIsRefused)
{
    db().SetGroupRight(clerks, report, 15);
    db().SetUserRight(bob, report, srView);
    db().SetGroupParam(clerks, discount, QString("50"));
    db().SetUserParam(bob, discount, QString("10"));
    auto module = BossOnBob();
    ASSERT_TRUE(module->Current.Forms->Locate("Name", "ReportFrm"));
    EXPECT_THROW(module->SetDefaultRights(), ESecDModException);
    EXPECT_EQ(module->GetRight("ReportFrm"), srView | srInsert) << "narrowed group rights shown";
    EXPECT_FALSE(module->RightDefault()) << "the own row is kept";

    ASSERT_TRUE(module->FindParam("MaxDiscount"));
    EXPECT_THROW(module->SetDefaultParams(), ESecDModException);
    EXPECT_STREQ(module->ParamValue().c_str(), "10") << "the edit was cancelled";
    module->ApplyUpdates();
    EXPECT_EQ(OwnRights(bob, report), srView);
    EXPECT_EQ(OwnValue(bob, discount).toString(), "10");
}

WARDLOCK_ADMIN_ENGINES(ValueCeilings);

} // namespace

} // namespace wardlock_test
