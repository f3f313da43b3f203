// The password exports the core calls: the logged user's own change and the
// change forced after login. Each builds the simple base form for the user
// (never shown), runs its password command, applies what the command cached
// and destroys the form. Nothing leaves an export: a failure is shown through
// the module's exception display and the running security keeps the record
// it had, so the core never sees a half-stored change.

#include "keeperapplication.h"
#include "securitysmpdlgbasefrm.h"

#include <wardlock/adminexports.h>
#include <wardlock/keeper/secdmodbase.h>
#include <wardlock/keeper/strings.h>
#include <wardlock/platform/exception.h>
#include <wardlock/security.h>

namespace Security {

namespace {

void PutBack(TSecurity& security, const TSecUser& record)
{
    security.SetUserInfo(record.Passwd, record.Name.c_str(), record.FullName.c_str(),
        record.AllowChangePswd, record.AllowNullPasswd, record.NoChPswdAtLogin,
        record.AccountEnabled, record.PasswdControl);
}

// Runs `command` on the base form of the user and applies what it cached.
template<class Command>
void RunPasswdExport(TSecurity* security, void* window, int userID, int groupID, Command command)
{
    vcl::TApplication& application = KeeperApplication();
    application.SetHandle(window);
    const TSecUser before = security->User();
    try {
        TSecuritySmpDlgBaseFrm form(&application, security, userID, groupID);
        if ((form.*command)() && form.DModule()->Modified())
            form.DModule()->ApplyUpdates();
    } catch (const std::exception& error) {
        PutBack(*security, before);
        application.ShowException(error);
    } catch (...) {
        PutBack(*security, before);
        application.ShowException(vcl::Exception(SecString(sUpdateFailed)));
    }
}

} // namespace

} // namespace Security

using namespace Security;

extern "C" void ShowChPasswdDlg(TSecurity* security, void* window, int userID, int groupID)
{
    // Only a logged user whose policy lets him change his password gets the
    // dialog; nothing is connected for anybody else.
    if (!security || !security->Logged() || !security->User().EffAllowChangePswd())
        return;
    RunPasswdExport(security, window, userID, groupID, &TSecuritySmpDlgBaseFrm::ChangeOwnPassword);
}

extern "C" void ShowForceChPasswdDlg(TSecurity* security, void* window, int userID, int groupID)
{
    if (!security || !security->Logged())
        return;
    RunPasswdExport(
        security, window, userID, groupID, &TSecuritySmpDlgBaseFrm::ForceOwnPasswordChange);
}
