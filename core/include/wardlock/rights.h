#pragma once
// Rights objects: what applications hold. A rights object is bound to one
// registered security and answers, for the logged-in user, what the user may
// do on a named form and what value a named parameter has; it also forwards
// registration, login and administration calls to its security.
//
// TSecRights and TSecStdRights have the same members and behaviour (the second
// exists for programs that expect the standard calling convention, of which
// this platform has only one); both are TSecRightsBase.
//
// Queries are meant for a bound, logged-in object (test Binded(), Logged(),
// AutoLogin() first). Otherwise they answer as for unknown names: -1, mask 0,
// the empty text, false, -2147483648.

#include <wardlock/pswdsstr.h>
#include <wardlock/security.h>
#include <wardlock/types.h>

namespace Security {

class TSecParamEd;

class TSecRightsBase {
public:
    // Bind by name (unbound when no security has it) or to `security`.
    explicit TSecRightsBase(const char* name);
    explicit TSecRightsBase(TSecurity* security);
    // Binds to the same security and copies Mask.
    TSecRightsBase(const TSecRightsBase& other);
    // Copies Mask, then binds to the other's security.
    TSecRightsBase& operator=(const TSecRightsBase& other);
    ~TSecRightsBase();

    // Unbinds, then binds; may throw ESecAutoLoginFailed.
    bool Bind(const char* name);
    void Bind(TSecurity* security);
    bool Binded() const noexcept { return security_ != nullptr; }
    TSecurity* Security() const noexcept { return security_; }

    // Rights mask of the last GetRight on this object.
    mutable SecRightsMask Mask = 0;

    // --- queries ---
    int GetRight(const char* formName) const;
    int GetRight(int formID) const;
    tor::pswdsstr<16> GetParam(const char* paramName) const;
    tor::pswdsstr<16> GetParam(int paramID) const;
    tor::pswdsstr<16> GetPswdParam(const char* paramName) const;
    tor::pswdsstr<16> GetPswdParam(int paramID) const;
    bool GetBoolParam(const char* paramName) const;
    bool GetBoolParam(int paramID) const;
    int GetIntParam(const char* paramName) const;
    int GetIntParam(int paramID) const;
    tor::pswdsstr<16> GetDBParam(const char* name) const;
    tor::pswdsstr<16> GetPswdDBParam(const char* name) const;
    bool GetBoolDBParam(const char* name) const;
    tor::pswdsstr<16> YesString() const;
    tor::pswdsstr<16> NoString() const;

    // --- the logged user (the last one after a logout; empty before) ---
    tor::pswdsstr<16> UserName() const;
    tor::pswdsstr<50> UserFullName() const;
    tor::pswdsstr<16> UserPasswd() const;
    int UserID() const;
    int GroupID() const;
    SecPasswdOption UserAllowChangePswd() const;
    SecPasswdOption UserAllowNullPasswd() const;
    SecPasswdOption UserNoChPswdAtLogin() const;
    SecPasswdOption UserAccountEnabled() const;
    SecPasswdOption UserPasswdControl() const;
    bool GroupAllowChangePswd() const;
    bool GroupAllowNullPasswd() const;
    bool GroupNoChPswdAtLogin() const;
    bool GroupAccountEnabled() const;
    bool GroupPasswdControl() const;
    bool GroupForceAddMod() const;
    bool GetAllowChangePswd() const;
    bool GetAllowNullPasswd() const;
    bool GetNoChPswdAtLogin() const;
    bool GetAccountEnabled() const;
    bool GetPasswdControl() const;

    // --- login forwarders (false / nothing when unbound) ---
    bool PrepareLogin();
    bool PrepareLoginWindow(const char* dialogText);
    void PostLogin();
    void Logout();
    bool Logged() const;
    bool AutoLogin();
    bool Login();
    bool Login(SecAutoLoginType type);
    bool Login(const char* user, const char* passwd);
    bool Login(const char* connectFailMsg, const char* retryMsg, const char* invalidCaption,
        const char* dialogText);
    static bool PrepareLogin(TSecurity* security);
    static bool PrepareLoginWindow(TSecurity* security, const char* dialogText);
    static void PostLogin(TSecurity* security);
    static void Logout(TSecurity* security);
    static bool Logged(TSecurity* security);
    static bool AutoLogin(TSecurity* security);
    static bool Login(TSecurity* security);
    static bool Login(TSecurity* security, SecAutoLoginType type);
    static bool Login(TSecurity* security, const char* user, const char* passwd);
    static bool Login(TSecurity* security, const char* connectFailMsg, const char* retryMsg,
        const char* invalidCaption, const char* dialogText);

    // --- administration forwarders ---
    void ShowDlg(SecDlgDecoder decoder, bool flag);
    void ShowSmpDlg(SecDlgDecoder decoder, bool flag);
    static void ShowDlg(TSecurity* security, SecDlgDecoder decoder, bool flag);
    static void ShowSmpDlg(TSecurity* security, SecDlgDecoder decoder, bool flag);
    TSecParamEd* ModifyStart(const tor::pswdsstr<16>& key);
    void ModifyEnd(TSecParamEd* editor);

    // --- registration (login type after the common seven arguments) ---
    // Type 0 (none).
    static TSecurity* AddSecurity(const char* appName, const char* database,
        const char* providerKey, const char* providerName, void* providerOptions,
        const char* dbUser, const char* dbPasswd, EncoderHook encoder, bool autoLogin);
    // Type 2 (dialog).
    static TSecurity* AddSecurity(const char* appName, const char* database,
        const char* providerKey, const char* providerName, void* providerOptions,
        const char* dbUser, const char* dbPasswd, const char* dialogText, EncoderHook encoder,
        bool autoLogin);
    // Type 1 (silent).
    static TSecurity* AddSecurity(const char* appName, const char* database,
        const char* providerKey, const char* providerName, void* providerOptions,
        const char* dbUser, const char* dbPasswd, const char* user, const char* passwd,
        EncoderHook encoder, bool autoLogin);
    // Type 3 (dialog with retry).
    static TSecurity* AddSecurity(const char* appName, const char* database,
        const char* providerKey, const char* providerName, void* providerOptions,
        const char* dbUser, const char* dbPasswd, const char* connectFailMsg, const char* retryMsg,
        const char* invalidCaption, const char* dialogText, EncoderHook encoder, bool autoLogin);
    // Type 4 (callback).
    static TSecurity* AddSecurity(const char* appName, const char* database,
        const char* providerKey, const char* providerName, void* providerOptions,
        const char* dbUser, const char* dbPasswd, SecLoginCallback loginCallback,
        void* callbackData, bool autoLogin);

    // The five forms with the options as text (a string literal or another
    // const char*); the security keeps its own copy of the text.
    template<ProviderOptionsText Options>
    static TSecurity* AddSecurity(const char* appName, const char* database,
        const char* providerKey, const char* providerName, Options providerOptions,
        const char* dbUser, const char* dbPasswd, EncoderHook encoder, bool autoLogin)
    {
        return KeepOptionsText(AddSecurity(appName, database, providerKey, providerName, nullptr,
                                   dbUser, dbPasswd, encoder, autoLogin),
            providerOptions);
    }
    template<ProviderOptionsText Options>
    static TSecurity* AddSecurity(const char* appName, const char* database,
        const char* providerKey, const char* providerName, Options providerOptions,
        const char* dbUser, const char* dbPasswd, const char* dialogText, EncoderHook encoder,
        bool autoLogin)
    {
        return KeepOptionsText(AddSecurity(appName, database, providerKey, providerName, nullptr,
                                   dbUser, dbPasswd, dialogText, encoder, autoLogin),
            providerOptions);
    }
    template<ProviderOptionsText Options>
    static TSecurity* AddSecurity(const char* appName, const char* database,
        const char* providerKey, const char* providerName, Options providerOptions,
        const char* dbUser, const char* dbPasswd, const char* user, const char* passwd,
        EncoderHook encoder, bool autoLogin)
    {
        return KeepOptionsText(AddSecurity(appName, database, providerKey, providerName, nullptr,
                                   dbUser, dbPasswd, user, passwd, encoder, autoLogin),
            providerOptions);
    }
    template<ProviderOptionsText Options>
    static TSecurity* AddSecurity(const char* appName, const char* database,
        const char* providerKey, const char* providerName, Options providerOptions,
        const char* dbUser, const char* dbPasswd, const char* connectFailMsg, const char* retryMsg,
        const char* invalidCaption, const char* dialogText, EncoderHook encoder, bool autoLogin)
    {
        return KeepOptionsText(
            AddSecurity(appName, database, providerKey, providerName, nullptr, dbUser, dbPasswd,
                connectFailMsg, retryMsg, invalidCaption, dialogText, encoder, autoLogin),
            providerOptions);
    }
    template<ProviderOptionsText Options>
    static TSecurity* AddSecurity(const char* appName, const char* database,
        const char* providerKey, const char* providerName, Options providerOptions,
        const char* dbUser, const char* dbPasswd, SecLoginCallback loginCallback,
        void* callbackData, bool autoLogin)
    {
        return TSecurity::AddSecurity(appName, database, providerKey, providerName, providerOptions,
            dbUser, dbPasswd, loginCallback, callbackData, autoLogin);
    }

    // Destroys the security named `name` (bound rights objects must be gone);
    // false when there is none.
    static bool DeleteSecurity(const char* name);
    static TSecurity* FindSecurity(const char* name);
    static void SetPasswdDecoder(PasswdDecoder decoder);
    // The host's main window: owns every dialog and message box of the library.
    static void SetAppHWnd(void* hwnd);
    static void SetMDIClient(void* client);
    static void* GetMDIClient();

private:
    static TSecurity* KeepOptionsText(TSecurity* security, const char* options)
    {
        security->SetProviderOptionsText(options);
        return security;
    }
    void Rebind(TSecurity* security);
    TSecDModFrm* LoggedModule() const noexcept;

    TSecurity* security_ = nullptr;
};

class TSecRights : public TSecRightsBase {
public:
    using TSecRightsBase::TSecRightsBase;
    TSecRights(const TSecRights&) = default;
    TSecRights& operator=(const TSecRights&) = default;
};

class TSecStdRights : public TSecRightsBase {
public:
    using TSecRightsBase::TSecRightsBase;
    TSecStdRights(const TSecStdRights&) = default;
    TSecStdRights& operator=(const TSecStdRights&) = default;
};

} // namespace Security
