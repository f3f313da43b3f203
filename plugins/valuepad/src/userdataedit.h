#pragma once
// The plug-in's dialog "User personal data": the alias (the parameter's own
// value) and the five sub-parameters of the parameter it was opened for.

#include "ui_userdataedit.h"

#include <wardlock/platform/form.h>
#include <wardlock/pswdsstr.h>

#include <array>
#include <string>

class QLineEdit;

namespace Security {
class TSecSmpParamEd;
}

namespace Valuepad {

class TUserDataEdit : public vcl::TForm, public Ui::TUserDataEdit {
    Q_OBJECT

public:
    // Shows the current value (the context's data) and sub-parameters.
    TUserDataEdit(vcl::TComponent* owner, const Security::TSecSmpParamEd& context);
    ~TUserDataEdit() override;

    // The new value: the alias.
    tor::pswdsstr<16> Value() const;

public slots:
    // Writes the five sub-parameters back; stays open when a field is too
    // long or the administration module refuses a value.
    void accept() override;

private:
    // The edits of the sub-parameters, in their order.
    std::array<QLineEdit*, 5> SubParamEdits() const;

    const Security::TSecSmpParamEd& context_;
    // The sub-parameters' values when the dialog opened.
    std::array<std::string, 5> original_;
};

} // namespace Valuepad
