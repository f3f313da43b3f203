#pragma once
// BDEAdmDBProvider: the administration provider of wardkeeperbde, registered
// as "BDEAdm". The runtime provider "BDE" loads it when a dialog asks for an
// administration data module and hands it its options text.

#include <wardlock/provider.h>

namespace Security {

class BDEAdmDBProvider : public DBProviderBase {
public:
    void Create(const char* registeredName) override;
    // "RecordsetStoredProcs=1" gives the new layout, "CachedUpdates=0" direct
    // writes, "BDESQLParams=0" positional user and group updates (simple
    // module). The request names the security, the user and the group (-1
    // each: all). A module that cannot connect throws EDBConnectionFailed.
    TSecDModSmpDlgBaseFrm* CreateSmpDlgModule(const TSecAdmRequest& request) override;
    TSecDModDlgBaseFrm* CreateDlgModule(const TSecAdmRequest& request) override;

private:
    bool NewLayout() const { return Option("RecordsetStoredProcs") == "1"; }
    bool CachedMode() const { return Option("CachedUpdates") != "0"; }
    bool BdeSqlParams() const { return Option("BDESQLParams") != "0"; }
};

} // namespace Security
