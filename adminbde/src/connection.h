#pragma once
// The connection of the BDE administration data modules: a session of their
// own and the database "SecurityDlg" on the security's alias, logged in with
// the administration account stored in the security database. The module
// around it is TSecDModConnected (wardlock/keeper/admconnected.h).

#include <wardlock/data/connection.h>
#include <wardlock/data/dbdataset.h>
#include <wardlock/pswdsstr.h>

namespace Security {

class TSecurity;

struct TBDEAdmConnection {
    // Creates the session and the database component, owned by `module`.
    explicit TBDEAdmConnection(vcl::TComponent& module);

    vcl::TSession* SecuritySession = nullptr;
    vcl::TDatabase* SecurityDlg = nullptr;

    // The database gets the security's alias and the account, and connects;
    // once connected it keeps no password.
    void Connect(const TSecurity& security, const tor::pswdsstr<16>& user,
        const tor::pswdsstr<16>& password);
    // Disconnects and forgets the account.
    void Disconnect() noexcept;
    vcl::TCustomConnection& Connection() { return *SecurityDlg; }
    void Use(vcl::TDBDataSet& dataSet) { dataSet.SetDatabase(SecurityDlg); }
};

} // namespace Security
