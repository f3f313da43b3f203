#pragma once
// The two encoded values the creation tool writes: a user's stored password
// and the administration account's password. Both are 16 raw bytes that
// travel as one character per byte (Latin-1).

#include <QByteArray>
#include <QString>

namespace Security::Schema {

// The stored form of a user's password, as the login compares it (the core's
// one-way encoding), as text with one character per byte.
QString StoredPasswordText(const QByteArray& password);

// The administration account's password encoded with the administration
// module's key, as text with one character per byte. Throws SchemaError when
// the password is longer than 16 bytes, empty, or encodes to a block holding
// a zero byte (such a block would be cut short in a text column).
QString EncodeAccountPassword(const QByteArray& password);

// The inverse, as the administration module reads the setting back.
QByteArray DecodeAccountPassword(const QString& stored);

// A random 16-character password of letters and digits whose encoded form
// holds no zero byte.
QByteArray RandomAccountPassword();

} // namespace Security::Schema
