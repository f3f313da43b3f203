// The "Parameter types" and "Security database parameters" dialogs driven in
// process through the full dialog's commands: autodetection from the library
// edit, the refusals that change nothing, the design rights, and OK applying
// while anything else discards.

#include "params_fixture.h"

#include "paramcommands.h"
#include "securitydatabaseparamsfrm.h"
#include "securityparamtypesfrm.h"

#include <wardlock/data/dataset.h>
#include <wardlock/data/fields.h>
#include <wardlock/keeper/strings.h>

#include <gmock/gmock.h>

using namespace Security;
using ::testing::ElementsAre;

namespace wardlock_test {

namespace {

constexpr SecRightsMask kAllDesignRights = srView | srInsert | srModify | srDelete;

// The names a type row holds, as the database has them.
struct StoredNames {
    std::string dll, insert, key;
    bool operator==(const StoredNames&) const = default;
};

class TypesDialogTest : public ParamsTest {
protected:
    void SetUp() override
    {
        ParamsTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        AddType("Probe", { "old.dll", "OldIns", "OldItr", "OldRen", "OldShow", "", {} });
        ReloadTypes();
    }

    StoredNames Stored()
    {
        const auto text = [this](const char* column) {
            return db()
                .Scalar(std::string("select ") + column + " from ParamTypes where Name = 'Probe'")
                .toString()
                .toStdString();
        };
        return { text("DllName"), text("InsFncName"), text("KeyFncName") };
    }

    // Runs "&Types" with `step` driving the dialog once it is on "Probe".
    bool RunTypes(SecRightsMask rights, std::function<void(TSecurityParamTypesFrm&)> step)
    {
        ModalScript script({ [&](QDialog& dialog) {
            auto& form = dynamic_cast<TSecurityParamTypesFrm&>(dialog);
            EXPECT_TRUE(Module().Current.ParamTypesDS->DataSet()->Locate("Name", "Probe"));
            EXPECT_EQ(form.DllName->text(), "old.dll") << "the edits follow the current row";
            step(form);
        } });
        return ParamCommands::ShowParamTypes(Host(), rights);
    }

    // Types a text into an edit and leaves it.
    static void Type(QLineEdit* edit, const std::string& text)
    {
        edit->setText(QString::fromStdString(text));
        emit edit->editingFinished();
    }
};

TEST_P(TypesDialogTest, ANewLibraryIsAutodetectedAndOkApplies)
{
    std::vector<std::string> texts;
    vcl::ScopedMessageBoxHook answers([&texts](const vcl::MessageBoxRequest& box) {
        texts.push_back(box.text);
        return box.buttons == vcl::MB_YESNO ? vcl::IDYES : vcl::IDOK;
    });
    EXPECT_TRUE(RunTypes(kAllDesignRights, [](TSecurityParamTypesFrm& form) {
        Type(form.DllName, "wardtestparamed.dll");
        EXPECT_EQ(form.InsFncName->text(), "TestEdIns");
        EXPECT_EQ(form.KeyFncName->text(), "TestEdKey");
        form.OKBtn->click();
    }));
    EXPECT_THAT(texts, ElementsAre(SecString(sAutodetectAsk)));
    EXPECT_EQ(Stored(), (StoredNames { "wardtestparamed.dll", "TestEdIns", "TestEdKey" }));
    EXPECT_EQ(
        db().Scalar("select FKey from ParamTypes where Name = 'Probe'").toString(), kTestEditorKey);
}

TEST_P(TypesDialogTest, FailedAutodetectionKeepsTheNamesTyped)
{
    ExtraPluginFolder named;
    for (const char* dll : { "wardnosuchlibrary.dll", "wardtestthrower.dll" }) {
        SCOPED_TRACE(dll);
        db().Exec("update ParamTypes set DllName = 'old.dll' where Name = 'Probe'");
        ReloadTypes();
        std::vector<std::string> texts;
        vcl::ScopedMessageBoxHook answers([&texts](const vcl::MessageBoxRequest& box) {
            texts.push_back(box.text);
            return box.buttons == vcl::MB_YESNO ? vcl::IDYES : vcl::IDOK;
        });
        EXPECT_TRUE(RunTypes(kAllDesignRights, [dll](TSecurityParamTypesFrm& form) {
            Type(form.DllName, dll);
            EXPECT_EQ(form.InsFncName->text(), "OldIns");
            form.OKBtn->click();
        }));
        EXPECT_THAT(texts, ElementsAre(SecString(sAutodetectAsk), SecString(sAutodetectFailed)));
        EXPECT_EQ(Stored(), (StoredNames { dll, "OldIns", "" }));
    }
}

TEST_P(TypesDialogTest, NamesLongerThanTheirColumnAreRefusedAndNothingChanges)
{
    const std::string fits(255, 'f');
    const std::string tooLong(256, 'x');
    BoxRecorder boxes;
    EXPECT_FALSE(RunTypes(kAllDesignRights, [&](TSecurityParamTypesFrm& form) {
        Type(form.DllName, tooLong);
        Type(form.InsFncName, tooLong);
        form.OKBtn->click();
        EXPECT_TRUE(form.isVisible()) << "OK refuses the text still typed";
    }));
    // Leaving each edit, and OK, show message 106; autodetection never asks.
    const std::string dllTooLong = SecFormat(sTextTooLong, "Dll library", "255");
    const std::string insertTooLong = SecFormat(sTextTooLong, "Insert function", "255");
    const std::vector<std::string> texts = boxes.Texts();
    ASSERT_GE(texts.size(), 3u);
    EXPECT_EQ(texts[0], dllTooLong);
    EXPECT_EQ(texts[1], insertTooLong);
    EXPECT_THAT(texts, ::testing::Each(::testing::AnyOf(dllTooLong, insertTooLong)));
    EXPECT_EQ(Stored(), (StoredNames { "old.dll", "OldIns", "" }));

    // 255 characters fit.
    BoxRecorder none;
    EXPECT_TRUE(RunTypes(kAllDesignRights, [&](TSecurityParamTypesFrm& form) {
        Type(form.InsFncName, fits);
        form.OKBtn->click();
    }));
    EXPECT_TRUE(none.boxes.empty());
    EXPECT_EQ(Stored().insert, fits);
}

TEST_P(TypesDialogTest, DesignRightsLimitTheDialog)
{
    const int types = Count("select count(*) from ParamTypes");
    struct Case {
        SecRightsMask rights;
        bool editable;
        bool deletes;
    };
    for (const Case& test : { Case { srView, false, false },
             Case { srView | srModify, true, false }, Case { srView | srDelete, false, true } }) {
        SCOPED_TRACE(static_cast<int>(test.rights));
        BoxRecorder boxes;
        EXPECT_TRUE(RunTypes(test.rights, [&](TSecurityParamTypesFrm& form) {
            EXPECT_EQ(!form.DllName->isReadOnly(), test.editable);
            EXPECT_EQ(!form.KeyFncName->isReadOnly(), test.editable);
            EXPECT_EQ(form.LibraryBtn->isEnabled(), test.editable);
            EXPECT_EQ(!form.TypesGrid->ReadOnly(), test.editable);
            emit form.TypesGrid->deleteRequested();
            form.OKBtn->click();
        }));
        EXPECT_EQ(
            Count("select count(*) from ParamTypes where Name = 'Probe'"), test.deletes ? 0 : 1);
        if (test.deletes)
            AddType("Probe", { "old.dll", "OldIns", "OldItr", "OldRen", "OldShow", "", {} });
        ReloadTypes();
    }
    EXPECT_EQ(Count("select count(*) from ParamTypes"), types);
}

TEST_P(TypesDialogTest, CancelDiscardsEveryChange)
{
    BoxRecorder boxes;
    EXPECT_FALSE(RunTypes(kAllDesignRights, [](TSecurityParamTypesFrm& form) {
        Type(form.InsFncName, "NewIns");
        form.CancelBtn->click();
    }));
    EXPECT_EQ(Stored(), (StoredNames { "old.dll", "OldIns", "" }));
    EXPECT_EQ(Module().Current.ParamTypesDS->DataSet()->State(), vcl::dsBrowse);
}

INSTANTIATE_TEST_SUITE_P(Engines, TypesDialogTest,
    ::testing::Values(Engine::SQLite, Engine::PostgreSQL), AdminEngineName);

class SecurityParamsDialogTest : public ParamsTest {
protected:
    void SetUp() override
    {
        ParamsTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        db().Exec("insert into SecurityParams (Name, FullName, FValue, Hidden) "
                  "values ('Motto', 'Motto', 'old', :p1)",
            { false });
        vcl::TDataSet* rows = Module().Current.SecurityParams;
        rows->Close();
        rows->Open();
    }
    std::string Motto()
    {
        return db()
            .Scalar("select FValue from SecurityParams where Name = 'Motto'")
            .toString()
            .toStdString();
    }
};

TEST_P(SecurityParamsDialogTest, OkAppliesTheEditedRowsAndCancelDiscardsThem)
{
    for (const bool ok : { false, true }) {
        SCOPED_TRACE(ok ? "OK" : "Cancel");
        ModalScript script({ [&](QDialog& dialog) {
            auto& form = dynamic_cast<TSecurityDatabaseParamsFrm&>(dialog);
            EXPECT_FALSE(form.DBParams->ReadOnly());
            vcl::TDataSet* rows = Module().Current.SecurityParams;
            ASSERT_TRUE(rows->Locate("Name", "Motto"));
            rows->Edit();
            rows->FieldByName("FValue")->SetAsString("new");
            (ok ? form.OKBtn : form.CancelBtn)->click();
        } });
        EXPECT_EQ(ParamCommands::ShowSecurityParams(Host(), kAllDesignRights), ok);
        EXPECT_EQ(Motto(), ok ? "new" : "old");
    }
}

TEST_P(SecurityParamsDialogTest, WithoutModifyTheGridIsReadOnly)
{
    ModalScript script({ [](QDialog& dialog) {
        EXPECT_TRUE(dynamic_cast<TSecurityDatabaseParamsFrm&>(dialog).DBParams->ReadOnly());
        dialog.reject();
    } });
    EXPECT_FALSE(ParamCommands::ShowSecurityParams(Host(), srView));
}

INSTANTIATE_TEST_SUITE_P(Engines, SecurityParamsDialogTest,
    ::testing::Values(Engine::SQLite, Engine::PostgreSQL), AdminEngineName);

} // namespace

} // namespace wardlock_test
