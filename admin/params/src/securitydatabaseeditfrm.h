#pragma once
// The edit dialog of the built-in parameter type "Database" ("Database
// settings editor"): the database name (the parameter's value), the database
// user (sub-parameter "User") and a new database password, stored in the
// sub-parameter "Passwd" in the form the application's decoder gives it.

#include "ui_securitydatabaseeditfrm.h"

#include <wardlock/platform/form.h>
#include <wardlock/pswdsstr.h>

namespace Security {

class TSecSmpParamEd;

class TSecurityDatabaseEditFrm : public vcl::TForm, public Ui::TSecurityDatabaseEditFrm {
    Q_OBJECT

public:
    // For the parameter `context` edits (reason 2; its callback field holds
    // the password decoder or null).
    TSecurityDatabaseEditFrm(vcl::TComponent* owner, TSecSmpParamEd* context);
    ~TSecurityDatabaseEditFrm() override;

    // The new value: the database name.
    tor::pswdsstr<16> Value() const;

public slots:
    // Checks the passwords and stores the user and password; stays open with
    // everything typed when a check fails.
    void accept() override;

private:
    bool Store();

    TSecSmpParamEd* context_;
};

} // namespace Security
