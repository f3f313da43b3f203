// warddemo: the demo program. Registers the security "WardDemo" (a database
// alias reached through the provider "BDE"), shows the main window, which
// logs the user in, and offers the administration dialogs, login and logout.

#include "mainform.h"

#include <wardlock/platform/application.h>

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    // Hints (tool tips) are on by default.
    RegisterWardDemoSecurity();
    QApplication::setApplicationDisplayName(QStringLiteral("WardDemo"));
    TMainFrm mainFrm;
    Security::TSecRights::SetAppHWnd(vcl::WindowHandle(&mainFrm));
    mainFrm.show();
    return application.exec();
}
