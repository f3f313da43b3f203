#pragma once
// The administration module's string table: every numbered message text the
// data modules and the dialogs show, in one place. Numbers are the ones the
// dialogs and exceptions are documented with; texts keep their wording.

#include <string>

namespace Security {

// The numbers of the string table's texts.
enum TSecStringId : int {
    sConnectFailed = 2,
    sAskApply = 42,
    sConfirmDiscard = 43,
    sCloseWithoutSaving = 44,
    sApplyBeforeExit = 45,
    sRemoveUserAsk = 62,
    sRemoveUserWarn = 63,
    sRemoveGroupAsk = 64,
    sRemoveGroupWarn = 65,
    sRemoveGroupLastWarn = 66,
    sRemoveParamAsk = 71,
    sRemoveRightWarn = 72,
    sRemoveRightAsk = 73,
    sRemoveParamWarn = 74,
    sChangeUserGroupAsk = 81,
    sSelectBaseGroup = 89,
    sSamePassword = 90,
    sEnterNames = 91,
    sPasswordsDiffer = 92,
    sPasswordIncorrect = 93,
    sPasswordEmpty = 95,
    sWiderRights = 96,
    sAutodetectAsk = 97,
    sUserGroupChangeCancelled = 98,
    sNoGroupForNewUser = 99,
    sRenameNeedsHidden = 100,
    sCaptionQuestion = 101,
    sCaptionError = 102,
    sCaptionWarning = 103,
    sCaptionConfirmation = 104,
    sCaptionInformation = 105,
    sTextTooLong = 106,
    sUnknownParamType = 202,
    sLibraryNotFound = 203,
    sEntryPointNotFound = 204,
    sParamTypeNameNotFound = 205,
    sInsertParamFailed = 206,
    sRenameParamFailed = 207,
    sParamNumberNotFound = 208,
    sParamNameNotFound = 209,
    sDeleteParamFailed = 210,
    sUserNameNotFound = 212,
    sUpdateFailed = 213,
    sOperationFailed = 214,
    sDefaultParamFailed = 215,
    sParamValueChangeFailed = 218,
    sAutodetectFailed = 219,
    sRefreshFailed = 220,
    sEditorNotAuthentic = 221,
    sNewGroupFailed = 222,
    sObjectNotFound = 223,
    sRightNameNotFound = 224,
    sPasswordHoldsZero = 225,
    sSubParamIsParent = 226,
    sEditorDamagedData = 227,
    sEditorUnknownError = 228,
    sParamNameTaken = 229,
};

// The text of `id` as it stands in the table (printf-style placeholders
// included); the empty text for a number the table does not hold.
const char* SecString(int id) noexcept;

// The text of `id` with its placeholders filled: every "%s" takes `arg`, and
// "%d" takes `arg` as well (callers pass the number as decimal text). A text
// without placeholders is returned unchanged. The argument is inserted as
// text, never read as a format.
std::string SecFormat(int id, const std::string& arg = {});
// The same for texts with two "%s" (the entry-point message).
std::string SecFormat(int id, const std::string& first, const std::string& second);

} // namespace Security
