#include "wardlock/keeper/mutfields.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace tor {

using vcl::TDataSet;
using vcl::TField;

namespace {

// Runs a function when the scope ends, also on exceptions.
template<class F> class Finally {
public:
    explicit Finally(F f)
        : f_(std::move(f))
    {
    }
    ~Finally() { f_(); }
    Finally(const Finally&) = delete;
    Finally& operator=(const Finally&) = delete;

private:
    F f_;
};

bool IsEditing(const TDataSet* ds)
{
    return ds && (ds->State() == vcl::dsEdit || ds->State() == vcl::dsInsert);
}

// A calculated value set while the row is edited does not mark the dataset
// modified by itself; the Mut fields do it so that the row gets posted.
void MarkEdited(TField& field)
{
    if (IsEditing(field.DataSet()))
        field.DataSet()->SetModified(true);
}

// Calculated and lookup fields of a modifiable dataset may be changed.
bool MutCanModify(const TField& field, bool platformAnswer)
{
    if (field.FieldKind() == vcl::fkData)
        return platformAnswer;
    const TDataSet* ds = field.DataSet();
    return ds && ds->State() != vcl::dsSetKey && !field.ReadOnly() && ds->CanModify();
}

template<class SetPlatform, class Store>
void FllSetFieldKind(TField& field, vcl::TFieldKind kind, SetPlatform setPlatform, Store store)
{
    const TDataSet* ds = field.DataSet();
    if (!ds || !ds->Active()) {
        setPlatform();
        return;
    }
    // Only a field bound to a result column can read and write a column.
    if (kind == vcl::fkData && field.FieldKind() != vcl::fkData && field.FieldNo() == 0)
        throw vcl::EDatabaseError("Field '" + field.FieldName()
            + "' is not bound to a column of the open dataset; it can "
              "become a data field only while the dataset is closed");
    store();
}

// The first `size` characters of `text` (all of it when the size is 0); a
// surrogate pair is one character and is never split.
QString FirstCharacters(const QString& text, int size)
{
    if (size <= 0 || text.size() <= size)
        return text;
    qsizetype units = 0;
    for (int n = 0; n < size && units < text.size(); ++n)
        units += text[units].isHighSurrogate() && units + 1 < text.size()
                && text[units + 1].isLowSurrogate()
            ? 2
            : 1;
    return text.left(units);
}

QString ReadSlot(const TField& field, const QString*)
{
    const QVariant v = field.Value();
    return v.isNull() ? QString() : v.toString();
}
int ReadSlot(const TField& field, const int*)
{
    return field.AsInteger();
}
uint16_t ReadSlot(const TField& field, const uint16_t*)
{
    return field.AsBoolean() ? 1 : 0;
}

QVariant SlotVariant(const QString& slot)
{
    return QVariant(slot);
}
QVariant SlotVariant(int slot)
{
    return QVariant(slot);
}
QVariant SlotVariant(uint16_t slot)
{
    return QVariant(slot != 0);
}

} // namespace

// ---------------------------------------------------------------- TPubFields

int TPubFields::IndexOf(const TField* field) const
{
    auto it = std::find(items_.begin(), items_.end(), field);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TPubFields::Add(TField* field)
{
    if (field && IndexOf(field) < 0)
        items_.push_back(field);
}

void TPubFields::Remove(const TField* field)
{
    items_.erase(std::remove(items_.begin(), items_.end(), field), items_.end());
}

// ---------------------------------------------------------------- TNoField

// A handler the field installs on its dataset; recognisable, so that the
// field never saves (and later calls) its own handler as the dataset's.
struct TNoField::Hook {
    TNoField* field;
    void (TNoField::*method)(TDataSet*);
    void operator()(TDataSet* dataSet) const { (field->*method)(dataSet); }
};

TNoField::TNoField(vcl::TComponent* owner)
    : vcl::TIntegerField(owner)
{
}

TNoField::~TNoField()
{
    if (DataSet())
        Unhook(DataSet());
    ReleaseFields();
}

bool TNoField::IsOwnHook(const TDataSet::TDataSetNotifyEvent& handler) const
{
    const Hook* hook = handler.target<Hook>();
    return hook && hook->field == this;
}

TDataSet::TDataSetNotifyEvent TNoField::MakeHook(void (TNoField::*method)(TDataSet*))
{
    return Hook { this, method };
}

void TNoField::Unhook(TDataSet* dataSet)
{
    // A handler the owner replaced in the meantime is left alone.
    auto restore
        = [this](TDataSet::TDataSetNotifyEvent& slot, TDataSet::TDataSetNotifyEvent& saved) {
              if (IsOwnHook(slot))
                  slot = saved;
              saved = nullptr;
          };
    restore(dataSet->AfterOpen, savedAfterOpen_);
    restore(dataSet->OnCalcFields, savedOnCalcFields_);
    restore(dataSet->BeforePost, savedBeforePost_);
    restore(dataSet->AfterClose, savedAfterClose_);
    restore(dataSet->AfterRefresh, savedAfterRefresh_);
}

void TNoField::ReleaseFields() noexcept
{
    for (TField* field : fields_) {
        if (auto* mem = dynamic_cast<TMemFieldBuffer*>(field)) {
            mem->ForgetNoField();
            mem->FreeBuffer();
        }
    }
    fields_.Clear();
    recCount_ = 0;
}

void TNoField::SetDataSet(TDataSet* dataSet)
{
    TDataSet* old = DataSet();
    if (dataSet == old)
        return;
    vcl::TIntegerField::SetDataSet(dataSet); // refuses open datasets before anything changes
    if (old) {
        Unhook(old);
        // The attached fields belong to the dataset being left.
        ReleaseFields();
    }
    if (dataSet) {
        savedAfterOpen_ = dataSet->AfterOpen;
        dataSet->AfterOpen = MakeHook(&TNoField::DoAfterOpen);
    }
}

void TNoField::Add(TField* field)
{
    if (!field)
        return;
    // Only memory fields are listed: they leave the list when destroyed, so
    // the list never holds a dangling field.
    TMemFieldBuffer& mem = MemOf(field);
    if (mem.NoField() != this) {
        mem.SetNoField(this); // comes back here with NoField() == this
        return;
    }
    fields_.Add(field);
}

void TNoField::Remove(TField* field)
{
    auto* mem = dynamic_cast<TMemFieldBuffer*>(field);
    if (mem && mem->NoField() == this) {
        mem->SetNoField(nullptr); // comes back here with NoField() == nullptr
        return;
    }
    fields_.Remove(field);
}

TMemFieldBuffer& TNoField::MemOf(TField* field)
{
    auto* mem = dynamic_cast<TMemFieldBuffer*>(field);
    if (!mem)
        throw vcl::Exception("MemField : Field type not supported.");
    return *mem;
}

int TNoField::GetRecNo()
{
    TDataSet* ds = DataSet();
    if (!ds)
        return -1;
    if (!ds->IsSequenced())
        throw vcl::Exception("DEBUG : DataSet " + ds->Name()
            + " does not provide record numbers. Use TExtNoField or TIntNoField "
              "instead.");
    return ds->RecNo() - 1;
}

bool TNoField::Hooked() const
{
    const TDataSet* ds = DataSet();
    return ds && IsOwnHook(ds->BeforePost) && IsOwnHook(ds->OnCalcFields);
}

void TNoField::IntBeforeUpdate()
{
    if (BeforeUpdate)
        BeforeUpdate(DataSet());
}

void TNoField::IntAfterUpdate()
{
    if (AfterUpdate)
        AfterUpdate(DataSet());
}

bool TNoField::AnyBuffer() const
{
    bool any = false;
    for (TField* field : fields_)
        any = MemOf(field).HasBuffer() || any; // checks every type
    return any;
}

void TNoField::GrowBuffers(unsigned count)
{
    for (TField* field : fields_)
        MemOf(field).GrowRecCount(count);
    recCount_ = std::max<uint32_t>(recCount_, count);
}

void TNoField::DoAfterOpen(TDataSet* ds)
{
    if (!IsOwnHook(ds->OnCalcFields))
        savedOnCalcFields_ = ds->OnCalcFields;
    if (!IsOwnHook(ds->BeforePost))
        savedBeforePost_ = ds->BeforePost;
    if (!IsOwnHook(ds->AfterClose))
        savedAfterClose_ = ds->AfterClose;
    if (!IsOwnHook(ds->AfterRefresh))
        savedAfterRefresh_ = ds->AfterRefresh;
    ds->OnCalcFields = nullptr;
    ds->BeforePost = nullptr;
    {
        // Installed however this ends, so the saved handlers stay chained.
        Finally install([this, ds] {
            ds->OnCalcFields = MakeHook(&TNoField::DoCalcFields);
            ds->BeforePost = MakeHook(&TNoField::DoBeforePost);
            ds->AfterClose = MakeHook(&TNoField::DoAfterClose);
            ds->AfterRefresh = MakeHook(&TNoField::DoAfterRefresh);
        });
        // Sized on the unfiltered rows: the numbers are positions in the
        // whole result, whatever the filter hides.
        const unsigned count = static_cast<unsigned>(ds->UnfilteredRecordCount());
        for (TField* field : fields_)
            MemOf(field).SetRecCount(count);
        recCount_ = count;
        IntAfterOpen(ds);
    }
    ds->Resync();
    if (savedAfterOpen_)
        savedAfterOpen_(ds);
}

void TNoField::DoCalcFields(TDataSet* ds)
{
    if (AnyBuffer()) {
        const int r = GetRecNo();
        if (r >= 0)
            for (TField* field : fields_)
                MemOf(field).CalcValue(static_cast<unsigned>(r));
    }
    IntOnCalcFields(ds);
    if (savedOnCalcFields_)
        savedOnCalcFields_(ds);
}

void TNoField::DoBeforePost(TDataSet* ds)
{
    // The owner's checks first: they may still narrow or refuse the values.
    if (savedBeforePost_)
        savedBeforePost_(ds);
    // (A numbering subclass may number the new record here, before the
    // buffers grow for it.)
    IntBeforePost(ds);
    if (ds->State() == vcl::dsInsert) {
        const unsigned count = static_cast<unsigned>(ds->UnfilteredRecordCount()) + 1;
        if (count > recCount_)
            GrowBuffers(count);
    }
    if (!IsEditing(ds))
        return;
    const int r = GetRecNo();
    // A new record that has no number yet has no slot: its memory values
    // cannot be kept, and no other record's slot may take them.
    if (r < 0)
        return;
    const unsigned slot = static_cast<unsigned>(r);
    // Nothing changed in memory: no update events (a row whose plain
    // columns were edited must not write the memory values anywhere).
    bool changed = false;
    for (TField* field : fields_)
        changed = MemOf(field).ValueDiffers(slot) || changed; // checks every type
    if (!changed)
        return;
    if (slot >= recCount_)
        GrowBuffers(slot + 1);
    IntBeforeUpdate();
    StoreValues(slot);
    IntAfterUpdate();
}

void TNoField::StoreValues(unsigned slot)
{
    // Which fields to store is decided after the handlers ran: a write-back
    // may change a sibling (an id of -1 becomes -2), also one already passed
    // over, so the fields are passed over again until none differs from its
    // slot. At most one pass per field: a handler that keeps changing values
    // cannot hold the post forever.
    for (int pass = 0; pass < fields_.Count(); ++pass) {
        bool stored = false;
        for (TField* field : fields_) {
            TMemFieldBuffer& mem = MemOf(field);
            if (mem.ValueDiffers(slot)) {
                mem.UpdateValue(slot);
                stored = true;
            }
        }
        if (!stored)
            return;
    }
}

void TNoField::DoAfterClose(TDataSet* ds)
{
    // Every supported buffer is freed and the close completes; a field of
    // another type is reported at the end.
    std::exception_ptr unsupported;
    for (TField* field : fields_) {
        try {
            MemOf(field).FreeBuffer();
        } catch (...) {
            unsupported = std::current_exception();
        }
    }
    recCount_ = 0;
    IntAfterClose(ds);
    if (savedAfterClose_)
        savedAfterClose_(ds);
    if (unsupported)
        std::rethrow_exception(unsupported);
}

void TNoField::DoAfterRefresh(TDataSet* ds)
{
    const unsigned count = static_cast<unsigned>(ds->UnfilteredRecordCount());
    for (TField* field : fields_)
        MemOf(field);
    if (count > recCount_)
        GrowBuffers(count);
    IntAfterRefresh(ds);
    ds->Resync();
    if (savedAfterRefresh_)
        savedAfterRefresh_(ds);
}

// ---------------------------------------------------------------- TExtNoField

int TExtNoField::GetRecNo()
{
    TDataSet* ds = DataSet();
    if (!ds)
        return -1;
    if (ds->IsSequenced())
        return ds->RecNo() - 1;
    return IsNull() ? -1 : AsInteger();
}

// ---------------------------------------------------------------- Mut fields

TMutStringField::TMutStringField(vcl::TComponent* owner, int size)
    : vcl::TStringField(owner, size)
{
}

void TMutStringField::SetValue(const QVariant& value)
{
    vcl::TStringField::SetValue(value);
    MarkEdited(*this);
}

void TMutStringField::Clear()
{
    vcl::TStringField::Clear();
    MarkEdited(*this);
}

bool TMutStringField::GetCanModify() const
{
    return MutCanModify(*this, vcl::TStringField::GetCanModify());
}

TMutIntegerField::TMutIntegerField(vcl::TComponent* owner)
    : vcl::TIntegerField(owner)
{
}

void TMutIntegerField::SetValue(const QVariant& value)
{
    vcl::TIntegerField::SetValue(value);
    MarkEdited(*this);
}

void TMutIntegerField::Clear()
{
    vcl::TIntegerField::Clear();
    MarkEdited(*this);
}

bool TMutIntegerField::GetCanModify() const
{
    return MutCanModify(*this, vcl::TIntegerField::GetCanModify());
}

TMutBooleanField::TMutBooleanField(vcl::TComponent* owner)
    : vcl::TBooleanField(owner)
{
}

void TMutBooleanField::SetValue(const QVariant& value)
{
    vcl::TBooleanField::SetValue(value);
    MarkEdited(*this);
}

void TMutBooleanField::Clear()
{
    vcl::TBooleanField::Clear();
    MarkEdited(*this);
}

bool TMutBooleanField::GetCanModify() const
{
    return MutCanModify(*this, vcl::TBooleanField::GetCanModify());
}

// ---------------------------------------------------------------- Mem fields

template<class MutBase, class Slot> TMemField<MutBase, Slot>::~TMemField()
{
    if (noField_)
        SetNoField(nullptr);
}

template<class MutBase, class Slot> void TMemField<MutBase, Slot>::SetNoField(TNoField* noField)
{
    if (noField == noField_)
        return;
    TNoField* old = noField_;
    noField_ = noField;
    if (old)
        old->Remove(this);
    if (noField)
        noField->Add(this);
}

template<class MutBase, class Slot> void TMemField<MutBase, Slot>::SetRecCount(unsigned count)
{
    slots_.assign(count, Slot {});
    hasBuffer_ = true;
}

template<class MutBase, class Slot> void TMemField<MutBase, Slot>::GrowRecCount(unsigned count)
{
    if (count > slots_.size())
        slots_.resize(count, Slot {});
    hasBuffer_ = true;
}

template<class MutBase, class Slot> void TMemField<MutBase, Slot>::FreeBuffer()
{
    std::vector<Slot>().swap(slots_);
    hasBuffer_ = false;
}

template<class MutBase, class Slot> Slot TMemField<MutBase, Slot>::CurrentSlotValue() const
{
    return ReadSlot(*this, static_cast<const Slot*>(nullptr));
}

template<class MutBase, class Slot> void TMemField<MutBase, Slot>::CalcValue(unsigned r)
{
    if (!hasBuffer_ || r >= slots_.size())
        return;
    this->SetValue(SlotVariant(slots_[r]));
}

template<class MutBase, class Slot> bool TMemField<MutBase, Slot>::ValueDiffers(unsigned r) const
{
    static const Slot zero {};
    const Slot& stored = hasBuffer_ && r < slots_.size() ? slots_[r] : zero;
    return !(CurrentSlotValue() == stored);
}

template<class MutBase, class Slot> void TMemField<MutBase, Slot>::UpdateValue(unsigned r)
{
    if (!ValueDiffers(r))
        return;
    IntBeforeUpdate(); // the owner writes the new value where it belongs
    if (!hasBuffer_ || r >= slots_.size())
        GrowRecCount(r + 1);
    slots_[r] = CurrentSlotValue();
    IntAfterUpdate();
}

template<class MutBase, class Slot> void TMemField<MutBase, Slot>::SetValue(const QVariant& value)
{
    CheckWriteBack();
    MutBase::SetValue(value);
}

template<class MutBase, class Slot> void TMemField<MutBase, Slot>::Clear()
{
    CheckWriteBack();
    MutBase::Clear();
}

template<class MutBase, class Slot> void TMemField<MutBase, Slot>::CheckWriteBack() const
{
    const TDataSet* ds = this->DataSet();
    if (!noField_ || !IsEditing(ds) || noField_->DataSet() != ds || noField_->Hooked())
        return;
    throw vcl::EDatabaseError("Field '" + this->FieldName() + "' cannot keep its value: dataset '"
        + ds->Name() + "' no longer calls the handlers of its numbering field '"
        + noField_->FieldName()
        + "' (assign the dataset's events before attaching the numbering field and before "
          "opening the dataset)");
}

template<class MutBase, class Slot> void TMemField<MutBase, Slot>::IntBeforeUpdate()
{
    if (BeforeUpdate)
        BeforeUpdate(this);
}

template<class MutBase, class Slot> void TMemField<MutBase, Slot>::IntAfterUpdate()
{
    if (AfterUpdate)
        AfterUpdate(this);
}

template<class MutBase, class Slot> const Slot& TMemField<MutBase, Slot>::SlotAt(unsigned r) const
{
    if (!hasBuffer_ || r >= slots_.size())
        throw vcl::EDatabaseError("Field '" + this->FieldName() + "': record number "
            + std::to_string(r) + " is outside its memory buffer of "
            + std::to_string(slots_.size()) + " records");
    return slots_[r];
}

template<class MutBase, class Slot> Slot& TMemField<MutBase, Slot>::SlotAt(unsigned r)
{
    return const_cast<Slot&>(std::as_const(*this).SlotAt(r));
}

template class TMemField<TMutStringField, QString>;
template class TMemField<TMutIntegerField, int>;
template class TMemField<TMutBooleanField, uint16_t>;

// Memory fields are calculated columns unless their owner says otherwise.
TMemStringField::TMemStringField(vcl::TComponent* owner, int size)
    : TMemField(owner, size)
{
    SetFieldKind(vcl::fkCalculated);
}

QVariant TMemStringField::ConvertValue(const QVariant& value) const
{
    const QVariant text = TMemField::ConvertValue(value);
    return text.isNull() ? text : QVariant(FirstCharacters(text.toString(), Size()));
}

std::string TMemStringField::getDataAsString(unsigned r) const
{
    return SlotAt(r).toStdString();
}

QByteArray TMemStringField::getDataAsRaw(unsigned r) const
{
    return SlotAt(r).toLatin1();
}

void TMemStringField::setDataAsString(unsigned r, const std::string& value)
{
    SlotAt(r) = FirstCharacters(QString::fromStdString(value), Size());
}

void TMemStringField::setDataAsRaw(unsigned r, const QByteArray& bytes)
{
    SlotAt(r) = FirstCharacters(QString::fromLatin1(bytes), Size());
}

TMemIntegerField::TMemIntegerField(vcl::TComponent* owner)
    : TMemField(owner)
{
    SetFieldKind(vcl::fkCalculated);
}

int TMemIntegerField::getDataAsInteger(unsigned r) const
{
    return SlotAt(r);
}

void TMemIntegerField::setDataAsInteger(unsigned r, int value)
{
    SlotAt(r) = value;
}

TMemBooleanField::TMemBooleanField(vcl::TComponent* owner)
    : TMemField(owner)
{
    SetFieldKind(vcl::fkCalculated);
}

bool TMemBooleanField::getDataAsBoolean(unsigned r) const
{
    return SlotAt(r) != 0;
}

void TMemBooleanField::setDataAsBoolean(unsigned r, bool value)
{
    SlotAt(r) = value ? 1 : 0;
}

// ---------------------------------------------------------------- Fll fields

void TFllStringField::SetFieldKind(vcl::TFieldKind kind)
{
    FllSetFieldKind(
        *this, kind, [&] { vcl::TStringField::SetFieldKind(kind); }, [&] { StoreFieldKind(kind); });
}

void TFllIntegerField::SetFieldKind(vcl::TFieldKind kind)
{
    FllSetFieldKind(
        *this, kind, [&] { vcl::TIntegerField::SetFieldKind(kind); },
        [&] { StoreFieldKind(kind); });
}

void TFllBooleanField::SetFieldKind(vcl::TFieldKind kind)
{
    FllSetFieldKind(
        *this, kind, [&] { vcl::TBooleanField::SetFieldKind(kind); },
        [&] { StoreFieldKind(kind); });
}

} // namespace tor
