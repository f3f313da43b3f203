#pragma once
// The parameter commands of the administration dialogs, without their
// windows: the dialogs collect what the user chose and call these. Each
// closes the transaction or filter suspension it opened on every way out and
// reports a failure as an exception whose message is the command's
// string-table text, followed by " : " and the cause.

#include <wardlock/types.h>

#include <string>

namespace Security {

class TSecParamEdHost;
class TSecParamEdFullHost;

namespace ParamCommands {

// What the "New parameter" dialog collects.
struct TNewParamData {
    std::string Name;
    std::string FullName;
    std::string Description;
    std::string DefaultValue;
    int ParamTypeID = -1;
    bool UserCanModify = false;
    bool Hidden = false;
    bool Protected = false;
};

// Inserts the parameter and lets its type's editor create what it needs (its
// sub-parameters), all in one parameter operation: either everything is
// committed or nothing stays. Message 206.
void NewParam(TSecParamEdFullHost& host, const TNewParamData& data);

// Deletes the current parameter, its sub-parameters first, then applies the
// cached changes (after the dialog's confirmations). Message 210; a failed
// apply, message 213.
void DeleteParam(TSecParamEdFullHost& host);

// "Reset to default parameters values.": the current parameter and its
// sub-parameters go back to the group's values. Message 215.
void ResetParamToDefault(TSecParamEdHost& host);

// The value column's ellipsis button: the type's editor edits the current
// parameter's value; the value is set unless the user cancelled. True when
// it was set. Message 218 when the editor fails (the value is kept).
bool EditParamValue(TSecParamEdHost& host);

// The full data module's posted-parameter hook (OnParamPosted): a renamed
// parameter's editor renames its sub-parameters. Message 207; on failure the
// old names are back.
void ParamPosted(TSecParamEdFullHost& host, const std::string& oldName, bool renamed);

// "&Types": the parameter types dialog on the module's types, limited by the
// logged user's design rights (srInsert, srModify, srDelete). OK applies the
// types, anything else discards them. True when applied. Message 214 when
// applying or discarding fails (typecommands.cpp).
bool ShowParamTypes(TSecParamEdFullHost& host, SecRightsMask designRights);

// "Securit&y params": the security database parameters dialog on the
// module's settings rows, limited and applied as the types are. Message 214.
bool ShowSecurityParams(TSecParamEdFullHost& host, SecRightsMask designRights);

} // namespace ParamCommands

} // namespace Security
