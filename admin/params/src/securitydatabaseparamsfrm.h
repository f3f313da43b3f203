#pragma once
// "Security database parameters": the settings rows of the security database
// (name, full name, value, hidden) in a grid edited in place. The dialog
// edits the cached rows only; its caller applies them on OK and discards
// them otherwise.

#include "ui_securitydatabaseparamsfrm.h"

#include <wardlock/platform/form.h>
#include <wardlock/types.h>

namespace vcl {
class TDataSource;
}

namespace Security {

class TSecurityDatabaseParamsFrm : public vcl::TForm, public Ui::TSecurityDatabaseParamsFrm {
    Q_OBJECT

public:
    // Bound to `securityParams`; the design rights limit it as the
    // parameter types dialog: no deleting without srDelete, no inserting
    // without srInsert, read-only without srModify.
    TSecurityDatabaseParamsFrm(
        vcl::TComponent* owner, vcl::TDataSource* securityParams, SecRightsMask designRights);
    ~TSecurityDatabaseParamsFrm() override;

public slots:
    // Ends the edit of the current row first; stays open when it is refused.
    void accept() override;

private:
    vcl::TDataSource* securityParams_;
    SecRightsMask designRights_;
};

} // namespace Security
