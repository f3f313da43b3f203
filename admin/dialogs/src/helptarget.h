#pragma once
// Where the administration dialogs' help lives and how it is opened. The
// system-scope setting "HelpFilesLocation" under Software\Torvane\Wardlock\1.0
// names the folder; without it the pages installed beside the module's
// library are used. The page is opened with the desktop's default handler.

#include <QUrl>

#include <string>

class QWidget;

namespace Security {

// The folder the help pages are looked for in (ends with a slash).
std::string HelpFolder();

// "file://" + the help folder + `page` + "#" + `anchor` (no anchor when empty).
QUrl HelpTarget(const std::string& page, const std::string& anchor);

// The target with its anchor replaced (dropped when `anchor` is empty).
QUrl WithAnchor(QUrl target, const std::string& anchor);

// Opens the target. When its file does not exist, a message box owned by
// `owner` says where it was looked for, and false is returned.
bool OpenHelp(QWidget* owner, const QUrl& target);

} // namespace Security
