// The hierarchy editor as the full dialog's "Hierarchy ..." runs it (through
// its one entry point, ShowHierarchyEditor), over the real full data module
// (BDE administration provider, SQLite and PostgreSQL), as a real window on
// the X server driven by real X input: the administrator draws a strong
// relation, retypes another through the relation's pop-up menu, moves a box
// and saves; the database then holds exactly the new relation set and
// positions, and a restricted administrator's modifiable groups follow the
// new hierarchy. A second run that ends with "Exit without saving" (message
// 44 answered with a click) changes nothing. Skipped without the X server the
// test script starts.

#include "admin_fixture.h"
#include "editor_onscreen.h"
#include "xinput_driver.h"

#include "hierarchy/hierarchyeditor.h"

#include <wardlock/data/dataset.h>
#include <wardlock/platform/dialogs.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QToolButton>

#include <gmock/gmock.h>

#include <set>

using namespace Security;
using wltest::GlobalCentre;

namespace wardlock_test {

namespace {

// On the test script's X server when it runs one: set before main, so that
// the sandboxed run of the program inherits it (the sandbox keeps a platform
// that is already set).
const bool onXServer = [] {
    const QByteArray display = qgetenv("WARDLOCK_XVFB_DISPLAY");
    if (display.isEmpty())
        return false;
    qputenv("DISPLAY", display);
    qputenv("QT_QPA_PLATFORM", "xcb");
    return true;
}();

// The demo's groups and hierarchy, each group at its place: the
// administrators over the managers over the clerks over the guests, the
// managers kept from the guests, and a payroll office nobody administers.
class HierarchyWindow : public AdminTest {
protected:
    void SetUp() override
    {
        std::string why;
        if (!onXServer || !wltest::RealWindowsAvailable(why))
            GTEST_SKIP() << why;
        AdminTest::SetUp();
        if (IsSkipped())
            return;
        for (const char* name : { "Managers", "Clerks", "Guests", "Payroll" })
            AddGroup(name);
        const struct {
            const char* name;
            QPoint topLeft;
        } places[] = { { "Admins", QPoint(20, 20) }, { "Managers", QPoint(20, 140) },
            { "Clerks", QPoint(20, 260) }, { "Guests", QPoint(240, 260) },
            { "Payroll", QPoint(420, 20) } };
        for (const auto& place : places)
            db().Exec("update Groups set Position = :p1 where Name = :p2",
                { EncodePosition(place.topLeft), QString(place.name) });
        Relate(GroupID("Admins"), GroupID("Managers"), mgStrong);
        Relate(GroupID("Managers"), GroupID("Clerks"), mgStrong);
        Relate(GroupID("Clerks"), GroupID("Guests"), mgStrong);
        Relate(GroupID("Managers"), GroupID("Guests"), mgNegative);
        AddUser("manager", GroupID("Managers"));
    }

    std::string Relations()
    {
        const std::string rows = "(select g.Name || '>' || m.Name || ' ' || ModGroups.Type as r "
                                 "from ModGroups join Groups g on g.GroupID = ModGroups.GroupID "
                                 "join Groups m on m.GroupID = ModGroups.ModGroupID order by 1) t";
        return db()
            .Scalar(db().engine() == Engine::PostgreSQL
                    ? "select string_agg(r, '|' order by r) from " + rows
                    : "select group_concat(r, '|') from " + rows)
            .toString()
            .toStdString();
    }
    std::string Positions()
    {
        std::string all;
        for (const char* name : { "Admins", "Managers", "Clerks", "Guests", "Payroll" })
            all += std::string(name) + "="
                + db().Scalar("select Position from Groups where Name = :p1", { QString(name) })
                      .toString()
                      .toStdString()
                + " ";
        return all;
    }
    // The groups the manager, a restricted administrator, may modify.
    std::set<std::string> ManagersReach()
    {
        auto module = FullModule(LoginAs("manager", kPassword));
        std::set<std::string> names;
        vcl::TDataSet* groups = module->Current.Groups;
        for (groups->First(); !groups->Eof(); groups->Next())
            if (Flag(groups, "Modificable"))
                names.insert(Text(groups, "Name"));
        return names;
    }

    // Runs the editor over the administrator's module; every modal window
    // (the editor, a message box) gets a real modal loop in which `script`
    // drives it.
    bool RunEditor(
        const std::function<void(TSecurityHierarchyEdFrm&, wltest::XInputDriver&)>& script)
    {
        TSecurity* administrator = LoginAdmin();
        auto module = FullModule(administrator);
        wltest::XInputDriver driver;
        bool started = false;
        vcl::ScopedMessageBoxHook realBoxes({});
        vcl::ScopedModalHook loops([&](QDialog& dialog) {
            if (!started) {
                started = true;
                dialog.resize(900, 600);
                dialog.move(0, 0);
                script(dynamic_cast<TSecurityHierarchyEdFrm&>(dialog), driver);
                driver.Start();
            }
            QEventLoop loop;
            QObject::connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
            if (dialog.isVisible())
                loop.exec();
        });
        const bool saved = ShowHierarchyEditor(
            *module, nullptr, TLoggedUser::Of(*administrator), srInsert | srModify | srDelete);
        EXPECT_EQ(driver.Failure(), "");
        EXPECT_TRUE(driver.Finished());
        return saved;
    }
};

TEST_P(HierarchyWindow, DrawRetypeMoveAndSave)
{
    EXPECT_EQ(ManagersReach(), (std::set<std::string> { "Clerks" }));
    const int guestsBefore
        = db().Scalar("select Position from Groups where Name = 'Guests'").toInt();
    const std::string others = Positions();

    const bool saved = RunEditor([&](TSecurityHierarchyEdFrm& form, wltest::XInputDriver& driver) {
        TSecurityHierarchyEdFrm* f = &form;
        const wltest::EditorOnScreen e { f };
        const std::string engine = EngineName(GetParam());
        driver.WaitFor("window shown", [f] { return f->isVisible(); });
        driver.Click([f] { return GlobalCentre(f->StrongToolBtn); });
        driver.WaitFor("strong tool", [e] { return e.model().Tool() == THierarchyTool::Strong; });
        driver.DragMouse(e.at("Clerks"), e.at("Payroll"));
        driver.WaitFor(
            "relation drawn", [e] { return e.relation("Clerks", "Payroll") != nullptr; });
        driver.Click(
            // Near its tip, away from the arrow just drawn.
            e.along("Managers", "Guests", 0.8), 3);
        driver.WaitFor("relation menu", [e, f] {
            return f->RelationMenu->isVisible()
                && e.model().CurrentRelation() == e.relation("Managers", "Guests");
        });
        driver.Do([] { QTest::qWait(200); });
        driver.Click([f] {
            return f->RelationMenu->mapToGlobal(
                f->RelationMenu->actionGeometry(f->ChangeToWeakAct).center());
        });
        driver.WaitFor("relation retyped", [e, f] {
            return !f->RelationMenu->isVisible()
                && e.relation("Managers", "Guests")->Type() == mgWeak;
        });
        driver.DragMouse(e.at("Guests"), e.at("Guests", QPoint(80, 60)));
        driver.WaitFor("box moved", [e] { return e.box("Guests").Moved(); });
        driver.Do([f, engine] {
            QTest::qWait(200);
            QDir().mkpath(QStringLiteral(WARDLOCK_SCREENSHOT_DIR));
            const QString file = QStringLiteral(WARDLOCK_SCREENSHOT_DIR "/hierarchy_module_")
                + QString::fromStdString(engine) + QStringLiteral(".png");
            EXPECT_GT(wltest::Screenshot(file, f->winId()), 16) << "the screen looks blank";
        });
        driver.Click([f] { return GlobalCentre(f->SaveBtn); });
    });
    ASSERT_TRUE(saved);

    EXPECT_EQ(Relations(),
        "Admins>Admins 2|Admins>Managers 2|Clerks>Guests 2|Clerks>Payroll 2|Managers>Clerks "
        "2|Managers>Guests 1");
    const QPoint guests = DecodePosition(guestsBefore) + QPoint(80, 60);
    EXPECT_EQ(db().Scalar("select Position from Groups where Name = 'Guests'").toInt(),
        EncodePosition(guests));
    std::string expected = others;
    const std::string old = "Guests=" + std::to_string(guestsBefore);
    expected.replace(
        expected.find(old), old.size(), "Guests=" + std::to_string(EncodePosition(guests)));
    EXPECT_EQ(Positions(), expected);
    // Guests weakly listed again, Payroll reached through Clerks.
    EXPECT_EQ(ManagersReach(), (std::set<std::string> { "Clerks", "Guests", "Payroll" }));
}

TEST_P(HierarchyWindow, ExitWithoutSavingChangesNothing)
{
    const std::string relations = Relations();
    const std::string positions = Positions();
    auto yesButton = []() -> QAbstractButton* {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        return box && box->isVisible() ? box->button(QMessageBox::Yes) : nullptr;
    };
    const bool saved = RunEditor([&](TSecurityHierarchyEdFrm& form, wltest::XInputDriver& driver) {
        TSecurityHierarchyEdFrm* f = &form;
        const wltest::EditorOnScreen e { f };
        driver.WaitFor("window shown", [f] { return f->isVisible(); });
        driver.DragMouse(e.at("Payroll"), e.at("Payroll", QPoint(0, 150)));
        driver.WaitFor("box moved", [e] { return e.box("Payroll").Moved(); });
        driver.Click([f] { return GlobalCentre(f->StrongToolBtn); });
        driver.DragMouse(e.at("Admins"), e.at("Guests"));
        driver.WaitFor("relation drawn", [e] { return e.relation("Admins", "Guests") != nullptr; });
        driver.Click([f] { return GlobalCentre(f->ExitBtn); });
        driver.WaitFor("message 44", [yesButton] { return yesButton() != nullptr; });
        driver.Do([] { QTest::qWait(200); });
        driver.Click([yesButton] { return GlobalCentre(yesButton()); });
    });
    EXPECT_FALSE(saved);
    EXPECT_EQ(Relations(), relations);
    EXPECT_EQ(Positions(), positions);
}

} // namespace

WARDLOCK_ADMIN_ENGINES(HierarchyWindow);

} // namespace wardlock_test
