#pragma once
// TSecurity: one application's connection to one security database, kept in
// the process-wide registry SecList. A security loads its database provider
// on first use, logs the user in (by the steps or automatically, by its login
// type) and counts the rights objects bound to it: the first binding logs in,
// the last unbinding logs out.

#include <wardlock/encoding.h>
#include <wardlock/platform/component.h>
#include <wardlock/pswdsstr.h>
#include <wardlock/types.h>

#include <concepts>
#include <cstddef>
#include <string>

namespace vcl {
class TStrings;
}

namespace Security {

class DBProviderBase;
class TSecDModFrm;
class TSecParamEd;
class TSecurityPasswordDlgFrm;

// The factory procedure a provider library's SecObjectFactory returns.
using SecFactoryProc = void* (*)(const char* name, unsigned char command, void* request);

// Doubly linked list of securities in registration order. A position is a node
// pointer; the null position is the end.
class TSecurities {
public:
    // One list entry; the security is not owned.
    struct Node {
        // The security (not owned) and its neighbours (null at the ends).
        TSecurity* Security = nullptr;
        Node* Next = nullptr;
        Node* Prev = nullptr;
    };
    // A node, or null for the end.
    using Position = Node*;

    TSecurities() = default;
    ~TSecurities() { Clear(); }
    TSecurities(const TSecurities&) = delete;
    TSecurities& operator=(const TSecurities&) = delete;

    // The first and the last node (null when empty).
    Position First() const noexcept { return first_; }
    Position Last() const noexcept { return last_; }
    // True when no security is registered.
    bool Empty() const noexcept { return first_ == nullptr; }
    // The number of securities (counted).
    std::size_t Count() const noexcept;

    // Appends a node for `security` (not owned) and returns it.
    Position Append(TSecurity* security);
    // Unlinks and frees the node; a null position is ignored.
    void Remove(Position node) noexcept;
    // Frees every node (the securities stay).
    void Clear() noexcept;

private:
    Node* first_ = nullptr;
    Node* last_ = nullptr;
};

// The provider options as an application writes them: a string literal or
// another const char*. The registration overloads that take them are
// templates, so that nullptr and char* still choose the void* forms.
template<class Options>
concept ProviderOptionsText = std::same_as<Options, const char*>;

// One application's connection to one security database (see the file comment). The library's
// application object owns every security; a security owns its data module and login dialog, and
// gives the data module back to the provider that made it.
class TSecurity : public vcl::TComponent {
public:
    // Registers a security with the seven common values. The component name
    // is `appName` (a valid identifier, unique among the library's securities
    // without regard to case): an invalid or duplicate name throws the
    // component framework's error and registers nothing. `autoLogin` false
    // sets the bind count to -1 (binding never logs in or out).
    TSecurity(vcl::TComponent* owner, const char* appName, const char* database,
        const char* providerKey, const char* providerName, void* providerOptions,
        const char* dbUser, const char* dbPasswd, bool autoLogin);
    // A nameless security that only knows its provider; bind count 0.
    TSecurity(vcl::TComponent* owner, const char* providerKey, const char* providerName,
        void* providerOptions);
    ~TSecurity() override;

    // Login type 4: registers a security that logs in through `loginCallback`.
    static TSecurity* AddSecurity(const char* appName, const char* database,
        const char* providerKey, const char* providerName, void* providerOptions,
        const char* dbUser, const char* dbPasswd, SecLoginCallback loginCallback,
        void* callbackData, bool autoLogin);
    // The same with the options as text; the security keeps its own copy.
    template<ProviderOptionsText Options>
    static TSecurity* AddSecurity(const char* appName, const char* database,
        const char* providerKey, const char* providerName, Options providerOptions,
        const char* dbUser, const char* dbPasswd, SecLoginCallback loginCallback,
        void* callbackData, bool autoLogin)
    {
        TSecurity* security = AddSecurity(appName, database, providerKey, providerName, nullptr,
            dbUser, dbPasswd, loginCallback, callbackData, autoLogin);
        security->SetProviderOptionsText(providerOptions);
        return security;
    }

    // The position of the first security named exactly `name` (case-sensitive),
    // or the null position.
    static TSecurities::Position FindSecurity(const char* name);

    // Loads the provider library named by the provider table under
    // `providerKey` and creates the provider object `providerName` in it.
    // True when the security holds a provider afterwards; every failure is
    // quiet (false).
    bool GetDBProvider(const char* providerKey, const char* providerName, void* providerOptions);

    // --- login (the single steps and the automatic login) ---
    bool PrepareLogin();
    bool PrepareLoginWindow(const char* dialogText);
    bool Login(const char* user, const char* passwd);
    bool Login(SecAutoLoginType type);
    // The body of login type 3.
    bool Login(const char* connectFailMsg, const char* retryMsg, const char* invalidCaption,
        const char* dialogText);
    // Shows the prepared login dialog once and logs in with what it holds;
    // false when no dialog is prepared or it is cancelled.
    bool Login();
    bool AutoLogin() { return Login(loginType_); }
    void PostLogin();
    void Logout();
    bool Logged() const noexcept;

    // --- the administration module (each call loads it, calls, unloads) ---
    void ShowDlg(SecDlgDecoder decoder, bool flag);
    void ShowSmpDlg(SecDlgDecoder decoder, bool flag);
    void ShowChPasswdDlg();
    void ShowForceChPasswdDlg();
    // Null unless `key` is the modify key and the user is logged in. The
    // caller must keep the administration module loaded until ModifyEnd.
    TSecParamEd* ModifyStart(const tor::pswdsstr<16>& key);
    void ModifyEnd(TSecParamEd* editor);

    // True when `key` is the key that opens a parameter editor (ModifyStart).
    static bool CheckModifyKey(const tor::pswdsstr<16>& key) noexcept;

    // --- user record updates (the administration module changed the user) ---
    void SetUserInfo(const tor::pswdsstr<16>& passwd, const char* name, const char* fullName,
        SecPasswdOption allowChangePswd, SecPasswdOption allowNullPasswd,
        SecPasswdOption noChPswdAtLogin, SecPasswdOption accountEnabled,
        SecPasswdOption passwdControl);
    void SetGroupInfo(bool allowChangePswd, bool allowNullPasswd, bool noChPswdAtLogin,
        bool accountEnabled, bool passwdControl);

    // --- state ---
    const std::string& ProviderKey() const noexcept { return providerKey_; }
    const std::string& ProviderName() const noexcept { return providerName_; }
    void* ProviderOptions() const noexcept { return providerOptions_; }
    const std::string& Database() const noexcept { return database_; }
    const std::string& DBUser() const noexcept { return dbUser_; }
    DBProviderBase* Provider() const noexcept { return provider_; }
    TSecDModFrm* DataModule() const noexcept { return dataModule_; }
    TSecurityPasswordDlgFrm* LoginDialog() const noexcept { return loginDialog_; }
    const TSecUser& User() const noexcept { return user_; }
    const tor::pswdsstr<16>& YesString() const noexcept { return yesString_; }
    const tor::pswdsstr<16>& NoString() const noexcept { return noString_; }
    EncoderHook Encoder() const noexcept { return encoder_; }
    SecAutoLoginType LoginType() const noexcept { return loginType_; }
    // -1: binding never logs in; 0 or more: bound rights objects.
    int BindCount() const noexcept { return bindCount_; }

    // Binding protocol of the rights objects (step 1 and step 3 of a bind).
    void Unbind() noexcept;
    // Throws ESecAutoLoginFailed when the automatic login fails.
    void BindAndLogin();

    // Registration details the AddSecurity overloads set.
    // Keeps a copy of `options` as the provider options (null: none).
    void SetProviderOptionsText(const char* options);
    void SetEncoder(EncoderHook encoder) noexcept { encoder_ = encoder; }
    void SetSilentLogin(const char* user, const char* passwd);
    void SetDialogLogin(const char* dialogText);
    void SetRetryLogin(const char* connectFailMsg, const char* retryMsg, const char* invalidCaption,
        const char* dialogText);
    void SetCallbackLogin(SecLoginCallback callback, void* data) noexcept;

    // --- class-wide members ---
    static TSecurities SecList;
    // The provider table: "key=file" lines, read once when the library loads.
    static vcl::TStrings* DBProvs;
    // The database password decoder (initially SimpleDecodePasswd).
    static PasswdDecoder DecodePasswd;
    static void* MDIClient;
    static char* SimpleDecodePasswd(const char* stored, char* out) noexcept;

private:
    void DestroyDataModule() noexcept;
    void DestroyLoginDialog() noexcept;
    // Ends a login phase: the data module's PostLogin, then no dialog.
    void EndLoginPhase();
    bool RunLoginDialog(bool& confirmed);

    void* providerLibrary_ = nullptr;
    SecFactoryProc factory_ = nullptr;
    DBProviderBase* provider_ = nullptr;
    std::string providerKey_;
    std::string providerName_;
    void* providerOptions_ = nullptr;
    // The copy providerOptions_ points at when the options came as text.
    std::string providerOptionsText_;
    std::string database_;
    std::string dbUser_;
    std::string dbPasswd_;
    EncoderHook encoder_ = nullptr;
    tor::pswdsstr<16> yesString_;
    tor::pswdsstr<16> noString_;
    TSecUser user_;
    TSecDModFrm* dataModule_ = nullptr;
    TSecurityPasswordDlgFrm* loginDialog_ = nullptr;
    int bindCount_ = 0;
    std::string autoLoginUser_;
    std::string autoLoginPasswd_;
    std::string connectFailMsg_;
    std::string retryMsg_;
    std::string invalidCaption_;
    std::string dialogText_;
    SecLoginCallback loginCallback_ = nullptr;
    void* callbackData_ = nullptr;
    SecAutoLoginType loginType_ = saltNone;

    TSecurities::Position node_ = nullptr;
};

} // namespace Security
