// lockwright: stores the administration account of a security database.
// Log in as an administrator (Modify on the design form), type the account
// the administration module is to connect with, and set it. Quit hides the
// window, which ends the program.

#include "lockwrightfrm.h"

#include <wardlock/platform/application.h>
#include <wardlock/rights.h>

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Lockwright"));
    TLockwrightFrm window;
    LockwrightFrm = &window;
    Security::TSecRights::SetAppHWnd(vcl::WindowHandle(&window));
    // "Quit" hides the window; the program ends with it.
    QObject::connect(window.Button1, &QPushButton::clicked, &application, &QCoreApplication::quit,
        Qt::QueuedConnection);
    window.show();
    const int status = application.exec();
    // The security goes before the libraries do.
    Security::TSecRights::DeleteSecurity(kLockwrightSecurity);
    LockwrightFrm = nullptr;
    return status;
}
