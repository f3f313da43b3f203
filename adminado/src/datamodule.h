#pragma once
// The administration data modules of securities reached through ODBC: the
// database-neutral modules on one ADO connection made from the security's
// connection template. TSecDModDlgADOFrm serves the full dialog,
// TSecDModSmpDlgADOFrm the simple one; the layout chooses the module's own
// statements for users and groups (old) or the database's saved queries (new).

#include "connection.h"

#include <wardlock/keeper/admconnected.h>
#include <wardlock/keeper/admprimitives.h>
#include <wardlock/keeper/dlgprimitives.h>
#include <wardlock/keeper/secdmoddlg.h>
#include <wardlock/keeper/secdmodsmp.h>

namespace Security {

// Each module is the neutral one on the ADO connection, made and opened in
// the constructor (EDBConnectionFailed, message 2, when that fails). The
// statements keep their named parameters: the driver binds them by position.
class TSecDModSmpDlgADOFrm
    : public TSecDModConnected<TSecDModDBPrimitives<TSecDModSmpDlgFrm>, TADOAdmConnection> {
public:
    TSecDModSmpDlgADOFrm(
        TSecurity* security, bool cachedMode, int userID, int groupID, TSecLayout layout)
        : TSecDModConnected(security, cachedMode, userID, groupID, { layout, true })
    {
    }
};

class TSecDModDlgADOFrm
    : public TSecDModConnected<TSecDModDlgDBPrimitives<TSecDModDlgFrm>, TADOAdmConnection> {
public:
    TSecDModDlgADOFrm(
        TSecurity* security, bool cachedMode, int userID, int groupID, TSecLayout layout)
        : TSecDModConnected(security, cachedMode, userID, groupID, { layout, true })
    {
    }
};

} // namespace Security
