#pragma once
// TDataSet: rows of a result with a current row, fields, navigation, editing,
// filters, locate, bookmarks, cached updates and change notification to the
// views attached through TDataSource. The rows are held in memory in a compact
// column store; the database side (fetching, statements) lives in subclasses.
//
// Events fire in the component framework's order:
//   Open:   BeforeOpen, fetch (calculated fields of the first row), AfterOpen, AfterScroll
//   Close:  BeforeClose, AfterClose
//   Scroll: BeforeScroll, move, OnCalcFields, AfterScroll (Locate: AfterScroll only when found)
//   Edit:   BeforeEdit, AfterEdit;  Insert/Append: BeforeInsert, BeforeScroll, OnNewRecord,
//           AfterInsert, AfterScroll
//   Post:   BeforePost, write, OnCalcFields, AfterPost;  Cancel: BeforeCancel, AfterCancel
//   Delete: BeforeDelete, BeforeScroll, delete, AfterDelete, AfterScroll
//   Refresh: BeforeRefresh, re-fetch, AfterRefresh
// An exception from a Before... event aborts the operation and leaves the
// dataset as it was.

#include "wardlock/data/db.h"
#include "wardlock/data/fields.h"
#include "wardlock/platform/component.h"

#include <QVariant>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vcl {

class TDataSet;
class TDataSource;
struct TDataSetPrivate;

// A position in a dataset that survives filtering, inserts and deletes of
// other rows; invalid after the dataset is closed.
struct TBookmark {
    // The row's place in the dataset's store and the dataset's open count when it was taken.
    uint32_t record = UINT32_MAX;
    uint64_t generation = 0;
    // False for the empty bookmark.
    bool IsValid() const noexcept { return record != UINT32_MAX; }
    bool operator==(const TBookmark&) const = default;
};

// Applies one cached or posted row to the database (TUpdateSQL).
class TDataSetUpdateObject : public TComponent {
public:
    // An update object owned by `owner`.
    using TComponent::TComponent;
    // The dataset whose rows the object applies (not owned).
    virtual TDataSet* DataSet() const = 0;
    virtual void SetDataSet(TDataSet* dataSet) = 0;
    // Runs the statement of `kind` for the dataset's current row (new values
    // from the fields, OLD_ values from the original row).
    virtual void Apply(TUpdateKind kind) = 0;
};

// Receives the data events of a dataset (a grid model implements this and
// registers with a TDataSource).
class TDataLink {
public:
    virtual ~TDataLink();
    // The data source the link listens to (not owned; null when none), and its dataset.
    TDataSource* DataSource() const noexcept { return dataSource_; }
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const;
    // True when the data source's dataset is open.
    bool Active() const;
    // Called for every event while the dataset's controls are enabled.
    virtual void DataEvent(TDataEvent event, TField* field) = 0;

private:
    friend class TDataSource;
    TDataSource* dataSource_ = nullptr;
};

// Connects a dataset to the controls and links that show it, and tells them of its changes.
class TDataSource : public TComponent {
public:
    // A data source without a dataset, owned by `owner`.
    explicit TDataSource(TComponent* owner = nullptr);
    ~TDataSource() override;

    // The dataset (not owned; null when none).
    TDataSet* DataSet() const noexcept { return dataSet_; }
    void SetDataSet(TDataSet* dataSet);
    // A disabled source passes no events on.
    bool Enabled() const noexcept { return enabled_; }
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    // The dataset's state (dsInactive without one).
    TDataSetState State() const;

    // Field is null for whole-record changes and scrolls.
    std::function<void(TDataSource*, TField*)> OnDataChange;
    std::function<void(TDataSource*)> OnStateChange;
    std::function<void(TDataSource*)> OnUpdateData;

private:
    friend class TDataSet;
    friend class TDataLink;
    void Notify(TDataEvent event, TField* field);

    TDataSet* dataSet_ = nullptr;
    bool enabled_ = true;
    std::vector<TDataLink*> links_;
};

// The dataset core: the rows of a result kept in memory, with fields, navigation, filters, editing
// and cached updates (see the file comment). Errors throw EDatabaseError.
class TDataSet : public TComponent {
public:
    // A closed dataset owned by `owner`.
    explicit TDataSet(TComponent* owner = nullptr);
    ~TDataSet() override;

    // --- opening and state ---
    void Open();
    void Close();
    bool Active() const noexcept;
    void SetActive(bool active);
    TDataSetState State() const noexcept;
    bool IsEmpty() const;
    bool Modified() const noexcept;
    // Marks the row being edited as changed (field classes that store values
    // outside the row use it).
    void SetModified(bool modified);
    bool CanModify() const { return GetCanModify(); }
    bool ReadOnly() const noexcept;
    void SetReadOnly(bool readOnly);
    // Recompute calculated fields when a data field of the edited row changes.
    bool AutoCalcFields() const noexcept;
    void SetAutoCalcFields(bool value);

    // --- fields ---
    int FieldCount() const;
    TField* Fields(int index) const;
    // Case-insensitive; FieldByName throws EDatabaseError "Field 'X' not found".
    TField* FieldByName(const std::string& name) const;
    TField* FindField(const std::string& name) const;
    std::vector<std::string> FieldNames() const;
    // Whether the fields were made from the result (no persistent fields).
    bool DefaultFields() const;

    // --- navigation ---
    void First();
    void Last();
    void Next();
    void Prior();
    int MoveBy(int distance);
    bool Eof() const noexcept;
    bool Bof() const noexcept;
    // Rows in the current (filtered) order.
    int RecordCount() const;
    // Rows without the filter (deleted rows excluded).
    int UnfilteredRecordCount() const;
    // 1-based position in the current order; -1 when there is none.
    int RecNo() const { return GetRecNo(); }
    void SetRecNo(int recNo) { DoSetRecNo(recNo); }
    virtual int GetRecNo() const;
    virtual void DoSetRecNo(int recNo);
    // Whether RecNo numbers the rows of the whole result (false while a
    // filter hides rows).
    virtual bool IsSequenced() const;

    // A bookmark of the current row; GotoBookmark makes its row current (EDatabaseError when the
    // row is gone); FreeBookmark empties it; BookmarkValid tells whether its row is still there.
    TBookmark GetBookmark() const;
    void GotoBookmark(const TBookmark& bookmark);
    void FreeBookmark(TBookmark& bookmark) { bookmark = TBookmark {}; }
    bool BookmarkValid(const TBookmark& bookmark) const;
    // <0, 0, >0 by position in the unfiltered order.
    int CompareBookmarks(const TBookmark& a, const TBookmark& b) const;

    // Moves to the first row (in the current order) whose fields equal the
    // values. `fields` is one name or several separated by ';'. Exact and
    // case-sensitive unless options say otherwise (loPartialKey: text starts
    // with the value). Returns false and stays when nothing matches.
    bool Locate(const std::string& fields, const QVariant& value, TLocateOptions options = 0);
    bool Locate(const std::string& fields, const char* value, TLocateOptions options = 0);
    bool Locate(const std::string& fields, const std::string& value, TLocateOptions options = 0);
    bool Locate(
        const std::string& fields, const std::vector<QVariant>& values, TLocateOptions options = 0);
    // The result fields (';'-separated gives a QVariantList) of the first
    // matching row, without moving; a null QVariant when nothing matches.
    QVariant Lookup(const std::string& keyFields, const std::vector<QVariant>& keyValues,
        const std::string& resultFields);

    // --- filter ---
    // "Field = value" conditions joined by "and"/"or" (value: true, false, a
    // number, 'text' or null; operators = <> < > <= >=).
    const std::string& Filter() const noexcept;
    void SetFilter(const std::string& filter);
    bool Filtered() const noexcept;
    // Applies Filter and OnFilterRecord together (or neither) and moves to
    // the first row. Setting true again re-evaluates the filter.
    void SetFiltered(bool filtered);

    // --- editing ---
    void Edit();
    void Insert();
    void Append();
    void Post();
    void Cancel();
    void Delete();
    // Posts a modified row, cancels an unmodified one.
    void CheckBrowseMode();
    // Re-reads the current row: recomputes calculated fields and tells the views.
    void Resync();
    // Runs the query again, keeping the position when possible. Refused while
    // cached updates are pending (they would be lost).
    void Refresh();
    // Key-search state: assign the key fields, then GotoKey.
    void SetKey();
    bool GotoKey();

    // --- cached updates ---
    bool CachedUpdates() const noexcept;
    void SetCachedUpdates(bool cached);
    bool UpdatesPending() const;
    TUpdateStatus UpdateStatus() const;
    // Writes every pending row through OnUpdateRecord or the update object
    // (or generated statements for a live result). Does not commit any
    // transaction and does not forget the cache: after a failure (and the
    // caller's rollback) every row is still pending and can be applied again.
    void ApplyUpdates();
    // Forgets the cache; the rows stay as they are now.
    void CommitUpdates();
    // Restores the rows as fetched: edited rows back, inserted rows gone,
    // deleted rows back.
    void CancelUpdates();
    // Undoes the cached change of the current row.
    void RevertRecord();
    // Forgets the cached change of the current row, keeping its values as
    // they are now (the row counts as fetched): CommitUpdates for one row.
    void CommitRecord();
    TDataSetUpdateObject* UpdateObject() const noexcept;
    void SetUpdateObject(TDataSetUpdateObject* updateObject);

    // --- views ---
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const noexcept;
    // Sends an event to the attached views (held back while controls are
    // disabled) and runs the dataset's own reactions (field change).
    void DataEvent(TDataEvent event, TField* field = nullptr);
    // Makes visible row `row` (0-based, current order) the row that fields
    // read, with calculated fields computed for it, for the duration of
    // `read`; no events fire and the current row does not change.
    void ReadRecord(int row, const std::function<void()>& read);

    // --- events ---
    using TDataSetNotifyEvent = std::function<void(TDataSet*)>;
    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    TDataSetNotifyEvent BeforeRefresh, AfterRefresh;
    TDataSetNotifyEvent OnNewRecord, OnCalcFields;
    std::function<void(TDataSet*, bool& accept)> OnFilterRecord;
    std::function<void(TDataSet*, TUpdateKind, TUpdateAction&)> OnUpdateRecord;
    std::function<void(TDataSet*, EDatabaseError&, TUpdateKind, TUpdateAction&)> OnUpdateError;

protected:
    // Whether rows may be changed. The base allows it unless ReadOnly; the
    // database datasets add their own conditions.
    virtual bool GetCanModify() const;

    // One column of a result, as the subclass reports it when opening.
    struct ColumnInfo {
        // The column's name, field type and size (strings: characters).
        std::string name;
        TFieldType type = ftString;
        int size = 0;
    };
    // Subclass work of Open: run the query, call DefineColumns once, then
    // LoadRecord for every row.
    virtual void InternalOpen() = 0;
    virtual void InternalClose() { }
    // Writes a posted row to the database at once (non-cached datasets);
    // throw to refuse. Fields read the new values, OldValue the stored ones.
    virtual void InternalPostRecord(TUpdateKind kind);
    // Default apply of a cached row when neither OnUpdateRecord nor an update
    // object is set; the base refuses.
    virtual void InternalApplyRecord(TUpdateKind kind);
    // After a live insert: lets the subclass fill values the database
    // assigned (e.g. the key).
    virtual void InternalAfterInsert() { }

    // Makes the fields of the columns (once per open).
    void DefineColumns(const std::vector<ColumnInfo>& columns);
    // Appends one fetched row; `values[i]` belongs to column i.
    class RecordLoader {
    public:
        // Appends rows to `dataSet`: BeginRecord, SetValue for each column, EndRecord.
        explicit RecordLoader(TDataSet& dataSet);
        void BeginRecord();
        void SetValue(int column, const QVariant& value);
        void EndRecord() { }
        // Whether column i is stored at all (unbound columns are skipped).
        bool Wanted(int column) const;

    private:
        TDataSetPrivate& d_;
        uint32_t record_ = 0;
    };
    // Sets a stored value of the current row without events (used after a
    // live insert to put in the key the database assigned).
    void StoreCurrentValue(TField* field, const QVariant& value);

    // Throw EDatabaseError when the dataset is closed, or open.
    void CheckActive() const;
    void CheckInactive() const;
    // Closes without events (a dataset being destroyed or losing its
    // connection while its handlers may already be gone).
    void CloseWithoutEvents();
    [[noreturn]] void DatabaseError(const std::string& message) const;

private:
    friend class TField;
    friend class TDataSource;
    friend class RecordLoader;

    void AddField(TField* field);
    void RemoveField(TField* field);
    QVariant FieldValue(const TField* field) const;
    // The store record a data field's value is read from right now, or -1 when
    // it comes from elsewhere (edit or key buffer, a value being validated).
    int64_t StoredRecordOf(const TField* field) const;
    QVariant FieldOldValue(const TField* field) const;
    void SetFieldValue(TField* field, const QVariant& value);

    void OpenInternal();
    void CloseInternal();
    void BindFields(const std::vector<ColumnInfo>& columns);
    void FinishLoad();
    void ComputeCalcFields(uint32_t record, bool editBuffer);
    void SetCurrent(int index);
    void ScrollTo(int index, bool fireEvents);
    void RebuildView();
    void InsertIntoView(uint32_t record);
    int PositionOf(uint32_t record) const;
    bool RecordPasses(uint32_t record);
    void StartInsert(bool atEnd);
    void BeginEditBuffer(bool insert);
    void WriteEditBuffer(uint32_t record, bool newRecord);
    void MarkPending(uint32_t record, TUpdateStatus status);
    void ApplyOne(uint32_t record, TUpdateKind kind);
    // `values` null: the one value is the ASCII text `asciiText`.
    bool FindRecord(const std::vector<TField*>& fields, const QVariant* values, size_t valueCount,
        TLocateOptions options, uint32_t& found, std::string_view asciiText = {});
    bool LocateValues(const std::string& fields, const QVariant* values, size_t count,
        TLocateOptions options, std::string_view asciiText = {});
    bool LocateText(const std::string& fields, std::string_view text, TLocateOptions options);
    void ForgetLocateFields();
    std::vector<TField*> ParseFieldList(const std::string& fields) const;
    void NotifyViews(TDataEvent event, TField* field);
    void RecomputeCurrent();

    std::unique_ptr<TDataSetPrivate> d_;
    std::vector<TDataSource*> dataSources_;
};

} // namespace vcl
