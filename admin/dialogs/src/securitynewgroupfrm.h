#pragma once
// The new-group dialog ("New group"): name, full name, description, the
// group's default rights (each yes, no or grayed for the default), where its
// rights and parameter values start from (the defaults, or the values of
// another group), and its five password options, which start as: may change
// the password, may not leave it empty, must change it at the next login,
// account enabled, no password control. The options never exceed the
// administrator's own (limited again on OK).

#include "loggeduser.h"
#include "passwdoptions.h"
#include "ui_securitynewgroupfrm.h"

#include <wardlock/keeper/secdmodbase.h>
#include <wardlock/platform/form.h>

#include <array>
#include <optional>
#include <string>

namespace vcl {
class TDataSource;
}

namespace Security {

struct TNewGroupData {
    std::string Name;
    std::string FullName;
    std::string Description;
    // View, Insert, Modify, Delete; grayed: the right's default.
    std::array<TCheckBoxState, 4> Rights { cbGrayed, cbGrayed, cbGrayed, cbGrayed };
    // The GroupID whose rights (parameter values) the group starts with;
    // none: the defaults.
    std::optional<int> RightsFromGroup;
    std::optional<int> ParamsFromGroup;
    TOptionFlags Options { true, false, false, true, false };
};

class TSecurityNewGroupFrm : public vcl::TForm, public Ui::TSecurityNewGroupFrm {
    Q_OBJECT

public:
    // `groups` (fields "GroupID" and "FullName") fills the two group lists.
    TSecurityNewGroupFrm(vcl::TComponent* owner, TLoggedUser logged, vcl::TDataSource* groups);
    ~TSecurityNewGroupFrm() override;

    // Fills the dialog (a group prepared elsewhere); a source group that is
    // not in the lists leaves its list without a choice.
    void SetData(const TNewGroupData& data);
    // What was entered; complete after OK.
    TNewGroupData Data() const;

public slots:
    void accept() override;

private:
    void FillGroupList(TPopupComboBox* list, vcl::TDataSource* groups);
    static std::optional<int> ChosenGroup(const QRadioButton* sameAs, const QComboBox* list);

    TLoggedUser logged_;
    TOptionFlags options_ {};
};

} // namespace Security
