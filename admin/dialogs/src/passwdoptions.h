#pragma once
// The five password options of users and groups, how each shows in its check
// box, and the rule every dialog that edits them keeps: nobody grants an
// option wider than his own. For all five options "on" is the wider side
// (may change, may be empty, no forced change, may log in, controls others).

#include <wardlock/keeper/adminrecords.h>
#include <wardlock/types.h>

#include <QtCore/qnamespace.h>

#include <array>

namespace Security {

// The options, always in this order.
enum TPasswdOption : int {
    poAllowChangePswd,
    poAllowNullPasswd,
    poNoChPswdAtLogin,
    poAccountEnabled,
    poPasswdControl,
};
inline constexpr std::array<TPasswdOption, 5> kPasswdOptions = { poAllowChangePswd,
    poAllowNullPasswd, poNoChPswdAtLogin, poAccountEnabled, poPasswdControl };

// A user's values (0 off, 1 on, 2 as his group).
using TUserOptions = std::array<SecPasswdOption, 5>;
// A group's flags, or a user's effective options.
using TOptionFlags = std::array<bool, 5>;

TUserOptions UserOptionsOf(const TSecUser& user);
TOptionFlags GroupOptionsOf(const TSecUser& user);
TOptionFlags EffectiveOptionsOf(const TSecUser& user);
TOptionFlags OptionsOf(const TSecGroupInfo& group);
void SetUserOptions(TSecUser& user, const TUserOptions& options);
void SetGroupOptions(TSecUser& user, const TOptionFlags& options);
void SetOptions(TSecGroupInfo& group, const TOptionFlags& options);

// The check box that shows an option, the option's field in a groups dataset,
// and whether the box is checked when the option is off (inverted sense).
struct TPasswdOptionView {
    const char* checkBox;
    const char* groupField;
    bool inverted;
};
const TPasswdOptionView& ViewOf(TPasswdOption option);

// A user's value in its box: grayed for "as group", else checked or not by
// the option's sense; and back.
Qt::CheckState CheckStateOf(TPasswdOption option, SecPasswdOption value);
SecPasswdOption ValueOf(TPasswdOption option, Qt::CheckState state);
// A flag (a group's, or a two-state box's) by the option's sense; and back.
bool CheckedFor(TPasswdOption option, bool flag);
bool FlagOf(TPasswdOption option, bool checked);

// Whether a box in `state` grants the option; grayed, it grants what the
// group (`groupFlag`) grants.
bool Grants(TPasswdOption option, Qt::CheckState state, bool groupFlag);
// The rule for a change of a box: refused when the new state grants an option
// the administrator does not hold (`admin`: his effective options). Every
// option, "&Account disabled" included, is refused in its grayed state too.
bool WiderThanAdministrator(
    TPasswdOption option, Qt::CheckState state, bool groupFlag, const TOptionFlags& admin);

// A new user's options with the chosen group: each option that would give him
// more than the administrator holds is set explicitly off (so "as group"
// cannot hand out what the administrator lacks).
TUserOptions ClampToAdministrator(
    TUserOptions options, const TOptionFlags& group, const TOptionFlags& admin);
// A group's flags: each is kept only when the administrator holds it.
TOptionFlags ClampToAdministrator(TOptionFlags options, const TOptionFlags& admin);

} // namespace Security
