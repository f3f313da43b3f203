#pragma once
// Internal state of TDataSet (private).

#include "row_store.h"
#include "wardlock/data/dataset.h"

#include <QVariant>

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vcl {

// One condition list of a filter text: OR of AND groups.
struct FilterCondition {
    std::string field;
    enum Op { Eq, Ne, Lt, Gt, Le, Ge } op = Eq;
    QVariant value; // null: compare with null
};
struct FilterExpr {
    std::vector<std::vector<FilterCondition>> anyOf; // OR of ANDs
    bool empty() const { return anyOf.empty(); }
};
FilterExpr ParseFilter(const std::string& text);

// Hash index of one column for exact Locate: key -> records in base order,
// chained through `next`.
struct ColumnIndex {
    static constexpr uint32_t kNone = UINT32_MAX;
    std::unordered_map<uint64_t, uint32_t> numbers;
    std::unordered_map<std::string_view, uint32_t> texts; // views into the arena
    uint32_t nulls = kNone;
    std::vector<uint32_t> next;
};

// What fields read while a calculation, filter test, apply or row read runs
// on a record other than the current one.
struct ReadContext {
    int64_t record = -1; // store record, or -1 for the edit buffer
    std::vector<QVariant>* calc = nullptr; // calculated values
};

struct TDataSetPrivate {
    enum Flag : uint8_t { kDeleted = 1, kVisible = 2, kShadow = 4 };
    struct Pending {
        TUpdateStatus status = usUnmodified;
        int64_t shadow = -1; // record holding the original values
    };

    TDataSetState state = dsInactive;
    bool readOnly = false;
    bool autoCalc = true;
    bool modified = false;
    bool cached = false;
    bool filtered = false;
    bool eof = true;
    bool bof = true;
    bool defaultFields = false;
    bool hasCalcFields = false;
    std::string filterText;
    FilterExpr filter;
    std::vector<TField*> fields;
    std::vector<std::string> columnNames; // of the result, for messages
    store::RowStore store;
    std::vector<uint32_t> base; // every loaded/inserted record in order
    std::vector<uint32_t> view; // visible records in order
    std::vector<uint8_t> flags; // per store record
    // Order keys, made on the first insert (until then a record's number is
    // its place in the order). `ordered` says whether they exist: an empty
    // result has none to make, yet its first record needs one.
    std::vector<uint64_t> keys;
    bool ordered = false;
    int cur = -1; // index into view
    uint64_t generation = 0;
    std::vector<QVariant> editBuf; // per field index
    std::vector<QVariant> calcBuf; // per field index (calculated values of the current row)
    std::vector<QVariant> keyBuf;
    std::vector<bool> keyAssigned;
    int insertPos = 0;
    ReadContext* ctx = nullptr;
    std::unordered_map<uint32_t, Pending> pending;
    std::vector<uint32_t> pendingOrder;
    TDataSetUpdateObject* updateObject = nullptr;
    int disableCount = 0;
    TDataSetState disableState = dsInactive;
    bool heldEvents = false;
    std::vector<std::unique_ptr<ColumnIndex>> indexes; // per column
    // The field list of the last Locate, parsed (fields change only while
    // closed, so it is forgotten on open and close). Shared so that a Locate
    // nested in an event keeps the list of the outer one alive.
    std::string locateFieldsText;
    std::shared_ptr<const std::vector<TField*>> locateFields;

    uint64_t orderKey(uint32_t rec) const { return ordered ? keys[rec] : rec; }
    // Gives every record its key, spaced so that inserts fit between them.
    void makeOrderKeys()
    {
        keys.resize(store.recordCount());
        for (uint32_t i = 0; i < keys.size(); ++i)
            keys[i] = static_cast<uint64_t>(i + 1) << 20;
        ordered = true;
    }
    // Forgets every record (and what was built on them).
    void clearRecords()
    {
        store.clear();
        base.clear();
        view.clear();
        flags.clear();
        keys.clear();
        ordered = false;
        indexes.clear();
    }
    uint32_t addRecord(uint8_t flag)
    {
        uint32_t rec = store.addRecord();
        flags.push_back(flag);
        if (ordered)
            keys.push_back(0);
        for (auto& ix : indexes)
            if (ix)
                ix->next.push_back(ColumnIndex::kNone);
        return rec;
    }
    bool visible(uint32_t rec) const { return (flags[rec] & kVisible) && !(flags[rec] & kDeleted); }
};

namespace store {
Kind KindFor(TFieldType type);
// The cell an Int, Bool or Double column would hold for `value` (converted as
// StoreVariant does; throws EConvertError when impossible); false for the
// other kinds.
bool NumericCell(Kind kind, const QVariant& value, const std::string& fieldName, uint64_t& cell);
// Appends `text` as UTF-8 (lone surrogates become U+FFFD).
void AppendUtf8(const QString& text, std::string& buffer);
// Writes a QVariant into a cell (converted to the column's kind).
void StoreVariant(
    RowStore& store, int column, uint32_t rec, const QVariant& value, const std::string& fieldName);
// Reads a cell as a QVariant of the field type.
QVariant ReadVariant(const RowStore& store, int column, uint32_t rec, TFieldType type);
} // namespace store

} // namespace vcl
