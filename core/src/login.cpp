// The login flow of a security: the single steps (PrepareLogin,
// PrepareLoginWindow, Login, PostLogin, Logout) and the automatic login of
// the five login types.

#include <wardlock/security.h>

#include "core_module.h"

#include <wardlock/datamodule.h>
#include <wardlock/logindialog.h>
#include <wardlock/platform/dialogs.h>
#include <wardlock/provider.h>

#include <vector>

namespace Security {

bool TSecurity::Logged() const noexcept
{
    return dataModule_ && dataModule_->Logged();
}

void TSecurity::DestroyLoginDialog() noexcept
{
    delete loginDialog_;
    loginDialog_ = nullptr;
}

void TSecurity::EndLoginPhase()
{
    if (dataModule_) {
        try {
            dataModule_->PostLogin();
        } catch (...) {
            // Ending the phase only tidies up; the login's result stands.
        }
    }
    DestroyLoginDialog();
}

void TSecurity::PostLogin()
{
    EndLoginPhase();
}

void TSecurity::Logout()
{
    if (!dataModule_)
        return;
    try {
        dataModule_->Logout();
    } catch (...) {
    }
    DestroyDataModule();
}

bool TSecurity::PrepareLogin()
{
    try {
        if (Logged()) {
            dataModule_->Logout();
            DestroyDataModule();
        }
        if (GetDBProvider(providerKey_.c_str(), providerName_.c_str(), providerOptions_)) {
            if (!dataModule_) {
                const TSecDModRequest request { this, Name().c_str(), database_.c_str(),
                    dbUser_.c_str() };
                dataModule_ = provider_->CreateDataModule(request);
                if (dataModule_)
                    dataModule_->SetEncoder(encoder_);
            }
            if (dataModule_) {
                // The decoder gets a buffer exactly one byte longer than the
                // registered text.
                std::vector<char> buffer(dbPasswd_.size() + 1, '\0');
                PasswdDecoder decode = DecodePasswd ? DecodePasswd : &SimpleDecodePasswd;
                const char* password = decode(dbPasswd_.c_str(), buffer.data());
                buffer.back() = '\0';
                const bool prepared
                    = dataModule_->PrepareLogin(password ? password : buffer.data());
                detail::ArrangeConnectionClosing();
                if (prepared)
                    return true;
            }
        }
    } catch (...) {
        // Connection errors and "Wrong Database" end in the failure step.
    }
    if (dataModule_)
        detail::ArrangeConnectionClosing();
    EndLoginPhase();
    return false;
}

bool TSecurity::PrepareLoginWindow(const char* dialogText)
{
    try {
        if (!loginDialog_)
            loginDialog_ = new TSecurityPasswordDlgFrm(this);
        loginDialog_->SetDatabaseText(detail::Text(dialogText));
    } catch (...) {
        DestroyLoginDialog();
        return false;
    }
    return PrepareLogin();
}

bool TSecurity::Login(const char* user, const char* passwd)
{
    if (!dataModule_)
        return false;
    try {
        if (!dataModule_->Login(user ? user : "", passwd ? passwd : ""))
            return false;
        // Filled into a copy, so that a failure leaves the last user's record.
        TSecUser filled = user_;
        dataModule_->FillUser(filled);
        dataModule_->PostLogin();
        DestroyLoginDialog();
        const tor::pswdsstr<16> yes = dataModule_->GetDBParam("YesString");
        const tor::pswdsstr<16> no = dataModule_->GetDBParam("NoString");
        yesString_ = yes.empty() ? tor::pswdsstr<16>("Yes") : yes;
        noString_ = no.empty() ? tor::pswdsstr<16>("No") : no;
        user_ = filled;
    } catch (...) {
        // A failure after the password check must not leave a half-logged
        // data module behind (Logged() would say yes).
        if (dataModule_ && dataModule_->Logged()) {
            try {
                dataModule_->Logout();
            } catch (...) {
            }
        }
        return false;
    }
    if (!user_.EffNoChPswdAtLogin() && user_.EffAllowChangePswd())
        ShowForceChPasswdDlg(); // its outcome does not change the result
    return true;
}

bool TSecurity::RunLoginDialog(bool& confirmed)
{
    confirmed = loginDialog_ && loginDialog_->ShowModal() == vcl::mrOk;
    if (!confirmed || !loginDialog_)
        return false;
    const std::string user = loginDialog_->UserText();
    const std::string passwd = loginDialog_->PasswdText();
    return Login(user.c_str(), passwd.c_str());
}

bool TSecurity::Login()
{
    bool confirmed = false;
    return RunLoginDialog(confirmed);
}

bool TSecurity::Login(SecAutoLoginType type)
{
    switch (type) {
    case saltSilent: {
        if (!PrepareLogin())
            return false;
        const bool result = Login(autoLoginUser_.c_str(), autoLoginPasswd_.c_str());
        EndLoginPhase();
        return result;
    }
    case saltDialog: {
        if (!PrepareLoginWindow(dialogText_.c_str()))
            return false;
        bool confirmed = false;
        const bool result = RunLoginDialog(confirmed);
        EndLoginPhase();
        return result;
    }
    case saltDialogRetry:
        return Login(connectFailMsg_.c_str(), retryMsg_.c_str(), invalidCaption_.c_str(),
            dialogText_.c_str());
    case saltCallback:
        return loginCallback_ ? loginCallback_(this, callbackData_) : false;
    case saltNone:
    default:
        return false;
    }
}

bool TSecurity::Login(const char* connectFailMsg, const char* retryMsg, const char* invalidCaption,
    const char* dialogText)
{
    void* window = detail::Application().Handle();
    if (!PrepareLoginWindow(dialogText)) {
        vcl::MessageBox(window, detail::Text(connectFailMsg), detail::kMessageCaption,
            vcl::MB_OK | vcl::MB_ICONSTOP);
        return false;
    }
    for (;;) {
        bool confirmed = false;
        if (RunLoginDialog(confirmed))
            return true;
        // Anything but Retry gives up, also a box that could not be shown.
        const int answer = vcl::MessageBox(window, detail::Text(retryMsg),
            detail::Text(invalidCaption), vcl::MB_RETRYCANCEL | vcl::MB_ICONSTOP);
        if (answer != vcl::IDRETRY) {
            EndLoginPhase();
            return false;
        }
    }
}

} // namespace Security
