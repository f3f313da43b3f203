#include "wardlock/platform/settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

#include <cstdlib>

namespace vcl {

namespace {

std::string systemFolderOverride;
std::string userFolderOverride;

const char* const organisation = "Torvane";
const char* const application = "Wardlock";

QSettings::Scope qtScope(TRootKey root)
{
    return root == TRootKey::LocalMachine ? QSettings::SystemScope : QSettings::UserScope;
}

// QSettings treats '/' and '\' inside a name as group separators, so those
// (and '%', to keep the encoding reversible) are escaped before QSettings sees
// a name. Every other character, ':' included, is left to QSettings' own INI
// escaping, which round-trips it.
QString encodeName(const std::string& name)
{
    QString out;
    for (const QChar c : QString::fromStdString(name)) {
        if (c == u'%')
            out += QStringLiteral("%25");
        else if (c == u'/')
            out += QStringLiteral("%2F");
        else if (c == u'\\')
            out += QStringLiteral("%5C");
        else
            out += c;
    }
    return out;
}

std::string decodeName(const QString& stored)
{
    QString out;
    for (qsizetype i = 0; i < stored.size(); ++i) {
        const QStringView rest = QStringView(stored).mid(i, 3);
        if (rest == u"%25")
            out += u'%';
        else if (rest == u"%2F")
            out += u'/';
        else if (rest == u"%5C")
            out += u'\\';
        else {
            out += stored[i];
            continue;
        }
        i += 2;
    }
    return out.toStdString();
}

QString groupPath(const std::vector<std::string>& components)
{
    QStringList parts;
    for (const auto& c : components)
        parts << encodeName(c);
    return parts.join(u'/');
}

std::vector<std::string> splitKey(const std::string& key)
{
    std::vector<std::string> parts;
    std::string part;
    for (char c : key) {
        if (c == '\\') {
            if (!part.empty())
                parts.push_back(std::move(part));
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty())
        parts.push_back(std::move(part));
    return parts;
}

void checkValueName(const std::string& name)
{
    if (name.empty())
        throw ERegistryException("A settings value needs a name");
}

// One store opened on a key. Opened afresh for every operation, so that what
// another TRegistry or process wrote is always seen.
class Store {
public:
    Store(TRootKey root, const std::vector<std::string>& key)
        : settings_(QString::fromStdString(SettingsFileName(root)), QSettings::IniFormat)
        , path_(groupPath(key))
    {
        // QSettings parses INI sections lazily, and a group whose keys sit in
        // a section named after a deeper path ("[A/B/C]", as people write by
        // hand) is then missing from childGroups(). Parse it all up front.
        settings_.allKeys();
        if (!path_.isEmpty())
            settings_.beginGroup(path_);
    }

    QSettings& operator*() { return settings_; }
    QSettings* operator->() { return &settings_; }

    // Writes the changes to the file; throws when they could not be written.
    void Flush(const std::string& what)
    {
        settings_.sync();
        if (settings_.status() != QSettings::NoError)
            throw ERegistryException(
                "Cannot write " + what + " to " + settings_.fileName().toStdString());
    }

private:
    QSettings settings_;
    QString path_;
};

bool keyExists(TRootKey root, const std::vector<std::string>& key)
{
    if (key.empty())
        return true;
    std::vector<std::string> parent(key.begin(), key.end() - 1);
    Store store(root, parent);
    return store->childGroups().contains(encodeName(key.back()));
}

} // namespace

void SetSettingsFolders(const std::string& systemFolder, const std::string& userFolder)
{
    systemFolderOverride = systemFolder;
    userFolderOverride = userFolder;
}

std::string SettingsFileName(TRootKey root)
{
    std::string folder = root == TRootKey::LocalMachine ? systemFolderOverride : userFolderOverride;
    if (folder.empty()) {
        const char* env = std::getenv(
            root == TRootKey::LocalMachine ? "WARDLOCK_SYSTEM_CONFIG" : "WARDLOCK_USER_CONFIG");
        if (env)
            folder = env;
    }
    if (folder.empty()) {
        // Qt's standard location for the scope, without its fallbacks: the
        // system and the user scope stay separate.
        return QSettings(QSettings::IniFormat, qtScope(root), organisation, application)
            .fileName()
            .toStdString();
    }
    return QDir(QString::fromStdString(folder))
        .filePath(QStringLiteral("%1/%2.ini").arg(organisation, application))
        .toStdString();
}

void TRegistry::SetRootKey(TRootKey root)
{
    root_ = root;
    CloseKey();
}

std::vector<std::string> TRegistry::Resolve(const std::string& key) const
{
    std::vector<std::string> path
        = (!key.empty() && key[0] == '\\') ? std::vector<std::string> {} : current_;
    for (auto& part : splitKey(key))
        path.push_back(std::move(part));
    return path;
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate)
{
    std::vector<std::string> path = Resolve(key);
    if (!keyExists(root_, path)) {
        if (!canCreate || !Store(root_, {})->isWritable())
            return false;
    }
    current_ = std::move(path);
    return true;
}

std::string TRegistry::CurrentPath() const
{
    std::string path;
    for (const auto& part : current_)
        path += (path.empty() ? "" : "\\") + part;
    return path;
}

std::vector<std::string> TRegistry::GetValueNames() const
{
    std::vector<std::string> names;
    Store store(root_, current_);
    for (const QString& name : store->childKeys())
        names.push_back(decodeName(name));
    return names;
}

std::vector<std::string> TRegistry::GetKeyNames() const
{
    std::vector<std::string> names;
    Store store(root_, current_);
    for (const QString& name : store->childGroups())
        names.push_back(decodeName(name));
    return names;
}

bool TRegistry::ValueExists(const std::string& name) const
{
    if (name.empty())
        return false;
    Store store(root_, current_);
    return store->contains(encodeName(name));
}

std::string TRegistry::ReadString(const std::string& name) const
{
    if (name.empty())
        return {};
    Store store(root_, current_);
    const QVariant value = store->value(encodeName(name));
    // An unquoted hand-written value with commas reads back as a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", ")).toStdString();
    return value.toString().toStdString();
}

int TRegistry::ReadInteger(const std::string& name) const
{
    checkValueName(name);
    Store store(root_, current_);
    const QVariant value = store->value(encodeName(name));
    bool ok = false;
    const int number = value.toString().trimmed().toInt(&ok);
    if (!value.isValid() || !ok)
        throw ERegistryException("Invalid data type for '" + name + "'");
    return number;
}

void TRegistry::WriteString(const std::string& name, const std::string& value)
{
    checkValueName(name);
    Store store(root_, current_);
    store->setValue(encodeName(name), QString::fromStdString(value));
    store.Flush("'" + name + "'");
}

void TRegistry::WriteInteger(const std::string& name, int value)
{
    checkValueName(name);
    Store store(root_, current_);
    store->setValue(encodeName(name), value);
    store.Flush("'" + name + "'");
}

bool TRegistry::DeleteValue(const std::string& name)
{
    if (name.empty())
        return false;
    Store store(root_, current_);
    const QString key = encodeName(name);
    if (!store->contains(key))
        return false;
    store->remove(key);
    store.Flush("the removal of '" + name + "'");
    return true;
}

bool TRegistry::DeleteKey(const std::string& key)
{
    const std::vector<std::string> path = Resolve(key);
    if (path.empty() || !keyExists(root_, path))
        return false;
    std::vector<std::string> parent(path.begin(), path.end() - 1);
    Store store(root_, parent);
    store->remove(encodeName(path.back()));
    store.Flush("the removal of key '" + key + "'");
    return true;
}

bool TRegistry::KeyExists(const std::string& key) const
{
    return keyExists(root_, Resolve(key));
}

} // namespace vcl
