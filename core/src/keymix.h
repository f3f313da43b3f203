#pragma once
// The key-mixing routine: derives a 16-byte encoding key from a pair of fixed
// texts and a 17-byte table, so no key is ever stored whole. Every module that
// needs a key carries its own texts and table and calls one of the variants
// below with them (header only, so another library can compile it in without
// wardlock exporting it).
//
// For position i: r := (P[i] % Q[i]) % 17 (truncating division on signed
// characters), out[i] := T[r] + (P[i] | Q[i]) + factor * i, modulo 256. The
// key is out copied as text: it ends at the first zero byte of out.

#include <wardlock/pswdsstr.h>

#include <array>
#include <cstddef>

namespace Security::keymix {

using Table = std::array<unsigned char, 17>;

namespace detail {

// Characters are signed 8-bit values; a position past the end of a text counts as zero.
constexpr int CharAt(const char* text, std::size_t length, std::size_t i)
{
    return i < length ? static_cast<int>(static_cast<signed char>(text[i])) : 0;
}

constexpr int TableIndex(int p, int q)
{
    // A zero divisor is outside the texts' form (the second text is non-zero
    // at every mixed position); index 0 instead of dividing by zero.
    if (q == 0)
        return 0;
    const int r = (p % q) % 17;
    // Printable texts give r in 0..16. A byte above 127 makes the dividend
    // negative and C++ keeps the dividend's sign; wrap it into the table.
    return r < 0 ? r + 17 : r;
}

constexpr std::size_t BoundedLength(const char* text)
{
    std::size_t n = 0;
    while (text && n < 16 && text[n])
        ++n;
    return n;
}

// Mixes `positions` positions, leaves the rest zero, then copies as text.
constexpr tor::pswdsstr<16> Mix(const char* first, const char* second, const Table& table,
    std::size_t positions, int factor, unsigned char orMask)
{
    const std::size_t firstLength = BoundedLength(first);
    const std::size_t secondLength = BoundedLength(second);
    std::array<unsigned char, 16> out {};
    for (std::size_t i = 0; i < positions; ++i) {
        const int p = CharAt(first, firstLength, i);
        const int q = CharAt(second, secondLength, i);
        const int value = table[static_cast<std::size_t>(TableIndex(p, q))] + (p | q)
            + factor * static_cast<int>(i);
        out[i] = static_cast<unsigned char>((value & 0xFF) | orMask);
    }
    tor::pswdsstr<16> key;
    for (std::size_t i = 0; i < 16 && out[i]; ++i)
        key[i] = static_cast<char>(out[i]);
    return key;
}

} // namespace detail

// The variant of wardlock and wardkeeper: all 16 positions, factor 113.
constexpr tor::pswdsstr<16> MixKey(const char* first, const char* second, const Table& table)
{
    return detail::Mix(first, second, table, 16, 113, 0);
}

// The database account tool's variant: only as many positions as the shorter
// text has; the key is terminated after them.
constexpr tor::pswdsstr<16> MixKeyShorter(const char* first, const char* second, const Table& table)
{
    const std::size_t a = detail::BoundedLength(first);
    const std::size_t b = detail::BoundedLength(second);
    return detail::Mix(first, second, table, a < b ? a : b, 113, 0);
}

// The user-data editor plug-in's variant: factor 111 and bits 0 and 2 set in
// every byte (so its keys never hold a zero byte), with the plug-in's own table.
constexpr tor::pswdsstr<16> MixKeyValuepad(
    const char* first, const char* second, const Table& table)
{
    return detail::Mix(first, second, table, 16, 111, 5);
}

// Hides where `text` points from the optimiser, so a key mixed from constant
// texts is computed when needed instead of being folded into the binary whole.
inline const char* AtRunTime(const char* text) noexcept
{
#if defined(__GNUC__)
    asm volatile("" : "+r"(text));
#endif
    return text;
}

// The form every pair of fixed texts must have, checked at compile time by
// the modules that hold them: printable characters below 128, the first text
// at most 16 long, the second non-zero at each of the `positions` mixed.
constexpr bool IsTextPair(const char* first, const char* second, std::size_t positions)
{
    if (!first || !second)
        return false;
    std::size_t n = 0;
    for (; first[n]; ++n)
        if (n >= 16 || first[n] < 32 || first[n] > 126)
            return false;
    for (std::size_t i = 0; i < positions; ++i)
        if (second[i] < 32 || second[i] > 126)
            return false;
    return true;
}

} // namespace Security::keymix
