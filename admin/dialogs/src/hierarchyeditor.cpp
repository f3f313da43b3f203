#include "hierarchyeditor.h"

#include <wardlock/keeper/strings.h>
#include <wardlock/platform/application.h>
#include <wardlock/platform/dialogs.h>

namespace Security {

void openHierarchyEditor(QWidget* owner, TSecDModDlgBaseFrm&, int)
{
    vcl::MessageBox(vcl::WindowHandle(owner),
        "The group hierarchy editor is not available in this build.",
        SecString(sCaptionInformation), vcl::MB_OK | vcl::MB_ICONINFORMATION);
}

} // namespace Security
