#pragma once
// The new-parameter dialog ("New parameter"): name, full name, description,
// default value, the parameter type picked from the module's types, and
// whether the owner may change the value, the parameter is hidden or
// protected.

#include "paramcommands.h"
#include "ui_securitynewparamfrm.h"

#include <wardlock/platform/form.h>

namespace Security {

class TSecDModSmpDlgBaseFrm;

class TSecurityNewParamFrm : public vcl::TForm, public Ui::TSecurityNewParamFrm {
    Q_OBJECT

public:
    // The types grid shows the module's parameter types, positioned on
    // "Default".
    TSecurityNewParamFrm(vcl::TComponent* owner, TSecDModSmpDlgBaseFrm& module);
    ~TSecurityNewParamFrm() override;

    // What was entered; complete after OK.
    ParamCommands::TNewParamData Data() const;

public slots:
    void accept() override;

private:
    TSecDModSmpDlgBaseFrm& module_;
};

} // namespace Security
