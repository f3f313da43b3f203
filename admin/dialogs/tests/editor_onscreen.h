#pragma once
// An open hierarchy editor seen from the screen, for real X input: its groups
// and relations by name, and where on the screen a point of the canvas is.

#include "hierarchy_testkit.h"

#include "hierarchy/hierarchyedfrm.h"

#include <QWidget>

#include <functional>
#include <string>

namespace wltest {

inline QPoint GlobalCentre(QWidget* widget)
{
    return widget->mapToGlobal(widget->rect().center());
}

struct EditorOnScreen {
    Security::TSecurityHierarchyEdFrm* form = nullptr;

    Security::THierarchyModel& model() const { return form->Model(); }
    Security::TGroupFrame& box(const std::string& name) const { return BoxNamed(model(), name); }
    Security::TGroupRelation* relation(const std::string& from, const std::string& to) const
    {
        return model().FindRelation(box(from), box(to));
    }
    QPoint global(QPoint canvasPoint) const
    {
        return form->GroupSpace->viewport()->mapToGlobal(form->GroupSpace->ToViewport(canvasPoint));
    }
    // A group's centre on the screen (plus `offset`), computed when a driver
    // step runs: the box may have moved meanwhile.
    std::function<QPoint()> at(const std::string& name, QPoint offset = {}) const
    {
        return [screen = *this, name, offset] {
            return screen.global(screen.box(name).Centre()) + offset;
        };
    }
    // The point `fraction` of the way along a relation's arrow, on the screen.
    std::function<QPoint()> along(
        const std::string& from, const std::string& to, double fraction) const
    {
        return [screen = *this, from, to, fraction] {
            const Security::TArrowShape& arrow = RelationNamed(screen.model(), from, to).Shape();
            return screen.global(arrow.PointAlong(fraction).toPoint());
        };
    }
};

} // namespace wltest
