#pragma once
// Database providers: the provider object every provider library creates
// through its one export SecObjectFactory, the request records handed to it,
// and the factory procedure's contract.
//
// A provider library exports `extern "C" SecFactoryProc SecObjectFactory()`.
// The factory procedure takes (name, command, request):
//   command 7 (create): request is a TSecFactoryRequest; constructs the
//     registered class whose name equals `name` byte for byte, calls its
//     Create(name) and sets its owner; null when no name matches.
//   command 8 (destroy): deletes request->Provider (if not null); null.
//   any other command: nothing; null.
// Write a provider's factory.cpp with WARDLOCK_PROVIDER_FACTORY below.

#include <wardlock/security.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace vcl {
class TComponent;
class TStrings;
} // namespace vcl

namespace Security {

class TSecDModFrm;
class TSecDModSmpDlgBaseFrm;
class TSecDModDlgBaseFrm;

// The factory procedure's commands that create (7) and delete (8) a provider object.
inline constexpr unsigned char secFactoryCreate = 7;
inline constexpr unsigned char secFactoryDestroy = 8;

// Factory commands 7 and 8. The first word is always the owner.
struct TSecFactoryRequest {
    // The security the provider works for (not owned).
    TSecurity* Owner = nullptr;
    DBProviderBase* Provider = nullptr; // command 8: the object to delete
};

// CreateDataModule: the data module's name (the security's component name),
// the database (alias or connection template) and the database user.
struct TSecDModRequest {
    // The security the data module works for (not owned).
    TSecurity* Owner = nullptr;
    const char* Name = nullptr;
    const char* Database = nullptr;
    const char* DBUser = nullptr;
};

// CreateSmpDlgModule / CreateDlgModule: the user and group to administer
// (-1 each for all).
struct TSecAdmRequest {
    // The security whose administrator asks (not owned).
    TSecurity* Owner = nullptr;
    int UserID = -1;
    int GroupID = -1;
};

// DestroyObject: an object this provider (or its administration sibling) made.
struct TSecDestroyRequest {
    // The security the object was made for (not owned).
    TSecurity* Owner = nullptr;
    vcl::TComponent* Object = nullptr;
};

// The type of a provider library's exported SecObjectFactory.
using SecObjectFactoryFn = SecFactoryProc (*)();

// A database provider: made by a provider library's factory procedure, it makes and destroys the
// data modules of one engine. The security that asked for it keeps it until the process ends; the
// library that made it deletes it (command 8).
class DBProviderBase {
public:
    DBProviderBase();
    // Gives the administration sibling back and unloads its library.
    virtual ~DBProviderBase();
    DBProviderBase(const DBProviderBase&) = delete;
    DBProviderBase& operator=(const DBProviderBase&) = delete;

    // The factory's virtual constructor: initialises the fields and keeps
    // the registered name. Providers that read options create the options
    // list here (CreateOptionsList).
    virtual void Create(const char* registeredName);
    // Creates the runtime data module (owned by the request's security, given back through
    // DestroyObject); null when the provider cannot. The base makes none.
    virtual TSecDModFrm* CreateDataModule(const TSecDModRequest& request);
    // Create the simple and the full administration data module for the request's user and group
    // (given back through DestroyObject); null when the provider has no administration. The base
    // makes none.
    virtual TSecDModSmpDlgBaseFrm* CreateSmpDlgModule(const TSecAdmRequest& request);
    virtual TSecDModDlgBaseFrm* CreateDlgModule(const TSecAdmRequest& request);
    // Deletes the request's object.
    virtual void DestroyObject(const TSecDestroyRequest& request);
    // Keeps the text; with an options list, replaces its content by the text
    // read as comma-separated name=value items (blanks around each item
    // trimmed, empty items skipped). A null text counts as empty. True.
    virtual bool SetOptions(const char* options);

    // The name the factory registered the provider under.
    const std::string& RegisteredName() const noexcept { return registeredName_; }
    // The security the provider works for (not owned).
    TSecurity* Owner() const noexcept { return owner_; }
    void SetOwner(TSecurity* owner) noexcept { owner_ = owner; }
    // The options text as last set.
    const std::string& OptionsText() const noexcept { return optionsText_; }
    // The parsed options; null for providers that read none.
    const vcl::TStrings* Options() const noexcept { return options_; }
    // The value of option `name` ("" when absent; names without regard to case).
    std::string Option(const std::string& name) const;
    DBProviderBase* SiblingProvider() const noexcept { return siblingProvider_; }
    std::uint16_t SiblingCount() const noexcept { return siblingCount_; }
    const std::string& HostDirectory() const noexcept { return hostDirectory_; }
    // Overrides the folder the sibling is loaded from (the running program's
    // folder by default).
    void SetHostDirectory(const std::string& folder) { hostDirectory_ = folder; }

protected:
    // Makes the options list that SetOptions fills (providers that read options call it in Create).
    void CreateOptionsList();
    // Loads the administration sibling library `file` (e.g.
    // "wardkeeperbde5.dll") from the host directory, falling back to the
    // Wardlock library folder, and creates its provider under the registered
    // name + "Adm". Returns the sibling provider or null.
    DBProviderBase* LoadSibling(const char* file);
    // Gives the sibling provider back to its library and unloads it.
    void UnloadSibling() noexcept;
    // One more, or one fewer, live object made by the sibling; the library
    // is unloaded when the last one is destroyed.
    void SiblingObjectCreated() noexcept;
    void SiblingObjectDestroyed(const TSecDestroyRequest& request);

private:
    void* siblingModule_ = nullptr;
    SecFactoryProc siblingFactory_ = nullptr;
    std::uint16_t siblingCount_ = 0;
    vcl::TStrings* options_ = nullptr;
    std::string optionsText_;
    DBProviderBase* siblingProvider_ = nullptr;
    TSecurity* owner_ = nullptr;
    std::string hostDirectory_;
    std::string registeredName_;
};

// The shared behaviour of the runtime providers: they delete their own data
// modules and hand the administration modules to the sibling library
// `SiblingFile()` that made them.
template<class DataModule> class TRuntimeDBProvider : public DBProviderBase {
public:
    TSecDModSmpDlgBaseFrm* CreateSmpDlgModule(const TSecAdmRequest& request) override
    {
        return ForwardToSibling(request, &DBProviderBase::CreateSmpDlgModule);
    }
    TSecDModDlgBaseFrm* CreateDlgModule(const TSecAdmRequest& request) override
    {
        return ForwardToSibling(request, &DBProviderBase::CreateDlgModule);
    }
    void DestroyObject(const TSecDestroyRequest& request) override
    {
        if (!request.Object)
            return;
        if (dynamic_cast<DataModule*>(request.Object)) {
            delete request.Object;
            return;
        }
        SiblingObjectDestroyed(request);
    }

protected:
    // The file name of the administration sibling library, e.g. "wardkeeperbde5.dll".
    virtual const char* SiblingFile() const = 0;

private:
    template<class Module>
    Module* ForwardToSibling(
        const TSecAdmRequest& request, Module* (DBProviderBase::*create)(const TSecAdmRequest&))
    {
        const bool loaded = SiblingCount() != 0;
        DBProviderBase* sibling = LoadSibling(SiblingFile());
        if (!sibling)
            return nullptr;
        Module* module = (sibling->*create)(request);
        // Loading counted the first object; count each further one, so the
        // library stays while any of them lives.
        if (module && loaded)
            SiblingObjectCreated();
        return module;
    }
};

// Creates the provider `name` through the SecObjectFactory of `library` (a
// loaded provider library), owned by `owner`; its factory procedure goes to
// `factory`. Null when the library has no factory or the factory makes no
// such provider.
DBProviderBase* SecCreateProvider(
    void* library, const char* name, TSecurity* owner, SecFactoryProc& factory) noexcept;

// One entry of a provider library's table of registered classes.
struct TSecProviderClass {
    // The provider name the factory procedure answers to, and how to make one.
    const char* Name;
    DBProviderBase* (*Make)();
};

// Makes a provider of class `Provider`, for a TSecProviderClass table.
template<class Provider> DBProviderBase* MakeProvider()
{
    return new Provider;
}

// The factory procedure's work over a table of registered classes (see the
// top of this file). Never throws; null-safe.
void* SecFactoryDispatch(const TSecProviderClass* table, std::size_t count, const char* name,
    unsigned char command, void* request) noexcept;

} // namespace Security

// Defines the library's factory procedure over `table` (an array of
// TSecProviderClass) and exports SecObjectFactory returning it.
#define WARDLOCK_PROVIDER_FACTORY(table)                                                           \
    namespace {                                                                                    \
    void* WardlockFactoryProc(const char* name, unsigned char command, void* request)              \
    {                                                                                              \
        return ::Security::SecFactoryDispatch(                                                     \
            table, sizeof(table) / sizeof((table)[0]), name, command, request);                    \
    }                                                                                              \
    }                                                                                              \
    extern "C" __attribute__((visibility("default"))) ::Security::SecFactoryProc                   \
    SecObjectFactory()                                                                             \
    {                                                                                              \
        return &WardlockFactoryProc;                                                               \
    }
