#pragma once
// Non-persistent record numbers. The administration's statements select a
// constant column ("select QParams.*, 1 as RecNo from Qparams;"); a
// TIntNoField bound to it overwrites it with 0, 1, 2, ... right after the
// dataset opens (over the unfiltered rows, in result order), and TNoQuery /
// TNoStoredProc answer record-number questions from that field. The numbering
// edits never reach the database: each is dropped from the update cache at
// once, so after an open the dataset reports no pending updates; a row the
// owner changed before a numbering again keeps its cached change.

#include "wardlock/data/dbdataset.h"
#include "wardlock/data/table.h"
#include "wardlock/keeper/mutfields.h"

#include <string>

namespace tor {

// The numbering field (see the file comment): numbers the rows 0, 1, 2, ... when its dataset opens
// or is refreshed, and keeps the numbering out of the update cache.
class TIntNoField : public TExtNoField {
public:
    using TExtNoField::TExtNoField;

    // Whether the rows are numbered (false until the first numbering and
    // again after close).
    bool Numbered() const noexcept { return numbered_; }

    // Update-record handler that writes nothing and reports the row applied.
    void OnUpdateRecord(vcl::TDataSet* dataSet, vcl::TUpdateKind kind, vcl::TUpdateAction& action);

    // Numbers the rows again (after a refresh). Refused (EDatabaseError)
    // while a record is being edited.
    virtual void IntAfterRequery(vcl::TDataSet* dataSet);

protected:
    void IntAfterOpen(vcl::TDataSet* dataSet) override;
    void IntAfterRefresh(vcl::TDataSet* dataSet) override { IntAfterRequery(dataSet); }
    void IntAfterClose(vcl::TDataSet* dataSet) override { numbered_ = false; }
    // A new record gets the next unused number, so its memory values get a
    // slot of their own.
    void IntBeforePost(vcl::TDataSet* dataSet) override;

private:
    struct UpdateHandler;
    void Number(vcl::TDataSet* dataSet);
    bool IsOwnHandler(const decltype(vcl::TDataSet::OnUpdateRecord)& handler) const;
    decltype(vcl::TDataSet::OnUpdateRecord) MakeHandler();

    bool numbered_ = false;
};

// Record numbers of an engine dataset taken from its numbering field.
// `Engine` is the dataset class (TQuery, TStoredProc).
template<class Engine> class TNoDataSet : public Engine {
public:
    using Engine::Engine;

    // The numbering field (a field of this dataset; not owned).
    TNoField* NoField() const noexcept { return noField_; }
    // Sets the numbering field (null: none).
    void SetNoField(TNoField* field) { noField_ = field; }

    // True when the numbering field is a plain one, or a TIntNoField that
    // has numbered the rows; otherwise as the engine says.
    bool IsSequenced() const override
    {
        if (TNoField* field = LiveNoField()) {
            auto* numbering = dynamic_cast<TIntNoField*>(field);
            if (!numbering || numbering->Numbered())
                return true;
        }
        return Engine::IsSequenced();
    }

    // The numbering field's value + 1 once a TIntNoField has numbered the
    // rows (it stays right for a new record, and for a row read or
    // calculated while another is current); otherwise the engine's number
    // while the engine numbers the rows, else the field's value + 1. -1
    // without the field or its value.
    int GetRecNo() const override
    {
        TNoField* field = LiveNoField();
        auto* numbering = dynamic_cast<TIntNoField*>(field);
        if (!(numbering && numbering->Numbered()) && Engine::IsSequenced())
            return Engine::GetRecNo();
        if (!field || field->IsNull())
            return -1;
        return field->AsInteger() + 1;
    }

    // Moves to the row whose numbering field holds recNo - 1.
    void DoSetRecNo(int recNo) override
    {
        if (TNoField* field = LiveNoField()) {
            this->Locate(field->FieldName(), QVariant(recNo - 1));
            return;
        }
        Engine::DoSetRecNo(recNo);
    }

private:
    // The field only while it is still one of this dataset's fields (it may
    // have been destroyed with its form).
    TNoField* LiveNoField() const
    {
        if (!noField_)
            return nullptr;
        for (int i = 0; i < this->FieldCount(); ++i)
            if (this->Fields(i) == noField_)
                return noField_;
        return nullptr;
    }

    TNoField* noField_ = nullptr;
};

class TNoQuery : public TNoDataSet<vcl::TQuery> {
public:
    using TNoDataSet::TNoDataSet;
};

class TNoStoredProc : public TNoDataSet<vcl::TStoredProc> {
public:
    using TNoDataSet::TNoDataSet;
};

// A whole table; a table has no column to number, so the numbering field's
// column is selected beside the table's own as a constant, as the queries'
// statements select "1 as RecNo".
class TNoTable : public TNoDataSet<vcl::TTable> {
public:
    using TNoDataSet::TNoDataSet;

protected:
    std::string ExtraColumns() const override
    {
        const TNoField* field = NoField();
        if (!field || field->FieldName().empty()
            || field->FieldName().find_first_not_of(
                   "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_")
                != std::string::npos)
            return {};
        return "0 as " + field->FieldName();
    }
};

// Record numbers that follow the dataset's own position (open and First give
// 1, Last the record count, and every other move its place): the datasets are
// always sequenced, and SetRecNo moves to a place. Under a filter the places
// are those of the rows shown. The administration's forms number their rows
// with TIntNoField instead.
template<class Engine> class TIntNoDataSet : public Engine {
public:
    using Engine::Engine;
    // Always sequenced: the record number is the place.
    bool IsSequenced() const override { return true; }
};

class TIntNoQuery : public TIntNoDataSet<vcl::TQuery> {
public:
    using TIntNoDataSet::TIntNoDataSet;
};

class TIntNoStoredProc : public TIntNoDataSet<vcl::TStoredProc> {
public:
    using TIntNoDataSet::TIntNoDataSet;
};

class TIntNoTable : public TIntNoDataSet<vcl::TTable> {
public:
    using TIntNoDataSet::TIntNoDataSet;
};

} // namespace tor
