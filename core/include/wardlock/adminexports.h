#pragma once
// The exports of the administration module (wardkeeper, loaded as
// "wardkeeper5.dll") that the core looks up by name and calls. The module
// defines these functions with exactly these C signatures; the core keeps
// them as the pointer types below. `window` is the host's main window handle.

#include <wardlock/pswdsstr.h>
#include <wardlock/types.h>

namespace Security {
class TSecurity;
class TSecParamEd; // the parameter editor context, defined by the administration module
} // namespace Security

extern "C" {

// The full administration dialog.
void ShowDlg(
    Security::TSecurity* security, void* window, Security::SecDlgDecoder decoder, bool flag);
// The simple administration dialog for the logged user.
void ShowSmpDlg(Security::TSecurity* security, void* window, int userID, int groupID,
    Security::SecDlgDecoder decoder, bool flag);
// The user's own password change, and the change forced at login.
void ShowChPasswdDlg(Security::TSecurity* security, void* window, int userID, int groupID);
void ShowForceChPasswdDlg(Security::TSecurity* security, void* window, int userID, int groupID);
// A parameter editor context on a hidden administration form, and its end
// (applies the edits, frees the context).
Security::TSecParamEd* ModifyStart(Security::TSecurity* security, void* window);
void ModifyEnd(Security::TSecurity* security, void* window, Security::TSecParamEd* editor);

} // extern "C"

namespace Security {
// The types of the exports above, for looking them up in the loaded module.
using ShowDlgProc = decltype(&::ShowDlg);
using ShowSmpDlgProc = decltype(&::ShowSmpDlg);
using ShowChPasswdDlgProc = decltype(&::ShowChPasswdDlg);
using ShowForceChPasswdDlgProc = decltype(&::ShowForceChPasswdDlg);
using ModifyStartProc = decltype(&::ModifyStart);
using ModifyEndProc = decltype(&::ModifyEnd);
} // namespace Security
