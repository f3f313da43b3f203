#include "connection.h"

#include <wardlock/security.h>

namespace Security {

namespace {
constexpr const char* kDatabaseName = "SecurityDlg";
} // namespace

TBDEAdmConnection::TBDEAdmConnection(vcl::TComponent& module)
{
    SecuritySession = new vcl::TSession(&module);
    SecuritySession->SetName("SecuritySession");
    SecuritySession->SetAutoSessionName(true);
    SecurityDlg = new vcl::TDatabase(&module);
    SecurityDlg->SetName("SecurityDlg");
    SecurityDlg->SetDatabaseName(kDatabaseName);
    SecurityDlg->SetSessionName(SecuritySession->SessionName());
    SecurityDlg->SetLoginPrompt(false);
    SecurityDlg->SetKeepConnection(true);
}

void TBDEAdmConnection::Connect(
    const TSecurity& security, const tor::pswdsstr<16>& user, const tor::pswdsstr<16>& password)
{
    SecurityDlg->SetAliasName(security.Database());
    SecurityDlg->Params().SetValues("USER NAME", user.c_str());
    SecurityDlg->Params().SetValues("PASSWORD", password.c_str());
    SecurityDlg->Open();
    // Connected: the component need not keep the password any longer.
    SecurityDlg->Params().SetValues("PASSWORD", "");
}

void TBDEAdmConnection::Disconnect() noexcept
{
    try {
        SecurityDlg->Close();
    } catch (...) {
    }
    SecurityDlg->Params().SetValues("USER NAME", "");
    SecurityDlg->Params().SetValues("PASSWORD", "");
}

} // namespace Security
