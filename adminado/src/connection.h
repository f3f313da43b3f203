#pragma once
// The connection of the ODBC administration data modules: the ADO connection
// "SecurityDlg", its connection string made from the security's connection
// template with the administration account stored in the security database.
// The module around it is TSecDModConnected (wardlock/keeper/admconnected.h).

#include <wardlock/data/ado.h>
#include <wardlock/data/dbdataset.h>
#include <wardlock/pswdsstr.h>

namespace Security {

class TSecurity;

struct TADOAdmConnection {
    // Creates the connection component, owned by `module`.
    explicit TADOAdmConnection(vcl::TComponent& module);

    vcl::TADOConnection* SecurityDlg = nullptr;

    // The template's first "%s" takes the user, the second the password, each
    // quoted where the connection string needs it. The connection connects
    // through the filled string but keeps it with an empty password.
    void Connect(const TSecurity& security, const tor::pswdsstr<16>& user,
        const tor::pswdsstr<16>& password);
    // Disconnects and forgets the account.
    void Disconnect() noexcept;
    vcl::TCustomConnection& Connection() { return *SecurityDlg; }
    void Use(vcl::TDBDataSet& dataSet) { dataSet.SetConnection(SecurityDlg); }
};

} // namespace Security
