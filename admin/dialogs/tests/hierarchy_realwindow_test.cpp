// The hierarchy editor as a real window on an X server, driven by real X
// input (xdotool) while its own modal loop runs: on the demo database as the
// demo administrator (draw a strong relation, retype another through the
// relation's pop-up menu, move a box, save; and a run left without saving),
// and on a generated database of 300 groups. Screenshots go to the build
// folder and must not be blank. Skipped without the X server the test script
// starts.

#include "editor_onscreen.h"
#include "hierarchy_testkit.h"
#include "xinput_driver.h"

#include "hierarchy/hierarchyedfrm.h"

#include <wardlock/platform/dialogs.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace Security;
using ::testing::Contains;
using wltest::GlobalCentre;

namespace {

constexpr int kMinimumColours = 16; // fewer: the screen is blank

QString ScreenshotFile(const char* name)
{
    QDir().mkpath(QStringLiteral(WARDLOCK_SCREENSHOT_DIR));
    return QStringLiteral(WARDLOCK_SCREENSHOT_DIR "/") + QLatin1String(name);
}

class RealWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string why;
        if (!wltest::RealWindowsAvailable(why))
            GTEST_SKIP() << why;
        ASSERT_TRUE(dir_.isValid());
    }

    // The demo database as the tool makes it, and the demo administrator's
    // group.
    void OpenDemo()
    {
        const QString file = dir_.filePath(QStringLiteral("warddemo.sqlite"));
        ASSERT_EQ(QProcess::execute(QStringLiteral(WARDLOCK_TEST_WARDSCHEMA),
                      { QStringLiteral("demo"), QStringLiteral("--sqlite"), file,
                          QStringLiteral("--admin-password"), QStringLiteral("admin") }),
            0);
        db_ = wltest::OpenSqlite(file);
        vcl::TQuery admin;
        admin.SetDatabase(db_.get());
        admin.SQL().SetText("SELECT GroupID FROM Users WHERE Name = :Name");
        admin.ParamByName("Name").SetAsString("admin");
        admin.Open();
        ASSERT_FALSE(admin.Eof());
        hierarchy_ = std::make_unique<wltest::SecurityHierarchy>(
            *db_, admin.FieldByName("GroupID")->AsInteger());
    }

    void MakeForm(QSize size)
    {
        form_ = std::make_unique<TSecurityHierarchyEdFrm>(nullptr,
            hierarchy_->Input(srInsert | srModify | srDelete),
            [](TGroupProperties&) { return false; });
        form_->resize(size);
        form_->move(0, 0);
    }

    wltest::EditorOnScreen screen() const { return { form_.get() }; }
    THierarchyModel& model() { return form_->Model(); }
    TGroupFrame& box(const std::string& name) { return wltest::BoxNamed(model(), name); }
    TGroupRelation* relation(const std::string& from, const std::string& to)
    {
        return screen().relation(from, to);
    }
    std::function<QPoint()> At(const std::string& name, QPoint offset = {})
    {
        return screen().at(name, offset);
    }
    // Waits for the window and takes the keyboard to it.
    void Shown(wltest::XInputDriver& driver)
    {
        driver.WaitFor("window shown", [this] { return form_->isVisible(); });
        driver.Do([this] {
            wltest::XDoTool({ QStringLiteral("windowfocus"), QStringLiteral("--sync"),
                QString::number(form_->winId()) });
        });
    }
    // Runs the editor's modal loop with the driver's steps.
    int Run(wltest::XInputDriver& driver)
    {
        driver.Start();
        const int result = form_->ShowModal();
        EXPECT_EQ(driver.Failure(), "");
        EXPECT_TRUE(driver.Finished());
        return result;
    }

    QTemporaryDir dir_;
    std::unique_ptr<vcl::TDatabase> db_;
    std::unique_ptr<wltest::SecurityHierarchy> hierarchy_;
    std::unique_ptr<TSecurityHierarchyEdFrm> form_;
};

std::vector<std::string> Names(THierarchyModel& model, const std::vector<ModGroup>& edges)
{
    static const char* const types[] = { "negative", "weak", "strong" };
    std::vector<std::string> result;
    for (const ModGroup& edge : edges)
        result.push_back(model.Box(edge.GroupRow).Name() + ">" + model.Box(edge.ModGroupRow).Name()
            + " " + types[edge.Type]);
    return result;
}

TEST_F(RealWindow, DemoDatabaseDrawRetypeMoveAndSave)
{
    OpenDemo();
    MakeForm(QSize(900, 600));
    const QPoint guestsBefore = box("Guests").Bounds().topLeft();
    wltest::XInputDriver driver;
    Shown(driver);

    // A strong relation from the administrators to the clerks, drawn with
    // the strong relation tool.
    driver.Click([this] { return GlobalCentre(form_->StrongToolBtn); });
    driver.WaitFor("strong tool", [this] { return model().Tool() == THierarchyTool::Strong; });
    driver.DragMouse(At("Admins"), At("Clerks"));
    driver.WaitFor("relation drawn", [this] { return relation("Admins", "Clerks") != nullptr; });

    // Managers > Guests (negative) retyped through the relation's menu.
    driver.Click(screen().along("Managers", "Guests", 0.5), 3);
    driver.WaitFor("relation menu", [this] { return form_->RelationMenu->isVisible(); });
    driver.Do([this] { QTest::qWait(200); }); // let the menu settle where it is shown
    driver.Click([this] {
        QMenu* menu = form_->RelationMenu;
        return menu->mapToGlobal(menu->actionGeometry(form_->ChangeToWeakAct).center());
    });
    driver.WaitFor("relation retyped", [this] {
        return !form_->RelationMenu->isVisible()
            && relation("Managers", "Guests")->Type() == mgWeak;
    });

    // The guests' box moved down and to the right.
    driver.DragMouse(At("Guests"), At("Guests", QPoint(80, 60)));
    driver.WaitFor("box moved", [this] { return box("Guests").Moved(); });

    int colours = 0;
    driver.Do([&] {
        QTest::qWait(200);
        colours = wltest::Screenshot(ScreenshotFile("hierarchy_demo.png"), form_->winId());
    });
    driver.Click([this] { return GlobalCentre(form_->SaveBtn); });

    ASSERT_EQ(Run(driver), vcl::mrOk);
    EXPECT_GT(colours, kMinimumColours) << "the screenshot looks blank";

    EXPECT_EQ(Names(model(), model().AddedEdges()),
        (std::vector<std::string> { "Admins>Clerks strong", "Managers>Guests weak" }));
    EXPECT_EQ(Names(model(), model().RemovedEdges()),
        (std::vector<std::string> { "Managers>Guests negative" }));
    const std::vector<TMovedGroup> moved = model().MovedGroups();
    ASSERT_EQ(moved.size(), 1u);
    EXPECT_EQ(moved[0].GroupID, box("Guests").GroupID());
    EXPECT_EQ(DecodePosition(moved[0].Position), guestsBefore + QPoint(80, 60));
    EXPECT_TRUE(model().RemovedGroups().empty());
    EXPECT_TRUE(model().EditedGroups().empty());
}

TEST_F(RealWindow, DemoDatabaseExitWithoutSaving)
{
    OpenDemo();
    MakeForm(QSize(900, 600));
    wltest::XInputDriver driver;
    Shown(driver);
    driver.DragMouse(At("Clerks"), At("Clerks", QPoint(150, 0)));
    driver.WaitFor("box moved", [this] { return box("Clerks").Moved(); });
    driver.Click([this] { return GlobalCentre(form_->ExitBtn); });
    // Message 44, answered "Yes" with a real click.
    auto yesButton = []() -> QAbstractButton* {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        return box && box->isVisible() ? box->button(QMessageBox::Yes) : nullptr;
    };
    driver.WaitFor("message 44", [&] { return yesButton() != nullptr; });
    driver.Do([] { QTest::qWait(200); });
    driver.Click([&] { return GlobalCentre(yesButton()); });

    EXPECT_EQ(Run(driver), vcl::mrCancel);
}

// A company's database of 300 groups without stored positions, laid out
// automatically, at 1024x768; and the whole canvas drawn into one picture.
TEST_F(RealWindow, ThreeHundredGroupsScreenshot)
{
    db_ = wltest::OpenSqlite(dir_.filePath(QStringLiteral("company.sqlite")));
    wltest::CreateHierarchyTables(*db_);
    const int board = wltest::GenerateCompany(*db_, 300, 450);
    hierarchy_ = std::make_unique<wltest::SecurityHierarchy>(*db_, board);
    MakeForm(QSize(1024, 768));

    // No two boxes overlap.
    for (int a = 0; a < model().BoxCount(); ++a)
        for (int b = a + 1; b < model().BoxCount(); ++b)
            ASSERT_FALSE(model().Box(a).Bounds().intersects(model().Box(b).Bounds()))
                << model().Box(a).Name() << " and " << model().Box(b).Name();

    wltest::XInputDriver driver;
    Shown(driver);
    // The view starts at the administrator's group; select it.
    driver.Click(At("Board"));
    driver.WaitFor("board selected", [this] { return model().CurrentBox() == &box("Board"); });
    int colours = 0;
    driver.Do([&] {
        QTest::qWait(200);
        colours = wltest::Screenshot(ScreenshotFile("hierarchy_300_groups.png"), form_->winId());
    });
    driver.Click([this] { return GlobalCentre(form_->SaveBtn); });
    ASSERT_EQ(Run(driver), vcl::mrOk);
    EXPECT_GT(colours, kMinimumColours) << "the screenshot looks blank";

    // With a margin for the loops above the top row.
    constexpr int kMargin = 40;
    const QSize canvas = form_->GroupSpace->CanvasSize() + QSize(kMargin, kMargin);
    QImage whole(canvas, QImage::Format_RGB32);
    whole.fill(Qt::white);
    QPainter painter(&whole);
    painter.translate(kMargin, kMargin);
    form_->GroupSpace->PaintCanvas(painter, QRect(QPoint(-kMargin, -kMargin), canvas));
    painter.end();
    EXPECT_TRUE(whole.save(ScreenshotFile("hierarchy_300_groups_canvas.png")));
}

} // namespace
