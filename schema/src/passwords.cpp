#include "passwords.h"

#include "admin_key_texts.h"
#include "security_db.h"

#include <wardlock/encoding.h>

#include <QRandomGenerator>

#include <array>

namespace Security::Schema {

namespace {

bool HasZeroByte(const tor::pswdsstr<16>& block)
{
    for (std::size_t i = 0; i < 16; ++i)
        if (block[i] == 0)
            return true;
    return false;
}

tor::pswdsstr<16> EncodeForAccount(const QByteArray& password)
{
    // The password as a pswdsstr: its bytes, then zeros up to the 17th byte.
    return Encode(tor::pswdsstr<16>(password), keytexts::AdminAccountKey());
}

QString Latin1(const tor::pswdsstr<16>& block)
{
    return QString::fromLatin1(block.data(), static_cast<qsizetype>(block.length()));
}

} // namespace

QString StoredPasswordText(const QByteArray& password)
{
    // The core's stored form never holds a zero byte, so all 16 bytes count.
    return Latin1(IntEncode(password.constData()));
}

QString EncodeAccountPassword(const QByteArray& password)
{
    if (password.isEmpty() || password.size() > 16 || password.contains('\0'))
        throw SchemaError(QStringLiteral("the administration role password must have 1 to 16 "
                                         "bytes"));
    const tor::pswdsstr<16> encoded = EncodeForAccount(password);
    if (HasZeroByte(encoded))
        throw SchemaError(QStringLiteral("the administration role password cannot be stored (its "
                                         "encoded form holds a zero byte); choose another one"));
    return Latin1(encoded);
}

QByteArray DecodeAccountPassword(const QString& stored)
{
    std::array<char, 17> raw {};
    const QByteArray bytes = stored.toLatin1().left(16);
    std::copy(bytes.begin(), bytes.end(), raw.begin());
    return Decode(tor::pswdsstr<16>::from_raw(raw), keytexts::AdminAccountKey()).toByteArray();
}

QByteArray RandomAccountPassword()
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QRandomGenerator* random = QRandomGenerator::system();
    for (;;) {
        QByteArray password;
        for (int i = 0; i < 16; ++i)
            password.append(alphabet[random->bounded(int(sizeof(alphabet) - 1))]);
        if (!HasZeroByte(EncodeForAccount(password)))
            return password;
    }
}

} // namespace Security::Schema
