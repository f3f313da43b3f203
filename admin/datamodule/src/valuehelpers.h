#pragma once
// Helpers of the value handling: rights masks from and to boolean fields, the
// merge walk over a user's own rows, edits that never stay half done, the
// filling guard, and the integer reading of the ceilings.

#include <wardlock/data/dataset.h>
#include <wardlock/data/fields.h>
#include <wardlock/keeper/mutfields.h>
#include <wardlock/keeper/secdmodsmp.h>
#include <wardlock/types.h>

#include <charconv>
#include <climits>
#include <initializer_list>
#include <string_view>
#include <utility>
#include <vector>

namespace Security {

// Sets the filling guard for its lifetime (the write-back handlers then do
// nothing).
struct TSecDModSmpDlgFrm::FillingFlag {
    explicit FillingFlag(TSecDModSmpDlgFrm& module)
        : module_(module)
        , previous_(module.filling_)
    {
        module.filling_ = true;
    }
    ~FillingFlag() { module_.filling_ = previous_; }
    FillingFlag(const FillingFlag&) = delete;
    FillingFlag& operator=(const FillingFlag&) = delete;

private:
    TSecDModSmpDlgFrm& module_;
    bool previous_;
};

// The filling guard and the datasets' controls disabled while values are
// refilled.
struct TSecDModSmpDlgFrm::FillScope {
    FillScope(TSecDModSmpDlgFrm& module, std::initializer_list<vcl::TDataSet*> dataSets)
        : flag_(module)
        , dataSets_(dataSets)
    {
        for (vcl::TDataSet* dataSet : dataSets_)
            dataSet->DisableControls();
    }
    ~FillScope()
    {
        for (vcl::TDataSet* dataSet : dataSets_)
            dataSet->EnableControls();
    }
    FillScope(const FillScope&) = delete;
    FillScope& operator=(const FillScope&) = delete;

private:
    FillingFlag flag_;
    std::vector<vcl::TDataSet*> dataSets_;
};

namespace ValueHelpers {

// Stored passwords and encoded values travel as raw bytes, one character per
// byte, never through the UTF-8 text path.
inline tor::pswdsstr<16> Raw16(const vcl::TField* field)
{
    return tor::pswdsstr<16>(field->AsRaw());
}

inline QByteArray RawOf(const tor::pswdsstr<16>& value)
{
    return QByteArray(value.data(), static_cast<qsizetype>(value.length()));
}

// Clears the filter-suspension flag for its lifetime (no refill while the
// datasets move), putting the previous value back.
class SuspensionOff {
public:
    explicit SuspensionOff(TSecDModSmpDlgBaseFrm& module)
        : module_(module)
        , previous_(module.FilterSuspension())
    {
        module.SetFilterSuspension(false);
    }
    ~SuspensionOff() { module_.SetFilterSuspension(previous_); }
    SuspensionOff(const SuspensionOff&) = delete;
    SuspensionOff& operator=(const SuspensionOff&) = delete;

private:
    TSecDModSmpDlgBaseFrm& module_;
    bool previous_;
};

inline constexpr int kMinInt = INT_MIN;

inline bool HasCurrentRow(const vcl::TDataSet* dataSet)
{
    return dataSet && dataSet->Active() && !dataSet->IsEmpty();
}

inline bool IsEditing(const vcl::TDataSet* dataSet)
{
    return dataSet->State() == vcl::dsEdit || dataSet->State() == vcl::dsInsert;
}

inline SecRightsMask MaskOf(const vcl::TField* view, const vcl::TField* insert,
    const vcl::TField* modify, const vcl::TField* remove)
{
    SecRightsMask mask = 0;
    if (view->AsBoolean())
        mask |= srView;
    if (insert->AsBoolean())
        mask |= srInsert;
    if (modify->AsBoolean())
        mask |= srModify;
    if (remove->AsBoolean())
        mask |= srDelete;
    return mask;
}

inline void StoreMask(SecRightsMask mask, vcl::TField* view, vcl::TField* insert,
    vcl::TField* modify, vcl::TField* remove)
{
    view->SetAsBoolean((mask & srView) != 0);
    insert->SetAsBoolean((mask & srInsert) != 0);
    modify->SetAsBoolean((mask & srModify) != 0);
    remove->SetAsBoolean((mask & srDelete) != 0);
}

// The four memory rights of a Forms row, written slot by slot.
struct RightsSlots {
    tor::TMemBooleanField* view;
    tor::TMemBooleanField* insert;
    tor::TMemBooleanField* modify;
    tor::TMemBooleanField* remove;
    void Store(unsigned slot, SecRightsMask mask) const
    {
        view->setDataAsBoolean(slot, (mask & srView) != 0);
        insert->setDataAsBoolean(slot, (mask & srInsert) != 0);
        modify->setDataAsBoolean(slot, (mask & srModify) != 0);
        remove->setDataAsBoolean(slot, (mask & srDelete) != 0);
    }
};

// A user's own rows (UserRights or UserParams, ordered by user, then key),
// walked in step with the group's rows.
class UserRows {
public:
    UserRows(
        vcl::TDataSet* rows, vcl::TField* userField, vcl::TField* keyField, bool wanted, int userID)
        : rows_(rows)
        , user_(userField)
        , key_(keyField)
        , userID_(userID)
        , active_(wanted && rows->Locate(userField->FieldName(), userID))
    {
    }
    // Moves to the user's row of `key` when there is one (true), stopping
    // before any larger key.
    bool Reach(int key)
    {
        while (OnUser() && key_->AsInteger() < key)
            rows_->Next();
        return OnUser() && key_->AsInteger() == key;
    }

private:
    bool OnUser() const { return active_ && !rows_->Eof() && user_->AsInteger() == userID_; }
    vcl::TDataSet* rows_;
    vcl::TField* user_;
    vcl::TField* key_;
    int userID_;
    bool active_;
};

// Starts an edit (`begin`: Edit, Append or Insert), sets the values and
// posts; on any failure the edit is cancelled, so that no dataset is left
// half edited.
template<class Set>
void PostedEdit(vcl::TDataSet* dataSet, void (vcl::TDataSet::*begin)(), Set&& set)
{
    (dataSet->*begin)();
    try {
        set();
        dataSet->Post();
    } catch (...) {
        dataSet->Cancel();
        throw;
    }
}

template<class Set> void EditAndPost(vcl::TDataSet* dataSet, Set&& set)
{
    PostedEdit(dataSet, &vcl::TDataSet::Edit, std::forward<Set>(set));
}

template<class Set> void AppendAndPost(vcl::TDataSet* dataSet, Set&& set)
{
    PostedEdit(dataSet, &vcl::TDataSet::Append, std::forward<Set>(set));
}

template<class Set> void InsertAndPost(vcl::TDataSet* dataSet, Set&& set)
{
    PostedEdit(dataSet, &vcl::TDataSet::Insert, std::forward<Set>(set));
}

// A decimal 32-bit integer with an optional sign, or `fallback` for anything
// else (the reading the security database's procedures use too).
inline int StrToIntDef(std::string_view text, int fallback)
{
    if (text.empty())
        return fallback;
    std::string_view digits = text;
    bool negative = false;
    if (digits.front() == '+' || digits.front() == '-') {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    if (digits.empty() || digits.size() > 10 || digits.front() < '0' || digits.front() > '9')
        return fallback;
    long long value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size())
        return fallback;
    value = negative ? -value : value;
    if (value < INT_MIN || value > INT_MAX)
        return fallback;
    return static_cast<int>(value);
}

} // namespace ValueHelpers

} // namespace Security
