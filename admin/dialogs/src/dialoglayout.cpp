#include "dialoglayout.h"

#include <wardlock/keeper/tordbgrid.h>
#include <wardlock/platform/settings.h>

namespace Security {

TDialogLayout::TDialogLayout(std::string key)
    : key_(std::move(key))
{
}

void TDialogLayout::Read(const std::string& name, const std::function<void(int)>& apply) const
{
    vcl::TRegistry registry(vcl::TRootKey::CurrentUser);
    if (!registry.OpenKey("\\" + key_, false) || !registry.ValueExists(name))
        return;
    try {
        apply(registry.ReadInteger(name));
    } catch (const vcl::ERegistryException&) {
        // Not a number: the dialog keeps its own size.
    }
}

void TDialogLayout::Write(const std::string& name, int value) const
{
    try {
        vcl::TRegistry registry(vcl::TRootKey::CurrentUser);
        if (registry.OpenKey("\\" + key_, true))
            registry.WriteInteger(name, value);
    } catch (const vcl::ERegistryException&) {
    }
}

void TDialogLayout::LoadGrids(const TGridSections& grids) const
{
    for (const auto& [grid, section] : grids)
        grid->LoadLayout(key_, section);
}

void TDialogLayout::SaveGrids(const TGridSections& grids) const
{
    for (const auto& [grid, section] : grids)
        grid->SaveLayout(key_, section);
}

} // namespace Security
