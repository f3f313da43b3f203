// The export the core calls for the full administration dialog.

#include "keeperapplication.h"
#include "securitydlgfrm.h"

#include <wardlock/adminexports.h>

#include <memory>

extern "C" void ShowDlg(
    Security::TSecurity* security, void* window, Security::SecDlgDecoder decoder, bool)
{
    vcl::TApplication& application = Security::KeeperApplication();
    application.SetHandle(window);
    std::unique_ptr<Security::TSecurityDlgFrm> dialog;
    try {
        dialog = std::make_unique<Security::TSecurityDlgFrm>(&application, security);
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
