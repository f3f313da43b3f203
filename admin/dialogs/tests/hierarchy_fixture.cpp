#include "hierarchy_fixture.h"

#include "hierarchy_testkit.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace Security;

namespace wltest {

THierarchyPermissions Perms(const std::string& letters)
{
    THierarchyPermissions permissions;
    permissions.Delete = letters.find('D') != std::string::npos;
    permissions.Modify = letters.find('M') != std::string::npos;
    permissions.Insert = letters.find('I') != std::string::npos;
    permissions.Unrestricted = letters.find('U') != std::string::npos;
    return permissions;
}

std::string TypeName(TModGroupType type)
{
    switch (type) {
    case mgNegative:
        return "negative";
    case mgWeak:
        return "weak";
    default:
        return "strong";
    }
}

Diagram::Diagram(THierarchyPermissions permissions, const std::vector<BoxSetup>& boxes,
    const std::vector<RelationSetup>& relations, int administratorRow)
    : model_(std::make_unique<THierarchyModel>(
        permissions, static_cast<int>(boxes.size()), administratorRow))
{
    for (size_t i = 0; i < boxes.size(); ++i) {
        const BoxSetup& setup = boxes[i];
        const QPoint topLeft = setup.topLeft == QPoint(-1, -1)
            ? QPoint(20 + 150 * static_cast<int>(i), 20)
            : setup.topLeft;
        TGroupProperties properties;
        properties.Name = setup.name;
        properties.FullName = setup.name + " group";
        model_->AddGroup(properties, 100 + static_cast<int>(i), setup.modificable,
            EncodePosition(topLeft), kBoxSize);
    }
    for (const RelationSetup& setup : relations)
        if (!model_->LoadRelation(box(setup.from).Row(), box(setup.to).Row(), setup.type))
            throw std::logic_error("duplicate relation in a test diagram");
}

TGroupFrame& Diagram::box(const std::string& name) const
{
    return BoxNamed(*model_, name);
}

bool Diagram::has(const std::string& from, const std::string& to) const
{
    return HasRelation(*model_, from, to);
}

TGroupRelation& Diagram::relation(const std::string& from, const std::string& to) const
{
    return RelationNamed(*model_, from, to);
}

std::string Diagram::Describe(const ModGroup& edge) const
{
    return model_->Box(edge.GroupRow).Name() + ">" + model_->Box(edge.ModGroupRow).Name() + " "
        + TypeName(static_cast<TModGroupType>(edge.Type));
}

std::vector<std::string> Diagram::added() const
{
    std::vector<std::string> result;
    for (const ModGroup& edge : Drain(model_->AddedRelationIterator()))
        result.push_back(Describe(edge));
    return result;
}

std::vector<std::string> Diagram::removed() const
{
    std::vector<std::string> result;
    for (const ModGroup& edge : Drain(model_->RemovedRelationIterator()))
        result.push_back(Describe(edge));
    return result;
}

std::vector<ModGroup> Drain(const ModGroupIterator& iterator)
{
    std::vector<ModGroup> edges;
    ModGroup edge;
    int cursor = 0;
    do {
        cursor = iterator(edge, cursor);
        if (cursor != 0)
            edges.push_back(edge);
    } while (cursor != 0 && edges.size() < 100000);
    return edges;
}

} // namespace wltest
