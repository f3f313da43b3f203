// wardsample: a secured form over an ODBC data source. The security is
// registered with automatic login off; the form logs the user in itself while
// it is created.

#include "securedform1.h"

#include <wardlock/platform/application.h>

#include <QApplication>

int main(int argc, char* argv[])
{
    RegisterSampleSecurity();
    QApplication application(argc, argv);
    TSecuredForm1 securedForm1(nullptr);
    Security::TSecRights::SetAppHWnd(vcl::WindowHandle(&securedForm1));
    securedForm1.show();
    return application.exec();
}
