#pragma once
// ADOAdmDBProvider: the administration provider of wardkeeperado, registered
// as "ADOAdm". The runtime provider "ADO" loads it when a dialog asks for an
// administration data module and hands it its options text.

#include <wardlock/provider.h>

namespace Security {

class ADOAdmDBProvider : public DBProviderBase {
public:
    void Create(const char* registeredName) override;
    // Options: "BatchUpdates=0" writes every post at once (direct mode); any
    // other value, or none, caches the edits until they are applied, as a
    // batch. "RecordsetStoredProcs=1" gives the new layout. "LocalCursor"
    // means nothing here: every result is read whole to the client anyway.
    // The request names the security, the user and the group (-1 each: all).
    // A module that cannot connect throws EDBConnectionFailed.
    TSecDModSmpDlgBaseFrm* CreateSmpDlgModule(const TSecAdmRequest& request) override;
    TSecDModDlgBaseFrm* CreateDlgModule(const TSecAdmRequest& request) override;

private:
    bool NewLayout() const { return Option("RecordsetStoredProcs") == "1"; }
    bool CachedMode() const { return Option("BatchUpdates") != "0"; }
};

} // namespace Security
