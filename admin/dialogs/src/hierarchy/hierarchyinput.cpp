#include "hierarchy/hierarchyinput.h"

#include "hierarchy/hierarchylayout.h"

#include <wardlock/data/dataset.h>
#include <wardlock/platform/exception.h>

#include <unordered_map>

namespace Security {

namespace {

constexpr int kNewBoxDistance = 60; // below the administrator's box

struct GroupRow {
    int groupID = -1;
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
        result.groupID = groups.FieldByName("GroupID")->AsInteger();
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
    std::vector<int> itemOf(static_cast<size_t>(model.GroupCount()), -1);
    std::vector<TGroupFrame*> boxes;
    for (int row = 0; row < model.GroupCount(); ++row) {
        TGroupFrame& box = model.Box(row);
        if (box.Absent())
            continue;
        itemOf[static_cast<size_t>(row)] = static_cast<int>(items.size());
        items.push_back({ box.Bounds().size(), box.StoredPosition() != 0, box.Bounds().topLeft() });
        boxes.push_back(&box);
    }
    std::vector<std::pair<int, int>> strongEdges;
    for (const auto& relation : model.Relations()) {
        const int from = relation->Start()->Row();
        const int to = relation->End()->Row();
        if (relation->Type() == mgStrong && from < model.GroupCount() && to < model.GroupCount())
            strongEdges.emplace_back(
                itemOf[static_cast<size_t>(from)], itemOf[static_cast<size_t>(to)]);
    }
    LayOutUnplaced(items, strongEdges);
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].Placed)
            continue;
        model.PlaceBox(*boxes[i], QRect(items[i].TopLeft, boxes[i]->Bounds().size()));
        model.KeepAutomaticPlace(*boxes[i]);
    }
}

} // namespace

std::unique_ptr<THierarchyModel> LoadHierarchy(
    const THierarchyEditorInput& input, const TBoxMeasure& measure)
{
    if (!input.Groups || !input.Groups->Active())
        throw vcl::Exception("The hierarchy editor needs the open groups dataset.");
    auto mismatch = [&] {
        return vcl::Exception("The groups and the group hierarchy do not match ("
            + std::to_string(input.Groups->RecordCount()) + " groups, "
            + std::to_string(input.GroupCount) + " in the hierarchy).");
    };
    if (input.GroupCount < 0 || (input.GroupCount > 0 && !input.Hierarchy))
        throw mismatch();
    // The groups by id: the table's rows are matched by GroupID, so the
    // dataset's order does not matter, and a group whose deletion waits in
    // the data module's cache (its row stays in the table, with or without
    // its id, while the dataset no longer shows it) gets an absent box.
    std::unordered_map<int, GroupRow> groups;
    for (int row = 0; row < input.Groups->RecordCount(); ++row) {
        GroupRow group = ReadGroup(*input.Groups, row);
        const int groupID = group.groupID;
        groups.emplace(groupID, std::move(group));
    }

    auto model = std::make_unique<THierarchyModel>(
        THierarchyPermissions::From(input.AdministrationMask, input.Unrestricted), input.GroupCount,
        input.AdministratorRow);
    model->SuspendRouting();
    size_t matched = 0;
    for (int row = 0; row < input.GroupCount; ++row) {
        const int groupID = input.Hierarchy[row].GroupID;
        const auto found = groupID < 0 ? groups.end() : groups.find(groupID);
        if (found == groups.end()) {
            model->AddAbsentGroup();
            continue;
        }
        GroupRow& group = found->second;
        const QSize size = measure(group.properties);
        model->AddGroup(
            std::move(group.properties), groupID, group.modificable, group.position, size);
        ++matched;
    }
    if (matched != groups.size())
        throw mismatch();
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
