#pragma once
// The built-in parameter type "Database": the parameter's value is a
// database name (alias), and two hidden sub-parameters hold the database
// user ("User") and the stored form of its password ("Passwd"). It follows
// the plug-in protocol without a library.

#include <wardlock/keeper/parameditor.h>

#include <optional>
#include <string>

namespace Security::DatabaseType {

inline constexpr const char* kTypeName = "Database";
inline constexpr const char* kUserSub = "User";
inline constexpr const char* kPasswdSub = "Passwd";

// The edit context carries the application's password decoder in its
// callback field (the field's type is the iterate callback's).
void SetDecoder(TSecSmpParamEd& context, SecDlgDecoder decoder);
SecDlgDecoder DecoderOf(const TSecSmpParamEd& context);

// Inserts the hidden sub-parameters "User" and "Passwd".
bool Insert(const TSecParamEd& context);
// Calls the context's callback for the full names of "User" and "Passwd".
bool Iterate(const TSecSmpParamEd& context);
// Renames "User" and "Passwd" to themselves under the new name.
bool Rename(const TSecParamEd& context);
// The connection editor; the context's callback field holds the
// application's password decoder (or null).
tor::pswdsstr<16> Edit(const TSecSmpParamEd& context, bool& cancelled);

// The stored form of a typed password: the decoder's result for (text, the
// first key, the second key), or without a decoder the padded password
// (16 bytes, 0xA5 after the text). None when the form holds a zero byte
// before other bytes, which a text column would lose.
std::optional<tor::pswdsstr<16>> StoredPassword(
    const TSecSmpParamEd& context, const std::string& text);

} // namespace Security::DatabaseType
