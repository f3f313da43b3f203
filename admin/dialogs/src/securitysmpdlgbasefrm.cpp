#include "securitysmpdlgbasefrm.h"

#include "dialogchecks.h"
#include "loggeduser.h"
#include "ownpasswdchange.h"
#include "paramcommands.h"

#include <wardlock/keeper/dmodexceptions.h>
#include <wardlock/keeper/secdmodbase.h>
#include <wardlock/keeper/tordbgrid.h>
#include <wardlock/platform/application.h>
#include <wardlock/platform/dialogs.h>
#include <wardlock/provider.h>

namespace Security {

namespace {

constexpr const char* kAdministrationForm = "Security";

// A module that cannot be obtained is message 2, whatever the provider said.
TSecDModSmpDlgBaseFrm* Obtain(
    TSecurity* security, const std::function<TSecDModSmpDlgBaseFrm*(DBProviderBase&)>& create)
{
    TSecDModSmpDlgBaseFrm* module = nullptr;
    try {
        if (security && security->Provider())
            module = create(*security->Provider());
    } catch (const std::exception&) {
        module = nullptr;
    }
    if (!module)
        throw ESecDModException(sConnectFailed, {});
    return module;
}

std::string WithCause(int id, const std::string& cause)
{
    std::string text = SecString(id);
    if (!cause.empty())
        text += " : " + cause;
    return text;
}

} // namespace

void ShowCommandFailure(QWidget* owner, int id, const std::string& cause)
{
    ShowFailureText(owner, WithCause(id, cause));
}

void ShowFailureText(QWidget* owner, const std::string& text)
{
    vcl::MessageBox(
        vcl::WindowHandle(owner), text, SecString(sCaptionError), vcl::MB_OK | vcl::MB_ICONSTOP);
}

TSecuritySmpDlgBaseFrm::TSecuritySmpDlgBaseFrm(
    vcl::TComponent* owner, TSecurity* security, int userID, int groupID)
    : TSecuritySmpDlgBaseFrm(owner, security, [&](DBProviderBase& provider) {
        return provider.CreateSmpDlgModule({ security, userID, groupID });
    })
{
}

TSecuritySmpDlgBaseFrm::TSecuritySmpDlgBaseFrm(
    vcl::TComponent* owner, TSecurity* security, const TModuleFactory& create)
    : vcl::TForm(owner)
    , security_(security)
    , dmodule_(Obtain(security, create))
    , secRights_(security)
{
    dmodule_->OnAskApply = [this] { return AskApply(); };
    dmodule_->OnConfirmDiscard = [this] { return ConfirmDiscard(); };
    dmodule_->OnRefuseWiderRights = [this] { RefuseWiderRights(); };
    secRights_.GetRight(kAdministrationForm);
    secMask_ = secRights_.Mask;
}

void TSecuritySmpDlgBaseFrm::OfferYesAndNo(tor::TTorDBGrid* grid) const
{
    grid->SetColumnPickList("FValue",
        { QString::fromStdString(security_->YesString().str()),
            QString::fromStdString(security_->NoString().str()) });
}

void TSecuritySmpDlgBaseFrm::SetValueColumn(tor::TTorDBGrid* grid, bool editable) const
{
    using tor::TColumnButtonStyle;
    TColumnButtonStyle style = TColumnButtonStyle::None;
    if (editable) {
        const std::string type = dmodule_->ParamTypeName().str();
        if (type == "Boolean")
            style = TColumnButtonStyle::Auto;
        else if (type != "Default" && type != "Integer")
            style = TColumnButtonStyle::Ellipsis;
    }
    grid->SetColumnReadOnly("FValue", !editable);
    grid->SetColumnButtonStyle("FValue", style);
}

void TSecuritySmpDlgBaseFrm::KeepLayoutUnder(std::string key)
{
    layout_ = std::make_unique<TDialogLayout>(std::move(key));
}

void TSecuritySmpDlgBaseFrm::LoadGridLayouts()
{
    if (layout_)
        layout_->LoadGrids(GridSections());
}

void TSecuritySmpDlgBaseFrm::SaveLayout()
{
    if (!layout_ || layoutSaved_)
        return;
    layout_->SaveGrids(GridSections());
    SaveWindowLayout();
    layoutSaved_ = true;
}

void TSecuritySmpDlgBaseFrm::CloseWith(int result)
{
    SaveLayout();
    if (result == vcl::mrOk)
        vcl::TForm::accept();
    else
        vcl::TForm::reject();
}

void TSecuritySmpDlgBaseFrm::showEvent(QShowEvent* event)
{
    // Hints are on and stay up long enough to be read (the texts set later
    // keep the pause: it belongs to the widget).
    setToolTipDuration(kHintHidePause);
    for (QWidget* widget : findChildren<QWidget*>())
        widget->setToolTipDuration(kHintHidePause);
    vcl::TForm::showEvent(event);
}

TSecuritySmpDlgBaseFrm::~TSecuritySmpDlgBaseFrm()
{
    ReleaseModule();
}

void TSecuritySmpDlgBaseFrm::ReleaseModule() noexcept
{
    if (!dmodule_)
        return;
    // No hook may call into a form that is going away.
    dmodule_->OnAskApply = nullptr;
    dmodule_->OnConfirmDiscard = nullptr;
    dmodule_->OnRefuseWiderRights = nullptr;
    dmodule_->OnModifiedChanged = nullptr;
    dmodule_->OnStateChanged = nullptr;
    dmodule_->OnParamRowChanged = nullptr;
    dmodule_->OnFormRowChanged = nullptr;
    TSecDModSmpDlgBaseFrm* module = dmodule_;
    dmodule_ = nullptr;
    try {
        if (security_ && security_->Provider())
            security_->Provider()->DestroyObject({ security_, module });
    } catch (...) {
        // A module that cannot be given back is the provider's loss; the
        // dialog goes away regardless.
    }
}

int TSecuritySmpDlgBaseFrm::AskApply()
{
    return vcl::MessageBox(vcl::WindowHandle(this), SecString(sAskApply),
        SecString(sCaptionConfirmation), vcl::MB_YESNOCANCEL | vcl::MB_ICONQUESTION);
}

bool TSecuritySmpDlgBaseFrm::ConfirmDiscard()
{
    return vcl::MessageBox(vcl::WindowHandle(this), SecString(sConfirmDiscard),
               SecString(sCaptionWarning),
               vcl::MB_OKCANCEL | vcl::MB_ICONEXCLAMATION | vcl::MB_DEFBUTTON2)
        == vcl::IDOK;
}

void TSecuritySmpDlgBaseFrm::RefuseWiderRights()
{
    throw ESecDModException(sWiderRights, {});
}

void TSecuritySmpDlgBaseFrm::Reported(int id, const std::function<void()>& body)
{
    try {
        body();
    } catch (const std::exception& error) {
        ShowCommandFailure(this, id, error.what());
    }
}

void TSecuritySmpDlgBaseFrm::ReportedAsIs(const std::function<void()>& body)
{
    try {
        body();
    } catch (const std::exception& error) {
        ShowFailureText(this, error.what());
    }
}

void* TSecuritySmpDlgBaseFrm::Window() const
{
    return vcl::WindowHandle(const_cast<TSecuritySmpDlgBaseFrm*>(this));
}

bool TSecuritySmpDlgBaseFrm::AskAndUpdate()
{
    bool done = false;
    Reported(sUpdateFailed, [&] { done = dmodule_->AskAndUpdate(); });
    return done;
}

bool TSecuritySmpDlgBaseFrm::AskAboutUpdate()
{
    bool done = false;
    Reported(sUpdateFailed, [&] { done = dmodule_->AskAboutUpdate(); });
    return done;
}

void TSecuritySmpDlgBaseFrm::DiscardUnapplied()
{
    if (!dmodule_ || !dmodule_->Modified())
        return;
    // The question was asked already (or the caller drops the edits by
    // design): cancel without asking again.
    auto confirm = std::move(dmodule_->OnConfirmDiscard);
    dmodule_->OnConfirmDiscard = nullptr;
    try {
        dmodule_->CancelUpdates();
    } catch (const std::exception& error) {
        ShowCommandFailure(this, sUpdateFailed, error.what());
    }
    dmodule_->OnConfirmDiscard = std::move(confirm);
}

void TSecuritySmpDlgBaseFrm::ResetParamsToDefaults()
{
    ReportedAsIs([&] { ParamCommands::ResetParamToDefault(*this); });
}

bool TSecuritySmpDlgBaseFrm::ChangeOwnPassword()
{
    bool changed = false;
    Reported(sOperationFailed, [&] {
        const std::optional<TPasswdChange> change
            = RunOwnPasswdChange(this, TLoggedUser::Of(*security_));
        if (!change)
            return;
        StoreOwnPassword(*change);
        changed = true;
    });
    return changed;
}

bool TSecuritySmpDlgBaseFrm::ForceOwnPasswordChange()
{
    bool changed = false;
    Reported(sOperationFailed, [&] {
        StoreOwnPassword(RunForcedPasswdChange(this, TLoggedUser::Of(*security_)));
        changed = true;
    });
    return changed;
}

void TSecuritySmpDlgBaseFrm::StoreOwnPassword(const TPasswdChange& change)
{
    const TSecUser& logged = security_->User();
    const int selected = dmodule_->CUserID();
    const int ownID = logged.UserID;
    if (!dmodule_->FindUser(ownID))
        throw ESecDModException(sUserNameNotFound, logged.Name.str());
    // Name and full name from his Users row: the security's record may
    // hold a name the row no longer has.
    const TSecUserInfo own = dmodule_->UserInfo();
    const TUserOptions& o = change.Options;
    // ChangeUser puts the logged user's new record into the security.
    dmodule_->ChangeUser(own.Name.c_str(), own.FullName.c_str(), change.Passwd,
        o[poAllowChangePswd], o[poAllowNullPasswd], o[poNoChPswdAtLogin], o[poAccountEnabled],
        o[poPasswdControl]);
    if (selected >= 0 && selected != ownID)
        dmodule_->FindUser(selected);
}

void TSecuritySmpDlgBaseFrm::RefreshAllData()
{
    if (!AskAndUpdate())
        return;
    Reported(sRefreshFailed, [&] { dmodule_->RefreshAll(); });
}

bool TSecuritySmpDlgBaseFrm::Apply()
{
    bool applied = false;
    Reported(sUpdateFailed, [&] {
        dmodule_->ApplyUpdates();
        applied = true;
    });
    return applied;
}

bool TSecuritySmpDlgBaseFrm::EditParamValue()
{
    bool set = false;
    ReportedAsIs([&] { set = ParamCommands::EditParamValue(*this); });
    return set;
}

} // namespace Security
