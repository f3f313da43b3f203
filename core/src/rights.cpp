// Rights objects: binding to a security, the rights and parameter queries, the
// logged user's record, and the forwarders to the security.

#include <wardlock/rights.h>

#include "core_module.h"
#include "text_cut.h"

#include <wardlock/datamodule.h>

#include <climits>
#include <cstring>
#include <string_view>

namespace Security {

namespace {

constexpr int kNoInteger = INT_MIN;

// Decimal with an optional sign, nothing else (no blanks); kNoInteger for
// any other text and for values outside 32 bits.
int ToInteger(const tor::pswdsstr<16>& value)
{
    const std::string_view text(value.c_str(), value.length());
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+'))
        ++i;
    if (i == text.size())
        return kNoInteger;
    long long magnitude = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return kNoInteger;
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > 2147483648LL)
            return kNoInteger;
    }
    const long long result = negative ? -magnitude : magnitude;
    return result > INT_MAX ? kNoInteger : static_cast<int>(result);
}

bool IsYes(const tor::pswdsstr<16>& value, const tor::pswdsstr<16>& yes)
{
    return !value.empty() && std::strcmp(value.c_str(), yes.c_str()) == 0;
}

const TSecUser& NoUser()
{
    static const TSecUser none;
    return none;
}

} // namespace

// ------------------------------------------------------------------- binding

TSecRightsBase::TSecRightsBase(const char* name)
{
    Rebind(FindSecurity(name));
}

TSecRightsBase::TSecRightsBase(TSecurity* security)
{
    Rebind(security);
}

TSecRightsBase::TSecRightsBase(const TSecRightsBase& other)
    : Mask(other.Mask)
{
    Rebind(other.security_);
}

TSecRightsBase& TSecRightsBase::operator=(const TSecRightsBase& other)
{
    Mask = other.Mask;
    // Rebinding to the security already held would log out and in again.
    if (other.security_ != security_)
        Bind(other.security_);
    return *this;
}

TSecRightsBase::~TSecRightsBase()
{
    if (security_)
        security_->Unbind();
}

void TSecRightsBase::Rebind(TSecurity* security)
{
    // Used by the constructors: when the automatic login fails the object is
    // never made, so the binding is taken back before the exception leaves.
    try {
        Bind(security);
    } catch (...) {
        if (security_)
            security_->Unbind();
        security_ = nullptr;
        throw;
    }
}

bool TSecRightsBase::Bind(const char* name)
{
    Bind(FindSecurity(name));
    return Binded();
}

void TSecRightsBase::Bind(TSecurity* security)
{
    if (security_)
        security_->Unbind();
    security_ = security;
    if (security_)
        security_->BindAndLogin();
}

TSecDModFrm* TSecRightsBase::LoggedModule() const noexcept
{
    return security_ && security_->Logged() ? security_->DataModule() : nullptr;
}

// ------------------------------------------------------------------- queries

int TSecRightsBase::GetRight(const char* formName) const
{
    int formID = -1;
    TSecDModFrm* module = LoggedModule();
    Mask = module && formName ? static_cast<SecRightsMask>(module->GetRight(formName, formID)) : 0;
    return formID;
}

int TSecRightsBase::GetRight(int formID) const
{
    TSecDModFrm* module = LoggedModule();
    Mask = module ? static_cast<SecRightsMask>(module->GetRight(formID)) : 0;
    return formID;
}

namespace {
using NamedRead = tor::pswdsstr<16> (TSecDModFrm::*)(const char*, int&);
using IdRead = tor::pswdsstr<16> (TSecDModFrm::*)(int);

tor::pswdsstr<16> ReadByName(TSecDModFrm* module, const char* name, NamedRead read)
{
    int id = -1;
    return module && name ? (module->*read)(name, id) : tor::pswdsstr<16>();
}

tor::pswdsstr<16> ReadById(TSecDModFrm* module, int id, IdRead read)
{
    return module ? (module->*read)(id) : tor::pswdsstr<16>();
}
} // namespace

tor::pswdsstr<16> TSecRightsBase::GetParam(const char* paramName) const
{
    return ReadByName(LoggedModule(), paramName, &TSecDModFrm::GetParam);
}

tor::pswdsstr<16> TSecRightsBase::GetParam(int paramID) const
{
    return ReadById(LoggedModule(), paramID, &TSecDModFrm::GetParam);
}

tor::pswdsstr<16> TSecRightsBase::GetPswdParam(const char* paramName) const
{
    return ReadByName(LoggedModule(), paramName, &TSecDModFrm::GetPswdParam);
}

tor::pswdsstr<16> TSecRightsBase::GetPswdParam(int paramID) const
{
    return ReadById(LoggedModule(), paramID, &TSecDModFrm::GetPswdParam);
}

bool TSecRightsBase::GetBoolParam(const char* paramName) const
{
    return IsYes(GetParam(paramName), YesString());
}

bool TSecRightsBase::GetBoolParam(int paramID) const
{
    return IsYes(GetParam(paramID), YesString());
}

int TSecRightsBase::GetIntParam(const char* paramName) const
{
    return ToInteger(GetParam(paramName));
}

int TSecRightsBase::GetIntParam(int paramID) const
{
    return ToInteger(GetParam(paramID));
}

tor::pswdsstr<16> TSecRightsBase::GetDBParam(const char* name) const
{
    TSecDModFrm* module = LoggedModule();
    return module && name ? module->GetDBParam(name) : tor::pswdsstr<16>();
}

tor::pswdsstr<16> TSecRightsBase::GetPswdDBParam(const char* name) const
{
    TSecDModFrm* module = LoggedModule();
    return module && name ? module->GetPswdDBParam(name) : tor::pswdsstr<16>();
}

bool TSecRightsBase::GetBoolDBParam(const char* name) const
{
    return IsYes(GetDBParam(name), YesString());
}

tor::pswdsstr<16> TSecRightsBase::YesString() const
{
    return security_ ? security_->YesString() : tor::pswdsstr<16>();
}

tor::pswdsstr<16> TSecRightsBase::NoString() const
{
    return security_ ? security_->NoString() : tor::pswdsstr<16>();
}

// --------------------------------------------------------------- logged user

#define WARDLOCK_USER_FIELD(Type, Accessor, expression)                                            \
    Type TSecRightsBase::Accessor() const                                                          \
    {                                                                                              \
        const TSecUser& user = security_ ? security_->User() : NoUser();                           \
        return expression;                                                                         \
    }

WARDLOCK_USER_FIELD(tor::pswdsstr<16>, UserName, user.Name)
WARDLOCK_USER_FIELD(tor::pswdsstr<50>, UserFullName, detail::CutText<50>(user.FullName))
WARDLOCK_USER_FIELD(tor::pswdsstr<16>, UserPasswd, user.Passwd)
WARDLOCK_USER_FIELD(int, UserID, user.UserID)
WARDLOCK_USER_FIELD(int, GroupID, user.GroupID)
WARDLOCK_USER_FIELD(SecPasswdOption, UserAllowChangePswd, user.AllowChangePswd)
WARDLOCK_USER_FIELD(SecPasswdOption, UserAllowNullPasswd, user.AllowNullPasswd)
WARDLOCK_USER_FIELD(SecPasswdOption, UserNoChPswdAtLogin, user.NoChPswdAtLogin)
WARDLOCK_USER_FIELD(SecPasswdOption, UserAccountEnabled, user.AccountEnabled)
WARDLOCK_USER_FIELD(SecPasswdOption, UserPasswdControl, user.PasswdControl)
WARDLOCK_USER_FIELD(bool, GroupAllowChangePswd, user.GroupAllowChangePswd)
WARDLOCK_USER_FIELD(bool, GroupAllowNullPasswd, user.GroupAllowNullPasswd)
WARDLOCK_USER_FIELD(bool, GroupNoChPswdAtLogin, user.GroupNoChPswdAtLogin)
WARDLOCK_USER_FIELD(bool, GroupAccountEnabled, user.GroupAccountEnabled)
WARDLOCK_USER_FIELD(bool, GroupPasswdControl, user.GroupPasswdControl)
WARDLOCK_USER_FIELD(bool, GroupForceAddMod, user.GroupForceAddMod)
WARDLOCK_USER_FIELD(bool, GetAllowChangePswd, user.EffAllowChangePswd())
WARDLOCK_USER_FIELD(bool, GetAllowNullPasswd, user.EffAllowNullPasswd())
WARDLOCK_USER_FIELD(bool, GetNoChPswdAtLogin, user.EffNoChPswdAtLogin())
WARDLOCK_USER_FIELD(bool, GetAccountEnabled, user.EffAccountEnabled())
WARDLOCK_USER_FIELD(bool, GetPasswdControl, user.EffPasswdControl())

#undef WARDLOCK_USER_FIELD

// -------------------------------------------------------------- forwarders

bool TSecRightsBase::PrepareLogin()
{
    return PrepareLogin(security_);
}
bool TSecRightsBase::PrepareLoginWindow(const char* dialogText)
{
    return PrepareLoginWindow(security_, dialogText);
}
void TSecRightsBase::PostLogin()
{
    PostLogin(security_);
}
void TSecRightsBase::Logout()
{
    Logout(security_);
}
bool TSecRightsBase::Logged() const
{
    return Logged(security_);
}
bool TSecRightsBase::AutoLogin()
{
    return AutoLogin(security_);
}
bool TSecRightsBase::Login()
{
    return Login(security_);
}
bool TSecRightsBase::Login(SecAutoLoginType type)
{
    return Login(security_, type);
}
bool TSecRightsBase::Login(const char* user, const char* passwd)
{
    return Login(security_, user, passwd);
}
bool TSecRightsBase::Login(const char* connectFailMsg, const char* retryMsg,
    const char* invalidCaption, const char* dialogText)
{
    return Login(security_, connectFailMsg, retryMsg, invalidCaption, dialogText);
}

bool TSecRightsBase::PrepareLogin(TSecurity* security)
{
    return security && security->PrepareLogin();
}
bool TSecRightsBase::PrepareLoginWindow(TSecurity* security, const char* dialogText)
{
    return security && security->PrepareLoginWindow(dialogText);
}
void TSecRightsBase::PostLogin(TSecurity* security)
{
    if (security)
        security->PostLogin();
}
void TSecRightsBase::Logout(TSecurity* security)
{
    if (security)
        security->Logout();
}
bool TSecRightsBase::Logged(TSecurity* security)
{
    return security && security->Logged();
}
bool TSecRightsBase::AutoLogin(TSecurity* security)
{
    return security && security->AutoLogin();
}
bool TSecRightsBase::Login(TSecurity* security)
{
    return security && security->Login();
}
bool TSecRightsBase::Login(TSecurity* security, SecAutoLoginType type)
{
    return security && security->Login(type);
}
bool TSecRightsBase::Login(TSecurity* security, const char* user, const char* passwd)
{
    return security && security->Login(user, passwd);
}
bool TSecRightsBase::Login(TSecurity* security, const char* connectFailMsg, const char* retryMsg,
    const char* invalidCaption, const char* dialogText)
{
    return security && security->Login(connectFailMsg, retryMsg, invalidCaption, dialogText);
}

void TSecRightsBase::ShowDlg(SecDlgDecoder decoder, bool flag)
{
    ShowDlg(security_, decoder, flag);
}
void TSecRightsBase::ShowSmpDlg(SecDlgDecoder decoder, bool flag)
{
    ShowSmpDlg(security_, decoder, flag);
}
void TSecRightsBase::ShowDlg(TSecurity* security, SecDlgDecoder decoder, bool flag)
{
    if (security)
        security->ShowDlg(decoder, flag);
}
void TSecRightsBase::ShowSmpDlg(TSecurity* security, SecDlgDecoder decoder, bool flag)
{
    if (security)
        security->ShowSmpDlg(decoder, flag);
}
TSecParamEd* TSecRightsBase::ModifyStart(const tor::pswdsstr<16>& key)
{
    return security_ ? security_->ModifyStart(key) : nullptr;
}
void TSecRightsBase::ModifyEnd(TSecParamEd* editor)
{
    if (security_)
        security_->ModifyEnd(editor);
}

// -------------------------------------------------------------- registration

namespace {
TSecurity* NewSecurity(const char* appName, const char* database, const char* providerKey,
    const char* providerName, void* providerOptions, const char* dbUser, const char* dbPasswd,
    EncoderHook encoder, bool autoLogin)
{
    auto* security = new TSecurity(&detail::Application(), appName, database, providerKey,
        providerName, providerOptions, dbUser, dbPasswd, autoLogin);
    security->SetEncoder(encoder);
    return security;
}
} // namespace

TSecurity* TSecRightsBase::AddSecurity(const char* appName, const char* database,
    const char* providerKey, const char* providerName, void* providerOptions, const char* dbUser,
    const char* dbPasswd, EncoderHook encoder, bool autoLogin)
{
    return NewSecurity(appName, database, providerKey, providerName, providerOptions, dbUser,
        dbPasswd, encoder, autoLogin);
}

TSecurity* TSecRightsBase::AddSecurity(const char* appName, const char* database,
    const char* providerKey, const char* providerName, void* providerOptions, const char* dbUser,
    const char* dbPasswd, const char* dialogText, EncoderHook encoder, bool autoLogin)
{
    TSecurity* security = NewSecurity(appName, database, providerKey, providerName, providerOptions,
        dbUser, dbPasswd, encoder, autoLogin);
    security->SetDialogLogin(dialogText);
    return security;
}

TSecurity* TSecRightsBase::AddSecurity(const char* appName, const char* database,
    const char* providerKey, const char* providerName, void* providerOptions, const char* dbUser,
    const char* dbPasswd, const char* user, const char* passwd, EncoderHook encoder, bool autoLogin)
{
    TSecurity* security = NewSecurity(appName, database, providerKey, providerName, providerOptions,
        dbUser, dbPasswd, encoder, autoLogin);
    security->SetSilentLogin(user, passwd);
    return security;
}

TSecurity* TSecRightsBase::AddSecurity(const char* appName, const char* database,
    const char* providerKey, const char* providerName, void* providerOptions, const char* dbUser,
    const char* dbPasswd, const char* connectFailMsg, const char* retryMsg,
    const char* invalidCaption, const char* dialogText, EncoderHook encoder, bool autoLogin)
{
    TSecurity* security = NewSecurity(appName, database, providerKey, providerName, providerOptions,
        dbUser, dbPasswd, encoder, autoLogin);
    security->SetRetryLogin(connectFailMsg, retryMsg, invalidCaption, dialogText);
    return security;
}

TSecurity* TSecRightsBase::AddSecurity(const char* appName, const char* database,
    const char* providerKey, const char* providerName, void* providerOptions, const char* dbUser,
    const char* dbPasswd, SecLoginCallback loginCallback, void* callbackData, bool autoLogin)
{
    return TSecurity::AddSecurity(appName, database, providerKey, providerName, providerOptions,
        dbUser, dbPasswd, loginCallback, callbackData, autoLogin);
}

bool TSecRightsBase::DeleteSecurity(const char* name)
{
    TSecurity* security = FindSecurity(name);
    delete security; // unlinks itself from SecList
    return security != nullptr;
}

TSecurity* TSecRightsBase::FindSecurity(const char* name)
{
    const auto node = TSecurity::FindSecurity(name);
    return node ? node->Security : nullptr;
}

void TSecRightsBase::SetPasswdDecoder(PasswdDecoder decoder)
{
    TSecurity::DecodePasswd = decoder;
}

void TSecRightsBase::SetAppHWnd(void* hwnd)
{
    detail::Application().SetHandle(hwnd);
}

void TSecRightsBase::SetMDIClient(void* client)
{
    TSecurity::MDIClient = client;
}

void* TSecRightsBase::GetMDIClient()
{
    return TSecurity::MDIClient;
}

} // namespace Security
