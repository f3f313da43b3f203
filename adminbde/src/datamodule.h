#pragma once
// The administration data modules of the BDE stand-in: the database-neutral
// modules over one database reached by the security's alias. TSecDModDlgBDEFrm
// serves the full dialog, TSecDModSmpDlgBDEFrm the simple one; each has an old
// and a new layout leaf (the module's own statements for users and groups, or
// the database's saved queries).

#include "connection.h"

#include <wardlock/keeper/admprimitives.h>
#include <wardlock/keeper/dlgprimitives.h>
#include <wardlock/keeper/secdmoddlg.h>
#include <wardlock/keeper/secdmodsmp.h>

namespace Security {

// What both BDE modules add to a neutral module: the connection, made and
// opened in the constructor (EDBConnectionFailed, message 2, when that fails).
template<class Neutral> class TBDEAdmModule : public Neutral {
public:
    TBDEAdmModule(TSecurity* security, bool cachedMode, int userID, int groupID,
        const TSecFormOptions& options)
        : Neutral(security, cachedMode, userID, groupID)
        , connection_(*this)
    {
        connection_.Connect([&] {
            this->BuildForm(options);
            this->RestrictTo(userID, groupID);
            this->Open();
        });
    }

    vcl::TSession* SecuritySession() const noexcept { return connection_.SecuritySession; }
    vcl::TDatabase* SecurityDlg() const noexcept { return connection_.SecurityDlg; }

protected:
    vcl::TCustomConnection& Connection() override { return *connection_.SecurityDlg; }
    void UseConnection(vcl::TDBDataSet& dataSet) override
    {
        dataSet.SetDatabase(connection_.SecurityDlg);
    }

private:
    TBDEAdmConnection connection_;
};

class TSecDModSmpDlgBDEFrm : public TBDEAdmModule<TSecDModDBPrimitives<TSecDModSmpDlgFrm>> {
public:
    // `bdeSQLParams` false makes the user and group updates bind by position.
    TSecDModSmpDlgBDEFrm(TSecurity* security, bool cachedMode, bool bdeSQLParams, int userID,
        int groupID, TSecLayout layout)
        : TBDEAdmModule(security, cachedMode, userID, groupID, { layout, bdeSQLParams })
    {
    }
};

class TSecDModDlgBDEFrm : public TBDEAdmModule<TSecDModDlgDBPrimitives<TSecDModDlgFrm>> {
public:
    // The full module's statements keep their named parameters whatever
    // `bdeSQLParams` says.
    TSecDModDlgBDEFrm(
        TSecurity* security, bool cachedMode, bool, int userID, int groupID, TSecLayout layout)
        : TBDEAdmModule(security, cachedMode, userID, groupID, { layout, true })
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
