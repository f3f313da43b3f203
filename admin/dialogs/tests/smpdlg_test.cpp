// The simple administration dialog through its export, on a real provider
// and database, driven as a user would: what the mask on "Security" lets the
// logged user edit, Apply and OK, Cancel that drops everything without a
// question (also in the running security), and a refresh that does nothing
// while edits are kept.

#include "clerk_fixture.h"
#include "dialogs_driver.h"
#include "helptarget.h"
#include "securitychangepasswdfrm.h"
#include "securitysmpdlgfrm.h"

#include <wardlock/adminexports.h>
#include <wardlock/data/dataset.h>
#include <wardlock/data/fields.h>
#include <wardlock/keeper/secdmodbase.h>
#include <wardlock/platform/settings.h>
#include <wardlock/security.h>

#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <stdexcept>

using namespace Security;

namespace wardlock_test {

namespace {

TSecuritySmpDlgFrm& SmpDialog(QDialog& shown)
{
    return dynamic_cast<TSecuritySmpDlgFrm&>(shown);
}

const tor::TGridColumn& Column(const tor::TTorDBGrid* grid, const std::string& field)
{
    for (const tor::TGridColumn& column : grid->Columns())
        if (column.FieldName == field)
            return column;
    throw std::runtime_error("no column " + field);
}

bool ColumnReadOnly(const tor::TTorDBGrid* grid, const std::string& field)
{
    return Column(grid, field).ReadOnly;
}

class SmpDlgTest : public ClerkTest {
protected:
    void SetUp() override
    {
        ClerkTest::SetUp();
        if (IsSkipped())
            return;
        report = AddForm("ReportFrm", srView);
        ParamSetup own { "Default", "en" };
        own.userCanModify = true;
        language = AddParam("Language", own);
        discount = AddParam("MaxDiscount", { "Integer", "5" });
    }

    // Logs bob in with `mask` on "Security" and runs the dialog through the
    // export, with `body` as the user.
    TSecurity* Run(
        int mask, std::function<void(TSecuritySmpDlgFrm&)> body, const ModuleOptions& options = {})
    {
        db().SetGroupRight(clerks, FormID("Security"), mask);
        TSecurity* security = LoginAs("bob", kPassword, options);
        ModalScript script({ [&](QDialog& shown) { body(SmpDialog(shown)); } });
        ShowSmpDlg(security, nullptr, bob, clerks, nullptr, false);
        return security;
    }

    // Types `value` into the value cell of `param`, as a user does.
    static void TypeValue(TSecuritySmpDlgFrm& dialog, const char* param, const char* value)
    {
        ASSERT_TRUE(dialog.DModule()->FindParam(param));
        tor::TTorDBGrid* grid = dialog.ParamsGrid;
        const QModelIndex cell
            = grid->model()->index(grid->currentIndex().row(), grid->ColumnOf("FValue"));
        grid->setFocus();
        grid->setCurrentIndex(cell);
        grid->edit(cell);
        QApplication::processEvents();
        QWidget* editor = QApplication::focusWidget();
        ASSERT_NE(editor, grid) << "no editor opened";
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, QString::fromUtf8(value));
        QTest::keyClick(editor, Qt::Key_Return);
        QApplication::processEvents();
    }

    static std::string ShownValue(TSecuritySmpDlgFrm& dialog, const char* param)
    {
        EXPECT_TRUE(dialog.DModule()->FindParam(param));
        return dialog.DModule()->Current.Params->FieldByName("FValue")->AsString();
    }

    int report = 0;
    int language = 0;
    int discount = 0;
};

TEST_P(SmpDlgTest, TheMaskOnSecurityDecidesWhatCanBeEdited)
{
    struct Row {
        const char* name;
        int mask;
        bool values; // the parameter-values grid can be edited
        bool rights; // the rights grid can be edited
        bool ownValue; // a parameter the user may change himself
        bool lockedValue; // a parameter he may not change himself
        bool reset; // both reset buttons
    };
    // Comment: without View even a parameter he may change stays read-only.
    const Row rows[] = {
        { "no rights", 0, false, false, false, false, false },
        { "modify without view", srModify, false, false, false, false, false },
        { "view", srView, true, false, true, false, false },
        { "view and modify", srView | srModify, true, true, true, true, false },
        { "view and delete", srView | srDelete, true, false, true, false, true },
        { "everything", 15, true, true, true, true, true },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Run(row.mask, [&](TSecuritySmpDlgFrm& dialog) {
            EXPECT_EQ(!dialog.ParamsGrid->ReadOnly(), row.values);
            EXPECT_EQ(!dialog.RightsGrid->ReadOnly(), row.rights);
            ASSERT_TRUE(dialog.DModule()->FindParam("Language"));
            EXPECT_EQ(dialog.ValueEditable(), row.ownValue);
            EXPECT_EQ(!ColumnReadOnly(dialog.ParamsGrid, "FValue"), row.ownValue);
            ASSERT_TRUE(dialog.DModule()->FindParam("MaxDiscount"));
            EXPECT_EQ(dialog.ValueEditable(), row.lockedValue);
            EXPECT_EQ(!ColumnReadOnly(dialog.ParamsGrid, "FValue"), row.lockedValue);
            EXPECT_EQ(dialog.ResetRightsBtn->isEnabled(), row.reset);
            EXPECT_EQ(dialog.ResetParamsBtn->isEnabled(), row.reset);
            EXPECT_FALSE(dialog.ApplyBtn->isEnabled());
            EXPECT_TRUE(dialog.PasswdBtn->isEnabled()) << "his group lets him change it";
            EXPECT_EQ(dialog.UserName->text().toStdString(), "Full bob (bob)");
            dialog.reject();
        });
    }
}

TEST_P(SmpDlgTest, TheValueIsEditedTheWayItsTypeNeeds)
{
    struct Row {
        const char* type;
        tor::TColumnButtonStyle style;
    };
    // Comment: a type with an editor of its own gets the "..." button.
    const Row rows[] = { { "Boolean", tor::TColumnButtonStyle::Auto },
        { "Integer", tor::TColumnButtonStyle::None }, { "Default", tor::TColumnButtonStyle::None },
        { "Database", tor::TColumnButtonStyle::Ellipsis } };
    for (const Row& row : rows) {
        ParamSetup setup { row.type, "" };
        setup.userCanModify = true;
        AddParam(std::string("Typed") + row.type, setup);
    }
    Run(srView, [&](TSecuritySmpDlgFrm& dialog) {
        for (const Row& row : rows) {
            SCOPED_TRACE(row.type);
            ASSERT_TRUE(dialog.DModule()->FindParam((std::string("Typed") + row.type).c_str()));
            EXPECT_EQ(Column(dialog.ParamsGrid, "FValue").ButtonStyle, row.style);
            EXPECT_EQ(Column(dialog.ParamsGrid, "FValue").PickList, (QStringList { "Yes", "No" }));
        }
        dialog.reject();
    });
}

TEST_P(SmpDlgTest, SizesAreKeptForTheNextTime)
{
    int paramsHeight = 0;
    Run(srView, [&](TSecuritySmpDlgFrm& dialog) {
        dialog.resize(700, 610);
        QApplication::processEvents();
        const QList<int> sizes = dialog.Splitter->sizes();
        dialog.Splitter->setSizes({ sizes[0] + sizes[1] - 260, 260 });
        QApplication::processEvents();
        paramsHeight = dialog.ParamsPanel->height();
        dialog.reject();
    });
    ASSERT_NEAR(paramsHeight, 260, 2) << "the test needs room for both panes";
    Run(srView, [&](TSecuritySmpDlgFrm& dialog) {
        QApplication::processEvents();
        EXPECT_EQ(dialog.size(), QSize(700, 610));
        EXPECT_EQ(dialog.ParamsPanel->height(), paramsHeight);
        dialog.reject();
    });
}

TEST_P(SmpDlgTest, WithoutAModuleTheExportSaysSoAndReturns)
{
    TSecurity* security = LoginAs("bob", kPassword);
    ExecDefinition(db(), "alter table Users rename to UsersGone");
    BoxRecorder boxes;
    ModalScript none({});
    EXPECT_NO_THROW(ShowSmpDlg(security, nullptr, bob, clerks, nullptr, false));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string> { Text(sConnectFailed) });
    ExecDefinition(db(), "alter table UsersGone rename to Users");
}

// The labels' accelerators reach what they name and the buttons' press
// them; Tab follows the visual order; Enter in a grid edits the cell and
// commits it without closing the dialog; Escape closes, Enter elsewhere is
// OK.
TEST_P(SmpDlgTest, WorksFromTheKeyboard)
{
    enum Reach { Focuses, Presses };
    struct Row {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        Reach reach;
        const char* target;
    };
    const Row rows[] = {
        { Qt::Key_U, Qt::AltModifier, Focuses, "UserName" },
        { Qt::Key_F, Qt::AltModifier, Focuses, "RightsGrid" },
        { Qt::Key_P, Qt::AltModifier, Focuses, "ParamsGrid" },
        { Qt::Key_R, Qt::AltModifier, Presses, "ResetRightsBtn" },
        { Qt::Key_V, Qt::AltModifier, Presses, "ResetParamsBtn" },
        { Qt::Key_S, Qt::AltModifier, Presses, "PasswdBtn" },
        { Qt::Key_F1, Qt::NoModifier, Presses, "HelpBtn" },
    };
    const std::vector<std::string> tabOrder { "UserName", "ResetRightsBtn", "RightsGrid",
        "ResetParamsBtn", "ParamsGrid", "PasswdBtn", "HelpBtn", "OKBtn", "CancelBtn" };
    auto focused = [] {
        QWidget* focus = QApplication::focusWidget();
        return focus ? focus->objectName().toStdString() : std::string("(none)");
    };
    // "Help" finds no page here and says so instead of starting a browser.
    QTemporaryDir help;
    ASSERT_TRUE(help.isValid());
    vcl::TRegistry registry(vcl::TRootKey::LocalMachine);
    ASSERT_TRUE(registry.OpenKey("\\Software\\Torvane\\Wardlock\\1.0", true));
    registry.WriteString("HelpFilesLocation", help.path().toStdString());
    Run(15, [&](TSecuritySmpDlgFrm& dialog) {
        {
            // Whatever a command opens is closed again, every box cancelled.
            vcl::ScopedModalHook dialogs([](QDialog& opened) { opened.reject(); });
            vcl::ScopedMessageBoxHook boxes(
                [](const vcl::MessageBoxRequest&) { return vcl::IDCANCEL; });
            for (const Row& row : rows) {
                SCOPED_TRACE(row.target);
                // A dialog a command opened took the activation with it.
                QApplication::setActiveWindow(&dialog);
                auto* button = dialog.findChild<QPushButton*>(row.target);
                std::unique_ptr<QSignalSpy> pressed;
                if (row.reach == Presses) {
                    ASSERT_NE(button, nullptr);
                    pressed = std::make_unique<QSignalSpy>(button, &QPushButton::clicked);
                }
                Key(row.key, row.modifiers);
                if (row.reach == Presses)
                    EXPECT_EQ(pressed->count(), 1);
                else
                    EXPECT_EQ(focused(), row.target);
            }
        }
        // The resets are not what this test applies later.
        dialog.DiscardUnapplied();
        ASSERT_FALSE(dialog.ApplyBtn->isEnabled());

        dialog.UserName->setFocus();
        std::vector<std::string> visited { focused() };
        for (size_t i = 0; i < tabOrder.size(); ++i) {
            Key(Qt::Key_Tab);
            visited.push_back(focused());
        }
        std::vector<std::string> expected = tabOrder;
        expected.push_back(tabOrder.front()); // "&Apply" is off: round again
        EXPECT_EQ(visited, expected);

        ASSERT_TRUE(dialog.DModule()->FindParam("Language"));
        tor::TTorDBGrid* grid = dialog.ParamsGrid;
        grid->setFocus();
        grid->setCurrentIndex(
            grid->model()->index(grid->currentIndex().row(), grid->ColumnOf("FValue")));
        Key(Qt::Key_Return);
        ASSERT_TRUE(dialog.isVisible()) << "Enter in the grid closed the dialog";
        ASSERT_NE(QApplication::focusWidget(), grid) << "Enter opens the cell's editor";
        Key(Qt::Key_A, Qt::ControlModifier);
        Type("fr");
        Key(Qt::Key_Return);
        ASSERT_TRUE(dialog.isVisible()) << "Enter in the editor closed the dialog";
        EXPECT_EQ(ShownValue(dialog, "Language"), "fr");
        ASSERT_TRUE(dialog.ApplyBtn->isEnabled());
        Key(Qt::Key_A, Qt::AltModifier);
        EXPECT_FALSE(dialog.ApplyBtn->isEnabled()) << "applied through its accelerator";
        Key(Qt::Key_Escape);
        EXPECT_FALSE(dialog.isVisible()) << "Escape closes";
    });
    registry.DeleteValue("HelpFilesLocation");
    BoxRecorder boxes;
    Run(srView, [&](TSecuritySmpDlgFrm& dialog) {
        dialog.OKBtn->setFocus();
        Key(Qt::Key_Return);
        EXPECT_FALSE(dialog.isVisible()) << "Enter is OK, nothing pending";
    });
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_P(SmpDlgTest, ShowsNoHiddenFormOrParameter)
{
    AddForm("SecretFrm", srView, true);
    ParamSetup hidden { "Default", "x" };
    hidden.hidden = true;
    AddParam("Secret", hidden);
    Run(srView, [&](TSecuritySmpDlgFrm& dialog) {
        EXPECT_FALSE(dialog.DModule()->FindParam("Secret"));
        QStringList forms;
        for (int row = 0; row < dialog.RightsGrid->model()->rowCount(); ++row)
            forms << dialog.RightsGrid->model()->index(row, 0).data().toString();
        EXPECT_TRUE(forms.contains("ReportFrm form")) << forms.join(", ").toStdString();
        EXPECT_FALSE(forms.contains("SecretFrm form")) << forms.join(", ").toStdString();
        EXPECT_TRUE(dialog.DModule()->FindParam("Language"));
        dialog.reject();
    });
}

TEST_P(SmpDlgTest, ApplyStoresWhatWasTypedAndOKAsksAboutWhatIsPending)
{
    std::vector<std::string> asked;
    vcl::ScopedMessageBoxHook yes([&](const vcl::MessageBoxRequest& box) {
        asked.push_back(box.text);
        return vcl::IDYES;
    });
    Run(srView, [&](TSecuritySmpDlgFrm& dialog) {
        TypeValue(dialog, "Language", "de");
        EXPECT_EQ(ShownValue(dialog, "Language"), "de");
        EXPECT_TRUE(dialog.ApplyBtn->isEnabled());
        EXPECT_TRUE(OwnValue(bob, language).isNull()) << "cached until Apply";
        QTest::mouseClick(dialog.ApplyBtn, Qt::LeftButton);
        EXPECT_EQ(OwnValue(bob, language).toString(), "de");
        EXPECT_FALSE(dialog.ApplyBtn->isEnabled());
        EXPECT_TRUE(asked.empty());

        TypeValue(dialog, "Language", "fr");
        QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
    });
    ASSERT_EQ(asked, std::vector<std::string> { Text(sAskApply) });
    EXPECT_EQ(OwnValue(bob, language).toString(), "fr");
}

TEST_P(SmpDlgTest, WithoutCachedEditsEveryEditIsWrittenAtOnceAndCancelIsOff)
{
    ModuleOptions direct;
    direct.cachedMode = false;
    Run(
        srView,
        [&](TSecuritySmpDlgFrm& dialog) {
            EXPECT_FALSE(dialog.CancelBtn->isEnabled()) << "nothing could be cancelled";
            TypeValue(dialog, "Language", "de");
            EXPECT_EQ(OwnValue(bob, language).toString(), "de");
            Key(Qt::Key_Escape);
            EXPECT_FALSE(dialog.isVisible());
        },
        direct);
    EXPECT_EQ(OwnValue(bob, language).toString(), "de") << "closing takes nothing back";
}

TEST_P(SmpDlgTest, CancelAsksNothingAndKeepsNothing)
{
    TSecUser before;
    BoxRecorder boxes;
    TSecurity* security = Run(15, [&](TSecuritySmpDlgFrm& dialog) {
        before = dialog.AdministeredSecurity()->User();
        TypeValue(dialog, "Language", "de");
        ASSERT_TRUE(dialog.DModule()->FindParam("Language"));
        // His own password too, from the dialog's password button.
        ModalScript passwd({ [](QDialog& shown) {
            auto& dialog = dynamic_cast<TSecurityChangePasswdFrm&>(shown);
            dialog.Passwd->setText(kPassword);
            dialog.NewPasswd->setText("N3w-pass");
            dialog.SecondPasswd->setText("N3w-pass");
            QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);
        } });
        QTest::mouseClick(dialog.PasswdBtn, Qt::LeftButton);
        EXPECT_NE(dialog.AdministeredSecurity()->User().Passwd, before.Passwd);
        EXPECT_TRUE(dialog.ApplyBtn->isEnabled());
        QTest::mouseClick(dialog.CancelBtn, Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
    });
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes.front().text;
    EXPECT_TRUE(OwnValue(bob, language).isNull());
    EXPECT_EQ(security->User().Passwd, before.Passwd) << "the running security as it was";
}

TEST_P(SmpDlgTest, ARefreshAnsweredWithCancelKeepsTheEditsAndReadsNothing)
{
    vcl::MessageBoxRequest asked;
    int answer = vcl::IDCANCEL;
    vcl::ScopedMessageBoxHook boxes([&](const vcl::MessageBoxRequest& box) {
        asked = box;
        return answer;
    });
    Run(srView | srModify, [&](TSecuritySmpDlgFrm& dialog) {
        TypeValue(dialog, "Language", "de");
        // Meanwhile someone else changes his group's discount.
        db().SetGroupParam(clerks, discount, QString("7"));
        dialog.RefreshAllData();
        EXPECT_EQ(asked.text, Text(sAskApply));
        EXPECT_EQ(ShownValue(dialog, "Language"), "de") << "the edit is kept";
        EXPECT_EQ(ShownValue(dialog, "MaxDiscount"), "5") << "nothing was read again";
        EXPECT_TRUE(dialog.ApplyBtn->isEnabled());

        answer = vcl::IDYES;
        dialog.RefreshAllData();
        EXPECT_EQ(OwnValue(bob, language).toString(), "de") << "applied";
        EXPECT_EQ(ShownValue(dialog, "MaxDiscount"), "7") << "read again";
        dialog.reject();
    });
}

// The page "Help" opens is shipped beside the module, with its anchor.
TEST(SmpDlgHelp, ThePageIsBesideTheModuleWithItsAnchor)
{
    QFile page(HelpTarget("user.htm", "SecAdmUsers").toLocalFile());
    ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << page.fileName().toStdString();
    EXPECT_TRUE(page.readAll().contains("id=\"SecAdmUsers\""));
}

WARDLOCK_ADMIN_ENGINES(SmpDlgTest);

} // namespace
} // namespace wardlock_test
