// DBProviderBase (options, the administration sibling) and the factory
// procedure's dispatch over a provider library's table of registered classes.

#include <wardlock/provider.h>

#include <wardlock/data/strings.h>
#include <wardlock/platform/library.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstring>
#include <memory>

namespace Security {

namespace {

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// The running program's folder with a trailing separator.
std::string ProgramFolder()
{
    QString folder;
    if (QCoreApplication::instance())
        folder = QCoreApplication::applicationDirPath();
    else
        folder
            = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(u'/', 0, -2);
    if (folder.isEmpty())
        return {};
    return QDir::cleanPath(folder).toStdString() + "/";
}

} // namespace

DBProviderBase::DBProviderBase() = default;

DBProviderBase::~DBProviderBase()
{
    UnloadSibling();
    delete options_;
}

void DBProviderBase::Create(const char* registeredName)
{
    registeredName_ = registeredName ? registeredName : "";
}

void DBProviderBase::CreateOptionsList()
{
    if (!options_)
        options_ = new vcl::TStrings;
}

TSecDModFrm* DBProviderBase::CreateDataModule(const TSecDModRequest&)
{
    return nullptr;
}

TSecDModSmpDlgBaseFrm* DBProviderBase::CreateSmpDlgModule(const TSecAdmRequest&)
{
    return nullptr;
}

TSecDModDlgBaseFrm* DBProviderBase::CreateDlgModule(const TSecAdmRequest&)
{
    return nullptr;
}

void DBProviderBase::DestroyObject(const TSecDestroyRequest& request)
{
    delete request.Object;
}

bool DBProviderBase::SetOptions(const char* options)
{
    optionsText_ = options ? options : "";
    if (!options_)
        return true;
    options_->Clear();
    std::size_t start = 0;
    while (start <= optionsText_.size()) {
        auto end = optionsText_.find(',', start);
        if (end == std::string::npos)
            end = optionsText_.size();
        const std::string item = Trimmed(optionsText_.substr(start, end - start));
        if (!item.empty()) {
            const auto equals = item.find('=');
            options_->Add(equals == std::string::npos
                    ? item
                    : Trimmed(item.substr(0, equals)) + "=" + Trimmed(item.substr(equals + 1)));
        }
        start = end + 1;
    }
    return true;
}

std::string DBProviderBase::Option(const std::string& name) const
{
    return options_ ? options_->Values(name) : std::string();
}

DBProviderBase* DBProviderBase::LoadSibling(const char* file)
{
    if (hostDirectory_.empty())
        hostDirectory_ = ProgramFolder();
    if (siblingCount_ != 0)
        return siblingProvider_;
    if (!file || !*file)
        return nullptr;
    // The program's folder first; the Wardlock library folder serves programs
    // that live elsewhere (tests, tools run from the build tree).
    void* module = hostDirectory_.empty() ? nullptr : vcl::LoadLibrary(hostDirectory_ + file);
    if (const std::string libraries = vcl::LibraryFolder(); !module && !libraries.empty())
        module = vcl::LoadLibrary(libraries + "/" + file);
    if (!module)
        return nullptr;
    SecFactoryProc factory = nullptr;
    const std::string siblingName = registeredName_ + "Adm";
    DBProviderBase* sibling = SecCreateProvider(module, siblingName.c_str(), owner_, factory);
    if (!sibling) {
        siblingProvider_ = nullptr;
        vcl::FreeLibrary(module);
        return nullptr;
    }
    siblingModule_ = module;
    siblingFactory_ = factory;
    siblingProvider_ = sibling;
    sibling->SetOptions(optionsText_.c_str());
    ++siblingCount_;
    return sibling;
}

void DBProviderBase::UnloadSibling() noexcept
{
    if (siblingProvider_ && siblingFactory_) {
        // Given back to the library that made it, before that library goes.
        TSecFactoryRequest request { owner_, siblingProvider_ };
        siblingFactory_(nullptr, secFactoryDestroy, &request);
    }
    siblingProvider_ = nullptr;
    siblingFactory_ = nullptr;
    if (siblingModule_)
        vcl::FreeLibrary(siblingModule_);
    siblingModule_ = nullptr;
    siblingCount_ = 0;
}

void DBProviderBase::SiblingObjectCreated() noexcept
{
    if (siblingCount_ < UINT16_MAX)
        ++siblingCount_;
}

void DBProviderBase::SiblingObjectDestroyed(const TSecDestroyRequest& request)
{
    if (!siblingProvider_)
        return;
    siblingProvider_->DestroyObject(request);
    if (siblingCount_ > 0 && --siblingCount_ == 0)
        UnloadSibling();
}

DBProviderBase* SecCreateProvider(
    void* library, const char* name, TSecurity* owner, SecFactoryProc& factory) noexcept
{
    auto objectFactory
        = reinterpret_cast<SecObjectFactoryFn>(vcl::GetProcAddress(library, "_SecObjectFactory"));
    factory = objectFactory ? objectFactory() : nullptr;
    TSecFactoryRequest request { owner, nullptr };
    return factory ? static_cast<DBProviderBase*>(factory(name, secFactoryCreate, &request))
                   : nullptr;
}

void* SecFactoryDispatch(const TSecProviderClass* table, std::size_t count, const char* name,
    unsigned char command, void* request) noexcept
{
    try {
        if (command == secFactoryCreate) {
            if (!name || !table)
                return nullptr;
            for (std::size_t i = 0; i < count; ++i) {
                if (!table[i].Name || std::strcmp(table[i].Name, name) != 0)
                    continue;
                std::unique_ptr<DBProviderBase> provider(table[i].Make());
                provider->Create(name);
                if (request)
                    provider->SetOwner(static_cast<TSecFactoryRequest*>(request)->Owner);
                return provider.release();
            }
            return nullptr;
        }
        if (command == secFactoryDestroy && request) {
            auto* destroy = static_cast<TSecFactoryRequest*>(request);
            delete destroy->Provider;
            destroy->Provider = nullptr;
        }
    } catch (...) {
        // Nothing crosses the library boundary as an exception.
    }
    return nullptr;
}

} // namespace Security
