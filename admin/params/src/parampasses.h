#pragma once
// The passes that carry an operation on a parameter over to its
// sub-parameters through the parameter's editor: insert, delete, default,
// rename and edit. The editor contexts' operations and the parameter
// commands of the dialogs run them.
//
// Sub-parameter full names are cut to 16 bytes, so they may meet their
// parent, a sibling or another parameter. The passes therefore refuse an
// insert or rename onto a name that exists (the parent's included), never
// enter a parameter whose delete or default pass is running, and undo every
// rename of a rename pass that fails. Their state belongs to the
// user-interface thread, where all of this runs.

#include <wardlock/keeper/parameditor.h>

#include <string>

namespace Security {

class TSecParamEdHost;
class TSecParamEdFullHost;
class TSecDModSmpDlgBaseFrm;
class TSecDModDlgBaseFrm;

namespace ParamPasses {

// The host's data module; throws when it has none.
TSecDModSmpDlgBaseFrm& ModuleOf(TSecParamEdHost& host);
TSecDModDlgBaseFrm& FullModuleOf(TSecParamEdFullHost& host);

// --- by name (the contexts' operations and the iterate callbacks) ---

// Inserts parameter `name` with the flags of `like`, then runs the insert
// pass for it. Throws message 229 when the name is taken.
bool InsertByName(TSecParamEdFullHost& host, const TSecSmpParamEd& like, const char* name,
    const char* fullName, const char* description, const char* defaultValue, const char* typeName);
// The delete or default pass for the parameter named `name`; a missing one,
// or one whose own pass is running, counts as done.
bool DeleteByName(TSecParamEdFullHost& host, const char* name);
bool DefaultByName(TSecParamEdHost& host, const char* name);
// Renames the parameter `oldName` (message 209 when missing, 229 when
// `newName` is taken); the data module's hook runs its rename pass.
bool RenameByName(TSecParamEdFullHost& host, const char* oldName, const char* newName);

// --- the passes ---

// Runs the insert entry point for the parameter `inserted` describes
// (reason 3). False when the editor refused.
bool InsertPass(const TSecSmpParamEd& inserted);
// Sub-parameters first (iterate with the delete callback), then the
// parameter `paramID` itself. Throws message 210.
void DeletePass(TSecParamEdFullHost& host, int paramID);
// Sub-parameters first (iterate with the default callback), then the
// parameter `paramID` itself, found again by its ID. Throws message 210.
void DefaultPass(TSecParamEdHost& host, int paramID);
// For the current parameter, just renamed from `oldName`: its editor renames
// the sub-parameters. On failure every rename of the pass, the parameter's
// own included, is put back and message 207 thrown.
void RenamePass(TSecParamEdFullHost& host, const std::string& oldName);
// The iterate entry point for the current parameter `paramID` with the
// default callback (its sub-parameters go back to their defaults); the
// parameter counts as running meanwhile. The editor's answer; exceptions pass.
bool DefaultSubParams(TSecParamEdHost& host, int paramID);

} // namespace ParamPasses

} // namespace Security
