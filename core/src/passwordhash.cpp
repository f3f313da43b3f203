#include <wardlock/passwordhash.h>

#include <wardlock/encoding.h>

#include "builtin_key_texts.h"

#include <sodium.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <stdexcept>

namespace Security {

namespace {

constexpr std::string_view kArgon2idPrefix = "$argon2id$";

// libsodium's own set-up; safe to call from any thread, any number of times.
void InitSodium()
{
    static const int ready = sodium_init();
    if (ready < 0)
        throw std::runtime_error("libsodium could not be initialised");
}

// The part of a password that counts: its first 16 bytes.
std::size_t CountedLength(const char* password) noexcept
{
    return password ? strnlen(password, 16) : 0;
}

// Two zero bytes in the middle: the legacy form of every password is the
// encoding of 16 bytes without a zero (the padded password), or of one of its
// variants with a single byte changed, or the fallback text. A block that
// decodes to two zero bytes is none of these.
constexpr char kMarkerPlain[17]
    = { 'A', 'r', 'g', 'o', 'n', '2', 'i', 'd', 0, 0, 's', 't', 'o', 'r', 'e', 'd', 0 };

} // namespace

namespace PasswordHash {

std::string Make(const char* password)
{
    InitSodium();
    static_assert(crypto_pwhash_STRBYTES <= kColumnWidth);
    char out[crypto_pwhash_STRBYTES];
    const char* text = password ? password : "";
    if (crypto_pwhash_str_alg(
            out, text, CountedLength(password), kOpsLimit, kMemLimit, crypto_pwhash_ALG_ARGON2ID13)
        != 0)
        throw std::runtime_error("not enough memory to store the password");
    return out;
}

bool Verify(std::string_view hash, const char* password) noexcept
{
    if (!IsHash(hash) || hash.size() >= crypto_pwhash_STRBYTES)
        return false;
    try {
        InitSodium();
    } catch (...) {
        return false;
    }
    char terminated[crypto_pwhash_STRBYTES] = {};
    std::memcpy(terminated, hash.data(), hash.size());
    return crypto_pwhash_str_verify(terminated, password ? password : "", CountedLength(password))
        == 0;
}

bool IsHash(std::string_view text) noexcept
{
    return text.substr(0, kArgon2idPrefix.size()) == kArgon2idPrefix;
}

} // namespace PasswordHash

const tor::pswdsstr<16>& ModernFormMarker() noexcept
{
    static const tor::pswdsstr<16> marker
        = Encode(tor::pswdsstr<16>::from_raw(kMarkerPlain), keytexts::BuiltInPasswordKey());
    return marker;
}

bool StoresArgon2id(std::string_view settingValue) noexcept
{
    const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!settingValue.empty() && blank(settingValue.front()))
        settingValue.remove_prefix(1);
    while (!settingValue.empty() && blank(settingValue.back()))
        settingValue.remove_suffix(1);
    const std::string_view wanted = kPasswordStorageArgon2id;
    return settingValue.size() == wanted.size()
        && std::equal(settingValue.begin(), settingValue.end(), wanted.begin(),
            [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

} // namespace Security
