#pragma once
// The administration data modules of the BDE stand-in: the database-neutral
// modules over one database reached by the security's alias. TSecDModDlgBDEFrm
// serves the full dialog, TSecDModSmpDlgBDEFrm the simple one; each has an old
// and a new layout leaf (the module's own statements for users and groups, or
// the database's saved queries).

#include "connection.h"

#include <wardlock/keeper/admconnected.h>
#include <wardlock/keeper/admprimitives.h>
#include <wardlock/keeper/dlgprimitives.h>
#include <wardlock/keeper/secdmoddlg.h>
#include <wardlock/keeper/secdmodsmp.h>

namespace Security {

// Each module is the neutral one on the BDE connection, made and opened in
// the constructor (EDBConnectionFailed, message 2, when that fails).
class TSecDModSmpDlgBDEFrm
    : public TSecDModConnected<TSecDModDBPrimitives<TSecDModSmpDlgFrm>, TBDEAdmConnection> {
public:
    // `bdeSQLParams` false makes the user and group updates bind by position.
    TSecDModSmpDlgBDEFrm(TSecurity* security, bool cachedMode, bool bdeSQLParams, int userID,
        int groupID, TSecLayout layout)
        : TSecDModConnected(security, cachedMode, userID, groupID, { layout, bdeSQLParams })
    {
    }
};

class TSecDModDlgBDEFrm
    : public TSecDModConnected<TSecDModDlgDBPrimitives<TSecDModDlgFrm>, TBDEAdmConnection> {
public:
    // The full module's statements keep their named parameters whatever
    // `bdeSQLParams` says.
    TSecDModDlgBDEFrm(
        TSecurity* security, bool cachedMode, bool, int userID, int groupID, TSecLayout layout)
        : TSecDModConnected(security, cachedMode, userID, groupID, { layout, true })
    {
    }
};

// --- the layout leaves: they only choose the layout ---

class TSecDModSmpDlgBDEOldFrm : public TSecDModSmpDlgBDEFrm {
public:
    TSecDModSmpDlgBDEOldFrm(
        TSecurity* security, bool cachedMode, bool bdeSQLParams, int userID, int groupID)
        : TSecDModSmpDlgBDEFrm(security, cachedMode, bdeSQLParams, userID, groupID, TSecLayout::Old)
    {
    }
};

class TSecDModSmpDlgBDENewFrm : public TSecDModSmpDlgBDEFrm {
public:
    TSecDModSmpDlgBDENewFrm(
        TSecurity* security, bool cachedMode, bool bdeSQLParams, int userID, int groupID)
        : TSecDModSmpDlgBDEFrm(security, cachedMode, bdeSQLParams, userID, groupID, TSecLayout::New)
    {
    }
};

class TSecDModDlgBDEOldFrm : public TSecDModDlgBDEFrm {
public:
    TSecDModDlgBDEOldFrm(
        TSecurity* security, bool cachedMode, bool bdeSQLParams, int userID, int groupID)
        : TSecDModDlgBDEFrm(security, cachedMode, bdeSQLParams, userID, groupID, TSecLayout::Old)
    {
    }
};

class TSecDModDlgBDENewFrm : public TSecDModDlgBDEFrm {
public:
    TSecDModDlgBDENewFrm(
        TSecurity* security, bool cachedMode, bool bdeSQLParams, int userID, int groupID)
        : TSecDModDlgBDEFrm(security, cachedMode, bdeSQLParams, userID, groupID, TSecLayout::New)
    {
    }
};

} // namespace Security
