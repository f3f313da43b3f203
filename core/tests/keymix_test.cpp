#include "keymix.h"
#include "modifykey_texts.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

using Security::keymix::MixKey;
using Security::keymix::MixKeyShorter;
using Security::keymix::MixKeyValuepad;
using Security::keytexts::kMixTable;
using tor::pswdsstr;
using wardlock_test::FromHex;

// A table whose entries are easy to follow by hand: T[r] = 10 * r + 1.
constexpr Security::keymix::Table kTenfoldTable
    = { 1, 11, 21, 31, 41, 51, 61, 71, 81, 91, 101, 111, 121, 131, 141, 151, 161 };

TEST(MixKey, KeyEndsAtTheFirstZeroByte)
{
    // Position 3: P = '5' (53), Q = '1' (49); r = 53 % 49 % 17 = 4, T[4] = 0x78;
    // 0x78 + (53 | 49) + 113 * 3 = 120 + 53 + 339 = 512, zero modulo 256.
    // Position 4 alone would give 0x2D, but the key stops at byte 3.
    const pswdsstr<16> key = MixKey("gk75t@#A,lXe=1&S", "pay1Yapc0,@=XUAh", kMixTable);
    EXPECT_EQ(key, FromHex("DEC8D9"));
}

TEST(MixKey, ByteAboveAsciiWrapsTheRemainderIntoTheTable)
{
    // Position 0: P = 0xC3 = -61, Q = 'a' = 97. -61 % 97 = -61, -61 % 17 = -10,
    // which would index before the table; -10 + 17 = 7, T[7] = 71;
    // 71 + (0xC3 | 0x61 = 0xE3 = 227) = 298 = 0x2A modulo 256.
    // Position 1: both texts have ended; a zero divisor takes T[0] = 1: 1 + 0 + 113 = 0x72.
    const pswdsstr<16> key = MixKey("\xC3", "a", kTenfoldTable);
    EXPECT_EQ(static_cast<unsigned char>(key[0]), 0x2A);
    EXPECT_EQ(static_cast<unsigned char>(key[1]), 0x72);
    EXPECT_EQ(key[16], 0);
}

TEST(MixKeyShorter, MixesOnlyTheShorterTextsLength)
{
    // 15 and 16 characters: the 16-position variant counts P[15] as zero and
    // gives a 16th byte; the tool's variant stops after 15 positions.
    const char* first = "ABCDEFGHIJKLMNO";
    const char* second = "abcdefghijklmnop";
    const pswdsstr<16> full = MixKey(first, second, kMixTable);
    const pswdsstr<16> shorter = MixKeyShorter(first, second, kMixTable);
    EXPECT_EQ(full, FromHex("7D5702C690420EF78AFDA91424175C1E"));
    EXPECT_EQ(shorter, FromHex("7D5702C690420EF78AFDA91424175C"));
    // Which text is shorter does not matter.
    EXPECT_EQ(MixKeyShorter(first, "abcdefghijklmno", kMixTable), shorter);
    EXPECT_EQ(MixKeyShorter("", second, kMixTable), pswdsstr<16>());
}

TEST(MixKeyShorter, AgreesWithTheCoreForTheModifyKeyPair)
{
    using namespace Security::keytexts;
    const pswdsstr<16> core = MixKey(kModifyKeyFirst, kModifyKeySecond, kMixTable);
    EXPECT_EQ(MixKeyShorter(kModifyKeyFirst, kModifyKeySecond, kMixTable), core);
    EXPECT_EQ(core.length(), 15U);
}

TEST(MixKeyValuepad, OwnFactorAndLowBitsSet)
{
    // Position 0: 'A' % 'B' = 65, 65 % 17 = 14, T'[14] = 141; 141 + (65 | 66 = 67) = 208,
    // 208 | 5 = 0xD5. Position 1: P ended, r = 0: 1 + 66 + 111 = 178 = 0xB2, | 5 = 0xB7.
    const pswdsstr<16> key = MixKeyValuepad("A", "BBBBBBBBBBBBBBBB", kTenfoldTable);
    EXPECT_EQ(key, FromHex("D5B72595FF6FDD4DBF2F9D0D77E755C5"));
    EXPECT_EQ(key.length(), 16U); // OR 5 leaves no zero byte to cut at
}

struct PairRow {
    const char* name;
    const char* first;
    const char* second;
    bool valid;
};
void PrintTo(const PairRow& row, std::ostream* out)
{
    *out << row.name;
}

class TextPairForm : public testing::TestWithParam<PairRow> { };

TEST_P(TextPairForm, Checked)
{
    EXPECT_EQ(
        Security::keymix::IsTextPair(GetParam().first, GetParam().second, 16), GetParam().valid);
}

INSTANTIATE_TEST_SUITE_P(Pairs, TextPairForm,
    testing::Values(PairRow { "sixteen_each", "0123456789abcdef", "ABCDEFGHIJKLMNOP", true },
        PairRow { "first_shorter", "abc", "ABCDEFGHIJKLMNOP", true },
        PairRow { "first_too_long", "0123456789abcdefg", "ABCDEFGHIJKLMNOP", false },
        PairRow { "second_too_short", "abc", "ABCDEFGHIJKLMNO", false },
        PairRow { "control_character", "ab\tc", "ABCDEFGHIJKLMNOP", false },
        PairRow { "above_ascii", "ab\xC3\xA4", "ABCDEFGHIJKLMNOP", false },
        PairRow { "null", nullptr, "ABCDEFGHIJKLMNOP", false }),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
