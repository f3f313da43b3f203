#include "wardlock/keeper/strings.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace Security {

namespace {

struct Entry {
    int id;
    const char* text;
};

// Sorted by number.
constexpr Entry table[] = {
    { sConnectFailed, "The system was not able to connect to Security database." },
    { sAskApply,
        "Do you want to apply changes, that you have made ? (Undoing the changes will not be "
        "possible)" },
    { sConfirmDiscard, "Are you sure you want to discard the changes you have made?" },
    { sCloseWithoutSaving, "Do you want to close without saving the changes?" },
    { sApplyBeforeExit, "Do you want to apply changes before exit?" },
    { sRemoveUserAsk,
        "WARNING: All data of this user will be lost. Are you sure you want to remove the "
        "user?" },
    { sRemoveUserWarn, "Proceeding will result in deleteing all of user rights and parameters!" },
    { sRemoveGroupAsk,
        "WARNING: All data of this group will be lost. Are you sure you want to remove the "
        "group?" },
    { sRemoveGroupWarn, "Proceeding will result in deleteing all of user rights and parameters." },
    { sRemoveGroupLastWarn,
        "Removing the group will force removal all users belonging to this group, and also theirs "
        "rights and parameter values. After clicking OK the data will be lost ! (Effects of this "
        "command can be undone by clicking Cancel botton later on)" },
    { sRemoveParamAsk,
        "WARNING: All data of this param will be lost. Are you sure you want to remove the "
        "parameter?" },
    { sRemoveRightWarn, "Proceeding will result in deleteing user right values." },
    { sRemoveRightAsk,
        "WARNING: All data of this right will be lost. Are you sure you want to remove the right "
        "or form?" },
    { sRemoveParamWarn, "Proceeding will result in deleteing user parameter values." },
    { sChangeUserGroupAsk, "Are you sure you want to change the group of user?" },
    { sSelectBaseGroup, "You have to select group to get the base values from." },
    { sSamePassword, "The old password is the same as the new one. Try again." },
    { sEnterNames, "You have to enter name and full name." },
    { sPasswordsDiffer, "The password entered second time is different." },
    { sPasswordIncorrect, "The password is incorrect." },
    { sPasswordEmpty, "Password can't be empty." },
    { sWiderRights, "You can't grant wider rights than those that has currently logged user." },
    { sAutodetectAsk,
        "Do you want try to autodetect function names? (it can have unpredictable consequences) "
        "If you choose no the option of validating editor library file will not be activated." },
    { sUserGroupChangeCancelled, "The change of user's group was canceled." },
    { sNoGroupForNewUser,
        "You do not have sufficient rights to add user to any of the existing groups." },
    { sRenameNeedsHidden,
        "You cannot rename parameter, unless the option \"Show hidden [parameters]\" is turned "
        "on." },
    { sCaptionQuestion, "Question" },
    { sCaptionError, "Error" },
    { sCaptionWarning, "Warning" },
    { sCaptionConfirmation, "Confirmation" },
    { sCaptionInformation, "Information" },
    // Names, passwords and descriptions are stored in columns of a fixed size
    // in bytes; a text that does not fit is refused, never cut.
    { sTextTooLong,
        "The text in \"%s\" is too long: at most %d bytes can be stored (a letter outside "
        "the English alphabet takes two or more)." },
    { sUnknownParamType, "Unknown parameter type." },
    { sLibraryNotFound, "Dynamic link library could not be found: %s ." },
    { sEntryPointNotFound, "Entry point not found for function %s in module %s ." },
    { sParamTypeNameNotFound, "The parameter type named %s could not be found." },
    { sInsertParamFailed, "Insertion of new parameter was unsuccesful" },
    { sRenameParamFailed, "Change of parameter's name was not succesfull" },
    { sParamNumberNotFound, "The parameter with number %d could not be found." },
    { sParamNameNotFound, "The parameter named %s could not be found." },
    { sDeleteParamFailed, "Deleting of parameter was impossible due to error." },
    { sUserNameNotFound, "User named %s could not be found." },
    { sUpdateFailed,
        "Update of Security database was not succesful. The reason may be duplicate name, full "
        "name, or other uncorrect data. Correct it and try again." },
    { sOperationFailed,
        "The operation on Security database was not succesful. The reason may be duplicate name, "
        "full name, or other uncorrect data. Correct it and try again." },
    { sDefaultParamFailed, "Defaulting a parameter ended with failure." },
    { sParamValueChangeFailed, "During the change of parameter value there was an error" },
    { sAutodetectFailed,
        "Autodetection of parameter editor function names was not succesfull. Enter them "
        "manually (The option of validating editor file will not be active)." },
    { sRefreshFailed, "During the data refresh there was an error." },
    { sEditorNotAuthentic,
        "Parameter editor was not able to validate its authenticity. Check if dll file of your "
        "editor was not swapped or reinstall the parameter type." },
    { sNewGroupFailed, "Creating of the new group was not succesful." },
    { sObjectNotFound,
        "The needed object of Wardlock system could not be found. Validate the data and try "
        "again." },
    { sRightNameNotFound, "The right named %s could not be found." },
    { sPasswordHoldsZero,
        "This password cannot be stored: its stored form would hold a zero byte. Choose another "
        "password." },
    { sSubParamIsParent, "The sub-parameter name %s is the name of its own parameter." },
    { sEditorDamagedData, "The parameter editor %s wrote outside the data it was given." },
    { sEditorUnknownError, "The parameter editor %s failed with an unknown error." },
    { sParamNameTaken, "A parameter named %s exists already." },
};

static_assert(std::is_sorted(std::begin(table), std::end(table),
    [](const Entry& a, const Entry& b) { return a.id < b.id; }));

// Replaces the placeholders of `text` ("%s" or "%d") in order by `args`; a
// placeholder without an argument left gets the empty text.
std::string Fill(const char* text, const std::string* args, size_t count)
{
    std::string out;
    size_t next = 0;
    for (const char* p = text; *p; ++p) {
        if (p[0] == '%' && (p[1] == 's' || p[1] == 'd')) {
            if (next < count)
                out += args[next];
            ++next;
            ++p;
            continue;
        }
        out += *p;
    }
    return out;
}

} // namespace

const char* SecString(int id) noexcept
{
    const auto* it = std::lower_bound(std::begin(table), std::end(table), id,
        [](const Entry& entry, int wanted) { return entry.id < wanted; });
    return it != std::end(table) && it->id == id ? it->text : "";
}

std::string SecFormat(int id, const std::string& arg)
{
    return Fill(SecString(id), &arg, 1);
}

std::string SecFormat(int id, const std::string& first, const std::string& second)
{
    const std::array<std::string, 2> args { first, second };
    return Fill(SecString(id), args.data(), args.size());
}

} // namespace Security
