#pragma once
// TSecurityDlgBaseFrm: the base of the full administration dialog. Beyond the
// simple base it obtains the full data module (all users and groups), reads
// the logged user's design mask (form "SecProjecting", which governs forms
// and parameters) and holds the parameter commands that only the full
// dialog has: parameter types, security parameters, new and deleted
// parameters and the pass that follows a renamed parameter. It is the full
// host of the parameter editor plug-ins, which insert, delete and rename
// sub-parameters through it.

#include "securitysmpdlgbasefrm.h"

namespace Security {

class TSecDModDlgBaseFrm;

class TSecurityDlgBaseFrm : public TSecuritySmpDlgBaseFrm, public TSecParamEdFullHost {
    Q_OBJECT

public:
    // Obtains the full data module. Throws message 2 when it cannot.
    TSecurityDlgBaseFrm(vcl::TComponent* owner, TSecurity* security);
    ~TSecurityDlgBaseFrm() override;

    TSecDModDlgBaseFrm* DModule() const noexcept;
    // The logged user's mask on the form "SecProjecting".
    SecRightsMask DesMask() const noexcept { return desMask_; }

    // --- the parameter editor plug-ins' full host ---
    TSecDModDlgBaseFrm* DataModule() const override { return DModule(); }
    TSecurity* Security() const override { return TSecuritySmpDlgBaseFrm::Security(); }
    void* Window() const override { return TSecuritySmpDlgBaseFrm::Window(); }
    SecDlgDecoder PasswdDecoder() const override { return TSecuritySmpDlgBaseFrm::PasswdDecoder(); }

    // --- the parameter commands of the full dialog ---
    // "New parameter ...": offers to apply pending edits, asks for the
    // parameter and inserts it with what its type's editor adds (message
    // 206 on failure). True when inserted.
    bool NewParam();
    // "Delete ..." after its confirmations: the current parameter and its
    // sub-parameters, applied at once (message 210 on failure).
    void DeleteParam();
    // "&Types" and "Securit&y params": their dialogs, limited by the design
    // mask; OK applies, anything else discards (message 214 on failure).
    void ParamTypes();
    void SecurityParams();

private:
    TSecRights desRights_;
    SecRightsMask desMask_ = 0;
};

} // namespace Security
