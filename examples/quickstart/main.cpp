// quickstart: the smallest secured Qt program. It registers the security
// "QuickStart" on the security database behind the alias "QuickStart",
// logs the user in through the login dialog and enables the "Security"
// button only for a user who may view the form "Security".

#include <wardlock/platform/application.h>
#include <wardlock/rights.h>

#include <QApplication>
#include <QPushButton>

using Security::TSecRights;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // Alias "QuickStart" through the provider "BDE" (the settings name both),
    // the library's own database account, the login dialog, log in on binding.
    TSecRights::AddSecurity("QuickStart", "QuickStart", "Torvane:BDE", "BDE", nullptr,
        "SecurityCheck", "KDplenovit", "QuickStart", nullptr, true);

    QPushButton window("Security");
    TSecRights::SetAppHWnd(vcl::WindowHandle(&window)); // owns the library's dialogs
    try {
        TSecRights rights("QuickStart"); // the first binding shows the login dialog
        rights.GetRight("Security"); // the user's rights on the form land in Mask
        window.setEnabled(rights.Mask & Security::srView);
        QObject::connect(
            &window, &QPushButton::clicked, [&rights] { rights.ShowDlg(nullptr, false); });
        window.show();
        return app.exec();
    } catch (const Security::ESecAutoLoginFailed&) {
        return 1; // cancelled or refused: no user, no program
    }
}
