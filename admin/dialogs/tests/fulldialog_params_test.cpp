// The full administration dialog's parameter commands over a real data
// module and the valuepad editor plug-in: the types and security parameters
// dialogs, a new parameter with what its type's editor adds, its deletion
// with the hidden sub-parameters, and the value column's editor button.

#include "dialogs_driver.h"
#include "fulldialog_fixture.h"

#include <wardlock/data/dataset.h>
#include <wardlock/data/fields.h>
#include <wardlock/keeper/secdmodbase.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

using namespace Security;

namespace wardlock_test {

namespace {

const char* const kPersonRows[]
    = { "Person", "PersonSurnm", "PersonName", "PersonStrt", "PersonHouse", "PersonPlace" };

} // namespace

class FullDialogParams : public FullDialogTest {
protected:
    // valuepad's type, without a key check.
    void AddValuepadType(const std::string& name = "Personal")
    {
        AddEditorType(name, "valuepad.dll");
    }
    void AddEditorType(const std::string& name, const std::string& dll)
    {
        db().Exec("insert into ParamTypes (Name, FullName, DllName, InsFncName, ItrFncName, "
                  "RenFncName, ShowFncName) values (:p1, :p2, :p3, :p4, :p5, :p6, :p7)",
            { QString::fromStdString(name), QString::fromStdString(name + " type"),
                QString::fromStdString(dll), QString("ShowUserEditorIns"),
                QString("ShowUserEditorItr"), QString("ShowUserEditorRen"),
                QString("ShowUserEditor") });
    }
    bool Exists(const std::string& name)
    {
        return Count(
                   "select count(*) from Params where Name = :p1", { QString::fromStdString(name) })
            == 1;
    }
    // Fills the "New parameter" dialog and presses OK; the type is picked
    // from its grid by name.
    static ModalScript::Step FillNewParam(
        TSecDModDlgBaseFrm& module, const std::string& name, const std::string& type)
    {
        return [&module, name, type](QDialog& dialog) {
            EXPECT_EQ(dialog.windowTitle(), "New parameter");
            vcl::TDataSet* types = module.Current.ParamTypesDS->DataSet();
            EXPECT_EQ(types->FieldByName("Name")->AsString(), "Default") << "opens on Default";
            dialog.findChild<QLineEdit*>("ParamName")->setText(QString::fromStdString(name));
            dialog.findChild<QLineEdit*>("FullName")
                ->setText(QString::fromStdString(name + " full"));
            dialog.findChild<QLineEdit*>("DefaultValue")->setText("dflt");
            dialog.findChild<QCheckBox*>("UserCanModify")->setChecked(true);
            EXPECT_TRUE(types->Locate("Name", type)) << type;
            dialog.findChild<QPushButton*>("OKBtn")->click();
        };
    }
};

// Both buttons open their dialog; closing it with Cancel discards and says
// nothing.
TEST_P(FullDialogParams, TypesAndSecurityParamsOpenTheirDialogs)
{
    auto dialog = Open(LoginAdmin());
    const struct {
        QPushButton* button;
        const char* title;
    } cases[] = {
        { dialog->TypesBtn, "Parameter types" },
        { dialog->SecParamsBtn, "Security database parameters" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        QString shown;
        BoxScript boxes;
        ModalScript script({ [&](QDialog& opened) {
            shown = opened.windowTitle();
            opened.reject();
        } });
        c.button->click();
        EXPECT_EQ(shown, c.title);
        EXPECT_TRUE(boxes.Texts().empty());
    }
}

// The new parameter is stored with what was entered; valuepad's type adds
// its five hidden sub-parameters in the same operation.
TEST_P(FullDialogParams, NewParameterIsStoredWithWhatItsTypeAdds)
{
    AddValuepadType();
    const struct {
        const char* name;
        const char* type;
        std::vector<std::string> hiddenSubs;
    } cases[] = {
        { "Plain", "Default", {} },
        { "Person", "Personal", { kPersonRows + 1, std::end(kPersonRows) } },
    };
    auto dialog = Open(LoginAdmin());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BoxScript boxes;
        ModalScript script({ FillNewParam(*dialog->DModule(), c.name, c.type) });
        dialog->NewParamBtn->click();
        EXPECT_TRUE(boxes.Texts().empty());
        EXPECT_EQ(db().Scalar("select t.Name from Params p join ParamTypes t on "
                              "t.ParamTypeID = p.ParamTypeID where p.Name = :p1",
                          { QString(c.name) })
                      .toString(),
            c.type);
        EXPECT_EQ(
            db().Scalar("select DefaultValue from Params where Name = :p1", { QString(c.name) })
                .toString(),
            "dflt");
        for (const std::string& sub : c.hiddenSubs)
            EXPECT_EQ(Count("select count(*) from Params where Name = :p1 and Hidden <> 0",
                          { QString::fromStdString(sub) }),
                1)
                << sub;
    }
}

// OK without a name says so and keeps the dialog open; Cancel inserts nothing.
TEST_P(FullDialogParams, NewParameterNeedsItsNames)
{
    auto dialog = Open(LoginAdmin());
    const int before = Count("select count(*) from Params");
    BoxScript boxes({ vcl::IDOK });
    ModalScript script({ [](QDialog& opened) {
        opened.findChild<QLineEdit*>("FullName")->setText("Only a full name");
        opened.findChild<QPushButton*>("OKBtn")->click();
        EXPECT_TRUE(opened.isVisible());
        opened.findChild<QPushButton*>("CancelBtn")->click();
    } });
    dialog->NewParamBtn->click();
    EXPECT_EQ(boxes.Texts(), std::vector<std::string> { Msg(sEnterNames) });
    EXPECT_EQ(Count("select count(*) from Params"), before);
}

// Deleting a valuepad parameter takes its hidden sub-parameters along, after
// both confirmations; a refused confirmation deletes nothing.
TEST_P(FullDialogParams, DeletingAnEditorsParameterRemovesItsSubParameters)
{
    AddValuepadType();
    const struct {
        const char* name;
        std::deque<int> answers;
        bool removed;
    } cases[] = {
        { "no at the first", { vcl::IDNO }, false },
        { "yes and OK", { vcl::IDYES, vcl::IDOK }, true },
    };
    auto dialog = Open(LoginAdmin());
    TSecDModDlgBaseFrm* module = dialog->DModule();
    {
        ModalScript script({ FillNewParam(*module, "Person", "Personal") });
        dialog->NewParamBtn->click();
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(module->FindParam("Person"));
        BoxScript boxes(c.answers);
        dialog->DeleteParamBtn->click();
        EXPECT_EQ(boxes.Texts().size(), c.answers.size());
        for (const char* row : kPersonRows)
            EXPECT_EQ(Exists(row), !c.removed) << row;
    }
}

// The value column's button runs the type's editor: OK sets the value (and
// the plug-in its sub-parameters), Cancel keeps it; an editor library that
// cannot be found is message 218 with the cause, the value kept.
TEST_P(FullDialogParams, ValueButtonRunsTheTypesEditor)
{
    AddValuepadType();
    AddEditorType("Ghost", "ghostpad.dll");
    AddParam("Haunt", { "Ghost", "old" });
    auto dialog = Open(LoginAdmin());
    TSecDModDlgBaseFrm* module = dialog->DModule();
    {
        ModalScript script({ FillNewParam(*module, "Person", "Personal") });
        dialog->NewParamBtn->click();
    }
    auto fill = [](bool ok) {
        return [ok](QDialog& opened) {
            EXPECT_EQ(opened.windowTitle(), "User personal data");
            opened.findChild<QLineEdit*>("Alias")->setText("Jo");
            opened.findChild<QLineEdit*>("Surname")->setText("Smith");
            opened.findChild<QPushButton*>(ok ? "OKBtn" : "CancelBtn")->click();
        };
    };
    const struct {
        const char* name;
        const char* param;
        std::deque<ModalScript::Step> steps;
        std::string value;
        std::string box; // the start of the one message box, if any
    } cases[] = {
        { "cancelled", "Person", { fill(false) }, "dflt", {} },
        { "accepted", "Person", { fill(true) }, "Jo", {} },
        { "library missing", "Haunt", {}, "old", Msg(sParamValueChangeFailed) + " : " },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(module->FindParam(c.param));
        BoxScript boxes(c.box.empty() ? std::deque<int> {} : std::deque<int> { vcl::IDOK });
        {
            ModalScript script(c.steps);
            emit dialog->ParamValuesGrid->editButtonClicked(nullptr);
        }
        EXPECT_EQ(module->ParamValue().str(), c.value);
        ASSERT_EQ(boxes.Texts().size(), c.box.empty() ? 0u : 1u);
        if (!c.box.empty())
            EXPECT_EQ(boxes.Texts()[0].rfind(c.box, 0), 0u) << boxes.Texts()[0];
    }
    module->SetParamsFiltered(false);
    ASSERT_TRUE(module->FindParam("PersonSurnm"));
    EXPECT_EQ(module->ParamValue().str(), "Smith");
}

INSTANTIATE_TEST_SUITE_P(
    Engines, FullDialogParams, ::testing::Values(Engine::SQLite), AdminEngineName);

} // namespace wardlock_test
