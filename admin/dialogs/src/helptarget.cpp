#include "helptarget.h"

#include <wardlock/keeper/strings.h>
#include <wardlock/platform/application.h>
#include <wardlock/platform/dialogs.h>
#include <wardlock/platform/settings.h>

#include <QDesktopServices>
#include <QFileInfo>

#include <dlfcn.h>

namespace Security {

namespace {

constexpr const char* kHelpKey = "\\Software\\Torvane\\Wardlock\\1.0";
constexpr const char* kHelpValue = "HelpFilesLocation";

// The folder of the library this code is linked into: the help pages are
// installed beside the libraries.
std::string LibraryFolder()
{
    Dl_info info {};
    static const int anchor = 0;
    if (::dladdr(&anchor, &info) == 0 || !info.dli_fname)
        return {};
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath().toStdString();
}

std::string WithSlash(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

} // namespace

std::string HelpFolder()
{
    vcl::TRegistry registry(vcl::TRootKey::LocalMachine);
    if (registry.OpenKey(kHelpKey, false) && registry.ValueExists(kHelpValue)) {
        const std::string location = registry.ReadString(kHelpValue);
        if (!location.empty())
            return WithSlash(location);
    }
    return WithSlash(LibraryFolder());
}

QUrl HelpTarget(const std::string& page, const std::string& anchor)
{
    QUrl target = QUrl::fromLocalFile(QString::fromStdString(HelpFolder() + page));
    return WithAnchor(target, anchor);
}

QUrl WithAnchor(QUrl target, const std::string& anchor)
{
    if (anchor.empty())
        target.setFragment(QString());
    else
        target.setFragment(QString::fromStdString(anchor));
    return target;
}

bool OpenHelp(QWidget* owner, const QUrl& target)
{
    const QString file = target.toLocalFile();
    if (!QFileInfo::exists(file)) {
        vcl::MessageBox(vcl::WindowHandle(owner),
            "The help file could not be found. It was looked for at:\n" + file.toStdString(),
            SecString(sCaptionInformation), vcl::MB_OK | vcl::MB_ICONEXCLAMATION);
        return false;
    }
    return QDesktopServices::openUrl(target);
}

} // namespace Security
