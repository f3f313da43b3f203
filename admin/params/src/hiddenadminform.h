#pragma once
// The full administration base form behind ModifyStart, without a window:
// it holds the full data module of a security (the logged user current, the
// security database's settings reachable, renamed parameters passed to their
// editors) for a program that changes parameters and settings through a
// TSecParamEd, until ModifyEnd applies the changes and destroys it.

#include <wardlock/keeper/paramedhost.h>
#include <wardlock/keeper/secdmodlease.h>

namespace Security {

class THiddenAdminForm final : public TSecParamEdFullHost {
public:
    // Throws message 2 when the security's provider gives no full module.
    THiddenAdminForm(TSecurity* security, void* window);
    ~THiddenAdminForm() override;

    TSecDModDlgBaseFrm* DataModule() const override { return lease_.FullModule(); }
    TSecurity* Security() const override { return lease_.Security(); }
    void* Window() const override { return window_; }
    SecDlgDecoder PasswdDecoder() const override { return nullptr; }

private:
    TSecDModLease lease_;
    void* window_;
};

} // namespace Security
