#include "connection.h"

#include <wardlock/keeper/dmodexceptions.h>
#include <wardlock/keeper/secdmodbase.h>
#include <wardlock/security.h>

#include <cstring>

namespace Security {

namespace {

constexpr const char* kDatabaseName = "SecurityDlg";

void ForgetAccount(vcl::TDatabase& database) noexcept
{
    database.Params().SetValues("USER NAME", "");
    database.Params().SetValues("PASSWORD", "");
}

} // namespace

TBDEAdmConnection::TBDEAdmConnection(TSecDModSmpDlgBaseFrm& module)
    : module_(module)
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

void TBDEAdmConnection::Connect(const std::function<void()>& buildAndOpen)
{
    try {
        TSecurity* security = module_.Security();
        if (!security || !security->DataModule())
            throw vcl::Exception("Wrong SecDMod");
        SecurityDlg->SetAliasName(security->Database());
        tor::pswdsstr<16> user = module_.GetDBUser();
        tor::pswdsstr<16> password = module_.GetDBPasswd();
        SecurityDlg->Params().SetValues("USER NAME", user.c_str());
        SecurityDlg->Params().SetValues("PASSWORD", password.c_str());
        std::memset(password.data(), 0, tor::pswdsstr<16>::size_bytes);
        SecurityDlg->Open();
        // Connected: the component need not keep the password any longer.
        SecurityDlg->Params().SetValues("PASSWORD", "");
        buildAndOpen();
    } catch (const std::exception& error) {
        try {
            SecurityDlg->Close();
        } catch (...) {
        }
        ForgetAccount(*SecurityDlg);
        throw EDBConnectionFailed(error.what());
    }
}

} // namespace Security
