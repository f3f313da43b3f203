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

// What an application holds: a rights object bound to one registered
// security (see TSecRights). It does not own the security; the first object
// bound logs the user in, the last one unbound logs out.
class TSecRightsBase {
public:
    // Binds by name (unbound when no security has that name) or to
    // `security` (unbound when null). The first binding of a security logs
    // in automatically; a failed login throws ESecAutoLoginFailed.
    explicit TSecRightsBase(const char* name);
    explicit TSecRightsBase(TSecurity* security);
    // Binds to the same security and copies Mask.
    TSecRightsBase(const TSecRightsBase& other);
    // Copies Mask, then binds to the other's security.
    TSecRightsBase& operator=(const TSecRightsBase& other);
    // Unbinds; the last rights object of a security logs out.
    ~TSecRightsBase();

    // Unbinds, then binds by name or to `security`; true when bound
    // afterwards. May throw ESecAutoLoginFailed, as the constructors.
    bool Bind(const char* name);
    void Bind(TSecurity* security);
    // True while a security is bound.
    bool Binded() const noexcept { return security_ != nullptr; }
    // The bound security (not owned), or null.
    TSecurity* Security() const noexcept { return security_; }

    // Rights mask of the last GetRight on this object.
    mutable SecRightsMask Mask = 0;

    // --- queries ---
    // The logged user's rights on a form, by name or by FormID: the mask
    // (srView, srInsert, srModify, srDelete) lands in Mask; returns the
    // FormID (the name form: -1, mask 0, for a form the database lacks).
    int GetRight(const char* formName) const;
    int GetRight(int formID) const;
    // A parameter's value for the logged user, by name or ParamID, cut to 16
    // characters; empty for a parameter the database lacks.
    tor::pswdsstr<16> GetParam(const char* paramName) const;
    tor::pswdsstr<16> GetParam(int paramID) const;
    // A password-type parameter's value as stored (encoded raw bytes).
    tor::pswdsstr<16> GetPswdParam(const char* paramName) const;
    tor::pswdsstr<16> GetPswdParam(int paramID) const;
    // True when the parameter's value equals YesString exactly.
    bool GetBoolParam(const char* paramName) const;
    bool GetBoolParam(int paramID) const;
    // The parameter's value as a 32-bit integer; -2147483648 when it is none.
    int GetIntParam(const char* paramName) const;
    int GetIntParam(int paramID) const;
    // A database-wide setting (table SecurityParams), cut to 16 characters.
    tor::pswdsstr<16> GetDBParam(const char* name) const;
    // A password-type database-wide setting as stored.
    tor::pswdsstr<16> GetPswdDBParam(const char* name) const;
    // True when the database-wide setting equals YesString exactly.
    bool GetBoolDBParam(const char* name) const;
    // The texts meaning yes and no in this security database.
    tor::pswdsstr<16> YesString() const;
    tor::pswdsstr<16> NoString() const;

    // --- the logged user ---
    // The logged user's record: login name, full name (50 characters), stored
    // password, IDs, his own five policy values (SecPasswdOption), his
    // group's, and the effective ones (Get...). After a logout they keep the
    // last user; before the first login they are empty texts and zeros.
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

    // --- login forwarders ---
    // TSecurity's login steps on the bound security (the static twins on
    // `security`): false, or nothing, when unbound.
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
    // The full and the simple administration dialog on the bound security
    // (the static twins on `security`); nothing when unbound.
    void ShowDlg(SecDlgDecoder decoder, bool flag);
    void ShowSmpDlg(SecDlgDecoder decoder, bool flag);
    static void ShowDlg(TSecurity* security, SecDlgDecoder decoder, bool flag);
    static void ShowSmpDlg(TSecurity* security, SecDlgDecoder decoder, bool flag);
    // TSecurity::ModifyStart and ModifyEnd on the bound security; null when
    // unbound.
    TSecParamEd* ModifyStart(const tor::pswdsstr<16>& key);
    void ModifyEnd(TSecParamEd* editor);

    // --- registration ---
    // Registers a security and returns it; the library owns it. The seven
    // common values: the security's name (an identifier, unique without
    // regard to case; otherwise the component error is thrown and nothing is
    // registered), the database (alias, data source), the provider key of the
    // provider table and the provider's name, its options, and the database
    // account. The login type follows from the overload. This one: type 0
    // (none).
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
    // The security registered as `name` (case-sensitive), or null.
    static TSecurity* FindSecurity(const char* name);
    // Replaces the decoder of the database account's password (null: the
    // built-in one, which takes the text as it is).
    static void SetPasswdDecoder(PasswdDecoder decoder);
    // The host's main window: owns every dialog and message box of the library.
    static void SetAppHWnd(void* hwnd);
    // The host's MDI client window, kept for the administration module.
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

// The rights object applications hold (see TSecRightsBase).
class TSecRights : public TSecRightsBase {
public:
    // Constructors and copies as TSecRightsBase's.
    using TSecRightsBase::TSecRightsBase;
    TSecRights(const TSecRights&) = default;
    TSecRights& operator=(const TSecRights&) = default;
};

// The same rights object for programs that expect the standard calling
// convention (this platform has one only).
class TSecStdRights : public TSecRightsBase {
public:
    // Constructors and copies as TSecRightsBase's.
    using TSecRightsBase::TSecRightsBase;
    TSecStdRights(const TSecStdRights&) = default;
    TSecStdRights& operator=(const TSecStdRights&) = default;
};

} // namespace Security
