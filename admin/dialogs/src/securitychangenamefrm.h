#pragma once
// The change-group dialog ("Group modification"): a group's name, full name,
// description and, through "&Password options ...", its five options (shown
// within the logged user's limit).

#include "loggeduser.h"
#include "passwdoptions.h"
#include "ui_securitychangenamefrm.h"

#include <wardlock/keeper/adminrecords.h>
#include <wardlock/platform/form.h>

#include <string>

namespace Security {

class TSecurityChangeNameFrm : public vcl::TForm, public Ui::TSecurityChangeNameFrm {
    Q_OBJECT

public:
    TSecurityChangeNameFrm(vcl::TComponent* owner, TLoggedUser logged);
    ~TSecurityChangeNameFrm() override;

    void SetData(const TSecGroupInfo& group, const std::string& description);
    // The record given, with the name, full name and options entered.
    TSecGroupInfo Data() const;
    std::string GroupDescription() const;

public slots:
    void accept() override;

private:
    TLoggedUser logged_;
    TSecGroupInfo group_;
    TOptionFlags options_ {};
};

} // namespace Security
