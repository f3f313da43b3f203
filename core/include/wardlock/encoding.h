#pragma once
// Password and value encoding: the 16-byte block encoding every module uses
// for stored secrets, the one-way stored form of user passwords, the modify
// key check and the database password decoder.

#include <wardlock/pswdsstr.h>

namespace Security {

// Encodes the 16 data bytes with the 16 key bytes (DES based, two key
// schedules). The 17th byte is copied from `data`. Never fails; the low bit
// of every key byte is ignored.
tor::pswdsstr<16> Encode(const tor::pswdsstr<16>& data, const tor::pswdsstr<16>& key) noexcept;
// The inverse of Encode with the same key: Decode(Encode(x, k), k) == x.
tor::pswdsstr<16> Decode(const tor::pswdsstr<16>& data, const tor::pswdsstr<16>& key) noexcept;

// An application's password encoder: called with the padded password and an
// empty key text, returns the 17-byte stored form.
using EncoderHook = tor::pswdsstr<16> (*)(const char* paddedPassword, const char* keyText);

// The stored form of a user password (only its first 16 bytes count; bytes
// are taken as they are, so UTF-8 passwords work). With a hook the hook alone
// decides; otherwise the built-in key encodes, and the result never holds a
// zero byte so it survives a text column. The stored form is never decoded.
// A null password counts as the empty password.
tor::pswdsstr<16> IntEncode(const char* password, EncoderHook hook = nullptr);

// True when IntEncode(password) equals `stored` in all 17 bytes, or when
// `stored` is empty (a user without a password passes here; the login policy
// decides about empty passwords). The comparison takes the same time wherever
// the bytes differ.
bool CheckPswd(const char* password, const tor::pswdsstr<16>& stored, EncoderHook hook = nullptr);

// True when all 17 bytes of `key` equal the modify key, which is mixed at run
// time from two texts shared with the database account tool and never stored
// whole. Compared in constant time.
bool CheckModifyKey(const tor::pswdsstr<16>& key) noexcept;

// The database password decoder: gets the registered text and a buffer one
// byte longer than it, returns the buffer.
using PasswdDecoder = char* (*)(const char* stored, char* out);

// The decoder's initial value (TSecurity exposes it as SimpleDecodePasswd and
// keeps the process-wide hook DecodePasswd): copies `stored` unchanged into
// `out` and returns `out`. A null `stored` gives the empty text.
char* SimpleDecodePasswd(const char* stored, char* out) noexcept;

} // namespace Security
