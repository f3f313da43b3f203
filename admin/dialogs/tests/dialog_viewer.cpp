// Shows one of the user, group, right and password dialogs in a real window
// for the real-window test: the logged administrator has every option, the
// groups are the standard test groups. When the dialog closes, the program
// prints "result=ok" or "result=cancel" and what the dialog collected, one
// "key=value" per line.
// Usage: keeper_dialog_viewer NewUser|ChangeUser|NewGroup|ChangeGroup|NewRight|Password

#include "dialogs_support.h"
#include "securitychangenamefrm.h"
#include "securitychangepasswdfrm.h"
#include "securitychangeuserfrm.h"
#include "securitynewgroupfrm.h"
#include "securitynewrightfrm.h"
#include "securitynewuserfrm.h"

#include <wardlock/platform/dialogs.h>

#include <QApplication>

#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>

using namespace Security;
using namespace wardlock_test;

namespace {

void Print(const char* key, const std::string& value)
{
    std::printf("%s=%s\n", key, value.c_str());
}

// Runs the dialog; prints what it collected when it ends with OK.
int Show(vcl::TForm& dialog, const std::function<void()>& printData)
{
    const int result = dialog.ShowModal();
    Print("result", result == vcl::mrOk ? "ok" : "cancel");
    if (result == vcl::mrOk)
        printData();
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <dialog>\n", argv[0]);
        return 2;
    }
    const std::string which = argv[1];
    Administrator admin;
    GroupsTable groups(StandardGroups());

    if (which == "NewUser") {
        TSecurityNewUserFrm dialog(nullptr, admin.Logged(), groups.Source());
        return Show(dialog, [&] {
            const TNewUserData data = dialog.Data();
            Print("name", data.Name);
            Print("fullname", data.FullName);
            Print("group", std::to_string(data.GroupID));
        });
    }
    if (which == "ChangeUser") {
        TSecurityChangeUserFrm dialog(nullptr, admin.Logged());
        TSecUserInfo clerk;
        clerk.Name = "clerk";
        clerk.FullName = "Clara Clerk";
        clerk.UserID = 7;
        clerk.Passwd = admin.passwords.IntEncode("0ld");
        dialog.SetData(clerk);
        dialog.SetLoginLock("2026-12-10T19:30:00Z");
        return Show(dialog, [&] {
            Print("name", dialog.Data().Name.str());
            Print("fullname", dialog.Data().FullName);
            Print("lockcleared", dialog.LoginLockCleared() ? "yes" : "no");
        });
    }
    if (which == "NewGroup") {
        TSecurityNewGroupFrm dialog(nullptr, admin.Logged(), groups.Source());
        return Show(dialog, [&] {
            const TNewGroupData data = dialog.Data();
            Print("name", data.Name);
            Print("fullname", data.FullName);
            Print("rightsfrom", data.RightsFromGroup ? std::to_string(*data.RightsFromGroup) : "");
        });
    }
    if (which == "ChangeGroup") {
        TSecurityChangeNameFrm dialog(nullptr, admin.Logged());
        TSecGroupInfo group;
        group.Name = "Clerks";
        group.FullName = "Clerks of the office";
        group.GroupID = 1;
        dialog.SetData(group, "People at the counter");
        return Show(dialog, [&] {
            Print("name", dialog.Data().Name.str());
            Print("fullname", dialog.Data().FullName);
        });
    }
    if (which == "NewRight") {
        TSecurityNewRightFrm dialog(nullptr);
        return Show(dialog, [&] {
            const TNewRightData data = dialog.Data();
            Print("name", data.Name);
            Print("fullname", data.FullName);
            Print("defaults", std::to_string(data.Defaults));
        });
    }
    if (which == "Password") {
        TSecurityChangePasswdFrm dialog(nullptr, admin.Logged());
        TSecUserInfo clerk;
        SetUserOptions(clerk, { spoAsGroup, spoOff, spoOn, spoAsGroup, spoOff });
        clerk.GroupAllowChangePswd = true;
        const tor::pswdsstr<16> stored = admin.passwords.IntEncode("0ld");
        dialog.SetUserMode(UserOptionsOf(clerk), GroupOptionsOf(clerk), stored);
        return Show(dialog, [&] {
            Print(
                "changed", dialog.EncodedPasswd() == admin.passwords.IntEncode("n3w") ? "n3w" : "");
        });
    }
    std::fprintf(stderr, "unknown dialog %s\n", which.c_str());
    return 2;
}
