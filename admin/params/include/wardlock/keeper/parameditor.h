#pragma once
// The editor context handed to parameter editor plug-ins (TSecSmpParamEd, and
// TSecParamEd for the full dialog), and the rest of the plug-in contract: the
// function kinds a parameter type names, the entry points' types, the record
// the autodetection export fills, and the constants the key fields are
// combined with.
//
// A context lives for one operation. It belongs to an administration base
// form (its owner, TSecParamEdHost), through which every operation reaches
// the data module. Plug-ins read its fields directly, so their order and
// widths are part of the contract; they call its operations through the
// const reference they are given.

#include <wardlock/pswdsstr.h>
#include <wardlock/rights.h>
#include <wardlock/types.h>

#include <cstdint>

namespace vcl {
class TDataSet;
} // namespace vcl

namespace Security {

class TSecParamEd;
class TSecParamEdHost;
class TSecParamEdFullHost;
class TSecDModSmpDlgBaseFrm;
class TSecDModDlgBaseFrm;

// The entry points a parameter type names, by the index ParamTypeFncName takes.
enum TFncTypes : int {
    fncInsert = 0,
    fncIterate = 1,
    fncRename = 2,
    fncShow = 3,
    fncKey = 4,
};

// Each key field is the number combined by exclusive-or with its constant;
// plug-ins that read the keys use the same three.
inline constexpr std::uint32_t kParamKeyMask = 0x5A3C96E1u;
inline constexpr std::uint32_t kUserKeyMask = 0x2F81D4B7u;
inline constexpr std::uint32_t kParamTypeKeyMask = 0xC7E2195Du;

// Names are 16 bytes; a sub-parameter's full name is its parent's name
// followed by the sub name, cut to 16 bytes.
inline constexpr std::size_t kParamNameBytes = 16;

// The context a plug-in's entry points get: which parameter, why the
// plug-in is called, and the operations it may use on the owner's data.
class TSecSmpParamEd {
public:
    // Why an entry point is called (the Reason field).
    enum Reasons : int {
        rPlain = 0,
        rIterate = 1, // iterate with the callback
        rShow = 2, // edit or show the current parameter's value
        rInsert = 3,
        rRename = 4, // Name is the old name, Data the new one
    };
    // Called by an iterate entry point once per sub-parameter (its full
    // name); answers whether the call succeeded.
    using Callback = bool (*)(const TSecSmpParamEd& editor, const char* subParamFullName);

    // --- constructors (the context copies every text it is given) ---
    explicit TSecSmpParamEd(TSecParamEdHost* owner);
    TSecSmpParamEd(TSecParamEdHost* owner, const char* name);
    // Reason 2: the current row of the parameters dataset `params` (filled
    // by the data module), the window that parents a plug-in's dialogs, and
    // the current value (Data points at the context's copy of it).
    TSecSmpParamEd(TSecParamEdHost* owner, vcl::TDataSet* params, void* window, const char* value);
    // The current row of `params` for `reason`, with caller data.
    TSecSmpParamEd(TSecParamEdHost* owner, vcl::TDataSet* params, int reason, void* data);
    // Reason 1: iterate, calling `callback` for every sub-parameter.
    TSecSmpParamEd(TSecParamEdHost* owner, Callback callback, void* data);
    // A parameter with these fields (reason 0), with caller data.
    TSecSmpParamEd(TSecParamEdHost* owner, const char* name, const char* fullName,
        const char* description, const char* defaultValue, bool userCanModify, bool hidden,
        bool isProtected, void* data);
    // Reason 3: a parameter just inserted (its ID not known yet).
    TSecSmpParamEd(TSecParamEdHost* owner, int typeID, const char* name, const char* fullName,
        const char* description, const char* defaultValue, const char* typeName, bool userCanModify,
        bool hidden, bool isProtected, void* data);
    // Copies the texts it owns; caller data is shared.
    TSecSmpParamEd(const TSecSmpParamEd& other);
    TSecSmpParamEd& operator=(const TSecSmpParamEd&) = delete;
    ~TSecSmpParamEd();

    // --- parameters and rights of the edited subject, by name ---
    tor::pswdsstr<16> GetParam(const char* name) const;
    bool GetBoolParam(const char* name) const;
    int GetIntParam(const char* name) const;
    void SetParam(const char* name, const char* value) const;
    void SetPswdParam(const char* name, const tor::pswdsstr<16>& value) const;
    void SetBoolParam(const char* name, bool value) const;
    void SetIntParam(const char* name, int value) const;
    SecRightsMask GetRight(const char* formName) const;
    void SetRight(const char* formName, SecRightsMask rights) const;
    // --- settings of the security database ---
    tor::pswdsstr<16> GetDBParam(const char* name) const;
    // The stored bytes of a setting, unconverted (an encoded password).
    tor::pswdsstr<16> GetPswdDBParam(const char* name) const;
    bool GetBoolDBParam(const char* name) const;
    void SetDBParam(const char* name, const char* value) const;
    void SetBoolDBParam(const char* name, bool value) const;
    void SetPswdDBParam(const char* name, const tor::pswdsstr<16>& value) const;

    // --- sub-parameters of this context's parameter (Name) ---
    // A sub name whose full name would be the parameter's own name is
    // refused: the getters answer empty, the setters throw.
    tor::pswdsstr<16> GetSubParam(const char* subName) const;
    tor::pswdsstr<16> GetPswdSubParam(const char* subName) const;
    bool GetBoolSubParam(const char* subName) const;
    void SetSubParam(const char* subName, const char* value) const;
    void SetPswdSubParam(const char* subName, const tor::pswdsstr<16>& value) const;
    void SetBoolSubParam(const char* subName, bool value) const;
    SecRightsMask GetSubRight(const char* subName) const;
    void SetSubRight(const char* subName, SecRightsMask rights) const;
    // Back to the group's value, sub-parameters included; a missing
    // parameter counts as done. False when its editor could not reset them.
    bool DefSubParam(const char* subName) const;
    bool DefParam(const char* name) const;

    // The full name of sub-parameter `subName` (the parent's name followed
    // by it, cut to 16 bytes).
    tor::pswdsstr<16> SubParamName(const char* subName) const;
    // The owner and its data module.
    TSecParamEdHost* Host() const noexcept { return Owner; }
    TSecDModSmpDlgBaseFrm* DataModule() const;

    // --- the fields, in the order plug-ins read them ---
    int Reason = rPlain;
    int ParamTypeID = -1;
    int ParamID = -1;
    // ParamID, UserID, unused, ParamTypeID; each combined with its mask.
    std::int32_t Keys[4] = {};
    char Name[17] = {};
    // rShow: the value buffer; rRename: the new name (17 bytes); else caller data.
    void* Data = nullptr;
    char TypeName[17] = {};
    char* FullName = nullptr;
    char* DefaultValue = nullptr;
    char* Description = nullptr;
    bool UserCanModify = false;
    bool Hidden = false;
    bool Protected = false;
    Callback Iterate = nullptr;
    void* Window = nullptr;
    TSecRights Rights;
    // The context allocated FullName, DefaultValue, Description (and, in
    // reasons 2 and 4, the buffer Data points at) and frees them.
    bool OwnsBuffers = false;
    TSecParamEdHost* Owner = nullptr; // the administration base form

    // Whether the buffers this context owns are as it handed them out: a
    // plug-in that wrote past one of them damaged the guard behind it.
    bool BuffersIntact() const noexcept;

protected:
    // Fills the parameter's part from the current row of `params` (the
    // parameters dataset of the owner's data module).
    void FillFromRow(vcl::TDataSet* params);
    void SetTexts(const char* fullName, const char* description, const char* defaultValue);
    // A buffer this context owns, holding `text`, with room for at least
    // `capacity` bytes and a guard behind it.
    static char* OwnedText(const char* text, std::size_t capacity);

    // Points Data at a buffer of its own holding `text` (17 bytes).
    void OwnData(const char* text);

private:
    void FreeBuffers() noexcept;

    // The buffer Data was given by OwnData (freed with the context).
    char* ownedData_ = nullptr;
};

// The full context: adds the insert, delete and rename operations on
// parameters and sub-parameters, which need a full data module.
class TSecParamEd : public TSecSmpParamEd {
public:
    // An empty context of `owner`.
    explicit TSecParamEd(TSecParamEdFullHost* owner);
    // The parameter `name`.
    TSecParamEd(TSecParamEdFullHost* owner, const char* name);
    // Reason 2 on the current row of `params`, as the simple context's.
    TSecParamEd(TSecParamEdFullHost* owner, vcl::TDataSet* params, void* window, const char* value);
    // The current row of `params` for `reason`, with caller data.
    TSecParamEd(TSecParamEdFullHost* owner, vcl::TDataSet* params, int reason, void* data);
    // Reason 1 (iterate): `callback` is called per sub-parameter with `data`.
    TSecParamEd(TSecParamEdFullHost* owner, Callback callback, void* data);
    // A parameter with these fields, as the simple context's.
    TSecParamEd(TSecParamEdFullHost* owner, const char* name, const char* fullName,
        const char* description, const char* defaultValue, bool userCanModify, bool hidden,
        bool isProtected, void* data);
    // Reason 3: a parameter just inserted, with its type's ID and name.
    TSecParamEd(TSecParamEdFullHost* owner, int typeID, const char* name, const char* fullName,
        const char* description, const char* defaultValue, const char* typeName, bool userCanModify,
        bool hidden, bool isProtected, void* data);
    // A copy with its own copies of every text.
    TSecParamEd(const TSecParamEd& other);
    // A full context with the fields of `other`. Its full operations work only
    // when the owner's data module is a full one.
    explicit TSecParamEd(const TSecSmpParamEd& other);

    // A new parameter named `name` with this context's three flags, of the
    // type named `typeName`; its editor's insert runs for it. False when the
    // name is taken or the editor refused.
    bool InsParam(const char* name, const char* fullName, const char* description,
        const char* defaultValue, const char* typeName) const;
    // Sub-parameter `subName` of this context's parameter: full name = the
    // parent's full name followed by `fullNameSuffix`.
    bool InsSubParam(const char* subName, const char* fullNameSuffix, const char* description,
        const char* defaultValue, const char* typeName) const;
    // Deletes the parameter and, first, its sub-parameters; a missing one
    // counts as done. Throws message 210 when its editor fails.
    bool DelParam(const char* name) const;
    bool DelSubParam(const char* subName) const;
    // Renames parameter `oldName` to `newName` (its editor renames its
    // sub-parameters). Throws message 209 when `oldName` does not exist.
    bool RenParam(const char* oldName, const char* newName) const;
    // In a rename (reason 4): the sub-parameter `oldSubName` of the old name
    // becomes `newSubName` of the new name (Data).
    bool RenSubParam(const char* oldSubName, const char* newSubName) const;

    // The owner as a full host.
    TSecParamEdFullHost* FullHost() const;
    // The full data module; throws "Operation not supported" for a simple one.
    TSecDModDlgBaseFrm* FullDataModule() const;
};

// --- the plug-in contract ---

// Filled by a plug-in's _TorSecurityGetFunctionNames: six slots of 256 bytes.
// On entry the key slot holds the "ProgID" setting (17 bytes), on return the
// plug-in's key (17 bytes).
struct TSecFncNamesRecord {
    // The insert entry point's exported name.
    char InsFncName[256];
    // The rename entry point's exported name.
    char RenFncName[256];
    // The show (value editor) entry point's exported name.
    char ShowFncName[256];
    // The iterate entry point's exported name.
    char ItrFncName[256];
    // The key function's exported name (empty: no authenticity check).
    char KeyFncName[256];
    // The "ProgID" setting on entry; the plug-in's key on return.
    char Key[256];
};

// The entry points' types (the names are the parameter type's).
using TParamEdShowFn = tor::pswdsstr<16> (*)(const TSecSmpParamEd& editor, bool& cancelled);
using TParamEdInsertFn = bool (*)(const TSecParamEd& editor);
using TParamEdIterateFn = bool (*)(const TSecParamEd& editor);
using TParamEdRenameFn = bool (*)(const TSecParamEd& editor);
using TParamEdKeyFn = tor::pswdsstr<16> (*)(const tor::pswdsstr<16>& progID);
using TParamEdNamesFn = void (*)(TSecFncNamesRecord* record, void* window);

// The autodetection export every plug-in has under this name.
inline constexpr const char* kFunctionNamesExport = "_TorSecurityGetFunctionNames";

} // namespace Security
