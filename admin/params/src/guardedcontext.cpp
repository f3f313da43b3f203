#include "guardedcontext.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace Security::ParamEditors {

namespace {

constexpr unsigned char kGuardByte = 0xA7;
constexpr std::align_val_t kAlignment { alignof(std::max_align_t) };

bool Untouched(const unsigned char* begin, std::size_t size)
{
    return std::all_of(begin, begin + size, [](unsigned char b) { return b == kGuardByte; });
}

} // namespace

TGuardedContext::TGuardedContext(const TSecSmpParamEd& source)
    : block_(static_cast<unsigned char*>(
        ::operator new(kLead + sizeof(TSecParamEd) + kTrail, kAlignment)))
{
    static_assert(kLead % alignof(std::max_align_t) == 0);
    std::memset(block_, kGuardByte, kLead);
    std::memset(block_ + kLead + sizeof(TSecParamEd), kGuardByte, kTrail);
    try {
        context_ = new (block_ + kLead) TSecParamEd(source);
    } catch (...) {
        ::operator delete(block_, kAlignment);
        throw;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(context_);
    snapshot_.assign(bytes, bytes + sizeof(TSecParamEd));
}

TGuardedContext::~TGuardedContext()
{
    context_->~TSecParamEd();
    ::operator delete(block_, kAlignment);
}

bool TGuardedContext::Intact()
{
    bool intact
        = Untouched(block_, kLead) && Untouched(block_ + kLead + sizeof(TSecParamEd), kTrail);
    auto* bytes = reinterpret_cast<unsigned char*>(context_);
    // The rights copy's mask is the one byte a plug-in may change (GetRight
    // on the context's rights object).
    const std::size_t mask = static_cast<std::size_t>(
        reinterpret_cast<unsigned char*>(&context_->Rights.Mask) - bytes);
    for (std::size_t i = 0; i < sizeof(TSecParamEd); ++i)
        if (i != mask && bytes[i] != snapshot_[i])
            intact = false;
    if (!intact) {
        // The pointers the copy frees must be its own again.
        std::memcpy(bytes, snapshot_.data(), snapshot_.size());
        return false;
    }
    return context_->BuffersIntact();
}

} // namespace Security::ParamEditors
