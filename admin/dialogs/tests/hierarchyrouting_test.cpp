// Arrows and the boxes they pass: boxes are painted over the arrows, so an
// arrow drawn straight under a box it does not belong to would seem to end
// there. Such an arrow bends round the box, and runs straight again when the
// box is moved away or removed.

#include "hierarchy_fixture.h"

#include <gtest/gtest.h>

#include <functional>

using namespace Security;
using wltest::Diagram;
using wltest::Perms;

namespace {

// Whether the arrow's shaft runs under `box` (sampled along its length).
bool RunsUnder(const TGroupRelation& relation, const TGroupFrame& box)
{
    for (int i = 1; i < 100; ++i)
        if (QRectF(box.Bounds()).contains(relation.Shape().PointAlong(i / 100.0)))
            return true;
    return false;
}

// Admins above Managers above Clerks, in one column; Guests beside them.
Diagram Column()
{
    return Diagram(Perms("DMIU"),
        { { "Admins", true, QPoint(20, 20) }, { "Managers", true, QPoint(20, 140) },
            { "Clerks", true, QPoint(20, 260) }, { "Guests", true, QPoint(300, 140) } },
        { { "Admins", "Managers" }, { "Managers", "Clerks" }, { "Admins", "Clerks" } });
}

TEST(HierarchyRouting, ArrowsBendRoundBoxesInTheirWay)
{
    struct Case {
        const char* name;
        std::function<void(Diagram&)> change;
        bool bent; // Admins > Clerks
    };
    const Case cases[] = {
        { "past the box between its ends", [](Diagram&) {}, true },
        { "the box in the way moved aside",
            [](Diagram& d) { ASSERT_TRUE(d.model().MoveBox(d.box("Managers"), QPoint(300, 20))); },
            false },
        { "another box moved into the way",
            [](Diagram& d) {
                ASSERT_TRUE(d.model().MoveBox(d.box("Managers"), QPoint(300, 20)));
                ASSERT_TRUE(d.model().MoveBox(d.box("Guests"), QPoint(30, 150)));
            },
            true },
        { "the box in the way removed",
            [](Diagram& d) { ASSERT_TRUE(d.model().RemoveGroup(d.box("Managers"))); }, false },
        { "the box in the way removed and shown again",
            [](Diagram& d) {
                ASSERT_TRUE(d.model().RemoveGroup(d.box("Managers")));
                ASSERT_TRUE(d.model().RestoreGroup(d.box("Managers")));
            },
            true },
        { "a new relation drawn past the box",
            [](Diagram& d) {
                TGroupRelation* old = &d.relation("Admins", "Clerks");
                ASSERT_TRUE(d.model().RemoveRelation(*old));
                ASSERT_TRUE(d.model().DrawRelation(d.box("Clerks"), d.box("Admins"), mgWeak));
            },
            true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Diagram d = Column();
        c.change(d);
        const TGroupRelation& skipping = d.has("Admins", "Clerks") ? d.relation("Admins", "Clerks")
                                                                   : d.relation("Clerks", "Admins");
        EXPECT_EQ(skipping.Shape().Bent, c.bent);
        // No arrow runs under a box that is not one of its ends.
        for (const auto& relation : d.model().Relations()) {
            if (!THierarchyModel::Attached(*relation))
                continue;
            for (int row = 0; row < d.model().BoxCount(); ++row) {
                const TGroupFrame& box = d.model().Box(row);
                if (!box.Hidden() && &box != relation->Start() && &box != relation->End()) {
                    EXPECT_FALSE(RunsUnder(*relation, box))
                        << relation->Start()->Name() << ">" << relation->End()->Name() << " under "
                        << box.Name();
                }
            }
        }
    }
}

TEST(HierarchyRouting, ABentArrowIsHitWhereItIsDrawn)
{
    Diagram d = Column();
    const TArrowShape& shape = d.relation("Admins", "Clerks").Shape();
    ASSERT_TRUE(shape.Bent);
    for (const double fraction : { 0.1, 0.5, 0.9 })
        EXPECT_TRUE(shape.Contains(shape.PointAlong(fraction))) << fraction;
    // Not where a straight arrow would have run, under the managers' box.
    EXPECT_FALSE(shape.Contains((shape.From + shape.To) / 2));
    // Its head still ends at the clerks' box.
    EXPECT_EQ(shape.PointAlong(1), shape.To);
    EXPECT_EQ(shape.To.y(), d.box("Clerks").Bounds().top());
}

} // namespace
