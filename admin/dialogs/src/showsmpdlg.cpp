// The export the core calls for the simple administration dialog.

#include "keeperapplication.h"
#include "securitysmpdlgfrm.h"

#include <wardlock/adminexports.h>

#include <memory>

extern "C" void ShowSmpDlg(Security::TSecurity* security, void* window, int userID, int groupID,
    Security::SecDlgDecoder decoder, bool)
{
    vcl::TApplication& application = Security::KeeperApplication();
    application.SetHandle(window);
    std::unique_ptr<Security::TSecuritySmpDlgFrm> dialog;
    try {
        dialog = std::make_unique<Security::TSecuritySmpDlgFrm>(
            &application, security, userID, groupID);
    } catch (const std::exception& error) {
        application.ShowException(error);
        return;
    }
    dialog->SetDecoder(decoder);
    try {
        dialog->ShowModal();
    } catch (const std::exception& error) {
        // Nothing may reach the core through this export.
        application.ShowException(error);
    }
}
