#pragma once
// Fields: the columns of a dataset as seen by code. A field reads and writes
// the value of its dataset's current row (or of the row being edited).
//
// Persistent fields are created before the dataset opens (owner = the form,
// DataSet = the dataset, FieldName = the result column); they bind to the
// column of that name without regard to case. Without persistent fields the
// dataset makes default fields from the result when it opens.
//
// Text is UTF-8 (std::string). The raw accessors carry bytes one character per
// byte (Latin-1), for encoded values stored in text columns.

#include "wardlock/data/db.h"
#include "wardlock/platform/component.h"

#include <QByteArray>
#include <QVariant>

#include <cstdint>
#include <functional>
#include <string>

namespace vcl {

class TDataSet;

// One column of a dataset, and the value of the current row in it. Reading a value of another type
// converts it; a value that cannot be converted throws EConvertError, writing outside an edit or to
// a read-only field EDatabaseError. The dataset (or another owner) owns its fields.
class TField : public TComponent {
public:
    // A field of unknown type owned by `owner`; subclasses fix the type.
    explicit TField(TComponent* owner = nullptr);
    ~TField() override;

    // The dataset the field belongs to (not owned; null when none).
    TDataSet* DataSet() const noexcept { return dataSet_; }
    // Adds the field to the dataset's field list (removes it from the old
    // one). Only while the dataset is closed.
    virtual void SetDataSet(TDataSet* dataSet);

    // The column's name in the result (or the calculated field's name).
    const std::string& FieldName() const noexcept { return fieldName_; }
    void SetFieldName(const std::string& name);
    // The caption views show: the display label, or the field name without one.
    std::string DisplayName() const { return displayLabel_.empty() ? fieldName_ : displayLabel_; }
    const std::string& DisplayLabel() const noexcept { return displayLabel_; }
    void SetDisplayLabel(const std::string& label) { displayLabel_ = label; }
    // The column width views use (0: their default) and whether they show the field.
    int DisplayWidth() const noexcept { return displayWidth_; }
    void SetDisplayWidth(int width) { displayWidth_ = width; }
    bool Visible() const noexcept { return visible_; }
    void SetVisible(bool visible) { visible_ = visible; }

    // The value type, and where the value comes from.
    TFieldType DataType() const noexcept { return dataType_; }
    TFieldKind FieldKind() const noexcept { return fieldKind_; }
    // Changing the kind of a field of an open dataset is refused; a subclass
    // may override to allow it.
    virtual void SetFieldKind(TFieldKind kind);
    bool Calculated() const noexcept { return fieldKind_ == fkCalculated; }
    bool Lookup() const noexcept { return fieldKind_ == fkLookup; }
    // 1-based number of the result column a data field is bound to; 0 for
    // calculated and lookup fields and while the dataset is closed.
    int FieldNo() const noexcept { return fieldNo_; }
    // Position in the dataset's field list.
    int Index() const;

    // String fields: the width in characters. Other fields: 0.
    int Size() const noexcept { return size_; }
    virtual void SetSize(int size);
    // Bytes the value takes in a record buffer (string: Size + 1 with the
    // terminating zero; integer 4; smallint 2; boolean 2).
    virtual int DataSize() const;

    // Read-only fields refuse new values; required fields refuse a null value at post.
    bool ReadOnly() const noexcept { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    bool Required() const noexcept { return required_; }
    void SetRequired(bool required) { required_ = required; }

    // Lookup fields: the value is LookupResultField of the LookupDataSet row
    // whose LookupKeyFields equal this dataset's KeyFields (";"-separated).
    TDataSet* LookupDataSet() const noexcept { return lookupDataSet_; }
    void SetLookupDataSet(TDataSet* dataSet) { lookupDataSet_ = dataSet; }
    const std::string& LookupKeyFields() const noexcept { return lookupKeyFields_; }
    void SetLookupKeyFields(const std::string& fields) { lookupKeyFields_ = fields; }
    const std::string& LookupResultField() const noexcept { return lookupResultField_; }
    void SetLookupResultField(const std::string& field) { lookupResultField_ = field; }
    const std::string& KeyFields() const noexcept { return keyFields_; }
    void SetKeyFields(const std::string& fields) { keyFields_ = fields; }

    // Called with the field holding the new value before it is stored; an
    // exception rejects the value. OnChange runs after it is stored.
    std::function<void(TField*)> OnValidate;
    std::function<void(TField*)> OnChange;

    // --- value of the current row ---
    bool IsNull() const;
    virtual std::string AsString() const;
    virtual void SetAsString(const std::string& value);
    virtual int AsInteger() const;
    virtual void SetAsInteger(int value);
    virtual bool AsBoolean() const;
    virtual void SetAsBoolean(bool value);
    virtual double AsFloat() const;
    virtual void SetAsFloat(double value);
    virtual int64_t AsLargeInt() const;
    virtual void SetAsLargeInt(int64_t value);
    // Raw bytes: each character of the text as one byte (Latin-1).
    QByteArray AsRaw() const;
    virtual void SetRaw(const QByteArray& bytes);
    // The value as a QVariant of the field's type (null QVariant for null).
    QVariant Value() const;
    virtual void SetValue(const QVariant& value);
    // Sets the value to null.
    virtual void Clear();

    // Original value of the row: the value before the cached edits (or the
    // stored value while the row is being edited). Null for inserted rows.
    QVariant OldValue() const;
    // The value being posted or applied (same as Value()).
    QVariant NewValue() const { return Value(); }

    // Whether a view may change the field: data fields of a modifiable
    // dataset that are not read-only; calculated and lookup fields never.
    virtual bool GetCanModify() const;
    bool CanModify() const { return GetCanModify(); }

    // Validation hook, run before a new value is stored (calls OnValidate).
    virtual void Validate(const QVariant& newValue);
    // Change hook, run after a value was stored (calls OnChange).
    virtual void Change();

    // Converts a value to this field's type; throws EConvertError with the
    // field's name when impossible.
    virtual QVariant ConvertValue(const QVariant& value) const;

protected:
    // A field of `type` and `size` (for the subclasses).
    TField(TComponent* owner, TFieldType type, int size);
    void SetDataType(TFieldType type) { dataType_ = type; }
    // Changes the kind without the closed-dataset check, for field classes
    // whose kind may change while the dataset is open.
    void StoreFieldKind(TFieldKind kind) noexcept { fieldKind_ = kind; }
    // Stores `value` (already converted) as the field's value of the current
    // row: checks the dataset's state and ReadOnly, validates, stores, and
    // sends the field-change notification.
    void SetData(const QVariant& value);
    QVariant GetData() const;

    // Throws EConvertError: the field's value cannot be read or written as `typeName`.
    [[noreturn]] void AccessError(const char* typeName) const;

private:
    friend class TDataSet;

    TDataSet* dataSet_ = nullptr;
    std::string fieldName_;
    std::string displayLabel_;
    TFieldType dataType_ = ftUnknown;
    TFieldKind fieldKind_ = fkData;
    int fieldNo_ = 0;
    int column_ = -1; // storage column of a data field while open
    int size_ = 0;
    int displayWidth_ = 0;
    bool readOnly_ = false;
    bool required_ = false;
    bool visible_ = true;
    bool isDefault_ = false; // made by the dataset from the result
    const QVariant* validating_ = nullptr; // new value shown during OnValidate
    TDataSet* lookupDataSet_ = nullptr;
    std::string lookupKeyFields_;
    std::string lookupResultField_;
    std::string keyFields_;
};

// A text column of at most `size` characters.
class TStringField : public TField {
public:
    // A field of `size` characters owned by `owner` (null: the caller deletes it).
    explicit TStringField(TComponent* owner = nullptr, int size = 20)
        : TField(owner, ftString, size)
    {
    }
    int DataSize() const override { return Size() + 1; }
    QVariant ConvertValue(const QVariant& value) const override;
};

// A 32-bit integer column.
class TIntegerField : public TField {
public:
    // A field owned by `owner` (null: the caller deletes it).
    explicit TIntegerField(TComponent* owner = nullptr)
        : TField(owner, ftInteger, 0)
    {
    }
    int DataSize() const override { return 4; }
    QVariant ConvertValue(const QVariant& value) const override;

protected:
    // An integer field of another width (for the subclasses).
    TIntegerField(TComponent* owner, TFieldType type)
        : TField(owner, type, 0)
    {
    }
};

// A 16-bit integer column.
class TSmallintField : public TIntegerField {
public:
    // A field owned by `owner` (null: the caller deletes it).
    explicit TSmallintField(TComponent* owner = nullptr)
        : TIntegerField(owner, ftSmallint)
    {
    }
    int DataSize() const override { return 2; }
};

// A 64-bit integer column.
class TLargeintField : public TIntegerField {
public:
    // A field owned by `owner` (null: the caller deletes it).
    explicit TLargeintField(TComponent* owner = nullptr)
        : TIntegerField(owner, ftLargeint)
    {
    }
    int DataSize() const override { return 8; }
};

// A boolean column.
class TBooleanField : public TField {
public:
    // A field owned by `owner` (null: the caller deletes it).
    explicit TBooleanField(TComponent* owner = nullptr)
        : TField(owner, ftBoolean, 0)
    {
    }
    int DataSize() const override { return 2; }
    std::string AsString() const override;
    QVariant ConvertValue(const QVariant& value) const override;
};

// A floating-point column.
class TFloatField : public TField {
public:
    // A field owned by `owner` (null: the caller deletes it).
    explicit TFloatField(TComponent* owner = nullptr)
        : TField(owner, ftFloat, 0)
    {
    }
    int DataSize() const override { return 8; }
    QVariant ConvertValue(const QVariant& value) const override;
};

// Binary large objects (bytes kept as they are).
class TBlobField : public TField {
public:
    // A field owned by `owner` (null: the caller deletes it).
    explicit TBlobField(TComponent* owner = nullptr)
        : TField(owner, ftBlob, 0)
    {
    }
    int DataSize() const override { return 0; }
    QVariant ConvertValue(const QVariant& value) const override;

protected:
    // A blob field of another type (for the subclasses).
    TBlobField(TComponent* owner, TFieldType type)
        : TField(owner, type, 0)
    {
    }
};

// Long text (no fixed width).
class TMemoField : public TBlobField {
public:
    // A field owned by `owner` (null: the caller deletes it).
    explicit TMemoField(TComponent* owner = nullptr)
        : TBlobField(owner, ftMemo)
    {
    }
    QVariant ConvertValue(const QVariant& value) const override;
};

} // namespace vcl
