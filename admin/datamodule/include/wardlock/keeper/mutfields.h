#pragma once
// Memory-backed fields: editable calculated columns whose values are kept in
// memory, one slot per record, addressed by the record number a companion
// numbering field (TNoField) supplies. Posting a row whose memory values
// changed fires BeforeUpdate/AfterUpdate, through which the owner writes the
// values where they belong.
//
// Three families:
//   TMut...Field  calculated and lookup instances may be modified;
//   TMem...Field  a Mut field with a value buffer, attached to a TNoField;
//   TFll...Field  field kind changeable while the dataset is open.
//
// A TNoField attached to a dataset installs its own AfterOpen handler and,
// while the dataset is open, its OnCalcFields, BeforePost, AfterClose and
// AfterRefresh handlers. The handlers the dataset had are saved and called
// from the field's own (BeforePost first, the others after the field's work),
// and put back when the field leaves the dataset or is destroyed. The
// dataset's AfterOpen is taken when the field is attached, so assign it
// before; the other handlers are taken at every open, so assign them before
// opening. Assigning them later replaces the field's handlers: memory fields
// then refuse values while the row is edited (see Hooked) rather than lose
// them. Assign the events, do not wrap them: a wrapper is not recognised.
//
// The memory values of a row are calculated values: a plain column changed
// while the row is edited recomputes them from their slots (as every
// calculated field is recomputed), so set memory values after plain columns,
// or switch the dataset's AutoCalcFields off. A new record gets a slot only
// from a numbering field that numbers it (TIntNoField); otherwise its memory
// values are not kept.
//
// Buffers exist while the dataset is open. They are sized for the dataset's
// unfiltered record count and zero-filled (empty text, 0, false); growing a
// buffer keeps the values it held.

#include "wardlock/data/dataset.h"
#include "wardlock/data/fields.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tor {

class TNoField;

// The attached-fields list of a TNoField (not owning).
class TPubFields {
public:
    // The number of fields, one by index (std::out_of_range outside the list), and a field's index
    // (-1 when not listed).
    int Count() const noexcept { return static_cast<int>(items_.size()); }
    vcl::TField* Items(int index) const { return items_.at(static_cast<size_t>(index)); }
    int IndexOf(const vcl::TField* field) const;
    // Appends the field unless it is already listed.
    void Add(vcl::TField* field);
    // Removes the field when listed; Clear empties the list.
    void Remove(const vcl::TField* field);
    void Clear() noexcept { items_.clear(); }
    // Iteration over the fields.
    auto begin() const noexcept { return items_.begin(); }
    auto end() const noexcept { return items_.end(); }

private:
    std::vector<vcl::TField*> items_;
};

// What a numbering field asks of each attached memory field.
class TMemFieldBuffer {
public:
    virtual ~TMemFieldBuffer() = default;
    // The numbering field the memory field is attached to (not owned).
    virtual TNoField* NoField() const noexcept = 0;
    virtual void SetNoField(TNoField* noField) = 0;
    // Drops the buffer and allocates `count` zero-filled slots.
    virtual void SetRecCount(unsigned count) = 0;
    // Grows the buffer to `count` slots, keeping the values (never shrinks).
    virtual void GrowRecCount(unsigned count) = 0;
    // Drops the buffer; whether there is one.
    virtual void FreeBuffer() = 0;
    virtual bool HasBuffer() const noexcept = 0;
    // Slots in the buffer (0 without a buffer).
    virtual unsigned RecCount() const noexcept = 0;
    // Copies slot r into the field's current value (nothing without a buffer
    // or when r is outside it).
    virtual void CalcValue(unsigned r) = 0;
    // Whether the field's current value differs from slot r (r outside the
    // buffer compares with the zero value).
    virtual bool ValueDiffers(unsigned r) const = 0;
    // Stores the current value into slot r when it differs: BeforeUpdate,
    // copy, AfterUpdate. Nothing when equal.
    virtual void UpdateValue(unsigned r) = 0;

protected:
    friend class TNoField;
    // The numbering field is going away: forget it without calling back.
    virtual void ForgetNoField() noexcept = 0;
};

// Numbering field: record numbers for a dataset and the memory fields
// attached to it.
class TNoField : public vcl::TIntegerField {
public:
    // A numbering field owned by `owner` (null: the caller deletes it).
    explicit TNoField(vcl::TComponent* owner = nullptr);
    ~TNoField() override;

    // Leaves the previous dataset (its handlers back, attached fields
    // released), joins the new one and installs the AfterOpen hook.
    void SetDataSet(vcl::TDataSet* dataSet) override;

    // Attach and detach memory fields (the same as setting their NoField).
    // Any other field is refused with "MemField : Field type not supported.".
    void Add(vcl::TField* field);
    void Remove(vcl::TField* field);
    const TPubFields& PubFields() const noexcept { return fields_; }
    // The record count the buffers were last sized for (0 while closed).
    uint32_t RecCount() const noexcept { return recCount_; }
    // Whether the open dataset calls the field's BeforePost and OnCalcFields
    // handlers. False when the owner assigned those events after the open
    // (or AfterOpen after attaching the field, so that they were never
    // installed): memory values would then be lost silently.
    bool Hooked() const;

    // The current record's number, counting from 0: RecNo - 1 of a
    // sequenced dataset; otherwise throws the DEBUG message. -1 (or less)
    // when the record has no number yet (a new record).
    virtual int GetRecNo();

    // Fired when a posted row carries changed memory values: before the
    // values are stored into their slots, and after.
    std::function<void(vcl::TDataSet*)> BeforeUpdate;
    std::function<void(vcl::TDataSet*)> AfterUpdate;

protected:
    // The field's work in the dataset's events, before (BeforePost) or after the dataset's own
    // handlers; the base does nothing.
    virtual void IntAfterOpen(vcl::TDataSet* dataSet) { }
    virtual void IntOnCalcFields(vcl::TDataSet* dataSet) { }
    virtual void IntBeforePost(vcl::TDataSet* dataSet) { }
    virtual void IntAfterClose(vcl::TDataSet* dataSet) { }
    virtual void IntAfterRefresh(vcl::TDataSet* dataSet) { }
    // Fire BeforeUpdate and AfterUpdate.
    virtual void IntBeforeUpdate();
    virtual void IntAfterUpdate();

    // The memory-field interface of an attached field; throws
    // "MemField : Field type not supported." for any other field.
    static TMemFieldBuffer& MemOf(vcl::TField* field);

private:
    struct Hook;
    bool IsOwnHook(const vcl::TDataSet::TDataSetNotifyEvent& handler) const;
    vcl::TDataSet::TDataSetNotifyEvent MakeHook(void (TNoField::*method)(vcl::TDataSet*));
    void Unhook(vcl::TDataSet* dataSet);
    void ReleaseFields() noexcept;
    void GrowBuffers(unsigned count);
    // Stores every attached field whose value differs from slot `slot`.
    void StoreValues(unsigned slot);
    bool AnyBuffer() const;

    void DoAfterOpen(vcl::TDataSet* dataSet);
    void DoCalcFields(vcl::TDataSet* dataSet);
    void DoBeforePost(vcl::TDataSet* dataSet);
    void DoAfterClose(vcl::TDataSet* dataSet);
    void DoAfterRefresh(vcl::TDataSet* dataSet);

    // The dataset's own handlers, in the order the hooks were made.
    vcl::TDataSet::TDataSetNotifyEvent savedAfterOpen_;
    vcl::TDataSet::TDataSetNotifyEvent savedOnCalcFields_;
    vcl::TDataSet::TDataSetNotifyEvent savedBeforePost_;
    vcl::TDataSet::TDataSetNotifyEvent savedAfterClose_;
    vcl::TDataSet::TDataSetNotifyEvent savedAfterRefresh_;
    TPubFields fields_;
    uint32_t recCount_ = 0;
};

// Takes the record number from its own column when the dataset gives none.
class TExtNoField : public TNoField {
public:
    using TNoField::TNoField;
    // RecNo - 1 of a sequenced dataset, otherwise the field's own value
    // (-1 while it is null).
    int GetRecNo() override;
};

// --- Calculated and lookup fields that may be modified -------------------

// A string field whose calculated and lookup instances may be modified.
class TMutStringField : public vcl::TStringField {
public:
    // A field of `size` characters owned by `owner` (null: the caller deletes it).
    explicit TMutStringField(vcl::TComponent* owner = nullptr, int size = 20);
    // The platform's setter, then the dataset is marked modified when it is
    // being edited (a calculated value does not mark it by itself).
    void SetValue(const QVariant& value) override;
    void Clear() override;
    bool GetCanModify() const override;
};

// An integer field whose calculated and lookup instances may be modified.
class TMutIntegerField : public vcl::TIntegerField {
public:
    // A field owned by `owner` (null: the caller deletes it).
    explicit TMutIntegerField(vcl::TComponent* owner = nullptr);
    void SetValue(const QVariant& value) override;
    void Clear() override;
    bool GetCanModify() const override;
};

// A boolean field whose calculated and lookup instances may be modified.
class TMutBooleanField : public vcl::TBooleanField {
public:
    // A field owned by `owner` (null: the caller deletes it).
    explicit TMutBooleanField(vcl::TComponent* owner = nullptr);
    void SetValue(const QVariant& value) override;
    void Clear() override;
    bool GetCanModify() const override;
};

// --- Memory fields ---------------------------------------------------------

// The buffer and events shared by the three memory field classes. `Slot` is
// the value kept per record: QString (text; raw bytes as Latin-1
// characters), int, or a 16-bit word for booleans (non-zero is true).
template<class MutBase, class Slot> class TMemField : public MutBase, public TMemFieldBuffer {
public:
    using MutBase::MutBase;
    ~TMemField() override;

    // The numbering field the field is attached to (not owned; null when none).
    TNoField* NoField() const noexcept override { return noField_; }
    // Moves the field from the old numbering field's list to the new one's;
    // nothing when unchanged.
    void SetNoField(TNoField* noField) override;

    // Drops the buffer and allocates `count` zero-filled slots.
    void SetRecCount(unsigned count) override;
    // Grows the buffer to `count` slots, keeping the values.
    void GrowRecCount(unsigned count) override;
    // Drops the buffer.
    void FreeBuffer() override;
    // Whether there is a buffer.
    bool HasBuffer() const noexcept override { return hasBuffer_; }
    // Slots in the buffer (0 without a buffer).
    unsigned RecCount() const noexcept override { return static_cast<unsigned>(slots_.size()); }
    // Copies slot r into the field's current value.
    void CalcValue(unsigned r) override;
    // Whether the current value differs from slot r.
    bool ValueDiffers(unsigned r) const override;
    // Stores the current value into slot r when it differs (BeforeUpdate, copy, AfterUpdate).
    void UpdateValue(unsigned r) override;

    // While the row is edited, a value is refused (EDatabaseError) when the
    // dataset no longer calls the numbering field's handlers: it could be
    // neither kept nor written back.
    void SetValue(const QVariant& value) override;
    // Sets the value to null, under the same rule.
    void Clear() override;

    // Fired when a posted row stores a changed value of this field, before
    // the slot is written.
    std::function<void(vcl::TField*)> BeforeUpdate;
    // Fired after the slot is written.
    std::function<void(vcl::TField*)> AfterUpdate;

protected:
    // Fires BeforeUpdate.
    virtual void IntBeforeUpdate();
    // Fires AfterUpdate.
    virtual void IntAfterUpdate();
    // Slot r; throws EDatabaseError when r is outside the buffer.
    const Slot& SlotAt(unsigned r) const;
    // Slot r, writable; the same rule.
    Slot& SlotAt(unsigned r);

private:
    void ForgetNoField() noexcept override { noField_ = nullptr; }
    void CheckWriteBack() const;
    Slot CurrentSlotValue() const;

    TNoField* noField_ = nullptr;
    std::vector<Slot> slots_;
    bool hasBuffer_ = false;
};

// A text value per record, kept in memory.
class TMemStringField : public TMemField<TMutStringField, QString> {
public:
    // A field of `size` characters owned by `owner` (null: the caller deletes it).
    explicit TMemStringField(vcl::TComponent* owner = nullptr, int size = 20);
    // A slot keeps at most Size characters: longer text is cut, when it is
    // set through the field as when a slot is written directly.
    QVariant ConvertValue(const QVariant& value) const override;
    // Slot r as UTF-8 text, and as raw bytes (one byte per character).
    std::string getDataAsString(unsigned r) const;
    QByteArray getDataAsRaw(unsigned r) const;
    // Write slot r directly: no events, the dataset is not touched (owners
    // fill the values this way after every open and refresh).
    void setDataAsString(unsigned r, const std::string& value);
    void setDataAsRaw(unsigned r, const QByteArray& bytes);
};

// An integer value per record, kept in memory.
class TMemIntegerField : public TMemField<TMutIntegerField, int> {
public:
    // A field owned by `owner` (null: the caller deletes it).
    explicit TMemIntegerField(vcl::TComponent* owner = nullptr);
    // Slot r, read and written directly (no events; EDatabaseError when r is outside the buffer).
    int getDataAsInteger(unsigned r) const;
    void setDataAsInteger(unsigned r, int value);
};

// A boolean value per record, kept in memory.
class TMemBooleanField : public TMemField<TMutBooleanField, uint16_t> {
public:
    // A field owned by `owner` (null: the caller deletes it).
    explicit TMemBooleanField(vcl::TComponent* owner = nullptr);
    // Slot r, read and written directly (no events; EDatabaseError when r is outside the buffer).
    bool getDataAsBoolean(unsigned r) const;
    void setDataAsBoolean(unsigned r, bool value);
};

extern template class TMemField<TMutStringField, QString>;
extern template class TMemField<TMutIntegerField, int>;
extern template class TMemField<TMutBooleanField, uint16_t>;

// --- Fields whose kind may change while the dataset is open ------------------
//
// A closed (or absent) dataset: the platform's rules. An open one: the kind
// is stored directly, except that a field can only become a data field when
// it is bound to a result column (it was one when the dataset opened).

// A string field whose kind may change while its dataset is open.
class TFllStringField : public vcl::TStringField {
public:
    // A field of `size` characters owned by `owner` (null: the caller deletes it).
    explicit TFllStringField(vcl::TComponent* owner = nullptr, int size = 20)
        : vcl::TStringField(owner, size)
    {
    }
    void SetFieldKind(vcl::TFieldKind kind) override;
};

// An integer field whose kind may change while its dataset is open.
class TFllIntegerField : public vcl::TIntegerField {
public:
    using vcl::TIntegerField::TIntegerField;
    void SetFieldKind(vcl::TFieldKind kind) override;
};

// A boolean field whose kind may change while its dataset is open.
class TFllBooleanField : public vcl::TBooleanField {
public:
    using vcl::TBooleanField::TBooleanField;
    void SetFieldKind(vcl::TFieldKind kind) override;
};

} // namespace tor
