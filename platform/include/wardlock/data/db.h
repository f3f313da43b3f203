#pragma once
// Common types of the dataset layer: field and parameter data types, dataset
// states, update kinds and actions, and the database error class.

#include "wardlock/platform/exception.h"

#include <cstdint>
#include <string>

namespace vcl {

// Data type codes, numbered as the component framework numbers them.
enum TFieldType {
    ftUnknown = 0,
    ftString,
    ftSmallint,
    ftInteger,
    ftWord,
    ftBoolean,
    ftFloat,
    ftCurrency,
    ftBCD,
    ftDate,
    ftTime,
    ftDateTime,
    ftBytes,
    ftVarBytes,
    ftAutoInc,
    ftBlob,
    ftMemo,
    ftGraphic,
    ftFmtMemo,
    ftParadoxOle,
    ftDBaseOle,
    ftTypedBinary,
    ftCursor,
    ftFixedChar,
    ftWideString,
    ftLargeint,
};

// Name of a data type for messages ("Integer", "String", ...).
const char* FieldTypeName(TFieldType type) noexcept;

// A dataset's state: closed, browsing, editing or inserting a row, setting a key, computing
// calculated fields, filtering a row.
enum TDataSetState {
    dsInactive,
    dsBrowse,
    dsEdit,
    dsInsert,
    dsSetKey,
    dsCalcFields,
    dsFilter,
};

// Where a field's value comes from: the result, a calculation, a lookup.
enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc };

// The change a cached or posted row carries.
enum TUpdateKind { ukModify, ukInsert, ukDelete };

// What an update handler decided for one cached row.
enum TUpdateAction { uaFail, uaAbort, uaSkip, uaRetry, uaApplied };

// Cached-update status of a row.
enum TUpdateStatus { usUnmodified, usModified, usInserted, usDeleted };

// Which columns identify a row in the statements generated for live results.
enum TUpdateMode { upWhereAll, upWhereChanged, upWhereKeyOnly };

// Locate options (a bit set): case-insensitive match, prefix match.
enum TLocateOption : unsigned { loCaseInsensitive = 1, loPartialKey = 2 };
using TLocateOptions = unsigned;

// The direction of a parameter.
enum TParamType { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };

// Parameter binding of a stored procedure: by name or by position.
enum TParamBindMode { pbByName, pbByNumber };

// Data events sent to the views attached to a dataset (through TDataSource).
enum TDataEvent {
    deFieldChange,
    deRecordChange,
    deDataSetChange,
    deDataSetScroll,
    deLayoutChange,
    deUpdateRecord,
    deUpdateState,
    deCheckBrowseMode,
};

// Any failure of the dataset layer: a database error, a misuse of a dataset
// (editing a read-only result, a missing field), a conversion error.
class EDatabaseError : public Exception {
public:
    // Made with the message text.
    using Exception::Exception;
};

// A value that cannot be converted to the requested type.
class EConvertError : public Exception {
public:
    // Made with the message text.
    using Exception::Exception;
};

// The silent exception: an operation was abandoned on purpose (an update
// handler answered abort). Callers usually just stop.
class EAbort : public Exception {
public:
    EAbort()
        : Exception("Operation aborted")
    {
    }
    // Made with the message text.
    using Exception::Exception;
};

} // namespace vcl
