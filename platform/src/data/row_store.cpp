// Conversions between values and the cells of the row store.

#include "row_store.h"

#include <QDateTime>

#include <cmath>

namespace vcl {

namespace store {

Kind KindFor(TFieldType type)
{
    switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
        return Kind::Int;
    case ftBoolean:
        return Kind::Bool;
    case ftFloat:
    case ftCurrency:
    case ftBCD:
        return Kind::Double;
    case ftBlob:
    case ftBytes:
    case ftVarBytes:
    case ftGraphic:
    case ftTypedBinary:
        return Kind::Bytes;
    default:
        return Kind::Text;
    }
}

bool NumericCell(Kind kind, const QVariant& value, const std::string& fieldName, uint64_t& cell)
{
    const int type = value.typeId();
    auto bad = [&](const char* what) {
        throw EConvertError("'" + value.toString().toStdString() + "' is not a valid " + what
            + " value for field '" + fieldName + "'");
    };
    switch (kind) {
    case Kind::Int: {
        if (type == QMetaType::Int) {
            cell = static_cast<uint64_t>(
                static_cast<int64_t>(*static_cast<const int*>(value.constData())));
            return true;
        }
        if (type == QMetaType::LongLong) {
            cell = static_cast<uint64_t>(*static_cast<const qlonglong*>(value.constData()));
            return true;
        }
        if (type == QMetaType::Bool) {
            cell = value.toBool() ? 1 : 0;
            return true;
        }
        bool ok = false;
        qlonglong v = value.toLongLong(&ok);
        if (!ok) {
            const QString t = value.toString().trimmed();
            v = t.toLongLong(&ok);
            if (!ok) {
                double d = t.toDouble(&ok);
                if (!ok || d != std::floor(d))
                    bad("integer");
                v = static_cast<qlonglong>(d);
            }
        }
        cell = static_cast<uint64_t>(v);
        return true;
    }
    case Kind::Bool: {
        if (type == QMetaType::QString || type == QMetaType::QByteArray) {
            const QString t = value.toString().trimmed().toLower();
            if (t == u"t" || t == u"true" || t == u"1" || t == u"y" || t == u"yes")
                cell = 1;
            else if (t == u"f" || t == u"false" || t == u"0" || t == u"n" || t == u"no")
                cell = 0;
            else
                bad("boolean");
            return true;
        }
        bool ok = false;
        double d = value.toDouble(&ok);
        if (!ok)
            bad("boolean");
        cell = d != 0 ? 1 : 0;
        return true;
    }
    case Kind::Double: {
        bool ok = false;
        double d = value.toDouble(&ok);
        if (!ok)
            bad("floating point");
        std::memcpy(&cell, &d, sizeof cell);
        return true;
    }
    default:
        return false;
    }
}

void AppendUtf8(const QString& text, std::string& buffer)
{
    // Straight from UTF-16, without a temporary array.
    const char16_t* p = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        uint32_t c = p[i];
        if (c < 0x80) {
            buffer.push_back(static_cast<char>(c));
            continue;
        }
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < n && p[i + 1] >= 0xDC00 && p[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (p[++i] - 0xDC00);
        else if (c >= 0xD800 && c < 0xE000)
            c = 0xFFFD; // a lone surrogate
        if (c < 0x800) {
            buffer.push_back(static_cast<char>(0xC0 | (c >> 6)));
        } else if (c < 0x10000) {
            buffer.push_back(static_cast<char>(0xE0 | (c >> 12)));
            buffer.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        } else {
            buffer.push_back(static_cast<char>(0xF0 | (c >> 18)));
            buffer.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            buffer.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        }
        buffer.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

void StoreVariant(
    RowStore& s, int column, uint32_t rec, const QVariant& value, const std::string& fieldName)
{
    const Kind kind = s.kind(column);
    if (kind == Kind::None)
        return;
    if (value.isNull() || !value.isValid()) {
        s.setNull(column, rec);
        return;
    }
    const int type = value.typeId();
    switch (kind) {
    case Kind::Int:
    case Kind::Bool:
    case Kind::Double: {
        uint64_t cell = 0;
        NumericCell(kind, value, fieldName, cell);
        if (kind == Kind::Int)
            s.setInt(column, rec, static_cast<int64_t>(cell));
        else if (kind == Kind::Bool)
            s.setBool(column, rec, cell != 0);
        else {
            double d;
            std::memcpy(&d, &cell, sizeof d);
            s.setDouble(column, rec, d);
        }
        return;
    }
    case Kind::Bytes: {
        const QByteArray bytes
            = type == QMetaType::QString ? value.toString().toLatin1() : value.toByteArray();
        s.setText(
            column, rec, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
        return;
    }
    case Kind::Text: {
        if (type == QMetaType::QString) {
            thread_local std::string buffer;
            buffer.clear();
            AppendUtf8(*static_cast<const QString*>(value.constData()), buffer);
            s.setText(column, rec, buffer);
            return;
        }
        QByteArray utf8;
        if (type == QMetaType::QByteArray)
            utf8 = value.toByteArray();
        else if (type == QMetaType::Bool)
            utf8 = value.toBool() ? "True" : "False";
        else if (type == QMetaType::QDateTime)
            utf8 = value.toDateTime().toString(Qt::ISODate).toUtf8();
        else
            utf8 = value.toString().toUtf8();
        s.setText(
            column, rec, std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
        return;
    }
    case Kind::None:
        return;
    }
}

QVariant ReadVariant(const RowStore& s, int column, uint32_t rec, TFieldType type)
{
    if (column < 0 || s.isNull(column, rec))
        return {};
    switch (s.kind(column)) {
    case Kind::Int:
        if (type == ftLargeint)
            return QVariant(qlonglong(s.getInt(column, rec)));
        return QVariant(static_cast<int>(s.getInt(column, rec)));
    case Kind::Bool:
        return QVariant(s.getBool(column, rec));
    case Kind::Double:
        return QVariant(s.getDouble(column, rec));
    case Kind::Bytes: {
        auto v = s.getText(column, rec);
        return QVariant(QByteArray(v.data(), static_cast<qsizetype>(v.size())));
    }
    case Kind::Text: {
        auto v = s.getText(column, rec);
        return QVariant(QString::fromUtf8(v.data(), static_cast<qsizetype>(v.size())));
    }
    case Kind::None:
        break;
    }
    return {};
}

} // namespace store

} // namespace vcl
