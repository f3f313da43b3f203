#include "securitydatabaseparamsfrm.h"

#include <wardlock/data/dataset.h>
#include <wardlock/keeper/strings.h>
#include <wardlock/platform/application.h>
#include <wardlock/platform/dialogs.h>

#include <exception>

namespace Security {

TSecurityDatabaseParamsFrm::TSecurityDatabaseParamsFrm(
    vcl::TComponent* owner, vcl::TDataSource* securityParams, SecRightsMask designRights)
    : vcl::TForm(owner)
    , securityParams_(securityParams)
    , designRights_(designRights)
{
    setupUi(this);
    // Resizable, with the system menu only.
    setWindowFlags(
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint);
    DBParams->SetColumns(
        { tor::TGridColumn("Name", "Name"), tor::TGridColumn("FullName", "Full name"),
            tor::TGridColumn("FValue", "Value"), tor::TGridColumn("Hidden", "Hidden") });
    DBParams->SetDataSource(securityParams_);
    DBParams->SetTabMovesBetweenCells(true);
    DBParams->SetEnterActsAsTab(true);
    DBParams->SetReadOnly(!(designRights_ & srModify));

    vcl::TDataSet* rows = securityParams_ ? securityParams_->DataSet() : nullptr;
    connect(DBParams, &tor::TTorDBGrid::insertRequested, this, [this, rows] {
        if (rows && rows->Active() && (designRights_ & srInsert))
            rows->Append();
    });
    connect(DBParams, &tor::TTorDBGrid::deleteRequested, this, [this, rows] {
        if (rows && rows->Active() && !rows->IsEmpty() && (designRights_ & srDelete))
            rows->Delete();
    });
    connect(OKBtn, &QPushButton::clicked, this, &TSecurityDatabaseParamsFrm::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &TSecurityDatabaseParamsFrm::reject);
}

TSecurityDatabaseParamsFrm::~TSecurityDatabaseParamsFrm() = default;

void TSecurityDatabaseParamsFrm::accept()
{
    vcl::TDataSet* rows = securityParams_ ? securityParams_->DataSet() : nullptr;
    try {
        if (rows && rows->Active())
            rows->CheckBrowseMode();
    } catch (const std::exception& error) {
        vcl::MessageBox(vcl::WindowHandle(this), error.what(), SecString(sCaptionError),
            vcl::MB_OK | vcl::MB_ICONERROR);
        return;
    }
    vcl::TForm::accept();
}

} // namespace Security
