#pragma once
// TSecurityDlgBaseFrm: the base of the full administration dialog. Beyond the
// simple base it obtains the full data module (all users and groups), reads
// the logged user's design mask (form "SecProjecting", which governs forms
// and parameters) and holds the parameter commands that only the full
// dialog has: parameter types, security parameters, new and deleted
// parameters and the pass that follows a renamed parameter.

#include "securitysmpdlgbasefrm.h"

namespace Security {

class TSecDModDlgBaseFrm;

class TSecurityDlgBaseFrm : public TSecuritySmpDlgBaseFrm {
    Q_OBJECT

public:
    // Obtains the full data module. Throws message 2 when it cannot.
    TSecurityDlgBaseFrm(vcl::TComponent* owner, TSecurity* security);
    ~TSecurityDlgBaseFrm() override;

    TSecDModDlgBaseFrm* DModule() const noexcept;
    // The logged user's mask on the form "SecProjecting".
    SecRightsMask DesMask() const noexcept { return desMask_; }

    // --- the parameter commands of the full dialog ---
    void NewParam();
    void DeleteParam();
    void ParamTypes();
    void SecurityParams();

private:
    TSecRights desRights_;
    SecRightsMask desMask_ = 0;
};

} // namespace Security
