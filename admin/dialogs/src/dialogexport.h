#pragma once
// What the dialog exports the core calls have in common: the module's
// application object takes the host's window, the dialog is built (a failure
// is shown through the application's exception display and ends the call),
// gets the password decoder and runs modally; nothing leaves the export.

#include "keeperapplication.h"

#include <wardlock/types.h>

#include <exception>
#include <memory>

namespace Security {

// `make(owner)` builds the dialog (a TSecuritySmpDlgBaseFrm or derived).
template<class Make> void RunDialogExport(void* window, SecDlgDecoder decoder, Make make) noexcept
{
    vcl::TApplication& application = KeeperApplication();
    application.SetHandle(window);
    try {
        const auto dialog = make(&application);
        dialog->SetDecoder(decoder);
        dialog->ShowModal();
    } catch (const std::exception& error) {
        application.ShowException(error);
    } catch (...) {
        // Nothing may reach the core through an export.
    }
}

} // namespace Security
