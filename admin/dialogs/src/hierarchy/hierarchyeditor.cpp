#include "hierarchy/hierarchyeditor.h"

#include "hierarchy/hierarchysave.h"
#include "passwdoptions.h"
#include "securitychangenamefrm.h"

#include <wardlock/platform/dialogs.h>
#include <wardlock/platform/form.h>

#include <string_view>

namespace Security {

namespace {

TGroupOptions GroupOptions(const TOptionFlags& flags)
{
    return { flags[poAllowChangePswd], flags[poAllowNullPasswd], flags[poNoChPswdAtLogin],
        flags[poAccountEnabled], flags[poPasswdControl] };
}

TOptionFlags OptionFlags(const TGroupOptions& options)
{
    return { options.AllowChangePswd, options.AllowNullPasswd, options.NoChPswdAtLogin,
        options.AccountEnabled, options.PasswdControl };
}

TGroupProperties PropertiesOf(const TNewGroupData& data)
{
    return { data.Name, data.FullName, data.Description, GroupOptions(data.Options) };
}

// The new-group dialog's rights (View, Insert, Modify, Delete) and sources.
TNewGroupDetails DetailsOf(const TNewGroupData& data)
{
    TNewGroupDetails details;
    details.RightsFromGroup = data.RightsFromGroup.has_value();
    details.RightsGroupID = data.RightsFromGroup.value_or(-1);
    details.ParamsFromGroup = data.ParamsFromGroup.has_value();
    details.ParamsGroupID = data.ParamsFromGroup.value_or(-1);
    details.DefView = data.Rights[0];
    details.DefInsert = data.Rights[1];
    details.DefModify = data.Rights[2];
    details.DefDelete = data.Rights[3];
    return details;
}

} // namespace

bool ShowHierarchyEditor(TSecDModDlgBaseFrm& module, vcl::TComponent* owner, TLoggedUser logged,
    SecRightsMask administrationMask, const std::optional<TNewGroupData>& newGroup)
{
    THierarchyEditorRun run;
    run.AdministrationMask = administrationMask;
    if (newGroup) {
        run.NewGroup = PropertiesOf(*newGroup);
        run.NewGroupDetails = DetailsOf(*newGroup);
    }
    run.ChangeGroup = [owner, logged](TGroupProperties& group) {
        TSecurityChangeNameFrm dialog(owner, logged);
        TSecGroupInfo info;
        info.Name = tor::pswdsstr<16>(std::string_view(group.Name));
        info.FullName = group.FullName;
        SetOptions(info, OptionFlags(group.Options));
        dialog.SetData(info, group.Description);
        if (dialog.ShowModal() != vcl::mrOk)
            return false;
        info = dialog.Data();
        group = { info.Name.str(), info.FullName, dialog.GroupDescription(),
            GroupOptions(OptionsOf(info)) };
        return true;
    };
    run.NewGroupDialog
        = [owner, logged, &module](TGroupProperties& group, TNewGroupDetails& details) {
              TSecurityNewGroupFrm dialog(owner, logged, module.Current.GroupsDS);
              TNewGroupData data;
              data.Name = group.Name;
              data.FullName = group.FullName;
              data.Description = group.Description;
              data.Options = OptionFlags(group.Options);
              dialog.SetData(data);
              if (dialog.ShowModal() != vcl::mrOk)
                  return false;
              data = dialog.Data();
              group = PropertiesOf(data);
              details = DetailsOf(data);
              return true;
          };
    return RunHierarchyEditor(module, owner, run);
}

} // namespace Security
