#pragma once
// Hex notation for 17-byte values in test tables and failure messages.

#include <wardlock/pswdsstr.h>

#include <array>
#include <cstdio>
#include <ostream>
#include <string>
#include <string_view>

namespace wardlock_test {

// Up to 34 hex digits; missing bytes are zero.
inline tor::pswdsstr<16> FromHex(std::string_view hex)
{
    std::array<char, 17> raw {};
    for (std::size_t i = 0; i + 1 < hex.size() && i / 2 < raw.size(); i += 2)
        raw[i / 2] = static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    return tor::pswdsstr<16>::from_raw(raw);
}

inline std::string ToHex(const tor::pswdsstr<16>& value)
{
    std::string hex;
    char digits[3];
    for (std::size_t i = 0; i < 17; ++i) {
        std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned char>(value[i]));
        hex += digits;
    }
    return hex;
}

} // namespace wardlock_test

namespace tor {
// Lets GoogleTest print all 17 bytes when a comparison fails.
inline void PrintTo(const pswdsstr<16>& value, std::ostream* out)
{
    *out << wardlock_test::ToHex(value);
}
} // namespace tor
