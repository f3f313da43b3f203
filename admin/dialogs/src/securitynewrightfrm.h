#pragma once
// The new-right dialog ("New right"): the form's name, full name and
// description, whether it is hidden, and two rows of rights: the defaults
// stored with the form for new groups, and the rights granted once to every
// existing group (not stored).

#include "ui_securitynewrightfrm.h"

#include <wardlock/platform/form.h>
#include <wardlock/types.h>

#include <string>

namespace Security {

struct TNewRightData {
    std::string Name;
    std::string FullName;
    std::string Description;
    // For the groups that exist now.
    SecRightsMask Rights = 0;
    // Stored with the form, for groups made later.
    SecRightsMask Defaults = 0;
    bool Hidden = false;
};

class TSecurityNewRightFrm : public vcl::TForm, public Ui::TSecurityNewRightFrm {
    Q_OBJECT

public:
    explicit TSecurityNewRightFrm(vcl::TComponent* owner);
    ~TSecurityNewRightFrm() override;

    // What was entered; complete after OK.
    TNewRightData Data() const;

public slots:
    void accept() override;
};

} // namespace Security
