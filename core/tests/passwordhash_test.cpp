// Argon2id password strings, the marker an Argon2id user's legacy column
// holds, and the settings that switch storage and throttling on.

#include <wardlock/encoding.h>
#include <wardlock/loginthrottle.h>
#include <wardlock/passwordhash.h>

#include "builtin_key_texts.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using tor::pswdsstr;
using namespace Security;

int ZeroBytes(const pswdsstr<16>& block)
{
    int zeros = 0;
    for (std::size_t i = 0; i < 16; ++i)
        zeros += block[i] == 0 ? 1 : 0;
    return zeros;
}

TEST(PasswordHash, MadeAtTheInteractiveLimitsAndVerified)
{
    const std::string hash = PasswordHash::Make("c0rrect horse");
    EXPECT_EQ(hash.rfind("$argon2id$v=19$m=65536,t=2,p=1$", 0), 0u) << hash;
    EXPECT_LT(hash.size(), std::size_t(PasswordHash::kColumnWidth));
    EXPECT_TRUE(PasswordHash::IsHash(hash));
    EXPECT_TRUE(PasswordHash::Verify(hash, "c0rrect horse"));
    EXPECT_FALSE(PasswordHash::Verify(hash, "c0rrect hors"));
    EXPECT_FALSE(PasswordHash::Verify(hash, ""));
    EXPECT_FALSE(PasswordHash::Verify(hash, nullptr));
    // A fresh salt each time: equal passwords never give equal strings.
    EXPECT_NE(PasswordHash::Make("c0rrect horse"), hash);
}

TEST(PasswordHash, OnlyTheFirstSixteenBytesCountAsInTheLegacyForm)
{
    const std::string hash = PasswordHash::Make("0123456789abcdefIGNORED");
    EXPECT_TRUE(PasswordHash::Verify(hash, "0123456789abcdef"));
    EXPECT_TRUE(PasswordHash::Verify(hash, "0123456789abcdefOTHER"));
    EXPECT_FALSE(PasswordHash::Verify(hash, "0123456789abcde"));
    // A null password is the empty one, as for the legacy form.
    EXPECT_TRUE(PasswordHash::Verify(PasswordHash::Make(nullptr), ""));
}

TEST(PasswordHash, TextsThatAreNoArgon2idStringMatchNothing)
{
    const std::string hash = PasswordHash::Make("pw");
    const std::string cases[] = {
        "",
        "pw",
        "$argon2i$v=19$m=65536,t=2,p=1$c29tZXNhbHQ$aGFzaA",
        hash.substr(0, hash.size() - 1), // cut short
        hash + std::string(200, 'A'), // longer than any string
        std::string(reinterpret_cast<const char*>(IntEncode("pw").data()), 16),
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(PasswordHash::Verify(text, "pw"));
    }
}

TEST(ModernFormMarker, NoPasswordEncodesToIt)
{
    const pswdsstr<16>& marker = ModernFormMarker();
    // Stored in a text column: no zero byte, and never the empty value that
    // means "no password".
    EXPECT_EQ(ZeroBytes(marker), 0);
    EXPECT_EQ(marker.length(), 16u);
    EXPECT_EQ(marker[16], 0);
    // Every legacy form encodes 16 bytes with at most one zero (the padded
    // password or a variant with one byte changed), or is the fallback text.
    const pswdsstr<16> plain = Decode(marker, keytexts::BuiltInPasswordKey());
    EXPECT_GE(ZeroBytes(plain), 2);
    EXPECT_NE(marker, pswdsstr<16>(keytexts::kStoredFormFallback));
    // Databases hold it: its value never changes.
    EXPECT_EQ(marker, wardlock_test::FromHex("52949A9AE610AAABF39B91E112FEAE1B"));
    // The decoded block as a password (its text up to the first zero).
    EXPECT_NE(IntEncode(plain.c_str()), marker);
}

TEST(StoresArgon2id, SettingValues)
{
    struct Row {
        const char* value;
        bool stores;
    };
    const Row rows[] = {
        { "argon2id", true },
        { "Argon2ID", true },
        { "  argon2id ", true }, // blanks around the value
        { "", false }, // absent or empty: the legacy form
        { "argon2", false },
        { "argon2id2", false },
        { "des", false },
    };
    for (const Row& row : rows)
        EXPECT_EQ(StoresArgon2id(row.value), row.stores) << '"' << row.value << '"';
}

TEST(LoginThrottle, SettingNumbers)
{
    struct Row {
        const char* value;
        int number;
    };
    const Row rows[] = {
        { "5", 5 }, { " 12 ", 12 }, { "0", 0 }, { "", 0 },
        { "-3", 0 }, // no sign: the database's procedures read it as 0 too
        { "+3", 0 }, { "5x", 0 }, { "1e3", 0 }, { "999999999", 999999999 },
        { "1000000000", 0 }, // more than nine digits
    };
    for (const Row& row : rows)
        EXPECT_EQ(LoginThrottle::SettingNumber(row.value), row.number) << '"' << row.value << '"';
}

} // namespace
