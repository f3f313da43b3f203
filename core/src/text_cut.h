#pragma once
// Cutting texts to the fixed widths that cross the library's interface.

#include <wardlock/pswdsstr.h>

#include <QByteArray>

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

namespace Security::detail {

// The first N bytes of UTF-8 text at most, never ending inside a character
// (a cut through a multi-byte character would leave invalid text).
template<std::size_t N> tor::pswdsstr<N> CutText(std::string_view text)
{
    if (text.size() <= N)
        return tor::pswdsstr<N>(text);
    std::size_t end = N;
    // Back off over continuation bytes (10xxxxxx) to the start of the
    // character that does not fit.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return tor::pswdsstr<N>(text.substr(0, end));
}

// Raw bytes (an encoded value) as a 17-byte value: the first 16 bytes as they
// are, the rest zero. No character conversion, and no stop at a zero byte.
inline tor::pswdsstr<16> RawValue(const QByteArray& bytes)
{
    std::array<char, 17> raw {};
    const auto n = std::min<std::size_t>(16, static_cast<std::size_t>(bytes.size()));
    for (std::size_t i = 0; i < n; ++i)
        raw[i] = bytes[static_cast<qsizetype>(i)];
    return tor::pswdsstr<16>::from_raw(raw);
}

} // namespace Security::detail
