#include "des.h"

#include <cstddef>

namespace Security::des {
namespace {

// Tables of the standard, bit numbers counted from 1 at the most significant bit.
// clang-format off

constexpr std::uint8_t kInitialPermutation[64] = {
    58, 50, 42, 34, 26, 18, 10, 2, 60, 52, 44, 36, 28, 20, 12, 4,
    62, 54, 46, 38, 30, 22, 14, 6, 64, 56, 48, 40, 32, 24, 16, 8,
    57, 49, 41, 33, 25, 17, 9, 1, 59, 51, 43, 35, 27, 19, 11, 3,
    61, 53, 45, 37, 29, 21, 13, 5, 63, 55, 47, 39, 31, 23, 15, 7,
};

constexpr std::uint8_t kFinalPermutation[64] = {
    40, 8, 48, 16, 56, 24, 64, 32, 39, 7, 47, 15, 55, 23, 63, 31,
    38, 6, 46, 14, 54, 22, 62, 30, 37, 5, 45, 13, 53, 21, 61, 29,
    36, 4, 44, 12, 52, 20, 60, 28, 35, 3, 43, 11, 51, 19, 59, 27,
    34, 2, 42, 10, 50, 18, 58, 26, 33, 1, 41, 9, 49, 17, 57, 25,
};

constexpr std::uint8_t kPermutationP[32] = {
    16, 7, 20, 21, 29, 12, 28, 17, 1, 15, 23, 26, 5, 18, 31, 10,
    2, 8, 24, 14, 32, 27, 3, 9, 19, 13, 30, 6, 22, 11, 4, 25,
};

constexpr std::uint8_t kPermutedChoice1[56] = {
    57, 49, 41, 33, 25, 17, 9, 1, 58, 50, 42, 34, 26, 18,
    10, 2, 59, 51, 43, 35, 27, 19, 11, 3, 60, 52, 44, 36,
    63, 55, 47, 39, 31, 23, 15, 7, 62, 54, 46, 38, 30, 22,
    14, 6, 61, 53, 45, 37, 29, 21, 13, 5, 28, 20, 12, 4,
};

constexpr std::uint8_t kPermutedChoice2[48] = {
    14, 17, 11, 24, 1, 5, 3, 28, 15, 6, 21, 10,
    23, 19, 12, 4, 26, 8, 16, 7, 27, 20, 13, 2,
    41, 52, 31, 37, 47, 55, 30, 40, 51, 45, 33, 48,
    44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32,
};

constexpr std::uint8_t kRotations[16] = { 1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1 };

constexpr std::uint8_t kSBoxes[8][4][16] = {
    { { 14, 4, 13, 1, 2, 15, 11, 8, 3, 10, 6, 12, 5, 9, 0, 7 },
      { 0, 15, 7, 4, 14, 2, 13, 1, 10, 6, 12, 11, 9, 5, 3, 8 },
      { 4, 1, 14, 8, 13, 6, 2, 11, 15, 12, 9, 7, 3, 10, 5, 0 },
      { 15, 12, 8, 2, 4, 9, 1, 7, 5, 11, 3, 14, 10, 0, 6, 13 } },
    { { 15, 1, 8, 14, 6, 11, 3, 4, 9, 7, 2, 13, 12, 0, 5, 10 },
      { 3, 13, 4, 7, 15, 2, 8, 14, 12, 0, 1, 10, 6, 9, 11, 5 },
      { 0, 14, 7, 11, 10, 4, 13, 1, 5, 8, 12, 6, 9, 3, 2, 15 },
      { 13, 8, 10, 1, 3, 15, 4, 2, 11, 6, 7, 12, 0, 5, 14, 9 } },
    { { 10, 0, 9, 14, 6, 3, 15, 5, 1, 13, 12, 7, 11, 4, 2, 8 },
      { 13, 7, 0, 9, 3, 4, 6, 10, 2, 8, 5, 14, 12, 11, 15, 1 },
      { 13, 6, 4, 9, 8, 15, 3, 0, 11, 1, 2, 12, 5, 10, 14, 7 },
      { 1, 10, 13, 0, 6, 9, 8, 7, 4, 15, 14, 3, 11, 5, 2, 12 } },
    { { 7, 13, 14, 3, 0, 6, 9, 10, 1, 2, 8, 5, 11, 12, 4, 15 },
      { 13, 8, 11, 5, 6, 15, 0, 3, 4, 7, 2, 12, 1, 10, 14, 9 },
      { 10, 6, 9, 0, 12, 11, 7, 13, 15, 1, 3, 14, 5, 2, 8, 4 },
      { 3, 15, 0, 6, 10, 1, 13, 8, 9, 4, 5, 11, 12, 7, 2, 14 } },
    { { 2, 12, 4, 1, 7, 10, 11, 6, 8, 5, 3, 15, 13, 0, 14, 9 },
      { 14, 11, 2, 12, 4, 7, 13, 1, 5, 0, 15, 10, 3, 9, 8, 6 },
      { 4, 2, 1, 11, 10, 13, 7, 8, 15, 9, 12, 5, 6, 3, 0, 14 },
      { 11, 8, 12, 7, 1, 14, 2, 13, 6, 15, 0, 9, 10, 4, 5, 3 } },
    { { 12, 1, 10, 15, 9, 2, 6, 8, 0, 13, 3, 4, 14, 7, 5, 11 },
      { 10, 15, 4, 2, 7, 12, 9, 5, 6, 1, 13, 14, 0, 11, 3, 8 },
      { 9, 14, 15, 5, 2, 8, 12, 3, 7, 0, 4, 10, 1, 13, 11, 6 },
      { 4, 3, 2, 12, 9, 5, 15, 10, 11, 14, 1, 7, 6, 0, 8, 13 } },
    { { 4, 11, 2, 14, 15, 0, 8, 13, 3, 12, 9, 7, 5, 10, 6, 1 },
      { 13, 0, 11, 7, 4, 9, 1, 10, 14, 3, 5, 12, 2, 15, 8, 6 },
      { 1, 4, 11, 13, 12, 3, 7, 14, 10, 15, 6, 8, 0, 5, 9, 2 },
      { 6, 11, 13, 8, 1, 4, 10, 7, 9, 5, 0, 15, 14, 2, 3, 12 } },
    { { 13, 2, 8, 4, 6, 15, 11, 1, 10, 9, 3, 14, 5, 0, 12, 7 },
      { 1, 15, 13, 8, 10, 3, 7, 4, 12, 5, 6, 11, 0, 14, 9, 2 },
      { 7, 11, 4, 1, 9, 12, 14, 2, 0, 6, 10, 13, 15, 3, 5, 8 },
      { 2, 1, 14, 7, 4, 10, 8, 13, 15, 12, 9, 0, 3, 5, 6, 11 } },
};
// clang-format on

// out bit i (from the top of an outBits-wide value) := in bit table[i - 1]
// (from the top of an inBits-wide value).
constexpr std::uint64_t Permute(
    std::uint64_t in, const std::uint8_t* table, int outBits, int inBits)
{
    std::uint64_t out = 0;
    for (int i = 0; i < outBits; ++i) {
        const std::uint64_t bit = (in >> (inBits - table[i])) & 1U;
        out |= bit << (outBits - 1 - i);
    }
    return out;
}

// The 64-bit block permutations looked up a byte at a time: entry [b][v] is
// the output of the permutation for input byte b (0 = most significant) = v
// and all other bytes zero.
using BytePermutation = std::array<std::array<std::uint64_t, 256>, 8>;

constexpr BytePermutation MakeBytePermutation(const std::uint8_t* table)
{
    BytePermutation result {};
    for (int b = 0; b < 8; ++b)
        for (int v = 0; v < 256; ++v)
            result[b][v] = Permute(static_cast<std::uint64_t>(v) << (56 - 8 * b), table, 64, 64);
    return result;
}

constexpr BytePermutation kInitialLookup = MakeBytePermutation(kInitialPermutation);
constexpr BytePermutation kFinalLookup = MakeBytePermutation(kFinalPermutation);

std::uint64_t PermuteBlock(const BytePermutation& lookup, std::uint64_t block) noexcept
{
    std::uint64_t out = 0;
    for (int b = 0; b < 8; ++b)
        out |= lookup[b][(block >> (56 - 8 * b)) & 0xFF];
    return out;
}

// S-box j with the permutation P already applied to its output, indexed by
// the raw 6-bit input (row = outer bits, column = inner four bits).
using SpBoxes = std::array<std::array<std::uint32_t, 64>, 8>;

constexpr SpBoxes MakeSpBoxes()
{
    SpBoxes result {};
    for (int j = 0; j < 8; ++j) {
        for (int v = 0; v < 64; ++v) {
            const int row = ((v >> 4) & 2) | (v & 1);
            const int column = (v >> 1) & 0xF;
            const std::uint64_t sOut = static_cast<std::uint64_t>(kSBoxes[j][row][column])
                << (28 - 4 * j);
            result[j][v] = static_cast<std::uint32_t>(Permute(sOut, kPermutationP, 32, 32));
        }
    }
    return result;
}

constexpr SpBoxes kSpBoxes = MakeSpBoxes();

constexpr std::uint32_t RotateRight(std::uint32_t value, int count)
{
    return count == 0 ? value : (value >> count) | (value << (32 - count));
}

// The cipher function f(R, K): expansion E, key mixing, S-boxes and P. E
// hands S-box j the bits 4j .. 4j + 5 of R (cyclic, counted from 1 at the
// top), which a rotation brings to the low six bits.
std::uint32_t Feistel(std::uint32_t right, const std::array<std::uint8_t, 8>& subkey) noexcept
{
    std::uint32_t out = 0;
    for (int j = 0; j < 7; ++j)
        out |= kSpBoxes[j][(RotateRight(right, 27 - 4 * j) & 0x3F) ^ subkey[j]];
    const std::uint32_t last = (right << 1) | (right >> 31);
    out |= kSpBoxes[7][(last & 0x3F) ^ subkey[7]];
    return out;
}

std::uint64_t LoadBigEndian(const std::uint8_t bytes[8]) noexcept
{
    std::uint64_t value = 0;
    for (int i = 0; i < 8; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

void StoreBigEndian(std::uint64_t value, std::uint8_t bytes[8]) noexcept
{
    for (int i = 7; i >= 0; --i) {
        bytes[i] = static_cast<std::uint8_t>(value & 0xFF);
        value >>= 8;
    }
}

constexpr std::uint32_t Rotate28(std::uint32_t half, int count)
{
    return ((half << count) | (half >> (28 - count))) & 0x0FFFFFFF;
}

} // namespace

KeySchedule EncryptionSchedule(const std::uint8_t key[8]) noexcept
{
    // PC-1 never selects bits 8, 16, ..., 64: the parity bits drop out here.
    const std::uint64_t cd = Permute(LoadBigEndian(key), kPermutedChoice1, 56, 64);
    std::uint32_t c = static_cast<std::uint32_t>(cd >> 28) & 0x0FFFFFFF;
    std::uint32_t d = static_cast<std::uint32_t>(cd) & 0x0FFFFFFF;
    KeySchedule schedule;
    for (int round = 0; round < 16; ++round) {
        c = Rotate28(c, kRotations[round]);
        d = Rotate28(d, kRotations[round]);
        const std::uint64_t joined = (static_cast<std::uint64_t>(c) << 28) | d;
        const std::uint64_t subkey = Permute(joined, kPermutedChoice2, 48, 56);
        for (int j = 0; j < 8; ++j)
            schedule.subkeys[round][j] = static_cast<std::uint8_t>((subkey >> (42 - 6 * j)) & 0x3F);
    }
    return schedule;
}

KeySchedule DecryptionSchedule(const std::uint8_t key[8]) noexcept
{
    const KeySchedule forward = EncryptionSchedule(key);
    KeySchedule reversed;
    for (std::size_t round = 0; round < 16; ++round)
        reversed.subkeys[round] = forward.subkeys[15 - round];
    return reversed;
}

void CryptBlock(const KeySchedule& schedule, const std::uint8_t in[8], std::uint8_t out[8]) noexcept
{
    const std::uint64_t permuted = PermuteBlock(kInitialLookup, LoadBigEndian(in));
    std::uint32_t left = static_cast<std::uint32_t>(permuted >> 32);
    std::uint32_t right = static_cast<std::uint32_t>(permuted);
    for (const auto& subkey : schedule.subkeys) {
        const std::uint32_t next = left ^ Feistel(right, subkey);
        left = right;
        right = next;
    }
    // The halves leave the last round swapped (R16 L16) before the final permutation.
    const std::uint64_t preoutput = (static_cast<std::uint64_t>(right) << 32) | left;
    StoreBigEndian(PermuteBlock(kFinalLookup, preoutput), out);
}

} // namespace Security::des
