#pragma once
// The connection of the BDE administration data modules: a session of their
// own, the database "SecurityDlg" on the security's alias, logged in with the
// administration account stored in the security database, and the guarded
// construction that turns every failure into EDBConnectionFailed.

#include <wardlock/data/connection.h>

#include <functional>

namespace Security {

class TSecDModSmpDlgBaseFrm;

struct TBDEAdmConnection {
    // Creates the session and the database component, owned by `module`.
    explicit TBDEAdmConnection(TSecDModSmpDlgBaseFrm& module);

    vcl::TSession* SecuritySession = nullptr;
    vcl::TDatabase* SecurityDlg = nullptr;

    // The construction after the module's own: the security must have a
    // runtime data module; the database gets the security's alias and the
    // administration account; then `buildAndOpen` builds the form, connects
    // and opens it. Any failure disconnects, forgets the account and throws
    // EDBConnectionFailed (message 2) with the cause. The password is not
    // kept once connected either.
    void Connect(const std::function<void()>& buildAndOpen);

private:
    TSecDModSmpDlgBaseFrm& module_;
};

} // namespace Security
