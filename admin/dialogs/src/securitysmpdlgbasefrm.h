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
// It is the host of the parameter editor plug-ins the commands run.

#include "dialoglayout.h"

#include <wardlock/keeper/paramedhost.h>
#include <wardlock/platform/form.h>
#include <wardlock/rights.h>
#include <wardlock/types.h>

#include <functional>
#include <memory>
#include <string>

namespace tor {
class TTorDBGrid;
}

namespace Security {

struct TPasswdChange;
class DBProviderBase;
class TSecDModSmpDlgBaseFrm;
class TSecurity;

class TSecuritySmpDlgBaseFrm : public vcl::TForm, public TSecParamEdHost {
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

    // --- the parameter editor plug-ins' host ---
    TSecDModSmpDlgBaseFrm* SmpDataModule() const override { return dmodule_; }
    TSecurity* Security() const override { return security_; }
    void* Window() const override;
    SecDlgDecoder PasswdDecoder() const override { return decoder_; }

    // The data module's AskAndUpdate / AskAboutUpdate; a failure inside is
    // shown as message 213 and answers false.
    bool AskAndUpdate();
    bool AskAboutUpdate();

    // Every unapplied edit is dropped without a question, and the rows of
    // the logged user are handed back to the running security as they were.
    void DiscardUnapplied();

    // --- the commands both dialogs have ---
    // The current parameter and its sub-parameters back to the group's
    // values (message 215 on failure); the current parameter row is kept.
    void ResetParamsToDefaults();
    // The logged user's own password and options through the password
    // dialog, written to his Users row (cached: Apply stores it). Nothing
    // happens when his policy does not let him change it. True when changed.
    bool ChangeOwnPassword();
    // The change forced after login: the dialog cannot be cancelled and asks
    // again while the password stays the same; stored as the own change.
    // True when stored.
    bool ForceOwnPasswordChange();
    // Edits the current parameter's value with its type's editor plug-in
    // (message 218 on failure, the value kept). True when a value was set.
    bool EditParamValue();
    // "Refresh" of a grid: offers to apply pending edits first and reads
    // everything again only when nothing is pending any more (message 220 on
    // failure); after "Cancel" the edits stay and so does what is shown.
    void RefreshAllData();
    // "Apply": the cached edits to the database (message 213 on failure, the
    // edits kept). True when applied.
    bool Apply();

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
    // Runs `body`, a parameter command whose exceptions carry their whole
    // text already; one leaves as a message box with that text.
    void ReportedAsIs(const std::function<void()>& body);

    // --- the parameter-values grid both dialogs have ---
    // The security's yes and no strings as the value column's pick list.
    void OfferYesAndNo(tor::TTorDBGrid* grid) const;
    // Makes the value column of `grid` editable or read-only; an editable
    // one is edited as the current parameter's type wants: "Boolean" from
    // the pick list, "Default" and "Integer" as text, any other type through
    // its editor ("..." button).
    void SetValueColumn(tor::TTorDBGrid* grid, bool editable) const;

    // --- the layout a shown dialog keeps in the user-scope settings ---
    // The dialog keeps its layout under `key` (the base form run unseen for
    // the password exports keeps none).
    void KeepLayoutUnder(std::string key);
    const TDialogLayout& Layout() const { return *layout_; }
    // The grids whose column widths are kept, each with its section.
    virtual TDialogLayout::TGridSections GridSections() const { return {}; }
    // Writes the window's own sizes and splitter positions.
    virtual void SaveWindowLayout() { }
    // The column widths of every grid, as far as they were kept.
    void LoadGridLayouts();
    // The grids and the window to the settings, once: at the close, or when
    // a dialog that was never closed is destroyed (its destructor calls this
    // while its grids still exist).
    void SaveLayout();
    // Saves the layout and ends the modal run: accepted for mrOk, else
    // rejected.
    void CloseWith(int result);

    // Hints stay up this long (ms) however long their text.
    static constexpr int kHintHidePause = 10000;
    void showEvent(QShowEvent* event) override;

private:
    void ReleaseModule() noexcept;
    // Writes `change` to the logged user's Users row (message 212 when the
    // module lacks it); the current user stays selected.
    void StoreOwnPassword(const TPasswdChange& change);

    TSecurity* security_ = nullptr;
    TSecDModSmpDlgBaseFrm* dmodule_ = nullptr;
    TSecRights secRights_;
    SecRightsMask secMask_ = 0;
    SecDlgDecoder decoder_ = nullptr;
    std::unique_ptr<TDialogLayout> layout_;
    bool layoutSaved_ = false;
};

// The message box every command failure ends in: `id`'s text, " : " and the
// cause's message when there is one, caption "Error", stop icon.
void ShowCommandFailure(QWidget* owner, int id, const std::string& cause);
// The same box with a complete text.
void ShowFailureText(QWidget* owner, const std::string& text);

} // namespace Security
