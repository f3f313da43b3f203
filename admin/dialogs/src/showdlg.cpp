// The export the core calls for the full administration dialog.

#include "dialogexport.h"
#include "securitydlgfrm.h"

#include <wardlock/adminexports.h>

extern "C" void ShowDlg(
    Security::TSecurity* security, void* window, Security::SecDlgDecoder decoder, bool)
{
    Security::RunDialogExport(window, decoder, [&](vcl::TComponent* owner) {
        return std::make_unique<Security::TSecurityDlgFrm>(owner, security);
    });
}
