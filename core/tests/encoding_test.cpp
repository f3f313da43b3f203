#include <wardlock/encoding.h>

#include "builtin_key_texts.h"
#include "keymix.h"
#include "modifykey_texts.h"
#include "stored_form.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using tor::pswdsstr;
using wardlock_test::FromHex;

pswdsstr<16> BuiltInKey()
{
    using namespace Security::keytexts;
    return Security::keymix::MixKey(kPasswordKeyFirst, kPasswordKeySecond, kMixTable);
}

bool HasZero(const pswdsstr<16>& block)
{
    return std::memchr(block.data(), 0, 16) != nullptr;
}

// ---- Block encoding ----

TEST(Encode, KnownAnswers)
{
    // Computed with an independent DES by the six steps (two schedules, the
    // middle-byte swaps), not by this code.
    struct Row {
        const char* data;
        const char* key;
        const char* encoded;
    };
    const Row rows[] = {
        { "000102030405060708090A0B0C0D0E0F", "30313233343536373839616263646566",
            "F442732F3B62D7099435EAB198EF6F70" },
        { "A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5", "133457799BBCDFF10E329232EA6D0D73",
            "00F230B25902D19692E00F27BB5CD229" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.data);
        EXPECT_EQ(Security::Encode(FromHex(row.data), FromHex(row.key)), FromHex(row.encoded));
        EXPECT_EQ(Security::Decode(FromHex(row.encoded), FromHex(row.key)), FromHex(row.data));
    }
}

struct RoundTrip {
    const char* name;
    pswdsstr<16> data;
    pswdsstr<16> key;
};
void PrintTo(const RoundTrip& row, std::ostream* out)
{
    *out << row.name;
}

class EncodeRoundTrip : public testing::TestWithParam<RoundTrip> { };

TEST_P(EncodeRoundTrip, DecodeRestoresDataAndTheSeventeenthByteIsKept)
{
    const pswdsstr<16> encoded = Security::Encode(GetParam().data, GetParam().key);
    EXPECT_NE(encoded, GetParam().data);
    EXPECT_EQ(encoded[16], GetParam().data[16]);
    EXPECT_EQ(Security::Decode(encoded, GetParam().key), GetParam().data);
}

std::vector<RoundTrip> RoundTripRows()
{
    std::vector<RoundTrip> rows = {
        { "zeros", FromHex("00"), FromHex("00") },
        { "ones", FromHex("FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"),
            FromHex("FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF") },
        { "zeros_with_ones_key", FromHex("00"), FromHex("FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF") },
        { "text_17th_byte_set", FromHex("7365637265740000000000000000000041"), pswdsstr<16>("k") },
    };
    std::mt19937 random(4631);
    for (int n = 0; n < 4; ++n) {
        std::array<char, 17> data {}, key {};
        for (std::size_t i = 0; i < 17; ++i) {
            data[i] = static_cast<char>(random());
            key[i] = static_cast<char>(random());
        }
        rows.push_back({ n == 0 ? "random0"
                : n == 1        ? "random1"
                : n == 2        ? "random2"
                                : "random3",
            pswdsstr<16>::from_raw(data), pswdsstr<16>::from_raw(key) });
    }
    return rows;
}

INSTANTIATE_TEST_SUITE_P(Blocks, EncodeRoundTrip, testing::ValuesIn(RoundTripRows()),
    [](const auto& info) { return std::string(info.param.name); });

class EncodeKeyBit : public testing::TestWithParam<int> { };

TEST_P(EncodeKeyBit, LowBitOfAKeyByteIsIgnoredOtherBitsCount)
{
    const pswdsstr<16> data("some value");
    const pswdsstr<16> key = FromHex("0123456789ABCDEF133457799BBCDFF1");
    const auto index = static_cast<std::size_t>(GetParam());

    pswdsstr<16> lowBitFlipped = key;
    lowBitFlipped[index] = static_cast<char>(lowBitFlipped[index] ^ 0x01);
    EXPECT_EQ(Security::Encode(data, lowBitFlipped), Security::Encode(data, key));

    // Both key halves are used: any other bit changes the result.
    pswdsstr<16> highBitFlipped = key;
    highBitFlipped[index] = static_cast<char>(highBitFlipped[index] ^ 0x80);
    EXPECT_NE(Security::Encode(data, highBitFlipped), Security::Encode(data, key));
}

INSTANTIATE_TEST_SUITE_P(KeyBytes, EncodeKeyBit, testing::Range(0, 16));

// ---- Stored form of passwords ----

// Walks the variants exactly as the stored form is defined, independently of
// the library's search.
std::pair<pswdsstr<16>, int> FirstZeroFreeVariant(const pswdsstr<16>& padded)
{
    const pswdsstr<16> key = BuiltInKey();
    const pswdsstr<16> direct = Security::Encode(padded, key);
    if (!HasZero(direct))
        return { direct, -1 };
    for (int p = 15; p >= 0; --p)
        for (int v = 0; v < 256; ++v) {
            pswdsstr<16> variant = padded;
            variant[static_cast<std::size_t>(p)] = static_cast<char>(v);
            const pswdsstr<16> encoded = Security::Encode(variant, key);
            if (!HasZero(encoded))
                return { encoded, p * 256 + v };
        }
    return { pswdsstr<16>(Security::keytexts::kStoredFormFallback), 4096 };
}

TEST(IntEncode, PadsWithA5)
{
    EXPECT_EQ(
        Security::storedform::PaddedPassword("abc"), FromHex("616263A5A5A5A5A5A5A5A5A5A5A5A5A500"));
    EXPECT_EQ(
        Security::storedform::PaddedPassword(""), FromHex("A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5"));
    EXPECT_EQ(
        Security::storedform::PaddedPassword(nullptr), Security::storedform::PaddedPassword(""));
    EXPECT_EQ(Security::storedform::PaddedPassword("0123456789abcdefXYZ"),
        pswdsstr<16>("0123456789abcdef"));
}

struct StoredFormRow {
    const char* name;
    const char* password;
    const char* storedHex;
    // Index of the variant the search settles on (p * 256 + v), -1 for none.
    int variant;
};
void PrintTo(const StoredFormRow& row, std::ostream* out)
{
    *out << row.name;
}

class IntEncodeKnownAnswer : public testing::TestWithParam<StoredFormRow> { };

// Stored forms in existing databases must never change: these were computed
// with an independent DES from the built-in texts and pin the key, the
// padding, the encoding and the zero-byte search together.
TEST_P(IntEncodeKnownAnswer, MatchesIndependentComputation)
{
    const pswdsstr<16> stored = Security::IntEncode(GetParam().password);
    EXPECT_EQ(stored, FromHex(GetParam().storedHex));
    EXPECT_FALSE(HasZero(stored));
    EXPECT_EQ(stored[16], 0);

    const auto [walked, variant]
        = FirstZeroFreeVariant(Security::storedform::PaddedPassword(GetParam().password));
    EXPECT_EQ(walked, stored);
    EXPECT_EQ(variant, GetParam().variant);
    if (GetParam().variant >= 0) {
        // A real case: the direct encoding holds a zero byte.
        EXPECT_TRUE(HasZero(Security::Encode(
            Security::storedform::PaddedPassword(GetParam().password), BuiltInKey())));
    }
}

INSTANTIATE_TEST_SUITE_P(Passwords, IntEncodeKnownAnswer,
    testing::Values(StoredFormRow { "empty", "", "9AD5DD5E0B59332D2E5FDE014F35AF8A", -1 },
        // Encode of the padded form holds a zero byte; variant (15, 0) is free.
        StoredFormRow { "admin", "admin", "D74C0B6DB99165FDC8E3178D68211EE3", 15 * 256 + 0 },
        // Direct and variant (15, 0) both hold a zero; (15, 1) is the first free one.
        StoredFormRow { "user133", "user133", "245EBE06552C126307423D0FB38D5FD6", 15 * 256 + 1 }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IntEncode, EmptyPasswordIsNeverTheEmptyText)
{
    EXPECT_FALSE(Security::IntEncode("").empty());
    EXPECT_EQ(Security::IntEncode(nullptr), Security::IntEncode(""));
}

TEST(IntEncode, OnlyTheFirstSixteenBytesCount)
{
    const pswdsstr<16> stored = Security::IntEncode("0123456789abcdef");
    EXPECT_EQ(Security::IntEncode("0123456789abcdefX"), stored);
    EXPECT_EQ(Security::IntEncode("0123456789abcdef and more"), stored);
    EXPECT_NE(Security::IntEncode("0123456789abcde"), stored);
}

// The search order and the fallback, with an encoder whose zero bytes the
// test controls: only the listed variants encode to a zero-free block.
constexpr int kDirect = -1;
constexpr int kFallback = 4096;

struct SearchRow {
    const char* name;
    std::vector<int> zeroFree; // variants p * 256 + v, or kDirect
    int expected;
};
void PrintTo(const SearchRow& row, std::ostream* out)
{
    *out << row.name;
}

// A zero-free block naming the variant, or a block full of zeros.
pswdsstr<16> FakeBlock(int variant, bool zeroFree)
{
    if (!zeroFree)
        return {};
    const int code = variant + 1; // 0 .. 4096, each nibble stored with a high bit set
    std::array<char, 17> raw {};
    raw.fill(0x77);
    raw[0] = static_cast<char>(0x10 | (code & 0xF));
    raw[1] = static_cast<char>(0x10 | ((code >> 4) & 0xF));
    raw[2] = static_cast<char>(0x10 | ((code >> 8) & 0xF));
    raw[3] = static_cast<char>(0x10 | (code >> 12));
    raw[16] = 0;
    return pswdsstr<16>::from_raw(raw);
}

class StoredFormSearch : public testing::TestWithParam<SearchRow> { };

TEST_P(StoredFormSearch, TakesTheFirstZeroFreeVariantInOrder)
{
    const pswdsstr<16> padded = Security::storedform::PaddedPassword("pw");
    const pswdsstr<16> fallback("FallbackConstant");
    int calls = 0;
    const auto fakeEncode = [&](const pswdsstr<16>& x) {
        ++calls;
        int variant = kDirect;
        for (int p = 0; p < 16; ++p)
            if (x[static_cast<std::size_t>(p)] != padded[static_cast<std::size_t>(p)])
                variant = p * 256 + static_cast<unsigned char>(x[static_cast<std::size_t>(p)]);
        const auto& listed = GetParam().zeroFree;
        return FakeBlock(variant, std::find(listed.begin(), listed.end(), variant) != listed.end());
    };

    const pswdsstr<16> result = Security::storedform::ZeroFree(padded, fakeEncode, fallback);
    if (GetParam().expected == kFallback) {
        EXPECT_EQ(result, fallback);
        EXPECT_EQ(calls, 1 + 16 * 256);
    } else {
        EXPECT_EQ(result, FakeBlock(GetParam().expected, true));
    }
}

INSTANTIATE_TEST_SUITE_P(Variants, StoredFormSearch,
    testing::Values(SearchRow { "direct_is_free", { kDirect, 15 * 256 }, kDirect },
        SearchRow {
            "last_position_searched_first", { 0 * 256 + 0, 15 * 256 + 200 }, 15 * 256 + 200 },
        SearchRow { "smallest_value_first", { 15 * 256 + 7, 15 * 256 + 3 }, 15 * 256 + 3 },
        SearchRow { "first_position_last", { 0 * 256 + 255 }, 0 * 256 + 255 },
        // Every variant holds a zero byte: all 4096 are tried, then the constant.
        SearchRow { "all_variants_hold_zero", {}, kFallback }),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Password check ----

pswdsstr<16> StoredWithSeventeenthByte(const char* password, char last)
{
    pswdsstr<16> stored = Security::IntEncode(password);
    stored[16] = last;
    return stored;
}

struct CheckRow {
    const char* name;
    const char* password;
    pswdsstr<16> stored;
    bool expected;
};
void PrintTo(const CheckRow& row, std::ostream* out)
{
    *out << row.name;
}

class CheckPswdCase : public testing::TestWithParam<CheckRow> { };

TEST_P(CheckPswdCase, ComparesStoredForms)
{
    EXPECT_EQ(Security::CheckPswd(GetParam().password, GetParam().stored), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Passwords, CheckPswdCase,
    testing::Values(CheckRow { "right", "secret", Security::IntEncode("secret"), true },
        CheckRow { "wrong_case", "Secret", Security::IntEncode("secret"), false },
        CheckRow { "wrong_empty", "", Security::IntEncode("secret"), false },
        CheckRow { "empty_matches_empty_form", "", Security::IntEncode(""), true },
        CheckRow { "null_is_empty", nullptr, Security::IntEncode(""), true },
        CheckRow { "utf8", "p\xC3\xA4sswort", Security::IntEncode("p\xC3\xA4sswort"), true },
        CheckRow { "utf8_other_bytes", "passwort", Security::IntEncode("p\xC3\xA4sswort"), false },
        CheckRow { "any_against_no_password", "whatever", pswdsstr<16>(), true },
        CheckRow { "empty_against_no_password", "", pswdsstr<16>(), true },
        // Empty means first byte zero, whatever follows.
        CheckRow { "first_byte_zero", "x", FromHex("00FFFFFF"), true },
        CheckRow { "seventeenth_byte_differs", "secret", StoredWithSeventeenthByte("secret", 'x'),
            false }),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Password encoder hook ----

struct HookCall {
    int count = 0;
    std::string password;
    std::string key;
};
HookCall lastHookCall;

pswdsstr<16> ReversingHook(const char* padded, const char* key)
{
    ++lastHookCall.count;
    lastHookCall.password = padded;
    lastHookCall.key = key;
    pswdsstr<16> out;
    for (std::size_t i = 0; i < 16; ++i)
        out[i] = padded[15 - i];
    return out;
}

TEST(EncoderHook, IntEncodeUsesOnlyTheHook)
{
    lastHookCall = {};
    const pswdsstr<16> stored = Security::IntEncode("abc", ReversingHook);
    EXPECT_EQ(lastHookCall.count, 1);
    EXPECT_EQ(lastHookCall.password, "abc" + std::string(13, '\xA5'));
    EXPECT_EQ(lastHookCall.key, "");
    EXPECT_EQ(stored, FromHex("A5A5A5A5A5A5A5A5A5A5A5A5A5636261"));
}

TEST(EncoderHook, CheckPswdComparesAgainstTheHooksOutput)
{
    const pswdsstr<16> hookForm = Security::IntEncode("abc", ReversingHook);
    EXPECT_TRUE(Security::CheckPswd("abc", hookForm, ReversingHook));
    EXPECT_FALSE(Security::CheckPswd("abd", hookForm, ReversingHook));
    // The built-in stored form means nothing to an application with a hook.
    EXPECT_FALSE(Security::CheckPswd("abc", Security::IntEncode("abc"), ReversingHook));
    EXPECT_FALSE(Security::CheckPswd("abc", hookForm));
}

// ---- Modify key ----

pswdsstr<16> ToolModifyKey()
{
    using namespace Security::keytexts;
    return Security::keymix::MixKeyShorter(kModifyKeyFirst, kModifyKeySecond, kMixTable);
}

TEST(ModifyKey, AcceptsTheKeyTheAccountToolBuilds)
{
    EXPECT_EQ(ToolModifyKey().length(), 15U);
    EXPECT_TRUE(Security::CheckModifyKey(ToolModifyKey()));
    EXPECT_FALSE(Security::CheckModifyKey(pswdsstr<16>()));
}

class ModifyKeyByte : public testing::TestWithParam<int> { };

TEST_P(ModifyKeyByte, RefusesAKeyDifferingInOneByte)
{
    pswdsstr<16> key = ToolModifyKey();
    const auto index = static_cast<std::size_t>(GetParam());
    key[index] = static_cast<char>(key[index] ^ 0x40);
    EXPECT_FALSE(Security::CheckModifyKey(key));
}

// Bytes 15 and 16 are the terminators: a longer key or a stray 17th byte is refused too.
INSTANTIATE_TEST_SUITE_P(AllSeventeen, ModifyKeyByte, testing::Range(0, 17));

// ---- Database password decoder ----

TEST(SimpleDecodePasswd, CopiesUnchanged)
{
    for (const char* stored : { "", "KDplenovit", "p\xC3\xA4ss w\xC3\xB6rd,=;'\"" }) {
        SCOPED_TRACE(stored);
        std::string buffer(std::strlen(stored) + 1, '#');
        EXPECT_EQ(Security::SimpleDecodePasswd(stored, buffer.data()), buffer.data());
        EXPECT_STREQ(buffer.c_str(), stored);
    }
    char out[1] = { 'x' };
    EXPECT_EQ(Security::SimpleDecodePasswd(nullptr, out), out);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(Security::SimpleDecodePasswd("abc", nullptr), nullptr);
}

} // namespace
