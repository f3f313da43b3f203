#pragma once
// Internal state of TDataSet (private).

#include "filter.h"
#include "locate_index.h"
#include "row_store.h"
#include "wardlock/data/dataset.h"

#include <QVariant>

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace vcl {

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

inline void Fire(const TDataSet::TDataSetNotifyEvent& event, TDataSet* dataSet)
{
    if (event)
        event(dataSet);
}

inline bool IsEditState(TDataSetState s)
{
    return s == dsEdit || s == dsInsert;
}

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

} // namespace vcl
