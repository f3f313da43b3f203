// Preloaded into the quick-start program by its test: answers the login
// dialog with the user and password in WARDLOCK_SCRIPTED_USER and
// WARDLOCK_SCRIPTED_PASSWORD and reports on standard output what a person
// would see: "dialog: <title>" for each dialog, then, once the program's
// event loop runs, "button: <text>: enabled|disabled" for each button of its
// shown windows. Then it ends the program with status 0. Any other dialog is
// cancelled, so the program cannot wait for a person.

#include <wardlock/platform/dialogs.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {

void ReportShownButtonsAndQuit()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible())
            continue;
        QList<QAbstractButton*> buttons = window->findChildren<QAbstractButton*>();
        if (auto* button = qobject_cast<QAbstractButton*>(window))
            buttons.prepend(button);
        for (QAbstractButton* button : buttons)
            std::printf("button: %s: %s\n", qPrintable(button->text()),
                button->isEnabled() ? "enabled" : "disabled");
    }
    std::fflush(stdout);
    QCoreApplication::exit(0);
}

void AnswerLoginDialog(QDialog& dialog)
{
    std::printf("dialog: %s\n", qPrintable(dialog.windowTitle()));
    std::fflush(stdout);
    auto* user = dialog.findChild<QLineEdit*>(QStringLiteral("User"));
    auto* passwd = dialog.findChild<QLineEdit*>(QStringLiteral("Passwd"));
    auto* ok = dialog.findChild<QAbstractButton*>(QStringLiteral("OKBtn"));
    if (!user || !passwd || !ok)
        return; // not the login dialog: left open, so it is cancelled
    user->setText(qEnvironmentVariable("WARDLOCK_SCRIPTED_USER"));
    passwd->setText(qEnvironmentVariable("WARDLOCK_SCRIPTED_PASSWORD"));
    ok->click();
    // The program shows its window after the login and then runs its loop.
    QTimer::singleShot(0, QCoreApplication::instance(), ReportShownButtonsAndQuit);
}

const bool installed = [] {
    vcl::SetModalHook(AnswerLoginDialog);
    return true;
}();

} // namespace
