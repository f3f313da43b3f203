#include <wardlock/pswdsstr.h>

#include "test_support.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

using tor::pswdsstr;
using wardlock_test::FromHex;

struct TextCase {
    const char* name;
    const char* text;
    std::string expected;
};
void PrintTo(const TextCase& row, std::ostream* out)
{
    *out << row.name;
}

class PswdsstrFromText : public testing::TestWithParam<TextCase> { };

TEST_P(PswdsstrFromText, CopiesAtMostSixteenCharactersAndZeroFillsTheRest)
{
    const pswdsstr<16> value(GetParam().text);
    EXPECT_EQ(value.str(), GetParam().expected);
    EXPECT_EQ(value.length(), GetParam().expected.size());
    EXPECT_EQ(value.empty(), GetParam().expected.empty());
    for (std::size_t i = GetParam().expected.size(); i < 17; ++i)
        EXPECT_EQ(value[i], 0) << "byte " << i;
}

INSTANTIATE_TEST_SUITE_P(Texts, PswdsstrFromText,
    testing::Values(TextCase { "empty", "", "" }, TextCase { "null", nullptr, "" },
        TextCase { "short", "admin", "admin" },
        TextCase { "sixteen", "0123456789abcdef", "0123456789abcdef" },
        TextCase { "cut_to_sixteen", "0123456789abcdefTAIL", "0123456789abcdef" },
        // Bytes, not characters: a UTF-8 sequence may be cut in the middle.
        TextCase { "utf8_bytes",
            "\xC3\xA4\xC3\xB6\xC3\xBC\xC3\xA4\xC3\xB6\xC3\xBC\xC3\xA4\xC3\xB6\xC3",
            "\xC3\xA4\xC3\xB6\xC3\xBC\xC3\xA4\xC3\xB6\xC3\xBC\xC3\xA4\xC3\xB6" }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Pswdsstr, OtherTextSourcesStopAtZeroAndSixteen)
{
    EXPECT_EQ(pswdsstr<16>(std::string_view("ab\0cd", 5)), pswdsstr<16>("ab"));
    EXPECT_EQ(pswdsstr<16>(QByteArray("0123456789abcdefXY")), pswdsstr<16>("0123456789abcdef"));
    EXPECT_EQ(pswdsstr<16>(QByteArray("user")).toByteArray(), QByteArray("user"));
}

TEST(Pswdsstr, ComparesAllSeventeenBytes)
{
    const pswdsstr<16> text("abc");
    // Same text, but a byte after the terminator or the 17th byte differs:
    // encoded blocks are compared as blocks, not as texts.
    EXPECT_NE(text, FromHex("6162630000000000000000000000000001"));
    EXPECT_NE(text, FromHex("616263000000000000000000000000FF00"));
    EXPECT_EQ(text, FromHex("6162630000000000000000000000000000"));
}

TEST(Pswdsstr, RawBlocksKeepEveryByte)
{
    const pswdsstr<16> block = FromHex("FF80A5000102030405060708090A0B0C7E");
    EXPECT_EQ(static_cast<unsigned char>(block[0]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(block[16]), 0x7E);
    // The text view stops at the embedded zero; the copy keeps all 17 bytes.
    EXPECT_EQ(block.length(), 3U);
    EXPECT_EQ(block.str(), std::string("\xFF\x80\xA5"));
    const pswdsstr<16> copy = block;
    EXPECT_EQ(copy, block);
    EXPECT_EQ(pswdsstr<16>::from_raw(block.data()), block);
}

} // namespace
