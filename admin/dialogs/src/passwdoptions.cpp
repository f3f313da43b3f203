#include "passwdoptions.h"

#include <iterator>

namespace Security {

namespace {

// Same order as TPasswdOption.
constexpr TPasswdOptionView views[] = {
    { "AllowChange", "AllowChangePswd", false },
    { "NoNullPasswd", "AllowNullPasswd", true },
    { "ChPasswd", "NoChPswdAtLogin", true },
    { "Disabled", "AccountEnabled", true },
    { "PasswdControl", "PasswdControl", false },
};
static_assert(std::size(views) == kPasswdOptions.size());

} // namespace

TUserOptions UserOptionsOf(const TSecUser& user)
{
    return { user.AllowChangePswd, user.AllowNullPasswd, user.NoChPswdAtLogin, user.AccountEnabled,
        user.PasswdControl };
}

TOptionFlags GroupOptionsOf(const TSecUser& user)
{
    return { user.GroupAllowChangePswd, user.GroupAllowNullPasswd, user.GroupNoChPswdAtLogin,
        user.GroupAccountEnabled, user.GroupPasswdControl };
}

TOptionFlags EffectiveOptionsOf(const TSecUser& user)
{
    return { user.EffAllowChangePswd(), user.EffAllowNullPasswd(), user.EffNoChPswdAtLogin(),
        user.EffAccountEnabled(), user.EffPasswdControl() };
}

TOptionFlags OptionsOf(const TSecGroupInfo& group)
{
    return { group.AllowChangePswd, group.AllowNullPasswd, group.NoChPswdAtLogin,
        group.AccountEnabled, group.PasswdControl };
}

void SetUserOptions(TSecUser& user, const TUserOptions& options)
{
    user.AllowChangePswd = options[poAllowChangePswd];
    user.AllowNullPasswd = options[poAllowNullPasswd];
    user.NoChPswdAtLogin = options[poNoChPswdAtLogin];
    user.AccountEnabled = options[poAccountEnabled];
    user.PasswdControl = options[poPasswdControl];
}

void SetGroupOptions(TSecUser& user, const TOptionFlags& options)
{
    user.GroupAllowChangePswd = options[poAllowChangePswd];
    user.GroupAllowNullPasswd = options[poAllowNullPasswd];
    user.GroupNoChPswdAtLogin = options[poNoChPswdAtLogin];
    user.GroupAccountEnabled = options[poAccountEnabled];
    user.GroupPasswdControl = options[poPasswdControl];
}

void SetOptions(TSecGroupInfo& group, const TOptionFlags& options)
{
    group.AllowChangePswd = options[poAllowChangePswd];
    group.AllowNullPasswd = options[poAllowNullPasswd];
    group.NoChPswdAtLogin = options[poNoChPswdAtLogin];
    group.AccountEnabled = options[poAccountEnabled];
    group.PasswdControl = options[poPasswdControl];
}

const TPasswdOptionView& ViewOf(TPasswdOption option)
{
    return views[option];
}

bool CheckedFor(TPasswdOption option, bool flag)
{
    return flag != views[option].inverted;
}

bool FlagOf(TPasswdOption option, bool checked)
{
    return checked != views[option].inverted;
}

Qt::CheckState CheckStateOf(TPasswdOption option, SecPasswdOption value)
{
    if (value == spoAsGroup)
        return Qt::PartiallyChecked;
    return CheckedFor(option, value != spoOff) ? Qt::Checked : Qt::Unchecked;
}

SecPasswdOption ValueOf(TPasswdOption option, Qt::CheckState state)
{
    if (state == Qt::PartiallyChecked)
        return spoAsGroup;
    return FlagOf(option, state == Qt::Checked) ? spoOn : spoOff;
}

bool Grants(TPasswdOption option, Qt::CheckState state, bool groupFlag)
{
    return state == Qt::PartiallyChecked ? groupFlag : FlagOf(option, state == Qt::Checked);
}

bool WiderThanAdministrator(
    TPasswdOption option, Qt::CheckState state, bool groupFlag, const TOptionFlags& admin)
{
    return !admin[option] && Grants(option, state, groupFlag);
}

TUserOptions ClampToAdministrator(
    TUserOptions options, const TOptionFlags& group, const TOptionFlags& admin)
{
    for (TPasswdOption option : kPasswdOptions)
        if (!admin[option] && EffectiveOption(options[option], group[option]))
            options[option] = spoOff;
    return options;
}

TOptionFlags ClampToAdministrator(TOptionFlags options, const TOptionFlags& admin)
{
    for (TPasswdOption option : kPasswdOptions)
        options[option] = options[option] && admin[option];
    return options;
}

} // namespace Security
