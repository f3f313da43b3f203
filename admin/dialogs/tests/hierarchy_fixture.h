#pragma once
// Small diagrams for the hierarchy editor tests, written as the groups they
// hold and the relations between them, and the saved edges read back as text
// ("Admins>Clerks strong"), so a table of cases states its expectation in
// the terms a reader knows.

#include "hierarchy/hierarchymodel.h"

#include <memory>
#include <string>
#include <vector>

namespace wltest {

// Permissions from letters: D(elete), M(odify), I(nsert), U(nrestricted).
Security::THierarchyPermissions Perms(const std::string& letters);

struct BoxSetup {
    std::string name;
    bool modificable = true;
    // Top left on the canvas; by default the boxes stand in a row, 150
    // pixels apart.
    QPoint topLeft = QPoint(-1, -1);
};

struct RelationSetup {
    std::string from;
    std::string to;
    Security::TModGroupType type = Security::mgStrong;
};

inline constexpr QSize kBoxSize(100, 40);

class Diagram {
public:
    // The first box is the administrator's group unless `administratorRow`
    // says otherwise.
    Diagram(Security::THierarchyPermissions permissions, const std::vector<BoxSetup>& boxes,
        const std::vector<RelationSetup>& relations, int administratorRow = 0);

    Security::THierarchyModel& model() { return *model_; }
    Security::TGroupFrame& box(const std::string& name) const;
    // The attached relation between two named boxes (fails the test if none).
    Security::TGroupRelation& relation(const std::string& from, const std::string& to) const;
    bool has(const std::string& from, const std::string& to) const;

    // The saved edges as "From>To type", in the order the iterators yield them.
    std::vector<std::string> added() const;
    std::vector<std::string> removed() const;

private:
    std::string Describe(const Security::ModGroup& edge) const;
    std::unique_ptr<Security::THierarchyModel> model_;
};

std::string TypeName(Security::TModGroupType type);
// Every edge an iterator yields, following its cursor protocol.
std::vector<Security::ModGroup> Drain(const Security::ModGroupIterator& iterator);

} // namespace wltest
