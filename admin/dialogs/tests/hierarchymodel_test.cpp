// The hierarchy editor's rules without a window: the command states of a
// relation and of a box, the drag rules for relation ends, which end a press
// grabs, and the tool modes with their lock. Each table names its rows; rows
// marked "mended" fail against the rules as first written.

#include "hierarchy_fixture.h"

#include <gtest/gtest.h>

using namespace Security;
using wltest::BoxSetup;
using wltest::Diagram;
using wltest::Perms;
using wltest::RelationSetup;

namespace {

std::string Describe(const TRelationActions& a)
{
    return std::string("revert=") + (a.RevertDirection ? "1" : "0")
        + " remove=" + (a.RemoveRelation ? "1" : "0") + " strong=" + (a.ChangeToStrong ? "1" : "0")
        + " weak=" + (a.ChangeToWeak ? "1" : "0") + " negative=" + (a.ChangeToNegative ? "1" : "0");
}

std::string Describe(const TBoxActions& a)
{
    return std::string("edit=") + (a.Edit ? "1" : "0") + " remove=" + (a.RemoveGroup ? "1" : "0")
        + " addStrong=" + (a.AddStrongRelation ? "1" : "0") + " addWeak="
        + (a.AddWeakRelation ? "1" : "0") + " addNegative=" + (a.AddNegativeRelation ? "1" : "0");
}

TEST(HierarchyRules, RelationCommandStates)
{
    struct Case {
        const char* name;
        bool startModifiable;
        bool endModifiable;
        TModGroupType type;
        const char* permissions;
        bool reverseExists;
        TRelationActions expected; // revert, remove, strong, weak, negative
    };
    const Case cases[] = {
        { "strong between groups he may modify", true, true, mgStrong, "DMI", false,
            { true, true, false, true, true } },
        { "weak between groups he may modify", true, true, mgWeak, "DMI", false,
            { true, true, true, false, true } },
        { "negative between groups he may modify: no reversing", true, true, mgNegative, "DMI",
            false, { false, true, true, true, false } },
        { "weak from a group he may not modify: only strengthening", false, true, mgWeak, "DMI",
            false, { false, false, true, false, false } },
        { "strong to a group he may not modify", true, false, mgStrong, "DMI", false,
            { true, true, false, true, true } },
        { "negative to a group he may not modify cannot become weak or strong", true, false,
            mgNegative, "DMI", false, { false, true, false, false, false } },
        { "without Delete nothing is removed", true, true, mgStrong, "MI", false,
            { true, false, false, true, true } },
        // mended: reversing, weakening and negating are changes like the
        // others and need the Modify bit
        { "mended: without Modify a strong relation stays as it is", true, true, mgStrong, "DI",
            false, { false, true, false, false, false } },
        { "mended: without Modify a weak relation stays as it is", true, true, mgWeak, "DI", false,
            { false, true, false, false, false } },
        { "unrestricted without any bit", false, false, mgWeak, "U", false,
            { true, true, true, false, true } },
        // mended: the reverse already exists, reversing would duplicate it
        { "mended: no reversing onto an existing relation", true, true, mgStrong, "DMI", true,
            { false, true, false, true, true } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<RelationSetup> relations = { { "Start", "End", c.type } };
        if (c.reverseExists)
            relations.push_back({ "End", "Start", mgWeak });
        Diagram d(Perms(c.permissions),
            { { "Admins" }, { "Start", c.startModifiable }, { "End", c.endModifiable } },
            relations);
        EXPECT_EQ(
            Describe(d.model().RelationActions(&d.relation("Start", "End"))), Describe(c.expected));
    }
}

TEST(HierarchyRules, LoopAndMissingRelationStates)
{
    Diagram d(Perms("DMIU"), { { "Admins" } }, { { "Admins", "Admins", mgStrong } });
    // A loop has nothing to reverse.
    EXPECT_EQ(Describe(d.model().RelationActions(&d.relation("Admins", "Admins"))),
        Describe(TRelationActions { false, true, false, true, true }));
    EXPECT_EQ(Describe(d.model().RelationActions(nullptr)), Describe(TRelationActions {}));
}

TEST(HierarchyRules, BoxCommandStates)
{
    struct Case {
        const char* name;
        bool modificable;
        const char* permissions;
        TBoxActions expected; // edit, remove, add strong, add weak, add negative
    };
    const Case cases[] = {
        { "a group he may modify", true, "DMI", { true, true, true, true, true } },
        { "a group he may not modify", false, "DMI", { false, false, true, true, false } },
        { "mended: editing needs the Modify bit", true, "DI", { false, true, true, true, true } },
        { "without Delete", true, "MI", { true, false, true, true, true } },
        { "without Insert no relation is added", true, "DM", { true, true, false, false, false } },
        { "unrestricted without bits may still edit, remove and negate", false, "U",
            { true, true, false, false, true } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Diagram d(Perms(c.permissions), { { "Admins" }, { "Box", c.modificable } }, {});
        EXPECT_EQ(Describe(d.model().BoxActions(&d.box("Box"))), Describe(c.expected));
    }
}

TEST(HierarchyRules, RemovedBoxHasNoCommands)
{
    Diagram d(Perms("DMI"), { { "Admins" }, { "Box" } }, {});
    ASSERT_TRUE(d.model().RemoveGroup(d.box("Box")));
    EXPECT_EQ(Describe(d.model().BoxActions(&d.box("Box"))), Describe(TBoxActions {}));
    EXPECT_EQ(Describe(d.model().BoxActions(nullptr)), Describe(TBoxActions {}));
}

// Admins (his own group), Support and Sales he may modify, Payroll and
// Audit he may not. Support administers Payroll and Sales, Sales is kept
// from Payroll, and Admins from Support.
Diagram DragDiagram(const char* permissions)
{
    return Diagram(Perms(permissions),
        { { "Admins" }, { "Support" }, { "Payroll", false }, { "Sales" }, { "Audit", false } },
        { { "Support", "Payroll", mgStrong }, { "Support", "Sales", mgWeak },
            { "Sales", "Payroll", mgNegative }, { "Admins", "Support", mgNegative } });
}

TEST(HierarchyRules, AttachingTheEndOfANewRelation)
{
    struct Case {
        const char* name;
        const char* permissions;
        const char* start;
        TModGroupType type;
        const char* target;
        bool allowed;
    };
    const Case cases[] = {
        { "strong to a group he may not modify", "DMI", "Admins", mgStrong, "Payroll", false },
        { "weak to a group he may not modify", "DMI", "Admins", mgWeak, "Payroll", false },
        { "negative to a group he may not modify", "DMI", "Admins", mgNegative, "Payroll", true },
        { "strong to a group he may modify", "DMI", "Admins", mgStrong, "Sales", true },
        { "from a group he may not modify to one he may", "DMI", "Payroll", mgStrong, "Sales",
            true },
        { "a second relation between the same groups", "DMI", "Support", mgNegative, "Sales",
            false },
        { "the second relation also when unrestricted", "DMIU", "Support", mgStrong, "Sales",
            false },
        { "to itself, restricted", "DMI", "Admins", mgStrong, "Admins", false },
        { "to itself, unrestricted", "DMIU", "Admins", mgStrong, "Admins", true },
        { "unrestricted to a group not marked modifiable", "DMIU", "Admins", mgStrong, "Payroll",
            true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Diagram d = DragDiagram(c.permissions);
        EXPECT_EQ(d.model().CanAttachEnd(d.box(c.start), c.type, d.box(c.target)), c.allowed);
        const bool drawn = d.model().DrawRelation(d.box(c.start), d.box(c.target), c.type);
        EXPECT_EQ(drawn, c.allowed);
    }
}

TEST(HierarchyRules, MovingARelationEnd)
{
    struct Case {
        const char* name;
        const char* permissions;
        const char* from;
        const char* to;
        TRelationEnd end;
        const char* target;
        bool allowed;
    };
    const auto Start = TRelationEnd::Start;
    const auto End = TRelationEnd::End;
    const Case cases[] = {
        // mended: Support's strong hold on Payroll must not pass to his own
        // group by dragging the relation's start
        { "mended: strong start onto his group, end not modifiable", "DMI", "Support", "Payroll",
            Start, "Admins", false },
        { "unrestricted may move that start", "DMIU", "Support", "Payroll", Start, "Admins", true },
        { "weak start onto his group, end modifiable", "DMI", "Support", "Sales", Start, "Admins",
            true },
        { "negative start, restricted", "DMI", "Admins", "Support", Start, "Sales", false },
        { "start onto the end, restricted", "DMI", "Support", "Sales", Start, "Sales", false },
        { "start onto the end, unrestricted", "DMIU", "Support", "Sales", Start, "Sales", true },
        { "start onto a group already related to the end", "DMIU", "Support", "Payroll", Start,
            "Sales", false },
        { "end onto a group he may not modify", "DMI", "Support", "Sales", End, "Audit", false },
        { "end onto a group he may not modify, unrestricted", "DMIU", "Support", "Sales", End,
            "Audit", true },
        { "end onto his group", "DMI", "Support", "Sales", End, "Admins", true },
        { "end onto its own start, restricted", "DMI", "Support", "Sales", End, "Support", false },
        { "end onto its own start, unrestricted", "DMIU", "Support", "Sales", End, "Support",
            true },
        { "negative end onto a group he may not modify", "DMI", "Admins", "Support", End, "Payroll",
            true },
        { "end onto a group the start already relates to", "DMIU", "Support", "Sales", End,
            "Payroll", false },
        { "end onto where it already is", "DMIU", "Support", "Sales", End, "Sales", false },
        { "nothing is dragged without the Modify bit", "DIU", "Support", "Sales", End, "Admins",
            false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Diagram d = DragDiagram(c.permissions);
        TGroupRelation& relation = d.relation(c.from, c.to);
        const std::string newFrom = c.end == Start ? c.target : c.from;
        const std::string newTo = c.end == Start ? c.to : c.target;
        const bool existedBefore = d.has(newFrom, newTo);
        const bool canMove = c.end == Start ? d.model().CanMoveStartTo(relation, d.box(c.target))
                                            : d.model().CanMoveEndTo(relation, d.box(c.target));
        const bool moved = c.end == Start ? d.model().MoveStart(relation, d.box(c.target))
                                          : d.model().MoveEnd(relation, d.box(c.target));
        EXPECT_EQ(moved, c.allowed);
        if (std::string(c.permissions).find('M') != std::string::npos) {
            EXPECT_EQ(canMove, c.allowed);
        }
        EXPECT_EQ(d.has(newFrom, newTo), c.allowed || existedBefore);
        EXPECT_EQ(d.has(c.from, c.to), !c.allowed || (newFrom == c.from && newTo == c.to));
    }
}

TEST(HierarchyRules, GrabbingARelation)
{
    struct Case {
        const char* name;
        const char* permissions;
        bool startModifiable;
        bool drawnInEditor;
        bool grabbed;
    };
    const Case cases[] = {
        { "read relation from a group he may modify", "DMI", true, false, true },
        { "read relation from a group he may not modify", "DMI", false, false, false },
        { "relation drawn in the editor", "DMI", false, true, true },
        { "without the Modify bit", "DIU", true, false, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<RelationSetup> read = c.drawnInEditor
            ? std::vector<RelationSetup> {}
            : std::vector<RelationSetup> { { "Start", "End", mgNegative } };
        Diagram d(Perms(c.permissions), { { "Admins" }, { "Start", c.startModifiable }, { "End" } },
            read);
        if (c.drawnInEditor) {
            ASSERT_TRUE(d.model().DrawRelation(d.box("Start"), d.box("End"), mgStrong));
        }
        EXPECT_EQ(d.model().CanGrabRelation(d.relation("Start", "End")), c.grabbed);
    }
}

TEST(HierarchyRules, WhichEndAPressGrabs)
{
    // Centres: Start (49, 19); End at (349, 19) or (649, 19).
    struct Case {
        const char* name;
        int endLeft;
        QPoint press;
        std::optional<TRelationEnd> grabbed;
    };
    const Case cases[] = {
        { "near the start", 300, QPoint(120, 19), TRelationEnd::Start },
        { "near the end", 300, QPoint(300, 19), TRelationEnd::End },
        { "as near to both: the start", 300, QPoint(199, 19), TRelationEnd::Start },
        { "nearer end beyond 200 pixels", 600, QPoint(260, 19), std::nullopt },
        { "exactly 200 pixels is too far", 600, QPoint(249, 19), std::nullopt },
        { "just within 200 pixels", 600, QPoint(248, 19), TRelationEnd::Start },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Diagram d(Perms("DMI"),
            { { "Start", true, QPoint(0, 0) }, { "End", true, QPoint(c.endLeft, 0) } },
            { { "Start", "End", mgStrong } });
        EXPECT_EQ(d.model().GrabbedEnd(d.relation("Start", "End"), c.press), c.grabbed);
    }
}

TEST(HierarchyRules, WhichEndOfALoopAPressGrabs)
{
    Diagram d(Perms("DMIU"), { { "Admins", true, QPoint(0, 40) } }, { { "Admins", "Admins" } });
    const TGroupRelation& loop = d.relation("Admins", "Admins");
    const int centre = d.box("Admins").Centre().x();
    EXPECT_EQ(d.model().GrabbedEnd(loop, QPoint(centre - 10, 20)), TRelationEnd::Start);
    EXPECT_EQ(d.model().GrabbedEnd(loop, QPoint(centre, 20)), TRelationEnd::Start);
    EXPECT_EQ(d.model().GrabbedEnd(loop, QPoint(centre + 1, 20)), TRelationEnd::End);
}

TEST(HierarchyRules, DraggingBoxesAndStartingRelations)
{
    Diagram d(Perms("MI"), { { "Admins" }, { "Other", false } }, {});
    EXPECT_TRUE(d.model().CanDragBox(d.box("Admins")));
    EXPECT_FALSE(d.model().CanDragBox(d.box("Other")));
    EXPECT_TRUE(d.model().CanStartRelation(d.box("Other"), mgStrong));
    // A negative relation cannot start at a group he may not modify.
    EXPECT_FALSE(d.model().CanStartRelation(d.box("Other"), mgNegative));
    EXPECT_TRUE(d.model().CanStartRelation(d.box("Admins"), mgNegative));

    Diagram withoutModify(Perms("DI"), { { "Admins" } }, {});
    EXPECT_FALSE(withoutModify.model().CanDragBox(withoutModify.box("Admins")));
    EXPECT_FALSE(withoutModify.model().MoveBox(withoutModify.box("Admins"), QPoint(300, 300)));
    // The relation tools obey the states of the "Add ... relation" commands.
    Diagram withoutInsert(Perms("DM"), { { "Admins" }, { "Other" } }, {});
    EXPECT_FALSE(withoutInsert.model().CanStartRelation(withoutInsert.box("Admins"), mgStrong));
    EXPECT_FALSE(withoutInsert.model().DrawRelation(
        withoutInsert.box("Admins"), withoutInsert.box("Other"), mgStrong));
}

TEST(HierarchyRules, ToolModesAndLock)
{
    struct Case {
        const char* name;
        std::vector<THierarchyTool> presses;
        bool dropAfter;
        THierarchyTool tool;
        bool locked;
    };
    using T = THierarchyTool;
    const Case cases[] = {
        { "a relation tool", { T::Strong }, false, T::Strong, false },
        { "pressed again: locked", { T::Strong, T::Strong }, false, T::Strong, true },
        { "pressed a third time: unlocked", { T::Strong, T::Strong, T::Strong }, false, T::Strong,
            false },
        { "another tool drops the lock", { T::Strong, T::Strong, T::Weak }, false, T::Weak, false },
        { "select drops the lock", { T::Negative, T::Negative, T::Select }, false, T::Select,
            false },
        { "select pressed twice is not locked", { T::Select, T::Select }, false, T::Select, false },
        { "after a drop back to selection", { T::Weak }, true, T::Select, false },
        { "a locked tool stays after a drop", { T::Weak, T::Weak }, true, T::Weak, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        THierarchyModel model(Perms("DMI"), 0, -1);
        for (THierarchyTool tool : c.presses)
            model.PressTool(tool);
        if (c.dropAfter)
            model.RelationDropped();
        EXPECT_EQ(model.Tool(), c.tool);
        EXPECT_EQ(model.ToolLocked(), c.locked);
    }
}

TEST(HierarchyRules, ClickOnEmptyCanvasClearsEverything)
{
    Diagram d(Perms("DMI"), { { "Admins" }, { "Other" } }, { { "Admins", "Other" } });
    d.model().PressTool(THierarchyTool::Strong);
    d.model().PressTool(THierarchyTool::Strong);
    d.model().SetCurrentRelation(&d.relation("Admins", "Other"));
    d.model().ClickEmptyCanvas();
    EXPECT_EQ(d.model().CurrentRelation(), nullptr);
    EXPECT_EQ(d.model().CurrentBox(), nullptr);
    EXPECT_EQ(d.model().Tool(), THierarchyTool::Select);
    EXPECT_FALSE(d.model().ToolLocked());
}

TEST(HierarchyRules, RefusedChangesChangeNothing)
{
    // Payroll is not his: the read relation from it can be neither removed,
    // retyped nor reversed, and nothing is noted for saving.
    Diagram d(
        Perms("DMI"), { { "Admins" }, { "Payroll", false } }, { { "Payroll", "Admins", mgWeak } });
    TGroupRelation& relation = d.relation("Payroll", "Admins");
    EXPECT_FALSE(d.model().RemoveRelation(relation));
    EXPECT_FALSE(d.model().Retype(relation, mgNegative));
    EXPECT_FALSE(d.model().RevertDirection(relation));
    EXPECT_FALSE(d.model().RemoveGroup(d.box("Payroll")));
    EXPECT_FALSE(relation.IsNew());
    EXPECT_TRUE(d.removed().empty());
    EXPECT_TRUE(d.added().empty());
}

} // namespace
