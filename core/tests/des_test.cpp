#include "des.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>

namespace {

struct KnownAnswer {
    const char* name;
    std::uint64_t key;
    std::uint64_t plain;
    std::uint64_t cipher;
};
void PrintTo(const KnownAnswer& row, std::ostream* out)
{
    *out << row.name;
}

void ToBytes(std::uint64_t value, std::uint8_t bytes[8])
{
    for (int i = 7; i >= 0; --i, value >>= 8)
        bytes[i] = static_cast<std::uint8_t>(value);
}

std::uint64_t FromBytes(const std::uint8_t bytes[8])
{
    std::uint64_t value = 0;
    for (int i = 0; i < 8; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

class DesKnownAnswer : public testing::TestWithParam<KnownAnswer> { };

TEST_P(DesKnownAnswer, EncryptsAndDecrypts)
{
    std::uint8_t key[8], plain[8], cipher[8], out[8];
    ToBytes(GetParam().key, key);
    ToBytes(GetParam().plain, plain);
    ToBytes(GetParam().cipher, cipher);

    Security::des::CryptBlock(Security::des::EncryptionSchedule(key), plain, out);
    EXPECT_EQ(FromBytes(out), GetParam().cipher);
    Security::des::CryptBlock(Security::des::DecryptionSchedule(key), cipher, out);
    EXPECT_EQ(FromBytes(out), GetParam().plain);
}

// Published vectors (FIPS 81 / NIST SP 800-17 tables and the classic worked
// example), also checked against an independent DES before pinning.
INSTANTIATE_TEST_SUITE_P(Published, DesKnownAnswer,
    testing::Values(KnownAnswer { "worked_example", 0x133457799BBCDFF1, 0x0123456789ABCDEF,
                        0x85E813540F0AB405 },
        KnownAnswer { "now_is_t", 0x0123456789ABCDEF, 0x4E6F772069732074, 0x3FA40E8A984D4815 },
        KnownAnswer { "to_zero", 0x0E329232EA6D0D73, 0x8787878787878787, 0x0000000000000000 },
        KnownAnswer { "zero_key_zero_block", 0x0000000000000000, 0, 0x8CA64DE9C1B123A7 },
        KnownAnswer {
            "ones_key_ones_block", 0xFFFFFFFFFFFFFFFF, 0xFFFFFFFFFFFFFFFF, 0x7359B2163E4EDC58 },
        // Variable plaintext, key with only parity bits set.
        KnownAnswer { "vp_bit1", 0x0101010101010101, 0x8000000000000000, 0x95F8A5E5DD31D900 },
        KnownAnswer { "vp_bit2", 0x0101010101010101, 0x4000000000000000, 0xDD7F121CA5015619 },
        KnownAnswer { "vp_bit3", 0x0101010101010101, 0x2000000000000000, 0x2E8653104F3834EA },
        KnownAnswer { "vp_bit4", 0x0101010101010101, 0x1000000000000000, 0x4BD388FF6CD81D4F },
        KnownAnswer { "vp_bit64", 0x0101010101010101, 0x0000000000000001, 0x166B40B44ABA4BD6 },
        // Variable key, zero plaintext.
        KnownAnswer { "vk_bit1", 0x8001010101010101, 0, 0x95A8D72813DAA94D },
        KnownAnswer { "vk_bit2", 0x4001010101010101, 0, 0x0EEC1487DD8C26D5 },
        KnownAnswer { "vk_bit3", 0x2001010101010101, 0, 0x7AD16FFB79C45926 }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Des, InPlaceOperationMatchesSeparateBuffers)
{
    std::uint8_t key[8], block[8];
    ToBytes(0x133457799BBCDFF1, key);
    ToBytes(0x0123456789ABCDEF, block);
    Security::des::CryptBlock(Security::des::EncryptionSchedule(key), block, block);
    EXPECT_EQ(FromBytes(block), 0x85E813540F0AB405U);
}

} // namespace
