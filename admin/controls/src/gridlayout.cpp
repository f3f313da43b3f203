// The grid's column layout: default widths, widths and order kept across
// rebuilds of the columns, and their place in the user's settings.

#include "gridlayout.h"
#include "gridcolumnsmodel.h"

#include <wardlock/data/dataset.h>
#include <wardlock/platform/settings.h>

#include <QHeaderView>
#include <QScopedValueRollback>
#include <QStringList>

#include <algorithm>
#include <cctype>

namespace tor {

namespace {

// The value holding the order; field names never contain parentheses.
const char* const kOrderValue = "(Order)";
constexpr int kMaxDefaultWidth = 300;
constexpr int kMaxWidth = 4000;

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string SectionKey(const std::string& key, const std::string& section)
{
    return "\\" + key + "\\" + section;
}

} // namespace

int TTorDBGrid::DefaultWidth(int column) const
{
    const int byTitle = horizontalHeader()->sectionSizeHint(column);
    const int byContent = sizeHintForColumn(column);
    return std::min(std::max(byTitle, byContent), std::max(byTitle, kMaxDefaultWidth));
}

// Sizes and orders the header's sections: remembered widths (else a width
// that fits title and content), the remembered order (else the listed one).
void TTorDBGrid::ApplyLayout()
{
    QScopedValueRollback<bool> guard(layout_->applying, true);
    QHeaderView* header = horizontalHeader();
    const int count = columns_->columnCount();

    std::vector<int> logicals(static_cast<size_t>(count));
    for (int c = 0; c < count; ++c)
        logicals[static_cast<size_t>(c)] = c;
    auto orderPosition = [this](int logical) -> size_t {
        const vcl::TField* field = FieldAt(logical);
        if (!field)
            return layout_->order.size();
        const std::string name = Lower(field->FieldName());
        for (size_t i = 0; i < layout_->order.size(); ++i)
            if (Lower(layout_->order[i]) == name)
                return i;
        return layout_->order.size();
    };
    std::stable_sort(logicals.begin(), logicals.end(), [&](int a, int b) {
        const size_t oa = orderPosition(a), ob = orderPosition(b);
        if (oa != ob)
            return oa < ob;
        return columns_->ListPosition(FieldAt(a)) < columns_->ListPosition(FieldAt(b));
    });
    for (int visual = 0; visual < count; ++visual) {
        const int logical = logicals[static_cast<size_t>(visual)];
        if (header->visualIndex(logical) != visual)
            header->moveSection(header->visualIndex(logical), visual);
    }

    // A default width computed over rows is kept, so that re-reading the
    // rows (after every post) does not make columns jump.
    const bool haveRows = columns_->rowCount() > 0;
    for (int c = 0; c < count; ++c) {
        const vcl::TField* field = FieldAt(c);
        if (!field)
            continue;
        const std::string name = Lower(field->FieldName());
        auto found = layout_->widths.find(name);
        if (found == layout_->widths.end()) {
            const int width = DefaultWidth(c);
            header->resizeSection(c, width);
            if (haveRows)
                layout_->widths[name] = width;
        } else {
            header->resizeSection(c, found->second);
        }
    }
}

void TTorDBGrid::CaptureWidth(int logical, int newSize)
{
    if (layout_->applying || newSize <= 0)
        return;
    if (const vcl::TField* field = FieldAt(logical))
        layout_->widths[Lower(field->FieldName())] = newSize;
}

void TTorDBGrid::CaptureOrder()
{
    if (layout_->applying)
        return;
    QHeaderView* header = horizontalHeader();
    layout_->order.clear();
    for (int visual = 0; visual < header->count(); ++visual)
        if (const vcl::TField* field = FieldAt(header->logicalIndex(visual)))
            layout_->order.push_back(field->FieldName());
}

bool TTorDBGrid::SaveLayout(const std::string& key, const std::string& section) const
{
    QHeaderView* header = horizontalHeader();
    try {
        vcl::TRegistry settings(vcl::TRootKey::CurrentUser);
        if (!settings.OpenKey(SectionKey(key, section), true))
            return false;
        std::string order;
        for (int visual = 0; visual < header->count(); ++visual) {
            const int logical = header->logicalIndex(visual);
            const vcl::TField* field = FieldAt(logical);
            if (!field)
                continue;
            settings.WriteInteger(field->FieldName(), header->sectionSize(logical));
            order += (order.empty() ? "" : ";") + field->FieldName();
        }
        settings.WriteString(kOrderValue, order);
        return true;
    } catch (const vcl::ERegistryException&) {
        return false;
    }
}

void TTorDBGrid::LoadLayout(const std::string& key, const std::string& section)
{
    vcl::TRegistry settings(vcl::TRootKey::CurrentUser);
    if (!settings.OpenKey(SectionKey(key, section), false))
        return;
    for (const std::string& name : settings.GetValueNames()) {
        if (name == kOrderValue)
            continue;
        try {
            const int width = settings.ReadInteger(name);
            if (width > 0)
                layout_->widths[Lower(name)] = std::min(width, kMaxWidth);
        } catch (const vcl::ERegistryException&) {
            // Not a width: left out.
        }
    }
    if (settings.ValueExists(kOrderValue)) {
        layout_->order.clear();
        const QStringList names = QString::fromStdString(settings.ReadString(kOrderValue))
                                      .split(u';', Qt::SkipEmptyParts);
        for (const QString& name : names)
            layout_->order.push_back(name.toStdString());
    }
    ApplyLayout();
}

} // namespace tor
