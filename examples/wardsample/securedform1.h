#pragma once
// wardsample's secured form: bound to the security "ADO_OLEDB_ODBC_JET"; the
// user logs in while the form is being created, and the form then shows who
// is logged in and what he may do on it.

#include "securedform.h"

class QLabel;

// Registers the sample's security "ADO_OLEDB_ODBC_JET" (ODBC data source
// "WardDemo" through the provider "ADO", login dialog with retry, automatic
// login off: the secured form logs in itself).
Security::TSecurity* RegisterSampleSecurity();

class TSecuredForm1 : public TSecuredForm {
    Q_OBJECT

public:
    explicit TSecuredForm1(vcl::TComponent* owner);
    ~TSecuredForm1() override;

    void AfterRightsCheck() override;

    QLabel* Label1 = nullptr;
    QLabel* UserLine = nullptr;
};
