#pragma once
// The parameter commands of the full administration dialog that need the
// parameter editor plug-ins or their dialogs: new parameter, delete
// parameter, parameter types, security parameters, and the pass that follows
// a renamed parameter. Each is one function here so that the plug-in runner
// can replace it without touching the dialog.
//
// In this build: deleting a parameter whose type has no editor library works
// (the data module's DelParam, applied at once); a parameter type with an
// editor library, a new parameter, the parameter types and the security
// parameters dialogs say in a message box that they are not available yet.

#include <string>

class QWidget;

namespace Security {

class TSecDModDlgBaseFrm;

// "New parameter ...".
void RunNewParam(QWidget* owner, TSecDModDlgBaseFrm& module);
// "Delete ..." on the Parameters page, after its confirmations.
void RunDeleteParam(QWidget* owner, TSecDModDlgBaseFrm& module);
// "&Types".
void RunParamTypes(QWidget* owner, TSecDModDlgBaseFrm& module);
// "Securit&y params".
void RunSecurityParams(QWidget* owner, TSecDModDlgBaseFrm& module);
// After the current parameter was posted under a new name (`oldName`).
void FollowParamRename(QWidget* owner, TSecDModDlgBaseFrm& module, const std::string& oldName);

// Says that `what` is not available in this build (an information box).
void ShowNotAvailable(QWidget* owner, const std::string& what);

} // namespace Security
