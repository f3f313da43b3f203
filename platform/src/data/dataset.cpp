// TDataSet: state, fields and their values, opening, closing and refreshing.
// Navigation and the visible rows, locate, editing and cached updates live in
// the dataset_*.cpp files beside this one.

#include "wardlock/data/dataset.h"

#include "dataset_private.h"
#include "text_util.h"

#include <algorithm>

namespace vcl {

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

void TDataSet::CloseWithoutEvents()
{
    if (Active()) {
        CloseInternal();
        NotifyViews(deUpdateState, nullptr);
        NotifyViews(deDataSetChange, nullptr);
    }
}

} // namespace vcl
