// What the caller writes after "Save and exit": the original relations to
// delete and the relations to insert (the "new" flag and the removed
// relations bookkeeping), the removed, edited, moved and new groups, the ids
// of the new groups, and the iterators' cursor protocol.

#include "hierarchy_fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

using namespace Security;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using wltest::Diagram;
using wltest::Perms;

namespace {

// Admins administer Managers and Clerks strongly, Managers keep away from
// Guests; he may modify every group.
Diagram Office(const char* permissions = "DMI")
{
    return Diagram(Perms(permissions), { { "Admins" }, { "Managers" }, { "Clerks" }, { "Guests" } },
        { { "Admins", "Managers", mgStrong }, { "Admins", "Clerks", mgStrong },
            { "Managers", "Guests", mgNegative } });
}

TEST(HierarchyResults, EveryChangeOfAReadRelationKeepsItsOriginalOnce)
{
    struct Case {
        const char* name;
        std::function<bool(Diagram&)> change;
        std::vector<std::string> removed;
        std::vector<std::string> added;
    };
    auto clerks = [](Diagram& d) -> TGroupRelation& { return d.relation("Admins", "Clerks"); };
    const Case cases[] = {
        { "untouched", [](Diagram&) { return true; }, {}, {} },
        { "removed", [&](Diagram& d) { return d.model().RemoveRelation(clerks(d)); },
            { "Admins>Clerks strong" }, {} },
        { "retyped", [&](Diagram& d) { return d.model().Retype(clerks(d), mgWeak); },
            { "Admins>Clerks strong" }, { "Admins>Clerks weak" } },
        { "reversed", [&](Diagram& d) { return d.model().RevertDirection(clerks(d)); },
            { "Admins>Clerks strong" }, { "Clerks>Admins strong" } },
        { "end re-attached",
            [&](Diagram& d) { return d.model().MoveEnd(clerks(d), d.box("Guests")); },
            { "Admins>Clerks strong" }, { "Admins>Guests strong" } },
        { "start re-attached",
            [&](Diagram& d) { return d.model().MoveStart(clerks(d), d.box("Guests")); },
            { "Admins>Clerks strong" }, { "Guests>Clerks strong" } },
        { "retyped twice, back to what it was",
            [&](Diagram& d) {
                return d.model().Retype(clerks(d), mgWeak) && d.model().Retype(clerks(d), mgStrong);
            },
            { "Admins>Clerks strong" }, { "Admins>Clerks strong" } },
        { "retyped, then removed",
            [&](Diagram& d) {
                return d.model().Retype(clerks(d), mgNegative)
                    && d.model().RemoveRelation(clerks(d));
            },
            { "Admins>Clerks strong" }, {} },
        { "a relation drawn and removed again leaves no trace",
            [](Diagram& d) {
                TGroupRelation* drawn
                    = d.model().DrawRelation(d.box("Clerks"), d.box("Guests"), mgWeak);
                return drawn && d.model().RemoveRelation(*drawn);
            },
            {}, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Diagram d = Office();
        ASSERT_TRUE(c.change(d));
        EXPECT_EQ(d.removed(), c.removed);
        EXPECT_EQ(d.added(), c.added);
    }
}

TEST(HierarchyResults, AddedEdgesInBoxOrderAndOutgoingOrder)
{
    Diagram d = Office();
    ASSERT_TRUE(d.model().DrawRelation(d.box("Clerks"), d.box("Guests"), mgWeak));
    ASSERT_TRUE(d.model().DrawRelation(d.box("Admins"), d.box("Guests"), mgNegative));
    ASSERT_TRUE(d.model().Retype(d.relation("Admins", "Managers"), mgWeak));
    // Admins' relations in the order they were read or drawn, then Clerks'.
    EXPECT_THAT(d.added(),
        ElementsAre("Admins>Managers weak", "Admins>Guests negative", "Clerks>Guests weak"));
}

// The mended save: relations of removed boxes are not written; the database
// removes a deleted group's rows itself.
TEST(HierarchyResults, RelationsOfRemovedGroupsAreNotWritten)
{
    Diagram d = Office();
    ASSERT_TRUE(d.model().DrawRelation(d.box("Clerks"), d.box("Guests"), mgWeak));
    ASSERT_TRUE(d.model().Retype(d.relation("Managers", "Guests"), mgStrong));
    ASSERT_TRUE(d.model().RemoveGroup(d.box("Guests")));
    EXPECT_THAT(d.added(), IsEmpty());
    EXPECT_THAT(d.removed(), ElementsAre("Managers>Guests negative"));
    ASSERT_EQ(d.model().RemovedGroups().size(), 1u);
    EXPECT_EQ(d.model().RemovedGroups()[0].Row, d.box("Guests").Row());
    EXPECT_EQ(d.model().RemovedGroups()[0].GroupID, d.box("Guests").GroupID());
}

TEST(HierarchyResults, RemovingAGroupAndAddingItBackRestoresItsRelations)
{
    Diagram d = Office();
    ASSERT_TRUE(d.model().RemoveGroup(d.box("Managers")));
    EXPECT_FALSE(d.has("Admins", "Managers"));
    EXPECT_FALSE(d.has("Managers", "Guests"));
    ASSERT_TRUE(d.model().RestoreGroup(d.box("Managers")));
    EXPECT_TRUE(d.has("Admins", "Managers"));
    EXPECT_TRUE(d.has("Managers", "Guests"));
    EXPECT_FALSE(d.relation("Admins", "Managers").IsNew());
    EXPECT_THAT(d.model().RemovedGroups(), IsEmpty());
    EXPECT_THAT(d.added(), IsEmpty());
    EXPECT_THAT(d.removed(), IsEmpty());
}

TEST(HierarchyResults, NewGroupsAndTheirIds)
{
    struct Case {
        const char* name;
        int createdID; // what the new-group dialog gave: an id, or -1 for Cancel
        bool removeBox;
        std::vector<int> ids;
        std::vector<std::string> added;
    };
    const Case cases[] = {
        { "created", 77, false, { 77 }, { "Admins>Sales strong", "Sales>Guests weak" } },
        // Cancelling the new-group dialog creates no group and none of its
        // relations are written.
        { "new-group dialog cancelled", -1, false, { -1 }, {} },
        { "removed again in the editor", 77, true, { -1 }, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Diagram d = Office();
        TGroupProperties sales;
        sales.Name = "Sales";
        sales.FullName = "Sales people";
        TGroupFrame* box = d.model().AddNewGroup(sales, QPoint(400, 300), wltest::kBoxSize);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->Row(), d.model().GroupCount());
        ASSERT_TRUE(d.model().DrawRelation(*box, d.box("Guests"), mgWeak));
        if (c.removeBox) {
            ASSERT_TRUE(d.model().RemoveGroup(*box));
        }
        const std::vector<TNewGroup> created = d.model().NewGroups();
        ASSERT_EQ(created.size(), c.removeBox ? 0u : 1u);
        if (!created.empty()) {
            EXPECT_EQ(created[0].Row, box->Row());
            EXPECT_EQ(created[0].Properties, sales);
            EXPECT_EQ(created[0].Position, EncodePosition(QPoint(400, 300)));
            EXPECT_FALSE(created[0].FromNewGroupCommand);
        }
        d.model().SetNewGroupID(box->Row(), c.createdID);
        EXPECT_EQ(d.model().NewGroupIDs(), c.ids);
        EXPECT_EQ(d.added(), c.added);
        EXPECT_THAT(d.model().RemovedGroups(), IsEmpty()); // a new box is never deleted
    }
}

TEST(HierarchyResults, AddNewGroupNeedsInsert)
{
    Diagram d = Office("DM");
    EXPECT_FALSE(d.model().AddNewGroupEnabled());
    EXPECT_EQ(d.model().AddNewGroup(TGroupProperties {}, QPoint(0, 0), wltest::kBoxSize), nullptr);
    EXPECT_EQ(d.model().BoxCount(), 4);
}

TEST(HierarchyResults, EditedMovedAndUntouchedGroups)
{
    Diagram d = Office();
    TGroupProperties managers = d.box("Managers").Properties();
    managers.FullName = "Office managers";
    managers.Options.PasswdControl = true;
    ASSERT_TRUE(d.model().EditGroup(d.box("Managers"), managers, QSize(140, 40)));
    ASSERT_TRUE(d.model().MoveBox(d.box("Managers"), QPoint(500, 200)));
    ASSERT_TRUE(d.model().MoveBox(d.box("Clerks"), QPoint(300, 220)));
    // A relation change alone writes no group row.
    ASSERT_TRUE(d.model().Retype(d.relation("Managers", "Guests"), mgWeak));

    const std::vector<TEditedGroup> edited = d.model().EditedGroups();
    ASSERT_EQ(edited.size(), 1u);
    EXPECT_EQ(edited[0].Row, d.box("Managers").Row());
    EXPECT_EQ(edited[0].Properties, managers);
    EXPECT_EQ(edited[0].Position, EncodePosition(QPoint(500, 200)));
    EXPECT_EQ(d.box("Managers").Bounds().size(), QSize(140, 40));

    // Edited groups are written with their position already.
    const std::vector<TMovedGroup> moved = d.model().MovedGroups();
    ASSERT_EQ(moved.size(), 1u);
    EXPECT_EQ(moved[0].Row, d.box("Clerks").Row());
    EXPECT_EQ(moved[0].GroupID, d.box("Clerks").GroupID());
    EXPECT_EQ(moved[0].Position, EncodePosition(QPoint(300, 220)));
}

TEST(HierarchyResults, AMovedBoxStaysOnTheStorableCanvas)
{
    Diagram d = Office();
    ASSERT_TRUE(d.model().MoveBox(d.box("Clerks"), QPoint(-50, 70000)));
    EXPECT_EQ(d.box("Clerks").Bounds().topLeft(),
        QPoint(0, kMaxPositionCoordinate - wltest::kBoxSize.height()));
    EXPECT_EQ(DecodePosition(d.box("Clerks").Position()), d.box("Clerks").Bounds().topLeft());
}

TEST(HierarchyResults, PassedInNewGroupIsAdministeredByHisGroup)
{
    Diagram d = Office();
    TGroupProperties sales;
    sales.Name = "Sales";
    TGroupFrame& box = d.model().AddPassedNewGroup(sales, QPoint(20, 300), wltest::kBoxSize);
    EXPECT_TRUE(box.IsNew());
    EXPECT_TRUE(d.has("Admins", "Sales"));
    const std::vector<TNewGroup> created = d.model().NewGroups();
    ASSERT_EQ(created.size(), 1u);
    EXPECT_TRUE(created[0].FromNewGroupCommand);
    d.model().SetNewGroupID(box.Row(), 40);
    EXPECT_THAT(d.added(), ElementsAre("Admins>Sales strong"));
}

TEST(HierarchyResults, IteratorCursorProtocol)
{
    ModGroup first;
    first.GroupRow = 1;
    first.ModGroupRow = 2;
    first.Type = mgWeak;
    ModGroup second;
    second.GroupRow = 3;
    second.ModGroupRow = 0;
    second.Type = mgNegative;
    const ModGroupIterator iterator = EdgeIterator({ first, second });
    ModGroup edge;
    const int next = iterator(edge, 0);
    ASSERT_NE(next, 0);
    EXPECT_EQ(edge.GroupRow, 1);
    EXPECT_EQ(edge.ModGroupRow, 2);
    EXPECT_EQ(edge.Type, mgWeak);
    const int last = iterator(edge, next);
    ASSERT_NE(last, 0);
    EXPECT_EQ(edge.GroupRow, 3);
    EXPECT_EQ(iterator(edge, last), 0);
    // Read again from the start: the same edges.
    EXPECT_EQ(wltest::Drain(iterator).size(), 2u);

    ModGroup untouched;
    untouched.GroupRow = 9;
    EXPECT_EQ(EdgeIterator({})(untouched, 0), 0);
    EXPECT_EQ(untouched.GroupRow, 9);
}

} // namespace
