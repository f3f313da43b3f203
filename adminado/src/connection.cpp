#include "connection.h"

#include <wardlock/connectiontemplate.h>
#include <wardlock/platform/exception.h>
#include <wardlock/security.h>

#include <string_view>

namespace Security {

namespace {

// The security's template filled with `user` and `password`.
std::string Filled(const TSecurity& security, const char* user, const char* password)
{
    const ado::FilledTemplate filled
        = ado::FillTemplate(ado::TemplateText(std::string_view(security.Database())),
            { { QString::fromUtf8(user) }, { QString::fromUtf8(password) } });
    if (!filled.valid)
        throw vcl::Exception(
            "The administration account cannot be written into the connection string");
    return filled.text.toStdString();
}

} // namespace

TADOAdmConnection::TADOAdmConnection(vcl::TComponent& module)
{
    SecurityDlg = new vcl::TADOConnection(&module);
    SecurityDlg->SetName("SecurityDlg");
    SecurityDlg->SetLoginPrompt(false);
    SecurityDlg->SetMode(vcl::cmReadWrite);
}

void TADOAdmConnection::Connect(
    const TSecurity& security, const tor::pswdsstr<16>& user, const tor::pswdsstr<16>& password)
{
    SecurityDlg->SetConnectionString(Filled(security, user.c_str(), ""));
    SecurityDlg->OpenWith(Filled(security, user.c_str(), password.c_str()));
}

void TADOAdmConnection::Disconnect() noexcept
{
    try {
        SecurityDlg->Close();
        SecurityDlg->SetConnectionString({});
    } catch (...) {
    }
}

} // namespace Security
