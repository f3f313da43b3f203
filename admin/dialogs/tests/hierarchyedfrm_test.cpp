// The editor window driven offscreen with mouse and keys: closing with and
// without saving (messages 44 and 45), drawing relations and dragging boxes
// and relation ends with the mouse, the tool lock, the pop-up menus and
// their command states, "Edit" and "Add new group" through the change-group
// dialog, and the shortcuts that must obey the command states.

#include "hierarchy_testkit.h"

#include "hierarchy/hierarchyedfrm.h"

#include <wardlock/keeper/strings.h>
#include <wardlock/platform/dialogs.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace Security;

namespace {

// The demo's office with stored places: Administrators (listing themselves
// when the administrator is unrestricted) over Managers over Clerks over
// Guests, Managers kept from Guests, and a payroll office.
class EditorWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        db_ = wltest::OpenSqlite(dir_.filePath("groups.sqlite"));
        wltest::CreateHierarchyTables(*db_);
        auto pos = [](int top, int left) { return (top << 16) | left; };
        admins_
            = wltest::InsertGroup(*db_, { "Admins", "Administrators", "All of it", pos(20, 20) });
        managers_
            = wltest::InsertGroup(*db_, { "Managers", "Managers", "The office", pos(150, 20) });
        const int clerks = wltest::InsertGroup(*db_, { "Clerks", "Clerks", "", pos(280, 20) });
        const int guests = wltest::InsertGroup(*db_, { "Guests", "Guests", "", pos(280, 260) });
        const int payroll
            = wltest::InsertGroup(*db_, { "Payroll", "Payroll office", "", pos(20, 400) });
        wltest::InsertRelation(*db_, admins_, admins_, mgStrong);
        wltest::InsertRelation(*db_, admins_, managers_, mgStrong);
        wltest::InsertRelation(*db_, managers_, clerks, mgStrong);
        wltest::InsertRelation(*db_, clerks, guests, mgStrong);
        wltest::InsertRelation(*db_, managers_, guests, mgNegative);
        (void)payroll;
    }

    // Opens the editor for a member of `groupID` with the administration
    // rights `mask`; the change-group dialog is answered by `changeGroup_`.
    void Open(int groupID, SecRightsMask mask = srInsert | srModify | srDelete)
    {
        hierarchy_ = std::make_unique<wltest::SecurityHierarchy>(*db_, groupID);
        form_ = std::make_unique<TSecurityHierarchyEdFrm>(
            nullptr, hierarchy_->Input(mask), [this](TGroupProperties& group) {
                ++dialogRuns_;
                seenInDialog_ = group;
                if (!changeGroup_)
                    return false;
                changeGroup_(group);
                return true;
            });
        form_->resize(900, 640);
        form_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
    }

public: // the table rows of the menu test reach the helpers
    THierarchyModel& model() { return form_->Model(); }
    TGroupFrame& box(const std::string& name) { return wltest::BoxNamed(model(), name); }
    QWidget* canvas() { return form_->GroupSpace->viewport(); }
    QPoint at(const TGroupFrame& box) { return form_->GroupSpace->ToViewport(box.Centre()); }
    // A point on a relation's arrow, `fraction` of the way from its start.
    QPoint on(const TGroupRelation& relation, double fraction)
    {
        return form_->GroupSpace->ToViewport(relation.Shape().PointAlong(fraction).toPoint());
    }

protected:
    void Drag(QPoint from, QPoint to)
    {
        QTest::mousePress(canvas(), Qt::LeftButton, Qt::NoModifier, from);
        QTest::mouseMove(canvas(), (from + to) / 2);
        QTest::mouseMove(canvas(), to);
        QTest::mouseRelease(canvas(), Qt::LeftButton, Qt::NoModifier, to);
    }

    QTemporaryDir dir_;
    std::unique_ptr<vcl::TDatabase> db_;
    int admins_ = 0, managers_ = 0;
    std::unique_ptr<wltest::SecurityHierarchy> hierarchy_;
    std::unique_ptr<TSecurityHierarchyEdFrm> form_;
    std::function<void(TGroupProperties&)> changeGroup_;
    int dialogRuns_ = 0;
    TGroupProperties seenInDialog_;
};

TEST_F(EditorWindow, ClosingAsksTheRightQuestion)
{
    struct Case {
        const char* name;
        std::function<void(TSecurityHierarchyEdFrm&)> close;
        int answer;
        int question; // 0: none asked
        bool stillOpen;
        int result;
    };
    const Case cases[] = {
        { "save and exit", [](auto& f) { f.SaveAndExitAct->trigger(); }, vcl::IDNO, 0, false,
            vcl::mrOk },
        { "exit without saving, yes", [](auto& f) { f.ExitWithoutSavingAct->trigger(); },
            vcl::IDYES, sCloseWithoutSaving, false, vcl::mrCancel },
        { "exit without saving, no", [](auto& f) { f.ExitWithoutSavingAct->trigger(); }, vcl::IDNO,
            sCloseWithoutSaving, true, vcl::mrNone },
        { "close button, yes applies", [](auto& f) { f.close(); }, vcl::IDYES, sApplyBeforeExit,
            false, vcl::mrOk },
        { "close button, no discards", [](auto& f) { f.close(); }, vcl::IDNO, sApplyBeforeExit,
            false, vcl::mrCancel },
        { "escape is the close button", [](auto& f) { QTest::keyClick(&f, Qt::Key_Escape); },
            vcl::IDNO, sApplyBeforeExit, false, vcl::mrCancel },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Open(admins_);
        std::vector<vcl::MessageBoxRequest> asked;
        vcl::ScopedMessageBoxHook hook([&](const vcl::MessageBoxRequest& request) {
            asked.push_back(request);
            return c.answer;
        });
        c.close(*form_);
        if (c.question == 0) {
            EXPECT_TRUE(asked.empty());
        } else {
            ASSERT_EQ(asked.size(), 1u);
            EXPECT_EQ(asked[0].text, SecString(c.question));
            EXPECT_EQ(asked[0].caption, "Confirmation");
            EXPECT_EQ(asked[0].buttons, vcl::MB_YESNO);
        }
        EXPECT_EQ(form_->isVisible(), c.stillOpen);
        EXPECT_EQ(form_->ModalResult(), c.result);
    }
}

// Saving deletes removed groups with their users: the editor warns first
// (message 66); "No" keeps it open.
TEST_F(EditorWindow, SavingRemovedGroupsAsksFirst)
{
    struct Case {
        const char* name;
        std::function<void(TSecurityHierarchyEdFrm&)> close;
        std::vector<int> answers;
        std::vector<int> questions;
        bool stillOpen;
    };
    const Case cases[] = {
        { "save, no", [](auto& f) { f.SaveAndExitAct->trigger(); }, { vcl::IDNO },
            { sRemoveGroupLastWarn }, true },
        { "save, yes", [](auto& f) { f.SaveAndExitAct->trigger(); }, { vcl::IDYES },
            { sRemoveGroupLastWarn }, false },
        { "close button, apply, no", [](auto& f) { f.close(); }, { vcl::IDYES, vcl::IDNO },
            { sApplyBeforeExit, sRemoveGroupLastWarn }, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Open(admins_);
        ASSERT_TRUE(model().RemoveGroup(box("Payroll")));
        std::vector<int> asked;
        vcl::ScopedMessageBoxHook hook([&](const vcl::MessageBoxRequest& request) {
            for (int id : { sApplyBeforeExit, sRemoveGroupLastWarn })
                if (request.text == SecString(id))
                    asked.push_back(id);
            return c.answers.at(std::min(asked.size(), c.answers.size()) - 1);
        });
        c.close(*form_);
        EXPECT_EQ(asked, c.questions);
        EXPECT_EQ(form_->isVisible(), c.stillOpen);
        EXPECT_EQ(form_->ModalResult(), c.stillOpen ? vcl::mrNone : vcl::mrOk);
    }
}

TEST_F(EditorWindow, DrawingAStrongRelationWithTheMouse)
{
    Open(admins_);
    form_->StrongToolBtn->click();
    EXPECT_EQ(model().Tool(), THierarchyTool::Strong);
    Drag(at(box("Admins")), at(box("Guests")));
    const TGroupRelation* drawn = model().FindRelation(box("Admins"), box("Guests"));
    ASSERT_NE(drawn, nullptr);
    EXPECT_EQ(drawn->Type(), mgStrong);
    EXPECT_TRUE(drawn->IsNew());
    EXPECT_EQ(model().CurrentRelation(), drawn);
    // Not locked: back to selection.
    EXPECT_EQ(model().Tool(), THierarchyTool::Select);
    EXPECT_TRUE(form_->SelectAct->isChecked());
}

TEST_F(EditorWindow, ALockedToolDrawsSeveralRelations)
{
    Open(admins_);
    form_->WeakToolBtn->click();
    form_->WeakToolBtn->click();
    EXPECT_TRUE(model().ToolLocked());
    EXPECT_TRUE(form_->ToolHint->text().endsWith(QStringLiteral("(locked)")));
    Drag(at(box("Payroll")), at(box("Clerks")));
    Drag(at(box("Payroll")), at(box("Guests")));
    EXPECT_TRUE(model().FindRelation(box("Payroll"), box("Clerks")));
    EXPECT_TRUE(model().FindRelation(box("Payroll"), box("Guests")));
    EXPECT_EQ(model().Tool(), THierarchyTool::Weak);
    // A click on empty canvas ends it.
    QTest::mouseClick(canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(850, 550));
    EXPECT_EQ(model().Tool(), THierarchyTool::Select);
    EXPECT_EQ(form_->ToolHint->text(), QStringLiteral("Selection tool"));
}

TEST_F(EditorWindow, AClickWithARelationToolLetsTheEndFollowUntilTheNextClick)
{
    Open(admins_);
    form_->NegativeToolBtn->click();
    QTest::mouseClick(canvas(), Qt::LeftButton, Qt::NoModifier, at(box("Payroll")));
    EXPECT_TRUE(model().Relations().size() == 5u); // nothing drawn yet, no loop
    QTest::mouseMove(canvas(), at(box("Managers")));
    QTest::mouseClick(canvas(), Qt::LeftButton, Qt::NoModifier, at(box("Managers")));
    const TGroupRelation* drawn = model().FindRelation(box("Payroll"), box("Managers"));
    ASSERT_NE(drawn, nullptr);
    EXPECT_EQ(drawn->Type(), mgNegative);
}

TEST_F(EditorWindow, DraggingABox)
{
    struct Case {
        const char* name;
        QPoint by;
        bool moved;
    };
    const Case cases[] = {
        { "further than 10 pixels", QPoint(60, 35), true },
        { "less than 10 pixels is a click", QPoint(4, 3), false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Open(admins_);
        const QPoint before = box("Payroll").Bounds().topLeft();
        Drag(at(box("Payroll")), at(box("Payroll")) + c.by);
        EXPECT_EQ(box("Payroll").Moved(), c.moved);
        EXPECT_EQ(box("Payroll").Bounds().topLeft(), c.moved ? before + c.by : before);
        EXPECT_EQ(model().CurrentBox(), &box("Payroll"));
    }
}

// Hit-testing stays in canvas coordinates when the canvas is scrolled.
TEST_F(EditorWindow, ClicksFindArrowsAndBoxesOnAScrolledCanvas)
{
    Open(admins_);
    form_->resize(form_->minimumSize());
    QApplication::processEvents();
    QScrollBar* horizontal = form_->GroupSpace->horizontalScrollBar();
    QScrollBar* vertical = form_->GroupSpace->verticalScrollBar();
    ASSERT_GT(horizontal->maximum(), 100);
    horizontal->setValue(150);
    vertical->setValue(vertical->maximum());
    TGroupRelation* relation = model().FindRelation(box("Clerks"), box("Guests"));
    const QPoint point = on(*relation, 0.7);
    ASSERT_TRUE(canvas()->rect().contains(point));
    QTest::mouseClick(canvas(), Qt::LeftButton, Qt::NoModifier, point);
    EXPECT_EQ(model().CurrentRelation(), relation);
    QTest::mouseClick(canvas(), Qt::LeftButton, Qt::NoModifier, at(box("Guests")));
    EXPECT_EQ(model().CurrentBox(), &box("Guests"));
}

TEST_F(EditorWindow, DraggingARelationEndOntoAnotherBox)
{
    Open(admins_);
    TGroupRelation& relation = *model().FindRelation(box("Admins"), box("Managers"));
    // Near the tip: the end is grabbed.
    Drag(on(relation, 0.9), at(box("Payroll")));
    EXPECT_EQ(relation.End(), &box("Payroll"));
    EXPECT_TRUE(relation.IsNew());
    ASSERT_EQ(model().RemovedOriginals().size(), 1u);
    EXPECT_EQ(model().RemovedOriginals()[0].ModGroupRow, box("Managers").Row());
}

TEST_F(EditorWindow, ARestrictedAdministratorCannotDropAStrongEndOnAGroupHeMayNotModify)
{
    Open(managers_);
    form_->StrongToolBtn->click();
    Drag(at(box("Clerks")), at(box("Payroll")));
    EXPECT_EQ(model().FindRelation(box("Clerks"), box("Payroll")), nullptr);
    // A negative one he may draw there.
    form_->NegativeToolBtn->click();
    Drag(at(box("Clerks")), at(box("Payroll")));
    EXPECT_NE(model().FindRelation(box("Clerks"), box("Payroll")), nullptr);
}

// The mend: the Delete key and a double click obey "Remove group" and "Edit".
TEST_F(EditorWindow, ShortcutsObeyTheCommandStates)
{
    struct Case {
        const char* name;
        const char* group;
        SecRightsMask mask;
        bool removed;
        bool edited;
    };
    const Case cases[] = {
        { "a group he may modify", "Clerks", srDelete | srModify, true, true },
        { "mended: a group he may not modify", "Payroll", srDelete | srModify, false, false },
        { "mended: without Delete and Modify", "Clerks", srInsert, false, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialogRuns_ = 0;
        changeGroup_ = [](TGroupProperties& group) { group.FullName = "Renamed"; };
        Open(managers_, c.mask);
        QTest::mouseDClick(canvas(), Qt::LeftButton, Qt::NoModifier, at(box(c.group)));
        EXPECT_EQ(dialogRuns_, c.edited ? 1 : 0);
        EXPECT_EQ(box(c.group).FullName() == "Renamed", c.edited);
        model().SetCurrentBox(&box(c.group));
        QTest::keyClick(form_->GroupSpace, Qt::Key_Delete);
        EXPECT_EQ(box(c.group).Hidden(), c.removed);
    }
}

TEST_F(EditorWindow, DeleteKeyRemovesTheCurrentRelationOnlyWhenAllowed)
{
    struct Case {
        const char* name;
        SecRightsMask mask;
        bool removed;
    };
    const Case cases[] = {
        { "with Delete", srDelete | srModify, true },
        { "without Delete", srModify, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Clerks > Guests starts at Clerks, which Managers may modify.
        Open(managers_, c.mask);
        TGroupRelation* relation = model().FindRelation(box("Clerks"), box("Guests"));
        ASSERT_NE(relation, nullptr);
        QTest::mouseClick(canvas(), Qt::LeftButton, Qt::NoModifier, on(*relation, 0.5));
        ASSERT_EQ(model().CurrentRelation(), relation);
        QTest::keyClick(form_->GroupSpace, Qt::Key_Delete);
        EXPECT_EQ(model().FindRelation(box("Clerks"), box("Guests")) == nullptr, c.removed);
    }
}

TEST_F(EditorWindow, EditAndAddNewGroupThroughTheChangeGroupDialog)
{
    changeGroup_ = [](TGroupProperties& group) {
        group.Name = "Sales";
        group.FullName = "Sales people of the whole company";
    };
    Open(admins_);
    model().SetCurrentBox(&box("Clerks"));
    form_->GroupSpace->CurrentChanged();
    ASSERT_TRUE(form_->EditAct->isEnabled());
    const int widthBefore = box("Clerks").Bounds().width();
    form_->EditAct->trigger();
    EXPECT_EQ(seenInDialog_.Name, "Clerks");
    EXPECT_TRUE(box("Sales").Edited());
    EXPECT_GT(box("Sales").Bounds().width(), widthBefore); // resized for the longer text

    changeGroup_ = [](TGroupProperties& group) { group.Name = "Export"; };
    ASSERT_TRUE(form_->AddNewGroupAct->isEnabled());
    form_->AddNewGroupAct->trigger();
    // Pre-filled from the administrator's group.
    EXPECT_EQ(seenInDialog_.Name, "Admins");
    TGroupFrame& created = box("Export");
    EXPECT_TRUE(created.IsNew());
    EXPECT_EQ(created.Row(), 5);
    EXPECT_NE(model().FindRelation(box("Admins"), created), nullptr);
}

TEST_F(EditorWindow, CancelledChangeGroupDialogChangesNothing)
{
    Open(admins_);
    model().SetCurrentBox(&box("Clerks"));
    form_->GroupSpace->CurrentChanged();
    form_->EditAct->trigger();
    form_->AddNewGroupAct->trigger();
    EXPECT_EQ(dialogRuns_, 2);
    EXPECT_FALSE(box("Clerks").Edited());
    EXPECT_EQ(model().BoxCount(), 5);
}

TEST_F(EditorWindow, PopUpMenusShowTheCommandStatesOfWhatWasClicked)
{
    struct Case {
        const char* name;
        std::function<QPoint(EditorWindow&)> where;
        const char* menu;
        std::vector<std::pair<const char*, bool>> states;
    };
    const Case cases[] = {
        { "a negative relation from a group he may not modify",
            [](EditorWindow& t) {
                return t.on(*t.model().FindRelation(t.box("Managers"), t.box("Guests")), 0.5);
            },
            "RelationMenu",
            { { "RevertDirectionAct", false }, { "RemoveRelationAct", false },
                { "ChangeToStrongAct", false }, { "ChangeToWeakAct", false },
                { "ChangeToNegativeAct", false } } },
        { "a strong relation from a group he may modify",
            [](EditorWindow& t) {
                return t.on(*t.model().FindRelation(t.box("Clerks"), t.box("Guests")), 0.5);
            },
            "RelationMenu",
            { { "RevertDirectionAct", true }, { "RemoveRelationAct", true },
                { "ChangeToStrongAct", false }, { "ChangeToWeakAct", true },
                { "ChangeToNegativeAct", true } } },
        { "a group he may not modify", [](EditorWindow& t) { return t.at(t.box("Payroll")); },
            "GroupMenu",
            { { "EditAct", false }, { "RemoveGroupAct", false }, { "AddStrongRelationAct", true },
                { "AddNegativeRelationAct", false } } },
        { "empty canvas", [](EditorWindow&) { return QPoint(850, 550); }, "SpaceMenu",
            { { "AddNewGroupAct", true }, { "SaveAndExitAct", true } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        changeGroup_ = [](TGroupProperties&) {};
        Open(managers_);
        QString shown;
        std::vector<std::pair<std::string, bool>> seen;
        QTimer::singleShot(0, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                shown = menu->objectName();
                for (QAction* action : menu->actions())
                    seen.emplace_back(action->objectName().toStdString(), action->isEnabled());
                menu->close();
            }
        });
        const QPoint point = c.where(*this);
        QTest::mousePress(canvas(), Qt::RightButton, Qt::NoModifier, point);
        QContextMenuEvent event(QContextMenuEvent::Mouse, point, canvas()->mapToGlobal(point));
        QApplication::sendEvent(canvas(), &event);
        EXPECT_EQ(shown.toStdString(), c.menu);
        for (const auto& [name, enabled] : c.states) {
            const auto found = std::find_if(seen.begin(), seen.end(),
                [&, n = std::string(name)](const auto& item) { return item.first == n; });
            ASSERT_NE(found, seen.end()) << name;
            EXPECT_EQ(found->second, enabled) << name;
        }
    }
}

} // namespace
