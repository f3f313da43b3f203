#include "wardlock/data/fields.h"

#include "wardlock/data/dataset.h"

#include "dataset_private.h"

#include <algorithm>
#include <cmath>

namespace vcl {

const char* FieldTypeName(TFieldType type) noexcept
{
    switch (type) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
        return "String";
    case ftSmallint:
        return "SmallInt";
    case ftInteger:
        return "Integer";
    case ftWord:
        return "Word";
    case ftBoolean:
        return "Boolean";
    case ftFloat:
        return "Float";
    case ftCurrency:
        return "Currency";
    case ftLargeint:
        return "LargeInt";
    case ftMemo:
        return "Memo";
    case ftBlob:
        return "Blob";
    case ftDate:
    case ftTime:
    case ftDateTime:
        return "DateTime";
    default:
        return "Unknown";
    }
}

namespace {

bool ParseBool(const QString& text, bool& value)
{
    const QString t = text.trimmed().toLower();
    if (t == u"true" || t == u"t" || t == u"yes" || t == u"y" || t == u"1") {
        value = true;
        return true;
    }
    if (t == u"false" || t == u"f" || t == u"no" || t == u"n" || t == u"0") {
        value = false;
        return true;
    }
    return false;
}

bool IsNumberType(int type)
{
    switch (type) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

} // namespace

TField::TField(TComponent* owner)
    : TComponent(owner)
{
}

TField::TField(TComponent* owner, TFieldType type, int size)
    : TComponent(owner)
    , dataType_(type)
    , size_(size)
{
}

TField::~TField()
{
    if (dataSet_)
        dataSet_->RemoveField(this);
}

void TField::SetDataSet(TDataSet* dataSet)
{
    if (dataSet == dataSet_)
        return;
    if (dataSet)
        dataSet->CheckInactive();
    if (dataSet_) {
        dataSet_->CheckInactive();
        dataSet_->RemoveField(this);
    }
    dataSet_ = nullptr;
    if (dataSet) {
        dataSet->AddField(this);
        dataSet_ = dataSet;
    }
}

void TField::SetFieldName(const std::string& name)
{
    if (dataSet_)
        dataSet_->CheckInactive();
    fieldName_ = name;
}

void TField::SetFieldKind(TFieldKind kind)
{
    if (kind == fieldKind_)
        return;
    if (dataSet_)
        dataSet_->CheckInactive();
    fieldKind_ = kind;
}

int TField::Index() const
{
    if (!dataSet_)
        return -1;
    for (int i = 0; i < dataSet_->FieldCount(); ++i)
        if (dataSet_->Fields(i) == this)
            return i;
    return -1;
}

void TField::SetSize(int size)
{
    if (dataSet_)
        dataSet_->CheckInactive();
    size_ = size;
}

int TField::DataSize() const
{
    return 0;
}

QVariant TField::GetData() const
{
    return dataSet_ ? dataSet_->FieldValue(this) : QVariant();
}

void TField::SetData(const QVariant& value)
{
    if (!dataSet_)
        throw EDatabaseError("Field '" + fieldName_ + "' has no dataset");
    dataSet_->SetFieldValue(this, value);
}

void TField::AccessError(const char* typeName) const
{
    throw EDatabaseError("Cannot access field '" + DisplayName() + "' as type " + typeName);
}

bool TField::IsNull() const
{
    return GetData().isNull();
}

std::string TField::AsString() const
{
    // Plain ASCII text of a stored row reads as it is; other text goes
    // through the general path, which repairs invalid UTF-8.
    if (const int64_t rec = dataSet_ ? dataSet_->StoredRecordOf(this) : -1; rec >= 0) {
        const store::RowStore& cells = dataSet_->d_->store;
        const auto r = static_cast<uint32_t>(rec);
        if (cells.kind(column_) == store::Kind::Text) {
            if (cells.isNull(column_, r))
                return {};
            const std::string_view text = cells.getText(column_, r);
            if (std::all_of(text.begin(), text.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
                return std::string(text);
        }
    }
    const QVariant v = GetData();
    if (v.isNull())
        return {};
    if (v.typeId() == QMetaType::QByteArray)
        return v.toByteArray().toStdString();
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? "True" : "False";
    return v.toString().toStdString();
}

void TField::SetAsString(const std::string& value)
{
    SetValue(QVariant(QString::fromStdString(value)));
}

int TField::AsInteger() const
{
    return static_cast<int>(AsLargeInt());
}

void TField::SetAsInteger(int value)
{
    SetValue(QVariant(value));
}

int64_t TField::AsLargeInt() const
{
    // An integer cell of a stored row, read without a QVariant. Beyond 2^53
    // the general path (which goes through double) decides.
    if (const int64_t rec = dataSet_ ? dataSet_->StoredRecordOf(this) : -1; rec >= 0) {
        const store::RowStore& cells = dataSet_->d_->store;
        const auto r = static_cast<uint32_t>(rec);
        if (cells.kind(column_) == store::Kind::Int) {
            if (cells.isNull(column_, r))
                return 0;
            int64_t n = cells.getInt(column_, r);
            if (DataType() != ftLargeint)
                n = static_cast<int>(n); // as the field's QVariant holds it
            constexpr int64_t kExact = int64_t(1) << 53;
            if (n > -kExact && n < kExact)
                return n;
        }
    }
    const QVariant v = GetData();
    if (v.isNull())
        return 0;
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? 1 : 0;
    bool ok = false;
    if (IsNumberType(v.typeId())) {
        double d = v.toDouble();
        return static_cast<int64_t>(std::trunc(d)) == v.toLongLong() ? v.toLongLong()
                                                                     : static_cast<int64_t>(d);
    }
    qlonglong n = v.toString().trimmed().toLongLong(&ok);
    if (!ok)
        throw EConvertError("'" + v.toString().toStdString() + "' is not a valid integer value");
    return n;
}

void TField::SetAsLargeInt(int64_t value)
{
    SetValue(QVariant(qlonglong(value)));
}

bool TField::AsBoolean() const
{
    if (const int64_t rec = dataSet_ ? dataSet_->StoredRecordOf(this) : -1; rec >= 0) {
        const store::RowStore& cells = dataSet_->d_->store;
        const auto r = static_cast<uint32_t>(rec);
        if (cells.kind(column_) == store::Kind::Bool)
            return !cells.isNull(column_, r) && cells.getBool(column_, r);
    }
    const QVariant v = GetData();
    if (v.isNull())
        return false;
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    if (IsNumberType(v.typeId()))
        return v.toDouble() != 0;
    bool b = false;
    if (!ParseBool(v.toString(), b))
        throw EConvertError("'" + v.toString().toStdString() + "' is not a valid boolean value");
    return b;
}

void TField::SetAsBoolean(bool value)
{
    SetValue(QVariant(value));
}

double TField::AsFloat() const
{
    const QVariant v = GetData();
    if (v.isNull())
        return 0;
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? 1 : 0;
    bool ok = false;
    double d = v.toString().trimmed().toDouble(&ok);
    if (IsNumberType(v.typeId()))
        return v.toDouble();
    if (!ok)
        throw EConvertError(
            "'" + v.toString().toStdString() + "' is not a valid floating point value");
    return d;
}

void TField::SetAsFloat(double value)
{
    SetValue(QVariant(value));
}

QByteArray TField::AsRaw() const
{
    const QVariant v = GetData();
    if (v.isNull())
        return {};
    if (v.typeId() == QMetaType::QByteArray)
        return v.toByteArray();
    return v.toString().toLatin1();
}

void TField::SetRaw(const QByteArray& bytes)
{
    if (dataType_ == ftBlob || dataType_ == ftBytes || dataType_ == ftVarBytes)
        SetValue(QVariant(bytes));
    else
        SetValue(QVariant(QString::fromLatin1(bytes)));
}

QVariant TField::Value() const
{
    return GetData();
}

void TField::SetValue(const QVariant& value)
{
    SetData(ConvertValue(value));
}

void TField::Clear()
{
    SetData(QVariant());
}

QVariant TField::OldValue() const
{
    return dataSet_ ? dataSet_->FieldOldValue(this) : QVariant();
}

bool TField::GetCanModify() const
{
    if (fieldKind_ != fkData || !dataSet_)
        return false;
    if (dataSet_->State() == dsSetKey)
        return true;
    return !readOnly_ && dataSet_->CanModify();
}

void TField::Validate(const QVariant&)
{
    if (OnValidate)
        OnValidate(this);
}

void TField::Change()
{
    if (OnChange)
        OnChange(this);
}

QVariant TField::ConvertValue(const QVariant& value) const
{
    return value;
}

QVariant TStringField::ConvertValue(const QVariant& value) const
{
    if (value.isNull() || !value.isValid())
        return {};
    if (value.typeId() == QMetaType::QString)
        return value; // already text (shares the string)
    if (value.typeId() == QMetaType::Bool)
        return QString::fromLatin1(value.toBool() ? "True" : "False");
    if (value.typeId() == QMetaType::QByteArray)
        return QString::fromLatin1(value.toByteArray());
    return value.toString();
}

QVariant TMemoField::ConvertValue(const QVariant& value) const
{
    if (value.isNull() || !value.isValid())
        return {};
    if (value.typeId() == QMetaType::QByteArray)
        return QString::fromLatin1(value.toByteArray());
    return value.toString();
}

QVariant TIntegerField::ConvertValue(const QVariant& value) const
{
    if (value.isNull() || !value.isValid())
        return {};
    // Already the type the field holds: nothing to convert.
    if (value.typeId() == (DataType() == ftLargeint ? QMetaType::LongLong : QMetaType::Int))
        return value;
    qlonglong n = 0;
    if (value.typeId() == QMetaType::Bool) {
        n = value.toBool() ? 1 : 0;
    } else if (IsNumberType(value.typeId())) {
        double d = value.toDouble();
        if (d != std::floor(d))
            throw EConvertError("'" + value.toString().toStdString()
                + "' is not a valid integer value for field '" + DisplayName() + "'");
        n = value.toLongLong();
    } else {
        const QString t = value.toString().trimmed();
        if (t.isEmpty())
            return {};
        bool ok = false;
        n = t.toLongLong(&ok);
        if (!ok)
            throw EConvertError("'" + t.toStdString() + "' is not a valid integer value for field '"
                + DisplayName() + "'");
    }
    if (DataType() == ftLargeint)
        return QVariant(n);
    return QVariant(static_cast<int>(n));
}

std::string TBooleanField::AsString() const
{
    const QVariant v = GetData();
    if (v.isNull())
        return {};
    return AsBoolean() ? "True" : "False";
}

QVariant TBooleanField::ConvertValue(const QVariant& value) const
{
    if (value.isNull() || !value.isValid())
        return {};
    if (value.typeId() == QMetaType::Bool)
        return value;
    if (IsNumberType(value.typeId()))
        return QVariant(value.toDouble() != 0);
    const QString t = value.toString();
    if (t.trimmed().isEmpty())
        return {};
    bool b = false;
    if (!ParseBool(t, b))
        throw EConvertError("'" + t.toStdString() + "' is not a valid boolean value for field '"
            + DisplayName() + "'");
    return QVariant(b);
}

QVariant TFloatField::ConvertValue(const QVariant& value) const
{
    if (value.isNull() || !value.isValid())
        return {};
    if (value.typeId() == QMetaType::Bool)
        return QVariant(value.toBool() ? 1.0 : 0.0);
    bool ok = false;
    double d = value.toString().trimmed().toDouble(&ok);
    if (IsNumberType(value.typeId()))
        return QVariant(value.toDouble());
    if (value.toString().trimmed().isEmpty())
        return {};
    if (!ok)
        throw EConvertError("'" + value.toString().toStdString()
            + "' is not a valid floating point value for field '" + DisplayName() + "'");
    return QVariant(d);
}

QVariant TBlobField::ConvertValue(const QVariant& value) const
{
    if (value.isNull() || !value.isValid())
        return {};
    if (value.typeId() == QMetaType::QString)
        return QVariant(value.toString().toUtf8());
    return QVariant(value.toByteArray());
}

} // namespace vcl
