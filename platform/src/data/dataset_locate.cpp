// TDataSet: Locate, Lookup and the key search.

#include "wardlock/data/dataset.h"

#include "dataset_private.h"

#include <algorithm>
#include <typeinfo>

namespace vcl {

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

} // namespace vcl
