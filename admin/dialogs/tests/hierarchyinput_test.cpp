// Opening the editor: the diagram built from the groups dataset and the
// hierarchy table (dataset order, stored positions, colours, relations), the
// automatic places of groups without a position, the group passed in from
// the "new group" command, and what is refused.

#include "hierarchy_testkit.h"

#include "hierarchy/groupframe.h"

#include <wardlock/platform/exception.h>

#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace Security;
using ::testing::HasSubstr;

namespace {

QSize FixedSize(const TGroupProperties&)
{
    return QSize(100, 40);
}

int Pos(int top, int left)
{
    return (top << 16) | left;
}

// The demo's office: Administrators over Managers over Clerks over Guests,
// Managers kept from Guests; a payroll office nobody administers.
class HierarchyInput : public ::testing::Test {
protected:
    void Build(bool positions, bool selfListingAdmins = false)
    {
        ASSERT_TRUE(dir_.isValid());
        db_ = wltest::OpenSqlite(dir_.filePath("groups.sqlite"));
        wltest::CreateHierarchyTables(*db_);
        auto at = [&](int top, int left) { return positions ? Pos(top, left) : 0; };
        admins_
            = wltest::InsertGroup(*db_, { "Admins", "Administrators", "All of it", at(20, 20) });
        managers_
            = wltest::InsertGroup(*db_, { "Managers", "Managers", "The office", at(120, 20) });
        clerks_ = wltest::InsertGroup(*db_, { "Clerks", "Clerks", "Orders", at(220, 20), true });
        guests_ = wltest::InsertGroup(*db_, { "Guests", "Guests", "", at(220, 200) });
        payroll_ = wltest::InsertGroup(*db_, { "Payroll", "Payroll office", "Wages", at(20, 400) });
        wltest::InsertRelation(*db_, admins_, managers_, mgStrong);
        wltest::InsertRelation(*db_, managers_, clerks_, mgStrong);
        wltest::InsertRelation(*db_, clerks_, guests_, mgStrong);
        wltest::InsertRelation(*db_, managers_, guests_, mgNegative);
        if (selfListingAdmins)
            wltest::InsertRelation(*db_, admins_, admins_, mgStrong);
    }

    QTemporaryDir dir_;
    std::unique_ptr<vcl::TDatabase> db_;
    int admins_ = 0, managers_ = 0, clerks_ = 0, guests_ = 0, payroll_ = 0;
};

TEST_F(HierarchyInput, BoxesInDatasetOrderWithTheirStoredPlaces)
{
    Build(true);
    wltest::SecurityHierarchy hierarchy(*db_, managers_);
    auto model = LoadHierarchy(hierarchy.Input(srInsert | srModify | srDelete), FixedSize);

    // Ordered by full name, as the groups dataset is.
    const char* names[] = { "Admins", "Clerks", "Guests", "Managers", "Payroll" };
    const int ids[] = { admins_, clerks_, guests_, managers_, payroll_ };
    const QPoint places[]
        = { QPoint(20, 20), QPoint(20, 220), QPoint(200, 220), QPoint(20, 120), QPoint(400, 20) };
    // Managers may modify Clerks through their strong relation, not Guests
    // (negative), not themselves.
    const bool modificable[] = { false, true, false, false, false };
    ASSERT_EQ(model->BoxCount(), 5);
    for (int row = 0; row < 5; ++row) {
        SCOPED_TRACE(names[row]);
        const TGroupFrame& box = model->Box(row);
        EXPECT_EQ(box.Name(), names[row]);
        EXPECT_EQ(box.GroupID(), ids[row]);
        EXPECT_EQ(box.Bounds().topLeft(), places[row]);
        EXPECT_EQ(box.Modificable(), modificable[row]);
        EXPECT_EQ(box.Enabled(), modificable[row]);
        EXPECT_FALSE(box.Moved());
    }
    const TGroupFrame& clerks = model->Box(1);
    EXPECT_EQ(clerks.FullName(), "Clerks");
    EXPECT_EQ(clerks.Description(), "Orders");
    EXPECT_TRUE(clerks.Properties().Options.PasswdControl);
    EXPECT_TRUE(clerks.Properties().Options.AllowChangePswd);
    EXPECT_FALSE(clerks.Properties().Options.AllowNullPasswd);

    EXPECT_EQ(model->AdministratorBox(), &model->Box(3));
    ASSERT_EQ(model->Relations().size(), 4u);
    const TGroupRelation* negative = model->FindRelation(model->Box(3), model->Box(2));
    ASSERT_NE(negative, nullptr);
    EXPECT_EQ(negative->Type(), mgNegative);
    for (const auto& relation : model->Relations())
        EXPECT_FALSE(relation->IsNew());
}

TEST_F(HierarchyInput, UnrestrictedAdministratorMayChangeEveryBox)
{
    Build(true, true);
    wltest::SecurityHierarchy hierarchy(*db_, admins_);
    ASSERT_TRUE(hierarchy.Unrestricted());
    auto model = LoadHierarchy(hierarchy.Input(srInsert | srModify | srDelete), FixedSize);
    for (int row = 0; row < model->BoxCount(); ++row)
        EXPECT_TRUE(model->Box(row).Enabled()) << model->Box(row).Name();
    EXPECT_TRUE(model->Permissions().Unrestricted);
    EXPECT_TRUE(model->FindRelation(model->Box(0), model->Box(0))); // the loop
}

// The mend: groups without a position are laid out, not piled at the origin;
// only the boxes he may move keep their new place when saved.
TEST_F(HierarchyInput, GroupsWithoutPositionsAreLaidOutByTheHierarchy)
{
    struct Case {
        const char* name;
        SecRightsMask mask;
        std::vector<std::string> kept; // moved groups written on saving
    };
    const Case cases[] = {
        { "with Modify", srModify, { "Clerks" } },
        { "without Modify", srInsert, {} },
    };
    Build(false);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        wltest::SecurityHierarchy hierarchy(*db_, managers_);
        auto model = LoadHierarchy(hierarchy.Input(c.mask), FixedSize);
        std::vector<QRect> boxes;
        for (int row = 0; row < model->BoxCount(); ++row) {
            for (const QRect& other : boxes)
                EXPECT_FALSE(other.intersects(model->Box(row).Bounds())) << model->Box(row).Name();
            boxes.push_back(model->Box(row).Bounds());
        }
        auto top = [&](int row) { return model->Box(row).Bounds().top(); };
        EXPECT_LT(top(0), top(3)); // Administrators over Managers
        EXPECT_LT(top(3), top(1)); // Managers over Clerks
        EXPECT_LT(top(1), top(2)); // Clerks over Guests
        std::vector<std::string> kept;
        for (const TMovedGroup& moved : model->MovedGroups())
            kept.push_back(model->Box(moved.Row).Name());
        EXPECT_EQ(kept, c.kept);
    }
}

TEST_F(HierarchyInput, UnplacedGroupsGoBelowThePlacedOnes)
{
    Build(true);
    db_->Execute("UPDATE Groups SET Position = 0 WHERE Name IN ('Guests', 'Payroll')");
    wltest::SecurityHierarchy hierarchy(*db_, managers_);
    auto model = LoadHierarchy(hierarchy.Input(srModify), FixedSize);
    EXPECT_EQ(model->Box(0).Bounds().topLeft(), QPoint(20, 20));
    EXPECT_EQ(model->Box(3).Bounds().topLeft(), QPoint(20, 120));
    const int placedBottom = model->Box(1).Bounds().bottom(); // Clerks, the lowest placed
    EXPECT_GT(model->Box(2).Bounds().top(), placedBottom); // Guests
    EXPECT_GT(model->Box(4).Bounds().top(), placedBottom); // Payroll
}

TEST_F(HierarchyInput, PassedInNewGroup)
{
    Build(true);
    wltest::SecurityHierarchy hierarchy(*db_, managers_);
    THierarchyEditorInput input = hierarchy.Input(srInsert | srModify);
    TGroupProperties sales;
    sales.Name = "Sales";
    sales.FullName = "Sales people";
    input.NewGroup = sales;
    auto model = LoadHierarchy(input, FixedSize);
    ASSERT_EQ(model->BoxCount(), 6);
    const TGroupFrame& box = model->Box(5);
    EXPECT_TRUE(box.IsNew());
    EXPECT_EQ(box.Name(), "Sales");
    const TGroupRelation* relation = model->FindRelation(model->Box(3), box);
    ASSERT_NE(relation, nullptr);
    EXPECT_EQ(relation->Type(), mgStrong);
    EXPECT_TRUE(relation->IsNew());
    for (int row = 0; row < 5; ++row)
        EXPECT_FALSE(model->Box(row).Bounds().intersects(box.Bounds())) << model->Box(row).Name();
}

TEST_F(HierarchyInput, RefusedInputs)
{
    Build(true);
    wltest::SecurityHierarchy hierarchy(*db_, managers_);
    struct Case {
        const char* name;
        std::function<void(THierarchyEditorInput&)> spoil;
        const char* message;
    };
    const Case cases[] = {
        { "no groups dataset", [](THierarchyEditorInput& in) { in.Groups = nullptr; },
            "groups dataset" },
        { "fewer groups in the table", [](THierarchyEditorInput& in) { in.GroupCount = 4; },
            "do not match" },
        { "no table", [](THierarchyEditorInput& in) { in.Hierarchy = nullptr; }, "do not match" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        THierarchyEditorInput input = hierarchy.Input(srModify);
        c.spoil(input);
        try {
            LoadHierarchy(input, FixedSize);
            ADD_FAILURE() << "accepted";
        } catch (const vcl::Exception& error) {
            EXPECT_THAT(error.Message(), HasSubstr(c.message));
        }
    }
}

TEST_F(HierarchyInput, RowsOutsideTheTableAreSkipped)
{
    Build(true);
    wltest::SecurityHierarchy hierarchy(*db_, managers_);
    std::vector<GroupHierarchyEntry> table(hierarchy.Table(), hierarchy.Table() + 5);
    const std::uint16_t rows[] = { 1, 99, 4 };
    table[0].Lists[mgWeak] = { rows, 3 };
    THierarchyEditorInput input = hierarchy.Input(srModify);
    input.Hierarchy = table.data();
    auto model = LoadHierarchy(input, FixedSize);
    EXPECT_TRUE(model->FindRelation(model->Box(0), model->Box(1)));
    EXPECT_TRUE(model->FindRelation(model->Box(0), model->Box(4)));
    EXPECT_EQ(model->Relations().size(), 6u);
}

// A group whose deletion waits in the data module's cache keeps its row in
// the table without a group: its box is absent, never shown or written, and
// the other rows keep their numbers.
TEST_F(HierarchyInput, ARowWithoutAGroupIsAbsent)
{
    Build(true);
    wltest::SecurityHierarchy before(*db_, managers_);
    std::vector<GroupHierarchyEntry> table(before.Table(), before.Table() + 5);
    const int guests = before.RowOf(guests_);
    table[static_cast<size_t>(guests)].GroupID = -1;
    db_->Execute("DELETE FROM Groups WHERE Name = 'Guests'");
    wltest::SecurityHierarchy after(*db_, managers_);
    THierarchyEditorInput input = after.Input(srModify | srDelete | srInsert);
    input.Hierarchy = table.data();
    input.GroupCount = 5;
    input.AdministratorRow = before.AdministratorRow();
    auto model = LoadHierarchy(input, FixedSize);

    ASSERT_EQ(model->BoxCount(), 5);
    TGroupFrame& absent = model->Box(guests);
    EXPECT_TRUE(absent.Absent());
    EXPECT_TRUE(absent.Hidden());
    EXPECT_TRUE(absent.Incoming().empty()); // Clerks > Guests, Managers > Guests dropped
    EXPECT_FALSE(model->RestoreGroup(absent));
    EXPECT_TRUE(model->RemovedGroups().empty());
    EXPECT_EQ(model->Box(before.RowOf(clerks_)).Name(), "Clerks");
    EXPECT_TRUE(model->FindRelation(
        model->Box(before.RowOf(managers_)), model->Box(before.RowOf(clerks_))));
    TGroupProperties sales;
    sales.Name = "Sales";
    EXPECT_EQ(model->AddNewGroup(sales, QPoint(300, 300), QSize(100, 40))->Row(), 5);
}

TEST(HierarchyPositions, StoredAsTopAndLeftIn16Bits)
{
    struct Case {
        const char* name;
        QPoint topLeft;
        int stored;
    };
    const Case cases[] = {
        { "origin", QPoint(0, 0), 0 },
        { "left only", QPoint(20, 0), 20 },
        { "top and left", QPoint(20, 120), (120 << 16) | 20 },
        { "top beyond 32767 reads back as it was", QPoint(5, 40000),
            static_cast<int>((40000u << 16) | 5u) },
        { "largest", QPoint(0xFFFF, 0xFFFF), -1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(EncodePosition(c.topLeft), c.stored);
        EXPECT_EQ(DecodePosition(c.stored), c.topLeft);
    }
    // Off the storable canvas: kept at its edge.
    EXPECT_EQ(DecodePosition(EncodePosition(QPoint(-5, 70000))), QPoint(0, 0xFFFF));
}

} // namespace
