#pragma once
// DES as published in FIPS 46-3, for single 8-byte blocks. Private to the core:
// the block encoding is the only user. A block's 8 bytes are read as two
// 32-bit words, most significant byte first, as the standard numbers its bits.

#include <array>
#include <cstdint>

namespace Security::des {

// The 16 round subkeys in the order they are applied, each as eight 6-bit
// groups (one per S-box).
struct KeySchedule {
    std::array<std::array<std::uint8_t, 8>, 16> subkeys {};
};

// The low bit of every key byte (the parity bit) is ignored.
KeySchedule EncryptionSchedule(const std::uint8_t key[8]) noexcept;
// The encryption subkeys in reverse order.
KeySchedule DecryptionSchedule(const std::uint8_t key[8]) noexcept;

// One block through the 16 rounds with `schedule`; `in` and `out` may be the same.
void CryptBlock(
    const KeySchedule& schedule, const std::uint8_t in[8], std::uint8_t out[8]) noexcept;

} // namespace Security::des
