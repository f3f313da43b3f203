#include "wardlock/data/dataset.h"

#include "dataset_private.h"
#include "text_util.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <typeinfo>

namespace vcl {

namespace {

// Restores a value when the scope ends (also on exceptions).
template<typename T> class Restore {
public:
    Restore(T& ref, T value)
        : ref_(ref)
        , saved_(ref)
    {
        ref_ = value;
    }
    ~Restore() { ref_ = saved_; }
    Restore(const Restore&) = delete;
    Restore& operator=(const Restore&) = delete;

private:
    T& ref_;
    T saved_;
};

void Fire(const TDataSet::TDataSetNotifyEvent& event, TDataSet* dataSet)
{
    if (event)
        event(dataSet);
}

bool IsEditState(TDataSetState s)
{
    return s == dsEdit || s == dsInsert;
}

} // namespace

// ---------------------------------------------------------------- storage

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

// ---------------------------------------------------------------- filter text

FilterExpr ParseFilter(const std::string& source)
{
    FilterExpr expr;
    const std::string& s = source;
    size_t i = 0;
    auto fail = [&](const std::string& why) -> FilterExpr {
        throw EDatabaseError("Invalid filter expression \"" + source + "\": " + why);
    };
    auto skipSpace = [&] {
        while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i])))
            ++i;
    };
    auto word = [&]() -> std::string {
        skipSpace();
        size_t b = i;
        if (i < s.size() && s[i] == '[') {
            size_t e = s.find(']', i);
            if (e == std::string::npos)
                fail("missing ]");
            i = e + 1;
            return s.substr(b + 1, e - b - 1);
        }
        while (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '_'))
            ++i;
        return s.substr(b, i - b);
    };
    skipSpace();
    if (i >= s.size())
        return expr;
    expr.anyOf.emplace_back();
    while (true) {
        FilterCondition cond;
        cond.field = word();
        if (cond.field.empty())
            fail("field name expected");
        skipSpace();
        auto take = [&](const char* op) {
            size_t n = std::char_traits<char>::length(op);
            if (s.compare(i, n, op) == 0) {
                i += n;
                return true;
            }
            return false;
        };
        if (take("<>") || take("!="))
            cond.op = FilterCondition::Ne;
        else if (take("<="))
            cond.op = FilterCondition::Le;
        else if (take(">="))
            cond.op = FilterCondition::Ge;
        else if (take("="))
            cond.op = FilterCondition::Eq;
        else if (take("<"))
            cond.op = FilterCondition::Lt;
        else if (take(">"))
            cond.op = FilterCondition::Gt;
        else
            fail("comparison operator expected after " + cond.field);
        skipSpace();
        if (i < s.size() && s[i] == '\'') {
            std::string value;
            ++i;
            while (true) {
                if (i >= s.size())
                    fail("unterminated string");
                if (s[i] == '\'') {
                    if (i + 1 < s.size() && s[i + 1] == '\'') {
                        value += '\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += s[i++];
            }
            cond.value = QString::fromStdString(value);
        } else {
            size_t b = i;
            if (i < s.size() && (s[i] == '-' || s[i] == '+'))
                ++i;
            while (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '.'))
                ++i;
            std::string literal = s.substr(b, i - b);
            std::string lower = text::Lower(literal);
            if (lower == "true")
                cond.value = true;
            else if (lower == "false")
                cond.value = false;
            else if (lower == "null")
                cond.value = QVariant();
            else {
                bool ok = false;
                QString q = QString::fromStdString(literal);
                qlonglong n = q.toLongLong(&ok);
                if (ok)
                    cond.value = n;
                else {
                    double d = q.toDouble(&ok);
                    if (!ok)
                        fail("value expected after " + cond.field);
                    cond.value = d;
                }
            }
        }
        expr.anyOf.back().push_back(std::move(cond));
        skipSpace();
        if (i >= s.size())
            break;
        std::string conj = text::Lower(word());
        if (conj == "and")
            continue;
        if (conj == "or") {
            expr.anyOf.emplace_back();
            continue;
        }
        fail("'and' or 'or' expected");
    }
    return expr;
}

namespace {

bool Compare(const store::RowStore& s, int col, uint32_t rec, const FilterCondition& c)
{
    const bool null = s.isNull(col, rec);
    if (c.value.isNull()) {
        bool eq = null;
        return c.op == FilterCondition::Ne ? !eq : (c.op == FilterCondition::Eq ? eq : false);
    }
    if (null)
        return false;
    int cmp = 0;
    switch (s.kind(col)) {
    case store::Kind::Int:
    case store::Kind::Bool:
    case store::Kind::Double: {
        double left = s.kind(col) == store::Kind::Double ? s.getDouble(col, rec)
                                                         : static_cast<double>(s.getInt(col, rec));
        if (s.kind(col) == store::Kind::Bool)
            left = s.getBool(col, rec) ? 1 : 0;
        double right = 0;
        if (c.value.typeId() == QMetaType::Bool) {
            right = c.value.toBool() ? 1 : 0;
        } else {
            bool ok = false;
            right = c.value.toDouble(&ok);
            if (!ok) {
                QString t = c.value.toString().trimmed().toLower();
                if (t == u"true" || t == u"t")
                    right = 1;
                else if (t == u"false" || t == u"f")
                    right = 0;
                else
                    return c.op == FilterCondition::Ne;
            }
        }
        cmp = left < right ? -1 : (left > right ? 1 : 0);
        break;
    }
    default: {
        auto v = s.getText(col, rec);
        if (c.value.typeId() == QMetaType::Bool) {
            // Some drivers deliver booleans as text ("1", "t", "true").
            QString t
                = QString::fromUtf8(v.data(), static_cast<qsizetype>(v.size())).trimmed().toLower();
            bool b = t == u"1" || t == u"t" || t == u"true" || t == u"y" || t == u"yes";
            bool want = c.value.toBool();
            cmp = b == want ? 0 : (b ? 1 : -1);
            break;
        }
        QByteArray right = c.value.typeId() == QMetaType::Bool
            ? QByteArray(c.value.toBool() ? "True" : "False")
            : c.value.toString().toUtf8();
        int r = std::string_view(v).compare(
            std::string_view(right.constData(), static_cast<size_t>(right.size())));
        cmp = r < 0 ? -1 : (r > 0 ? 1 : 0);
    }
    }
    switch (c.op) {
    case FilterCondition::Eq:
        return cmp == 0;
    case FilterCondition::Ne:
        return cmp != 0;
    case FilterCondition::Lt:
        return cmp < 0;
    case FilterCondition::Gt:
        return cmp > 0;
    case FilterCondition::Le:
        return cmp <= 0;
    case FilterCondition::Ge:
        return cmp >= 0;
    }
    return false;
}

} // namespace

static void IndexRemove(TDataSetPrivate& d, int col, uint32_t rec);
static void IndexAdd(TDataSetPrivate& d, int col, uint32_t rec);

// ---------------------------------------------------------------- data links

TDataLink::~TDataLink()
{
    SetDataSource(nullptr);
}

void TDataLink::SetDataSource(TDataSource* source)
{
    if (source == dataSource_)
        return;
    if (dataSource_) {
        auto& links = dataSource_->links_;
        links.erase(std::remove(links.begin(), links.end(), this), links.end());
    }
    dataSource_ = source;
    if (source)
        source->links_.push_back(this);
}

TDataSet* TDataLink::DataSet() const
{
    return dataSource_ ? dataSource_->DataSet() : nullptr;
}

bool TDataLink::Active() const
{
    TDataSet* ds = DataSet();
    return ds && ds->Active();
}

TDataSource::TDataSource(TComponent* owner)
    : TComponent(owner)
{
}

TDataSource::~TDataSource()
{
    SetDataSet(nullptr);
    for (TDataLink* link : links_)
        link->dataSource_ = nullptr;
}

void TDataSource::SetDataSet(TDataSet* dataSet)
{
    if (dataSet == dataSet_)
        return;
    if (dataSet_) {
        auto& list = dataSet_->dataSources_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    dataSet_ = dataSet;
    if (dataSet_)
        dataSet_->dataSources_.push_back(this);
    Notify(deDataSetChange, nullptr);
    Notify(deUpdateState, nullptr);
}

TDataSetState TDataSource::State() const
{
    return dataSet_ ? dataSet_->State() : dsInactive;
}

void TDataSource::Notify(TDataEvent event, TField* field)
{
    if (!enabled_)
        return;
    switch (event) {
    case deUpdateState:
        if (OnStateChange)
            OnStateChange(this);
        break;
    case deFieldChange:
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
        if (OnDataChange)
            OnDataChange(this, event == deFieldChange ? field : nullptr);
        break;
    case deUpdateRecord:
        if (OnUpdateData)
            OnUpdateData(this);
        break;
    default:
        break;
    }
    const auto links = links_; // a handler may detach a link
    for (TDataLink* link : links)
        link->DataEvent(event, field);
}

// ---------------------------------------------------------------- dataset basics

TDataSet::TDataSet(TComponent* owner)
    : TComponent(owner)
    , d_(std::make_unique<TDataSetPrivate>())
{
}

TDataSet::~TDataSet()
{
    if (Active())
        CloseInternal();
    for (TField* f : d_->fields)
        f->dataSet_ = nullptr;
    d_->fields.clear();
    for (TDataSource* ds : dataSources_)
        ds->dataSet_ = nullptr;
    if (d_->updateObject && d_->updateObject->DataSet() == this)
        d_->updateObject->SetDataSet(nullptr);
}

bool TDataSet::Active() const noexcept
{
    return d_->state != dsInactive;
}
TDataSetState TDataSet::State() const noexcept
{
    return d_->state;
}
bool TDataSet::Modified() const noexcept
{
    return d_->modified;
}
void TDataSet::SetModified(bool modified)
{
    d_->modified = modified;
}
bool TDataSet::ReadOnly() const noexcept
{
    return d_->readOnly;
}
void TDataSet::SetReadOnly(bool readOnly)
{
    d_->readOnly = readOnly;
}
bool TDataSet::AutoCalcFields() const noexcept
{
    return d_->autoCalc;
}
void TDataSet::SetAutoCalcFields(bool value)
{
    d_->autoCalc = value;
}
bool TDataSet::Eof() const noexcept
{
    return d_->eof;
}
bool TDataSet::Bof() const noexcept
{
    return d_->bof;
}
const std::string& TDataSet::Filter() const noexcept
{
    return d_->filterText;
}
bool TDataSet::Filtered() const noexcept
{
    return d_->filtered;
}
bool TDataSet::CachedUpdates() const noexcept
{
    return d_->cached;
}
TDataSetUpdateObject* TDataSet::UpdateObject() const noexcept
{
    return d_->updateObject;
}
bool TDataSet::ControlsDisabled() const noexcept
{
    return d_->disableCount > 0;
}
bool TDataSet::DefaultFields() const
{
    return d_->defaultFields;
}

bool TDataSet::GetCanModify() const
{
    return !d_->readOnly;
}

void TDataSet::DatabaseError(const std::string& message) const
{
    throw EDatabaseError(Name().empty() ? message : Name() + ": " + message);
}

void TDataSet::CheckActive() const
{
    if (!Active())
        DatabaseError("Cannot perform this operation on a closed dataset");
}

void TDataSet::CheckInactive() const
{
    if (Active())
        DatabaseError("Cannot perform this operation on an open dataset");
}

void TDataSet::SetActive(bool active)
{
    if (active)
        Open();
    else
        Close();
}

bool TDataSet::IsEmpty() const
{
    return d_->view.empty();
}
int TDataSet::RecordCount() const
{
    return static_cast<int>(d_->view.size());
}

int TDataSet::UnfilteredRecordCount() const
{
    int n = 0;
    for (uint32_t rec : d_->base)
        if (!(d_->flags[rec] & TDataSetPrivate::kDeleted))
            ++n;
    return n;
}

// ---------------------------------------------------------------- fields

void TDataSet::AddField(TField* field)
{
    CheckInactive();
    d_->fields.push_back(field);
}

void TDataSet::RemoveField(TField* field)
{
    // A field leaving an open dataset (its form is being destroyed) closes
    // the dataset quietly: the handlers may already be gone.
    if (Active())
        CloseInternal();
    auto& list = d_->fields;
    list.erase(std::remove(list.begin(), list.end(), field), list.end());
    ForgetLocateFields();
}

void TDataSet::ForgetLocateFields()
{
    d_->locateFieldsText.clear();
    d_->locateFields.reset();
}

int TDataSet::FieldCount() const
{
    return static_cast<int>(d_->fields.size());
}

TField* TDataSet::Fields(int index) const
{
    if (index < 0 || index >= FieldCount())
        DatabaseError("Field index out of range (" + std::to_string(index) + ")");
    return d_->fields[static_cast<size_t>(index)];
}

TField* TDataSet::FindField(const std::string& name) const
{
    for (TField* f : d_->fields)
        if (text::EqualsNoCase(f->FieldName(), name))
            return f;
    return nullptr;
}

TField* TDataSet::FieldByName(const std::string& name) const
{
    TField* f = FindField(name);
    if (!f)
        DatabaseError("Field '" + name + "' not found");
    return f;
}

std::vector<std::string> TDataSet::FieldNames() const
{
    std::vector<std::string> names;
    for (TField* f : d_->fields)
        names.push_back(f->FieldName());
    return names;
}

std::vector<TField*> TDataSet::ParseFieldList(const std::string& fields) const
{
    std::vector<TField*> out;
    for (const auto& name : text::SplitFieldList(fields))
        out.push_back(FieldByName(name));
    if (out.empty())
        DatabaseError("No field names given");
    return out;
}

QVariant TDataSet::FieldValue(const TField* field) const
{
    if (field->validating_)
        return *field->validating_;
    const size_t idx = static_cast<size_t>(field->Index());
    const bool data = field->FieldKind() == fkData;
    if (ReadContext* ctx = d_->ctx) {
        if (!data)
            return ctx->calc && idx < ctx->calc->size() ? (*ctx->calc)[idx] : QVariant();
        if (ctx->record < 0)
            return d_->editBuf[idx];
        return store::ReadVariant(
            d_->store, field->column_, static_cast<uint32_t>(ctx->record), field->DataType());
    }
    switch (d_->state) {
    case dsInactive:
        return {};
    case dsEdit:
    case dsInsert:
        return d_->editBuf[idx];
    case dsSetKey:
        return d_->keyBuf[idx];
    default:
        break;
    }
    if (d_->cur < 0)
        return {};
    if (!data)
        return idx < d_->calcBuf.size() ? d_->calcBuf[idx] : QVariant();
    return store::ReadVariant(
        d_->store, field->column_, d_->view[static_cast<size_t>(d_->cur)], field->DataType());
}

int64_t TDataSet::StoredRecordOf(const TField* field) const
{
    // Mirrors FieldValue: the cases that read the store, and only those.
    if (field->validating_ || field->FieldKind() != fkData || field->column_ < 0)
        return -1;
    if (const ReadContext* ctx = d_->ctx)
        return ctx->record;
    switch (d_->state) {
    case dsInactive:
    case dsEdit:
    case dsInsert:
    case dsSetKey:
        return -1;
    default:
        break;
    }
    return d_->cur < 0 ? -1 : d_->view[static_cast<size_t>(d_->cur)];
}

QVariant TDataSet::FieldOldValue(const TField* field) const
{
    if (field->FieldKind() != fkData || !Active())
        return {};
    int64_t rec = -1;
    if (d_->ctx && d_->ctx->record >= 0)
        rec = d_->ctx->record;
    else if (d_->state == dsInsert)
        return {};
    else if (d_->cur >= 0)
        rec = d_->view[static_cast<size_t>(d_->cur)];
    if (rec < 0)
        return {};
    auto it = d_->pending.find(static_cast<uint32_t>(rec));
    if (it != d_->pending.end()) {
        if (it->second.status == usInserted)
            return {};
        if (it->second.shadow >= 0)
            rec = it->second.shadow;
    }
    return store::ReadVariant(
        d_->store, field->column_, static_cast<uint32_t>(rec), field->DataType());
}

void TDataSet::SetFieldValue(TField* field, const QVariant& value)
{
    const size_t idx = static_cast<size_t>(field->Index());
    const bool data = field->FieldKind() == fkData;
    if (d_->state == dsCalcFields) {
        if (data)
            DatabaseError("Dataset not in edit or insert mode");
        if (d_->ctx && d_->ctx->calc)
            (*d_->ctx->calc)[idx] = value;
        return;
    }
    if (d_->state == dsSetKey) {
        d_->keyBuf[idx] = value;
        d_->keyAssigned[idx] = true;
        return;
    }
    if (!IsEditState(d_->state))
        DatabaseError("Dataset not in edit or insert mode");
    if (data && field->ReadOnly())
        DatabaseError("Field '" + field->DisplayName() + "' cannot be modified");
    {
        Restore<const QVariant*> showNew(field->validating_, &value);
        field->Validate(value);
    }
    d_->editBuf[idx] = value;
    DataEvent(deFieldChange, field);
}

void TDataSet::StoreCurrentValue(TField* field, const QVariant& value)
{
    if (d_->cur < 0 || field->FieldKind() != fkData)
        return;
    uint32_t rec = d_->view[static_cast<size_t>(d_->cur)];
    const int col = field->column_;
    if (col < 0)
        return;
    IndexRemove(*d_, col, rec);
    store::StoreVariant(d_->store, col, rec, field->ConvertValue(value), field->FieldName());
    IndexAdd(*d_, col, rec);
}

// ---------------------------------------------------------------- open / close

void TDataSet::Open()
{
    if (Active())
        return;
    Fire(BeforeOpen, this);
    OpenInternal();
    NotifyViews(deUpdateState, nullptr);
    NotifyViews(deDataSetChange, nullptr);
    Fire(AfterOpen, this);
    Fire(AfterScroll, this);
}

void TDataSet::OpenInternal()
{
    d_->clearRecords();
    d_->pending.clear();
    d_->pendingOrder.clear();
    d_->cur = -1;
    try {
        InternalOpen();
        FinishLoad();
    } catch (...) {
        CloseInternal();
        throw;
    }
}

void TDataSet::DefineColumns(const std::vector<ColumnInfo>& columns)
{
    BindFields(columns);
}

void TDataSet::BindFields(const std::vector<ColumnInfo>& columns)
{
    ForgetLocateFields();
    bool hasPersistent = false;
    for (TField* f : d_->fields)
        hasPersistent = hasPersistent || !f->isDefault_;
    if (!hasPersistent) {
        // Default fields: reuse those of the last open when the columns are
        // the same (views keep their field pointers across a refresh).
        bool same = d_->defaultFields && d_->fields.size() == columns.size();
        for (size_t i = 0; same && i < columns.size(); ++i)
            same = text::EqualsNoCase(d_->fields[i]->FieldName(), columns[i].name)
                && d_->fields[i]->DataType() == columns[i].type;
        if (!same) {
            auto old = d_->fields;
            d_->fields.clear();
            for (TField* f : old) {
                f->dataSet_ = nullptr;
                delete f;
            }
            for (const auto& c : columns) {
                TField* f = nullptr;
                switch (c.type) {
                case ftSmallint:
                    f = new TSmallintField(this);
                    break;
                case ftInteger:
                case ftWord:
                case ftAutoInc:
                    f = new TIntegerField(this);
                    break;
                case ftLargeint:
                    f = new TLargeintField(this);
                    break;
                case ftBoolean:
                    f = new TBooleanField(this);
                    break;
                case ftFloat:
                case ftCurrency:
                case ftBCD:
                    f = new TFloatField(this);
                    break;
                case ftBlob:
                case ftBytes:
                case ftVarBytes:
                    f = new TBlobField(this);
                    break;
                case ftMemo:
                    f = new TMemoField(this);
                    break;
                default:
                    f = new TStringField(this, c.size > 0 ? c.size : 0);
                    break;
                }
                f->fieldName_ = c.name;
                f->isDefault_ = true;
                f->dataSet_ = this;
                d_->fields.push_back(f);
            }
            NotifyViews(deLayoutChange, nullptr);
        }
        d_->defaultFields = true;
    } else {
        d_->defaultFields = false;
    }
    std::vector<store::Kind> kinds(columns.size(), store::Kind::None);
    d_->hasCalcFields = false;
    for (TField* f : d_->fields) {
        f->column_ = -1;
        f->fieldNo_ = 0;
        if (f->FieldKind() != fkData) {
            d_->hasCalcFields = true;
            continue;
        }
        for (size_t i = 0; i < columns.size(); ++i) {
            if (text::EqualsNoCase(columns[i].name, f->FieldName())) {
                f->column_ = static_cast<int>(i);
                f->fieldNo_ = static_cast<int>(i) + 1;
                kinds[i] = store::KindFor(f->DataType());
                break;
            }
        }
        if (f->column_ < 0)
            DatabaseError("Field '" + f->FieldName() + "' not found");
    }
    d_->store.reset(kinds);
    d_->columnNames.clear();
    for (const auto& c : columns)
        d_->columnNames.push_back(c.name);
}

TDataSet::RecordLoader::RecordLoader(TDataSet& dataSet)
    : d_(*dataSet.d_)
{
}

void TDataSet::RecordLoader::BeginRecord()
{
    record_ = d_.store.addRecord();
    d_.flags.push_back(0);
    d_.base.push_back(record_);
}

bool TDataSet::RecordLoader::Wanted(int column) const
{
    return d_.store.kind(column) != store::Kind::None;
}

void TDataSet::RecordLoader::SetValue(int column, const QVariant& value)
{
    if (d_.store.kind(column) == store::Kind::None)
        return;
    store::StoreVariant(
        d_.store, column, record_, value, d_.columnNames[static_cast<size_t>(column)]);
}

void TDataSet::FinishLoad()
{
    const size_t n = d_->fields.size();
    d_->editBuf.assign(n, QVariant());
    d_->calcBuf.assign(n, QVariant());
    d_->keyBuf.assign(n, QVariant());
    d_->keyAssigned.assign(n, false);
    d_->generation = (d_->generation + 1) | 1;
    d_->state = dsBrowse;
    d_->modified = false;
    RebuildView();
    d_->cur = d_->view.empty() ? -1 : 0;
    d_->bof = true;
    d_->eof = d_->view.empty();
    RecomputeCurrent();
}

void TDataSet::Close()
{
    if (!Active())
        return;
    Fire(BeforeClose, this);
    CloseInternal();
    NotifyViews(deUpdateState, nullptr);
    NotifyViews(deDataSetChange, nullptr);
    Fire(AfterClose, this);
}

void TDataSet::CloseInternal()
{
    ForgetLocateFields();
    try {
        InternalClose();
    } catch (...) {
        // Closing must not fail; the database side reports nothing useful here.
    }
    d_->state = dsInactive;
    d_->clearRecords();
    d_->pending.clear();
    d_->pendingOrder.clear();
    d_->editBuf.clear();
    d_->calcBuf.clear();
    d_->cur = -1;
    d_->eof = d_->bof = true;
    d_->modified = false;
    d_->ctx = nullptr;
    if (d_->defaultFields) {
        auto old = d_->fields;
        d_->fields.clear();
        for (TField* f : old) {
            f->dataSet_ = nullptr;
            delete f;
        }
        d_->defaultFields = false;
    }
    for (TField* f : d_->fields) {
        f->column_ = -1;
        f->fieldNo_ = 0;
    }
}

// ---------------------------------------------------------------- views and current row

void TDataSet::NotifyViews(TDataEvent event, TField* field)
{
    if (d_->disableCount > 0) {
        d_->heldEvents = true;
        return;
    }
    if (dataSources_.empty())
        return;
    const auto sources = dataSources_;
    for (TDataSource* ds : sources)
        ds->Notify(event, field);
}

void TDataSet::DataEvent(TDataEvent event, TField* field)
{
    if (event == deFieldChange && field) {
        if (field->FieldKind() == fkData) {
            d_->modified = true;
            if (d_->autoCalc && d_->hasCalcFields && IsEditState(d_->state))
                ComputeCalcFields(0, true);
        }
        field->Change();
    }
    NotifyViews(event, field);
}

void TDataSet::DisableControls()
{
    if (d_->disableCount++ == 0) {
        d_->disableState = d_->state;
        d_->heldEvents = false;
    }
}

void TDataSet::EnableControls()
{
    if (d_->disableCount == 0 || --d_->disableCount > 0)
        return;
    if (d_->state != d_->disableState)
        NotifyViews(deUpdateState, nullptr);
    if (d_->heldEvents || d_->state != d_->disableState)
        NotifyViews(deDataSetChange, nullptr);
    d_->heldEvents = false;
}

void TDataSet::ComputeCalcFields(uint32_t record, bool editBuffer)
{
    if (!d_->hasCalcFields)
        return;
    std::vector<QVariant>& calc = editBuffer ? d_->editBuf : d_->calcBuf;
    ReadContext ctx { editBuffer ? -1 : static_cast<int64_t>(record), &calc };
    Restore<ReadContext*> useCtx(d_->ctx, &ctx);
    Restore<TDataSetState> calcState(d_->state, dsCalcFields);
    for (TField* f : d_->fields) {
        if (f->FieldKind() == fkData)
            continue;
        QVariant value;
        if (f->FieldKind() == fkLookup && f->LookupDataSet() && f->LookupDataSet()->Active()) {
            std::vector<QVariant> keys;
            for (const auto& name : text::SplitFieldList(f->KeyFields()))
                keys.push_back(FieldByName(name)->Value());
            value = f->LookupDataSet()->Lookup(f->LookupKeyFields(), keys, f->LookupResultField());
        }
        calc[static_cast<size_t>(f->Index())] = value;
    }
    Fire(OnCalcFields, this);
}

void TDataSet::RecomputeCurrent()
{
    if (!d_->hasCalcFields)
        return; // no calculated or lookup field reads calcBuf
    if (d_->cur >= 0)
        ComputeCalcFields(d_->view[static_cast<size_t>(d_->cur)], false);
    else
        std::fill(d_->calcBuf.begin(), d_->calcBuf.end(), QVariant());
}

void TDataSet::ReadRecord(int row, const std::function<void()>& read)
{
    CheckActive();
    if (row < 0 || row >= RecordCount())
        DatabaseError("Row " + std::to_string(row) + " out of range");
    std::vector<QVariant> calc(d_->fields.size());
    const uint32_t rec = d_->view[static_cast<size_t>(row)];
    if (d_->hasCalcFields) {
        ReadContext ctx { rec, &calc };
        Restore<ReadContext*> useCtx(d_->ctx, &ctx);
        Restore<TDataSetState> calcState(d_->state, dsCalcFields);
        for (TField* f : d_->fields) {
            if (f->FieldKind() == fkLookup && f->LookupDataSet() && f->LookupDataSet()->Active()) {
                std::vector<QVariant> keys;
                for (const auto& name : text::SplitFieldList(f->KeyFields()))
                    keys.push_back(FieldByName(name)->Value());
                calc[static_cast<size_t>(f->Index())] = f->LookupDataSet()->Lookup(
                    f->LookupKeyFields(), keys, f->LookupResultField());
            }
        }
        Fire(OnCalcFields, this);
    }
    ReadContext ctx { rec, &calc };
    Restore<ReadContext*> useCtx(d_->ctx, &ctx);
    read();
}

void TDataSet::SetCurrent(int index)
{
    d_->cur = d_->view.empty() ? -1 : std::clamp(index, 0, static_cast<int>(d_->view.size()) - 1);
    RecomputeCurrent();
}

void TDataSet::Resync()
{
    CheckActive();
    if (!IsEditState(d_->state))
        SetCurrent(d_->cur);
    NotifyViews(deDataSetChange, nullptr);
}

// ---------------------------------------------------------------- navigation

void TDataSet::First()
{
    CheckActive();
    CheckBrowseMode();
    Fire(BeforeScroll, this);
    SetCurrent(0);
    d_->bof = true;
    d_->eof = d_->view.empty();
    NotifyViews(deDataSetScroll, nullptr);
    Fire(AfterScroll, this);
}

void TDataSet::Last()
{
    CheckActive();
    CheckBrowseMode();
    Fire(BeforeScroll, this);
    SetCurrent(static_cast<int>(d_->view.size()) - 1);
    d_->eof = true;
    d_->bof = d_->view.empty();
    NotifyViews(deDataSetScroll, nullptr);
    Fire(AfterScroll, this);
}

void TDataSet::Next()
{
    MoveBy(1);
}
void TDataSet::Prior()
{
    MoveBy(-1);
}

int TDataSet::MoveBy(int distance)
{
    CheckActive();
    CheckBrowseMode();
    Fire(BeforeScroll, this);
    const int count = static_cast<int>(d_->view.size());
    int moved = 0;
    if (count == 0) {
        d_->eof = d_->bof = true;
    } else if (distance > 0 && !d_->eof) {
        int target = d_->cur + distance;
        if (target >= count) {
            target = count - 1;
            d_->eof = true;
        }
        moved = target - d_->cur;
        if (moved != 0)
            d_->bof = false;
        if (moved != 0)
            SetCurrent(target);
    } else if (distance < 0 && !d_->bof) {
        int target = d_->cur + distance;
        if (target < 0) {
            target = 0;
            d_->bof = true;
        }
        moved = target - d_->cur;
        if (moved != 0)
            d_->eof = false;
        if (moved != 0)
            SetCurrent(target);
    }
    if (moved != 0)
        NotifyViews(deDataSetScroll, nullptr);
    Fire(AfterScroll, this);
    return moved;
}

int TDataSet::GetRecNo() const
{
    if (!Active() || d_->state == dsInsert)
        return -1;
    if (d_->ctx && d_->ctx->record >= 0) {
        // Number of the record being calculated or read.
        uint64_t key = d_->orderKey(static_cast<uint32_t>(d_->ctx->record));
        auto it = std::lower_bound(d_->view.begin(), d_->view.end(), key,
            [&](uint32_t r, uint64_t k) { return d_->orderKey(r) < k; });
        if (it != d_->view.end() && *it == d_->ctx->record)
            return static_cast<int>(it - d_->view.begin()) + 1;
        return -1;
    }
    return d_->cur < 0 ? -1 : d_->cur + 1;
}

void TDataSet::DoSetRecNo(int recNo)
{
    CheckActive();
    CheckBrowseMode();
    if (recNo < 1 || recNo > RecordCount())
        return;
    if (recNo - 1 == d_->cur)
        return;
    Fire(BeforeScroll, this);
    SetCurrent(recNo - 1);
    d_->bof = d_->eof = false;
    NotifyViews(deDataSetScroll, nullptr);
    Fire(AfterScroll, this);
}

bool TDataSet::IsSequenced() const
{
    return !d_->filtered;
}

TBookmark TDataSet::GetBookmark() const
{
    if (!Active() || d_->cur < 0 || d_->state == dsInsert)
        return {};
    return { d_->view[static_cast<size_t>(d_->cur)], d_->generation };
}

bool TDataSet::BookmarkValid(const TBookmark& bookmark) const
{
    return Active() && bookmark.IsValid() && bookmark.generation == d_->generation
        && bookmark.record < d_->flags.size() && d_->visible(bookmark.record);
}

int TDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) const
{
    if (!a.IsValid() || !b.IsValid())
        return a.IsValid() ? 1 : (b.IsValid() ? -1 : 0);
    uint64_t ka = d_->orderKey(a.record), kb = d_->orderKey(b.record);
    return ka < kb ? -1 : (ka > kb ? 1 : 0);
}

void TDataSet::GotoBookmark(const TBookmark& bookmark)
{
    CheckActive();
    CheckBrowseMode();
    if (!BookmarkValid(bookmark))
        DatabaseError("Record not found");
    Fire(BeforeScroll, this);
    uint64_t key = d_->orderKey(bookmark.record);
    auto it = std::lower_bound(d_->view.begin(), d_->view.end(), key,
        [&](uint32_t r, uint64_t k) { return d_->orderKey(r) < k; });
    SetCurrent(static_cast<int>(it - d_->view.begin()));
    d_->bof = d_->eof = false;
    NotifyViews(deDataSetScroll, nullptr);
    Fire(AfterScroll, this);
}

// ---------------------------------------------------------------- filter

void TDataSet::SetFilter(const std::string& filter)
{
    FilterExpr parsed = ParseFilter(filter); // throws and keeps the old filter on bad text
    d_->filterText = filter;
    d_->filter = std::move(parsed);
    if (Active() && d_->filtered) {
        CheckBrowseMode();
        RebuildView();
        NotifyViews(deDataSetChange, nullptr); // other rows are shown
        First();
    }
}

void TDataSet::SetFiltered(bool filtered)
{
    if (!Active()) {
        d_->filtered = filtered;
        return;
    }
    CheckBrowseMode();
    const bool old = d_->filtered;
    d_->filtered = filtered;
    try {
        RebuildView();
    } catch (...) {
        d_->filtered = old;
        RebuildView();
        SetCurrent(0);
        throw;
    }
    NotifyViews(deDataSetChange, nullptr); // other rows are shown
    First();
}

bool TDataSet::RecordPasses(uint32_t rec)
{
    if (!d_->filtered)
        return true;
    if (!d_->filter.empty()) {
        bool any = false;
        for (const auto& group : d_->filter.anyOf) {
            bool all = true;
            for (const auto& cond : group) {
                TField* f = FindField(cond.field);
                if (!f || f->FieldKind() != fkData)
                    DatabaseError("Field '" + cond.field + "' not found");
                if (!Compare(d_->store, f->column_, rec, cond)) {
                    all = false;
                    break;
                }
            }
            if (all) {
                any = true;
                break;
            }
        }
        if (!any)
            return false;
    }
    if (OnFilterRecord) {
        std::vector<QVariant> calc(d_->fields.size());
        ReadContext ctx { rec, &calc };
        Restore<ReadContext*> useCtx(d_->ctx, &ctx);
        Restore<TDataSetState> filterState(d_->state, dsFilter);
        bool accept = true;
        OnFilterRecord(this, accept);
        return accept;
    }
    return true;
}

void TDataSet::RebuildView()
{
    d_->view.clear();
    d_->view.reserve(d_->base.size());
    for (uint32_t rec : d_->base) {
        uint8_t& fl = d_->flags[rec];
        if (fl & TDataSetPrivate::kDeleted)
            continue;
        if (RecordPasses(rec)) {
            fl |= TDataSetPrivate::kVisible;
            d_->view.push_back(rec);
        } else {
            fl &= static_cast<uint8_t>(~TDataSetPrivate::kVisible);
        }
    }
    if (d_->cur >= static_cast<int>(d_->view.size()))
        d_->cur = static_cast<int>(d_->view.size()) - 1;
}

int TDataSet::PositionOf(uint32_t rec) const
{
    // Every fetched row visible and none inserted: the record is its position.
    if (!d_->ordered && d_->view.size() == d_->base.size() && rec < d_->view.size()
        && d_->view[rec] == rec)
        return static_cast<int>(rec);
    uint64_t key = d_->orderKey(rec);
    auto it = std::lower_bound(d_->view.begin(), d_->view.end(), key,
        [&](uint32_t r, uint64_t k) { return d_->orderKey(r) < k; });
    return static_cast<int>(it - d_->view.begin());
}

void TDataSet::InsertIntoView(uint32_t rec)
{
    uint64_t key = d_->orderKey(rec);
    auto it = std::lower_bound(d_->view.begin(), d_->view.end(), key,
        [&](uint32_t r, uint64_t k) { return d_->orderKey(r) < k; });
    d_->view.insert(it, rec);
}

// ---------------------------------------------------------------- locate

namespace {

// Index key of a normalised value; false for text (kept as bytes).
uint64_t NumberKey(const store::RowStore& s, int col, uint32_t rec)
{
    return s.cell(col, rec);
}

} // namespace

static ColumnIndex& IndexFor(TDataSetPrivate& d, int col)
{
    if (d.indexes.size() <= static_cast<size_t>(col))
        d.indexes.resize(static_cast<size_t>(col) + 1);
    auto& slot = d.indexes[static_cast<size_t>(col)];
    if (slot)
        return *slot;
    slot = std::make_unique<ColumnIndex>();
    ColumnIndex& ix = *slot;
    ix.next.assign(d.store.recordCount(), ColumnIndex::kNone);
    const bool textual
        = d.store.kind(col) == store::Kind::Text || d.store.kind(col) == store::Kind::Bytes;
    // Walk backwards and push to the front: each chain ends up in base order.
    for (auto it = d.base.rbegin(); it != d.base.rend(); ++it) {
        uint32_t rec = *it;
        uint32_t* head;
        if (d.store.isNull(col, rec))
            head = &ix.nulls;
        else if (textual)
            head = &ix.texts.try_emplace(d.store.getText(col, rec), ColumnIndex::kNone)
                        .first->second;
        else
            head = &ix.numbers.try_emplace(NumberKey(d.store, col, rec), ColumnIndex::kNone)
                        .first->second;
        ix.next[rec] = *head;
        *head = rec;
    }
    return ix;
}

static uint32_t* HeadFor(TDataSetPrivate& d, ColumnIndex& ix, int col, uint32_t rec, bool create)
{
    if (d.store.isNull(col, rec))
        return &ix.nulls;
    const bool textual
        = d.store.kind(col) == store::Kind::Text || d.store.kind(col) == store::Kind::Bytes;
    if (textual) {
        auto key = d.store.getText(col, rec);
        if (create)
            return &ix.texts.try_emplace(key, ColumnIndex::kNone).first->second;
        auto it = ix.texts.find(key);
        return it == ix.texts.end() ? nullptr : &it->second;
    }
    uint64_t key = NumberKey(d.store, col, rec);
    if (create)
        return &ix.numbers.try_emplace(key, ColumnIndex::kNone).first->second;
    auto it = ix.numbers.find(key);
    return it == ix.numbers.end() ? nullptr : &it->second;
}

// Removes `rec` from its chain (called before its value changes).
static void IndexRemove(TDataSetPrivate& d, int col, uint32_t rec)
{
    if (d.indexes.size() <= static_cast<size_t>(col) || !d.indexes[static_cast<size_t>(col)])
        return;
    ColumnIndex& ix = *d.indexes[static_cast<size_t>(col)];
    uint32_t* link = HeadFor(d, ix, col, rec, false);
    while (link && *link != ColumnIndex::kNone) {
        if (*link == rec) {
            *link = ix.next[rec];
            ix.next[rec] = ColumnIndex::kNone;
            return;
        }
        link = &ix.next[*link];
    }
}

// Adds `rec` to its chain in base order (called after its value is set).
static void IndexAdd(TDataSetPrivate& d, int col, uint32_t rec)
{
    if (d.indexes.size() <= static_cast<size_t>(col) || !d.indexes[static_cast<size_t>(col)])
        return;
    ColumnIndex& ix = *d.indexes[static_cast<size_t>(col)];
    if (ix.next.size() < d.store.recordCount())
        ix.next.resize(d.store.recordCount(), ColumnIndex::kNone);
    uint32_t* link = HeadFor(d, ix, col, rec, true);
    const uint64_t key = d.orderKey(rec);
    while (*link != ColumnIndex::kNone && d.orderKey(*link) < key)
        link = &ix.next[*link];
    ix.next[rec] = *link;
    *link = rec;
}

bool TDataSet::FindRecord(const std::vector<TField*>& fields, const QVariant* values,
    size_t valueCount, TLocateOptions options, uint32_t& found, std::string_view asciiText)
{
    QVariant textValue;
    if (!values) {
        // One ASCII text value (see LocateText). On a plain string field its
        // bytes are what the column stores, so they probe the index as they
        // are; anywhere else the value goes the general way.
        TField* f = fields.size() == 1 ? fields[0] : nullptr;
        if (f && options == 0 && typeid(*f) == typeid(TStringField) && f->FieldKind() == fkData
            && f->column_ >= 0 && d_->store.kind(f->column_) == store::Kind::Text) {
            ColumnIndex& ix = IndexFor(*d_, f->column_);
            auto it = ix.texts.find(asciiText);
            for (uint32_t rec = it == ix.texts.end() ? ColumnIndex::kNone : it->second;
                 rec != ColumnIndex::kNone; rec = ix.next[rec]) {
                if (d_->visible(rec)) {
                    found = rec;
                    return true;
                }
            }
            return false;
        }
        textValue = QVariant(
            QString::fromLatin1(asciiText.data(), static_cast<qsizetype>(asciiText.size())));
        values = &textValue;
    }
    if (fields.size() != valueCount)
        DatabaseError("Locate: " + std::to_string(fields.size()) + " fields but "
            + std::to_string(valueCount) + " values");
    // Normalise the searched values to the fields' types; a value that cannot
    // be one (text for an integer field) matches nothing. A single value
    // stays on the stack: a lookup by key should not allocate.
    QVariant singleWanted;
    std::vector<QVariant> severalWanted;
    QVariant* wanted = &singleWanted;
    if (fields.size() > 1) {
        severalWanted.resize(fields.size());
        wanted = severalWanted.data();
    }
    for (size_t i = 0; i < fields.size(); ++i) {
        try {
            wanted[i] = fields[i]->ConvertValue(values[i]);
        } catch (const EConvertError&) {
            return false;
        }
    }
    bool allData = true;
    for (TField* f : fields)
        allData = allData && f->FieldKind() == fkData && f->column_ >= 0;

    // Compares field i of `rec` with the wanted value.
    auto matches = [&](size_t i, uint32_t rec) {
        TField* f = fields[i];
        const QVariant& w = wanted[i];
        const int col = f->column_;
        if (w.isNull())
            return d_->store.isNull(col, rec);
        if (d_->store.isNull(col, rec))
            return false;
        const store::Kind kind = d_->store.kind(col);
        if (kind == store::Kind::Text || kind == store::Kind::Bytes) {
            auto have = d_->store.getText(col, rec);
            if (options == 0) {
                QByteArray want
                    = kind == store::Kind::Text ? w.toString().toUtf8() : w.toByteArray();
                return have == std::string_view(want.constData(), static_cast<size_t>(want.size()));
            }
            QString h = QString::fromUtf8(have.data(), static_cast<qsizetype>(have.size()));
            QString x = w.toString();
            Qt::CaseSensitivity cs
                = (options & loCaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive;
            return (options & loPartialKey) ? h.startsWith(x, cs) : h.compare(x, cs) == 0;
        }
        if (kind == store::Kind::Bool)
            return d_->store.getBool(col, rec) == w.toBool();
        if (kind == store::Kind::Double)
            return d_->store.getDouble(col, rec) == w.toDouble();
        return d_->store.getInt(col, rec) == w.toLongLong();
    };

    if (allData && options == 0) {
        // Exact search through the hash index of the first field.
        const int col = fields[0]->column_;
        ColumnIndex& ix = IndexFor(*d_, col);
        uint32_t rec = ColumnIndex::kNone;
        const store::Kind kind = d_->store.kind(col);
        if (wanted[0].isNull()) {
            rec = ix.nulls;
        } else if (kind == store::Kind::Text) {
            // Hash the UTF-8 bytes of the value in a reused buffer.
            thread_local std::string want;
            want.clear();
            if (wanted[0].typeId() == QMetaType::QString)
                store::AppendUtf8(*static_cast<const QString*>(wanted[0].constData()), want);
            else
                want = wanted[0].toString().toStdString();
            auto it = ix.texts.find(std::string_view(want));
            rec = it == ix.texts.end() ? ColumnIndex::kNone : it->second;
        } else if (kind == store::Kind::Bytes) {
            const QByteArray want = wanted[0].toByteArray();
            auto it = ix.texts.find(
                std::string_view(want.constData(), static_cast<size_t>(want.size())));
            rec = it == ix.texts.end() ? ColumnIndex::kNone : it->second;
        } else {
            // The cell the value would have is its key.
            uint64_t cell = 0;
            store::NumericCell(kind, wanted[0], fields[0]->FieldName(), cell);
            auto it = ix.numbers.find(cell);
            rec = it == ix.numbers.end() ? ColumnIndex::kNone : it->second;
        }
        for (; rec != ColumnIndex::kNone; rec = ix.next[rec]) {
            if (!d_->visible(rec))
                continue;
            bool all = true;
            for (size_t i = 1; i < fields.size() && all; ++i)
                all = matches(i, rec);
            if (all) {
                found = rec;
                return true;
            }
        }
        return false;
    }
    // Options or calculated fields: scan the rows in order.
    for (size_t row = 0; row < d_->view.size(); ++row) {
        const uint32_t rec = d_->view[row];
        bool all = true;
        if (allData) {
            for (size_t i = 0; i < fields.size() && all; ++i)
                all = matches(i, rec);
        } else {
            bool ok = true;
            ReadRecord(static_cast<int>(row), [&] {
                for (size_t i = 0; i < fields.size() && ok; ++i) {
                    QVariant have = fields[i]->Value();
                    const QVariant& w = wanted[i];
                    if (have.isNull() || w.isNull()) {
                        ok = have.isNull() && w.isNull();
                    } else if (have.typeId() == QMetaType::QString) {
                        Qt::CaseSensitivity cs = (options & loCaseInsensitive) ? Qt::CaseInsensitive
                                                                               : Qt::CaseSensitive;
                        ok = (options & loPartialKey)
                            ? have.toString().startsWith(w.toString(), cs)
                            : have.toString().compare(w.toString(), cs) == 0;
                    } else {
                        ok = have == w;
                    }
                }
            });
            all = ok;
        }
        if (all) {
            found = rec;
            return true;
        }
    }
    return false;
}

bool TDataSet::Locate(
    const std::string& fields, const std::vector<QVariant>& values, TLocateOptions options)
{
    return LocateValues(fields, values.data(), values.size(), options);
}

bool TDataSet::LocateText(const std::string& fields, std::string_view text, TLocateOptions options)
{
    const bool ascii = std::all_of(
        text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (options == 0 && ascii)
        return LocateValues(fields, nullptr, 1, options, text);
    const QVariant v(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    return LocateValues(fields, &v, 1, options);
}

bool TDataSet::LocateValues(const std::string& fields, const QVariant* values, size_t count,
    TLocateOptions options, std::string_view asciiText)
{
    CheckActive();
    CheckBrowseMode();
    // Repeated lookups by the same field list skip parsing it again.
    if (!d_->locateFields || d_->locateFieldsText != fields) {
        auto parsed = std::make_shared<const std::vector<TField*>>(ParseFieldList(fields));
        d_->locateFields = std::move(parsed);
        d_->locateFieldsText = fields;
    }
    const std::shared_ptr<const std::vector<TField*>> list = d_->locateFields;
    Fire(BeforeScroll, this);
    uint32_t rec = 0;
    if (!FindRecord(*list, values, count, options, rec, asciiText))
        return false;
    SetCurrent(PositionOf(rec));
    d_->bof = d_->eof = false;
    NotifyViews(deDataSetScroll, nullptr);
    Fire(AfterScroll, this);
    return true;
}

bool TDataSet::Locate(const std::string& fields, const QVariant& value, TLocateOptions options)
{
    if (value.typeId() == QMetaType::QVariantList) {
        std::vector<QVariant> values;
        for (const auto& v : value.toList())
            values.push_back(v);
        return LocateValues(fields, values.data(), values.size(), options);
    }
    return LocateValues(fields, &value, 1, options);
}

bool TDataSet::Locate(const std::string& fields, const char* value, TLocateOptions options)
{
    if (!value) {
        const QVariant v(QString::fromUtf8(value));
        return LocateValues(fields, &v, 1, options);
    }
    return LocateText(fields, value, options);
}

bool TDataSet::Locate(const std::string& fields, const std::string& value, TLocateOptions options)
{
    return LocateText(fields, value, options);
}

QVariant TDataSet::Lookup(const std::string& keyFields, const std::vector<QVariant>& keyValues,
    const std::string& resultFields)
{
    CheckActive();
    const auto keys = ParseFieldList(keyFields);
    const auto results = ParseFieldList(resultFields);
    uint32_t rec = 0;
    {
        // The search must not see an outer calculation's context.
        Restore<ReadContext*> noCtx(d_->ctx, nullptr);
        Restore<TDataSetState> browse(d_->state, dsBrowse);
        if (!FindRecord(keys, keyValues.data(), keyValues.size(), 0, rec))
            return {};
    }
    QVariantList out;
    for (TField* f : results) {
        if (f->FieldKind() == fkData)
            out.push_back(store::ReadVariant(d_->store, f->column_, rec, f->DataType()));
        else
            out.push_back(QVariant());
    }
    return out.size() == 1 ? out.front() : QVariant(out);
}

// ---------------------------------------------------------------- editing

void TDataSet::CheckBrowseMode()
{
    CheckActive();
    DataEvent(deCheckBrowseMode, nullptr);
    if (IsEditState(d_->state)) {
        if (d_->modified)
            Post();
        else
            Cancel();
    } else if (d_->state == dsSetKey) {
        d_->state = dsBrowse;
        NotifyViews(deUpdateState, nullptr);
    }
}

void TDataSet::BeginEditBuffer(bool insert)
{
    const size_t n = d_->fields.size();
    d_->editBuf.assign(n, QVariant());
    if (insert || d_->cur < 0)
        return;
    const uint32_t rec = d_->view[static_cast<size_t>(d_->cur)];
    for (size_t i = 0; i < n; ++i) {
        TField* f = d_->fields[i];
        d_->editBuf[i] = f->FieldKind() == fkData
            ? store::ReadVariant(d_->store, f->column_, rec, f->DataType())
            : d_->calcBuf[i];
    }
}

void TDataSet::Edit()
{
    CheckActive();
    if (IsEditState(d_->state))
        return;
    if (d_->view.empty()) {
        Insert();
        return;
    }
    CheckBrowseMode();
    if (!GetCanModify())
        DatabaseError("Cannot modify a read-only dataset");
    Fire(BeforeEdit, this);
    BeginEditBuffer(false);
    d_->state = dsEdit;
    d_->modified = false;
    NotifyViews(deUpdateState, nullptr);
    NotifyViews(deRecordChange, nullptr);
    Fire(AfterEdit, this);
}

void TDataSet::Insert()
{
    StartInsert(false);
}

void TDataSet::Append()
{
    StartInsert(true);
}

// Insert and Append differ only in where the new record goes: before the
// current record, or after the last one.
void TDataSet::StartInsert(bool atEnd)
{
    CheckActive();
    CheckBrowseMode();
    if (!GetCanModify())
        DatabaseError("Cannot modify a read-only dataset");
    Fire(BeforeInsert, this);
    Fire(BeforeScroll, this);
    if (atEnd)
        d_->insertPos = static_cast<int>(d_->view.size());
    else
        d_->insertPos = d_->cur < 0 ? 0 : d_->cur;
    BeginEditBuffer(true);
    d_->state = dsInsert;
    d_->eof = d_->bof = false;
    try {
        Fire(OnNewRecord, this);
    } catch (...) {
        d_->state = dsBrowse;
        SetCurrent(d_->insertPos);
        NotifyViews(deDataSetChange, nullptr);
        throw;
    }
    d_->modified = false;
    NotifyViews(deUpdateState, nullptr);
    NotifyViews(deDataSetChange, nullptr);
    Fire(AfterInsert, this);
    Fire(AfterScroll, this);
}

void TDataSet::InternalPostRecord(TUpdateKind) { }

void TDataSet::InternalApplyRecord(TUpdateKind)
{
    DatabaseError("No update object or OnUpdateRecord handler to apply the cached updates");
}

void TDataSet::MarkPending(uint32_t rec, TUpdateStatus status)
{
    auto it = d_->pending.find(rec);
    if (status == usModified) {
        if (it != d_->pending.end())
            return; // inserted stays inserted; modified keeps its originals
        uint32_t shadow = d_->addRecord(TDataSetPrivate::kShadow);
        d_->store.copyRecord(rec, shadow);
        d_->pending[rec] = { usModified, shadow };
        d_->pendingOrder.push_back(rec);
    } else if (status == usInserted) {
        d_->pending[rec] = { usInserted, -1 };
        d_->pendingOrder.push_back(rec);
    } else if (status == usDeleted) {
        if (it != d_->pending.end() && it->second.status == usInserted) {
            d_->pending.erase(it); // never reached the database
            return;
        }
        if (it != d_->pending.end()) {
            it->second.status = usDeleted;
            return;
        }
        d_->pending[rec] = { usDeleted, -1 };
        d_->pendingOrder.push_back(rec);
    }
}

void TDataSet::WriteEditBuffer(uint32_t rec, bool newRecord)
{
    for (size_t i = 0; i < d_->fields.size(); ++i) {
        TField* f = d_->fields[i];
        if (f->FieldKind() != fkData || f->column_ < 0)
            continue;
        const QVariant& v = d_->editBuf[i];
        if (!newRecord) {
            QVariant old = store::ReadVariant(d_->store, f->column_, rec, f->DataType());
            if (old == v && old.isNull() == v.isNull())
                continue;
            IndexRemove(*d_, f->column_, rec);
        }
        store::StoreVariant(d_->store, f->column_, rec, v, f->FieldName());
        IndexAdd(*d_, f->column_, rec);
    }
}

void TDataSet::Post()
{
    CheckActive();
    if (d_->state == dsSetKey) {
        d_->state = dsBrowse;
        NotifyViews(deUpdateState, nullptr);
        return;
    }
    if (!IsEditState(d_->state))
        return;
    DataEvent(deCheckBrowseMode, nullptr);
    Fire(BeforePost, this);
    for (TField* f : d_->fields)
        if (f->Required() && f->FieldKind() == fkData
            && d_->editBuf[static_cast<size_t>(f->Index())].isNull())
            DatabaseError("Field '" + f->DisplayName() + "' must have a value");
    const bool inserting = d_->state == dsInsert;
    if (!d_->cached)
        InternalPostRecord(inserting ? ukInsert : ukModify);

    uint32_t rec;
    if (inserting) {
        // Order key between the neighbours in the unfiltered order.
        uint64_t before = 0, after = 0;
        bool hasAfter = d_->insertPos < static_cast<int>(d_->view.size());
        if (!d_->ordered)
            d_->makeOrderKeys();
        size_t basePos = d_->base.size();
        if (hasAfter) {
            uint32_t next = d_->view[static_cast<size_t>(d_->insertPos)];
            after = d_->keys[next];
            basePos
                = static_cast<size_t>(std::lower_bound(d_->base.begin(), d_->base.end(), after,
                                          [&](uint32_t r, uint64_t k) { return d_->keys[r] < k; })
                    - d_->base.begin());
        }
        before = basePos > 0 ? d_->keys[d_->base[basePos - 1]] : 0;
        if (!hasAfter)
            after = before + (uint64_t(1) << 21);
        if (after - before < 2) {
            for (size_t i = 0; i < d_->base.size(); ++i)
                d_->keys[d_->base[i]] = static_cast<uint64_t>(i + 1) << 20;
            before = basePos > 0 ? d_->keys[d_->base[basePos - 1]] : 0;
            after = basePos < d_->base.size() ? d_->keys[d_->base[basePos]]
                                              : before + (uint64_t(1) << 21);
        }
        rec = d_->addRecord(0);
        d_->keys[rec] = before + (after - before) / 2;
        d_->base.insert(d_->base.begin() + static_cast<std::ptrdiff_t>(basePos), rec);
        WriteEditBuffer(rec, true);
        if (d_->cached)
            MarkPending(rec, usInserted);
    } else {
        rec = d_->view[static_cast<size_t>(d_->cur)];
        if (d_->cached) {
            bool changed = false;
            for (size_t i = 0; i < d_->fields.size() && !changed; ++i) {
                TField* f = d_->fields[i];
                if (f->FieldKind() != fkData || f->column_ < 0)
                    continue;
                QVariant old = store::ReadVariant(d_->store, f->column_, rec, f->DataType());
                changed = !(old == d_->editBuf[i] && old.isNull() == d_->editBuf[i].isNull());
            }
            if (changed)
                MarkPending(rec, usModified);
        }
        WriteEditBuffer(rec, false);
    }
    d_->state = dsBrowse;
    d_->modified = false;
    // The row may no longer pass the filter.
    auto pos = std::find(d_->view.begin(), d_->view.end(), rec);
    if (pos != d_->view.end())
        d_->view.erase(pos);
    if (RecordPasses(rec)) {
        d_->flags[rec] |= TDataSetPrivate::kVisible;
        InsertIntoView(rec);
        uint64_t key = d_->orderKey(rec);
        auto it = std::lower_bound(d_->view.begin(), d_->view.end(), key,
            [&](uint32_t r, uint64_t k) { return d_->orderKey(r) < k; });
        d_->cur = static_cast<int>(it - d_->view.begin());
    } else {
        d_->flags[rec] &= static_cast<uint8_t>(~TDataSetPrivate::kVisible);
    }
    SetCurrent(d_->cur < 0 ? 0 : d_->cur);
    if (inserting && !d_->cached && d_->cur >= 0 && d_->view[static_cast<size_t>(d_->cur)] == rec) {
        InternalAfterInsert();
        RecomputeCurrent();
    }
    NotifyViews(deUpdateState, nullptr);
    NotifyViews(deDataSetChange, nullptr);
    Fire(AfterPost, this);
}

void TDataSet::Cancel()
{
    CheckActive();
    if (d_->state == dsSetKey) {
        d_->state = dsBrowse;
        NotifyViews(deUpdateState, nullptr);
        return;
    }
    if (!IsEditState(d_->state))
        return;
    Fire(BeforeCancel, this);
    const bool inserting = d_->state == dsInsert;
    d_->state = dsBrowse;
    d_->modified = false;
    SetCurrent(inserting ? d_->insertPos : d_->cur);
    if (inserting) {
        d_->bof = d_->cur <= 0;
        d_->eof = d_->view.empty();
    }
    NotifyViews(deUpdateState, nullptr);
    NotifyViews(deDataSetChange, nullptr);
    Fire(AfterCancel, this);
}

void TDataSet::Delete()
{
    CheckActive();
    if (d_->state == dsInsert || d_->state == dsSetKey) {
        Cancel();
        return;
    }
    if (d_->view.empty())
        DatabaseError("Cannot perform this operation on an empty dataset");
    if (!GetCanModify())
        DatabaseError("Cannot modify a read-only dataset");
    DataEvent(deCheckBrowseMode, nullptr);
    Fire(BeforeDelete, this);
    Fire(BeforeScroll, this);
    if (d_->state == dsEdit) {
        d_->state = dsBrowse;
        d_->modified = false;
    }
    const uint32_t rec = d_->view[static_cast<size_t>(d_->cur)];
    if (!d_->cached)
        InternalPostRecord(ukDelete);
    else
        MarkPending(rec, usDeleted);
    d_->flags[rec] |= TDataSetPrivate::kDeleted;
    d_->view.erase(d_->view.begin() + d_->cur);
    SetCurrent(d_->cur);
    d_->eof = d_->view.empty();
    d_->bof = d_->view.empty() || d_->cur == 0;
    NotifyViews(deUpdateState, nullptr);
    NotifyViews(deDataSetChange, nullptr);
    Fire(AfterDelete, this);
    Fire(AfterScroll, this);
}

void TDataSet::Refresh()
{
    CheckActive();
    CheckBrowseMode();
    if (UpdatesPending())
        DatabaseError(
            "Cannot refresh while cached updates are pending; apply or cancel them first");
    Fire(BeforeRefresh, this);
    const int oldCur = d_->cur;
    try {
        InternalClose();
        d_->clearRecords();
        InternalOpen();
    } catch (...) {
        CloseInternal();
        NotifyViews(deUpdateState, nullptr);
        throw;
    }
    const size_t n = d_->fields.size();
    d_->editBuf.assign(n, QVariant());
    d_->calcBuf.assign(n, QVariant());
    d_->keyBuf.assign(n, QVariant());
    d_->keyAssigned.assign(n, false);
    d_->generation = (d_->generation + 2) | 1;
    RebuildView();
    SetCurrent(oldCur < 0 ? 0 : oldCur);
    d_->bof = d_->cur <= 0;
    d_->eof = d_->view.empty();
    NotifyViews(deDataSetChange, nullptr);
    Fire(AfterRefresh, this);
}

void TDataSet::SetKey()
{
    CheckActive();
    CheckBrowseMode();
    std::fill(d_->keyBuf.begin(), d_->keyBuf.end(), QVariant());
    std::fill(d_->keyAssigned.begin(), d_->keyAssigned.end(), false);
    d_->state = dsSetKey;
    NotifyViews(deUpdateState, nullptr);
}

bool TDataSet::GotoKey()
{
    CheckActive();
    if (d_->state != dsSetKey)
        DatabaseError("Dataset not in set-key mode");
    std::string names;
    std::vector<QVariant> values;
    for (size_t i = 0; i < d_->fields.size(); ++i) {
        if (!d_->keyAssigned[i])
            continue;
        names += (names.empty() ? "" : ";") + d_->fields[i]->FieldName();
        values.push_back(d_->keyBuf[i]);
    }
    d_->state = dsBrowse;
    NotifyViews(deUpdateState, nullptr);
    if (values.empty())
        return false;
    return Locate(names, values);
}

// ---------------------------------------------------------------- cached updates

void TDataSet::SetCachedUpdates(bool cached)
{
    if (cached == d_->cached)
        return;
    if (Active() && !cached && UpdatesPending())
        DatabaseError("Cannot switch cached updates off while updates are pending");
    if (Active())
        CheckBrowseMode();
    d_->cached = cached;
}

bool TDataSet::UpdatesPending() const
{
    return !d_->pending.empty();
}

TUpdateStatus TDataSet::UpdateStatus() const
{
    if (!Active() || d_->state == dsInsert)
        return d_->state == dsInsert ? usInserted : usUnmodified;
    int64_t rec = d_->ctx && d_->ctx->record >= 0
        ? d_->ctx->record
        : (d_->cur < 0 ? -1 : d_->view[static_cast<size_t>(d_->cur)]);
    if (rec < 0)
        return usUnmodified;
    auto it = d_->pending.find(static_cast<uint32_t>(rec));
    return it == d_->pending.end() ? usUnmodified : it->second.status;
}

void TDataSet::SetUpdateObject(TDataSetUpdateObject* updateObject)
{
    if (updateObject == d_->updateObject)
        return;
    if (d_->updateObject && d_->updateObject->DataSet() == this)
        d_->updateObject->SetDataSet(nullptr);
    d_->updateObject = updateObject;
    if (updateObject)
        updateObject->SetDataSet(this);
}

void TDataSet::ApplyOne(uint32_t rec, TUpdateKind kind)
{
    ReadContext ctx { rec, nullptr };
    Restore<ReadContext*> useCtx(d_->ctx, &ctx);
    for (int attempt = 0;; ++attempt) {
        TUpdateAction action = uaFail;
        try {
            if (OnUpdateRecord) {
                OnUpdateRecord(this, kind, action);
            } else if (d_->updateObject) {
                d_->updateObject->Apply(kind);
                action = uaApplied;
            } else {
                InternalApplyRecord(kind);
                action = uaApplied;
            }
            if (action == uaFail)
                DatabaseError("Update failed");
        } catch (EDatabaseError& error) {
            action = uaFail;
            if (OnUpdateError)
                OnUpdateError(this, error, kind, action);
            if (action == uaFail || (action == uaRetry && attempt >= 100))
                throw;
        }
        switch (action) {
        case uaAbort:
            throw EAbort();
        case uaRetry:
            continue;
        default:
            return;
        }
    }
}

void TDataSet::ApplyUpdates()
{
    CheckActive();
    if (!d_->cached)
        DatabaseError("Cached updates are not enabled");
    CheckBrowseMode();
    // Rows are applied in the order they first changed; nothing is marked
    // applied here, so a failed apply leaves the whole cache pending.
    const auto order = d_->pendingOrder;
    std::vector<uint32_t> seen;
    for (uint32_t rec : order) {
        auto it = d_->pending.find(rec);
        if (it == d_->pending.end())
            continue;
        if (std::find(seen.begin(), seen.end(), rec) != seen.end())
            continue;
        seen.push_back(rec);
        TUpdateKind kind = it->second.status == usInserted ? ukInsert
            : it->second.status == usDeleted               ? ukDelete
                                                           : ukModify;
        ApplyOne(rec, kind);
    }
}

void TDataSet::CommitUpdates()
{
    CheckActive();
    d_->pending.clear();
    d_->pendingOrder.clear();
    NotifyViews(deDataSetChange, nullptr);
}

void TDataSet::CancelUpdates()
{
    CheckActive();
    if (IsEditState(d_->state))
        Cancel();
    if (d_->pending.empty())
        return;
    const int64_t current = d_->cur < 0 ? -1 : d_->view[static_cast<size_t>(d_->cur)];
    for (const auto& [rec, p] : d_->pending) {
        switch (p.status) {
        case usInserted:
            d_->flags[rec] |= TDataSetPrivate::kDeleted;
            break;
        case usDeleted:
            d_->flags[rec] &= static_cast<uint8_t>(~TDataSetPrivate::kDeleted);
            [[fallthrough]];
        case usModified:
            if (p.shadow >= 0)
                d_->store.copyRecord(static_cast<uint32_t>(p.shadow), rec);
            break;
        default:
            break;
        }
    }
    d_->pending.clear();
    d_->pendingOrder.clear();
    d_->indexes.clear(); // values went back: rebuild on the next Locate
    RebuildView();
    int index = d_->cur;
    if (current >= 0 && d_->visible(static_cast<uint32_t>(current))) {
        auto it = std::find(d_->view.begin(), d_->view.end(), static_cast<uint32_t>(current));
        index = static_cast<int>(it - d_->view.begin());
    }
    SetCurrent(index < 0 ? 0 : index);
    d_->eof = d_->view.empty();
    d_->bof = d_->view.empty() || d_->cur == 0;
    NotifyViews(deDataSetChange, nullptr);
}

void TDataSet::RevertRecord()
{
    CheckActive();
    if (IsEditState(d_->state))
        Cancel();
    if (d_->cur < 0)
        return;
    const uint32_t rec = d_->view[static_cast<size_t>(d_->cur)];
    auto it = d_->pending.find(rec);
    if (it == d_->pending.end())
        return;
    if (it->second.status == usInserted) {
        d_->flags[rec] |= TDataSetPrivate::kDeleted;
        d_->view.erase(d_->view.begin() + d_->cur);
    } else if (it->second.shadow >= 0) {
        d_->store.copyRecord(static_cast<uint32_t>(it->second.shadow), rec);
        d_->indexes.clear();
    }
    d_->pending.erase(it);
    SetCurrent(d_->cur);
    NotifyViews(deDataSetChange, nullptr);
}

void TDataSet::CommitRecord()
{
    CheckActive();
    if (IsEditState(d_->state))
        DatabaseError("Post or cancel the record being edited first");
    if (d_->cur < 0)
        return;
    const uint32_t rec = d_->view[static_cast<size_t>(d_->cur)];
    if (d_->pending.erase(rec) == 0)
        return;
    // Usually the latest change: searched from the end.
    auto& order = d_->pendingOrder;
    auto it = std::find(order.rbegin(), order.rend(), rec);
    if (it != order.rend())
        order.erase(std::next(it).base());
    NotifyViews(deRecordChange, nullptr);
}

} // namespace vcl

namespace vcl {
void TDataSet::CloseWithoutEvents()
{
    if (Active()) {
        CloseInternal();
        NotifyViews(deUpdateState, nullptr);
        NotifyViews(deDataSetChange, nullptr);
    }
}
} // namespace vcl
