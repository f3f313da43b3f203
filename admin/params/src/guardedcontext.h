#pragma once
// A copy of an editor context made for one plug-in call, so that a plug-in
// that misbehaves cannot take the administration module down: the copy sits
// between two guard areas, its texts carry guards of their own, and its bytes
// are remembered. After the call Check() finds any write outside what the
// plug-in was given (or into the context it may only read), puts the copy's
// bytes back so it can be destroyed safely, and reports the damage.
//
// A write further than a guard area reaches cannot be caught this way.

#include <wardlock/keeper/parameditor.h>

#include <cstddef>
#include <string>
#include <vector>

namespace Security::ParamEditors {

class TGuardedContext {
public:
    explicit TGuardedContext(const TSecSmpParamEd& source);
    ~TGuardedContext();
    TGuardedContext(const TGuardedContext&) = delete;
    TGuardedContext& operator=(const TGuardedContext&) = delete;

    TSecParamEd& Context() noexcept { return *context_; }

    // Whether the call left everything as handed out. When it did not, the
    // copy's own bytes are restored (its texts are not read again).
    bool Intact();

private:
    static constexpr std::size_t kLead = 64;
    static constexpr std::size_t kTrail = 1024;

    unsigned char* block_;
    TSecParamEd* context_;
    std::vector<unsigned char> snapshot_;
};

} // namespace Security::ParamEditors
