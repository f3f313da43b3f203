#pragma once
// TSecuritySmpDlgBaseFrm: what the simple and the full administration dialog
// share. It obtains the administration data module from the security's
// provider (and gives it back), reads the logged user's administration mask
// (form "Security"), keeps the password decoder the core hands over,
// answers the data module's questions (apply? discard? a right too wide)
// with message boxes, and holds the commands of both dialogs: reset the
// parameter values to the defaults, change the own password, edit a value.
//
// The base form is also run without being shown, for the password exports.

#include <wardlock/platform/form.h>
#include <wardlock/rights.h>
#include <wardlock/types.h>

#include <functional>
#include <string>

namespace Security {

class DBProviderBase;
class TSecDModSmpDlgBaseFrm;
class TSecurity;

class TSecuritySmpDlgBaseFrm : public vcl::TForm {
    Q_OBJECT

public:
    // Obtains the simple data module for `userID` and `groupID`. Throws
    // message 2 when the provider fails or gives nothing.
    TSecuritySmpDlgBaseFrm(vcl::TComponent* owner, TSecurity* security, int userID, int groupID);
    ~TSecuritySmpDlgBaseFrm() override;

    TSecDModSmpDlgBaseFrm* DModule() const noexcept { return dmodule_; }
    TSecurity* AdministeredSecurity() const noexcept { return security_; }
    // The logged user's mask on the form "Security".
    SecRightsMask SecMask() const noexcept { return secMask_; }

    SecDlgDecoder Decoder() const noexcept { return decoder_; }
    void SetDecoder(SecDlgDecoder decoder) noexcept { decoder_ = decoder; }

    // The data module's AskAndUpdate / AskAboutUpdate; a failure inside is
    // shown as message 213 and answers false.
    bool AskAndUpdate();
    bool AskAboutUpdate();

    // Every unapplied edit is dropped without a question, and the rows of
    // the logged user are handed back to the running security as they were.
    void DiscardUnapplied();

    // --- the commands both dialogs have ---
    // The current user's parameter values back to the group's (message 215
    // on failure); the current parameter row is kept.
    void ResetParamsToDefaults();
    // The logged user's own password and options through the password
    // dialog, written to his Users row (cached: Apply stores it). Nothing
    // happens when his policy does not let him change it. True when changed.
    bool ChangeOwnPassword();
    // Edits the current parameter's value with its type's editor plug-in.
    void EditParamValue();

protected:
    using TModuleFactory = std::function<TSecDModSmpDlgBaseFrm*(DBProviderBase& provider)>;
    // Derived forms obtain another module through `create`.
    TSecuritySmpDlgBaseFrm(
        vcl::TComponent* owner, TSecurity* security, const TModuleFactory& create);

    // The data module's questions (the hooks set at construction).
    int AskApply();
    bool ConfirmDiscard();
    [[noreturn]] void RefuseWiderRights();

    // Runs `body`; an exception leaves as a message box with the
    // string-table text `id` + " : " + the exception's message.
    void Reported(int id, const std::function<void()>& body);

private:
    void ReleaseModule() noexcept;

    TSecurity* security_ = nullptr;
    TSecDModSmpDlgBaseFrm* dmodule_ = nullptr;
    TSecRights secRights_;
    SecRightsMask secMask_ = 0;
    SecDlgDecoder decoder_ = nullptr;
};

// The message box every command failure ends in: `id`'s text, " : " and the
// cause's message when there is one, caption "Error", stop icon.
void ShowCommandFailure(QWidget* owner, int id, const std::string& cause);

} // namespace Security
