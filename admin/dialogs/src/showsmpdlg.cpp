// The export the core calls for the simple administration dialog.

#include "dialogexport.h"
#include "securitysmpdlgfrm.h"

#include <wardlock/adminexports.h>

extern "C" void ShowSmpDlg(Security::TSecurity* security, void* window, int userID, int groupID,
    Security::SecDlgDecoder decoder, bool)
{
    Security::RunDialogExport(window, decoder, [&](vcl::TComponent* owner) {
        return std::make_unique<Security::TSecuritySmpDlgFrm>(owner, security, userID, groupID);
    });
}
