#include "wardlock/platform/component.h"
#include "wardlock/platform/exception.h"

#include <gtest/gtest.h>

using vcl::EComponentError;
using vcl::TComponent;

namespace {

// Records its own destruction, so ownership can be observed.
struct Probe : TComponent {
    Probe(TComponent* owner, int* deaths) : TComponent(owner), deaths_(deaths) {}
    ~Probe() override { ++*deaths_; }
    int* deaths_;
};

TEST(ComponentNames, RejectsInvalidIdentifiers)
{
    TComponent owner;
    TComponent child(nullptr);
    for (const char* bad : {"1abc", "a b", "a-b", "ä", " ", "a.b"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(child.SetName(bad), EComponentError);
        EXPECT_EQ(child.Name(), "");
    }
    for (const char* good : {"a", "_x", "WardDemo", "A1_b2"}) {
        SCOPED_TRACE(good);
        EXPECT_NO_THROW(child.SetName(good));
        EXPECT_EQ(child.Name(), good);
    }
}

TEST(ComponentNames, UniqueAmongOwnerWithoutRegardToCase)
{
    TComponent owner;
    auto* first = new TComponent(&owner);
    first->SetName("WardDemo");
    auto* second = new TComponent(&owner);
    try {
        second->SetName("warddemo");
        FAIL() << "duplicate name accepted";
    } catch (const EComponentError& e) {
        EXPECT_NE(std::string(e.what()).find("warddemo"), std::string::npos);
    }
    EXPECT_EQ(second->Name(), "");
    EXPECT_EQ(owner.FindComponent("WARDDEMO"), first);
    // Renaming a component to its own name in another case is allowed.
    EXPECT_NO_THROW(first->SetName("WARDDEMO"));
    // Different owners do not clash.
    TComponent otherOwner;
    auto* third = new TComponent(&otherOwner);
    EXPECT_NO_THROW(third->SetName("WardDemo"));
}

TEST(ComponentOwnership, OwnedComponentsDieWithOwner)
{
    int deaths = 0;
    auto* owner = new TComponent;
    auto* a = new Probe(owner, &deaths);
    new Probe(a, &deaths);  // grandchild
    new Probe(owner, &deaths);
    EXPECT_EQ(owner->ComponentCount(), 2);
    delete owner;
    EXPECT_EQ(deaths, 3);
}

TEST(ComponentOwnership, DeletingChildUnregistersIt)
{
    TComponent owner;
    auto* child = new TComponent(&owner);
    child->SetName("Child");
    delete child;
    EXPECT_EQ(owner.ComponentCount(), 0);
    EXPECT_EQ(owner.FindComponent("Child"), nullptr);
    auto* again = new TComponent(&owner);
    EXPECT_NO_THROW(again->SetName("Child"));
}

}  // namespace
