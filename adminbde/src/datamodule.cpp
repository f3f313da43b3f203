#include "datamodule.h"

namespace Security {

TSecDModSmpDlgBDEFrm::TSecDModSmpDlgBDEFrm(TSecurity* security, bool cachedMode, bool bdeSQLParams,
    int userID, int groupID, TSecLayout layout)
    : TSecDModDBPrimitives(security, cachedMode, userID, groupID)
    , connection_(*this)
{
    connection_.Connect([&] {
        BuildForm({ layout, bdeSQLParams });
        RestrictTo(userID, groupID);
        Open();
    });
}

TSecDModSmpDlgBDEFrm::~TSecDModSmpDlgBDEFrm() = default;

void TSecDModSmpDlgBDEFrm::UseConnection(vcl::TDBDataSet& dataSet)
{
    dataSet.SetDatabase(connection_.SecurityDlg);
}

// The full module takes no positional statements: its options keep the
// named parameters whatever BDESQLParams says.
TSecDModDlgBDEFrm::TSecDModDlgBDEFrm(
    TSecurity* security, bool cachedMode, bool, int userID, int groupID, TSecLayout layout)
    : TSecDModDlgDBPrimitives(security, cachedMode, userID, groupID)
    , connection_(*this)
{
    connection_.Connect([&] {
        BuildForm({ layout, true });
        RestrictTo(userID, groupID);
        Open();
    });
}

TSecDModDlgBDEFrm::~TSecDModDlgBDEFrm() = default;

void TSecDModDlgBDEFrm::UseConnection(vcl::TDBDataSet& dataSet)
{
    dataSet.SetDatabase(connection_.SecurityDlg);
}

} // namespace Security
