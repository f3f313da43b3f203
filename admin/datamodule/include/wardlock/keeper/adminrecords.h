#pragma once
// The records the administration data module hands to the user and group
// dialogs: a user with his group's options, and a group.

#include <wardlock/pswdsstr.h>
#include <wardlock/types.h>

#include <string>

namespace Security {

// A user as the dialogs see him: name, full name, stored password (17 raw
// bytes), ids, his five policy values and his group's five flags. The same
// shape as the logged user's record of the core.
using TSecUserInfo = TSecUser;

// A group as the dialogs see it.
struct TSecGroupInfo {
    // The group's name, full name and ID, and its five policy flags.
    tor::pswdsstr<16> Name;
    std::string FullName;
    int GroupID = 0;
    bool AllowChangePswd = false;
    bool AllowNullPasswd = false;
    bool NoChPswdAtLogin = false;
    bool AccountEnabled = false;
    bool PasswdControl = false;
};

} // namespace Security
