// The registry of securities, the provider table, provider loading, binding,
// the administration module's entry points and the user record updates.

#include <wardlock/security.h>

#include "core_module.h"
#include "text_cut.h"

#include <wardlock/adminexports.h>
#include <wardlock/connectiontemplate.h>
#include <wardlock/data/strings.h>
#include <wardlock/datamodule.h>
#include <wardlock/logindialog.h>
#include <wardlock/platform/library.h>
#include <wardlock/platform/settings.h>
#include <wardlock/provider.h>

#include <QCoreApplication>

#include <cstdlib>
#include <exception>
#include <memory>
#include <type_traits>

namespace Security {

// ------------------------------------------------------------------ TSecurities

std::size_t TSecurities::Count() const noexcept
{
    std::size_t n = 0;
    for (Node* node = first_; node; node = node->Next)
        ++n;
    return n;
}

TSecurities::Position TSecurities::Append(TSecurity* security)
{
    auto* node = new Node { security, nullptr, last_ };
    if (last_)
        last_->Next = node;
    else
        first_ = node;
    last_ = node;
    return node;
}

void TSecurities::Remove(Position node) noexcept
{
    if (!node)
        return;
    (node->Prev ? node->Prev->Next : first_) = node->Next;
    (node->Next ? node->Next->Prev : last_) = node->Prev;
    delete node;
}

void TSecurities::Clear() noexcept
{
    while (first_)
        Remove(first_);
}

// ---------------------------------------------------------- class-wide members

TSecurities TSecurity::SecList;
vcl::TStrings* TSecurity::DBProvs = nullptr;
PasswdDecoder TSecurity::DecodePasswd = &TSecurity::SimpleDecodePasswd;
void* TSecurity::MDIClient = nullptr;

namespace {

const char* const kWardlockKey = "\\Software\\Torvane\\Wardlock";
const char* const kProvidersSection = "DBProviders";

void LoadProviderTable(vcl::TStrings& table)
{
    try {
        vcl::TRegistry registry(vcl::TRootKey::LocalMachine);
        if (!registry.OpenKey(kWardlockKey, false) || !registry.OpenKey(kProvidersSection, false))
            return;
        for (const std::string& key : registry.GetValueNames())
            table.Add(key + "=" + registry.ReadString(key));
    } catch (const std::exception&) {
        // An unreadable store is an empty table: every provider load then fails.
    }
}

// Library load and unload. The application object is made first, so that it
// outlives the securities it owns when the library goes away.
struct LibraryLifetime {
    LibraryLifetime()
    {
        detail::Application();
        TSecurity::SecList.Clear();
        TSecurity::DBProvs = new vcl::TStrings;
        LoadProviderTable(*TSecurity::DBProvs);
    }
    ~LibraryLifetime()
    {
        delete TSecurity::DBProvs;
        TSecurity::DBProvs = nullptr;
        while (!TSecurity::SecList.Empty())
            delete TSecurity::SecList.First()->Security; // unlinks itself
        TSecurity::SecList.Clear();
    }
};

const LibraryLifetime libraryLifetime;

// Qt SQL's registry of connections is a global object that the process
// destroys at exit, before this library's unload destroys the securities: it
// is made later, with the first connection. So every data module, and with it
// its connection, is given back while Qt SQL still exists: when the
// application object is destroyed (a Qt post-routine) or, in a program
// without one, by an exit handler made after the first connection, which
// runs before Qt SQL's own. The securities stay until the unload.
bool postRoutinePending = false;

void CloseEveryConnection()
{
    postRoutinePending = false;
    for (auto node = TSecurity::SecList.First(); node; node = node->Next)
        node->Security->Logout();
}

} // namespace

void detail::ArrangeConnectionClosing()
{
    static const bool exitHandlerMade = std::atexit(&CloseEveryConnection) == 0;
    (void)exitHandlerMade;
    if (QCoreApplication::instance() && !postRoutinePending) {
        qAddPostRoutine(&CloseEveryConnection);
        postRoutinePending = true;
    }
}

namespace {

// One call into the administration module: loaded for the call, released
// afterwards. An exception of the module's code is shown here, while the
// module (and so the exception's code) is still loaded.
class AdminModuleCall {
public:
    AdminModuleCall()
        : module_(detail::LoadAdminModule())
    {
    }
    ~AdminModuleCall() { vcl::FreeLibrary(module_); }
    AdminModuleCall(const AdminModuleCall&) = delete;
    AdminModuleCall& operator=(const AdminModuleCall&) = delete;

    // Calls the export `exportName` (of type Proc) with `args`; the result
    // type's empty value when the module or the export is missing.
    template<class Proc, class... Args>
    auto Call(const char* exportName, Args... args) -> std::invoke_result_t<Proc, Args...>
    {
        using Result = std::invoke_result_t<Proc, Args...>;
        if (auto proc = reinterpret_cast<Proc>(vcl::GetProcAddress(module_, exportName))) {
            try {
                return proc(args...);
            } catch (const std::exception& error) {
                detail::Application().ShowException(error);
            } catch (...) {
            }
        }
        if constexpr (!std::is_void_v<Result>)
            return Result {};
    }

private:
    void* module_;
};

} // namespace

void* detail::LoadAdminModule()
{
    // The system's search order, which starts with LD_LIBRARY_PATH and then
    // takes this library's own folder (RUNPATH); never the current directory.
    return vcl::LoadLibraryBySystemSearch("wardkeeper5.dll");
}

char* TSecurity::SimpleDecodePasswd(const char* stored, char* out) noexcept
{
    return ::Security::SimpleDecodePasswd(stored, out);
}

bool TSecurity::CheckModifyKey(const tor::pswdsstr<16>& key) noexcept
{
    return ::Security::CheckModifyKey(key);
}

// ------------------------------------------------------------- construction

TSecurity::TSecurity(vcl::TComponent* owner, const char* appName, const char* database,
    const char* providerKey, const char* providerName, void* providerOptions, const char* dbUser,
    const char* dbPasswd, bool autoLogin)
    : vcl::TComponent(owner)
    , providerKey_(detail::Text(providerKey))
    , providerName_(detail::Text(providerName))
    , providerOptions_(providerOptions)
    , database_(ado::StoredTemplate(database))
    , dbUser_(detail::Text(dbUser))
    , dbPasswd_(detail::Text(dbPasswd))
    , bindCount_(autoLogin ? 0 : -1)
{
    // Throws on an invalid or duplicate name; the component then leaves its
    // owner again and nothing is registered.
    SetName(detail::Text(appName));
    node_ = SecList.Append(this);
}

TSecurity::TSecurity(vcl::TComponent* owner, const char* providerKey, const char* providerName,
    void* providerOptions)
    : vcl::TComponent(owner)
    , providerKey_(detail::Text(providerKey))
    , providerName_(detail::Text(providerName))
    , providerOptions_(providerOptions)
{
    node_ = SecList.Append(this);
}

TSecurity::~TSecurity()
{
    SecList.Remove(node_);
    node_ = nullptr;
    // The data module was made by the provider library: give it back there.
    DestroyDataModule();
    // A dialog cannot be destroyed once the widget application is gone (the
    // library is being unloaded at exit); it is left to the process's end.
    if (loginDialog_ && !QCoreApplication::instance())
        loginDialog_->SetOwner(nullptr);
    loginDialog_ = nullptr;
    // The provider object and its library stay for the life of the process.
}

TSecurity* TSecurity::AddSecurity(const char* appName, const char* database,
    const char* providerKey, const char* providerName, void* providerOptions, const char* dbUser,
    const char* dbPasswd, SecLoginCallback loginCallback, void* callbackData, bool autoLogin)
{
    auto* security = new TSecurity(&detail::Application(), appName, database, providerKey,
        providerName, providerOptions, dbUser, dbPasswd, autoLogin);
    security->SetCallbackLogin(loginCallback, callbackData);
    return security;
}

void TSecurity::SetProviderOptionsText(const char* options)
{
    providerOptionsText_ = detail::Text(options);
    providerOptions_ = options ? providerOptionsText_.data() : nullptr;
}

void TSecurity::SetSilentLogin(const char* user, const char* passwd)
{
    autoLoginUser_ = detail::Text(user);
    autoLoginPasswd_ = detail::Text(passwd);
    loginType_ = saltSilent;
}

void TSecurity::SetDialogLogin(const char* dialogText)
{
    dialogText_ = detail::Text(dialogText);
    loginType_ = saltDialog;
}

void TSecurity::SetRetryLogin(const char* connectFailMsg, const char* retryMsg,
    const char* invalidCaption, const char* dialogText)
{
    connectFailMsg_ = detail::Text(connectFailMsg);
    retryMsg_ = detail::Text(retryMsg);
    invalidCaption_ = detail::Text(invalidCaption);
    dialogText_ = detail::Text(dialogText);
    loginType_ = saltDialogRetry;
}

void TSecurity::SetCallbackLogin(SecLoginCallback callback, void* data) noexcept
{
    loginCallback_ = callback;
    callbackData_ = data;
    loginType_ = saltCallback;
}

TSecurities::Position TSecurity::FindSecurity(const char* name)
{
    if (!name)
        return nullptr;
    for (auto node = SecList.First(); node; node = node->Next)
        if (node->Security && node->Security->Name() == name)
            return node;
    return nullptr;
}

// ------------------------------------------------------------------ provider

bool TSecurity::GetDBProvider(
    const char* providerKey, const char* providerName, void* providerOptions)
{
    if (provider_)
        return true;
    try {
        if (!providerKey || !DBProvs)
            return false;
        const std::string file = DBProvs->Values(providerKey);
        if (file.empty())
            return false;
        void* library = vcl::LoadLibrary(file);
        if (!library)
            return false;
        SecFactoryProc factory = nullptr;
        DBProviderBase* provider = SecCreateProvider(library, providerName, this, factory);
        if (!provider) {
            // Nothing of the library is in use: do not keep it.
            vcl::FreeLibrary(library);
            return false;
        }
        providerLibrary_ = library;
        factory_ = factory;
        provider_ = provider;
        provider_->SetOptions(static_cast<const char*>(providerOptions));
        return true;
    } catch (...) {
        return false;
    }
}

void TSecurity::DestroyDataModule() noexcept
{
    TSecDModFrm* module = dataModule_;
    dataModule_ = nullptr;
    if (!module)
        return;
    try {
        if (provider_)
            provider_->DestroyObject(TSecDestroyRequest { this, module });
        else
            delete module;
    } catch (...) {
        // The data module is gone either way; a failing disconnect changes nothing.
    }
}

// ------------------------------------------------------------------- binding

void TSecurity::Unbind() noexcept
{
    if (bindCount_ <= 0)
        return;
    if (--bindCount_ == 0 && dataModule_) {
        try {
            dataModule_->Logout();
        } catch (...) {
        }
        DestroyDataModule();
    }
}

void TSecurity::BindAndLogin()
{
    if (bindCount_ == -1)
        return;
    ++bindCount_;
    if (!Logged() && !AutoLogin())
        throw ESecAutoLoginFailed("Automatic login to the security \"" + Name() + "\" failed");
}

// ---------------------------------------------------- administration module

void TSecurity::ShowDlg(SecDlgDecoder decoder, bool flag)
{
    if (!Logged())
        return;
    AdminModuleCall module;
    module.Call<ShowDlgProc>("ShowDlg", this, detail::Application().Handle(), decoder, flag);
}

void TSecurity::ShowSmpDlg(SecDlgDecoder decoder, bool flag)
{
    if (!Logged())
        return;
    AdminModuleCall module;
    module.Call<ShowSmpDlgProc>("ShowSmpDlg", this, detail::Application().Handle(), user_.UserID,
        user_.GroupID, decoder, flag);
}

void TSecurity::ShowChPasswdDlg()
{
    if (!Logged())
        return;
    AdminModuleCall module;
    module.Call<ShowChPasswdDlgProc>(
        "ShowChPasswdDlg", this, detail::Application().Handle(), user_.UserID, user_.GroupID);
}

void TSecurity::ShowForceChPasswdDlg()
{
    if (!Logged())
        return;
    AdminModuleCall module;
    module.Call<ShowForceChPasswdDlgProc>(
        "ShowForceChPasswdDlg", this, detail::Application().Handle(), user_.UserID, user_.GroupID);
}

TSecParamEd* TSecurity::ModifyStart(const tor::pswdsstr<16>& key)
{
    // The key first: a wrong key loads nothing.
    if (!CheckModifyKey(key) || !Logged())
        return nullptr;
    AdminModuleCall module;
    return module.Call<ModifyStartProc>("ModifyStart", this, detail::Application().Handle());
}

void TSecurity::ModifyEnd(TSecParamEd* editor)
{
    AdminModuleCall module;
    module.Call<ModifyEndProc>("ModifyEnd", this, detail::Application().Handle(), editor);
}

// -------------------------------------------------------------- user record

void TSecurity::SetUserInfo(const tor::pswdsstr<16>& passwd, const char* name, const char* fullName,
    SecPasswdOption allowChangePswd, SecPasswdOption allowNullPasswd,
    SecPasswdOption noChPswdAtLogin, SecPasswdOption accountEnabled, SecPasswdOption passwdControl)
{
    user_.Passwd = passwd;
    user_.Name = tor::pswdsstr<16>(name);
    user_.FullName = detail::Text(fullName);
    user_.AllowChangePswd = allowChangePswd;
    user_.AllowNullPasswd = allowNullPasswd;
    user_.NoChPswdAtLogin = noChPswdAtLogin;
    user_.AccountEnabled = accountEnabled;
    user_.PasswdControl = passwdControl;
}

void TSecurity::SetGroupInfo(bool allowChangePswd, bool allowNullPasswd, bool noChPswdAtLogin,
    bool accountEnabled, bool passwdControl)
{
    user_.GroupAllowChangePswd = allowChangePswd;
    user_.GroupAllowNullPasswd = allowNullPasswd;
    user_.GroupNoChPswdAtLogin = noChPswdAtLogin;
    user_.GroupAccountEnabled = accountEnabled;
    user_.GroupPasswdControl = passwdControl;
}

} // namespace Security
