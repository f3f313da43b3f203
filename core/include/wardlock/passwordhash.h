#pragma once
// Modern password storage, for security databases that opt in with the
// setting "PasswordStorage" = "argon2id": the password is kept as an Argon2id
// string (libsodium's crypto_pwhash_str at its interactive limits) in the
// column Users.PasswordHash, and the legacy 16-byte column holds a marker
// that no password encodes to. The legacy form is a reversible block under a
// key every copy of the library carries; an Argon2id string can only be
// attacked by trying passwords, each try costing the limits below.

#include <wardlock/pswdsstr.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace Security {

namespace PasswordHash {

// The limits every string is made with: libsodium's interactive limits.
inline constexpr unsigned long long kOpsLimit = 2;
inline constexpr std::size_t kMemLimit = 64u * 1024u * 1024u;

// Column widths: the string is at most 127 characters.
inline constexpr int kColumnWidth = 128;

// The Argon2id string of the password, random salt included. As with the
// legacy form only the first 16 bytes of the password count (a null
// password is the empty one), so a password keeps working whichever form
// stores it. Throws std::runtime_error when the memory it needs is not there.
std::string Make(const char* password);

// Whether `hash` is an Argon2id string that `password` matches. Never throws;
// a text that is not such a string matches no password.
bool Verify(std::string_view hash, const char* password) noexcept;

// Whether `text` looks like a string Make produced (the Argon2id prefix).
bool IsHash(std::string_view text) noexcept;

} // namespace PasswordHash

// What the legacy password column holds for a user whose password is an
// Argon2id string: 16 bytes without a zero byte (so it survives a text
// column, and is never the empty value that means "no password") that no
// password encodes to with the built-in key, so a library that knows only the
// legacy form refuses every password for such a user.
const tor::pswdsstr<16>& ModernFormMarker() noexcept;

// The settings of the security database that switch the modern form on.
inline constexpr char kPasswordStorageSetting[] = "PasswordStorage";
inline constexpr char kPasswordStorageArgon2id[] = "argon2id";
// Whether a value of the setting asks for Argon2id strings ("argon2id",
// without regard to case and surrounding blanks).
bool StoresArgon2id(std::string_view settingValue) noexcept;

} // namespace Security
