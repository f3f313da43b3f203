#pragma once
// The steps of a password's stored form that do not depend on the key:
// padding, and the search that keeps the stored form free of zero bytes so it
// survives a text column. Private to the core; tests drive the search with an
// encoder of their own.

#include <wardlock/pswdsstr.h>

#include <cstddef>

namespace Security::storedform {

// The first 16 bytes of the password; every remaining position up to 16 is
// 0xA5; the terminator is zero. A null password counts as empty.
inline tor::pswdsstr<16> PaddedPassword(const char* password) noexcept
{
    tor::pswdsstr<16> padded;
    std::size_t i = 0;
    for (; password && i < 16 && password[i]; ++i)
        padded[i] = password[i];
    for (; i < 16; ++i)
        padded[i] = static_cast<char>(0xA5);
    return padded;
}

inline bool HasZeroByte(const tor::pswdsstr<16>& block) noexcept
{
    for (std::size_t i = 0; i < 16; ++i)
        if (block[i] == 0)
            return true;
    return false;
}

// encode(padded) when it holds no zero byte; else the first zero-free
// encode(X') where X' is `padded` with byte p set to v, for p from 15 down to
// 0 and v from 0 to 255 (each variant changes one byte of the unaltered
// padded password); else `fallback`.
template<class EncodeFn>
tor::pswdsstr<16> ZeroFree(
    const tor::pswdsstr<16>& padded, EncodeFn&& encode, const tor::pswdsstr<16>& fallback)
{
    const tor::pswdsstr<16> encoded = encode(padded);
    if (!HasZeroByte(encoded))
        return encoded;
    for (int p = 15; p >= 0; --p) {
        for (int v = 0; v < 256; ++v) {
            tor::pswdsstr<16> variant = padded;
            variant[static_cast<std::size_t>(p)] = static_cast<char>(v);
            const tor::pswdsstr<16> candidate = encode(variant);
            if (!HasZeroByte(candidate))
                return candidate;
        }
    }
    return fallback;
}

} // namespace Security::storedform
