#include "wardlock/data/params.h"

#include "sql_text.h"
#include "text_util.h"

namespace vcl {

void TParam::Assign(const QVariant& value, TFieldType typeIfUnknown)
{
    value_ = value;
    if (dataType_ == ftUnknown)
        dataType_ = typeIfUnknown;
    bound_ = true;
}

void TParam::Clear()
{
    value_ = QVariant();
    bound_ = true;
}

std::string TParam::AsString() const
{
    if (value_.isNull())
        return {};
    if (value_.typeId() == QMetaType::Bool)
        return value_.toBool() ? "True" : "False";
    if (value_.typeId() == QMetaType::QByteArray)
        return value_.toByteArray().toStdString();
    return value_.toString().toStdString();
}

void TParam::SetAsString(const std::string& value)
{
    Assign(QString::fromStdString(value), ftString);
}

int TParam::AsInteger() const
{
    if (value_.isNull())
        return 0;
    if (value_.typeId() == QMetaType::Bool)
        return value_.toBool() ? 1 : 0;
    bool ok = false;
    int n = value_.toString().trimmed().toInt(&ok);
    if (!ok)
        throw EConvertError("Parameter '" + name_ + "': '" + value_.toString().toStdString()
            + "' is not a valid integer value");
    return n;
}

void TParam::SetAsInteger(int value)
{
    Assign(value, ftInteger);
}
void TParam::SetAsSmallInt(int value)
{
    Assign(value, ftSmallint);
}

bool TParam::AsBoolean() const
{
    if (value_.isNull())
        return false;
    QVariant v = sql::BindValue(value_, ftBoolean, TSqlEngine::SQLite, name_);
    return v.toLongLong() != 0;
}

void TParam::SetAsBoolean(bool value)
{
    Assign(value, ftBoolean);
}

double TParam::AsFloat() const
{
    bool ok = false;
    double d = value_.toDouble(&ok);
    if (!ok && !value_.isNull())
        throw EConvertError("Parameter '" + name_ + "': '" + value_.toString().toStdString()
            + "' is not a valid floating point value");
    return d;
}

void TParam::SetAsFloat(double value)
{
    Assign(value, ftFloat);
}

QByteArray TParam::AsRaw() const
{
    if (value_.isNull())
        return {};
    if (value_.typeId() == QMetaType::QByteArray)
        return value_.toByteArray();
    return value_.toString().toLatin1();
}

void TParam::SetRaw(const QByteArray& bytes)
{
    Assign(QString::fromLatin1(bytes), ftString);
}

void TParam::SetValue(const QVariant& value)
{
    TFieldType type = ftUnknown;
    switch (value.typeId()) {
    case QMetaType::Bool:
        type = ftBoolean;
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
        type = ftInteger;
        break;
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        type = ftLargeint;
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        type = ftFloat;
        break;
    case QMetaType::QByteArray:
        type = ftBlob;
        break;
    case QMetaType::QString:
        type = ftString;
        break;
    default:
        break;
    }
    Assign(value, type);
}

QVariant TParam::TypedValue() const
{
    return sql::BindValue(*this, TSqlEngine::SQLite);
}

TParams::TParams(const TParams& other)
{
    for (const auto& p : other.items_)
        items_.push_back(std::make_unique<TParam>(*p));
}

TParams& TParams::operator=(const TParams& other)
{
    if (this != &other) {
        std::vector<std::unique_ptr<TParam>> copy;
        for (const auto& p : other.items_)
            copy.push_back(std::make_unique<TParam>(*p));
        items_ = std::move(copy);
    }
    return *this;
}

TParam& TParams::Items(int index)
{
    if (index < 0 || index >= Count())
        throw EDatabaseError("Parameter index out of range (" + std::to_string(index) + ")");
    return *items_[static_cast<size_t>(index)];
}

const TParam& TParams::Items(int index) const
{
    return const_cast<TParams*>(this)->Items(index);
}

TParam* TParams::FindParam(const std::string& name)
{
    for (auto& p : items_)
        if (text::EqualsNoCase(p->Name(), name))
            return p.get();
    return nullptr;
}

const TParam* TParams::FindParam(const std::string& name) const
{
    return const_cast<TParams*>(this)->FindParam(name);
}

TParam& TParams::ParamByName(const std::string& name)
{
    TParam* p = FindParam(name);
    if (!p)
        throw EDatabaseError("Parameter '" + name + "' not found");
    return *p;
}

const TParam& TParams::ParamByName(const std::string& name) const
{
    return const_cast<TParams*>(this)->ParamByName(name);
}

TParam& TParams::CreateParam(TFieldType type, const std::string& name, TParamType paramType)
{
    items_.push_back(std::make_unique<TParam>(name, type, paramType));
    return *items_.back();
}

void TParams::AssignValues(const TParams& source)
{
    for (auto& p : items_)
        if (const TParam* s = source.FindParam(p->Name())) {
            const std::string name = p->Name();
            *p = *s;
            p->SetName(name);
        }
}

std::vector<std::string> TParams::ParseNames(const std::string& sql)
{
    return sql::ParamNames(sql);
}

} // namespace vcl
