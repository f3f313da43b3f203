#include "hierarchy/hierarchyinput.h"

#include "hierarchy/hierarchylayout.h"

#include <wardlock/data/dataset.h>
#include <wardlock/platform/exception.h>

namespace Security {

namespace {

constexpr int kNewBoxDistance = 60; // below the administrator's box

struct GroupRow {
    TGroupProperties properties;
    int position = 0;
    bool modificable = false;
};

GroupRow ReadGroup(vcl::TDataSet& groups, int row)
{
    GroupRow result;
    groups.ReadRecord(row, [&] {
        auto text = [&](const char* name) { return groups.FieldByName(name)->AsString(); };
        auto flag = [&](const char* name) { return groups.FieldByName(name)->AsBoolean(); };
        result.properties.Name = text("Name");
        result.properties.FullName = text("FullName");
        result.properties.Description = text("Description");
        result.properties.Options.AllowChangePswd = flag("AllowChangePswd");
        result.properties.Options.AllowNullPasswd = flag("AllowNullPasswd");
        result.properties.Options.NoChPswdAtLogin = flag("NoChPswdAtLogin");
        result.properties.Options.AccountEnabled = flag("AccountEnabled");
        result.properties.Options.PasswdControl = flag("PasswdControl");
        vcl::TField* position = groups.FieldByName("Position");
        result.position = position->IsNull() ? 0 : position->AsInteger();
        result.modificable = flag("Modificable");
    });
    return result;
}

void LayOutUnplacedBoxes(THierarchyModel& model)
{
    std::vector<TLayoutItem> items;
    for (int row = 0; row < model.GroupCount(); ++row) {
        const TGroupFrame& box = model.Box(row);
        items.push_back({ box.Bounds().size(), box.StoredPosition() != 0, box.Bounds().topLeft() });
    }
    std::vector<std::pair<int, int>> strongEdges;
    for (const auto& relation : model.Relations())
        if (relation->Type() == mgStrong && relation->Start()->Row() < model.GroupCount()
            && relation->End()->Row() < model.GroupCount())
            strongEdges.emplace_back(relation->Start()->Row(), relation->End()->Row());
    LayOutUnplaced(items, strongEdges);
    for (int row = 0; row < model.GroupCount(); ++row) {
        if (items[static_cast<size_t>(row)].Placed)
            continue;
        TGroupFrame& box = model.Box(row);
        model.PlaceBox(box, QRect(items[static_cast<size_t>(row)].TopLeft, box.Bounds().size()));
        model.KeepAutomaticPlace(box);
    }
}

} // namespace

std::unique_ptr<THierarchyModel> LoadHierarchy(
    const THierarchyEditorInput& input, const TBoxMeasure& measure)
{
    if (!input.Groups || !input.Groups->Active())
        throw vcl::Exception("The hierarchy editor needs the open groups dataset.");
    if (input.GroupCount < 0 || (input.GroupCount > 0 && !input.Hierarchy)
        || input.Groups->RecordCount() != input.GroupCount)
        throw vcl::Exception("The groups and the group hierarchy do not match ("
            + std::to_string(input.Groups->RecordCount()) + " groups, "
            + std::to_string(input.GroupCount) + " in the hierarchy).");

    auto model = std::make_unique<THierarchyModel>(
        THierarchyPermissions::From(input.AdministrationMask, input.Unrestricted), input.GroupCount,
        input.AdministratorRow);
    for (int row = 0; row < input.GroupCount; ++row) {
        GroupRow group = ReadGroup(*input.Groups, row);
        const QSize size = measure(group.properties);
        model->AddGroup(std::move(group.properties), input.Hierarchy[row].GroupID,
            group.modificable, group.position, size);
    }
    for (int row = 0; row < input.GroupCount; ++row) {
        for (int type = mgNegative; type <= mgStrong; ++type) {
            const GroupHierarchyEntry::RowList& list = input.Hierarchy[row].Lists[type];
            for (int i = 0; i < list.Count; ++i)
                model->LoadRelation(row, list.Rows[i], static_cast<TModGroupType>(type));
        }
    }
    LayOutUnplacedBoxes(*model);

    if (input.NewGroup) {
        const QSize size = measure(*input.NewGroup);
        model->AddPassedNewGroup(*input.NewGroup, NewBoxPlace(*model, size), size);
    }
    model->ResumeRouting();
    return model;
}

QPoint NewBoxPlace(const THierarchyModel& model, QSize size)
{
    std::vector<QRect> occupied;
    for (int row = 0; row < model.BoxCount(); ++row)
        if (!model.Box(row).Hidden())
            occupied.push_back(model.Box(row).Bounds());
    const TGroupFrame* administrator = model.AdministratorBox();
    const QPoint wanted = administrator
        ? administrator->Bounds().bottomLeft() + QPoint(0, kNewBoxDistance)
        : QPoint(0, 0);
    return FreePlaceNear(wanted, size, occupied);
}

} // namespace Security
